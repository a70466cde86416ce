// The storm time-step change: the working copy at a runoff step.
#include "rain/time_step.h"

#include <cmath>

#include "rain/rain_fixture.h"

namespace rain {
namespace {

class TimeStepTest : public testing::RainTest {
protected:
  // Ten 5-minute steps of 1 to 10 in/hr: 55 * 5/60 = 4.583 inches.
  void tenSteps() { setStorm(5.0f / 60.0f, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}); }
};

// Time-step change cases: storm step, requested step, adjusted step, working steps.
TEST_F(TimeStepTest, TimeStepChanges) {
  struct Case {
    const char* what;
    float sdtMin, dtMin, adjustedMin;
    std::vector<float> rain, work;
  };
  const std::vector<Case> cases = {
      {"6 x 5 min to 15 min", 5, 15, 15, {1, 2, 3, 6, 6, 6}, {2, 6}},
      {"15 min asked 10", 15, 10, 15, {1, 2}, {1, 2}},
      {"15 min to 5", 15, 5, 5, {3, 6}, {3, 3, 3, 6, 6, 6}},
      {"10 min to 4 (k = 2)", 10, 4, 5, {2, 4}, {2, 2, 4, 4}},
      {"8 x 5 min to 15 (short last group)", 5, 15, 15, {3, 3, 3, 3, 3, 3, 3, 3}, {3, 3, 2}},
  };
  for (const Case& c : cases) {
    nextCommand();
    setStorm(c.sdtMin / 60.0f, c.rain);
    const float total = ctx.storm.PTOT;
    const float dt = changeTimeStep(ctx, c.dtMin / 60.0f);
    EXPECT_NEAR(dt * 60.0f, c.adjustedMin, 1e-4) << c.what;
    EXPECT_NEAR(ctx.storm.workDT, dt, 1e-7) << c.what;
    ASSERT_EQ(ctx.storm.workSteps, static_cast<int>(c.work.size())) << c.what;
    for (std::size_t i = 0; i < c.work.size(); ++i) EXPECT_NEAR(ctx.storm.work[i + 1], c.work[i], 1e-5) << c.what;
    // The storm as defined is untouched and the total kept.
    EXPECT_EQ(ctx.storm.NSTEP, static_cast<int>(c.rain.size())) << c.what;
    EXPECT_NEAR(ctx.storm.PTOT, total, 1e-4) << c.what;
    EXPECT_TRUE(detailed.lines.empty()) << c.what;
    EXPECT_EQ(ctx.run.severity, model::Severity::Note) << c.what;
  }
}

// Seven 5-minute steps brought to 15 minutes: N' = int(7/3 + 0.55) = 2, so the
// seventh step is lost and the total changes.
TEST_F(TimeStepTest, LostStepChangesTheTotal) {
  setStorm(5.0f / 60.0f, {1, 1, 1, 1, 1, 1, 6});
  const float dt = changeTimeStep(ctx, -0.25f);
  EXPECT_FLOAT_EQ(dt, 0.25f);
  EXPECT_EQ(ctx.storm.workSteps, 2);
  EXPECT_EQ(ctx.run.severity, model::Severity::Warning);
  EXPECT_TRUE(warned("*** WARNING: Total rainfall volume has changed."));
  EXPECT_NEAR(ctx.storm.PTOT, 0.5f, 1e-6);
  EXPECT_EQ(body()[0], "                   Volume was   1.00   (in).  Now is   0.50   (in).");
  EXPECT_EQ(body()[1], "");
  // The negative request printed the working copy: 2 steps of 15 minutes, in
  // the rows the storm's own 7 steps need (two), one step a row.
  EXPECT_EQ(body()[2], std::string(31, ' ') + "---- TRANSFORMED HYETOGRAPH ----");
  EXPECT_EQ(body()[5], std::string(15, ' ') + "   0.25   1.00 |");
  EXPECT_EQ(body()[6], std::string(15, ' ') + "   0.50   1.00 |");
  EXPECT_EQ(body()[7], " ");
  EXPECT_EQ(body().size(), 8u);
}

TEST_F(TimeStepTest, TooManyWorkingStepsAreCut) {
  std::vector<float> rain(60000, 1.0f);
  setStorm(2.0f / 60.0f, rain);
  changeTimeStep(ctx, 1.0f / 60.0f);
  EXPECT_EQ(ctx.storm.workSteps, 105408);
  EXPECT_TRUE(warned("*** WARNING: Duration of storm was reduced."));
  // Both counts exceed the I5 fields of the line and print as asterisks.
  EXPECT_EQ(body()[0], "                   Length of storm had to be cut from ***** points to ***** .");
}

TEST_F(TimeStepTest, PureStepChange) {
  const std::vector<float> rain{0, 1, 2, 3};
  StepChange c = computeStepChange(rain, 3, 0.5f, 1.0f);
  EXPECT_EQ(c.k, 2);
  EXPECT_EQ(c.steps, 2);            // int(1.5 + 0.55)
  EXPECT_FLOAT_EQ(c.work[2], 1.5f); // (3 + 0) / 2
}

TEST_F(TimeStepTest, NoStormGivesNoWorkingSteps) {
  EXPECT_FLOAT_EQ(changeTimeStep(ctx, 0.25f), 0.25f);
  EXPECT_EQ(ctx.storm.workSteps, 0);
}

TEST_F(TimeStepTest, RunEndingErrorIsNotCleared) {
  tenSteps();
  ctx.run.severity = model::Severity::Error;
  changeTimeStep(ctx, 5.0f / 60.0f);
  EXPECT_EQ(ctx.run.severity, model::Severity::Error);
}

} // namespace
} // namespace rain
