// The pure computations of ADD HYD, SHIFT HYD, DIVERT HYD and COMPUTE VOLUME:
// one table per rule, and the invariants (volume kept by a sum and by a
// diversion, the search never below a single trial).
#include <gtest/gtest.h>

#include <vector>

#include "hydrograph/add_hyd.h"
#include "hydrograph/divert_hyd.h"
#include "hydrograph/shift_hyd.h"
#include "hydrograph/storage_volume.h"

namespace {

using Ordinates = std::vector<float>;

model::Hydrograph hyd(const Ordinates& q, float dtMinutes, float area = 1.0f, float base = 0.0f) {
  model::Hydrograph h;
  h.resize(static_cast<int>(q.size()));
  for (std::size_t i = 0; i < q.size(); ++i) {
    h.Q[i + 1] = q[i];
    if (q[i] > h.QPEAK) {
      h.QPEAK = q[i];
      h.TPEAK = dtMinutes / 60.0f * static_cast<float>(i);
    }
  }
  h.NPTS = static_cast<int>(q.size());
  h.DT = dtMinutes / 60.0f;
  h.DA = area;
  h.BASE = base;
  float sum = 0.0f;
  for (float v : q) sum += v;
  h.RV = sum * h.DT / (area * 1.00833f);
  return h;
}

Ordinates ordinates(const model::Hydrograph& h) { return Ordinates(h.Q.begin() + 1, h.Q.begin() + 1 + h.NPTS); }

// Ordinates equal to `want` within single-precision interpolation error.
void expectOrdinates(const model::Hydrograph& h, const Ordinates& want, const char* what) {
  const Ordinates got = ordinates(h);
  ASSERT_EQ(got.size(), want.size()) << what;
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-5) << what << ", ordinate " << i + 1;
}

float volume(const model::Hydrograph& h) { // cfs-hours, baseflow excluded
  float sum = 0.0f;
  for (int i = 1; i <= h.NPTS; ++i) sum += h.Q[static_cast<std::size_t>(i)];
  return sum * h.DT;
}

// ---- ADD HYD ----

TEST(AddHyd, MergeRules) {
  struct Case {
    const char* rule;
    model::Hydrograph a, b;
    Ordinates sum;
    float dtMinutes;
    std::vector<int> resampled; // slots that now follow the finer step
  };
  const Case cases[] = {
      {"equal steps, the longer input alone past the shorter",
       hyd({1, 2, 3}, 5),
       hyd({1, 1, 1, 4, 5}, 5),
       {2, 3, 4, 4, 5},
       5,
       {}},
      {"a 10-minute input resampled onto 5 minutes",
       hyd({0, 2, 4, 2, 0}, 5),
       hyd({0, 4, 2}, 10),
       {0, 4, 8, 5, 2},
       5,
       {2}},
      {"the running sum is the coarse one", hyd({0, 4, 2}, 10), hyd({1, 1, 1, 1, 1}, 5), {1, 3, 5, 4, 3}, 5, {1}},
      {"steps within 0.001 h are equal: the added input's step", hyd({1, 1}, 5), hyd({1, 1}, 5.05f), {2, 2}, 5.05f, {}},
  };
  for (const Case& c : cases) {
    model::Store store;
    store[1] = c.a;
    store[2] = c.b;
    const hydrograph::AddHydResult r = hydrograph::computeAddHyd(store, {1, 2}, 0.0);
    expectOrdinates(r.sum, c.sum, c.rule);
    EXPECT_FLOAT_EQ(r.sum.DT, c.dtMinutes / 60.0f) << c.rule;
    std::vector<int> slots;
    for (const auto& [id, h] : r.resampled) slots.push_back(id);
    EXPECT_EQ(slots, c.resampled) << c.rule;
  }
}

TEST(AddHyd, ResampledInputKeepsItsOrdinatesAndGainsTheAverages) {
  model::Hydrograph h = hyd({0, 6, 2, 4}, 10);
  hydrograph::resampleOntoStep(h, 5.0f / 60.0f);
  expectOrdinates(h, {0, 3, 6, 4, 2, 3, 4}, "resampled");
  EXPECT_FLOAT_EQ(h.DT, 5.0f / 60.0f);
}

