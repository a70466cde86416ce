// End-to-end cases: the program is run as a user runs it, in a fresh working
// directory holding kestran.DIR, kestran.RUN and the input files of a case,
// with the date and time fixed. Every file of the case's expected/ folder is
// compared line by line with the file the program wrote; a line
// "@include NAME" in an expected file stands for the lines of common/NAME.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/golden_run.h"

namespace fs = std::filesystem;

namespace {

using support::fileText;
using support::readLines;
using support::writeFile;

const fs::path kGolden = KESTRAN_GOLDEN_DIR;
constexpr const char* kClock = "2024-03-05 14:07:09";

std::vector<std::string> expectedLines(const fs::path& path) {
  std::vector<std::string> lines;
  for (const std::string& line : readLines(path)) {
    if (line.rfind("@include ", 0) == 0) {
      for (const std::string& l : readLines(kGolden / "common" / line.substr(9))) lines.push_back(l);
    } else {
      lines.push_back(line);
    }
  }
  return lines;
}

// A fresh working directory, removed afterwards.
class WorkDir : public support::TempDir {
public:
  explicit WorkDir(const std::string& name)
      : TempDir(support::scratchRoot() / ("kestran-golden-" + name + "-" + std::to_string(::getpid()))) {}
};

// Runs the program in `dir` with `args`; returns its exit status.
int runProgram(const fs::path& dir, const std::string& args) { return support::runProgram(dir, args, kClock); }

void compareFiles(const fs::path& expected, const fs::path& actual) {
  ASSERT_TRUE(fs::exists(actual)) << actual << " was not written";
  const std::vector<std::string> want = expectedLines(expected);
  const std::vector<std::string> got = readLines(actual);
  const std::size_t n = std::min(want.size(), got.size());
  for (std::size_t i = 0; i < n; ++i) {
    ASSERT_EQ(got[i], want[i]) << expected.filename() << " differs at line " << i + 1;
  }
  ASSERT_EQ(got.size(), want.size()) << expected.filename() << " has a different number of lines";
}

void compareTail(const fs::path& expected, const fs::path& actual) {
  ASSERT_TRUE(fs::exists(actual)) << actual << " was not written";
  const std::vector<std::string> want = expectedLines(expected);
  const std::vector<std::string> got = readLines(actual);
  ASSERT_GE(got.size(), want.size()) << actual.filename() << " is shorter than its expected tail";
  const std::size_t from = got.size() - want.size();
  for (std::size_t i = 0; i < want.size(); ++i) {
    ASSERT_EQ(got[from + i], want[i]) << expected.filename() << " differs at tail line " << i + 1;
  }
}

class Golden : public ::testing::TestWithParam<std::string> {};

TEST_P(Golden, OutputsMatch) {
  const fs::path caseDir = kGolden / GetParam();
  WorkDir work(GetParam());
  for (const auto& entry : fs::directory_iterator(caseDir / "input"))
    fs::copy_file(entry.path(), work.path() / entry.path().filename());
  const int status = runProgram(work.path(), "");
  for (const auto& entry : fs::directory_iterator(caseDir / "expected")) {
    if (entry.path().filename() == "exit_status") {
      EXPECT_EQ(status, std::stoi(readLines(entry.path()).front()));
      continue;
    }
    SCOPED_TRACE(entry.path().filename().string());
    // "NAME.tail" holds only the last lines of NAME: the closing part of an
    // output whose earlier blocks belong to another subsystem's command.
    if (entry.path().extension() == ".tail") {
      compareTail(entry.path(), work.path() / entry.path().stem());
      continue;
    }
    compareFiles(entry.path(), work.path() / entry.path().filename());
  }
}

INSTANTIATE_TEST_SUITE_P(RunControl, Golden,
                         ::testing::Values("finish_only", "comments", "two_runs", "reader_error_20", "reader_error_21",
                                           "reader_error_22", "reader_error_23", "reader_error_24", "units_missing",
                                           "batch", "start_date", "three_runs", "in_loop", "wilhyd_values_missing",
                                           "errors_before_finish", "kinroute_pipe_sizes"));

// The hydrograph operations, chained after STORE HYD: sums of equal and of
// different steps, lags around one step, a two-output diversion table and the
// storage that cuts a peak.
INSTANTIATE_TEST_SUITE_P(HydrographOperations, Golden,
                         ::testing::Values("add_hyd", "shift_hyd", "divert_hyd", "compute_volume"));

// Erosive hours and the dual drainage split, after STORE HYD.
INSTANTIATE_TEST_SUITE_P(ErosionAndDualDrainage, Golden,
                         ::testing::Values("erosion_index", "dual_drainage", "dual_drainage_edges"));

// The channel tables and channel routing: STORE/COMPUTE RATING CURVE,
// STORE/COMPUTE TRAVEL TIME, ROUTE and ROUTE CHANNEL.
INSTANTIATE_TEST_SUITE_P(Routing, Golden, ::testing::Values("channel_tables", "channel_route", "route_channel"));

// The realistic example study of examples/catchment_system (its input files
// are links to the example's own): every command family on one catchment,
// reviewed once against the commands' rules (review.txt beside the example).
INSTANTIATE_TEST_SUITE_P(ExampleStudy, Golden, ::testing::Values("catchment_system"));

// ---- problems with the side files and the input: named, never a crash ----

TEST(GoldenProblems, MissingDirectoryFile) {
  WorkDir work("nodir");
  writeFile(work.path() / "kestran.RUN", "h\nRUN1.DAT\nRUN1.OUT\nRUN1.SUM\n");
  EXPECT_NE(runProgram(work.path(), ""), 0);
  const std::string err = fileText(work.path() / "stderr.txt");
  EXPECT_NE(err.find("*** ERROR: The directory file kestran.DIR cannot be used:"), std::string::npos) << err;
  EXPECT_NE(fileText(work.path() / "MESSAGES.LOG").find("kestran.DIR"), std::string::npos);
  EXPECT_FALSE(fs::exists(work.path() / "RUN1.OUT"));
}

TEST(GoldenProblems, MissingRunList) {
  WorkDir work("norun");
  writeFile(work.path() / "kestran.DIR", "./\n./\n");
  EXPECT_NE(runProgram(work.path(), ""), 0);
  EXPECT_NE(fileText(work.path() / "stderr.txt").find("kestran.RUN cannot be used"), std::string::npos);
}

TEST(GoldenProblems, RunListEndsBeforeFinishAfterTheCompleteSets) {
  WorkDir work("nofinish-list");
  writeFile(work.path() / "kestran.DIR", "./\n./\n");
  writeFile(work.path() / "kestran.RUN", "$BATCH RUN\nh\nRUN1.DAT\nRUN1.OUT\nRUN1.SUM\n\n\n\n");
  writeFile(work.path() / "RUN1.DAT", " 1\nFINISH\n");
  EXPECT_EQ(runProgram(work.path(), ""), 1);
  EXPECT_TRUE(fs::exists(work.path() / "RUN1.OUT"));
  EXPECT_NE(fileText(work.path() / "stderr.txt").find("ended before a FINISH line"), std::string::npos);
}

TEST(GoldenProblems, MissingInputClosesTheRunThroughItsEndBlock) {
  WorkDir work("noinput");
  writeFile(work.path() / "kestran.DIR", "./\n./\n");
  writeFile(work.path() / "kestran.RUN", "h\nNOFILE.DAT\nRUN1.OUT\nRUN1.SUM\n\n\n\n");
  EXPECT_EQ(runProgram(work.path(), ""), 1);
  const std::vector<std::string> out = readLines(work.path() / "RUN1.OUT");
  const std::string text = fileText(work.path() / "RUN1.OUT");
  EXPECT_NE(text.find("      *** ERROR: The input file cannot be read:"), std::string::npos);
  EXPECT_NE(text.find("./NOFILE.DAT"), std::string::npos);
  EXPECT_NE(text.find(" **** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES."), std::string::npos);
  ASSERT_GE(out.size(), 2u);
  EXPECT_EQ(out[out.size() - 2], std::string(85, '='));
  EXPECT_NE(fileText(work.path() / "RUN1.SUM").find("   Simulation ended on 2024-03-05     at 14:07:09"),
            std::string::npos);
}

TEST(GoldenProblems, InputWithoutFinish) {
  WorkDir work("nofinish");
  writeFile(work.path() / "kestran.DIR", "./\n./\n");
  writeFile(work.path() / "kestran.RUN", "h\nRUN1.DAT\nRUN1.OUT\nRUN1.SUM\n\n\n\n");
  writeFile(work.path() / "RUN1.DAT", " 1\nSTART               TZERO=[0], METOUT=[1], NSTORM=[0], NRUN=[1]\n");
  EXPECT_EQ(runProgram(work.path(), ""), 1);
  const std::vector<std::string> log = readLines(work.path() / "MESSAGES.LOG");
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], " 001:0002" + std::string(20, ' '));
  EXPECT_EQ(log[1], "      *** ERROR: The input file ended before a FINISH command." + std::string(14, ' '));
  EXPECT_EQ(log[2], " END");
}

