// A run context for the runoff tests: in-memory windows and outputs, a fixed
// clock, units set as START sets them, the built-in default values, commands
// parsed by the real command reader and a storm set step by step.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "fortran/line_reader.h"
#include "model/context.h"
#include "platform/platform.h"
#include "run/default_values.h"
#include "run/reader.h"
#include "run/start.h"

namespace runofftest {

inline std::string pad(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}

struct Harness {
  platform::MemoryWindow mainWindow{"Special Messages"};
  platform::MemoryWindow warnings{"KESTRANv4.05 / Warnings & Errors"};
  platform::MemoryWindow summaryWindow{"KESTRANv4.05 / Summary output"};
  platform::FixedClock clock{platform::DateTime{2024, 3, 5, 10, 20, 30}};
  platform::Platform platform{mainWindow, warnings, summaryWindow, clock};
  model::MemorySink detailed;
  model::MemorySink summary;
  model::MemorySink log;
  model::RunContext ctx{platform};
  std::optional<fortran::LineReader> input;

  explicit Harness(int metin = 1, int metout = 1) {
    ctx.out.detailed = &detailed;
    ctx.out.summary = &summary;
    ctx.out.log = &log;
    ctx.units.METIN = metin;
    ctx.units.METOUT = metout;
    run::initial(ctx);
    run::setBuiltInDefaults(ctx.defaults);
    ctx.run.NRUN = 1;
    ctx.run.commandCounter = 2;
    ctx.storm.PTOT = 1.0e-6f;
  }

  // A storm of constant steps `sdt` hours with the given intensities (in/hr),
  // its working copy equal to it, as every storm command leaves it.
  void storm(float sdt, const std::vector<float>& rain, int date = 0) {
    model::Storm& s = ctx.storm;
    const std::size_t size = static_cast<std::size_t>(model::kMaxRainSteps) + 1;
    s.RAIN.assign(size, 0.0f);
    s.work.assign(size, 0.0f);
    float sum = 0.0f;
    for (std::size_t i = 0; i < rain.size(); ++i) {
      s.RAIN[i + 1] = rain[i];
      s.work[i + 1] = rain[i];
      sum += rain[i];
    }
    s.SDT = sdt;
    s.workDT = sdt;
    s.NSTEP = static_cast<int>(rain.size());
    s.workSteps = s.NSTEP;
    s.PTOT = sdt * sum;
    s.stormDate = date;
  }

  // An API series of constant value at step dt.
  void api(float dt, float value, int steps) {
    ctx.api.dt = dt;
    ctx.api.API.assign(static_cast<std::size_t>(steps) + 1, value);
  }

  // Input lines hold 100 columns: longer lines of a test are continued on a
  // line that starts with blanks, after the last ", " that fits.
  static std::string wrapped(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      while (line.size() > 100) {
        const std::size_t cut = line.rfind(", ", 98);
        out += line.substr(0, cut + 1) + "\n";
        line = std::string(20, ' ') + line.substr(cut + 2);
      }
      out += line + "\n";
      start = end + 1;
    }
    return out;
  }

  // Parses the first command of `text` with the command reader and clears the
  // per-command state as the main loop does; the rest of `text` stays as input.
  void command(const std::string& text) {
    input.emplace(fortran::LineReader::fromText(wrapped(text)));
    ctx.input = &*input;
    ctx.run.severity = 0;
    ctx.run.marker = "   ";
    ASSERT_EQ(run::readCommand(ctx, kestran::commandTable()), run::ReaderStatus::Command) << text;
  }

  // Parses and carries out one command through its row of the command table.
  void run(const std::string& text) {
    command(text);
    const run::CommandTable table = kestran::commandTable();
    ASSERT_TRUE(table[static_cast<std::size_t>(ctx.cmd.ICOMM - 1)].run != nullptr);
    if (ctx.storm.PTOT == 0.0f) ctx.storm.PTOT = 1.0e-6f;
    table[static_cast<std::size_t>(ctx.cmd.ICOMM - 1)].run(ctx);
  }

  const std::vector<std::string>& out() const { return detailed.lines; }
};

// Lines of `lines` from the first one that starts with `first`, `count` of them.
inline std::vector<std::string> from(const std::vector<std::string>& lines, const std::string& first,
                                     std::size_t count) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind(first, 0) == 0) {
      const std::size_t end = std::min(lines.size(), i + count);
      return std::vector<std::string>(lines.begin() + static_cast<long>(i), lines.begin() + static_cast<long>(end));
    }
  }
  return {};
}

inline bool contains(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& l : lines) {
    if (l.find(text) != std::string::npos) return true;
  }
  return false;
}

inline int count(const std::vector<std::string>& lines, const std::string& text) {
  int n = 0;
  for (const std::string& l : lines) n += l.find(text) != std::string::npos ? 1 : 0;
  return n;
}

}  // namespace runofftest