TEST(AddHyd, AreasBaseflowsAndVolumeAddUp) {
  model::Store store;
  store[3] = hyd({0, 3, 6, 2}, 5, 4.0f, 0.5f);
  store[7] = hyd({0, 1, 2, 1, 0.5f}, 5, 6.0f, 0.25f);
  const hydrograph::AddHydResult r = hydrograph::computeAddHyd(store, {3, 0, 7}, 1.0);
  EXPECT_FLOAT_EQ(r.sum.DA, 10.0f);
  EXPECT_FLOAT_EQ(r.sum.BASE, 0.75f);
  EXPECT_FLOAT_EQ(r.sum.QPEAK, 8.0f);
  EXPECT_FLOAT_EQ(r.sum.TPEAK, 1.0f + 2.0f * 5.0f / 60.0f); // the time origin included
  EXPECT_NEAR(r.sum.RV * r.sum.DA, store[3].RV * store[3].DA + store[7].RV * store[7].DA, 1e-5);
}

TEST(AddHyd, SingleAndDryInputs) {
  model::Store store;
  store[2] = hyd({0, 2, 1}, 10, 3.0f, 0.2f);
  store[4].DT = 5.0f / 60.0f; // dry: no area, no peak
  const hydrograph::AddHydResult single = hydrograph::computeAddHyd(store, {2}, 0.0);
  EXPECT_FALSE(single.dry);
  EXPECT_EQ(ordinates(single.sum), (Ordinates{0, 2, 1}));
  EXPECT_FLOAT_EQ(single.sum.DA, 3.0f);
  EXPECT_FLOAT_EQ(single.sum.BASE, 0.2f);
  EXPECT_FLOAT_EQ(single.sum.RV, store[2].RV);

  const hydrograph::AddHydResult allDry = hydrograph::computeAddHyd(store, {4}, 0.0);
  EXPECT_TRUE(allDry.dry);
  EXPECT_EQ(allDry.sum.NPTS, 0);
  EXPECT_FLOAT_EQ(allDry.sum.DT, 5.0f / 60.0f);
  EXPECT_FLOAT_EQ(hydrograph::computeAddHyd(store, {}, 0.0).sum.DT, 99999.0f);
}

// ---- SHIFT HYD ----

// The lag as typed (minutes from 1 up, hours below 1), read by the command and
// applied to a 5-minute hydrograph.
TEST(ShiftHyd, LagsOnAFiveMinuteHydrograph) {
  struct Case {
    float typed;
    int steps;
    hydrograph::ShortLag rule;
    float lagAfterRule; // minutes, as the summary label shows it
  };
  const Case cases[] = {
      {2, 0, hydrograph::ShortLag::Dropped, 0},
      {3, 1, hydrograph::ShortLag::RaisedToOneStep, 5},
      {5, 1, hydrograph::ShortLag::None, 5},
      {12, 2, hydrograph::ShortLag::None, 12},
      {-10, 0, hydrograph::ShortLag::Dropped, 0},
      // Exactly 1 is a minute (dropped on a 5-minute step), not an hour of 12
      // steps; below 1 the lag is in hours.
      {1, 0, hydrograph::ShortLag::Dropped, 0},
      {0.25f, 3, hydrograph::ShortLag::None, 15},
      {0.5f, 6, hydrograph::ShortLag::None, 30},
  };
  const model::Hydrograph in = hyd({1, 4, 2}, 5, 2.0f, 0.5f);
  for (const Case& c : cases) {
    model::CommandValues cmd;
    cmd.NPARAM = 4;
    const float params[] = {2, 202, 1, c.typed};
    for (std::size_t k = 0; k < 4; ++k) cmd.PARAM[k + 1] = params[k];
    cmd.given = 4;
    const hydrograph::ShiftHydValues v = hydrograph::readShiftHydValues(cmd);
    const hydrograph::ShiftHydResult r = hydrograph::computeShiftHyd(in, v.lag);
    EXPECT_EQ(r.steps, c.steps) << c.typed;
    EXPECT_EQ(r.shortLag, c.rule) << c.typed;
    EXPECT_NEAR(r.lag * 60.0f, c.lagAfterRule, 1e-4) << c.typed;
    Ordinates want(static_cast<std::size_t>(c.steps), 0.0f);
    want.insert(want.end(), {1, 4, 2});
    EXPECT_EQ(ordinates(r.out), want) << c.typed;
    EXPECT_FLOAT_EQ(r.out.TPEAK, in.TPEAK + static_cast<float>(c.steps) * in.DT) << c.typed;
    EXPECT_EQ(r.out.QPEAK, in.QPEAK);
    EXPECT_EQ(r.out.RV, in.RV);
    EXPECT_EQ(r.out.BASE, in.BASE);
    EXPECT_EQ(r.cutOrdinates, 0);
  }
}

