// A run context that lives in memory, for the tests and benchmarks that call
// the routines directly: the three windows keep their lines, the clock stands
// still, the outputs go to memory sinks and the command input is given as
// text. Header-only, so the benchmarks can use it without the test library.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "command_table.h"
#include "fortran/line_reader.h"
#include "model/context.h"
#include "model/limits.h"
#include "platform/platform.h"
#include "run/reader.h"
#include "run/start.h"

namespace support {

// The instant the fixed clock shows unless a test needs its own.
inline constexpr platform::DateTime kClockTime{2024, 3, 5, 10, 20, 30};

// Sets the unit systems of input and output and everything START initialises
// with them (labels, conversion factors, the cleared store and storm).
inline void setUnits(model::RunContext& ctx, int metin, int metout) {
  ctx.units.METIN = metin;
  ctx.units.METOUT = metout;
  run::initial(ctx);
}

// The host the program sees: its three windows, in memory and under their
// titles, and a clock fixed at one instant.
struct MemoryPlatform {
  explicit MemoryPlatform(platform::DateTime now = kClockTime) : clock(now) {}
  // The platform refers to the members: a copy would point into the original.
  MemoryPlatform(const MemoryPlatform&) = delete;
  MemoryPlatform& operator=(const MemoryPlatform&) = delete;

  platform::MemoryWindow mainWindow{"Special Messages"};
  platform::MemoryWindow warnings{"KESTRANv4.05 / Warnings & Errors"};
  platform::MemoryWindow summaryWindow{"KESTRANv4.05 / Summary output"};
  platform::FixedClock clock;
  platform::Platform platform{mainWindow, warnings, summaryWindow, clock};
};

// A run context on that host with the detailed output, the summary output and
// the messages log kept in memory.
struct ContextHost : MemoryPlatform {
  explicit ContextHost(platform::DateTime now = kClockTime) : MemoryPlatform(now) {
    ctx.out.detailed = &detailed;
    ctx.out.summary = &summary;
    ctx.out.log = &log;
  }

  model::MemorySink detailed;
  model::MemorySink summary;
  model::MemorySink log;
  model::RunContext ctx{platform};
  std::optional<fortran::LineReader> input;

  void setUnits(int metin, int metout) { support::setUnits(ctx, metin, metout); }

  // The state just after START of the first run: units set, run 1, and the
  // next command the second of the input.
  void startRun(int metin, int metout) {
    setUnits(metin, metout);
    ctx.run.NRUN = 1;
    ctx.run.commandCounter = 2;
  }

  // Makes `text` the command input file.
  void setInput(const std::string& text) {
    input.emplace(fortran::LineReader::fromText(text));
    ctx.input = &*input;
  }

  // Reads the first command of `text` with the command reader after clearing
  // the per-command state as the main loop does (severity, marker and the
  // front-end file name and comment); the rest of `text` stays as input.
  run::ReaderStatus readCommand(const std::string& text) {
    setInput(text);
    ctx.run.severity = model::Severity::Note;
    ctx.run.marker = "   ";
    ctx.run.fileName.assign(60, ' ');
    ctx.run.comment.assign(60, ' ');
    return run::readCommand(ctx, kestran::commandTable());
  }

  // A storm of constant steps of `sdt` hours with the given intensities, its
  // working copy equal to it, as every storm command leaves it.
  void setStorm(float sdt, const std::vector<float>& rain) {
    model::Storm& s = ctx.storm;
    const std::size_t size = static_cast<std::size_t>(model::kMaxRainSteps) + 1;
    s.RAIN.assign(size, 0.0f);
    s.work.assign(size, 0.0f);
    float sum = 0.0f;
    for (std::size_t i = 0; i < rain.size(); ++i) {
      s.RAIN[i + 1] = s.work[i + 1] = rain[i];
      sum += rain[i];
    }
    s.SDT = s.workDT = sdt;
    s.NSTEP = s.workSteps = static_cast<int>(rain.size());
    s.PTOT = sdt * sum;
  }
};

} // namespace support
