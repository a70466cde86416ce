// KINROUTE: values that Manning's equation cannot use end the run before any
// output with their message, the cases of the routing step against the inflow
// step, and the inflow's volume through the pipe whatever the two steps.
#include "routing/kinroute.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/recorder.h"
#include "support/context_host.h"

namespace {

// The numbers of the messages a command issued, in order.
struct MessageNumbers : model::RunRecorder {
  std::vector<int> numbers;
  void message(model::MessageRecord record) override { numbers.push_back(record.number); }
  void summary(model::SummaryRecord) override {}
  void hydrograph(model::HydrographRecord) override {}
  void storm(model::StormRecord) override {}
  void fileWritten(const std::string&) override {}
  void units(int) override {}
};

model::Hydrograph triangle(int npts, float dt) {
  model::Hydrograph h;
  h.DT = dt;
  h.DA = 10.0f;
  h.NPTS = npts;
  h.resize(npts);
  for (int i = 1; i <= npts; ++i) h.Q[static_cast<std::size_t>(i)] = static_cast<float>(std::min(i - 1, npts - i));
  h.QPEAK = static_cast<float>((npts - 1) / 2);
  return h;
}

TEST(Kinroute, RejectedValuesEndTheRunBeforeAnyOutput) {
  struct Row {
    const char* values;
    bool dry;
    int message;
  } rows[] = {
      {"2, 202, 1, 24, 500, 0.013, 0, 1, 5, 0", false, 992},     // slope 0
      {"2, 202, 1, 24, 0, 0.013, 0.01, 1, 5, 0", false, 992},    // length 0
      {"2, 202, 1, 24, 500, -0.013, 0.01, 1, 5, 0", false, 992}, // Manning n below 0
      {"2, 202, 1, -1, 500, 0.013, 0.01, 1, 5, 0", true, 993},   // nothing to size a pipe for
      // An added base flow of 1e30 cfs: the inflow vanishes below its resolution.
      {"2, 202, 1, 24, 500, 0.013, 0.01, 1, 5, 1000000000000000000000000000000", false, 974},
      {"11, 202, 1, 24, 500, 0.013, 0.01, 1, 5, 0", false, 920}, // outflow slot 11
      {"2, 202, 1, 24, 500, 0.013, 0.01, 0, 5, 0", false, 920},  // inflow slot 0
  };
  for (const Row& r : rows) {
    support::ContextHost host;
    MessageNumbers issued;
    host.startRun(1, 1);
    if (!r.dry) host.ctx.store[1] = triangle(11, 5.0f / 60.0f);
    ASSERT_EQ(host.readCommand(std::string("KINROUTE            ") + r.values + "\n"), run::ReaderStatus::Command);
    host.ctx.recorder = &issued;
    routing::kinroute(host.ctx);
    host.ctx.recorder = nullptr;
    SCOPED_TRACE(r.values);
    EXPECT_EQ(issued.numbers, std::vector<int>{r.message});
    EXPECT_EQ(host.ctx.run.severity, model::Severity::Error);
    EXPECT_EQ(host.ctx.store[2].NPTS, 0);
    ASSERT_FALSE(host.detailed.lines.empty());
    EXPECT_NE(host.detailed.lines.front().find("ERROR"), std::string::npos);
    EXPECT_TRUE(host.summary.lines.empty());
  }
}

TEST(Kinroute, RoutingStepAgainstTheInflowStep) {
  struct Row {
    float rdt; // as typed: minutes when 1 or more, hours below 1
    int npts;
    float dt; // hours, the step routed at
    int steps; // routing steps the inflow spans (hydrograph cut to the limit)
    bool denied, cut;
  } rows[] = {
      {0.0f, 11, 5.0f / 60.0f, 11, false, false},               // 0: the inflow step
      {5.0f, 11, 5.0f / 60.0f, 11, false, false},               // the inflow step typed
      {5.3f, 11, 5.3f / 60.0f, 10, false, false},               // near the inflow step: interpolated at 5.3 min
      {5.5f, 11, 5.5f / 60.0f, 10, false, false},               // 50 min over 5.5 -> 10 steps
      {4.5f, 11, 5.0f / 60.0f, 11, false, false},               // 5/4.5 + 0.55 -> 1 sub-step: the inflow step
      {15.0f, 11, 0.25f, 3, false, false},                      // every third ordinate, step kept
      {25.0f, 11, 25.0f / 60.0f, 2, false, false},              // every fifth (25/5 is 4.9999995 in floats)
      {7.0f, 11, 7.0f / 60.0f, 8, false, false},                // interpolated: 50 min over 7 -> 8 steps
      {2.0f, 11, 5.0f / 180.0f, 31, false, false},              // 5/2 + 0.55 -> 3 sub-steps
      {1.0f, 11, 1.0f / 60.0f, 51, false, false},               // 1 is a minute: 5 sub-steps
      {0.5f, 11, 0.5f, 1, false, false},                        // below 1: hours, interpolated
      {-1.0f, 11, 5.0f / 60.0f, 11, true, false},               // no sub-step count: denied
      {0.5f / 60.0f, 20001, 0.5f / 60.0f, 105408, false, true}, // 10 sub-steps of 20001 > 105408
  };
  for (const Row& r : rows) {
    const model::Hydrograph in = triangle(r.npts, 5.0f / 60.0f);
    routing::KinrouteValues v;
    v.diameter = 36.0f;
    v.length = 100.0f;
    v.n = 0.013f;
    v.slope = 0.01f;
    v.rdt = r.rdt;
    const routing::KinrouteResult k = routing::computeKinroute(in, v);
    SCOPED_TRACE(r.rdt);
    EXPECT_NEAR(k.dt, r.dt, 1e-6f);
    EXPECT_GE(k.npts, r.steps);
    EXPECT_EQ(k.stepDenied, r.denied);
    EXPECT_EQ(k.cut, r.cut);
    EXPECT_LE(k.npts, model::kMaxOrdinates);
  }
}

// A smooth storm (a sine bell over four hours, 40 cfs at its peak) routed by
// the command through a 48-inch pipe at every pair of inflow and routing
// steps: the outflow holds the inflow's volume, the inflow keeps its own step,
// and the messages are the step's. A routing step close to the inflow step
// (within 0.01 h) is no exception.
TEST(Kinroute, OutflowHoldsTheInflowVolumeAtEveryStep) {
  struct Row {
    float inflowMinutes;
    const char* rdt; // as typed
    std::vector<int> messages;
  } rows[] = {
      {5.0f, "5.5", {73}},  {5.0f, "5.3", {73}},  {5.0f, "4.5", {73}}, {5.0f, "5", {73}},  {5.0f, "0", {73}},
      {5.0f, "5.1", {73}},  {5.0f, "4.9", {73}},  {5.0f, "7", {73}},   {5.0f, "10", {73}}, {5.0f, "25", {73}},
      {5.0f, "12.5", {73}}, {5.0f, "2", {73}},    {5.0f, "1", {73}},   {1.0f, "1.3", {73}},  {1.0f, "30", {73}},
      {10.0f, "10.5", {73}}, {10.0f, "3", {73}}, {15.0f, "14.5", {73}}, {3.0f, "0.05", {73}},
  };
  for (const Row& r : rows) {
    support::ContextHost host;
    MessageNumbers issued;
    host.startRun(1, 1);
    model::Hydrograph& in = host.ctx.store[1];
    in.NHYD = 101;
    in.DT = r.inflowMinutes / 60.0f;
    in.DA = 100.0f;
    in.NPTS = static_cast<int>(std::lround(240.0f / r.inflowMinutes)) + 1;
    in.resize(in.NPTS);
    double inVolume = 0.0;
    for (int i = 1; i <= in.NPTS; ++i) {
      const float t = static_cast<float>(i - 1) / static_cast<float>(in.NPTS - 1);
      const float q = 40.0f * std::pow(std::sin(3.14159265f * t), 2.0f);
      in.Q[static_cast<std::size_t>(i)] = q;
      in.QPEAK = std::max(in.QPEAK, q);
      inVolume += static_cast<double>(q) * in.DT;
    }
    ASSERT_EQ(host.readCommand(std::string("KINROUTE            2, 202, 1, 48, 300, 0.013, 0.005, 1, ") + r.rdt +
                               ", 0\n"),
              run::ReaderStatus::Command);
    host.ctx.recorder = &issued;
    routing::kinroute(host.ctx);
    host.ctx.recorder = nullptr;
    SCOPED_TRACE(::testing::Message() << "inflow step " << r.inflowMinutes << " min, RDT " << r.rdt);
    const model::Hydrograph& out = host.ctx.store[2];
    double outVolume = 0.0;
    for (int i = 1; i <= out.NPTS; ++i) outVolume += static_cast<double>(out.Q[static_cast<std::size_t>(i)]) * out.DT;
    EXPECT_NEAR(outVolume / inVolume, 1.0, 0.003); // a step off by 5 % stretched it by 5 %
    EXPECT_LE(out.QPEAK, in.QPEAK);
    EXPECT_FLOAT_EQ(host.ctx.store[1].DT, r.inflowMinutes / 60.0f);
    EXPECT_EQ(issued.numbers, r.messages);
  }
}

} // namespace

