// The command loop, dispatch and the end-of-run block, with a small command
// table of test routines; and the program's handling of a stop.
#include "run/main_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command_table.h"
#include "run/messages.h"
#include "run/program.h"
#include "run/test_host.h"
#include "support/files.h"

namespace {

using run::Heading;
using testing_support::pad;
using testing_support::TestHost;

// What the test routines saw when they were called.
struct Seen {
  std::vector<std::string> labels;
  std::vector<float> ptot;
};
Seen seen;

void record(model::RunContext& ctx) {
  seen.labels.push_back(ctx.run.label);
  seen.ptot.push_back(ctx.storm.PTOT);
}
void failing(model::RunContext& ctx) { run::issue(ctx, 201, model::Severity::Error); }
void stopping(model::RunContext& ctx) {
  run::issue(ctx, 2, model::Severity::Error);
  ctx.run.stopProgram = true;
}

// The real table's names and sizes with test routines in a few rows.
std::vector<run::Command> testTable() {
  std::vector<run::Command> rows(kestran::commandTable().begin(), kestran::commandTable().end());
  for (run::Command& row : rows) {
    using Id = run::CommandId;
    if (row.id == Id::ComputeNashyd || row.id == Id::DesignStandhyd || row.id == Id::ContinuousScshyd ||
        row.id == Id::ChicagoStorm)
      row.run = record;
    if (row.id == Id::ComputeVolume) row.run = failing;
    if (row.id == Id::SaveHyd) row.run = stopping;
  }
  return rows;
}

std::string line(const std::string& name, const std::string& values = "") { return pad(name, 20) + values + "\n"; }

TEST(MainLoop, HeadingsLabelsAndTheRainGuard) {
  seen = {};
  TestHost host;
  const auto table = testTable();
  host.setInput(line("COMPUTE NASHYD") + line("DESIGN STANDHYD") + line("CONTINUOUS SCSHYD") + line("CHICAGO STORM") +
                line("FINISH"));
  EXPECT_EQ(run::runCommands(host.ctx, table), run::RunEnd::Finished);
  // Rows without a label of their own keep what the previous command set.
  EXPECT_EQ(seen.labels, (std::vector<std::string>{"", "", "", "CHICAGO STORM"}));
  EXPECT_EQ(seen.labels.back(), "CHICAGO STORM");
  EXPECT_EQ(seen.ptot.front(), 1.0e-6f);
  EXPECT_EQ(
      host.summary.lines,
      (std::vector<std::string>{" 001:0001---------------ID:NHYD-----------AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-",
                                " 001:0002---------------ID:NHYD-----------AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-",
                                " 001:0003---------------ID:NHYD-----------AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-",
                                " 001:0004" + std::string(76, '-')}));
  EXPECT_EQ(host.summaryWindow.lines, host.summary.lines);
  EXPECT_EQ(host.detailed.lines.size(), 10u); // two numbering lines per command, FINISH included
  EXPECT_EQ(host.detailed.lines[9], "001:0005" + std::string(77, '-'));
}

TEST(MainLoop, ErosionHeading) {
  TestHost host;
  run::writeHeading(host.ctx, Heading::E);
  EXPECT_EQ(host.summary.lines,
            std::vector<std::string>{
                " 001:0000---------------ID:NHYD----------QPEAK------QAVG--DUR.HRS--ERO.HRS-----EXC.%-"});
}

TEST(MainLoop, SeverityTwoInTheLastCommandEndsTheRun) {
  TestHost host;
  host.setInput(line("COMPUTE VOLUME") + line("FINISH"));
  EXPECT_EQ(run::runCommands(host.ctx, testTable()), run::RunEnd::Ended);
  EXPECT_EQ(host.input->lineNumber(), 1u); // FINISH is never read
  EXPECT_EQ(host.ctx.run.commandCounter, 2);
  run::endOfRun(host.ctx);
  const auto& s = host.summary.lines;
  EXPECT_NE(std::find(s.begin(), s.end(), " **** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES."), s.end());
  EXPECT_EQ(host.ctx.run.label, "COMPUTE VOLUME"); // the loop's label for the command
}

TEST(MainLoop, ErrorNotLoweredByALaterMessageEndsTheRun) {
  TestHost host;
  const auto table = testTable();
  host.setInput(line("COMPUTE NASHYD") + line("FINISH"));
  seen = {};
  run::issue(host.ctx, 201, model::Severity::Error);
  run::issue(host.ctx, 202, model::Severity::Warning);
  EXPECT_EQ(run::runCommands(host.ctx, table), run::RunEnd::Ended);
}

void errorThenWarning(model::RunContext& ctx) {
  run::issue(ctx, 201, model::Severity::Error);
  run::issue(ctx, 202, model::Severity::Warning);
}

TEST(MainLoop, ErrorThenWarningInOneCommandEndsTheRun) {
  // A later warning never lowers the error: the command ends at severity 2,
  // so no further command is read and the end-of-run block notes the
  // premature end; the log keeps both messages in order under one heading.
  TestHost host;
  std::vector<run::Command> rows(kestran::commandTable().begin(), kestran::commandTable().end());
  rows[20].run = errorThenWarning; // COMPUTE VOLUME
  host.setInput(line("COMPUTE VOLUME") + line("PAUSE") + line("FINISH"));
  EXPECT_EQ(run::runCommands(host.ctx, rows), run::RunEnd::Ended);
  EXPECT_EQ(host.input->lineNumber(), 1u); // PAUSE is never read
  EXPECT_EQ(host.log.lines,
            (std::vector<std::string>{" 001:0001 " + pad("COMPUTE VOLUME", 19),
                                      "      " + pad("*** ERROR: RelRate < StRate, command aborted.", 70),
                                      "      " + pad("*** WARNING: Calculated volume may not be the maximum.", 70)}));
  run::endOfRun(host.ctx);
  for (const auto* lines : {&host.summary.lines, &host.detailed.lines}) {
    EXPECT_NE(std::find(lines->begin(), lines->end(), " **** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES."),
              lines->end());
    // Copied in the order issued after the heading of the section.
    const auto at = std::find(lines->begin(), lines->end(), "     -------------------------");
    ASSERT_NE(at, lines->end());
    ASSERT_GE(lines->end() - at, 4);
    EXPECT_EQ(*(at + 1), pad(" 001:0001 COMPUTE VOLUME", 70));
    EXPECT_EQ(*(at + 2), pad("      *** ERROR: RelRate < StRate, command aborted.", 70));
    EXPECT_EQ(*(at + 3), pad("      *** WARNING: Calculated volume may not be the maximum.", 70));
  }
}

void throwing(model::RunContext&) { fortran::Format bad("(I3"); }

TEST(MainLoop, AFailureInsideACommandEndsTheRunWithAMessage) {
  TestHost host;
  std::vector<run::Command> rows(kestran::commandTable().begin(), kestran::commandTable().end());
  rows[20].run = throwing; // COMPUTE VOLUME
  host.setInput(line("COMPUTE VOLUME") + line("FINISH"));
  EXPECT_EQ(run::runCommands(host.ctx, rows), run::RunEnd::Ended);
  ASSERT_GE(host.log.lines.size(), 3u);
  EXPECT_EQ(host.log.lines[1], "      " + pad("*** ERROR: The command failed inside the program:", 70));
  run::endOfRun(host.ctx);
  const auto& s = host.summary.lines;
  EXPECT_NE(std::find(s.begin(), s.end(), " **** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES."), s.end());
}

TEST(MainLoop, CommandsNotInThisBuildEndTheRunWithTheirName) {
  TestHost host;
  std::vector<run::Command> rows(kestran::commandTable().begin(), kestran::commandTable().end());
  rows[44].run = run::notAvailable; // EROSION INDEX
  host.setInput(line("EROSION INDEX", "1 2") + line("FINISH"));
  EXPECT_EQ(run::runCommands(host.ctx, rows), run::RunEnd::Ended);
  EXPECT_EQ(host.log.lines,
            (std::vector<std::string>{" 001:0001 " + pad("EROSION INDEX", 19),
                                      "      " + pad("*** ERROR: This command is not available in this build.", 70)}));
}

TEST(MainLoop, InLoopCommands) {
  TestHost host;
  host.setInput(line("PAUSE") + line("RECALL HYD") + line("PLOT HYD") + line("FINISH"));
  EXPECT_EQ(run::runCommands(host.ctx, kestran::commandTable()), run::RunEnd::Finished);
  EXPECT_EQ(host.summaryWindow.lines,
            (std::vector<std::string>{
                "  *  PAUSE", " 001:0002---------------ID:NHYD-----------AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-",
                "  **  RECALL HYD", " 001:0003" + std::string(76, '-'), "  *  PLOT HYD"}));
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Note); // reset before FINISH was read
  EXPECT_EQ(host.log.lines.size(), 5u);                    // two headings, 1 + 2 message lines
}

