// MASS STORM: the storm from a mass curve at coarser, equal and finer steps.
#include "rain/mass_storm.h"

#include "rain/rain_fixture.h"
#include "rain/read_storm.h"

namespace rain {
namespace {

using testing::pad;

class MassStormTest : public testing::RainTest {
protected:
  // Twelve 5-minute steps of a curve that ends at `last`.
  void curve(const std::string& name, float last = 1.0f, bool terminator = true) {
    std::vector<std::string> lines{"TWELVE STEP CURVE",
                                   "5",
                                   "12",
                                   "0.05",
                                   "0.15",
                                   "0.30",
                                   "0.50",
                                   "0.70",
                                   "0.80",
                                   "0.87",
                                   "0.92",
                                   "0.95",
                                   "0.97",
                                   "0.99",
                                   std::to_string(last)};
    if (terminator) lines.push_back("-1");
    writeFile(name, lines);
  }
  void run(double depth, double step, const std::string& name = "MASS12.CRV") {
    params({depth, step});
    quoted(name);
    massStorm(ctx);
  }
};

TEST_F(MassStormTest, SameStepAsTheCurve) {
  curve("MASS12.CRV");
  run(2, 5);
  ASSERT_EQ(ctx.run.severity, model::Severity::Note);
  const model::Storm& s = ctx.storm;
  EXPECT_EQ(s.NSTEP, 12);
  EXPECT_NEAR(s.PTOT, 2.0f, 1e-5);
  EXPECT_NEAR(s.RAIN[1], 0.05f * 2.0f * 12.0f, 1e-5); // 0.05 of 2 inches in 5 minutes
  EXPECT_NEAR(s.RAIN[4], 0.20f * 2.0f * 12.0f, 1e-5);
  EXPECT_EQ(s.title, pad("TWELVE STEP CURVE", 90));
  const std::vector<std::string> head = {
      "--------------------",
      "| MASS STORM       |    Filename: " + pad("MASS12.CRV", 40),
      "| Ptotal=  2.00 in.|    Comments: " + pad("TWELVE STEP CURVE", 40),
      "--------------------",
      "                        Duration of storm        =    1.00 hrs",
      "                        Mass curve time step     =    5.00 min",
      "                        Selected storm time step =    5.00 min",
      "                        Volume of derived storm  =    2.00 in.",
      "",
      "           "
      "   TIME    RAIN |   TIME    RAIN |   TIME    RAIN |   TIME    RAIN",
  };
  EXPECT_EQ(std::vector<std::string>(detailed.lines.begin(), detailed.lines.begin() + head.size()), head);
  EXPECT_EQ(summary.lines, std::vector<std::string>{"     MASS STORM        "});
}

TEST_F(MassStormTest, StepCases) {
  curve("MASS12.CRV");
  struct Case {
    double step;
    int steps;
    float dtsMinutes;
    std::vector<float> first; // leading intensities, in/hr
    int severity;
  };
  const std::vector<Case> cases = {
      {15, 4, 15.0f, {2.4f, 4.0f, 1.2f, 0.4f}, 1},       // groups of 3 curve steps, message 234
      {2, 36, 5.0f / 3.0f, {1.2f, 1.2f, 1.2f, 2.4f}, 0}, // 5/2 not whole: 5/3 minutes, k = 3
      {0.0833333, 12, 5.0f, {1.2f, 2.4f, 3.6f}, 0},      // the same step given in hours
  };
  for (const Case& c : cases) {
    nextCommand();
    run(2, c.step);
    EXPECT_EQ(static_cast<int>(ctx.run.severity), c.severity) << c.step;
    ASSERT_EQ(ctx.storm.NSTEP, c.steps) << c.step;
    EXPECT_NEAR(ctx.storm.SDT * 60.0f, c.dtsMinutes, 1e-4) << c.step;
    EXPECT_NEAR(ctx.storm.PTOT, 2.0f, 1e-4) << c.step;
    for (std::size_t i = 0; i < c.first.size(); ++i) EXPECT_NEAR(ctx.storm.RAIN[i + 1], c.first[i], 1e-4) << c.step;
    EXPECT_EQ(ctx.storm.workSteps, c.steps);
    EXPECT_EQ(warned("*** WARNING: Using a storm DT which is larger than the"), c.step == 15) << c.step;
  }
}

TEST_F(MassStormTest, CurveNotEndingAtOne) {
  // Non-decreasing up to its last ordinate of 0.98 (the twelve-step curve
  // above has 0.99 before it, which is message 232 and ends the run).
  writeFile("SHORT.CRV", {"SHORT CURVE", "5", "12", "0.05", "0.15", "0.30", "0.50", "0.70", "0.80", "0.87", "0.92",
                          "0.95", "0.97", "0.975", "0.98", "-1"});
  run(2, 5, "SHORT.CRV");
  EXPECT_EQ(ctx.run.severity, model::Severity::Warning);
  EXPECT_TRUE(warned("*** WARNING: The sum of the coordinates does not equal 1."));
  EXPECT_FALSE(warned("must be incremental"));
  EXPECT_NEAR(ctx.storm.PTOT, 1.96f, 1e-5);
}

TEST_F(MassStormTest, StepTooLargeLeavesAnEmptyStorm) {
  curve("MASS12.CRV");
  setStorm(0.5f, {1, 2, 3});
  run(2, 70);
  EXPECT_EQ(ctx.run.severity, model::Severity::Error);
  EXPECT_TRUE(warned("*** ERROR: Requested storm time step is too large."));
  EXPECT_EQ(ctx.storm.NSTEP, 0);
  EXPECT_EQ(ctx.storm.workSteps, 0);
  EXPECT_FLOAT_EQ(ctx.storm.SDT, 0.0f);
  EXPECT_FLOAT_EQ(ctx.storm.PTOT, 0.0f);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[1], 0.0f);
}

TEST_F(MassStormTest, DecreasingOrdinateIsAnError) {
  writeFile("DOWN.CRV", {"down", "10", "3", "0.5", "0.4", "1.0"});
  run(1, 10, "DOWN.CRV");
  EXPECT_EQ(ctx.run.severity, model::Severity::Error);
  EXPECT_TRUE(warned("*** ERROR: Mass curve ordinates must be incremental."));
  EXPECT_EQ(ctx.storm.NSTEP, 3); // still built from the ordinates as read
}

// A decreasing ordinate is an error that ends the run. The warnings the same
// command issues afterwards (a curve not ending at 1, a coarser storm step)
// must not turn it back into a warning that lets the run go on.
TEST_F(MassStormTest, LaterWarningsKeepTheDecreasingOrdinateError) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    double step;
    const char* warning;
  };
  const std::vector<Case> cases = {
      {"curve ending below 1", {"down", "10", "3", "0.5", "0.4", "0.9"}, 10, "does not equal 1."},
      {"coarser storm step", {"down", "5", "4", "0.5", "0.4", "0.7", "1.0"}, 10, "Using a storm DT which"},
  };
  for (const Case& c : cases) {
    nextCommand();
    writeFile("DOWN.CRV", c.lines);
    run(1, c.step, "DOWN.CRV");
    EXPECT_TRUE(warned("*** ERROR: Mass curve ordinates must be incremental.")) << c.what;
    EXPECT_TRUE(warned(c.warning)) << c.what;
    EXPECT_EQ(ctx.run.severity, model::Severity::Error) << c.what;
    EXPECT_EQ(summary.lines, std::vector<std::string>{"  ** MASS STORM        "}) << c.what;
  }
}

