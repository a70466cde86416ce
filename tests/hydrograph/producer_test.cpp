// The obligations shared by every producer: reference, peak scan direction,
// volume rule, summary line form, automatic file, slot checks.
#include "hydrograph/producer.h"

#include <gtest/gtest.h>

#include "hydrograph/auto_save.h"
#include "hydrograph/context_fixture.h"

namespace {

using hydtest::Harness;
using hydtest::pad;

TEST(Producer, ReferenceFromNumberOrQuotedName) {
  Harness h;
  h.ctx.cmd.STRING[1] = pad("OUTLET-EAST-2", 90);
  h.ctx.store[2].HYDNAME = pad("OLD", 10);
  hydrograph::setReference(h.ctx, 2, 45);
  EXPECT_EQ(h.ctx.store[2].NHYD, 45);
  EXPECT_EQ(h.ctx.store[2].HYDNAME, pad("OLD", 10)); // a number leaves the name as it was
  hydrograph::setReference(h.ctx, 2, 0);
  EXPECT_EQ(h.ctx.store[2].NHYD, 0);
  EXPECT_EQ(h.ctx.store[2].HYDNAME, "OUTLET-EAS");
}

// Stores ordinates q[1..] at DT hours over DA acres by the rules of typed
// hydrographs and the given peak rule.
const model::Hydrograph& produce(Harness& h, int id, std::vector<float> q, float dt, float da,
                                 hydrograph::PeakRule peak) {
  hydrograph::Produced p;
  p.nhyd = id;
  p.q = std::move(q);
  p.dt = dt;
  p.da = da;
  p.peak = peak;
  hydrograph::storeProduced(h.ctx, id, std::move(p));
  return h.ctx.store[id];
}

TEST(Producer, PeakRuleDecidesEqualPeaks) {
  struct Case {
    hydrograph::PeakRule scan;
    float tpeak;
  };
  // Ordinates 2 and 4 both hold the peak 3; TZERO 2 h, DT 0.5 h.
  for (const Case c : {Case{hydrograph::PeakRule::First, 2.5f}, Case{hydrograph::PeakRule::Last, 3.5f}}) {
    Harness h;
    h.ctx.time.TZERO = 2.0;
    const model::Hydrograph& s = produce(h, 1, {0.0f, 1.0f, 3.0f, 2.0f, 3.0f, 0.0f}, 0.5f, 2.0f, c.scan);
    EXPECT_EQ(s.QPEAK, 3.0f);
    EXPECT_EQ(s.TPEAK, c.tpeak);
    // 9 cfs x 0.5 h over 2 acres: 4.5 / (2 x 1.00833) inches.
    EXPECT_NEAR(s.RV, 2.231412f, 1e-5);
  }
}

TEST(Producer, DryAndArealess) {
  Harness h;
  h.ctx.time.TZERO = 1.0;
  const model::Hydrograph& dry = produce(h, 1, {0.0f, 0.0f, 0.0f}, 0.25f, 3.0f, hydrograph::PeakRule::First);
  EXPECT_EQ(dry.QPEAK, 0.0f);
  EXPECT_EQ(dry.TPEAK, 1.0f); // no ordinate beats 0: the first ordinate's time
  EXPECT_EQ(dry.RV, 0.0f);
  const model::Hydrograph& noArea = produce(h, 2, {0.0f, 1.0f, 2.0f}, 0.25f, 0.0f, hydrograph::PeakRule::Last);
  EXPECT_EQ(noArea.RV, 0.0f); // no area: no depth, never a division by zero
}

TEST(Producer, StoreProducedFillsTheSlotByItsRules) {
  // Ordinates 1..6 at 0.5 h over 2 acres, TZERO 1 h; the tail 0.0001 is cut
  // only when a cut is asked for, and a negative area holds a depth only under
  // the rule of typed hydrographs.
  struct Case {
    const char* what;
    float da;
    hydrograph::AreaRule area;
    int trimAfter;
    int npts;
    float rv;
  } cases[] = {
      {"kept tail", 2.0f, hydrograph::AreaRule::NonZero, -1, 6, 9.0001f * 0.5f / (2.0f * 1.00833f)},
      {"cut tail", 2.0f, hydrograph::AreaRule::Positive, 2, 5, 9.0f * 0.5f / (2.0f * 1.00833f)},
      {"negative area, typed", -2.0f, hydrograph::AreaRule::NonZero, -1, 6, 9.0001f * 0.5f / (-2.0f * 1.00833f)},
      {"negative area, runoff", -2.0f, hydrograph::AreaRule::Positive, -1, 6, 0.0f},
  };
  for (const Case& c : cases) {
    Harness h;
    h.ctx.time.TZERO = 1.0;
    hydrograph::Produced p;
    p.nhyd = 12;
    p.q = {0.0f, 1.0f, 3.0f, 1.0f, 3.0f, 1.0f, 0.0001f};
    p.dt = 0.5f;
    p.da = c.da;
    p.base = 0.25f;
    p.area = c.area;
    p.trimAfter = c.trimAfter;
    hydrograph::storeProduced(h.ctx, 3, p);
    const model::Hydrograph& s = h.ctx.store[3];
    EXPECT_EQ(s.NHYD, 12) << c.what;
    EXPECT_EQ(s.NPTS, c.npts) << c.what;
    EXPECT_EQ(s.Q.size(), static_cast<std::size_t>(c.npts) + 1) << c.what;
    EXPECT_EQ(s.QPEAK, 3.0f) << c.what;
    EXPECT_EQ(s.TPEAK, 1.5f) << c.what; // the first of the equal peaks
    EXPECT_EQ(s.BASE, 0.25f) << c.what;
    EXPECT_NEAR(s.RV, c.rv, 1e-5) << c.what;
  }
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
  produce(h, 4, {0.0f, 1.0f, 2.0f}, 0.25f, 3.0f, hydrograph::PeakRule::First);
  h.ctx.store[4].NHYD = 0;
  h.ctx.store[4].HYDNAME = pad("SITE9", 10);

  hydrograph::reportProduced(h.ctx, 4, hydrograph::Source::Other);    // name form, no runoff coefficient
  hydrograph::reportProduced(h.ctx, 4, hydrograph::Source::Rainfall); // name form with a runoff coefficient
  ASSERT_EQ(h.summary.lines.size(), 2u);
  EXPECT_EQ(h.summary.lines[0].substr(24, 13), "04:SITE9     ");
  EXPECT_EQ(h.summary.lines[0].substr(h.summary.lines[0].size() - 5), "  n/a");
  EXPECT_EQ(h.summary.lines[1].substr(h.summary.lines[1].size() - 5), "*****"); // R.V. / 1.0e-6
  EXPECT_FALSE(std::filesystem::exists(h.path("SITE9.001")));

  h.ctx.store.SVHYD = 1;
  h.ctx.store[4].NHYD = 8;
  hydrograph::reportProduced(h.ctx, 4, hydrograph::Source::Other);
  EXPECT_EQ(h.summary.lines.back().substr(24, 13), "04:         8");
  // A numeric reference names the file "H-" and six digits, whatever name the slot holds.
  EXPECT_TRUE(std::filesystem::exists(h.path("H-000008.001")));
  EXPECT_FALSE(std::filesystem::exists(h.path("SITE9.001")));
  EXPECT_EQ(support::fileText(hydrograph::summaryRecordPath(h.ctx)).size(),
            hydrograph::kSummaryHeaderBytes + hydrograph::kSummaryRecordBytes);
}

TEST(Producer, StartEmptiesSlotsButKeepsTheTimeStep) {
  Harness h;
  h.ctx.cmd.STRING[1] = pad("NAMED", 90);
  hydrograph::Produced p;
  p.q = {0.0f, 1.0f, 2.0f};
  p.dt = 0.25f;
  p.da = 3.0f;
  hydrograph::storeProduced(h.ctx, 6, std::move(p)); // reference 0: the quoted name
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

} // namespace
