// The summary line and its date label, checked against lines worked out by hand
// from the column layout.
#include "run/summary_line.h"

#include <gtest/gtest.h>

#include "hydrograph/context_fixture.h"
#include "run/messages.h"

namespace {

using hydtest::Harness;
using hydtest::pad;

struct LabelCase {
  int stormDate;
  float t;
  const char* label;
};

TEST(DateLabel, WithAndWithoutStormDate) {
  const LabelCase cases[] = {
      {0, 1.5f, "No_date    1:30"},           {0, 0.0f, "No_date    0:00"},         {0, 125.75f, "No_date  125:45"},
      {19990615, 36.25f, "1999.0616_12:15"},  {19990615, 9.5f, "1999.0615_ 9:30"},  // the hour is blank-filled, not
                                                                                    // zero-filled
      {19991231, 30.0f, "2000.0101_ 6:00"},                                         // rolls into the next year
      {20000228, 24.0f, "2000.0229_ 0:00"},                                         // leap year
      {19990228, 24.0f, "1999.0301_ 0:00"},   {20001231, 24.0f, "2001.0101_ 0:00"}, // day 367 of a leap year
      {19000228, 24.0f, "1900.0229_ 0:00"},   // divisible by 4 is leap, no century rule
      {19990701, 7200.0f, "2000.0426_ 0:00"}, // 300 days on, past February of a leap year
      // Peaks years after the start of an hourly record roll over every year.
      {20000101, 43188.0f, "2004.1204_12:00"},  {20000101, 59917.0f, "2006.1101_13:00"},
      {20000101, 105191.0f, "2011.1231_23:00"}, {20000101, 35076.0f, "2004.0101_12:00"},
      {20000101, 36492.0f, "2004.0229_12:00"},
  };
  for (const LabelCase& c : cases) {
    EXPECT_EQ(run::dateLabel(c.stormDate, c.t), c.label) << c.stormDate << " + " << c.t;
  }
}

class SummaryLine : public ::testing::Test {
protected:
  Harness h;
  void SetUp() override {
    model::Hydrograph& s = h.ctx.store[3];
    s.NHYD = 123;
    s.HYDNAME = pad("POND1", 10);
    s.DA = 10.0f;
    s.QPEAK = 2.5f;
    s.BASE = 0.5f;
    s.TPEAK = 1.5f;
    s.RV = 0.75f;
    h.ctx.run.label = "STORE HYD";
    h.ctx.storm.PTOT = 1.5f;
  }
  // The fixed part of every line: blank, marker field, label, ID and colon.
  static std::string lead(const std::string& marker) { return " " + marker + pad("STORE HYD", 19) + "03:"; }
};

TEST_F(SummaryLine, FourForms) {
  // AREA F9.2, QPEAK (peak plus baseflow) F9.3, blank, date label, R.V. F8.2.
  const std::string middle = "    10.00    3.000 No_date    1:30    0.75";
  run::outsum(h.ctx, 3, 1);
  run::outsum(h.ctx, 3, 2);
  run::outsum(h.ctx, 3, 3);
  run::outsum(h.ctx, 3, 4);
  const std::vector<std::string> expected = {
      lead("    ") + "       123" + middle + "0.500",
      lead("    ") + "POND1     " + middle + "0.500",
      lead("    ") + "       123" + middle + "  n/a",
      lead("    ") + "POND1     " + middle + "  n/a",
  };
  EXPECT_EQ(h.summary.lines, expected);
  EXPECT_EQ(h.summaryWindow.lines, expected);
  // The slot's own peak stays without the baseflow.
  EXPECT_EQ(h.ctx.store[3].QPEAK, 2.5f);
}

TEST_F(SummaryLine, MarkerFollowsSeverity) {
  h.ctx.run.severity = model::Severity::Warning;
  run::outsum(h.ctx, 3, 3);
  h.ctx.run.severity = model::Severity::Error;
  run::outsum(h.ctx, 3, 3);
  ASSERT_EQ(h.summary.lines.size(), 2u);
  EXPECT_EQ(h.summary.lines[0].substr(0, 24), lead(" *  ").substr(0, 24));
  EXPECT_EQ(h.summary.lines[1].substr(0, 24), lead(" ** ").substr(0, 24));
}

TEST_F(SummaryLine, StormDateAndZeroRainfall) {
  h.ctx.storm.stormDate = 19991231;
  h.ctx.store[3].TPEAK = 30.0f;
  // No rainfall: the guarded depth of 1.0e-6 makes R.C. overflow its field.
  h.ctx.storm.PTOT = 0.0f;
  run::outsum(h.ctx, 3, 1);
  ASSERT_EQ(h.summary.lines.size(), 1u);
  EXPECT_EQ(h.summary.lines[0], lead("    ") + "       123    10.00    3.000 2000.0101_ 6:00    0.75*****");
}

TEST_F(SummaryLine, MetricOutput) {
  Harness m(1, 2);
  model::Hydrograph& s = m.ctx.store[1];
  s.NHYD = 5;
  s.DA = 24.71f;       // 10 ha
  s.QPEAK = 35.31338f; // 1 cms
  s.RV = 1.0f;         // 25.4 mm
  s.TPEAK = 0.25f;
  m.ctx.run.label = "READ HYD";
  run::outsum(m.ctx, 1, 3);
  ASSERT_EQ(m.summary.lines.size(), 1u);
  EXPECT_EQ(m.summary.lines[0],
            "     " + pad("READ HYD", 19) + "01:         5    10.00    1.000 No_date    0:15   25.40  n/a");
}

TEST(TableLine, MarkerLabelAndId) {
  Harness h;
  h.ctx.run.label = "COMPUTE RATING CURVE";
  h.ctx.run.severity = model::Severity::Warning;
  run::tableLine(h.ctx, 4);
  const std::vector<std::string> expected = {"  *  COMPUTE RATING CURVE", "      [ID=04"};
  EXPECT_EQ(h.summary.lines, expected);
  EXPECT_EQ(h.summaryWindow.lines, expected);
}

} // namespace
