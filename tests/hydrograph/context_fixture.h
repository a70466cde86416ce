// A run context for the hydrograph tests: in-memory windows and outputs, a
// fixed clock, units set as START sets them, commands parsed by the real
// command reader, and a scratch project directory for the files.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "commands.h"
#include "fortran/line_reader.h"
#include "model/context.h"
#include "platform/platform.h"
#include "run/reader.h"
#include "run/start.h"

namespace hydtest {

inline std::string pad(std::string s, std::size_t width) {
  s.resize(width, ' ');
  return s;
}

// A fresh directory under the system's temporary directory, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("kestran-hyd-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
             (info ? info->name() : "x"));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  // The directory as the project directory is given: ending with a separator.
  std::string prefix() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

inline std::vector<std::string> fileLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
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
  ScratchDir dir;
  std::optional<fortran::LineReader> input;

  explicit Harness(int metin = 1, int metout = 1) {
    ctx.out.detailed = &detailed;
    ctx.out.summary = &summary;
    ctx.out.log = &log;
    ctx.out.workDir = dir.prefix();
    ctx.dirs.project = dir.prefix();
    ctx.units.METIN = metin;
    ctx.units.METOUT = metout;
    run::initial(ctx);
    ctx.run.NRUN = 1;
    ctx.run.commandCounter = 2;
    ctx.run.severity = 0;
    ctx.storm.PTOT = 1.0e-6f;  // as the main loop guards it
  }

  // Parses the first command of `text` with the command reader, as the main
  // loop would before calling the routine; the rest of `text` stays as input.
  void command(const std::string& text) {
    input.emplace(fortran::LineReader::fromText(text));
    ctx.input = &*input;
    ctx.run.severity = 0;
    ctx.run.marker = "   ";
    ctx.run.fileName = std::string(60, ' ');
    ctx.run.comment = std::string(60, ' ');
    ASSERT_EQ(run::readCommand(ctx, kestran::commandTable()), run::ReaderStatus::Command) << text;
  }

  // The next line the main loop's reader would see.
  std::string nextInputLine() {
    std::string line;
    if (!input || !input->next(line)) return "<end>";
    return line;
  }

  std::string path(const std::string& name) const { return dir.prefix() + name; }
};

// Lines of `lines` from the first one equal to `first`, `count` of them.
inline std::vector<std::string> slice(const std::vector<std::string>& lines, const std::string& first,
                                      std::size_t count) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == first) {
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

}  // namespace hydtest
