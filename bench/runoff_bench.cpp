// Benchmark of the continuous runoff commands on the longest storm the program
// holds: 105,408 hourly steps (twelve years) with its antecedent precipitation
// index series. One iteration is one whole command: losses, storage
// coefficients, unit hydrographs and convolution, with the printout going to
// sinks that drop it.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "model/context.h"
#include "rain/antecedent_index.h"
#include "run/default_values.h"
#include "runoff/nashyd.h"
#include "runoff/standhyd.h"
#include "support/context_host.h"

namespace {

constexpr int kSteps = 105'408;

// The outputs stay on the context's own sinks, which drop every line.
struct Bench {
  support::MemoryPlatform host{platform::DateTime{2024, 1, 1, 0, 0, 0}};
  model::RunContext ctx{host.platform};

  Bench() {
    support::setUnits(ctx, 1, 1);
    run::setBuiltInDefaults(ctx.defaults);
    // An hourly record with a fixed seed: about one wet hour in twelve, in
    // showers of a few hours with intensities up to an inch an hour.
    std::mt19937 rng(1998);
    std::uniform_int_distribution<int> start(0, 35);
    std::uniform_int_distribution<int> length(1, 6);
    std::uniform_real_distribution<float> depth(0.01f, 1.0f);
    model::Storm& s = ctx.storm;
    s.RAIN.assign(kSteps + 1, 0.0f);
    float sum = 0.0f;
    for (int i = 1; i <= kSteps;) {
      if (start(rng) == 0) {
        for (int n = length(rng); n > 0 && i <= kSteps; --n, ++i) {
          s.RAIN[static_cast<std::size_t>(i)] = depth(rng);
          sum += s.RAIN[static_cast<std::size_t>(i)];
        }
      } else {
        ++i;
      }
    }
    s.work = s.RAIN;
    s.SDT = s.workDT = 1.0f;
    s.NSTEP = s.workSteps = kSteps;
    s.PTOT = sum;
    ctx.api.dt = 1.0f;
    rain::computeApiSeries(s.RAIN, kSteps, 1.0f, 0.5f, 0.9f, ctx.api.API);
  }

  // The values as the command reader leaves them.
  void values(int nparam, const std::vector<float>& v) {
    ctx.cmd.NPARAM = nparam;
    std::fill(ctx.cmd.PARAM.begin(), ctx.cmd.PARAM.end(), 0.0f);
    for (std::size_t k = 0; k < v.size(); ++k) ctx.cmd.PARAM[k + 1] = v[k];
    ctx.run.severity = model::Severity::Note;
  }
};

void continuousNashyd(benchmark::State& state) {
  Bench b;
  // Slot 1, hourly, 100 acres, CN 75 with Ia = 0.2 S, N 3, TP 3 h, continuous
  // values, groundwater option 1, the current storm.
  const std::vector<float> v = {1, 1, 60, 100, 0, 75, -1, 3, 3, 24, -1, -1, 0.05f, 12, 1, 0.5f, 0.95f, 0.001f, -1};
  for (auto _ : state) {
    b.values(610, v);
    runoff::continuousNashyd(b.ctx);
    benchmark::DoNotOptimize(b.ctx.store[1].QPEAK);
  }
  state.counters["steps"] = kSteps;
  state.counters["NPTS"] = b.ctx.store[1].NPTS;
  state.counters["RV_in"] = b.ctx.store[1].RV;
}
BENCHMARK(continuousNashyd)->Unit(benchmark::kMillisecond);

void continuousStandhyd(benchmark::State& state) {
  Bench b;
  // Slot 2, hourly, 50 acres, XIMP 0.3, TIMP 0.45, LOSS 2 with CN 75, both
  // surfaces described, recovery times, SMIN/SMAX from CN, the current storm.
  const std::vector<float> v = {2, 2,     60, 50,  0.3f,   0.45f, 0,  2, 75, 0.2f, 2,     40, 0.25f,
                                0, 0.05f, 1,  300, 0.013f, 0,     24, 6, -1, -1,   0.05f, 12, -1};
  for (auto _ : state) {
    b.values(30, v);
    runoff::continuousStandhyd(b.ctx);
    benchmark::DoNotOptimize(b.ctx.store[2].QPEAK);
  }
  state.counters["steps"] = kSteps;
  state.counters["NPTS"] = b.ctx.store[2].NPTS;
  state.counters["RV_in"] = b.ctx.store[2].RV;
}
BENCHMARK(continuousStandhyd)->Unit(benchmark::kMillisecond);

} // namespace