TEST(GoldenProblems, DeepProjectDirectory) {
  WorkDir work("deep");
  const std::string deep = "a_rather_long_directory_name_for_a_project/with_a_second_level_too/";
  fs::create_directories(work.path() / deep);
  writeFile(work.path() / "kestran.DIR", deep + "\n" + deep + "\n");
  writeFile(work.path() / "kestran.RUN", "h\nRUN1.DAT\nRUN1.OUT\nRUN1.SUM\n\n\n\n");
  writeFile(work.path() / deep / "RUN1.DAT", " 1\nFINISH\n");
  EXPECT_EQ(runProgram(work.path(), ""), 0);
  const std::vector<std::string> out = readLines(work.path() / deep / "RUN1.OUT");
  ASSERT_GT(out.size(), 25u);
  // The printed name is the first 58 characters of the completed name.
  EXPECT_EQ(out[24], " * Output  filename: " + (deep + "RUN1.OUT").substr(0, 58) + "*");
}

TEST(GoldenProblems, SingleInputFile) {
  WorkDir work("single");
  fs::create_directories(work.path() / "study");
  writeFile(work.path() / "study" / "a_long_study_name.dat", " 2\nPLOT HYD\nFINISH\n");
  EXPECT_EQ(runProgram(work.path(), "study/a_long_study_name.dat"), 0);
  const std::vector<std::string> out = readLines(work.path() / "study" / "a_long_study_name.out");
  ASSERT_GT(out.size(), 30u);
  EXPECT_EQ(out[23], " * Input   filename: " + std::string("study/a_long_study_name.dat").append(31, ' ') + "*");
  EXPECT_EQ(out[27], " * 1:" + std::string(74, '_') + "*");
  EXPECT_TRUE(fs::exists(work.path() / "study" / "a_long_study_name.sum"));
  EXPECT_EQ(readLines(work.path() / "kestran.CNT"), std::vector<std::string>{"000001"});
  EXPECT_TRUE(fs::exists(work.path() / "MESSAGES.LOG"));
}

