// Level-pool routing: reading the outflow-storage table, the sub-step rule,
// conservation of volume with and without the overflow slot, a linear
// reservoir against its analytic response, and the command's refusals.
#include "routing/reservoir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "hydrograph/store_hyd.h"
#include "run/messages.h"
#include "support/context_host.h"

namespace {

using routing::ReservoirResult;
using routing::ReservoirRouting;
using routing::ReservoirStatus;
using routing::ReservoirTable;

std::vector<float> oneBased(const std::vector<float>& v) {
  std::vector<float> p(1, 0.0f);
  p.insert(p.end(), v.begin(), v.end());
  return p;
}

ReservoirTable table(const std::vector<float>& pairs, float length = 1.0f, float area = 1.0f) {
  const std::vector<float> p = oneBased(pairs);
  return routing::readReservoirTable(p, 1, static_cast<int>(pairs.size()), 1.0f, length, area);
}

ReservoirResult route(const std::vector<float>& q, float dt, float rdt, const ReservoirTable& t, bool overflow) {
  const std::vector<float> in = oneBased(q);
  ReservoirRouting job;
  job.inflow = in;
  job.npts = static_cast<int>(q.size());
  job.inflowDt = dt;
  job.requestedDt = rdt;
  job.table = &t;
  job.overflow = overflow;
  return routing::routeThroughReservoir(job);
}

float sum(const std::vector<float>& v) {
  float s = 0.0f;
  for (float x : v) s += x;
  return s;
}

bool allFinite(const ReservoirResult& r) {
  for (float x : r.outflow)
    if (!std::isfinite(x) || x < 0.0f) return false;
  for (float x : r.overflow)
    if (!std::isfinite(x) || x < 0.0f) return false;
  return std::isfinite(r.maxStorage) && std::isfinite(r.outflowSum) && std::isfinite(r.overflowSum);
}

// A triangular storm hydrograph that starts and ends dry.
const std::vector<float> kInflow = {0, 5, 15, 30, 42, 35, 24, 15, 9, 5, 2, 0.5f, 0};
// A pond whose table empties: outflow rises with storage from zero.
const std::vector<float> kPond = {0, 0, 3, 0.5f, 8, 1.2f, 15, 2.0f, 25, 3.0f, 40, 4.5f, -1, -1};

TEST(ReservoirTable, EndPairAndOverflowNumbers) {
  struct Case {
    const char* what;
    std::vector<float> values;
    int n, badPairs, overflowId, overflowNhyd;
    bool endPair;
  };
  std::vector<float> twenty, twentyOpen;
  for (int k = 0; k < 20; ++k) {
    twenty.insert(twenty.end(), {static_cast<float>(k), static_cast<float>(k)});
    twentyOpen.insert(twentyOpen.end(), {static_cast<float>(k), static_cast<float>(k)});
  }
  twenty.insert(twenty.end(), {-1, -1, 7, 70});
  twentyOpen.insert(twentyOpen.end(), {20, 20, 7, 70});
  const std::vector<Case> cases = {
      {"smaller outflow ends it, next numbers are the slot", {0, 0, 1, 100, 0.5f, 200, 3, 33}, 2, 0, 3, 33, true},
      {"negative end pair", {0, 0, 2, 1, 5, 3, -1, -1, 4, 0}, 3, 0, 4, 0, true},
      {"flat stretch accepted", {0, 0, 2, 1, 2, 2, -1, -1}, 3, 0, 0, 0, true},
      {"storage falls from point 2", {0, 0, 2, 3, 5, 1, -1, -1}, 3, 1, 0, 0, true},
      {"negative storage", {0, 0, 2, -1, -1, -1}, 2, 1, 0, 0, true},
      {"values run out", {0, 0, 2, 1}, 2, 0, 0, 0, true},
      {"20 points and an end pair", twenty, 20, 0, 7, 70, true},
      {"20 points and no end pair", twentyOpen, 20, 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    const ReservoirTable t = table(c.values);
    EXPECT_EQ(t.n, c.n) << c.what;
    EXPECT_EQ(t.badPairs, c.badPairs) << c.what;
    EXPECT_EQ(t.endPairFound, c.endPair) << c.what;
    if (!c.endPair) continue;
    EXPECT_EQ(t.overflowId, c.overflowId) << c.what;
    EXPECT_EQ(t.overflowNhyd, c.overflowNhyd) << c.what;
  }
  // Hectare-metres: times the length and area factors and 12.1 cfs-hours per acre-foot.
  const ReservoirTable m = table({0, 0, 1, 2, -1, -1}, 3.2808f, 2.471f);
  EXPECT_FLOAT_EQ(m.storage[2], 2.0f * 3.2808f * 2.471f * 12.1f);
}

TEST(ReservoirRouting, SubStepsRoundWithPointFiftyFive) {
  struct Case {
    float inflowDt, requested;
    int nsub;
    bool denied;
  };
  const std::vector<Case> cases = {
      {0.49f, 12.0f / 60.0f, 3, false},         // 2.45 + 0.55 = 3
      {61.0f / 60.0f, 25.0f / 60.0f, 2, false}, // 2.44 + 0.55 = 2.99
      {1.0f, 0.5f, 2, false},
      {1.0f, 1.0f, 1, false},
      {0.5f, 1.0f, 1, false}, // 0.5 + 0.55 still rounds to 1
      {0.5f, 1.5f, 1, true},  // 0.33 + 0.55 rounds to 0: refused
      {1.0f, -0.1f, 1, true},
      {1.0f, 1.0e-30f, 105408, false}, // never beyond the ordinate limit
  };
  const ReservoirTable t = table(kPond);
  for (const Case& c : cases) {
    const ReservoirResult r = route(kInflow, c.inflowDt, c.requested, t, false);
    EXPECT_EQ(r.nsub, c.nsub) << c.inflowDt << " / " << c.requested;
    EXPECT_EQ(r.stepDenied, c.denied) << c.inflowDt << " / " << c.requested;
    EXPECT_FLOAT_EQ(r.dt, c.inflowDt / static_cast<float>(c.nsub));
    EXPECT_TRUE(allFinite(r));
  }
}

TEST(ReservoirRouting, EmptyingPondReturnsTheInflowVolume) {
  const ReservoirTable t = table(kPond);
  const float inflowVolume = sum(kInflow) * 0.5f; // cfs-hours at 30-minute steps
  for (float rdt : {0.5f, 0.25f, 10.0f / 60.0f, 5.0f / 60.0f}) {
    const ReservoirResult r = route(kInflow, 0.5f, rdt, t, false);
    ASSERT_EQ(r.status, ReservoirStatus::Routed);
    EXPECT_FALSE(r.extrapolated) << rdt;
    EXPECT_NEAR(r.outflowSum * r.dt, inflowVolume, inflowVolume * 1.0e-4f) << rdt;
    EXPECT_LT(r.outflowPeak, 42.0f) << rdt;
    EXPECT_LT(r.outflow[static_cast<std::size_t>(r.npts)], 3.528e-6f) << rdt;
    EXPECT_TRUE(allFinite(r));
  }
}

TEST(ReservoirRouting, OverflowAndOutflowShareTheInflow) {
  // A small pond: the top outflow, 8 cfs, is passed and the rest spills.
  const ReservoirTable t = table({0, 0, 3, 0.3f, 8, 0.8f, -1, -1, 5, 0});
  const float area = 60.0f;
  const float inflowVolume = sum(kInflow) * 0.5f;
  const float inflowRv = inflowVolume / (area * 1.00833f);
  for (float rdt : {0.5f, 0.25f, 5.0f / 60.0f}) {
    const ReservoirResult r = route(kInflow, 0.5f, rdt, t, true);
    ASSERT_EQ(r.status, ReservoirStatus::Routed);
    EXPECT_FLOAT_EQ(r.outflowPeak, 8.0f) << rdt;
    EXPECT_GT(r.overflowSum, 0.0f) << rdt;
    EXPECT_EQ(r.overflowEvents, 1) << rdt;
    EXPECT_NEAR((r.outflowSum + r.overflowSum) * r.dt, inflowVolume, inflowVolume * 1.0e-4f) << rdt;
    // The largest storage held is the top of the table.
    EXPECT_NEAR(r.maxStorage, 0.8f * 12.1f, 1.0e-3f) << rdt;
    const routing::ReservoirVolumes v = routing::reservoirVolumes(r, area, inflowRv, true);
    EXPECT_NEAR(v.outflowArea + v.overflowArea, area, 1.0e-4f) << rdt;
    EXPECT_NEAR(v.outflowRv, inflowRv, 0.005f) << rdt;
    EXPECT_NEAR(v.overflowRv, inflowRv, 0.005f) << rdt;
    EXPECT_TRUE(allFinite(r));
  }
}

TEST(ReservoirRouting, LinearReservoirFollowsItsAnalyticResponse) {
  // S = K O with K = 1 hour, a constant 10 cfs for 6 hours, 5-minute steps.
  const float k = 1.0f, dt = 5.0f / 60.0f;
  std::vector<float> pairs;
  for (int p = 0; p <= 10; ++p) pairs.insert(pairs.end(), {5.0f * p, 5.0f * p * k / 12.1f});
  pairs.insert(pairs.end(), {-1, -1});
  const ReservoirTable t = table(pairs);
  std::vector<float> q(1 + 72, 10.0f);
  q[0] = 0.0f;
  q.push_back(0.0f);
  const ReservoirResult r = route(q, dt, dt, t, false);
  ASSERT_EQ(r.status, ReservoirStatus::Routed);
  for (int i = 12; i <= 72; i += 12) {
    // The inflow ramps up over the first step: it acts from half a step on.
    const float hours = dt * static_cast<float>(i - 1) - dt / 2.0f;
    const float analytic = 10.0f * (1.0f - std::exp(-hours / k));
    EXPECT_NEAR(r.outflow[static_cast<std::size_t>(i)], analytic, 0.03f) << hours;
  }
  // After the inflow ends the pond recedes by (K/dt - 1/2) / (K/dt + 1/2) a step.
  const float ratio = (k / dt - 0.5f) / (k / dt + 0.5f);
  for (int i = 80; i < 120; ++i) {
    EXPECT_NEAR(r.outflow[static_cast<std::size_t>(i + 1)] / r.outflow[static_cast<std::size_t>(i)], ratio, 1.0e-4f);
  }
  // The storage held peaks at K times the outflow peak (cfs-hours).
  EXPECT_NEAR(r.maxStorage, k * r.outflowPeak, 1.0e-3f * r.maxStorage);
}

TEST(ReservoirRouting, SubSteppedRecordIsCutAtTheOrdinateLimit) {
  std::vector<float> q(105408, 1.0f);
  q.front() = 0.0f;
  const ReservoirResult r = route(q, 1.0f, 0.5f, table(kPond), false);
  EXPECT_TRUE(r.cut);
  EXPECT_EQ(r.npts, 105408);
  EXPECT_EQ(r.outflow.size(), 105409u);
  EXPECT_FALSE(route(kInflow, 1.0f, 0.5f, table(kPond), false).cut);
}

TEST(ReservoirRouting, DegenerateTablesStayFinite) {
  struct Case {
    const char* what;
    std::vector<float> pairs;
    bool overflow;
    ReservoirStatus status;
  };
  const std::vector<Case> cases = {
      {"single point, extrapolation needed", {0, 0, -1, -1}, false, ReservoirStatus::SinglePointBeyondTable},
      {"single point with an overflow slot", {0, 0, -1, -1}, true, ReservoirStatus::Routed},
      {"top storage falls", {0, 0, 2, 1, 5, 0.5f, -1, -1}, false, ReservoirStatus::Routed},
      {"top storage flat", {0, 0, 2, 1, 5, 1, -1, -1}, false, ReservoirStatus::Routed},
      {"first outflow not zero", {1, 0, 2, 1, -1, -1}, false, ReservoirStatus::Routed},
      {"all storage, no outflow", {0, 0, 0, 1, 0, 2, -1, -1}, false, ReservoirStatus::Routed},
  };
  for (const Case& c : cases) {
    const ReservoirResult r = route(kInflow, 0.5f, 0.25f, table(c.pairs), c.overflow);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_TRUE(allFinite(r)) << c.what;
    EXPECT_LE(r.npts, 105408) << c.what;
  }
  const ReservoirResult noStep = route(kInflow, 0.0f, 0.25f, table(kPond), false);
  EXPECT_EQ(noStep.status, ReservoirStatus::NoInflowStep);
  // No area: no depth, never a division by zero.
  const ReservoirResult r = route(kInflow, 0.5f, 0.5f, table(kPond), true);
  const routing::ReservoirVolumes v = routing::reservoirVolumes(r, 0.0f, 0.0f, true);
  EXPECT_EQ(v.outflowRv, 0.0f);
  EXPECT_EQ(v.overflowArea, 0.0f);
}

// ---- the command ----

struct Command : support::ContextHost {
  Command() {
    startRun(1, 1);
    ctx.storm.PTOT = 1.0e-6f;
  }
  void run(const std::string& text, void (*routine)(model::RunContext&)) {
    ASSERT_EQ(readCommand(text), run::ReaderStatus::Command) << text;
    routine(ctx);
  }
  bool logHas(const std::string& text) const {
    for (const std::string& l : log.lines)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }
};

const std::string kStore = "STORE HYD           ID=[1], NHYD=[11], DT=[30], AREA=[60]\n"
                           "                    0 5 15 30 42 35 24 15 9 5 2 0.5 0 -1\n";

TEST(RouteReservoirCommand, RefusalsEndTheRun) {
  struct Case {
    const char* what;
    const char* values;
    const char* text; // the message's first words in the log
  };
  const std::vector<Case> cases = {
      {"outflow slot 11", "11, 2, 1, 5, 0 0 3 0.5 -1 -1 0 0", "Hydrograph ID must be from 1 to 10"},
      {"inflow slot 0", "2, 2, 0, 5, 0 0 3 0.5 -1 -1 0 0", "Hydrograph ID must be from 1 to 10"},
      {"inflow is outflow", "1, 2, 1, 5, 0 0 3 0.5 -1 -1 0 0", "Inflow ID cannot be equal"},
      {"overflow is inflow", "2, 2, 1, 5, 0 0 3 0.5 -1 -1 1 0", "OVERFLOW ID cannot"},
      {"overflow slot 12", "2, 2, 1, 5, 0 0 3 0.5 -1 -1 12 0", "Hydrograph ID must be from 1 to 10"},
      {"storage falls", "2, 2, 1, 5, 0 0 3 0.5 8 0.2 -1 -1 0 0", "Check the OUTFLOW-STORAGE"},
      {"one point beyond", "2, 2, 1, 5, 0 0 -1 -1 0 0", "table of one point"},
      {"step longer than the inflow's", "2, 2, 1, 90, 0 0 3 0.5 50 5 -1 -1 0 0", "Routing time step must be"},
      {"20 points, no end pair",
       "2, 2, 1, 5, 0 0 1 1 2 2 3 3 4 4 5 5 6 6 7 7 8 8 9 9 10 10\n"
       "                    11 11 12 12 13 13 14 14 15 15 16 16 17 17 18 18 19 19 20 20",
       "20 points and no"},
  };
  for (const Case& c : cases) {
    Command h;
    h.run(kStore, hydrograph::storeHyd);
    const model::Hydrograph before = h.ctx.store[1];
    h.run(std::string("ROUTE RESERVOIR     ") + c.values + "\n", routing::routeReservoir);
    EXPECT_EQ(h.ctx.run.severity, run::Severity::Error) << c.what;
    EXPECT_TRUE(h.logHas(c.text)) << c.what;
    // The inflow is never changed by a refused command.
    EXPECT_EQ(h.ctx.store[1].QPEAK, before.QPEAK) << c.what;
    EXPECT_EQ(h.ctx.store[1].RV, before.RV) << c.what;
    EXPECT_EQ(h.ctx.store[1].NHYD, before.NHYD) << c.what;
  }
}

TEST(RouteReservoirCommand, BaseflowJoinsTheInflowAndExtrapolationIsReportedOnce) {
  Command h;
  h.run(kStore, hydrograph::storeHyd);
  model::Hydrograph& in = h.ctx.store[1];
  in.BASE = 2.0f;
  const float peak = in.QPEAK;
  // A table too small for the storm: the storage goes past its top many times.
  h.run("ROUTE RESERVOIR     2, 22, 1, 10, 0 0 3 0.2 6 0.4 -1 -1 0 0\n", routing::routeReservoir);
  EXPECT_EQ(in.BASE, 0.0f);
  EXPECT_FLOAT_EQ(in.QPEAK, peak + 2.0f);
  EXPECT_FLOAT_EQ(in.Q[1], 2.0f);
  EXPECT_TRUE(h.logHas("DWF was added to inflow"));
  int extrapolations = 0;
  for (const std::string& l : h.log.lines) extrapolations += l.find("were extrapolated") != std::string::npos;
  EXPECT_EQ(extrapolations, 1);
  // Warnings end with the command.
  EXPECT_EQ(h.ctx.run.severity, run::Severity::Note);
  EXPECT_EQ(h.ctx.store[2].NHYD, 22);
  EXPECT_GT(h.ctx.store[2].NPTS, in.NPTS * 3);
}

} // namespace
