// READ HYD: reading hydrograph files into a slot, the print that follows, the
// save-then-read round trip in both unit systems, and the file errors.
#include "hydrograph/read_hyd.h"

#include <gtest/gtest.h>

#include "hydrograph/context_fixture.h"
#include "hydrograph/print_hyd.h"
#include "hydrograph/producer.h"
#include "hydrograph/save_hyd.h"

namespace {

using hydtest::Harness;
using hydtest::pad;

// A file as SAVE HYD writes it: 3, 5 and 4 cfs at one-hour steps over 1 acre.
const char* kImperialFile =
    " 1\npond outlet\n    60.00\n      1.0000\n     3.000000\n     5.000000\n     4.000000\n   -1.000\n";

TEST(ReadHyd, NamedSlotBlockAndSummary) {
  Harness h;
  const std::string path = h.path("in.hyd");
  support::writeFile(path, kImperialFile);
  h.command("READ HYD            ID=[4], NHYD=[\"BACK\"], \"in.hyd\"\n");
  hydrograph::readHyd(h.ctx);

  const model::Hydrograph& s = h.ctx.store[4];
  EXPECT_EQ(s.NHYD, 0);
  EXPECT_EQ(s.HYDNAME, pad("BACK", 10));
  EXPECT_EQ(s.NPTS, 3);
  EXPECT_EQ(s.DT, 1.0f);
  EXPECT_EQ(s.QPEAK, 5.0f);
  EXPECT_EQ(s.TPEAK, 1.0f);
  EXPECT_NEAR(s.RV, 12.0f / 1.00833f, 1e-5);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Note);

  const std::vector<std::string> expected = {
      "--------------------",
      "| READ HYD         |   AREA       (ac)=    1.000",
      "| ID=04 (BACK  )   |   QPEAK     (cfs)=    5.000    ",
      "| DT=60.00 PCYC= 1 |   TPEAK     (hrs)=    1.000",
      "--------------------   VOLUME     (in)=   11.901",
      "  Filename: " + pad(path, 60),
      "  Comments: " + pad("pond outlet", 60),
      " ",
      "  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW",
      "   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs",
      "   0.00   3.000|   1.00   5.000|   2.00   4.000|",
  };
  EXPECT_EQ(h.detailed.lines, expected);
  const std::vector<std::string> summary = {
      "     " + pad("READ HYD", 19) + "04:BACK           1.00    5.000 No_date    1:00   11.90  n/a",
      "      Filename = " + pad(path, 60),
      "      Comment  = " + pad("pond outlet", 60),
  };
  EXPECT_EQ(h.summary.lines, summary);
  EXPECT_EQ(h.summaryWindow.lines, summary);
}

TEST(ReadHyd, FileNameFromTheLineAfterTheCommand) {
  // A continuation line (blank column 1) or a labelled line; no point in the
  // name: the run extension is added.
  for (const char* nameLine : {"                    in\n", "FILE=               in\n"}) {
    Harness h;
    support::writeFile(h.path("in.001"), kImperialFile);
    h.command(std::string("READ HYD            ID=[2], NHYD=[77]\n") + nameLine + "FINISH\n");
    hydrograph::readHyd(h.ctx);
    EXPECT_EQ(h.ctx.run.severity, model::Severity::Note) << nameLine;
    EXPECT_EQ(h.ctx.store[2].NHYD, 77);
    EXPECT_EQ(h.ctx.store[2].NPTS, 3);
    EXPECT_EQ(h.nextInputLine(), "FINISH");
  }
}

