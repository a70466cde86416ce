// MODIFY STORM: scale and shift.
#include "rain/modify_storm.h"

#include <cmath>
#include <numeric>

#include "rain/rain_fixture.h"

namespace rain {
namespace {

class ModifyStormTest : public testing::RainTest {
protected:
  // Ten 5-minute steps of 1 to 10 in/hr: 55 * 5/60 = 4.583 inches.
  void tenSteps() { setStorm(5.0f / 60.0f, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}); }
};

TEST_F(ModifyStormTest, ShiftLaterByTwo) {
  tenSteps();
  const float total = ctx.storm.PTOT;
  params({1, 2, 1});
  modifyStorm(ctx);
  const model::Storm& s = ctx.storm;
  ASSERT_EQ(s.NSTEP, 12);
  EXPECT_EQ(s.workSteps, 12);
  EXPECT_FLOAT_EQ(s.RAIN[1], 0.0f);
  EXPECT_FLOAT_EQ(s.RAIN[2], 0.0f);
  for (int i = 3; i <= 12; ++i) {
    EXPECT_FLOAT_EQ(s.RAIN[i], static_cast<float>(i - 2)) << i;
    EXPECT_FLOAT_EQ(s.work[i], s.RAIN[i]) << i;
  }
  EXPECT_NEAR(s.PTOT, total, 1e-5);
  EXPECT_EQ(ctx.run.severity, model::Severity::Note);

  const std::vector<std::string> box = {
      "----------------------",
      "|MODIFY STORM        |    MODIFYING PARAMETERS:",
      "| ICASEms= 1         |    Multiplication Factor,   RFACT=  1.00",
      "| NSHIFT =  2 x SDT  |    Corresponding time shift (min)=  10.00",
      "----------------------",
      "                          New rainfall volume =   4.58   (in)",
      "",
      std::string(31, ' ') + "---- TRANSFORMED HYETOGRAPH ----",
      std::string(15, ' ') + "  TIME    RAIN |  TIME    RAIN |  TIME    RAIN |  TIME    RAIN",
      std::string(15, ' ') + "   hrs   in/hr |   hrs   in/hr |   hrs   in/hr |   hrs   in/hr",
      // 12 steps in 3 rows: steps 1, 4, 7, 10 in the first.
      std::string(15, ' ') + "   0.08   0.00 |   0.33   2.00 |   0.58   5.00 |   0.83   8.00",
      std::string(15, ' ') + "   0.17   0.00 |   0.42   3.00 |   0.67   6.00 |   0.92   9.00",
      std::string(15, ' ') + "   0.25   1.00 |   0.50   4.00 |   0.75   7.00 |   1.00  10.00",
      " ",
  };
  EXPECT_EQ(detailed.lines, box);
  const std::vector<std::string> sum = {
      "     MODIFY STORM      ",
      "      [RFACT=  1.00:TSHIFT=  10.00 min]",
      "      [SDT= 5.00:SDUR=   1.00:PTOT=   4.58]",
  };
  EXPECT_EQ(summaryWindow.lines, sum);
  EXPECT_EQ(summary.lines, sum);
}

TEST_F(ModifyStormTest, ShiftEarlierByThreeLosesTheFirstSteps) {
  tenSteps();
  params({1, -3, 1});
  modifyStorm(ctx);
  const model::Storm& s = ctx.storm;
  ASSERT_EQ(s.NSTEP, 7);
  for (int i = 1; i <= 7; ++i) EXPECT_FLOAT_EQ(s.RAIN[i], static_cast<float>(i + 3)) << i;
  EXPECT_NEAR(s.PTOT, 49.0f * 5.0f / 60.0f, 1e-5); // 4 + ... + 10 = 49
  EXPECT_EQ(detailed.lines[3], "| NSHIFT = -3 x SDT  |    Corresponding time shift (min)= -15.00");
  EXPECT_EQ(detailed.lines[5], "                          New rainfall volume =   4.08   (in)");
}

TEST_F(ModifyStormTest, FactorFromXkXlXm) {
  tenSteps();
  params({2, 0, 2, 4, 0.5});
  modifyStorm(ctx);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[10], 40.0f);
  const std::vector<std::string> box = {
      "----------------------",
      "|MODIFY STORM        |    MODIFYING PARAMETERS:",
      "| ICASEms= 2         |    Multiplication Factor,  RFACT=  4.00",
      "| RFACT  = XK * XL^XM|    XK=  2.00, XL=  4.00, XM=  0.50",
      "| NSHIFT =  0 x SDT  |    Corresponding time shift (min)=   0.00",
      "----------------------",
  };
  EXPECT_EQ(std::vector<std::string>(detailed.lines.begin(), detailed.lines.begin() + 6), box);
}

TEST_F(ModifyStormTest, RejectedModificationsLeaveTheStorm) {
  struct Case {
    std::vector<double> values;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{3, 0, 1}, "*** ERROR:  MODIFY STORM, ICASEms must be 1 or 2!"},
      {{1, 0, 0}, "*** WARNING: Rainfall was eliminated because RFACT=0."},
      {{1, -10, 1}, "*** ERROR: Rainfall eliminated, NSHIFT too large."},
  };
  for (const Case& c : cases) {
    nextCommand();
    tenSteps();
    params({});
    for (std::size_t k = 0; k < c.values.size(); ++k) ctx.cmd.PARAM[k + 1] = static_cast<float>(c.values[k]);
    modifyStorm(ctx);
    EXPECT_EQ(ctx.run.severity, model::Severity::Error) << c.message;
    EXPECT_TRUE(warned(c.message)) << c.message;
    EXPECT_EQ(ctx.storm.NSTEP, 10);
    EXPECT_FLOAT_EQ(ctx.storm.RAIN[1], 1.0f);
    EXPECT_EQ(summary.lines.back(), "      [SDT= 5.00:SDUR=   0.83:PTOT=   4.58]");
  }
}

TEST_F(ModifyStormTest, ShiftBeyondTheLimitCutsTheStorm) {
  std::vector<float> rain(105400, 1.0f);
  setStorm(1.0f / 60.0f, rain);
  params({1, 20, 1});
  modifyStorm(ctx);
  EXPECT_EQ(ctx.run.severity, model::Severity::Warning);
  EXPECT_TRUE(warned("*** WARNING: NSHIFT may have caused rain to be lost."));
  EXPECT_EQ(ctx.storm.NSTEP, 105408);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[20], 0.0f);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[105408], 1.0f);
}

TEST_F(ModifyStormTest, PureShift) {
  const std::vector<float> rain{0, 1, 2, 3};
  ShiftResult later = shiftStorm(rain, 3, 0.5f, 1, 2.0f);
  EXPECT_EQ(later.steps, 4);
  EXPECT_EQ(later.rain, (std::vector<float>{0, 0, 2, 4, 6}));
  EXPECT_FLOAT_EQ(later.ptot, 6.0f);
}

} // namespace
} // namespace rain
