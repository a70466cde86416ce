// Rainfall excess: each loss form against depths worked out by hand, the
// continuous behaviour between events and the groundwater reservoir.
#include "runoff/losses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "runoff/store_bounds.h"
#include "runoff_fixture.h"

namespace {

// A surface as the runoff commands hand it to the excess computation: its
// loss model and the rest of its set-up.
struct Surface {
  runoff::LossModel model;
  runoff::ExcessSetup setup;
};

struct Excess {
  std::vector<float> e, g;
  runoff::LossResult r;
};

// Runs the surface's losses over `rain` (in/hr, step dt hours).
Excess run(Surface in, const std::vector<float>& rain) {
  std::vector<float> storm(rain.size() + 1, 0.0f);
  for (std::size_t i = 0; i < rain.size(); ++i) storm[i + 1] = rain[i];
  in.setup.rain = storm;
  in.setup.nrain = static_cast<int>(rain.size());
  Excess x;
  x.e.assign(rain.size() + 1, -1.0f);
  x.g.assign(rain.size() + 1, -1.0f);
  x.r = runoff::rainfallExcess(in.model, in.setup, x.e, x.g);
  return x;
}

// A curve number, or with a negative value the runoff coefficient -cn.
Surface curveNumber(float cn, float ia, float dt) {
  Surface in;
  in.model =
      cn < 0.0f ? runoff::LossModel{runoff::CoefficientLoss{-cn}} : runoff::LossModel{runoff::CurveNumberLoss{cn}};
  in.setup.ia = ia;
  in.setup.dt = dt;
  return in;
}

Surface horton(float f, float ia, float fo, float fc, float dcay, float dt) {
  Surface in;
  in.model = runoff::HortonLoss{fo, fc, dcay, f};
  in.setup.ia = ia;
  in.setup.dt = dt;
  return in;
}

// Continuous simulation with the curve-number store S = SMIN + (SMAX - SMIN) e^(-SK API).
void continuous(Surface& in, float smin, float smax, float sk, float interEventTime,
                const model::ApiSeries* api = nullptr) {
  in.setup.continuous = true;
  in.setup.store = runoff::ContinuousStore{smin, smax, sk, api};
  in.setup.interEventTime = interEventTime;
}

// The Horton time at which the curve has absorbed `depth`, by bisection.
double hortonTime(double fo, double fc, double k, double depth) {
  auto h = [&](double t) { return fc * t + (fo - fc) / k * (1.0 - std::exp(-k * t)); };
  double lo = 0.0, hi = 100.0;
  for (int i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2.0;
    (h(mid) < depth ? lo : hi) = mid;
  }
  return lo;
}

double hortonH(double fo, double fc, double k, double t) { return fc * t + (fo - fc) / k * (1.0 - std::exp(-k * t)); }

TEST(RainfallExcess, SingleEventFormsAgainstHandWorkedDepths) {
  struct Case {
    const char* what;
    Surface in;
    std::vector<float> rain;
    std::vector<float> expected; // excess, in/hr
    float iaUsed;
  };
  const std::vector<Case> cases = {
      // S = 1000/80 - 10 = 2.5, Ia = 0.5; P = 2.5, Q = 2.5^2 / 5 = 1.25.
      {"CN 80, 3-inch step", curveNumber(80.0f, -1.0f, 1.0f), {3.0f}, {1.25f}, 0.5f},
      // 0.1 inch fills the abstraction, 0.6 of the remaining 0.9 runs off.
      {"coefficient 0.6", curveNumber(-0.6f, 0.1f, 1.0f), {1.0f}, {0.54f}, 0.1f},
      // Two steps below Ia leave 0.1; the third gives P = 0.3, Q = 0.09 / 2.8.
      {"rain below Ia carries over",
       curveNumber(80.0f, 0.5f, 1.0f),
       {0.2f, 0.2f, 0.4f},
       {0.0f, 0.0f, 0.09f / 2.8f},
       0.5f},
      // Cumulative P = 1 then 2: Q = 1/3.5, then 4/4.5 - 1/3.5.
      {"CN uses the event's cumulative rain",
       curveNumber(80.0f, 0.0f, 1.0f),
       {1.0f, 1.0f},
       {1.0f / 3.5f, 4.0f / 4.5f - 1.0f / 3.5f},
       0.0f},
      // Half-hour steps: excess intensity is the depth over DT.
      {"coefficient at half-hour steps", curveNumber(-0.5f, 0.0f, 0.5f), {2.0f, 0.0f, 4.0f}, {1.0f, 0.0f, 2.0f}, 0.0f},
      // A curve number of 0 has no finite store: nothing runs off.
      {"CN 0 single event", curveNumber(0.0f, 0.0f, 1.0f), {5.0f, 5.0f}, {0.0f, 0.0f}, 0.0f},
      // A negative Ia with a coefficient is taken as 0.
      {"negative Ia with a coefficient", curveNumber(-1.0f, -1.0f, 1.0f), {1.0f}, {1.0f}, 0.0f},
      // DCAY 0: a constant capacity Fo = 0.5 in/hr.
      {"Horton with DCAY 0", horton(0.0f, 0.0f, 0.5f, 0.1f, 0.0f, 1.0f), {2.0f, 0.25f}, {1.5f, 0.0f}, 0.0f},
  };
  for (const Case& c : cases) {
    const Excess x = run(c.in, c.rain);
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_NEAR(x.e[i + 1], c.expected[i], 1e-5f) << c.what << " step " << i + 1;
    }
    EXPECT_NEAR(x.r.iaUsed, c.iaUsed, 1e-6f) << c.what;
    EXPECT_FALSE(x.r.stats.present) << c.what;
  }
}