// An output on a full disk: the run is not reported as a success, the other
// outputs say why, and the warnings window names the file.
TEST(GoldenProblems, FullDiskIsAnError) {
  WorkDir work("fulldisk");
  writeFile(work.path() / "study.dat", " 2\nPLOT HYD\nFINISH\n");
  fs::create_symlink("/dev/full", work.path() / "study.out");
  EXPECT_EQ(runProgram(work.path(), "study.dat"), 1);
  const std::string warnings = fileText(work.path() / "stderr.txt");
  EXPECT_NE(warnings.find("*** ERROR: An output file could not be written to its end:"), std::string::npos);
  EXPECT_NE(warnings.find("No space left on device"), std::string::npos) << warnings;
  const std::string summary = fileText(work.path() / "study.sum");
  EXPECT_NE(summary.find("*** ERROR: An output file could not be written to its end:"), std::string::npos);
}

// The run counter lives across executions: the first execution in a fresh
// directory creates kestran.CNT with 000001, the next one shows 000002.
TEST(GoldenCounter, NextExecutionShowsTheNextCounter) {
  WorkDir work("counter");
  writeFile(work.path() / "kestran.DIR", "./\n./\n");
  writeFile(work.path() / "kestran.RUN", "h\nRUN1.DAT\nRUN1.OUT\nRUN1.SUM\n\n\n\n");
  writeFile(work.path() / "RUN1.DAT", " 1\nFINISH\n");
  const auto counterLine = [](const char* counter) {
    return " *" + std::string(9, ' ') + "DATE: 2024-03-05" + std::string(5, ' ') + "TIME: 14:07:09" +
           std::string(5, ' ') + "RUN COUNTER: " + counter + std::string(9, ' ') + "*";
  };
  for (const char* counter : {"000001", "000002"}) {
    ASSERT_EQ(runProgram(work.path(), ""), 0) << counter;
    EXPECT_EQ(readLines(work.path() / "kestran.CNT"), std::vector<std::string>{counter});
    for (const char* output : {"RUN1.OUT", "RUN1.SUM"}) {
      const std::vector<std::string> lines = readLines(work.path() / output);
      EXPECT_EQ(std::count(lines.begin(), lines.end(), counterLine(counter)), 1) << output << " " << counter;
    }
  }
}

