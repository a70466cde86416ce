// Benchmark of channel routing on the longest hydrograph the program holds:
// 105,408 hourly ordinates (twelve years) of storm runoff through a 5000 ft
// trapezoidal reach. One iteration routes the whole record: the pure
// computation alone, and the ROUTE CHANNEL command with its rating curve,
// travel-time table, store, printout (to sinks that drop it) and summary.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "model/context.h"
#include "routing/channel.h"
#include "routing/rating_curve.h"
#include "routing/route_channel.h"
#include "routing/travel_time.h"
#include "support/context_host.h"

namespace {

constexpr int kSteps = 105'408;

// Runoff events of a few hours to a day, up to 400 cfs, about one in a week.
std::vector<float> record() {
  std::mt19937 rng(2012);
  std::uniform_int_distribution<int> gap(24, 300);
  std::uniform_int_distribution<int> length(3, 24);
  std::uniform_real_distribution<float> peak(5.0f, 400.0f);
  std::vector<float> q(kSteps, 0.0f);
  for (int i = gap(rng); i < kSteps;) {
    const int n = length(rng);
    const float p = peak(rng);
    for (int k = 0; k < n && i + k < kSteps; ++k) {
      q[static_cast<std::size_t>(i + k)] = p * static_cast<float>(std::min(k + 1, n - k)) / static_cast<float>(n);
    }
    i += n + gap(rng);
  }
  return q;
}

routing::SectionInput trapezoid() {
  routing::SectionInput s;
  s.segments = {{0.035f, 40.0f}};
  s.points = {{0.0f, 10.0f}, {10.0f, 0.0f}, {30.0f, 0.0f}, {40.0f, 10.0f}};
  s.minElevation = 0.0f;
  s.maxElevation = 10.0f;
  s.channelSlope = s.floodplainSlope = 0.002f;
  return s;
}

void BM_ChannelRoutingComputation(benchmark::State& state) {
  const std::vector<float> q = record();
  const routing::ComputedRatingCurve r = routing::computeRatingCurve(trapezoid());
  const model::RatingCurve* one[] = {&r.curve};
  const routing::ComputedTravelTime t = routing::computeTravelTime(one, 5000.0f, 0.002f);
  routing::ChannelRoutingInput in;
  in.inflow = q;
  in.inflowDt = 1.0f;
  in.area = 2000.0f;
  in.inflowPeak = 400.0f;
  in.table = &t.table;
  in.fall = t.fall;
  for (auto _ : state) {
    routing::ChannelRoutingResult out = routing::routeChannel(in);
    benchmark::DoNotOptimize(out.q.data());
  }
}
BENCHMARK(BM_ChannelRoutingComputation)->Unit(benchmark::kMillisecond);

void BM_RouteChannelCommand(benchmark::State& state) {
  support::MemoryPlatform host{platform::DateTime{2024, 1, 1, 0, 0, 0}};
  model::RunContext ctx{host.platform};
  support::setUnits(ctx, 1, 1);
  ctx.storm.PTOT = 1.0e-6f;
  const std::vector<float> q = record();
  // ROUTE CHANNEL 2 <- 1, RDT 0 (the inflow's hour), 5000 ft at 0.2 %, one segment.
  const std::vector<float> values = {2, 202, 1, 0, 5000, 0.2f, 0.2f, 1, 1, 0.035f, 40, 0, 10, 10, 0, 30, 0, 40, 10};
  ctx.cmd.NPARAM = 125;
  ctx.cmd.given = static_cast<int>(values.size());
  for (std::size_t k = 0; k < values.size(); ++k) ctx.cmd.PARAM[k + 1] = values[k];
  for (auto _ : state) {
    model::Hydrograph& h = ctx.store[1];
    h.NHYD = 101;
    h.DT = 1.0f;
    h.DA = 2000.0f;
    h.NPTS = kSteps;
    h.Q.assign(q.size() + 1, 0.0f);
    std::copy(q.begin(), q.end(), h.Q.begin() + 1);
    h.QPEAK = 400.0f;
    ctx.run.severity = model::Severity::Note;
    routing::routeChannelCommand(ctx);
    benchmark::DoNotOptimize(ctx.store[2].Q.data());
  }
}
BENCHMARK(BM_RouteChannelCommand)->Unit(benchmark::kMillisecond);

} // namespace