TEST(RainfallExcess, PerviousMultiplierScalesEveryDepth) {
  Surface in = curveNumber(-1.0f, 0.2f, 1.0f);
  in.setup.factor = 1.4f;
  // 1.4 inches fall on the surface; 0.2 fill the abstraction.
  EXPECT_NEAR(run(in, {1.0f}).e[1], 1.2f, 1e-6f);
  Surface h = horton(0.0f, 0.0f, 0.5f, 0.5f, 2.0f, 1.0f);
  h.setup.factor = 2.0f;
  EXPECT_NEAR(run(h, {1.0f}).e[1], 1.5f, 1e-6f);
}

TEST(RainfallExcess, HortonStepBelowCapacityAbsorbsAllAndAdvancesLessThanDt) {
  const float fo = 3.0f, fc = 0.5f, k = 4.0f, dt = 0.25f;
  // 0.5 inch in a quarter hour is below H(0.25) = 0.52, so nothing runs off.
  const Excess x = run(horton(0.0f, 0.0f, fo, fc, k, dt), {2.0f, 20.0f});
  EXPECT_EQ(x.e[1], 0.0f);
  // The curve stands where it has absorbed 0.5 inch, short of DT: the next
  // step meets a larger capacity than H(0.5) - H(0.25).
  const double t1 = hortonTime(fo, fc, k, 0.5);
  ASSERT_LT(t1, dt);
  const double capacity = hortonH(fo, fc, k, t1 + dt) - hortonH(fo, fc, k, t1);
  EXPECT_NEAR(x.e[2], (5.0 - capacity) / dt, 0.01);
  EXPECT_LT(x.e[2], (5.0 - (hortonH(fo, fc, k, 0.5) - hortonH(fo, fc, k, 0.25))) / dt);
}

TEST(RainfallExcess, HortonStartsWhereTheCumulativeInfiltrationIsReached) {
  const float fo = 3.0f, fc = 0.5f, k = 4.0f;
  const Excess fresh = run(horton(0.0f, 0.0f, fo, fc, k, 1.0f), {10.0f});
  const Excess wet = run(horton(0.5f, 0.0f, fo, fc, k, 1.0f), {10.0f});
  // The start moves in hundredths of the step to the first time with H >= F.
  const double t0 = std::ceil(hortonTime(fo, fc, k, 0.5) * 100.0) / 100.0;
  EXPECT_NEAR(wet.e[1], 10.0 - (hortonH(fo, fc, k, t0 + 1.0) - hortonH(fo, fc, k, t0)), 0.02);
  EXPECT_GT(wet.e[1], fresh.e[1]);
  // A curve that levels off below F (Fc = 0) does not hang the set-up.
  const Excess spent = run(horton(5.0f, 0.0f, 3.0f, 0.0f, 4.0f, 1.0f), {1.0f});
  EXPECT_NEAR(spent.e[1], 1.0f, 1e-3f);
}