TEST(MainLoop, EndOfRunCopiesTheLogCutAtSeventyColumns) {
  TestHost host;
  host.ctx.run.commandCounter = 4;
  host.ctx.run.label = "X";
  run::issue(host.ctx, 183, model::Severity::Warning);
  run::endOfRun(host.ctx);
  const std::vector<std::string> expectedTail{
      std::string(85, '*'),
      "     WARNINGS / ERRORS / NOTES",
      "     -------------------------",
      pad(" 001:0004 X", 70),
      pad("      *** NOTE: Use the new COMPUTE DUALHYD command and you", 70),
      pad("                can enter NHYD values for both the major and", 70),
      pad("                minor hydrographs.  A variable for the use of", 70),
      pad("                major system storage is also available.", 70),
      "   Simulation ended on 2024-03-05     at 14:07:09",
      std::string(85, '='),
      "",
  };
  for (const auto* lines : {&host.summary.lines, &host.detailed.lines}) {
    ASSERT_GE(lines->size(), expectedTail.size());
    EXPECT_EQ(std::vector<std::string>(lines->end() - static_cast<long>(expectedTail.size()), lines->end()),
              expectedTail);
  }
  EXPECT_EQ(host.log.lines.back(), " END");
  EXPECT_EQ(host.summaryWindow.lines,
            (std::vector<std::string>{" 001:0004" + std::string(76, '-'), "      FINISH", std::string(85, '-')}));
}

