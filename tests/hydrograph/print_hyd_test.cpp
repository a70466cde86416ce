// PRINT HYD and SAVE HYD: the printed block, the print cycle and its table
// layout, tail trimming, baseflow notes, the save-all switch and the file form.
#include "hydrograph/print_hyd.h"
#include "hydrograph/save_hyd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "hydrograph/context_fixture.h"
#include "hydrograph/producer.h"

namespace {

using hydtest::Harness;
using hydtest::pad;

const std::string kHeader = "  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW";
const std::string kCfs = "   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs";
const std::string kPeakNote = "     (i)  PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.";
const std::string kHeadingH = " 001:0002---------------ID:NHYD-----------AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-";

// Slot `id` with flows 1, 2, ..., n at DT hours over `da` acres.
void ramp(Harness& h, int id, int nhyd, int n, float dt, float da) {
  std::vector<float> flows;
  for (int i = 1; i <= n; ++i) flows.push_back(static_cast<float>(i));
  h.store(id, nhyd, flows, dt, da);
}

TEST(PrintHyd, CycleOneTenOrdinates) {
  Harness h;
  ramp(h, 7, 7, 10, 0.25f, 5.0f);
  h.command("PRINT HYD           ID=[7], PCYC=[1]\n");
  hydrograph::printHyd(h.ctx);
  const std::vector<std::string> expected = {
      "--------------------",
      "| PRINT HYD        |   AREA       (ac)=    5.000",
      "| ID=07 (000007)   |   QPEAK     (cfs)=   10.000 (i)",
      "| DT=15.00 PCYC= 1 |   TPEAK     (hrs)=    2.250",
      "--------------------   VOLUME     (in)=    2.727",
      " ",
      kPeakNote,
      kHeader,
      kCfs,
      // Three rows: 1, 4, 7, 10 / 2, 5, 8 / 3, 6, 9.
      "   0.00   1.000|   0.75   4.000|   1.50   7.000|   2.25  10.000|",
      "   0.25   2.000|   1.00   5.000|   1.75   8.000|",
      "   0.50   3.000|   1.25   6.000|   2.00   9.000|",
  };
  EXPECT_EQ(h.detailed.lines, expected);
  const std::vector<std::string> summary = {"     " + pad("PRINT HYD", 19) +
                                            "07:         7     5.00   10.000 No_date    2:15    2.73  n/a"};
  EXPECT_EQ(h.summary.lines, summary);
  EXPECT_EQ(h.summaryWindow.lines, summary);
}

TEST(PrintHyd, CycleTwoTwentyOrdinates) {
  Harness h;
  ramp(h, 1, 3, 20, 0.25f, 5.0f);
  h.command("PRINT HYD           1 2\n");
  hydrograph::printHyd(h.ctx);
  // R = (10 + 20) / 10 = 3 rows starting at 1, 3 and 5, each every 6th ordinate.
  const std::vector<std::string> rows(h.detailed.lines.end() - 3, h.detailed.lines.end());
  const std::vector<std::string> expected = {
      "   0.00   1.000|   1.50   7.000|   3.00  13.000|   4.50  19.000|",
      "   0.50   3.000|   2.00   9.000|   3.50  15.000|",
      "   1.00   5.000|   2.50  11.000|   4.00  17.000|",
  };
  EXPECT_EQ(rows, expected);
  EXPECT_EQ(h.detailed.lines[3].substr(0, 20), "| DT=15.00 PCYC= 2 |");
}

TEST(PrintHyd, CycleZeroAndNegative) {
  struct Case {
    const char* pcyc;
    const char* stepLine;
    bool table;
  };
  for (const Case c : {Case{"0", "| DT=15.00 PCYC= 1 |", true}, Case{"-1", "| DT=15.00 PCYC=-1 |", false},
                       Case{"-12", "| DT=15.00 PCYC=** |", false}}) {
    Harness h;
    ramp(h, 2, 3, 6, 0.25f, 5.0f);
    h.command(std::string("PRINT HYD           2 ") + c.pcyc + "\n");
    hydrograph::printHyd(h.ctx);
    EXPECT_EQ(h.detailed.lines[3].substr(0, 20), c.stepLine) << c.pcyc;
    EXPECT_EQ(support::contains(h.detailed.lines, "  TIME    FLOW"), c.table) << c.pcyc;
  }
}

TEST(PrintHyd, TailTrimmingAndDrySlots) {
  Harness h;
  model::Hydrograph& s = h.ctx.store[1];
  s.NHYD = 1;
  s.DT = 1.0f;
  s.DA = 1.0f;
  s.resize(5);
  s.Q = {0.0f, 1.0f, 2.0f, 3.0f, 0.0003f, 0.0f};
  s.NPTS = 5;
  model::Hydrograph& zeros = h.ctx.store[2];
  zeros.NHYD = 2;
  zeros.DT = 1.0f;
  zeros.resize(4);
  zeros.NPTS = 4;

  h.command("PRINT HYD           1 1\n");
  hydrograph::printHyd(h.ctx);
  EXPECT_EQ(s.NPTS, 3); // the slot itself is shortened
  h.command("PRINT HYD           2 1\n");
  hydrograph::printHyd(h.ctx);
  EXPECT_EQ(zeros.NPTS, 4); // all zero: the length stays
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Note);

