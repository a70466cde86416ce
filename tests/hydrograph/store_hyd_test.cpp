// STORE HYD: the stored slot, the summary line, the block and the ordinate
// table that reads down its five columns.
#include "hydrograph/store_hyd.h"

#include <gtest/gtest.h>

#include "hydrograph/context_fixture.h"

namespace {

using hydtest::Harness;
using hydtest::pad;

const std::string kTableHeader = "  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW";
const std::string kTableCfs = "   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs";

TEST(StoreHyd, SevenFlowsTwoRows) {
  Harness h;
  h.command("STORE HYD           ID=[1], NHYD=[123], DT=[5], AREA=[10.0]\n"
            "                    0 1 2 4 3 2 1 -1\n"
            "FINISH\n");
  hydrograph::storeHyd(h.ctx);

  const model::Hydrograph& s = h.ctx.store[1];
  EXPECT_EQ(s.NHYD, 123);
  EXPECT_EQ(s.NPTS, 7);
  EXPECT_FLOAT_EQ(s.DT, 5.0f / 60.0f);
  EXPECT_EQ(s.QPEAK, 4.0f);
  EXPECT_NEAR(s.TPEAK, 0.25f, 1e-6);
  // 13 cfs x 1/12 h over 10 acres x 1.00833.
  EXPECT_NEAR(s.RV, 0.107438f, 1e-5);

  const std::vector<std::string> expected = {
      "--------------------",
      "| STORE HYD        |   AREA       (ac)=  10.000",
      "| ID=01  (000123)  |   QPEAK     (cfs)=   4.000",
      "--------------------   TPEAK     (hrs)=   0.250",
      "                       VOLUME     (in)=   0.107",
      " ",
      kTableHeader,
      kTableCfs,
      // Row 1 holds ordinates 1, 3, 5, 7; row 2 ordinates 2, 4, 6.
      "  0.00    0.00 |  0.17    2.00 |  0.33    3.00 |  0.50    1.00 |",
      "  0.08    1.00 |  0.25    4.00 |  0.42    2.00 |",
  };
  EXPECT_EQ(h.detailed.lines, expected);
  const std::vector<std::string> summary = {"     " + pad("STORE HYD", 19) +
                                            "01:       123    10.00    4.000 No_date    0:15    0.11  n/a"};
  EXPECT_EQ(h.summary.lines, summary);
  EXPECT_EQ(h.summaryWindow.lines, summary);
  EXPECT_EQ(h.nextInputLine(), "FINISH");
}

TEST(StoreHyd, OneNamedFlowNoTableZeroArea) {
  Harness h;
  h.ctx.time.TZERO = 2.0;
  h.command("STORE HYD           ID=[10], NHYD=[\"POND-A123456\"], DT=[0.5], AREA=[0], 7.5 -1\n");
  hydrograph::storeHyd(h.ctx);
  const model::Hydrograph& s = h.ctx.store[10];
  EXPECT_EQ(s.NHYD, 0);
  EXPECT_EQ(s.HYDNAME, "POND-A1234");
  EXPECT_EQ(s.DT, 0.5f); // below 1: hours
  EXPECT_EQ(s.NPTS, 1);
  EXPECT_EQ(s.TPEAK, 2.0f);
  EXPECT_EQ(s.RV, 0.0f); // an area of 0 holds no depth of runoff
  const std::vector<std::string> expected = {
      "--------------------",
      "| STORE HYD        |   AREA       (ac)=   0.000",
      "| ID=10  (POND-A)  |   QPEAK     (cfs)=   7.500",
      "--------------------   TPEAK     (hrs)=   2.000",
      "                       VOLUME     (in)=   0.000",
      " ",
  };
  EXPECT_EQ(h.detailed.lines, expected);
  EXPECT_EQ(h.summary.lines.at(0).substr(24), "10:POND-A1234     0.00    7.500 No_date    2:00    0.00  n/a");
}

TEST(StoreHyd, FirstValueNegativeAndTimeStepRule) {
  struct Case {
    const char* dt;
    float hours;
  };
  for (const Case c : {Case{"5", 5.0f / 60.0f}, Case{"0.5", 0.5f}, Case{"1.0", 1.0f / 60.0f}}) {
    Harness h;
    h.ctx.time.TZERO = 3.0;
    h.command(std::string("STORE HYD           1 7 ") + c.dt + " 4.0 -1 5 6\n");
    hydrograph::storeHyd(h.ctx);
    const model::Hydrograph& s = h.ctx.store[1];
    EXPECT_FLOAT_EQ(s.DT, c.hours) << c.dt;
    EXPECT_EQ(s.NPTS, 0);
    EXPECT_EQ(s.QPEAK, 0.0f);
    EXPECT_EQ(s.TPEAK, 3.0f);
    EXPECT_EQ(s.RV, 0.0f);
    EXPECT_EQ(h.detailed.lines.size(), 6u); // the block only
  }
}

TEST(StoreHyd, EqualPeaksTakeTheFirst) {
  Harness h;
  h.command("STORE HYD           1 7 6 1 1 3 3 1 -1\n");
  hydrograph::storeHyd(h.ctx);
  EXPECT_NEAR(h.ctx.store[1].TPEAK, 0.1f, 1e-6); // ordinate 2 at 6 minutes
}

TEST(StoreHyd, ManyOrdinatesFiveRows) {
  Harness h;
  std::string values;
  for (int i = 1; i <= 23; ++i) values.append(" ").append(std::to_string(i));
  h.command("STORE HYD           ID=2 NHYD=9 DT=6 AREA=1\n                   " + values + " -1\n");
  hydrograph::storeHyd(h.ctx);
  ASSERT_EQ(h.ctx.store[2].NPTS, 23);
  // R = (23 + 4) / 5 = 5 rows; row r holds r, r+5, r+10, ...
  const std::vector<std::string> rows(h.detailed.lines.begin() + 8, h.detailed.lines.end());
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "  0.00    1.00 |  0.50    6.00 |  1.00   11.00 |  1.50   16.00 |  2.00   21.00");
  EXPECT_EQ(rows[2], "  0.20    3.00 |  0.70    8.00 |  1.20   13.00 |  1.70   18.00 |  2.20   23.00");
  EXPECT_EQ(rows[3], "  0.30    4.00 |  0.80    9.00 |  1.30   14.00 |  1.80   19.00 |");
}