TEST(ReadHyd, MetricFileAndTimeStepRule) {
  Harness h;
  // 2 cms at 5-minute steps over 4 hectares; a step below 1 is in hours.
  support::writeFile(h.path("m.hyd"), " 2\nmetric\n     5.00\n      4.0000\n     2.000000\n     0.000000\n   -1.000\n");
  support::writeFile(h.path("h.hyd"), " 1\nhours\n     0.50\n      1.0000\n     1.000000\n   -1.000\n");
  h.command("READ HYD            1 5 \"m.hyd\"\n");
  hydrograph::readHyd(h.ctx);
  EXPECT_FLOAT_EQ(h.ctx.store[1].DT, 5.0f / 60.0f);
  EXPECT_FLOAT_EQ(h.ctx.store[1].DA, 4.0f * 2.471f);
  EXPECT_FLOAT_EQ(h.ctx.store[1].QPEAK, 2.0f * 35.31338f);
  h.command("READ HYD            2 6 \"h.hyd\"\n");
  hydrograph::readHyd(h.ctx);
  EXPECT_EQ(h.ctx.store[2].DT, 0.5f);
}

TEST(ReadHyd, DryFileIsANote) {
  Harness h;
  support::writeFile(h.path("dry.hyd"), " 1\n\n     5.00\n      1.0000\n     0.000000\n     0.000000\n   -1.000\n");
  h.command("READ HYD            1 5 \"dry.hyd\"\n");
  hydrograph::readHyd(h.ctx);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Warning);
  EXPECT_EQ(h.ctx.store[1].RV, 0.0f);
  EXPECT_EQ(h.ctx.store[1].NPTS, 2);
  EXPECT_TRUE(support::contains(h.detailed.lines, "*** NOTE: The hydrograph which was read is dry."));
  EXPECT_EQ(h.summary.lines[0].substr(0, 5), "  *  ");
}

// A file cut before its end mark (a full disk, a killed run) keeps the
// ordinates it holds, and the run says so, naming the file.
TEST(ReadHyd, FileWithoutItsEndMarkIsReported) {
  Harness h;
  const std::string path = h.path("cut.hyd");
  support::writeFile(path, " 1\ncut short\n    60.00\n      1.0000\n     3.000000\n     5.000000\n");
  h.command("READ HYD            1 5 \"cut.hyd\"\n");
  hydrograph::readHyd(h.ctx);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Warning);
  EXPECT_EQ(h.ctx.store[1].NPTS, 2);
  EXPECT_EQ(h.ctx.store[1].QPEAK, 5.0f);
  EXPECT_TRUE(support::contains(h.warnings.lines, "*** WARNING: Hydrograph file ends before its end mark"));
  EXPECT_TRUE(support::containsWrapped(h.warnings.lines, path));
}

TEST(ReadHyd, MissingBlankAndUnreadableFiles) {
  struct Case {
    const char* command;
    const char* message;
    bool namesFile;
  };
  const Case cases[] = {
      {"READ HYD            3 5 \"nothere.hyd\"\n", "*** ERROR: Hydrograph filename not found.", true},
      {"READ HYD            3 5\nFINISH\n", "*** ERROR: Hydrograph filename not found.", false},
      {"READ HYD            3 5 \"bad.hyd\"\n", "*** ERROR: Hydrograph file cannot be read:", true},
  };
  for (const Case& c : cases) {
    Harness h;
    support::writeFile(h.path("bad.hyd"), " 1\ncomment\n     5.00\n      1.0000\n     1.0\nabc\n");
    // The slot keeps its ordinates; its peak, area, volume and baseflow are 0.
    model::Hydrograph& s = h.ctx.store[3];
    s.resize(2);
    s.Q = {0.0f, 4.0f, 6.0f};
    s.NPTS = 2;
    s.DT = 1.0f;
    s.DA = 2.0f;
    s.QPEAK = 6.0f;
    s.BASE = 1.0f;
    h.command(c.command);
    hydrograph::readHyd(h.ctx);
    EXPECT_EQ(h.ctx.run.severity, model::Severity::Error) << c.command;
    EXPECT_TRUE(support::contains(h.detailed.lines, c.message)) << c.command;
    EXPECT_TRUE(support::contains(h.warnings.lines, c.message)) << c.command;
    if (c.namesFile) {
      EXPECT_TRUE(support::contains(h.warnings.lines, h.dir.prefix())) << c.command;
    }
    EXPECT_EQ(s.NPTS, 2);
    EXPECT_EQ(s.QPEAK, 0.0f);
    EXPECT_EQ(s.DA, 0.0f);
    EXPECT_EQ(s.BASE, 0.0f);
    EXPECT_EQ(h.summary.lines.at(0).substr(0, 5), "  ** ");
  }
}

