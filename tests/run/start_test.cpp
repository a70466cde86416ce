// START and the run set-up: time origin, units line, factors and labels,
// skipped STARTs, the storm pointer files and the rewind for the next run.
#include "run/start.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "run/test_host.h"
#include "support/files.h"

namespace {

using testing_support::pad;
using testing_support::TestHost;

TEST(StartTime, HoursOrDateAndTime) {
  struct Case {
    double value;
    double tzero;
    int date;
  } cases[] = {
      {0.0, 0.0, 0},
      {1800.0, 1800.0, 0},
      {2.5, 2.5, 0},
      {2011.06151230, 12.5, 20110615},
      {2011.09150600, 6.0, 20110915},
      {1999.12312359, 23.0 + 59.0 / 60.0, 19991231},
      {2000.01010000, 0.0, 20000101},
  };
  for (const Case& c : cases) {
    const run::StartTime t = run::splitStartTime(c.value);
    EXPECT_EQ(t.startDate, c.date) << c.value;
    EXPECT_NEAR(t.TZERO, c.tzero, 1e-6) << c.value;
  }
}

TEST(UnitsLine, ReadAsTwoColumns) {
  struct Case {
    const char* line;
    int metin;
  } cases[] = {{" 1", 1}, {" 2", 2}, {"1", 1},  {"2  Metric", 2}, {"12", 1}, {"20", 2},
               {"3", 0},  {"", 0},   {"ME", 0}, {" 0", 0},        {"-1", -1}};
  for (const Case& c : cases) EXPECT_EQ(run::readUnitsLine(c.line), c.metin) << c.line;
}

TEST(Initial, FactorsLabelsAndClearing) {
  TestHost host;
  model::RunContext& ctx = host.ctx;
  ctx.units.METIN = 1;
  ctx.units.METOUT = 2;
  ctx.store[3].NPTS = 5;
  ctx.store[3].resize(5);
  ctx.store[3].QPEAK = 4.0f;
  ctx.store.SVHYD = 1;
  ctx.storm.NSTEP = 2;
  ctx.storm.RAIN = {0.0f, 1.0f, 2.0f};
  ctx.storm.PTOT = 3.0f;
  run::initial(ctx);
  EXPECT_EQ(ctx.units.in.length, 1.0f);
  EXPECT_EQ(ctx.units.in.flow, 1.0f);
  EXPECT_EQ(ctx.units.out.length, 3.2808f);
  EXPECT_EQ(ctx.units.out.area, 2.471f);
  EXPECT_NEAR(ctx.units.out.flow, 35.3134f, 1e-3);
  EXPECT_EQ(ctx.units.out.depth, 25.4f);
  EXPECT_EQ(ctx.units.label(model::Quantity::Flow), "  (cms)");
  EXPECT_EQ(ctx.units.label(model::Quantity::Volume), "(ha.m.)");
  EXPECT_EQ(ctx.units.label(model::Quantity::None), "       ");
  EXPECT_EQ(ctx.units.labels[1][3], "(in/hr)");
  EXPECT_EQ(ctx.units.labels[1][6], " (ft/s)");
  EXPECT_EQ(ctx.units.labels[2][7], "    (m)");
  // One quantity indexes both the label and the factor.
  struct Case {
    model::Quantity q;
    float factor;
  } cases[] = {{model::Quantity::Intensity, 25.4f},
               {model::Quantity::Velocity, 3.2808f},
               {model::Quantity::Volume, 2.471f * 3.2808f},
               {model::Quantity::Slope, 1.0f},
               {model::Quantity::CubicVolume, ctx.units.out.flow}};
  for (const Case& c : cases) EXPECT_FLOAT_EQ(ctx.units.out.of(c.q), c.factor) << model::index(c.q);
  EXPECT_EQ(ctx.units.in.of(model::Quantity::Volume), 1.0f);
  for (int q = 1; q <= 10; ++q) {
    EXPECT_EQ(ctx.units.labels[1][q].size(), 7u);
    EXPECT_EQ(ctx.units.labels[2][q].size(), 7u);
  }
  EXPECT_EQ(ctx.store[3].NPTS, 0);
  EXPECT_EQ(ctx.store[3].QPEAK, 0.0f);
  EXPECT_EQ(ctx.store.SVHYD, 0);
  EXPECT_EQ(ctx.storm.NSTEP, 0);
  EXPECT_EQ(ctx.storm.PTOT, 0.0f);
  EXPECT_EQ(ctx.storm.RAIN[2], 0.0f);
}

TEST(Initial, AnyUnitSystemOtherThanOneIsMetric) {
  TestHost host;
  host.ctx.units.METIN = 7;
  host.ctx.units.METOUT = 1;
  run::initial(host.ctx);
  EXPECT_EQ(host.ctx.units.in.depth, 25.4f);
  EXPECT_EQ(host.ctx.units.out.depth, 1.0f);
}

// A scratch working directory for the pointer files.
class StartCommand : public ::testing::Test {
protected:
  void SetUp() override {
    host.ctx.out.workDir = scratch.prefix();
    host.ctx.dirs.project = "/proj/";
    host.ctx.dirs.rainfall = "/rain/";
    host.ctx.units.METIN = 2;
  }

