// The obligations shared by every producer: reference, peak scan direction,
// volume rule, summary line form, automatic file, slot checks.
#include "hydrograph/producer.h"

#include <gtest/gtest.h>

#include "hydrograph/context_fixture.h"
#include "hydrograph/gethyd.h"

namespace {

using hydtest::Harness;
using hydtest::pad;

void fill(model::Hydrograph& s, std::initializer_list<float> q, float dt, float da) {
  s.resize(static_cast<int>(q.size()));
  int i = 1;
  for (float v : q) s.Q[static_cast<std::size_t>(i++)] = v;
  s.NPTS = static_cast<int>(q.size());
  s.DT = dt;
  s.DA = da;
}

TEST(Producer, ReferenceFromNumberOrQuotedName) {
  Harness h;
  h.ctx.cmd.STRING[1] = pad("OUTLET-EAST-2", 90);
  h.ctx.store[2].HYDNAME = pad("OLD", 10);
  hydrograph::setReference(h.ctx, 2, 45);
  EXPECT_EQ(h.ctx.store[2].NHYD, 45);
  EXPECT_EQ(h.ctx.store[2].HYDNAME, pad("OLD", 10));  // a number leaves the name as it was
  hydrograph::setReference(h.ctx, 2, 0);
  EXPECT_EQ(h.ctx.store[2].NHYD, 0);
  EXPECT_EQ(h.ctx.store[2].HYDNAME, "OUTLET-EAS");
}

TEST(Producer, ScanDirectionDecidesEqualPeaks) {
  struct Case {
    hydrograph::PeakScan scan;
    float tpeak;
  };
  // Ordinates 2 and 4 both hold the peak 3; TZERO 2 h, DT 0.5 h.
  for (const Case c : {Case{hydrograph::PeakScan::Forward, 2.5f}, Case{hydrograph::PeakScan::Backward, 3.5f}}) {
    Harness h;
    h.ctx.time.TZERO = 2.0;
    fill(h.ctx.store[1], {1.0f, 3.0f, 2.0f, 3.0f, 0.0f}, 0.5f, 2.0f);
    hydrograph::setPeakAndVolume(h.ctx, 1, c.scan);
    EXPECT_EQ(h.ctx.store[1].QPEAK, 3.0f);
    EXPECT_EQ(h.ctx.store[1].TPEAK, c.tpeak);
    // 9 cfs x 0.5 h over 2 acres: 4.5 / (2 x 1.00833) inches.
    EXPECT_NEAR(h.ctx.store[1].RV, 2.231412f, 1e-5);
  }
}

TEST(Producer, DryAndArealess) {
  Harness h;
  h.ctx.time.TZERO = 1.0;
  fill(h.ctx.store[1], {0.0f, 0.0f}, 0.25f, 3.0f);
  hydrograph::setPeakAndVolume(h.ctx, 1, hydrograph::PeakScan::Forward);
  EXPECT_EQ(h.ctx.store[1].QPEAK, 0.0f);
  EXPECT_EQ(h.ctx.store[1].TPEAK, 1.0f);  // no ordinate beats 0: the first ordinate's time
  EXPECT_EQ(h.ctx.store[1].RV, 0.0f);
  fill(h.ctx.store[2], {1.0f, 2.0f}, 0.25f, 0.0f);
  hydrograph::setPeakAndVolume(h.ctx, 2, hydrograph::PeakScan::Backward);
  EXPECT_EQ(h.ctx.store[2].RV, 0.0f);  // no area: no depth, never a division by zero
}

TEST(Producer, SlotOutsideOneToTenIsAnError) {
  for (int id : {-1, 0, 11, 99}) {
    Harness h;
    h.ctx.run.label = "STORE HYD";
    EXPECT_FALSE(hydrograph::checkSlot(h.ctx, id)) << id;
    EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
    EXPECT_TRUE(support::contains(h.detailed.lines, "*** ERROR: Hydrograph ID must be from 1 to 10."));
    EXPECT_TRUE(support::contains(h.warnings.lines, "STORE HYD"));
  }
  for (int id : {1, 10}) {
    Harness h;
    EXPECT_TRUE(hydrograph::checkSlot(h.ctx, id));
    EXPECT_EQ(h.ctx.run.severity, model::Severity::Note);
    EXPECT_TRUE(h.detailed.lines.empty());
  }
}

TEST(Producer, ReportChoosesFormAndSavesWhenSwitchedOn) {
  Harness h;
  h.ctx.run.label = "ADD HYD";
  hydrograph::createSummaryRecordFile(h.ctx);
  fill(h.ctx.store[4], {1.0f, 2.0f}, 0.25f, 3.0f);
  h.ctx.store[4].NHYD = 0;
  h.ctx.store[4].HYDNAME = pad("SITE9", 10);
  hydrograph::setPeakAndVolume(h.ctx, 4, hydrograph::PeakScan::Forward);

  hydrograph::reportProduced(h.ctx, 4, false);  // name form, no runoff coefficient
  hydrograph::reportProduced(h.ctx, 4, true);   // name form with a runoff coefficient
  ASSERT_EQ(h.summary.lines.size(), 2u);
  EXPECT_EQ(h.summary.lines[0].substr(24, 13), "04:SITE9     ");
  EXPECT_EQ(h.summary.lines[0].substr(h.summary.lines[0].size() - 5), "  n/a");
  EXPECT_EQ(h.summary.lines[1].substr(h.summary.lines[1].size() - 5), "*****");  // R.V. / 1.0e-6
  EXPECT_FALSE(std::filesystem::exists(h.path("SITE9.001")));

  h.ctx.store.SVHYD = 1;
  h.ctx.store[4].NHYD = 8;
  hydrograph::reportProduced(h.ctx, 4, false);
  EXPECT_EQ(h.summary.lines.back().substr(24, 13), "04:         8");
  EXPECT_TRUE(std::filesystem::exists(h.path("SITE9.001")));
  EXPECT_EQ(support::fileText(hydrograph::summaryRecordPath(h.ctx)).size(),
            hydrograph::kSummaryHeaderBytes + hydrograph::kSummaryRecordBytes);
}

TEST(Producer, StartEmptiesSlotsButKeepsTheTimeStep) {
  Harness h;
  h.ctx.cmd.STRING[1] = pad("NAMED", 90);
  fill(h.ctx.store[6], {1.0f, 2.0f}, 0.25f, 3.0f);
  hydrograph::setReference(h.ctx, 6, 0);
  hydrograph::setPeakAndVolume(h.ctx, 6, hydrograph::PeakScan::Forward);
  h.ctx.store[6].BASE = 1.0f;
  h.ctx.store.SVHYD = 1;
  run::initial(h.ctx);
  const model::Hydrograph& s = h.ctx.store[6];
  EXPECT_EQ(s.NHYD, 0);
  EXPECT_EQ(s.HYDNAME, std::string(10, ' '));
  EXPECT_EQ(s.NPTS, 0);
  EXPECT_EQ(s.DA, 0.0f);
  EXPECT_EQ(s.BASE, 0.0f);
  EXPECT_EQ(s.QPEAK, 0.0f);
  EXPECT_EQ(s.TPEAK, 0.0f);
  EXPECT_EQ(s.RV, 0.0f);
  EXPECT_EQ(s.DT, 0.25f);
  EXPECT_EQ(h.ctx.store.SVHYD, 0);
}

}  // namespace