TEST_F(MassStormTest, BadFilesLeaveTheStorm) {
  writeFile("CUT.CRV", {"cut", "5", "12", "0.1", "0.2"});
  for (const char* name : {"NONE.CRV", "CUT.CRV"}) {
    nextCommand();
    setStorm(0.5f, {1, 2});
    run(2, 5, name);
    EXPECT_EQ(ctx.run.severity, model::Severity::Error) << name;
    EXPECT_TRUE(warned(name)) << name;
    EXPECT_EQ(ctx.storm.NSTEP, 2) << name;
  }
  EXPECT_TRUE(warned("*** ERROR: Mass curve file ended before its ordinates were complete:"));
}

// DERIVED.STM of a mass storm carries its comment and reads back the same.
TEST_F(MassStormTest, DerivedStormRoundTrip) {
  curve("MASS12.CRV");
  run(2, -5);
  const model::Storm built = ctx.storm;
  nextCommand();
  params({0});
  quoted("DERIVED.STM");
  readStorm(ctx);
  ASSERT_EQ(ctx.storm.NSTEP, 12);
  for (int i = 1; i <= 12; ++i) EXPECT_NEAR(ctx.storm.RAIN[i], built.RAIN[i], 5e-6) << i;
  EXPECT_EQ(ctx.storm.title, pad("TWELVE STEP CURVE", 90));
}

} // namespace
} // namespace rain
