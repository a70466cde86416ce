// KINROUTE: values that Manning's equation cannot use end the run before any
// output, and the three cases of the routing step against the inflow step.
#include "routing/kinroute.h"

#include <gtest/gtest.h>

#include <string>

#include "support/context_host.h"

namespace {

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
      {"11, 202, 1, 24, 500, 0.013, 0.01, 1, 5, 0", false, 920}, // outflow slot 11
      {"2, 202, 1, 24, 500, 0.013, 0.01, 0, 5, 0", false, 920},  // inflow slot 0
  };
  for (const Row& r : rows) {
    support::ContextHost host;
    host.startRun(1, 1);
    if (!r.dry) host.ctx.store[1] = triangle(11, 5.0f / 60.0f);
    ASSERT_EQ(host.readCommand(std::string("KINROUTE            ") + r.values + "\n"), run::ReaderStatus::Command);
    routing::kinroute(host.ctx);
    SCOPED_TRACE(r.values);
    EXPECT_EQ(host.ctx.run.severity, model::Severity::Error);
    EXPECT_EQ(host.ctx.store[2].NPTS, 0);
    ASSERT_FALSE(host.detailed.lines.empty());
    EXPECT_NE(host.detailed.lines.front().find("ERROR"), std::string::npos);
    EXPECT_TRUE(host.summary.lines.empty());
  }
}

TEST(Kinroute, RoutingStepAgainstTheInflowStep) {
  struct Row {
    float rdt; // as typed
    int npts;
    float dt; // hours, the step routed at
    bool inflowDtSet, denied, cut;
  } rows[] = {
      {5.3f, 11, 5.3f / 60.0f, true, false, false},            // within 0.01 h: the requested step
      {0.0f, 11, 5.0f / 60.0f, true, false, false},            // 0: the inflow step
      {15.0f, 11, 0.25f, false, false, false},                 // every third ordinate, step kept
      {2.0f, 11, 5.0f / 180.0f, false, false, false},          // 5/2 + 0.55 -> 3 sub-steps
      {-1.0f, 11, 5.0f / 60.0f, false, true, false},           // no sub-step count: denied
      {0.5f / 60.0f, 20001, 0.5f / 60.0f, false, false, true}, // 10 sub-steps of 20001 > 105408
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
    EXPECT_EQ(k.inflowDtSet, r.inflowDtSet);
    EXPECT_EQ(k.stepDenied, r.denied);
    EXPECT_EQ(k.cut, r.cut);
    EXPECT_LE(k.npts, model::kMaxOrdinates);
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
}

} // namespace