namespace {

// Metric input: the diameter in mm, the length in m and the added base flow in
// cms reach the routing in inches, feet and cfs.
TEST(Kinroute, MetricValues) {
  support::ContextHost host;
  host.startRun(2, 2);
  ASSERT_EQ(host.readCommand("KINROUTE            2, 0, 7, 600, 100, 0.013, 0.01, 1, 10, 0.1\n"),
            run::ReaderStatus::Command);
  const routing::KinrouteValues v = routing::readKinroute(host.ctx);
  EXPECT_NEAR(v.diameter, 600.0f / model::kMmPerInch, 1e-4f);
  EXPECT_NEAR(v.length, 328.08f, 1e-2f);
  EXPECT_NEAR(v.extraBase, 0.1f * model::kFeetPerMetre * model::kFeetPerMetre * model::kFeetPerMetre, 1e-4f);
  EXPECT_EQ(v.idIn, 1);
  EXPECT_NEAR(routing::requestedStep(v.rdt, 0.5f), 10.0f / 60.0f, 1e-6f);
  EXPECT_NEAR(routing::requestedStep(0.0f, 0.5f), 0.5f, 1e-6f);
  EXPECT_NEAR(routing::requestedStep(0.25f, 0.5f), 0.25f, 1e-6f);
  EXPECT_NEAR(routing::requestedStep(1.0f, 0.5f), 1.0f / 60.0f, 1e-6f); // 1 is a minute
  EXPECT_NEAR(routing::requestedStep(0.99f, 0.5f), 0.99f, 1e-6f);       // below 1: hours
}

} // namespace