TEST(RainfallExcess, ContinuousStoreFollowsTheApiAndReportsItsStatistics) {
  runofftest::Harness h;
  h.api(1.0f, 2.0f, 10);
  Surface in = curveNumber(80.0f, 0.0f, 1.0f);
  continuous(in, 1.0f, 3.0f, 0.5f, 100.0f, &h.ctx.api); // SMIN 1, SMAX 3, SK 0.5
  const Excess x = run(in, {3.0f});
  const float s = 1.0f + 2.0f * std::exp(-1.0f); // 1.7358
  EXPECT_NEAR(x.e[1], 9.0f / (s + 3.0f), 1e-5f);
  ASSERT_TRUE(x.r.stats.present);
  EXPECT_NEAR(x.r.stats.smax, s, 1e-6f);
  EXPECT_NEAR(x.r.stats.smin, s, 1e-6f);
  EXPECT_NEAR(x.r.stats.cnavg, 1000.0f / (s + 10.0f), 1e-3f);
  runoff::printStoreStatistics(h.ctx, x.r.stats);
  const std::vector<std::string> expected = {"               STATISTICS OF CONTINUOUSLY COMPUTED S-VALUE:",
                                             "               S*max=  1.74, S*min=  1.74, S*avg=  1.74,  CNavg= 85.21",
                                             ""};
  EXPECT_EQ(h.out(), expected);
  // A surface that loses nothing (coefficient 1, the impervious one) keeps no statistics.
  in.model = runoff::CoefficientLoss{1.0f};
  in.setup.storeStatistics = false;
  EXPECT_FALSE(run(in, {1.0f}).r.stats.present);
}

// Step i reads the API at its end, index DT * i / DTapi (truncated, held at
// the end of the series). With API[k] = k, SMIN 0, SMAX 1 and SK 1 the store
// of step i is e^-k, so the statistics tell which indices were read.
TEST(RainfallExcess, ContinuousStoreReadsTheApiAtTheEndOfEachStep) {
  struct Case {
    const char* what;
    float dt, apiDt;
    int steps;
    std::vector<int> read; // the API index of each step, worked out by hand
  };
  const std::vector<Case> cases{
      {"hourly steps on an hourly series", 1.0f, 1.0f, 4, {1, 2, 3, 4}},
      {"half hours on a half-hourly series", 0.5f, 0.5f, 4, {1, 2, 3, 4}},
      {"half hours on an hourly series", 0.5f, 1.0f, 8, {0, 1, 1, 2, 2, 3, 3, 4}},
      {"hours on a half-hourly series", 1.0f, 0.5f, 2, {2, 4}},
      {"steps past the end of the series", 1.0f, 1.0f, 6, {1, 2, 3, 4, 4, 4}},
  };
  for (const Case& c : cases) {
    runofftest::Harness h;
    h.ctx.api.dt = c.apiDt;
    h.ctx.api.API = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
    Surface in = curveNumber(80.0f, 0.0f, c.dt);
    continuous(in, 0.0f, 1.0f, 1.0f, 100.0f, &h.ctx.api);
    const Excess x = run(in, std::vector<float>(static_cast<std::size_t>(c.steps), 0.0f));
    float sum = 0.0f;
    for (int k : c.read) sum += std::exp(-static_cast<float>(k));
    ASSERT_TRUE(x.r.stats.present) << c.what;
    EXPECT_NEAR(x.r.stats.smax, std::exp(-static_cast<float>(c.read.front())), 1e-6f) << c.what;
    EXPECT_NEAR(x.r.stats.smin, std::exp(-static_cast<float>(c.read.back())), 1e-6f) << c.what;
    EXPECT_NEAR(x.r.stats.savg, sum / static_cast<float>(c.steps), 1e-6f) << c.what;
  }
}

