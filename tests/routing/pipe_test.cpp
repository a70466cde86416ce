// Pipe sizing and the pipe rating shared by the pipe routing commands, and
// ROUTE PIPE end to end in memory: the minimum size printed and used, the
// messages, the summary lines, and the inflow's volume returned.
#include "routing/pipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/recorder.h"
#include "routing/pipe_size.h"
#include "support/context_host.h"

namespace {

using routing::PipeShape;

constexpr float kPi = 3.141592f;

TEST(PipeSize, CapacityAndMinimumSize) {
  // 1 ft at n 0.013, S 0.005: 1.486 * 0.785398 / 0.013 * 0.25^(2/3) * 0.0707107.
  EXPECT_NEAR(routing::circularCapacity(1.0f, 0.013f, 0.005f, kPi), 2.51928f, 1e-4f);
  EXPECT_EQ(routing::circularCapacity(-1.0f, 0.013f, 0.005f, kPi), 0.0f);
  struct Row {
    float q, n, slope;
  } rows[] = {{10.001f, 0.013f, 0.005f}, {0.5f, 0.024f, 0.0005f}, {250.0f, 0.011f, 0.03f}};
  for (const Row& r : rows) {
    // The minimum size carries exactly the required flow; a pipe of that
    // capacity or more is kept as it is.
    const routing::SizedPipe c = routing::sizeCircular(0.5f, r.q, r.n, r.slope, kPi);
    if (c.enlarged) {
      EXPECT_NEAR(c.capacity, r.q, 1e-4f * r.q) << r.q;
    }
    EXPECT_FALSE(routing::sizeCircular(c.width, c.capacity, r.n, r.slope, kPi).enlarged);
    const routing::SizedPipe b = routing::sizeRectangular(0.2f, 0.1f, r.q, r.n, r.slope);
    ASSERT_TRUE(b.enlarged);
    EXPECT_NEAR(b.capacity, r.q, 1e-4f * r.q) << r.q;
    EXPECT_NEAR(b.width / b.height, 2.0f, 1e-5f);
  }
  // Hand-worked minimum sizes for 10.001 cfs at n 0.013, S 0.005.
  EXPECT_NEAR(routing::minimumDiameter(10.001f, 0.013f, 0.005f, kPi), 1.677017f, 1e-5f);
  EXPECT_NEAR(routing::minimumRectangle(10.001f, 0.013f, 0.005f, 2.0f).height, 1.099196f, 1e-5f);
}

TEST(PipeSize, UnusableValues) {
  EXPECT_TRUE(routing::pipeValuesUsable(100.0f, 0.013f, 0.001f));
  EXPECT_FALSE(routing::pipeValuesUsable(0.0f, 0.013f, 0.001f));
  EXPECT_FALSE(routing::pipeValuesUsable(100.0f, 0.0f, 0.001f));
  EXPECT_FALSE(routing::pipeValuesUsable(100.0f, 0.013f, -0.001f));
  EXPECT_FALSE(routing::pipeValuesUsable(100.0f, 0.013f, std::nanf("")));
}

// Row 20 is the crown or the depth limit; the full circle has R = D/4:
// (0.75)^0.6667 * pi 9/4 * 1.487/0.013 * 0.0707107 = 47.194 cfs; the box
// 2 x 1 ft has R = 2 / (2 + 2) open at the top: 0.5^(2/3) * 2 * 1.486/0.013 * 0.0707107.
TEST(PipeRating, RowsFromTheBottomToTheCrownOrTheLimit) {
  struct Row {
    PipeShape shape;
    float width, height, limit, top, topFlow;
  } rows[] = {
      {PipeShape::Circular, 3.0f, 0.0f, 0.0f, 3.0f, 47.1942f},
      {PipeShape::Circular, 3.0f, 0.0f, 5.0f, 3.0f, 47.1942f},
      {PipeShape::Rectangular, 2.0f, 1.0f, 0.0f, 1.0f, 10.1837f},
      {PipeShape::Rectangular, 2.0f, 1.0f, 0.5f, 0.5f, -1.0f},
  };
  for (const Row& r : rows) {
    const model::RatingCurve c = routing::pipeRating(r.shape, r.width, r.height, 0.013f, 0.005f, r.limit);
    EXPECT_EQ(c.depth[1], 0.0f);
    EXPECT_EQ(c.flow[1], 0.0f);
    EXPECT_NEAR(c.depth[20], r.top, 1e-5f);
    // The depth is accumulated step by step in single precision, so the top
    // row lies a hair below the crown.
    if (r.topFlow > 0.0f) {
      EXPECT_NEAR(c.flow[20], r.topFlow, 5e-4f * r.topFlow);
    }
    for (int k = 2; k <= 20; ++k) {
      EXPECT_GT(c.area[k], c.area[k - 1]);
      EXPECT_TRUE(std::isfinite(c.flow[k]));
    }
  }
}

struct PipeCase {
  const char* command;
  int message; // 110 circular, 111 rectangular, 0 none
  std::string sizeLine, summaryLine;
  float stepMinutes; // the routing step: RDT in minutes from 1 up
};

// The numbers of the messages a command issued.
struct MessageNumbers : model::RunRecorder {
  std::vector<int> numbers;
  void message(model::MessageRecord r) override { numbers.push_back(r.number); }
  void summary(model::SummaryRecord) override {}
  void hydrograph(model::HydrographRecord) override {}
  void storm(model::StormRecord) override {}
  void fileWritten(const std::string&) override {}
  void units(int) override {}
};

TEST(RoutePipe, TooSmallPipesAreReplacedAndTheVolumeComesBack) {
  const PipeCase cases[] = {
      {"ROUTE PIPE          1, 2, 202, 7, 12, 1000, 0.013, 0.005, 1, 5, 0\n", 110,
       "     *** WARNING: MINIMUM PIPE SIZE REQUIRED =    20.12   (in)", "      [Din= 1.00:Dused= 1.68}", 5.0f},
      {"ROUTE PIPE          2, 2, 202, 8, 24, 12, 1000, 0.013, 0.005, 1, 5, 0\n", 111,
       "     *** WARNING: MINIMUM PIPE SIZE REQUIRED =     2.20 BY    1.10   (ft)", "      {HGTH= 1.10:WDTH= 2.20}",
       5.0f},
      {"ROUTE PIPE          1, 2, 202, 9, 36, 1000, 0.013, 0.005, 1, 5, 0\n", 0, "", "      [Din= 3.00:Dused= 3.00}", 5.0f},
      // A step of exactly 1 is one minute; below 1 it is in hours (0.025 h:
      // 1.5 min, the divisor 3 of the 5-minute inflow step).
      {"ROUTE PIPE          1, 2, 202, 9, 36, 1000, 0.013, 0.005, 1, 1, 0\n", 0, "", "      [Din= 3.00:Dused= 3.00}", 1.0f},
      {"ROUTE PIPE          1, 2, 202, 9, 36, 1000, 0.013, 0.005, 1, 0.025, 0\n", 0, "",
       "      [Din= 3.00:Dused= 3.00}", 5.0f / 3.0f},
  };
  for (const PipeCase& pc : cases) {
    SCOPED_TRACE(pc.command);
    support::ContextHost host;
    host.startRun(1, 1);
    MessageNumbers messages;
    host.ctx.recorder = &messages;
    model::Hydrograph& in = host.ctx.store[1];
    in.NHYD = 101;
    in.DT = 5.0f / 60.0f;
    in.DA = 50.0f;
    in.NPTS = 11;
    in.resize(11);
    const float flows[] = {0, 2, 4, 6, 8, 10, 8, 6, 4, 2, 0};
    for (int i = 1; i <= 11; ++i) in.Q[static_cast<std::size_t>(i)] = flows[i - 1];
    in.QPEAK = 10.0f;
    in.RV = 50.0f * (5.0f / 60.0f) / (50.0f * 1.00833f);
    ASSERT_EQ(host.readCommand(pc.command), run::ReaderStatus::Command);
    routing::routePipe(host.ctx);

    const auto& out = host.detailed.lines;
    const bool printed = std::find(out.begin(), out.end(), pc.sizeLine) != out.end();
    EXPECT_EQ(printed, pc.message != 0);
    const auto issued = [&](int n) {
      return std::find(messages.numbers.begin(), messages.numbers.end(), n) != messages.numbers.end();
    };
    EXPECT_EQ(issued(110), pc.message == 110);
    EXPECT_EQ(issued(111), pc.message == 111);
    EXPECT_FALSE(issued(81)); // no step was read above the inflow's
    EXPECT_NEAR(host.ctx.store[2].DT * 60.0f, pc.stepMinutes, 1e-4f);
    EXPECT_EQ(host.ctx.run.severity, pc.message != 0 ? model::Severity::Warning : model::Severity::Note);
    ASSERT_FALSE(host.summary.lines.empty());
    EXPECT_EQ(host.summary.lines.back(), pc.summaryLine);
    const model::Hydrograph& o = host.ctx.store[2];
    EXPECT_NEAR(o.RV, in.RV, 0.005f * in.RV);
    EXPECT_LE(o.QPEAK, 10.0f);
  }
}

TEST(RoutePipe, RejectedValues) {
  const char* commands[] = {
      "ROUTE PIPE          3, 2, 202, 7, 12, 1000, 0.013, 0.005, 1, 5, 0\n",    // no such type
      "ROUTE PIPE          2, 2, 202, 7, 0, 12, 1000, 0.013, 0.005, 1, 5, 0\n", // box without width
      "ROUTE PIPE          1, 2, 202, 7, 12, 1000, 0.013, 0, 1, 5, 0\n",        // flat
      "ROUTE PIPE          1, 2, 202, 7, 12, 1000, 0, 0.005, 1, 5, 0\n",        // n of 0
      "ROUTE PIPE          1, 2, 202, 7, 12, -10, 0.013, 0.005, 1, 5, 0\n",     // negative length
  };
  for (const char* c : commands) {
    support::ContextHost host;
    host.startRun(1, 1);
    ASSERT_EQ(host.readCommand(c), run::ReaderStatus::Command);
    routing::routePipe(host.ctx);
    EXPECT_EQ(host.ctx.run.severity, model::Severity::Error) << c;
    EXPECT_TRUE(host.summary.lines.empty()) << c;
  }
}

} // namespace