TEST(GoldenProblems, HelpAndVersion) {
  WorkDir work("help");
  EXPECT_EQ(runProgram(work.path(), "--help"), 0);
  const std::string help = fileText(work.path() / "stdout.txt");
  EXPECT_NE(help.find("kestran INPUT"), std::string::npos);
  EXPECT_NE(help.find("kestran.RUN"), std::string::npos);
  EXPECT_EQ(runProgram(work.path(), "--version"), 0);
  EXPECT_NE(fileText(work.path() / "stdout.txt").find("4.05"), std::string::npos);
  EXPECT_EQ(runProgram(work.path(), "--bogus"), 2);
}

} // namespace

// Level-pool routing through a pond: steps given, omitted, in hours and in
// minutes, sub-step rounding, the overflow slot and a dry inflow. Each case
// folder's derivation.txt gives the values the expected text was worked from.
INSTANTIATE_TEST_SUITE_P(RouteReservoir, Golden,
                         ::testing::Values("reservoir_steps", "reservoir_overflow", "reservoir_dry"));

// Runoff commands: every number of the expected tails was worked out by hand
// from the command descriptions with a separate single-precision calculation.
//   wilhyd_single_event: FIVE.STM (0.6, 1.2, 2.4, 1.8, 0.6 in/hr at 10 min).
//     COMPUTE HYD, K/Tp = 1: N = 3.530823 after 7 trials, t0 = 1.628592,
//     A1 = 1.112275, q0 = 0.700099, Upk = 50.369 cfs; 102 ordinates (the last
//     adds under 0.01 %, f = 0.997805); C = 0.5 after Ia 0.1 in: 0.5 in of
//     excess, peak 24.367 cfs at 1.333 h, plus 2 cfs of baseflow.
//     CALIB WILHYD with DT 0 (10 min), CN 80, Ia = 0.2 S = 0.5 in: K/Tp = 0.5,
//     N = 7.946960, Upk = 44.066 cfs, excess 0.116129 in, peak 4.921 at 1.5 h.
//     CALIB WILHYD at 1 minute, K = 2 h: the storm at 1 minute (50 steps), the
//     unit hydrograph cut at 501 ordinates holding f = 0.883681 of the inch
//     before the normalisation, so R.V. is still the 0.5 in of excess.
//   wilhyd_continuous: COMPUTE API (0, 1), S fixed at SMAX = 2.5 in (SK = 0).
//     A reservoir of 2 in, GWFREC 0.001 (0.953162 per 10 min), VHYDCON 0.01:
//     outflow g = 0.5618, 0.5621, 0.6253, 0.6488, 0.6336 in/hr; peak 65.846 cfs at 0.667 h of which
//     63.889 cfs is reservoir outflow; budget P 1.10 + 2.00 = ET 0.20 + SR
//     0.24 + BF 0.51 + GR 0.01 + END 2.15. Without a reservoir the 0.66 in
//     that infiltrates past Ia is the recharge.
INSTANTIATE_TEST_SUITE_P(Runoff, Golden, ::testing::Values("wilhyd_single_event", "wilhyd_continuous"));
