// Benchmark of the FORMAT engine on the program's two heaviest output shapes:
// a long single-column listing "(F13.6)" and the four-pair hydrograph table
// row "(T12,3(F7.2,F8.3,' |'),F7.2,F8.3)". One iteration writes a whole
// 105,408-line listing, so the reported time is the cost per listing.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "fortran/format.h"

namespace {

constexpr std::size_t kLines = 105'408;

// Values drawn once, outside the timed loop, with a fixed seed so every run
// formats the same numbers: mostly ordinary magnitudes, with some negatives,
// small fractions and values too wide for their field mixed in.
std::vector<fortran::Value> makeValues(std::size_t count, float scale) {
  std::mt19937 rng(20240611);
  std::uniform_real_distribution<float> body(0.0f, scale);
  std::uniform_int_distribution<int> kind(0, 19);
  std::vector<fortran::Value> values;
  values.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    float v = body(rng);
    switch (kind(rng)) {
    case 0:
      v = -v;
      break;
    case 1:
      v /= 1000.0f;
      break;
    case 2:
      v *= 1e6f;
      break;
    default:
      break;
    }
    values.emplace_back(v);
  }
  return values;
}

void writeListing(benchmark::State& state, const char* text, std::size_t perLine, float scale) {
  const fortran::Format fmt(text);
  const std::vector<fortran::Value> values = makeValues(kLines * perLine, scale);
  const std::span<const fortran::Value> all(values);
  std::vector<std::string> records;
  records.reserve(kLines);
  for (auto _ : state) {
    records.clear();
    for (std::size_t line = 0; line < kLines; ++line) fmt.write(all.subspan(line * perLine, perLine), records);
    benchmark::DoNotOptimize(records.data());
    benchmark::ClobberMemory();
  }
  if (records.size() != kLines) state.SkipWithError("wrong number of records");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLines));
  state.counters["lines"] = static_cast<double>(kLines);
}

// The same listing laid out in one buffer, as the program writes its long
// tables (Format::append), handed on every 32 KiB.
void appendListing(benchmark::State& state, const char* text, std::size_t perLine, float scale) {
  const fortran::Format fmt(text);
  const std::vector<fortran::Value> values = makeValues(kLines * perLine, scale);
  const std::span<const fortran::Value> all(values);
  std::string block;
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    block.clear();
    for (std::size_t line = 0; line < kLines; ++line) {
      fmt.append(all.subspan(line * perLine, perLine), block);
      if (block.size() >= 32768) {
        bytes += block.size();
        benchmark::DoNotOptimize(block.data());
        block.clear();
      }
    }
    bytes += block.size();
    benchmark::ClobberMemory();
  }
  if (bytes == 0) state.SkipWithError("nothing written");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kLines));
}

void BM_SingleColumnF13_6(benchmark::State& state) { writeListing(state, "(F13.6)", 1, 5000.0f); }
void BM_SingleColumnF13_6Block(benchmark::State& state) { appendListing(state, "(F13.6)", 1, 5000.0f); }
void BM_HydrographTableRowBlock(benchmark::State& state) {
  appendListing(state, "(4(F7.2,F8.3,'|'),F7.2,F8.3)", 10, 500.0f);
}
void BM_HydrographTableRow(benchmark::State& state) {
  writeListing(state, "(T12,3(F7.2,F8.3,' |'),F7.2,F8.3)", 8, 500.0f);
}

BENCHMARK(BM_SingleColumnF13_6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HydrographTableRow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SingleColumnF13_6Block)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HydrographTableRowBlock)->Unit(benchmark::kMillisecond);

} // namespace
