// READ STORM, storm files and the hyetograph printer.
#include "rain/read_storm.h"

#include <cmath>

#include "rain/hyetograph.h"
#include "rain/rain_fixture.h"

namespace rain {
namespace {

using testing::pad;

class ReadStormTest : public testing::RainTest {};

// Storm file cases: what the file holds and what the storm becomes.
TEST_F(ReadStormTest, StormFileCases) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    int steps;
    float sdt;
    float first;
  };
  std::vector<std::string> long300{"1", "three hundred", "5", "0"};
  for (int i = 0; i < 300; ++i) long300.push_back("0.5");
  long300.push_back("-1");
  const std::vector<Case> cases = {
      {"minutes", {"1", "five minutes", "5", "3", "1.0", "2.0", "3.0"}, 3, 5.0f / 60.0f, 1.0f},
      {"hours as a decimal", {"1", "five minutes", "0.0833333", "3", "1.0", "2.0", "3.0"}, 3, 0.0833333f, 1.0f},
      {"terminator before the count",
       {"1", "c", "10", "10", "1", "1", "1", "1", "1", "1", "-1"},
       6,
       10.0f / 60.0f,
       1.0f},
      {"count 0 reads to the terminator", long300, 300, 5.0f / 60.0f, 0.5f},
      {"millimetres", {"2", "mm", "60", "2", "25.4", "50.8"}, 2, 1.0f, 1.0f},
      {"blank lines between numbers", {"1", "c", "", "15", "", "2", "0.4", "", "0.6"}, 2, 0.25f, 0.4f},
  };
  for (const Case& c : cases) {
    StormFile f = parseStormFile(writeFile("case.stm", c.lines));
    ASSERT_TRUE(f.ok()) << c.what << ": " << f.error;
    EXPECT_EQ(f.steps, c.steps) << c.what;
    EXPECT_NEAR(f.sdt, c.sdt, 1e-6) << c.what;
    EXPECT_FLOAT_EQ(f.rain[1], c.first) << c.what;
  }
}

TEST_F(ReadStormTest, PointerFileLoadsTheRealFileOneLevelOnly) {
  const std::string real = writeFile("REAL.STM", {"1", "the real one", "10", "2", "1.5", "2.5"});
  const std::string pointer = writeFile("STORM.001", {" 99", real});
  StormFile f = parseStormFile(pointer);
  ASSERT_TRUE(f.ok()) << f.error;
  EXPECT_EQ(f.pointedTo, real);
  EXPECT_EQ(f.steps, 2);
  EXPECT_FLOAT_EQ(f.rain[2], 2.5f);
  // A second pointer level is not followed: its 99 counts as millimetres and
  // its "name" line becomes the comment.
  const std::string second = writeFile("STORM.002", {" 99", pointer});
  StormFile g = parseStormFile(second);
  EXPECT_FALSE(g.ok());
}

TEST_F(ReadStormTest, NameResolution) {
  EXPECT_EQ(resolveStormName("STORM.001", "/rain/"), "STORM.001");
  EXPECT_EQ(resolveStormName("storm.002", "/rain/"), "storm.002");
  EXPECT_EQ(resolveStormName("c:\\x\\a.stm", "/rain/"), "c:\\x\\a.stm");
  EXPECT_EQ(resolveStormName("MYSTORM12345678.STM", "/rain/   "), "/rain/MYSTORM12345");
  EXPECT_EQ(resolveRainfallName("STORM.001", "/rain/"), "/rain/STORM.001");
}