TEST(RainfallExcess, ContinuousRecoveryAndNewEvents) {
  // The abstraction refills by Ia/IaREC per hour of dry weather (continuous only).
  Surface in = curveNumber(-1.0f, 0.5f, 1.0f);
  continuous(in, 0.0f, 0.0f, 0.0f, 100.0f);
  in.setup.iaRec = 2.0f;
  EXPECT_NEAR(run(in, {1.0f, 0.0f, 1.0f}).e[3], 0.75f, 1e-6f);
  in.setup.continuous = false;
  EXPECT_NEAR(run(in, {1.0f, 0.0f, 1.0f}).e[3], 1.0f, 1e-6f);

  // After InterEventTime of dry weather P and Q start again.
  Surface cn = curveNumber(80.0f, 0.0f, 1.0f);
  continuous(cn, 2.5f, 2.5f, 0.0f, 1.0f); // S fixed at 2.5
  cn.setup.iaRec = 1.0f;
  EXPECT_NEAR(run(cn, {1.0f, 0.0f, 1.0f}).e[3], 1.0f / 3.5f, 1e-6f);
  cn.setup.interEventTime = 5.0f;
  EXPECT_NEAR(run(cn, {1.0f, 0.0f, 1.0f}).e[3], 4.0f / 4.5f - 1.0f / 3.5f, 1e-6f);
}

TEST(RainfallExcess, GroundwaterReservoirDrainsAndLosesDeepRecharge) {
  Surface in = curveNumber(-0.5f, 0.0f, 1.0f);
  continuous(in, 0.0f, 0.0f, 0.0f, 100.0f);
  in.setup.gw = runoff::Groundwater{true, 0.0f, 0.5f, 0.2f};
  const Excess x = run(in, {2.0f, 0.0f, 0.0f});
  // Step 1: 1 inch infiltrates; -0.1, outflow 0.45, half kept, -0.1 -> 0.35.
  // Step 2: -0.1, outflow 0.125, -0.1 -> 0.025. Step 3: the rest is lost.
  EXPECT_NEAR(x.e[1], 1.0f, 1e-6f);
  EXPECT_NEAR(x.g[1], 0.45f, 1e-6f);
  EXPECT_NEAR(x.g[2], 0.125f, 1e-6f);
  EXPECT_NEAR(x.g[3], 0.0f, 1e-6f);
  EXPECT_NEAR(x.r.gwStorage, 0.0f, 1e-6f);
  EXPECT_NEAR(x.r.gwRemoved, 0.425f, 1e-6f);
}

TEST(StoreBounds, BoundsFromTheCurveNumber) {
  // CN 80 is 63 for dry conditions: S1 = 1000/63 - 10.
  const float s1 = 1000.0f / 63.0f - 10.0f;
  runoff::StoreBounds b = runoff::deriveStoreBounds(80.0f, -1.0f, -1.0f);
  EXPECT_NEAR(b.smax, s1 / 0.85f, 1e-5f);
  EXPECT_NEAR(b.smin, 0.15f * s1 / 0.85f, 1e-5f);
  EXPECT_EQ(b.cn, 80.0f);
  // Given values stand; SMAX 0 becomes 0.0001 with SMIN 0.
  b = runoff::deriveStoreBounds(80.0f, 1.0f, 4.0f);
  EXPECT_EQ(b.smin, 1.0f);
  EXPECT_EQ(b.smax, 4.0f);
  b = runoff::deriveStoreBounds(80.0f, 0.5f, 0.0f);
  EXPECT_EQ(b.smax, 0.0001f);
  EXPECT_EQ(b.smin, 0.0f);
  // CN 0: an enormous store.
  b = runoff::deriveStoreBounds(0.0f, -1.0f, -1.0f);
  EXPECT_EQ(b.smax, 99999.0f);
  EXPECT_EQ(b.smin, 99998.0f);
  EXPECT_EQ(b.cn, 0.001f);
  // Spot values of the dry-condition table.
  EXPECT_EQ(runoff::dryConditionCurveNumber(0), 0.0f);
  EXPECT_EQ(runoff::dryConditionCurveNumber(14), 5.6f);
  EXPECT_EQ(runoff::dryConditionCurveNumber(15), 6.0f);
  EXPECT_EQ(runoff::dryConditionCurveNumber(31), 16.0f);
  EXPECT_EQ(runoff::dryConditionCurveNumber(69), 50.0f);
  EXPECT_EQ(runoff::dryConditionCurveNumber(100), 100.0f);
}