TEST(StoreHyd, MetricInputImperialOutput) {
  Harness h(2, 1);
  h.command("STORE HYD           1 4 5 10 1.0 2.0 -1\n");
  hydrograph::storeHyd(h.ctx);
  const model::Hydrograph& s = h.ctx.store[1];
  EXPECT_FLOAT_EQ(s.DA, 24.71f);
  EXPECT_NEAR(s.QPEAK, 70.62676f, 1e-3); // 2 cms in cfs
  EXPECT_EQ(h.detailed.lines[1], "| STORE HYD        |   AREA       (ac)=  24.710");
  EXPECT_EQ(h.detailed.lines[2], "| ID=01  (000004)  |   QPEAK     (cfs)=  70.627");
}

TEST(StoreHyd, MetricOutputTableUnits) {
  Harness h(1, 2);
  h.command("STORE HYD           1 4 5 24.71 35.31338 0 -1\n");
  hydrograph::storeHyd(h.ctx);
  EXPECT_EQ(h.detailed.lines[1], "| STORE HYD        |   AREA       (ha)=  10.000");
  EXPECT_EQ(h.detailed.lines[2], "| ID=01  (000004)  |   QPEAK     (cms)=   1.000");
  EXPECT_EQ(h.detailed.lines[4], "                       VOLUME     (mm)=   3.000");
  EXPECT_EQ(h.detailed.lines[7], "   hrs     cms |   hrs     cms |   hrs     cms |   hrs     cms |   hrs     cms");
  EXPECT_EQ(h.detailed.lines[8], "  0.00    1.00 |  0.08    0.00 |");
}

TEST(StoreHyd, BadSlotStoresNothing) {
  Harness h;
  h.command("STORE HYD           11 7 5 1 1 2 -1\n");
  hydrograph::storeHyd(h.ctx);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
  EXPECT_TRUE(support::contains(h.detailed.lines, "Hydrograph ID must be from 1 to 10"));
  EXPECT_TRUE(h.summary.lines.empty());
}

TEST(StoreHyd, AutomaticFileWhenSavingAll) {
  Harness h;
  h.ctx.store.SVHYD = 1;
  h.command("STORE HYD           1 \"INLET\" 5 1 1 2 -1\n");
  hydrograph::storeHyd(h.ctx);
  // The automatic file is announced before the block.
  ASSERT_FALSE(h.detailed.lines.empty());
  EXPECT_EQ(h.detailed.lines[0], "  IN SVHYD=1, HYDFILE= " + pad(h.path("INLET.001"), 80));
  EXPECT_EQ(h.detailed.lines[1], "--------------------");
  EXPECT_TRUE(std::filesystem::exists(h.path("INLET.001")));
}

TEST(StoreHyd, ListWithoutEndValueStopsAtTheValuesGiven) {
  Harness h;
  h.command("STORE HYD           1 7 5 1 1 2 3\nFINISH\n");
  hydrograph::storeHyd(h.ctx);
  // The reader zero-fills positions up to 999, but only the flows typed count.
  EXPECT_EQ(h.ctx.store[1].NPTS, 3);
  EXPECT_EQ(h.ctx.store[1].QPEAK, 3.0f);
}

TEST(StoreHyd, TypedZerosBeforeTheEndAreOrdinates) {
  Harness h;
  h.command("STORE HYD           1 7 5 1\n                    0 2 0 0\nFINISH\n");
  hydrograph::storeHyd(h.ctx);
  EXPECT_EQ(h.ctx.store[1].NPTS, 4);
  EXPECT_EQ(h.ctx.store[1].TPEAK, 5.0f / 60.0f);
}

} // namespace
