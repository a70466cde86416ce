// A run context for the storm command tests: the shared in-memory host with
// its own fixed clock, imperial or metric units, and a scratch directory that
// serves as both the rainfall directory and the working directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "support/context_host.h"
#include "support/files.h"
#include "support/text.h"

namespace rain::testing {

using support::pad;

class RainTest : public ::testing::Test, protected support::ContextHost {
protected:
  RainTest() : support::ContextHost(platform::DateTime{2024, 5, 6, 7, 8, 9}) {
    ctx.dirs.rainfall = scratch.prefix();
    ctx.out.workDir = scratch.prefix();
    startRun(1, 1);
  }

  // PARAM 1.. as the reader leaves them (the rest 0), DPARAM for READ AES DATA.
  void params(std::initializer_list<double> values) {
    std::fill(ctx.cmd.PARAM.begin(), ctx.cmd.PARAM.end(), 0.0f);
    ctx.cmd.DPARAM.fill(0.0);
    int k = 1;
    for (double v : values) {
      ctx.cmd.PARAM[k] = static_cast<float>(v);
      if (k < static_cast<int>(ctx.cmd.DPARAM.size())) ctx.cmd.DPARAM[k] = v;
      ++k;
    }
    for (auto& s : ctx.cmd.STRING) s = std::string(90, ' ');
  }
  void quoted(const std::string& text) { ctx.cmd.STRING[1] = pad(text, 90); }
  // A fresh command: clean outputs and severity, as the main loop leaves them.
  void nextCommand() {
    detailed.lines.clear();
    summary.lines.clear();
    summaryWindow.lines.clear();
    warnings.lines.clear();
    ctx.run.severity = model::Severity::Note;
    ctx.run.marker = "   ";
    ++ctx.run.commandCounter;
  }
  std::string writeFile(const std::string& name, const std::vector<std::string>& lines) {
    support::writeLines(dir / name, lines);
    return (dir / name).string();
  }
  // The detailed lines without the message texts the messages routine puts there.
  std::vector<std::string> body() const {
    std::vector<std::string> v;
    for (const auto& l : detailed.lines)
      if (l.rfind("      ***", 0) != 0 && l.rfind("            /", 0) != 0) v.push_back(l);
    return v;
  }
  // True when `text` appears in the warnings window, also across the lines
  // a long detail such as a file path wraps over.
  bool warned(const std::string& text) const { return support::containsWrapped(warnings.lines, text); }
  // Index of the first detailed line equal to `line`, or -1.
  int find(const model::MemorySink& sink, const std::string& line) const {
    for (std::size_t i = 0; i < sink.lines.size(); ++i)
      if (sink.lines[i] == line) return static_cast<int>(i);
    return -1;
  }

  support::TempDir scratch{support::scratchRoot() / ("kestran_rain_" + std::to_string(::getpid()) + "_" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name())};
  const std::filesystem::path dir = scratch.path();
};

} // namespace rain::testing
