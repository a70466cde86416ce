// COMPUTE HYD and the WILHYD family: the shape parameter against an
// independent float32 walk-through and against its own defining equation, the
// one inch every unit hydrograph holds (also when cut at 501 ordinates), the
// water budget that closes, and the messages of the three commands.
#include "runoff/wilhyd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "runoff_fixture.h"

namespace {

using runofftest::contains;
using runofftest::Harness;

// N and t0 for K/Tp from a separate single-precision calculation of the
// iteration (N = 5, at most 50 trials, stop when N changes by 0.001 or less).
TEST(WilhydShape, MatchesAnIndependentIterationAndSolvesItsEquation) {
  struct Case {
    float ratio, n, t0;
    int trials;
  };
  const std::vector<Case> cases = {
      {0.1f, 86.04369f, 1.108437f, 13}, {0.5f, 7.946960f, 1.379405f, 9},  {1.0f, 3.530823f, 1.628592f, 7},
      {2.0f, 1.984362f, 2.007912f, 7},  {10.0f, 1.136908f, 3.702628f, 5}, {0.001f, 34098.02f, 1.005416f, 8},
  };
  for (const Case& c : cases) {
    const runoff::WilhydShape s = runoff::wilhydShape(c.ratio * 2.0f, 2.0f);
    ASSERT_TRUE(s.converged) << c.ratio;
    EXPECT_NEAR(s.n, c.n, c.n * 2e-6) << c.ratio;
    EXPECT_NEAR(s.t0, c.t0, 2e-6) << c.ratio;
    EXPECT_EQ(s.trials, c.trials) << c.ratio;
    // The converged N nearly solves N = 1 + 0.05 / (r (0.05 + ln(t0 / (t0 + 0.05)))).
    const double t0 = 1.0 + 1.0 / std::sqrt(static_cast<double>(s.n) - 1.0);
    const double next = 1.0 + 0.05 / (c.ratio * (0.05 + std::log(t0 / (t0 + 0.05))));
    EXPECT_NEAR(next, s.n, 0.002 + s.n * 1e-4) << c.ratio;
  }
  // So steep a recession that N rounds to 1: no convergence, never NaN.
  for (float ratio : {1e10f, 1e30f}) {
    const runoff::WilhydShape s = runoff::wilhydShape(ratio, 1.0f);
    EXPECT_FALSE(s.converged) << ratio;
    EXPECT_LE(s.trials, 50);
  }
}

// Every unit hydrograph holds one inch over its area, and the runoff volume of
// a convolution is the depth of excess, also when the unit hydrograph is cut at
// 501 ordinates before it holds 99.9 % of the inch.
TEST(WilhydUnitHydrograph, HoldsOneInchAndPassesTheExcessDepthOn) {
  struct Case {
    float k, tp, dtMinutes;
    bool cut;
  };
  const std::vector<Case> cases = {
      {1.0f, 1.0f, 10.0f, false}, {0.5f, 2.0f, 5.0f, false}, {5.0f, 0.5f, 15.0f, false},
      {2.0f, 1.0f, 1.0f, true},   {10.0f, 1.0f, 5.0f, true}, {0.01f, 3.0f, 30.0f, false},
  };
  const float area = 40.0f;
  for (const Case& c : cases) {
    const float dt = c.dtMinutes / 60.0f;
    const runoff::WilhydShape s = runoff::wilhydShape(c.k, c.tp);
    ASSERT_TRUE(s.converged);
    const runoff::UnitHydrograph uh = runoff::wilhydUnitHydrograph(s, c.k, c.tp, area, dt);
    EXPECT_LE(uh.nuh, runoff::kWilhydMaxOrdinates);
    EXPECT_EQ(uh.nuh == runoff::kWilhydMaxOrdinates && uh.f < 0.999f, c.cut) << c.k << " " << c.dtMinutes;
    double held = 0.0;
    for (int j = 1; j <= uh.nuh; ++j) {
      ASSERT_TRUE(std::isfinite(uh.u[static_cast<std::size_t>(j)]));
      held += uh.u[static_cast<std::size_t>(j)];
    }
    EXPECT_NEAR(held * dt / (area * 1.00833), 1.0, 1e-5) << c.k << " " << c.dtMinutes;

    // Three steps of 2 in/hr with a runoff coefficient of 0.5: 3 dt inches.
    const std::vector<float> rain = {0.0f, 2.0f, 2.0f, 2.0f};
    runoff::RuralLosses losses;
    losses.cn = -0.5f;
    const runoff::UnitHydrographRunoff r =
        runoff::unitHydrographRunoff(losses, runoff::RainSeries{rain, 3, dt}, nullptr, uh, area);
    EXPECT_NEAR(r.totals.rv, 3.0f * dt, 1e-4) << c.k << " " << c.dtMinutes;
  }
}

// The continuous form's budget closes with and without the reservoir:
// precipitation + start volume = ET + surface runoff + baseflow + recharge + end volume.
TEST(WilhydBudget, ClosesWithAndWithoutTheReservoir) {
  for (bool reservoir : {true, false}) {
    runoff::WilhydValues v;
    v.command = runoff::WilhydCommand::ContinuousWilhyd;
    v.area = 25.0f;
    v.k = 1.0f;
    v.tp = 1.0f;
    const std::vector<float> rain = {0.0f, 0.5f, 0.0f, 1.5f, 3.0f, 0.2f, 0.0f};
    v.cn = 70.0f;
    v.ia = 0.1f;
    // The continuous store held at the S of CN 70 (no API series: API 0).
    v.smin = v.smax = 1000.0f / 70.0f - 10.0f;
    v.gwOption = reservoir ? 1.0f : 0.0f;
    v.gwInitial = 0.8f;
    v.kStep = 0.98f;
    v.vhydcon = 0.02f;
    const runoff::WilhydResult r =
        runoff::computeWilhyd(v, runoff::wilhydShape(v.k, v.tp), runoff::RainSeries{rain, 6, 0.25f}, nullptr);
    const runoff::WaterBudget& b = r.budget;
    EXPECT_NEAR(b.precipitation, 0.25f * 5.2f, 1e-5);
    EXPECT_NEAR(b.precipitation + b.startStorage,
                b.evapotranspiration + b.surfaceRunoff + b.baseflow + b.recharge + b.endStorage, 1e-5);
    EXPECT_GT(b.evapotranspiration, 0.0f);
    EXPECT_GT(b.recharge, 0.0f);
    EXPECT_EQ(b.baseflow > 0.0f, reservoir);
    EXPECT_NEAR(r.peak.surface + r.peak.variable, r.runoff.totals.qpeak, 1e-4);
  }
}

// One hour of 1 in/hr at 5-minute steps.
TEST(WilhydCommand, MessagesEndOrWarnAsTheyShould) {
  struct Case {
    const char* command;
    const char* message;
    int severity;
    bool slotChanged;
  };
  const std::vector<Case> cases = {
      {"CALIB WILHYD        ID=[1], NHYD=[1], DT=[40], AREA=[10], BASE=[0], PRINT=[0], CN=[-1], IA=[0], K=[1], "
       "TP=[0.5], RAIN=[-1]",
       "*** WARNING: Time step is too large for value of TP.", 1, true},
      {"COMPUTE HYD         ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], PRINT=[0], CN=[-1], IA=[0], K=[1], "
       "TP=[1], NRAIN=[10], RAIN=[-1]",
       "*** ERROR: Check the number of rainfall increments!", 2, true},
      {"COMPUTE HYD         ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], PRINT=[0], CN=[-1], IA=[0], "
       "K=[10000000000], "
       "TP=[1], NRAIN=[0], RAIN=[-1]",
       "*** WARNING: N did not converge after 50 iterations.", 1, false},
      {"CALIB WILHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], PRINT=[0], CN=[-1], IA=[0], K=[0], "
       "TP=[1], RAIN=[-1]",
       "*** ERROR: K must be greater than 0,  COMMAND aborted.", 2, false},
      {"CALIB WILHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], PRINT=[0], CN=[-1], IA=[0], K=[1], "
       "TP=[-1], RAIN=[-1]",
       "*** ERROR: TP must be greater than 0,  COMMAND aborted.", 2, false},
      {"CONTINUOUS WILHYD   ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[80], IA=[0], K=[1], TP=[1],\n"
       "                    IAREC=[6], SMIN=[-1], SMAX=[-1], SK=[0.1], IET=[12], GW=[-1]",
       "**** ERROR: The API array has not been computed.", 2, false},
  };
  for (const Case& c : cases) {
    Harness g;
    g.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
    g.run(std::string(c.command) + "\n");
    EXPECT_TRUE(contains(g.warnings.lines, c.message)) << c.command;
    EXPECT_EQ(static_cast<int>(g.ctx.run.severity), c.severity) << c.command;
    EXPECT_EQ(g.ctx.store[1].NPTS > 0, c.slotChanged) << c.command;
    EXPECT_TRUE(std::isfinite(g.ctx.store[1].QPEAK) && std::isfinite(g.ctx.store[1].RV)) << c.command;
  }
  // No storm: a time step of 0 and no rainfall steps; the slot is untouched.
  Harness g;
  g.run("CALIB WILHYD        ID=[1], NHYD=[1], DT=[0], AREA=[10], BASE=[0], PRINT=[0], CN=[-1], IA=[0], K=[1], "
        "TP=[1], RAIN=[-1]\n");
  EXPECT_TRUE(contains(g.warnings.lines, "*** ERROR: Time step = 0,  COMMAND aborted."));
  EXPECT_TRUE(contains(g.warnings.lines, "*** ERROR: Rainfall increment = 0, COMMAND aborted."));
  EXPECT_EQ(g.ctx.store[1].NPTS, 0);
  EXPECT_EQ(g.summary.lines.size(), 0u);
}

// The printouts of COMPUTE HYD: ordinates before the normalisation (the origin
// first) and the excess of each step; a positive first value prints, a negative
// one is the baseflow.
TEST(WilhydCommand, PrintoutsAndBaseflowShareTheFifthValue) {
  Harness g;
  g.storm(10.0f / 60.0f, {0.6f, 1.2f});
  g.run("COMPUTE HYD         ID=[2], NHYD=[7], DT=[10], AREA=[100], PRINT=[1], EXC=[1], CN=[-0.5], IA=[0.1], "
        "K=[1], TP=[1], NRAIN=[0], RAIN=[-1]\n");
  EXPECT_TRUE(contains(g.out(), "               UNIT HYDROGRAPH ORDINATE(  1) =     0.000000"));
  // C = 0.5 after 0.1 in of Ia: step 1 fills it (no excess), step 2 gives 0.6 in/hr.
  EXPECT_TRUE(contains(g.out(), "               RAINFALL EXCESS INCRE.(  1) =     0.000000"));
  EXPECT_TRUE(contains(g.out(), "               RAINFALL EXCESS INCRE.(  2) =     0.600000"));
  EXPECT_EQ(g.ctx.store[2].BASE, 0.0f);
  Harness b;
  b.storm(10.0f / 60.0f, {0.6f, 1.2f});
  b.run("COMPUTE HYD         ID=[2], NHYD=[7], DT=[10], AREA=[100], BASE=[-3], EXC=[0], CN=[-0.5], IA=[0.1], "
        "K=[1], TP=[1], NRAIN=[0], RAIN=[-1]\n");
  EXPECT_FALSE(contains(b.out(), "UNIT HYDROGRAPH ORDINATE"));
  EXPECT_EQ(b.ctx.store[2].BASE, 3.0f);
}

} // namespace