// Ordinates moved past the ordinate limit are lost: how many and their flow
// are counted, and the peak and the volume are those of the ordinates kept
// (the input's peak while its ordinate is kept). Hourly ordinates, a run
// clock from 10 hours.
TEST(ShiftHyd, OrdinatesPushedPastTheLimitAreLost) {
  constexpr int kMax = model::kMaxOrdinates;
  struct Case {
    const char* what;
    Ordinates q;
    float lagHours;
    int cut;
    float cutFlow;
    float qpeak;
    float tpeak; // run clock, hours
    float keptSum;
  };
  const Case cases[] = {
      {"fits exactly", {1, 3, 2}, kMax - 3, 0, 0, 3, 10 + kMax - 3 + 1, 6},
      {"the last ordinate lost, the peak kept", {1, 3, 2}, kMax - 2, 1, 2, 3, 10 + kMax - 2 + 1, 4},
      {"the peak lost: the highest kept", {1, 2, 3}, kMax - 2, 1, 3, 2, 10 + kMax - 1, 3},
      {"all but the first lost", {1, 2, 3}, kMax - 1, 2, 5, 1, 10 + kMax - 1, 1},
      {"every ordinate lost", {1, 2, 3}, 2.0e9f, 3, 6, 0, 10, 0},
      // Of equal highest ordinates the input's rule chose the later; it is kept.
      {"the input's choice of equal peaks", {4, 1, 4, 1}, kMax - 3, 1, 1, 4, 10 + kMax - 3 + 2, 9},
  };
  for (const Case& c : cases) {
    model::Hydrograph in = hyd(c.q, 60, 2.0f);
    in.TPEAK += 10.0f;
    if (std::string(c.what) == "the input's choice of equal peaks") in.TPEAK = 12.0f;
    const hydrograph::ShiftHydResult r = hydrograph::computeShiftHyd(in, c.lagHours, 10.0);
    EXPECT_EQ(r.out.NPTS, std::min(kMax, static_cast<int>(c.q.size()) + r.steps)) << c.what;
    EXPECT_EQ(r.cutOrdinates, c.cut) << c.what;
    EXPECT_FLOAT_EQ(static_cast<float>(r.cutFlow), c.cutFlow) << c.what;
    EXPECT_EQ(r.out.QPEAK, c.qpeak) << c.what;
    EXPECT_FLOAT_EQ(r.out.TPEAK, c.tpeak) << c.what;
    EXPECT_FLOAT_EQ(r.out.RV, c.keptSum * r.out.DT / (2.0f * 1.00833f)) << c.what;
    // Nothing made or lost besides the cut: kept and cut flows are the input's.
    float kept = 0.0f;
    for (int i = 1; i <= r.out.NPTS; ++i) kept += r.out.Q[static_cast<std::size_t>(i)];
    EXPECT_FLOAT_EQ(kept, c.keptSum) << c.what;
    float total = 0.0f;
    for (float v : c.q) total += v;
    EXPECT_FLOAT_EQ(kept + static_cast<float>(r.cutFlow), total) << c.what;
  }
}

// ---- DIVERT HYD ----

// The two-output table 0 0 0 / 10 0 10 / 10 20 30: all flow up to 10 to the
// first output, the excess to the second.
const std::vector<hydrograph::DivertRow> kTwoOutputs = {{{0, 0}, 0}, {{10, 0}, 10}, {{10, 20}, 30}};

TEST(DivertHyd, FlowsFromTheTable) {
  struct Case {
    float inflow, base;
    float first, second;
    bool exceeded;
  };
  const Case cases[] = {
      {5, 0, 5, 0, false},    {10, 0, 10, 0, false},  {20, 0, 10, 10, false},
      {30, 0, 10, 20, false}, {18, 2, 10, 10, false}, // the baseflow is diverted too
      {45, 0, 10, 20, true},                          // above the last total: the last row's flows
  };
  for (const Case& c : cases) {
    const model::Hydrograph in = hyd({0, c.inflow, 0}, 5, 1.0f, c.base);
    const hydrograph::DivertHydResult r = hydrograph::computeDivertHyd(in, kTwoOutputs);
    ASSERT_EQ(r.outs.size(), 2u);
    EXPECT_FLOAT_EQ(r.outs[0].Q[2], c.first) << c.inflow;
    EXPECT_FLOAT_EQ(r.outs[1].Q[2], c.second) << c.inflow;
    EXPECT_EQ(r.exceeded, c.exceeded) << c.inflow;
    EXPECT_EQ(r.outs[0].BASE, 0.0f);
  }
}

TEST(DivertHyd, EqualTotalsGiveTheLowerRow) {
  const std::vector<hydrograph::DivertRow> table = {{{2}, 0}, {{5}, 0}, {{9}, 9}};
  EXPECT_FLOAT_EQ(hydrograph::computeDivertHyd(hyd({0, 4, 0}, 5), table).outs[0].Q[1], 2.0f);
}

