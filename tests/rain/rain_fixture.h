// A run context for the storm command tests: in-memory windows and outputs, a
// fixed clock, imperial or metric units, and a scratch directory that serves
// as both the rainfall directory and the working directory.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/context.h"
#include "platform/platform.h"
#include "run/start.h"

namespace rain::testing {

inline std::string pad(std::string s, std::size_t n) {
  s.resize(n, ' ');
  return s;
}

class RainTest : public ::testing::Test {
 protected:
  RainTest() {
    ctx.out.detailed = &detailed;
    ctx.out.summary = &summary;
    ctx.out.log = &log;
    dir = std::filesystem::temp_directory_path() /
          ("kestran_rain_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    ctx.dirs.rainfall = dir.string() + "/";
    ctx.out.workDir = dir.string() + "/";
    setUnits(1, 1);
    ctx.run.NRUN = 1;
    ctx.run.commandCounter = 2;
  }
  ~RainTest() override { std::filesystem::remove_all(dir); }

  void setUnits(int in, int out) {
    ctx.units.METIN = in;
    ctx.units.METOUT = out;
    run::initial(ctx);
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
    ctx.run.severity = 0;
    ctx.run.marker = "   ";
    ++ctx.run.commandCounter;
  }
  std::string writeFile(const std::string& name, const std::vector<std::string>& lines) {
    std::ofstream f(dir / name);
    for (const auto& l : lines) f << l << '\n';
    return (dir / name).string();
  }
  // A storm whose intensities are given (in/hr), as a storm command leaves it.
  void setStorm(float sdtHours, const std::vector<float>& rain) {
    model::Storm& s = ctx.storm;
    s.RAIN.assign(105409, 0.0f);
    s.work.assign(105409, 0.0f);
    float sum = 0.0f;
    for (std::size_t i = 0; i < rain.size(); ++i) {
      s.RAIN[i + 1] = s.work[i + 1] = rain[i];
      sum += rain[i];
    }
    s.SDT = s.workDT = sdtHours;
    s.NSTEP = s.workSteps = static_cast<int>(rain.size());
    s.PTOT = sdtHours * sum;
  }
  // The detailed lines without the message texts the messages routine puts there.
  std::vector<std::string> body() const {
    std::vector<std::string> v;
    for (const auto& l : detailed.lines)
      if (l.rfind("      ***", 0) != 0 && l.rfind("            /", 0) != 0) v.push_back(l);
    return v;
  }
  // True when `text` appears in the warnings window. A long detail such as a
  // file path wraps over several message lines, so the lines are also searched
  // joined (each without its leading and trailing blanks).
  bool warned(const std::string& text) const {
    std::string joined;
    for (const auto& l : warnings.lines) {
      if (l.find(text) != std::string::npos) return true;
      const std::size_t first = l.find_first_not_of(' ');
      if (first != std::string::npos) joined += l.substr(first, l.find_last_not_of(' ') - first + 1);
    }
    return joined.find(text) != std::string::npos;
  }
  // Index of the first detailed line equal to `line`, or -1.
  int find(const model::MemorySink& sink, const std::string& line) const {
    for (std::size_t i = 0; i < sink.lines.size(); ++i)
      if (sink.lines[i] == line) return static_cast<int>(i);
    return -1;
  }

  platform::MemoryWindow mainWindow{"Special Messages"};
  platform::MemoryWindow warnings{"KESTRANv4.05 / Warnings & Errors"};
  platform::MemoryWindow summaryWindow{"KESTRANv4.05 / Summary output"};
  platform::FixedClock clock{platform::DateTime{2024, 5, 6, 7, 8, 9}};
  platform::Platform platform{mainWindow, warnings, summaryWindow, clock};
  model::RunContext ctx{platform};
  model::MemorySink detailed, summary, log;
  std::filesystem::path dir;
};

}  // namespace rain::testing