  h.command("PRINT HYD           3 1\n"); // never filled
  hydrograph::printHyd(h.ctx);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Warning);
  EXPECT_TRUE(support::contains(h.detailed.lines, "*** WARNING: This hydrograph is dry."));
  EXPECT_EQ(h.summary.lines.back().substr(0, 5), "  *  ");
}

TEST(PrintHyd, BaseflowNotesAndUntouchedSlot) {
  Harness h;
  h.store(2, 12, {1.0f, 3.0f, 2.0f}, 1.0f, 1.0f);
  model::Hydrograph& s = h.ctx.store[2];
  s.BASE = 2.0f;
  h.command("PRINT HYD           2 1\n");
  hydrograph::printHyd(h.ctx);
  const std::vector<std::string> expected = {
      "--------------------",
      "| PRINT HYD        |   AREA       (ac)=    1.000",
      "| ID=02 (000012)   |   QPEAK     (cfs)=    3.000 (i)",
      "| DT=60.00 PCYC= 1 |   TPEAK     (hrs)=    1.000",
      "--------------------   VOLUME     (in)=    5.950",
      " ",
      kPeakNote,
      "          HOWEVER THE TABLE BELOW AND HYDROGRAPH FILES DO.",
      "          ACTUAL PEAK FLOW: PEAK (    3.000) + BASE (    2.000) =     5.000  (cfs).",
      kHeader,
      kCfs,
      "   0.00   3.000|   1.00   5.000|   2.00   4.000|",
  };
  EXPECT_EQ(h.detailed.lines, expected);
  EXPECT_EQ(s.Q, (std::vector<float>{0.0f, 1.0f, 3.0f, 2.0f}));
  EXPECT_EQ(s.QPEAK, 3.0f);
  EXPECT_EQ(h.summary.lines[0].substr(24, 31), "02:        12     1.00    5.000");
}

TEST(PrintHyd, SecondPrintShowsTheSamePeak) {
  // The baseflow is added to the ordinates for the table and taken off again,
  // so printing the same slot twice gives the same summary line: peak 3 plus
  // baseflow 2, peak at 1 hour, volume 6 cfs-h / 1.00833 = 5.95 in.
  Harness h;
  h.store(2, 12, {1.0f, 3.0f, 2.0f}, 1.0f, 1.0f);
  model::Hydrograph& s = h.ctx.store[2];
  s.BASE = 2.0f;
  for (int k = 0; k < 2; ++k) {
    h.command("PRINT HYD           2 1\n");
    hydrograph::printHyd(h.ctx);
  }
  const std::string expected =
      "     " + pad("PRINT HYD", 19) + "02:        12     1.00    5.000 No_date    1:00    5.95  n/a";
  EXPECT_EQ(h.summary.lines, (std::vector<std::string>{expected, expected}));
  // The tables of both prints show the ordinates with the baseflow once.
  EXPECT_EQ(
      std::count(h.detailed.lines.begin(), h.detailed.lines.end(), "   0.00   3.000|   1.00   5.000|   2.00   4.000|"),
      2);
}

