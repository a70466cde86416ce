// The channel commands refuse values they cannot use with a run-ending
// message and leave the tables as they were; metric tables convert both ways.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_table.h"
#include "support/context_host.h"

namespace {

// Reads the first command of `text` and carries it out as the main loop does.
struct Host : support::ContextHost {
  explicit Host(int metin = 1, int metout = 1) {
    startRun(metin, metout);
    ctx.storm.PTOT = 1.0e-6f;
  }
  void run(const std::string& text) {
    ASSERT_EQ(readCommand(text), run::ReaderStatus::Command);
    for (const run::Command& row : kestran::commandTable()) {
      if (row.id == ctx.cmd.id) row.run(ctx);
    }
  }
  bool printed(const std::string& text) const {
    return std::any_of(detailed.lines.begin(), detailed.lines.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
};

const char* kTrapezoid = "COMPUTE RATING CURVE NRC=[1], VSN=[1], NSEG=[1], 0, 10, 0.001, 0.001\n"
                         "                    0.03, 30, 0 10 10 0 20 0 30 10\n";
const char* kReach = "COMPUTE TRAVEL TIME ID=[2], VSN=[-1], N=[1], L=[1000], S=[0.001]\n";
const char* kInflow = "STORE HYD           ID=[1], NHYD=[1], DT=[10], AREA=[10], 0 5 10 5 0 -1\n";
// The inflow given a baseflow of 1e10 cfs after it is stored: the flows of
// up to 10 cfs vanish below its resolution.
const char* kHugeBase = "huge base";
const char* kNoStep = "STORE HYD           ID=[1], NHYD=[1], DT=[0], AREA=[10], 0 5 10 5 0 -1\n";

TEST(ChannelCommands, ValuesThatCannotBeUsedEndTheRun) {
  struct Case {
    const char* setup; // commands run first (each one line)
    const char* command;
    const char* message;
  };
  const Case cases[] = {
      {"", "COMPUTE RATING CURVE NRC=[1], VSN=[1], NSEG=[1], 0, 10, 0.001, 0.001, 0, 30, 0 10 30 10\n",
       "Manning n of 0"},
      {"", "COMPUTE RATING CURVE NRC=[1], VSN=[1], NSEG=[1], 0, 10, 0.001, 0.001, 0.03, 30, 0 10 30\n",
       "do not pair up"},
      {"", "COMPUTE RATING CURVE NRC=[11], VSN=[1], NSEG=[1], 0, 10, 0.001, 0.001, 0.03, 30, 0 10 30 10\n",
       "curve number must be from 1 to 10"},
      {"", "STORE RATING CURVE  NRC=[1], VSN=[1], 100 0 0 -1\n", "at least 2 rows"},
      {"", "STORE TRAVEL TIME   ID=[11], VSN=[1], L=[1000], S=[0.001], 0.5 10 0.2 -1\n", "from 1 to 10"},
      {"", "COMPUTE TRAVEL TIME ID=[2], VSN=[1], N=[1], L=[1000], S=[0.001]\n", "rating curve 1 has not"},
      {kTrapezoid, "COMPUTE TRAVEL TIME ID=[2], VSN=[1], N=[1], L=[0], S=[0.001]\n", "length must be above 0"},
      {"", "ROUTE               2, 2, 1, 5, 0.1, 1000, 0.03\n", "no travel time table"},
      {kInflow, "ROUTE               2, 2, 1, 5, 0, 1000, 0.03\n", "Slope is -ve or zero"},
      {kInflow, "ROUTE               2, 2, 0, 5, 0.1, 1000, 0.03\n", "from 1 to 10"},
      {kNoStep, "ROUTE               2, 2, 1, 0, 0.1, 1000, 0.03\n", "no time step"},
      {kInflow, "ROUTE CHANNEL       12, 2, 1, 5, 1000, 0.1, 0.1, 1, 1\n                    0.03, 30, 0 10 30 10\n",
       "from 1 to 10"},
      {kHugeBase, "ROUTE               2, 2, 1, 5, 0.1, 1000, 0.03\n", "base flow is too large against the inflow"},
      {kHugeBase,
       "ROUTE CHANNEL       2, 2, 1, 5, 1000, 0.1, 0.1, 1, 1\n                    0.03, 30, 0 10 10 0 20 0 30 10\n",
       "base flow is too large against the inflow"},
      {kHugeBase, "ROUTE PIPE          1, 2, 202, 7, 12, 1000, 0.013, 0.005, 1, 5, 0\n",
       "base flow is too large against the inflow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Host h;
    std::vector<std::string> setup;
    if (c.setup == kTrapezoid) setup = {kTrapezoid};
    if (c.setup == kInflow || c.setup == kNoStep) setup = {c.setup, kTrapezoid, kReach};
    if (c.setup == kHugeBase) setup = {kInflow, kTrapezoid, kReach};
    for (const std::string& command : setup) {
      h.run(command);
      ASSERT_NE(h.ctx.run.severity, model::Severity::Error);
    }
    if (c.setup == kHugeBase) h.ctx.store[1].BASE = 1.0e10f;
    const model::Hydrograph before = h.ctx.store[2];
    h.detailed.lines.clear();
    h.run(c.command);
    EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
    EXPECT_TRUE(h.printed(c.message));
    EXPECT_EQ(h.ctx.store[2].NPTS, before.NPTS);
  }
}

// The typed routing step is in minutes from 1 up and in hours below 1; 0 is
// the inflow's 10-minute step, and a step above it is the inflow's.
TEST(ChannelCommands, RoutingStepIsMinutesFromOneUpHoursBelow) {
  struct Case {
    const char* command;
    float minutes;       // step of the outflow
    const char* printed; // the heading's step
  };
  const char* section = ", 1000, 0.1, 0.1, 1, 1\n                    0.03, 30, 0 10 10 0 20 0 30 10\n";
  const std::string channel = "ROUTE CHANNEL       2, 2, 1, ";
  const Case cases[] = {
      {"1", 1.0f, "Routing time step (min) =  1.00"},
      {"5", 5.0f, "Routing time step (min) =  5.00"},
      {"0.05", 10.0f / 3.0f, "Routing time step (min) =  3.00"},
      {"0", 10.0f, "Routing time step (min) =  0.00"},
      {"ROUTE 1", 1.0f, "| DT=  1.0 min"},
      {"ROUTE 0.05", 10.0f / 3.0f, "| DT=  3.0 min"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Host h;
    for (const char* setup : {kInflow, kTrapezoid, kReach}) h.run(setup);
    const std::string typed = c.command;
    if (typed.rfind("ROUTE ", 0) == 0) {
      h.run("ROUTE               2, 2, 1, " + typed.substr(6) + ", 0.1, 1000, 0.03\n");
    } else {
      h.run(channel + typed + section);
    }
    EXPECT_NE(h.ctx.run.severity, model::Severity::Error);
    EXPECT_NEAR(h.ctx.store[2].DT * 60.0f, c.minutes, 1e-4f);
    EXPECT_TRUE(h.printed(c.printed));
    EXPECT_FALSE(h.printed("Requested routing DT > than inflow DT"));
  }
}

TEST(ChannelCommands, MetricTablesConvertOnInputAndOutput) {
  Host h(2, 2);
  h.run("STORE RATING CURVE  NRC=[1], VSN=[1], 10 0 0   11 2 3   12 5 9  -1\n");
  const model::RatingCurve& c = h.ctx.tables.curves[1];
  EXPECT_NEAR(c.depth[2], 3.2808f, 1e-4);
  EXPECT_NEAR(c.area[3], 5.0f * 3.2808f * 3.2808f, 1e-3);
  EXPECT_NEAR(c.flow[3], 9.0f * 3.2808f * 3.2808f * 3.2808f, 1e-2);
  EXPECT_TRUE(h.printed("                 12.000          5.000         9.000"));
  h.run("STORE TRAVEL TIME   ID=[3], VSN=[1], L=[100], S=[0.01], 0.5 2 0.1   1 6 0.08  -1\n");
  EXPECT_NEAR(h.ctx.tables.travel.depth[2], 3.2808f, 1e-4);
  EXPECT_NEAR(h.ctx.tables.fall[3], 3.2808f, 1e-4);
  EXPECT_TRUE(h.printed("                  1.000          6.000         4.800"));
}

} // namespace
