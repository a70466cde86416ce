// A run context for the runoff tests: the shared in-memory host with units set
// as START sets them, the built-in default values, commands parsed by the real
// command reader and a storm set step by step.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "command_table.h"
#include "run/default_values.h"
#include "support/context_host.h"
#include "support/text.h"

namespace runofftest {

using support::contains;
using support::pad;

struct Harness : support::ContextHost {
  explicit Harness(int metin = 1, int metout = 1) {
    startRun(metin, metout);
    run::setBuiltInDefaults(ctx.defaults);
    ctx.storm.PTOT = 1.0e-6f;
  }

  // A storm of constant steps `sdt` hours with the given intensities (in/hr)
  // on the storm date `date`.
  void storm(float sdt, const std::vector<float>& rain, int date = 0) {
    setStorm(sdt, rain);
    ctx.storm.stormDate = date;
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
  void command(const std::string& text) { ASSERT_EQ(readCommand(wrapped(text)), run::ReaderStatus::Command) << text; }

  // Parses and carries out one command through its row of the command table.
  void run(const std::string& text) {
    command(text);
    const run::CommandTable table = kestran::commandTable();
    ASSERT_TRUE(table[static_cast<std::size_t>(static_cast<int>(ctx.cmd.id) - 1)].run != nullptr);
    if (ctx.storm.PTOT == 0.0f) ctx.storm.PTOT = 1.0e-6f;
    table[static_cast<std::size_t>(static_cast<int>(ctx.cmd.id) - 1)].run(ctx);
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

inline int count(const std::vector<std::string>& lines, const std::string& text) {
  int n = 0;
  for (const std::string& l : lines) n += l.find(text) != std::string::npos ? 1 : 0;
  return n;
}

} // namespace runofftest