// SAVE HYD writes the slot, READ HYD brings it back into another slot.
void roundTrip(int metout) {
  Harness h(1, metout);
  h.store(1, 31, {0.0f, 0.25f, 1.75f, 12.5f, 30.125f, 8.0f, 0.5f}, 5.0f / 60.0f, 12.5f);
  const model::Hydrograph& s = h.ctx.store[1];

  h.command("SAVE HYD            1 1 -1 \"trip\" \"round trip\"\n");
  hydrograph::saveHyd(h.ctx);
  ASSERT_EQ(h.ctx.run.severity, model::Severity::Note);
  h.command("READ HYD            2 32 \"trip\"\n");
  hydrograph::readHyd(h.ctx);
  ASSERT_EQ(h.ctx.run.severity, model::Severity::Note);

  const model::Hydrograph& r = h.ctx.store[2];
  ASSERT_EQ(r.NPTS, s.NPTS);
  EXPECT_FLOAT_EQ(r.DT, s.DT);
  EXPECT_NEAR(r.DA, s.DA, 1e-3);
  for (int i = 1; i <= s.NPTS; ++i) EXPECT_NEAR(r.Q[i], s.Q[i], 1e-4f * s.Q[i] + 5e-5f) << metout << " " << i;
  EXPECT_NEAR(r.QPEAK, s.QPEAK, 1e-3);
  EXPECT_EQ(r.TPEAK, s.TPEAK);
  EXPECT_NEAR(r.RV, s.RV, 1e-4);
}

TEST(ReadHyd, SaveThenReadImperial) { roundTrip(1); }
TEST(ReadHyd, SaveThenReadMetric) { roundTrip(2); }

TEST(ReadHyd, StepsShorterThanAMinuteDoNotSurviveASaveAndRead) {
  // A 30-second step is saved as 0.50 minutes; read back, a step below 1 is
  // taken as hours, so the slot comes back with a half-hour step.
  Harness h;
  h.store(1, 1, {1.0f, 3.0f}, 0.5f / 60.0f, 1.0f);
  h.command("SAVE HYD            1 1 -1 \"short.hyd\" \"thirty seconds\"\n");
  hydrograph::saveHyd(h.ctx);
  const std::vector<std::string> file = support::readLines(h.path("short.hyd"));
  ASSERT_GE(file.size(), 3u);
  EXPECT_EQ(file[2], "     0.50");
  h.command("READ HYD            2 2 \"short.hyd\"\n");
  hydrograph::readHyd(h.ctx);
  EXPECT_EQ(h.ctx.store[2].DT, 0.5f);
  EXPECT_EQ(h.ctx.store[2].NPTS, 2);
  EXPECT_EQ(h.ctx.store[2].TPEAK, 0.5f); // the second ordinate, half an hour on
}

TEST(ReadHyd, BaseflowComesBackInTheOrdinates) {
  Harness h;
  h.store(1, 1, {1.0f, 3.0f}, 1.0f, 1.0f);
  h.ctx.store[1].BASE = 0.5f;
  h.command("SAVE HYD            1 1 -1 \"base.hyd\" \"with base\"\n");
  hydrograph::saveHyd(h.ctx);
  h.command("READ HYD            2 2 \"base.hyd\"\n");
  hydrograph::readHyd(h.ctx);
  EXPECT_EQ(h.ctx.store[2].Q, (std::vector<float>{0.0f, 1.5f, 3.5f}));
  EXPECT_EQ(h.ctx.store[2].BASE, 0.0f);
  EXPECT_EQ(h.ctx.store[2].QPEAK, 3.5f);
}

TEST(ReadHyd, BadSlot) {
  Harness h;
  h.command("READ HYD            0 2 \"x.hyd\"\n");
  hydrograph::readHyd(h.ctx);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
  EXPECT_TRUE(support::contains(h.detailed.lines, "Hydrograph ID must be from 1 to 10"));
}

} // namespace
