// Benchmark of the continuous-simulation rainfall input: READ AES DATA over the
// full 105,408 hours (4,392 daily records, generated once in a temporary
// directory) followed by COMPUTE API on the loaded record, with every output
// line written to in-memory sinks and AESTEMP.STM written to disk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

#include "model/dates.h"
#include "rain/antecedent_index.h"
#include "rain/hourly_records.h"
#include "support/context_host.h"

namespace {

constexpr int kDays = 105'408 / 24; // 4392 days

std::filesystem::path makeAesFile() {
  const auto dir = std::filesystem::temp_directory_path() / ("kestran_rain_bench_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream out(dir / "LONG.DAT");
  std::mt19937 rng(105408);
  std::uniform_int_distribution<int> wet(0, 9), depth(1, 150);
  char buf[32];
  for (int d = 0; d < kDays; ++d) {
    const int date = model::gregorian::addDays(20000101, d);
    std::snprintf(buf, sizeof buf, "%7d%4d%2d%2d%3d", 6158350, date / 10000, date / 100 % 100, date % 100, 123);
    std::string line = buf;
    for (int h = 0; h < 24; ++h) {
      // About one hour in ten wet, a few hours missing.
      const int k = wet(rng);
      const int v = k == 0 ? depth(rng) : (d % 97 == 0 && h == 5 ? -99999 : 0);
      std::snprintf(buf, sizeof buf, "%6d ", v);
      line += buf;
    }
    out << line << '\n';
  }
  return dir;
}

void BM_ReadAesThenComputeApi(benchmark::State& state) {
  const std::filesystem::path dir = makeAesFile();
  support::ContextHost host(platform::DateTime{2024, 1, 1, 0, 0, 0});
  model::RunContext& ctx = host.ctx;
  ctx.dirs.rainfall = dir.string() + "/";
  ctx.out.workDir = dir.string() + "/";
  host.setUnits(2, 2);

  for (auto _ : state) {
    host.detailed.lines.clear();
    host.summary.lines.clear();
    host.summaryWindow.lines.clear();
    ctx.run.severity = model::Severity::Note;
    // The record, and AESTEMP.STM beside it (data type -123).
    for (auto& s : ctx.cmd.STRING) s = std::string(90, ' ');
    ctx.cmd.STRING[1] = "LONG.DAT";
    ctx.cmd.DPARAM = {};
    ctx.cmd.DPARAM[2] = -123.0;
    ctx.cmd.DPARAM[3] = 2000.0101;
    ctx.cmd.DPARAM[4] = -(kDays - 1);
    rain::readAesData(ctx);
    ctx.cmd.PARAM[1] = 10.0f;
    ctx.cmd.PARAM[2] = 0.9f;
    rain::computeApi(ctx);
    benchmark::DoNotOptimize(ctx.api.API.data());
  }
  if (ctx.storm.NSTEP != 105'408 || ctx.run.severity == model::Severity::Error)
    state.SkipWithError("record not loaded in full");
  state.counters["hours"] = ctx.storm.NSTEP;
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadAesThenComputeApi)->Unit(benchmark::kMillisecond);

} // namespace