TEST(PrintHyd, TailCutIsAtMostTheThresholdFlow) {
  // Ordinates of 0.0003528 cfs or less at the end are cut; one just above
  // the threshold is the last one kept, with smaller ones before it.
  struct Case {
    std::vector<float> q;
    int npts;
  };
  const Case cases[] = {
      {{2.0f, 1.0f, 0.0003528f}, 2},
      {{2.0f, 0.0003528f, 0.0003529f, 0.0003528f, 0.0f}, 3},
      {{2.0f, 0.0f, 0.0f}, 1},
      {{0.0003528f, 0.0f}, 2}, // nothing above the threshold: the length stays
  };
  for (const Case& c : cases) {
    Harness h;
    model::Hydrograph& s = h.ctx.store[1];
    s.NHYD = 1;
    s.DT = 1.0f;
    s.DA = 1.0f;
    s.resize(static_cast<int>(c.q.size()));
    for (std::size_t i = 0; i < c.q.size(); ++i) s.Q[i + 1] = c.q[i];
    s.NPTS = static_cast<int>(c.q.size());
    h.command("PRINT HYD           1 1\n");
    hydrograph::printHyd(h.ctx);
    EXPECT_EQ(s.NPTS, c.npts) << c.q.size() << " ordinates";
  }
}

TEST(SaveHyd, SwitchForm) {
  struct Case {
    const char* code;
    int before;
    int after;
    const char* comment;
  };
  for (const Case c :
       {Case{"2", 0, 1, "SAVE ALL SIMULATED HYDROGRAPHS"}, Case{"-2", 1, 0, "STOP SAVING ALL SIMULATED HYDROGRAPHS"},
        Case{"5", 1, 1, "SAVE ALL SIMULATED HYDROGRAPHS"}, Case{"5", 0, 0, "STOP SAVING ALL SIMULATED HYDROGRAPHS"}}) {
    Harness h;
    h.ctx.store.SVHYD = c.before;
    h.command(std::string("SAVE HYD            ") + c.code + " 0\n");
    hydrograph::saveHyd(h.ctx);
    EXPECT_EQ(h.ctx.store.SVHYD, c.after) << c.code;
    const std::string line = "    " + pad(" SAVE HYD", 19) + pad(c.comment, 60);
    const std::string plain = " 001:0002" + std::string(76, '-');
    EXPECT_EQ(h.summary.lines, (std::vector<std::string>{plain, line}));
    EXPECT_EQ(h.summaryWindow.lines, (std::vector<std::string>{plain, line}));
    EXPECT_EQ(h.detailed.lines, (std::vector<std::string>{line}));
  }
}

TEST(SaveHyd, IdBelowOneStopsTheProgram) {
  Harness h;
  h.command("SAVE HYD            0 1 0\n");
  hydrograph::saveHyd(h.ctx);
  EXPECT_TRUE(h.ctx.run.stopProgram);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
  EXPECT_TRUE(support::contains(h.detailed.lines, "*** ERROR: SAVE HYD, ID =0.  Run aborted."));
  EXPECT_TRUE(support::contains(h.warnings.lines, "SAVE HYD "));
}

// SAVE HYD's file on a full disk ends the run with its error, naming why.
TEST(SaveHyd, FullDiskIsAnError) {
  Harness h;
  std::filesystem::create_symlink("/dev/full", h.path("full.hyd"));
  h.store(2, 12, std::vector<float>(1000, 1.5f), 1.0f, 1.0f);
  h.command("SAVE HYD            ID=[2], PCYC=[1], NAME=[-1], \"full.hyd\", \"lost\"\n");
  hydrograph::saveHyd(h.ctx);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
  EXPECT_TRUE(support::contains(h.warnings.lines, "*** ERROR: Hydrograph file cannot be written:"));
  EXPECT_TRUE(support::containsWrapped(h.warnings.lines, "No space left on device"));
}

TEST(SaveHyd, GivenNameAndComment) {
  Harness h;
  h.store(2, 12, {1.0f, 3.0f, 2.0f}, 1.0f, 1.0f);
  model::Hydrograph& s = h.ctx.store[2];
  s.BASE = 2.0f;
  h.command("SAVE HYD            ID=[2], PCYC=[1], NAME=[-1], \"out.hyd\", \"pond outlet\"\nFINISH\n");
  hydrograph::saveHyd(h.ctx);

  const std::string path = h.path("out.hyd");
  // One value per line, baseflow included, in the output units.
  const std::vector<std::string> file = {" 1",
                                         pad("pond outlet", 60),
                                         "    60.00",
                                         "      1.0000",
                                         "     3.000000",
                                         "     5.000000",
                                         "     4.000000",
                                         "   -1.000"};
  EXPECT_EQ(support::readLines(path), file);

  EXPECT_EQ(h.detailed.lines[1], "| SAVE HYD         |   AREA       (ac)=    1.000");
  EXPECT_EQ(h.detailed.lines[5], "  Filename: " + pad(path, 60));
  EXPECT_EQ(h.detailed.lines[6], "  Comments: " + pad("pond outlet", 60));
  const std::vector<std::string> summary = {
      kHeadingH,
      "     " + pad("SAVE HYD", 19) + "02:        12     1.00    5.000 No_date    1:00    5.95  n/a",
      "      fname :" + pad(path, 60),
      "      remark:" + pad("pond outlet", 60),
  };
  EXPECT_EQ(h.summary.lines, summary);
  EXPECT_EQ(h.nextInputLine(), "FINISH");
}

