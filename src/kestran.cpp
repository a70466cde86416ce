// The library entry points: options into a run of the program, the run's
// records into a result.
#include "kestran.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "command_table.h"
#include "platform/platform.h"
#include "results/csv_export.h"
#include "run/program.h"

namespace kestran {

namespace fs = std::filesystem;

namespace {

// Collects the records of one run into its result.
class Collector : public model::RunRecorder {
public:
  explicit Collector(RunResult& r) : r_(r) {}
  void message(model::MessageRecord m) override { r_.messages.push_back(std::move(m)); }
  void summary(model::SummaryRecord s) override { r_.summary.push_back(std::move(s)); }
  void hydrograph(model::HydrographRecord h) override { r_.hydrographs.push_back(std::move(h)); }
  void storm(model::StormRecord s) override { r_.storms.push_back(std::move(s)); }
  void fileWritten(const std::string& path) override {
    if (seen_.insert(path).second) r_.files.push_back(path);
  }
  void units(int METOUT) override { r_.units = METOUT; }
  void ledger(model::LedgerRecord l) override { r_.ledger.push_back(std::move(l)); }

private:
  RunResult& r_;
  std::unordered_set<std::string> seen_;
};

// A text window that hands its lines on, or drops them.
class Window : public platform::TextWindow {
public:
  Window(std::string title, platform::LineSink* to) : TextWindow(std::move(title)), to_(to) {}
  void line(std::string_view text) override {
    if (to_ != nullptr) to_->line(text);
  }

private:
  platform::LineSink* to_;
};

fs::path makeWorkDir(const fs::path& wanted) {
  std::error_code ec;
  if (wanted.empty()) {
    std::string pattern = (fs::temp_directory_path(ec) / "kestran-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr)
      throw RunError("cannot make a work directory under the temporary directory");
    return pattern;
  }
  if (fs::exists(wanted, ec) && !fs::is_directory(wanted, ec)) {
    throw RunError("the work directory is not a directory: " + wanted.string());
  }
  fs::create_directories(wanted, ec);
  if (ec || !fs::is_directory(wanted)) {
    throw RunError("cannot make the work directory " + wanted.string() + ": " + ec.message());
  }
  return fs::absolute(wanted, ec);
}

// The clock the console program prints: KESTRAN_FIXED_CLOCK pins it. The
// environment is read here only; the rest of the program sees just a clock.
std::unique_ptr<platform::Clock> consoleClock() {
  if (const char* fixed = std::getenv("KESTRAN_FIXED_CLOCK")) {
    platform::DateTime t;
    if (std::sscanf(fixed, "%d-%d-%d %d:%d:%d", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second) == 6) {
      return std::make_unique<platform::FixedClock>(t);
    }
    std::fputs("kestran: KESTRAN_FIXED_CLOCK is not \"YYYY-MM-DD hh:mm:ss\"; using the system clock\n", stderr);
  }
  return std::make_unique<platform::SystemClock>();
}

std::string dirText(const fs::path& p) {
  std::string s = p.string();
  if (!s.empty() && s.back() != '/') s += '/';
  return s;
}

} // namespace

RunResult run(const RunOptions& options) {
  if (!options.input.empty() && !options.text.empty())
    throw RunError("give either an input file or a command text, not both");
  if (options.input.empty() && options.text.empty()) throw RunError("no input: give an input file or a command text");
  std::error_code ec;
  if (!options.input.empty() && !fs::is_regular_file(options.input, ec)) {
    throw RunError("input file not found: " + options.input.string());
  }
  RunResult result;
  result.workDir = makeWorkDir(options.workDir);

  run::ProgramOptions o;
  o.workDir = dirText(result.workDir);
  o.outputDir = o.workDir;
  o.recordsDir = o.workDir;
  o.confineWrites = !options.allowOutsidePaths;
  fs::path input = options.input;
  if (!options.text.empty()) {
    input = result.workDir / "study.dat";
    if (auto error = platform::replaceFileAtomically(input.string(), options.text)) throw RunError(*error);
    const fs::path base = options.baseDir.empty() ? result.workDir : fs::absolute(options.baseDir, ec);
    o.projectDir = dirText(base);
    o.rainfallDir = dirText(base);
  }
  o.input = input.string();
  if (options.projectDir) o.projectDir = dirText(*options.projectDir);
  if (options.rainfallDir) o.rainfallDir = dirText(*options.rainfallDir);
  Collector collector(result);
  o.recorder = &collector;

  Window mainWindow("Special Messages", options.mainWindow);
  Window warnings("KESTRANv4.05 / Warnings & Errors", options.warningsWindow);
  Window summary("KESTRANv4.05 / Summary output", options.summaryWindow);
  const platform::SystemClock systemClock;
  const platform::FixedClock fixedClock(options.clock.value_or(platform::DateTime{}));
  const platform::Clock& clock = options.clock ? static_cast<const platform::Clock&>(fixedClock) : systemClock;
  platform::Platform host{mainWindow, warnings, summary, clock};
  result.status = run::runProgram(o, programSetup(), host);
  result.balance = results::runBalance(result.ledger);
  const std::string stem = input.stem().string();
  result.detailedOutput = result.workDir / (stem + ".out");
  result.summaryOutput = result.workDir / (stem + ".sum");
  return result;
}

int commandLine(int argc, char** argv, platform::Platform& platform) {
  std::optional<fs::path> csvDir;
  bool balance = false;
  std::vector<char*> rest{argc > 0 ? argv[0] : nullptr};
  for (int k = 1; k < argc; ++k) {
    const std::string_view arg(argv[k]);
    if (arg == "--csv") {
      if (k + 1 >= argc) {
        std::fputs("kestran: --csv needs a directory (see kestran --help)\n", stderr);
        return 2;
      }
      csvDir = argv[++k];
    } else if (arg == "--balance") {
      balance = true;
    } else {
      rest.push_back(argv[k]);
    }
  }
  const bool otherOption = rest.size() > 1 && rest[1][0] == '-';
  if ((!csvDir && !balance) || otherOption) return run::programMain(argc, argv, programSetup(), platform);

  // The same run, its results also collected as data.
  RunResult result;
  Collector collector(result);
  result.status = run::programMain(static_cast<int>(rest.size()), rest.data(), programSetup(), platform, &collector);
  result.balance = results::runBalance(result.ledger);
  if (csvDir) {
    const std::string stem = rest.size() == 2 ? fs::path(rest[1]).stem().string() : std::string("kestran");
    try {
      results::writeCsv(result, *csvDir, stem);
    } catch (const RunError& e) {
      std::fprintf(stderr, "kestran: %s\n", e.what());
      return 1;
    }
  }
  if (balance) std::fputs(results::balanceTable(result).c_str(), stdout);
  return result.status;
}

int consoleMain(int argc, char** argv) {
  platform::StreamWindow mainWindow("Special Messages", stdout);
  platform::StreamWindow warnings("KESTRANv4.05 / Warnings & Errors", stderr);
  platform::StreamWindow summary("KESTRANv4.05 / Summary output", stdout);
  const std::unique_ptr<platform::Clock> clock = consoleClock();
  platform::Platform host{mainWindow, warnings, summary, *clock};
  return commandLine(argc, argv, host);
}

} // namespace kestran
