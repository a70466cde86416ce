// Benchmark of ROUTE RESERVOIR on the longest hydrograph a slot holds: 105,408
// hourly ordinates (twelve years) of a flashy urban outlet, routed on
// 15-minute sub-steps (the sub-stepped record is cut at 105,408 steps, as the
// command does). Two figures: the routing computation alone, and the whole
// command as the program runs it (values, table, routing, store, printout and
// summary lines to sinks that drop them).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "model/context.h"
#include "routing/reservoir.h"
#include "support/context_host.h"

namespace {

constexpr int kSteps = 105'408;

// Table of a pond, in the command's order: outflow (cfs), storage (ac.ft).
const std::vector<float> kTable = {0, 0, 2, 0.5f, 6, 1.2f, 12, 2.2f, 20, 3.5f, 35, 5.5f, 60, 8.5f, 100, 13.0f};

std::vector<float> record() {
  // Dry hours with a trickle, and storms of a few hours up to 150 cfs with a
  // fixed seed, so every run routes the same water.
  std::mt19937 rng(2011);
  std::uniform_int_distribution<int> start(0, 40);
  std::uniform_int_distribution<int> length(2, 8);
  std::uniform_real_distribution<float> peak(5.0f, 150.0f);
  std::vector<float> q(kSteps + 1, 0.0f);
  for (int i = 1; i <= kSteps;) {
    if (start(rng) == 0) {
      const int n = length(rng);
      const float p = peak(rng);
      for (int m = 0; m < n && i <= kSteps; ++m, ++i) {
        q[static_cast<std::size_t>(i)] = p * (1.0f - std::abs(2.0f * static_cast<float>(m) / n - 1.0f)) + 0.1f;
      }
    } else {
      q[static_cast<std::size_t>(i++)] = 0.1f;
    }
  }
  return q;
}

void routingOnly(benchmark::State& state) {
  const std::vector<float> q = record();
  std::vector<float> param(1, 0.0f);
  param.insert(param.end(), kTable.begin(), kTable.end());
  param.insert(param.end(), {-1, -1});
  const routing::ReservoirTable table =
      routing::readReservoirTable(param, 1, static_cast<int>(param.size()) - 1, 1.0f, 1.0f, 1.0f);
  routing::ReservoirRouting job;
  job.inflow = q;
  job.npts = kSteps;
  job.inflowDt = 1.0f;
  job.requestedDt = 0.25f;
  job.table = &table;
  for (auto _ : state) {
    routing::ReservoirResult r = routing::routeThroughReservoir(job);
    benchmark::DoNotOptimize(r.outflowPeak);
  }
  state.counters["steps"] = kSteps;
}
BENCHMARK(routingOnly)->Unit(benchmark::kMillisecond);

void wholeCommand(benchmark::State& state) {
  support::MemoryPlatform host{platform::DateTime{2024, 1, 1, 0, 0, 0}};
  model::RunContext ctx{host.platform};
  support::setUnits(ctx, 1, 1);
  ctx.storm.PTOT = 1.0e-6f;
  const std::vector<float> q = record();
  std::vector<float> values = {2, 202, 1, 15};
  values.insert(values.end(), kTable.begin(), kTable.end());
  values.insert(values.end(), {-1, -1, 3, 303});
  float peak = 0.0f;
  for (float v : q) peak = std::max(peak, v);
  for (auto _ : state) {
    // The inflow slot as a producer leaves it (the overflow slot spills the largest storms).
    model::Hydrograph& in = ctx.store[1];
    in.NHYD = 101;
    in.DT = 1.0f;
    in.DA = 250.0f;
    in.NPTS = kSteps;
    in.Q = q;
    in.QPEAK = peak;
    in.RV = 1.0f;
    ctx.cmd.NPARAM = 100;
    ctx.cmd.given = static_cast<int>(values.size());
    std::fill(ctx.cmd.PARAM.begin(), ctx.cmd.PARAM.end(), 0.0f);
    std::copy(values.begin(), values.end(), ctx.cmd.PARAM.begin() + 1);
    ctx.run.severity = model::Severity::Note;
    routing::routeReservoir(ctx);
    benchmark::DoNotOptimize(ctx.store[2].QPEAK);
  }
  state.counters["NPTS"] = ctx.store[2].NPTS;
  state.counters["overflows"] = ctx.store[3].NPTS;
}
BENCHMARK(wholeCommand)->Unit(benchmark::kMillisecond);

} // namespace