  // Sets the START values as the reader would and runs the command.
  void start(double tzero, int metout, int nstorm, int nrun) {
    model::CommandValues& cmd = host.ctx.cmd;
    cmd.id = model::CommandId::Start;
    cmd.DPARAM[1] = tzero;
    cmd.PARAM[1] = static_cast<float>(tzero);
    cmd.PARAM[2] = static_cast<float>(metout);
    cmd.PARAM[3] = static_cast<float>(nstorm);
    cmd.PARAM[4] = static_cast<float>(nrun);
    run::startCommand(host.ctx);
  }

  std::vector<std::string> fileLines(const std::string& name) {
    return platform::readTextFile((dir / name).string()).lines;
  }

  support::TempDir scratch{support::scratchRoot() /
                           ("kestran-start-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name())};
  const std::filesystem::path dir = scratch.path();
  TestHost host;
};

TEST_F(StartCommand, FirstStartWritesItsBlocks) {
  host.setInput(" 2\n");
  std::string units;
  host.input->next(units); // the units line has been read
  host.ctx.run.commandCounter = 1;
  start(0.0, 0, 0, 1);
  EXPECT_EQ(host.ctx.units.METOUT, 2); // 0: as the input
  EXPECT_EQ(host.ctx.run.commandCounter, 1);
  const std::vector<std::string> summary{
      " RUN:COMMAND#",
      " 001:0001" + std::string(76, '-'),
      "     START",
      "      [TZERO =   0.00 hrs on        0]",
      "      [METOUT=   2    (1=imperial, 2=metric output)]",
      "      [NSTORM=   0 ]",
      "      [NRUN  =   1 ]",
  };
  EXPECT_EQ(host.summary.lines, summary);
  std::vector<std::string> window{""};
  window.insert(window.end(), summary.begin(), summary.end());
  EXPECT_EQ(host.summaryWindow.lines, window);
  const std::vector<std::string> detailed{
      std::string(20, '-'),
      "| START            |  Project  dir.: " + pad("/proj/", 60),
      std::string(20, '-') + "  Rainfall dir.: " + pad("/rain/", 60),
      "    TZERO =  0.00 hrs on        0",
      "    METOUT=   2" + pad(" (output = METRIC)", 25),
      "    NRUN  = 001",
      "    NSTORM=   0",
  };
  EXPECT_EQ(host.detailed.lines, detailed);
}

TEST_F(StartCommand, StormPointerFiles) {
  const std::string longDir = "/" + std::string(70, 'r') + "/";
  host.ctx.dirs.rainfall = longDir;
  host.setInput(pad("", 20) + "RAIN1.STM\n" + pad("", 20) + "\"C:\\STORMS\\MAY.STM\"\n" + pad("", 20) +
                "'A_VERY_LONG_STORM_NAME.STM'\n");
  start(2011.06151230, 1, 3, 1);
  EXPECT_EQ(host.ctx.time.startDate, 20110615);
  EXPECT_NEAR(host.ctx.time.TZERO, 12.5, 1e-6);
  EXPECT_EQ(fileLines("STORM.001"), (std::vector<std::string>{" 99", longDir + "RAIN1.STM"}));
  // A drive means nothing here: the name lies in the run's work directory.
  EXPECT_EQ(fileLines("STORM.002"),
            (std::vector<std::string>{" 99", pad(host.ctx.out.workDir + "C:\\STORMS\\MAY.STM", 60)}));
  // Names without a drive keep their first 12 characters after the directory.
  EXPECT_EQ(fileLines("STORM.003"), (std::vector<std::string>{" 99", longDir + "A_VERY_LONG_"}));
  const std::vector<std::string> tail(host.detailed.lines.end() - 3, host.detailed.lines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"           #  1=" + pad("RAIN1.STM", 60),
                                            "           #  2=" + pad("C:\\STORMS\\MAY.STM", 60),
                                            "           #  3=" + pad("A_VERY_LONG_STORM_NAME.STM", 60)}));
  EXPECT_EQ(host.summary.lines[3], "      [TZERO =  12.50 hrs on 20110615]");
  EXPECT_EQ(host.detailed.lines[4], "    METOUT=   1" + pad(" (output = IMPERIAL)", 25));
}

TEST_F(StartCommand, ShortRainfallDirectoryKeepsTheSixtyColumnLine) {
  host.setInput(pad("", 20) + "RAIN1.STM\n");
  start(0.0, 2, 1, 1);
  EXPECT_EQ(fileLines("STORM.001"), (std::vector<std::string>{" 99", pad("/rain/RAIN1.STM", 60)}));
}

TEST_F(StartCommand, HigherRunNumberEndsTheRunAndRewinds) {
  host.setInput("12\n" + pad("START", 20) + "\n" + pad("FINISH", 20) + "\n");
  std::string line;
  host.input->next(line);
  host.input->next(line);
  host.ctx.units.METIN = 1;
  host.ctx.run.commandCounter = 5;
  start(0.0, 1, 0, 3);
  EXPECT_EQ(host.ctx.run.NRUN, 3);
  EXPECT_EQ(host.ctx.run.commandCounter, 1);
  EXPECT_EQ(host.input->lineNumber(), 1u); // positioned after the units line
  EXPECT_EQ(host.ctx.units.METIN, 1);      // "12": the tens digit, as at the start
  // Each '/' ends a record, and so does the end of the format.
  const std::vector<std::string> head(host.detailed.lines.begin(), host.detailed.lines.begin() + 9);
  EXPECT_EQ(head, (std::vector<std::string>{"  ** END OF RUN :   2", "", std::string(79, '*'), "", "", "", "", "",
                                            std::string(20, '-')}));
  EXPECT_EQ(host.summary.lines[0], "  ** END OF RUN :   2");
  EXPECT_EQ(host.summary.lines[8], " RUN:COMMAND#");
  EXPECT_EQ(host.summary.lines[9], " 003:0001" + std::string(76, '-'));
}

// The units line is read again by the rule of the first read: " 1" stays
// imperial in every later run (a one-column read would see a blank, 0, metric).
TEST_F(StartCommand, RewoundUnitsLineKeepsTheUnitsOfEveryLaterRun) {
  for (const char* units : {" 1", "1", " 2", "2", "21"}) {
    host.setInput(std::string(units) + "\n" + pad("FINISH", 20) + "\n");
    host.ctx.units.METIN = 7;
    host.ctx.run.NRUN = 2;
    start(0.0, 1, 0, 3);
    const int expected = units[0] == '2' || units[1] == '2' ? 2 : 1;
    EXPECT_EQ(host.ctx.units.METIN, expected) << '"' << units << '"';
  }
}

TEST_F(StartCommand, EarlierOrRepeatedStartIsSkippedWithItsStormLines) {
  struct Case {
    int current, requested;
  } cases[] = {{2, 1}, {2, 2}, {3, 2}};
  for (const Case& c : cases) {
    TestHost& h = host;
    h.detailed.lines.clear();
    h.setInput(pad("", 20) + "S1\n" + pad("", 20) + "S2\n" + pad("NEXT", 20) + "\n");
    h.ctx.run.NRUN = c.current;
    h.ctx.run.commandCounter = 9;
    start(0.0, 1, 2, c.requested);
    EXPECT_EQ(h.ctx.run.NRUN, c.current);
    EXPECT_EQ(h.ctx.run.commandCounter, 1);
    EXPECT_EQ(h.input->lineNumber(), 2u);
    EXPECT_TRUE(h.detailed.lines.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "STORM.001"));
  }
}

TEST_F(StartCommand, RunOneMayBeStartedAgain) {
  host.setInput("");
  start(1.0, 2, 0, 0); // NRUN 0 is taken as 1
  start(2.0, 2, 0, 1);
  EXPECT_EQ(host.ctx.run.NRUN, 1);
  EXPECT_DOUBLE_EQ(host.ctx.time.TZERO, 2.0);
}

} // namespace