TEST(DivertHyd, OutputsAddUpToTheInflowVolume) {
  const model::Hydrograph in = hyd({0, 4, 12, 27, 30, 22, 15, 9, 3, 0}, 10, 25.0f);
  const hydrograph::DivertHydResult r = hydrograph::computeDivertHyd(in, kTwoOutputs);
  EXPECT_NEAR(volume(r.outs[0]) + volume(r.outs[1]), volume(in), 1e-4);
  EXPECT_NEAR(r.outs[0].DA + r.outs[1].DA, in.DA, 1e-4);
  for (const model::Hydrograph& out : r.outs) EXPECT_NEAR(out.RV, in.RV, 1e-5); // the inflow's depth
  EXPECT_FLOAT_EQ(r.outs[1].QPEAK, 20.0f);
  EXPECT_EQ(r.inflow.events, 1);
  EXPECT_EQ(r.inflow.wetSteps, 8);
}

TEST(DivertHyd, DryInflowLeavesEmptyOutputs) {
  model::Hydrograph in = hyd({0, 0, 0}, 5, 2.0f);
  const hydrograph::DivertHydResult r = hydrograph::computeDivertHyd(in, kTwoOutputs);
  EXPECT_TRUE(r.dry);
  EXPECT_EQ(ordinates(r.outs[1]), (Ordinates{0, 0, 0}));
  EXPECT_EQ(r.outs[1].QPEAK, 0.0f);
}

TEST(DivertHyd, TableReading) {
  model::CommandValues cmd;
  cmd.NPARAM = 120;
  // 1 inflow, 2 outputs (slots 3 and 4), then rows; the row of zeros ends the table.
  const std::vector<float> values = {1, 2, 3, 31, 4, 32, 0, 0, 0, 10, 0, 10, 10, 20, 30, 0, 0, 0, 5, 5, 5};
  for (std::size_t k = 0; k < values.size(); ++k) cmd.PARAM[k + 1] = values[k];
  cmd.given = static_cast<int>(values.size());
  const hydrograph::DivertHydValues v = hydrograph::readDivertHydValues(cmd, 2.0f);
  ASSERT_EQ(v.table.size(), 3u);
  EXPECT_EQ(v.idOut[1], 4);
  EXPECT_EQ(v.nhyd[1], 32);
  EXPECT_FLOAT_EQ(v.table[2].flows[1], 40.0f); // in internal units
  EXPECT_FLOAT_EQ(v.table[2].total, 60.0f);
}

// ---- COMPUTE VOLUME ----

// 10-minute triangle 0 10 20 30 20 10 0 cfs.
const model::Hydrograph kTriangle = hyd({0, 10, 20, 30, 20, 10, 0}, 10, 50.0f);

TEST(ComputeVolume, Trials) {
  struct Case {
    const char* rule;
    model::Hydrograph h;
    float start, release;
    float storage; // cubic feet
    bool controlled, neverEmptied;
  };
  const Case cases[] = {
      // Control from 10 cfs at ordinate 2 (equal is not above) to 20 cfs on the
      // falling ordinate 5: inflow 65 cfs-steps, outflow line 45, 600 s steps.
      {"start at an ordinate, stop on one", kTriangle, 10, 20, 12000, true, false},
      {"fits the peak from zero", kTriangle, 0, 15, 28000, true, false},
      {"never empties: counted to the last ordinate", hyd({0, 10, 20, 30, 25, 22}, 10), 0, 15, 35100, true, true},
      {"never rises above the start rate", hyd({30, 5, 0}, 10), 10, 20, 0, false, false},
      {"falls back before the peak: the second rise starts control", hyd({0, 12, 4, 20, 30, 0}, 10), 10, 20, 10340.4f,
       true, false},
  };
  for (const Case& c : cases) {
    const hydrograph::StorageTrial t = hydrograph::storageTrial(c.h, c.start, c.release);
    EXPECT_NEAR(t.storage, c.storage, 0.5f) << c.rule;
    EXPECT_EQ(t.controlled, c.controlled) << c.rule;
    EXPECT_EQ(t.neverEmptied, c.neverEmptied) << c.rule;
  }
}

TEST(ComputeVolume, SearchKeepsTheLargestStorage) {
  const hydrograph::StorageTrial best = hydrograph::requiredStorage(kTriangle, 0, 15, true);
  for (float start : {0.0f, 3.0f, 7.5f, 15.0f}) {
    EXPECT_GE(best.storage, hydrograph::storageTrial(kTriangle, start, 15).storage) << start;
  }
  EXPECT_FLOAT_EQ(hydrograph::rateFromTyped(-50, 30, 1), 15);
  EXPECT_FLOAT_EQ(hydrograph::rateFromTyped(2, 30, 35.3147f), 70.6294f);
}

} // namespace