// READ STORM of a five-step storm: the box, the two-row table and the summary lines.
TEST_F(ReadStormTest, FiveStepStormBlockAndSummary) {
  writeFile("FIVE.STM", {"1", "TEST STORM 5 STEPS", "10", "5", "1", "2", "3", "4", "5"});
  params({0});
  quoted("FIVE.STM");
  readStorm(ctx);

  const std::string title = pad("TEST STORM 5 STEPS", 40);
  const std::vector<std::string> expected = {
      "--------------------",
      "| READ STORM       |    Filename: " + title,
      "| Ptotal=   2.50 in|    Comments: " + title,
      "--------------------",
      "           "
      "   TIME    RAIN |   TIME    RAIN |   TIME    RAIN |   TIME    RAIN",
      "           "
      "    hrs   in/hr |    hrs   in/hr |    hrs   in/hr |    hrs   in/hr",
      "           "
      "   0.17   1.000 |   0.50   3.000 |   0.83   5.000 |",
      "           "
      "   0.33   2.000 |   0.67   4.000 |",
      " ",
  };
  EXPECT_EQ(detailed.lines, expected);
  const std::vector<std::string> sum = {
      "     READ STORM        ",
      "      Filename = " + pad("FIVE.STM", 60),
      "      Comment  = " + pad("", 60),
      "      [SDT=10.00:SDUR=   0.83:PTOT=   2.50]",
  };
  EXPECT_EQ(summary.lines, sum);
  EXPECT_EQ(summaryWindow.lines, sum);
  EXPECT_EQ(ctx.storm.NSTEP, 5);
  EXPECT_EQ(ctx.storm.workSteps, 5);
  EXPECT_FLOAT_EQ(ctx.storm.work[5], 5.0f);
  EXPECT_EQ(ctx.run.severity, model::Severity::Note);
}

TEST_F(ReadStormTest, MetricOutputAndStartDate) {
  setUnits(1, 2);
  ctx.time.startDate = 20240615;
  writeFile("MM.STM", {"2", "metric", "60", "1", "25.4"});
  params({0});
  quoted("MM.STM");
  readStorm(ctx);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[1], 1.0f);
  EXPECT_EQ(ctx.storm.stormDate, 20240615);
  EXPECT_EQ(detailed.lines[2], "| Ptotal=  25.40 mm|    Comments: " + pad("metric", 40));
  EXPECT_EQ(detailed.lines[5], "           "
                               "    hrs   mm/hr |    hrs   mm/hr |    hrs   mm/hr |    hrs   mm/hr");
  EXPECT_EQ(detailed.lines[6], "           "
                               "   1.00  25.400 |");
}

// The pointer file START writes, in the working directory.
TEST_F(ReadStormTest, ReadsThroughAStartPointerFile) {
  const std::string real = writeFile("R.STM", {"1", "via pointer", "5", "2", "0.5", "1.5"});
  writeFile("STORM.001", {" 99", real});
  params({0});
  quoted("STORM.001");
  readStorm(ctx);
  EXPECT_EQ(ctx.storm.NSTEP, 2);
  EXPECT_FLOAT_EQ(ctx.storm.PTOT, 2.0f * 5.0f / 60.0f);
}

// Missing, unreadable and short files: a named error, the storm unchanged.
TEST_F(ReadStormTest, BadFilesLeaveTheStormAndEndTheRun) {
  struct Case {
    const char* what;
    std::vector<std::string> lines; // empty: no file at all
    const char* message;
  };
  const std::vector<Case> cases = {
      {"missing", {}, "*** ERROR: Storm file cannot be read:"},
      {"short", {"1", "c", "5", "4", "1", "2"}, "*** ERROR: Storm file ended before its rainfall was complete:"},
      {"words", {"1", "c", "five", "4"}, "*** ERROR: Storm file cannot be read:"},
  };
  for (const Case& c : cases) {
    nextCommand();
    setStorm(0.5f, {1.0f, 2.0f});
    std::filesystem::remove(dir / "BAD.STM");
    if (!c.lines.empty()) writeFile("BAD.STM", c.lines);
    params({0});
    quoted("BAD.STM");
    readStorm(ctx);
    EXPECT_EQ(ctx.run.severity, model::Severity::Error) << c.what;
    EXPECT_TRUE(warned(c.message)) << c.what;
    EXPECT_TRUE(warned("BAD.STM")) << c.what;
    EXPECT_EQ(ctx.storm.NSTEP, 2) << c.what;
    EXPECT_FLOAT_EQ(ctx.storm.RAIN[2], 2.0f) << c.what;
    EXPECT_EQ(summary.lines.front(), "  ** READ STORM        ") << c.what;
  }
}

// Without a quoted name one more line is read and the previous name is used.
TEST_F(ReadStormTest, NoQuotedNameKeepsThePreviousFile) {
  writeFile("A.STM", {"1", "a", "5", "1", "3"});
  params({0});
  quoted("A.STM");
  readStorm(ctx);
  nextCommand();
  fortran::LineReader input = fortran::LineReader::fromText("label               other.stm\nFINISH\n");
  ctx.input = &input;
  params({0});
  readStorm(ctx);
  EXPECT_EQ(input.lineNumber(), 1u);
  EXPECT_EQ(ctx.storm.NSTEP, 1);
  EXPECT_EQ(summary.lines[1], "      Filename = " + pad("A.STM", 60));
  ctx.input = nullptr;
}