TEST(SaveHyd, AutomaticNameAndCommentLine) {
  // The comment line is a continuation line (blank column 1), here with a
  // blank line after it. A line with text in column 1 belongs to what follows:
  // it is never taken, so a missing comment line cannot swallow the next command.
  for (const char* commentLine :
       {"                    Outflow of pond 3\n\n", "COMMENT:            Outflow of pond 3\n"}) {
    Harness h;
    ramp(h, 3, 123, 4, 0.25f, 2.0f);
    h.command(std::string("SAVE HYD            ID=[3], PCYC=[1], AUTO=[0]\n") + commentLine + "FINISH\n");
    hydrograph::saveHyd(h.ctx);
    const std::string path = h.path("H-000123.001");
    const std::vector<std::string> lines = support::readLines(path);
    ASSERT_EQ(lines.size(), 9u) << commentLine;
    EXPECT_EQ(lines[1], pad(commentLine[0] == ' ' ? "Outflow of pond 3" : "", 60));
    EXPECT_EQ(h.summary.lines[2], "      fname :" + pad(path, 60));
    EXPECT_EQ(h.nextInputLine().substr(0, 6), commentLine[0] == ' ' ? "FINISH" : "COMMEN");
  }
}

TEST(SaveHyd, NameAndCommentFromFollowingLines) {
  Harness h;
  ramp(h, 4, 0, 2, 0.5f, 1.0f);
  h.ctx.store[4].HYDNAME = pad("EAST", 10);
  h.command("SAVE HYD            4 1 -1\n"
            "                    VERYLONGFILENAME\n"
            "                    remark line\n"
            "FINISH\n");
  hydrograph::saveHyd(h.ctx);
  // Without a colon only the first 12 characters count; without a point the
  // run extension follows.
  const std::string path = h.path("VERYLONGFILE.001");
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(support::readLines(path)[1], pad("remark line", 60));
  EXPECT_EQ(h.detailed.lines[2], "| ID=04 (EAST  )   |   QPEAK     (cfs)=    2.000 (i)");
  EXPECT_EQ(h.nextInputLine(), "FINISH");
}

TEST(SaveHyd, AutomaticNameOfNamedSlotAndBadSlot) {
  Harness h;
  ramp(h, 5, 0, 2, 0.5f, 1.0f);
  h.ctx.store[5].HYDNAME = pad("POND", 10);
  h.command("SAVE HYD            5 1 0 \"a comment\"\n");
  hydrograph::saveHyd(h.ctx);
  EXPECT_TRUE(std::filesystem::exists(h.path("H-POND  .001")));

  h.command("SAVE HYD            12 1 0 \"a comment\"\n");
  hydrograph::saveHyd(h.ctx);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
  EXPECT_FALSE(h.ctx.run.stopProgram);
}

TEST(FileNames, CompletionRules) {
  Harness h;
  h.ctx.run.NRUN = 12;
  const std::string dir = h.dir.prefix();
  EXPECT_EQ(hydrograph::completeFileName(h.ctx, "RUN1", true), dir + "RUN1.012");
  EXPECT_EQ(hydrograph::completeFileName(h.ctx, "pond.hyd", true), dir + "pond.hyd");
  EXPECT_EQ(hydrograph::completeFileName(h.ctx, "ABCDEFGHIJKLMNOP.HYD", true), dir + "ABCDEFGHIJKL.012");
  EXPECT_EQ(hydrograph::completeFileName(h.ctx, "ABCDEFGHIJKLMNOP.HYD", false), dir + "ABCDEFGHIJKLMNOP.HYD");
  // A drive means nothing here: such a name lies in the run's work directory.
  EXPECT_EQ(hydrograph::completeFileName(h.ctx, "C:\\DATA\\OUT.HYD", true), h.ctx.out.workDir + "C:\\DATA\\OUT.HYD");
  EXPECT_EQ(hydrograph::completeFileName(h.ctx, "C:\\DATA.D\\OUT", true), h.ctx.out.workDir + "C:\\DATA.D\\OUT.012");
}

} // namespace
