// The message routine: headings once per command, destinations, severities,
// line counts and the table itself.
#include "run/messages.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "run/test_host.h"

namespace {

using testing_support::pad;
using testing_support::TestHost;

std::string line(const std::string& text) { return "      " + pad(text, 70); }

TEST(Messages, OneHeadingPerCommandAndOneForTheNext) {
  TestHost host;
  model::RunState& run = host.ctx.run;
  run.NRUN = 2;
  run.commandCounter = 7;
  run.label = "ADD HYD";
  run::issue(host.ctx, 120, model::Severity::Warning);
  run::issue(host.ctx, 170, model::Severity::Warning);
  run.commandCounter = 8;
  run.label = "SHIFT HYD";
  run::issue(host.ctx, 1, model::Severity::Warning);
  const std::vector<std::string> expected{
      " 002:0007 " + pad("ADD HYD", 19),
      line("*** WARNING: Hydrograph was not shifted."),
      line("*** WARNING: This hydrograph is dry."),
      " 002:0008 " + pad("SHIFT HYD", 19),
      line("*** ERROR: RECALL HYD is not longer supported."),
  };
  EXPECT_EQ(host.log.lines, expected);
  EXPECT_EQ(host.warnings.lines, expected);
  EXPECT_EQ(host.ctx.out.logLines, expected);
  // The detailed output gets the texts without headings.
  EXPECT_EQ(host.detailed.lines, (std::vector<std::string>{expected[1], expected[2], expected[4]}));
}

TEST(Messages, HeadingIsKeyedByTheCommandCounterAlone) {
  // A later run of the same input numbers its commands from 2 again. Only
  // the command counter decides whether a heading is due, so a message of
  // command 2 of run 2 right after one of command 2 of run 1 comes without a
  // heading of its own; command 3 of run 2 gets one with the new run number.
  TestHost host;
  model::RunState& run = host.ctx.run;
  run.NRUN = 1;
  run.commandCounter = 2;
  run.label = " *  PLOT HYD";
  run::issue(host.ctx, 120, model::Severity::Warning);
  run.NRUN = 2;
  run::issue(host.ctx, 170, model::Severity::Warning);
  run.commandCounter = 3;
  run::issue(host.ctx, 1, model::Severity::Warning);
  EXPECT_EQ(host.log.lines, (std::vector<std::string>{
                                " 001:0002 " + pad(" *  PLOT HYD", 19),
                                line("*** WARNING: Hydrograph was not shifted."),
                                line("*** WARNING: This hydrograph is dry."),
                                " 002:0003 " + pad(" *  PLOT HYD", 19),
                                line("*** ERROR: RECALL HYD is not longer supported."),
                            }));
}

TEST(Messages, Destinations) {
  struct Case {
    run::Destination destination;
    std::size_t windowLines, detailedLines;
  } cases[] = {{run::Destination::Warnings, 3, 0}, {run::Destination::Detailed, 0, 2}, {run::Destination::Both, 3, 2}};
  for (const Case& c : cases) {
    TestHost host;
    host.ctx.run.commandCounter = 3;
    run::issue(host.ctx, 3, model::Severity::Warning, c.destination);
    const int to = static_cast<int>(c.destination);
    EXPECT_EQ(host.warnings.lines.size(), c.windowLines) << to;
    EXPECT_EQ(host.log.lines.size(), c.windowLines) << to;
    EXPECT_EQ(host.detailed.lines.size(), c.detailedLines) << to;
  }
}

TEST(Messages, DestinationTwoStillUsesUpTheHeading) {
  // The heading is remembered even when it is not written, so a later
  // message of the same command to the window comes without one.
  TestHost host;
  host.ctx.run.commandCounter = 5;
  run::issue(host.ctx, 170, model::Severity::Warning, run::Destination::Detailed);
  run::issue(host.ctx, 170, model::Severity::Warning, run::Destination::Warnings);
  EXPECT_EQ(host.warnings.lines, std::vector<std::string>{line("*** WARNING: This hydrograph is dry.")});
}

TEST(Messages, LineCountsAndExactTexts) {
  struct Case {
    int number;
    std::vector<std::string> lines;
  } cases[] = {
      {20, {"*** ERROR: Command not found in the line below."}},
      {3, {"*** WARNING: PLOT HYD is no longer supported.", "             Use the GRAFVUE utility program."}},
      {43,
       {"**** ERROR: The API array has not been computed.", "            The continuous simulation was aborted.",
        "            Use the COMPUTE API command to compute", "            the Antecedent Precipitation Index."}},
      {340, {"*** ERROR:  UNITS OF INPUT DATA WERE NOT SPECIFIED."}},
      {461,
       {"**** ERROR: To make use of internal Variable DWF curves,",
        "         the 2nd integer in PKFp must be a 1,2,3,4 or 5."}},
  };
  for (const Case& c : cases) {
    TestHost host;
    host.ctx.run.commandCounter = 1;
    run::issue(host.ctx, c.number, model::Severity::Note, run::Destination::Detailed);
    std::vector<std::string> expected;
    for (const std::string& l : c.lines) expected.push_back(line(l));
    EXPECT_EQ(host.detailed.lines, expected) << c.number;
  }
}

TEST(Messages, SeverityIsTheHighestIssued) {
  // Each row: the severities issued in turn in one command, then the
  // command's severity and marker. No later message lowers an earlier one.
  struct Row {
    std::vector<model::Severity> issued;
    model::Severity expected;
    const char* marker;
  };
  using S = model::Severity;
  const Row rows[] = {
      {{S::Error}, S::Error, "** "},
      {{S::Error, S::Warning}, S::Error, "** "},
      {{S::Error, S::Note}, S::Error, "** "},
      {{S::Warning, S::Error, S::Warning}, S::Error, "** "},
      {{S::Note, S::Warning}, S::Warning, "*  "},
      {{S::Warning, S::Note}, S::Warning, "*  "},
      {{S::Note}, S::Note, "   "},
  };
  for (const Row& r : rows) {
    TestHost host;
    for (S s : r.issued) run::issue(host.ctx, 202, s);
    EXPECT_EQ(host.ctx.run.severity, r.expected) << testing::PrintToString(r.issued);
    run::setMarker(host.ctx);
    EXPECT_EQ(host.ctx.run.marker, r.marker) << testing::PrintToString(r.issued);
  }
  TestHost host;
  // warn() keeps an error already raised in the command, and raises a note;
  // markNext() sets the mark of the next line but never clears an error.
  run::issue(host.ctx, 201, model::Severity::Error);
  run::warn(host.ctx, 202);
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Error);
  run::markNext(host.ctx, model::Severity::Note);
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Error);
  host.ctx.run.severity = model::Severity::Note;
  run::warn(host.ctx, 202);
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Warning);
  run::markNext(host.ctx, model::Severity::Note);
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Note);
  EXPECT_EQ(run::markerFor(model::Severity::Note), "   ");
  EXPECT_EQ(run::markerFor(model::Severity::Error), "** ");
}