// Mode 2 heading and DERIVED.STM read back as the same storm.
TEST_F(ReadStormTest, ModeTwoHeadingAndDerivedRoundTrip) {
  setStorm(5.0f / 60.0f, {0.12345f, 2.5f, 0.0f, 1.25f});
  ctx.storm.title = pad("typed rainfall", 90);
  printHyetograph(ctx, 2, "typed rainfall");
  EXPECT_EQ(detailed.lines[0], std::string(31, ' ') + pad("typed rainfall", 60));
  EXPECT_EQ(detailed.lines[1], std::string(31, ' ') + "TIME STEP= 5.00 min   # of STEPS=   4");
  EXPECT_EQ(detailed.lines[2], std::string(31, ' ') + "DURATION = 0.33 hrs   TOTAL RAIN=   0.32 in");
  EXPECT_EQ(detailed.lines[3], "");

  nextCommand();
  printHyetograph(ctx, -3, "");
  const model::Storm before = ctx.storm;
  params({0});
  quoted("DERIVED.STM");
  readStorm(ctx);
  ASSERT_EQ(ctx.storm.NSTEP, 4);
  EXPECT_NEAR(ctx.storm.SDT, before.SDT, 1e-6);
  for (int i = 1; i <= 4; ++i) EXPECT_NEAR(ctx.storm.RAIN[i], before.RAIN[i], 5e-6) << i;
  EXPECT_EQ(ctx.storm.title, before.title);
}

// DERIVED.STM holds the storm in the output units with the layout of a storm
// file, so metric output writes units flag 2 and mm/hr: 1.0 and 0.5 in/hr
// become 25.40000 and 12.70000 (F12.5), the 5-minute step 5.00 (F9.2) and the
// count 2 (I4). READ STORM of it divides by 25.4 again: the same storm.
TEST_F(ReadStormTest, DerivedStormInMetricOutputReadsBackTheSame) {
  setUnits(1, 2);
  setStorm(5.0f / 60.0f, {1.0f, 0.5f});
  ctx.storm.title = pad("metric derived", 90);
  printHyetograph(ctx, -3, "metric derived");
  const std::vector<std::string> file = {
      " 2", pad("metric derived", 60), "     5.00", "   2", "    25.40000", "    12.70000", " -1",
  };
  EXPECT_EQ(support::readLines(dir / "DERIVED.STM"), file);

  nextCommand();
  params({0});
  quoted("DERIVED.STM");
  readStorm(ctx);
  ASSERT_EQ(ctx.storm.NSTEP, 2);
  EXPECT_NEAR(ctx.storm.SDT, 5.0f / 60.0f, 1e-7);
  EXPECT_NEAR(ctx.storm.RAIN[1], 1.0f, 1e-6);
  EXPECT_NEAR(ctx.storm.RAIN[2], 0.5f, 1e-6);
  // Printed again in mm/hr: the step ends 0.08 and 0.17 hours.
  EXPECT_EQ(detailed.lines[6], "           "
                               "   0.08  25.400 |   0.17  12.700 |");
}

// A step written as minutes and the same step written as a decimal number of
// hours load the same storm; at the precision of the decimal.
TEST_F(ReadStormTest, StepInMinutesOrHoursGivesTheSameStorm) {
  struct Case {
    const char* step;
    double tolerance; // hours: the rounding of the written decimal
  };
  const StormFile minutes = parseStormFile(writeFile("M.STM", {"1", "c", "5", "2", "1", "2"}));
  ASSERT_TRUE(minutes.ok());
  EXPECT_FLOAT_EQ(minutes.sdt, 5.0f / 60.0f);
  for (const Case& c : {Case{"0.0833333", 5e-8}, Case{"0.08333", 4e-6}, Case{".083", 4e-4}}) {
    const StormFile hours = parseStormFile(writeFile("H.STM", {"1", "c", c.step, "2", "1", "2"}));
    ASSERT_TRUE(hours.ok()) << c.step;
    EXPECT_NEAR(hours.sdt, minutes.sdt, c.tolerance) << c.step;
    EXPECT_EQ(hours.steps, minutes.steps) << c.step;
  }
}

} // namespace
} // namespace rain