// The whole program in-process, in a scratch working directory.
class Program : public ::testing::Test {
protected:
  void SetUp() override {
    old = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path());
    std::ofstream("kestran.DIR") << "./\n./\n";
    std::ofstream("kestran.RUN") << "h\nRUN1.DAT\nRUN1.OUT\nRUN1.SUM\n\n\n\n";
  }
  // Back out of the scratch directory before it is removed.
  void TearDown() override { std::filesystem::current_path(old); }
  int runProgram() {
    char name[] = "kestran";
    char* argv[] = {name, nullptr};
    table = testTable();
    run::ProgramSetup setup{table};
    return run::programMain(1, argv, setup, host.platform);
  }
  support::TempDir scratch{
      support::scratchRoot() /
      ("kestran-program-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))};
  std::filesystem::path old;
  std::vector<run::Command> table;
  TestHost host;
};

TEST_F(Program, SaveHydBelowOneStopsEverythingWithoutTheEndBlock) {
  std::ofstream("RUN1.DAT") << " 1\n" << line("SAVE HYD", "0") << line("FINISH");
  EXPECT_NE(runProgram(), 0);
  EXPECT_EQ(host.mainWindow.lines, std::vector<std::string>{"Stop - Program terminated."});
  std::ifstream out("RUN1.OUT");
  std::string text((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("*** ERROR: SAVE HYD, ID =0.  Run aborted."), std::string::npos);
  EXPECT_EQ(text.find("Simulation ended on"), std::string::npos);
  EXPECT_EQ(text.find("WARNINGS / ERRORS / NOTES"), std::string::npos);
}

TEST_F(Program, NormalRunExitsWithZero) {
  std::ofstream("RUN1.DAT") << " 1\n" << line("FINISH");
  EXPECT_EQ(runProgram(), 0);
  EXPECT_TRUE(std::filesystem::exists("RUN1.SUM"));
}

TEST_F(Program, RunEndingOnAnErrorExitsNonZero) {
  std::ofstream("RUN1.DAT") << " 1\n" << line("COMPUTE VOLUME") << line("FINISH");
  EXPECT_EQ(runProgram(), 1);
}

} // namespace