TEST(Messages, TableHoldsEveryNumberWithShortLines) {
  const int numbers[] = {1,   2,   3,   20,  21,  22,  23,  24,  30,  31,  32,  33,  34,  35,  36,  37,  38,  41,
                         42,  43,  44,  45,  50,  51,  52,  53,  54,  70,  71,  72,  73,  80,  81,  82,  83,  84,
                         85,  86,  90,  91,  92,  93,  94,  95,  96,  97,  98,  99,  100, 110, 111, 120, 150, 160,
                         170, 180, 181, 182, 183, 200, 201, 202, 210, 211, 212, 213, 220, 230, 232, 233, 234, 250,
                         251, 252, 253, 254, 255, 270, 271, 340, 370, 371, 372, 373, 374, 375, 376, 400, 401, 410,
                         430, 450, 451, 452, 453, 454, 455, 456, 457, 458, 459, 460, 461, 462, 463, 464};
  std::set<int> seen;
  for (int n : numbers) {
    const run::MessageText* m = run::findMessage(n);
    ASSERT_NE(m, nullptr) << n;
    EXPECT_GE(m->lines.size(), 1u) << n;
    EXPECT_LE(m->lines.size(), 4u) << n;
    for (std::string_view l : m->lines) EXPECT_LE(l.size(), 70u) << n;
    seen.insert(n);
  }
  EXPECT_EQ(seen.size(), std::size(numbers));
  EXPECT_EQ(run::findMessage(4), nullptr);
}

TEST(Messages, DetailWrapsInsideTheCopiedColumns) {
  TestHost host;
  host.ctx.run.commandCounter = 1;
  const std::string path = "/" + std::string(70, 'd') + "/run.dat";
  run::issue(host.ctx, 905, model::Severity::Error, run::Destination::Detailed, path);
  ASSERT_EQ(host.detailed.lines.size(), 3u);
  EXPECT_EQ(host.detailed.lines[0], line("*** ERROR: The input file cannot be read:"));
  EXPECT_EQ(host.detailed.lines[1], line("      " + path.substr(0, 58)));
  EXPECT_EQ(host.detailed.lines[2], line("      " + path.substr(58)));
  // Every piece ends inside the 70 columns the end-of-run copy keeps.
  for (const std::string& l : host.detailed.lines) EXPECT_EQ(l.find_last_not_of(' ') < 70, true) << l;
}

} // namespace