TEST(StoreBounds, SminNotBelowSmaxIsMessage430) {
  runofftest::Harness h;
  const runoff::StoreBounds b = runoff::storeBounds(h.ctx, 80.0f, 5.0f, 4.0f);
  EXPECT_TRUE(b.failed());
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Warning);
  EXPECT_TRUE(runofftest::contains(h.out(), "**** ERROR: SMIN cannot be greater than SMAX."));
}

// Several steps that together stay below Ia: no excess at all in any loss
// form, every drop goes to the abstraction (0.1 + 0.2 + 0.1 = 0.4 of 0.5 inch
// lost), and the 0.1 inch left carries over: a fourth step of 0.3 inch then
// has 0.2 inch after the abstraction.
TEST(RainfallExcess, RainBelowTheAbstractionGivesNoExcessInAnyForm) {
  struct Case {
    const char* what;
    Surface in;
    float fourth; // excess of the fourth step, in/hr
  };
  const std::vector<Case> cases = {
      // CN 80: S = 2.5, P = 0.2: 0.04 / 2.7.
      {"curve number", curveNumber(80.0f, 0.5f, 1.0f), 0.04f / 2.7f},
      {"coefficient 0.6", curveNumber(-0.6f, 0.5f, 1.0f), 0.6f * 0.2f},
      // Fc = Fo = 0.05 in/hr: a constant capacity of 0.05 inch an hour.
      {"Horton", horton(0.0f, 0.5f, 0.05f, 0.05f, 1.0f, 1.0f), 0.2f - 0.05f},
  };
  for (const Case& c : cases) {
    const Excess below = run(c.in, {0.1f, 0.2f, 0.1f});
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(below.e[static_cast<std::size_t>(i)], 0.0f) << c.what << " step " << i;
    EXPECT_NEAR(below.r.lost, 0.4f, 1e-6f) << c.what;
    const Excess after = run(c.in, {0.1f, 0.2f, 0.1f, 0.3f});
    EXPECT_NEAR(after.e[4], c.fourth, 1e-5f) << c.what;
  }
}

// A curve number of 0 in a continuous command: the store bounds become
// SMAX = 99999 and SMIN = 99998 inches, so with an API of 0 the store stays
// at 99999 and one inch of rain gives 1 / (99999 + 1) = 0.00001 inch of excess.
TEST(RainfallExcess, CurveNumberZeroInContinuousModeGivesAlmostNoExcess) {
  runofftest::Harness h;
  h.api(1.0f, 0.0f, 4);
  const runoff::StoreBounds b = runoff::deriveStoreBounds(0.0f, -1.0f, -1.0f);
  Surface in = curveNumber(b.cn, 0.0f, 1.0f);
  continuous(in, b.smin, b.smax, 0.1f, 100.0f, &h.ctx.api);
  const Excess x = run(in, {0.25f, 0.25f, 0.25f, 0.25f});
  double depth = 0.0;
  for (int i = 1; i <= 4; ++i) depth += x.e[static_cast<std::size_t>(i)];
  EXPECT_NEAR(depth, 1.0e-5, 1e-7);
  ASSERT_TRUE(x.r.stats.present);
  EXPECT_EQ(x.r.stats.smax, 99999.0f);
  EXPECT_NEAR(x.r.stats.cnavg, 1000.0f / 100009.0f, 1e-6f);

  // Through CONTINUOUS NASHYD: almost no runoff, and S*max, S*min and S*avg
  // overflow their F6.2 fields; CNavg = 1000 / 100009 = 0.01.
  runofftest::Harness c;
  c.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
  c.api(5.0f / 60.0f, 0.0f, 12);
  c.run("CONTINUOUS NASHYD   ID=[1], NHYD=[1], DT=[5], AREA=[100], BASE=[0], CN=[0], IA=[0], N=[3], TP=[1],\n"
        "                    IAREC=[6], SMIN=[-1], SMAX=[-1], SK=[0.1], IET=[12], GW=[-1]\n");
  EXPECT_LT(c.ctx.run.severity, model::Severity::Error);
  EXPECT_LE(c.ctx.store[1].RV, 1.0e-5f);
  EXPECT_TRUE(runofftest::contains(c.out(), "               S*max=******, S*min=******, S*avg=******,  CNavg=  0.01"));
  EXPECT_TRUE(runofftest::contains(c.out(), "     RUNOFF VOLUME    (in)=    0.000"));
}

} // namespace
