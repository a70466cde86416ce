// KESTRAN as a library: one call runs a study and returns, besides the files
// it writes, what it produced as data. Everything a run touches hangs off its
// own context and its work directory, so runs may go side by side on threads.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/recorder.h"
#include "platform/platform.h"
#include "results/run_balance.h"

namespace kestran {

struct RunOptions {
  // The study: a command input file, or the command text itself (then
  // `input` stays empty and the text is written to the work directory as
  // "study.dat", its data files taken from `baseDir`).
  std::filesystem::path input;
  std::string text;
  std::filesystem::path baseDir;
  // Where every side file and output goes (created when missing). Empty: a
  // new directory of its own under the system's temporary directory.
  std::filesystem::path workDir;
  // Where names without ':' are looked for; default: the input's directory
  // (or `baseDir` for a text).
  std::optional<std::filesystem::path> projectDir;
  std::optional<std::filesystem::path> rainfallDir;
  // A fixed date and time for the headers and the end-of-run line.
  std::optional<platform::DateTime> clock;
  // Receivers of the text windows; null ones are dropped.
  platform::LineSink* mainWindow = nullptr;
  platform::LineSink* warningsWindow = nullptr;
  platform::LineSink* summaryWindow = nullptr;
  // Every file the run writes stays inside the work directory and the
  // project directory (SAVE HYD files): a name that leads out of them (with
  // "..", absolute, with a drive, through a link) is refused with message
  // 996 and the run ends on that error. True lets such names write where
  // they lead, as on the command line. Data files are read wherever named.
  bool allowOutsidePaths = false;
};

struct RunResult {
  int status = 0; // 0 when every run ended normally
  int units = 0;  // output units of the results: 1 imperial, 2 metric (of the last run)
  std::filesystem::path workDir;
  std::filesystem::path detailedOutput;
  std::filesystem::path summaryOutput;
  std::vector<model::MessageRecord> messages;
  std::vector<model::SummaryRecord> summary;
  std::vector<model::HydrographRecord> hydrographs;
  std::vector<model::StormRecord> storms;
  std::vector<std::string> files; // every file written, in the order first written
  // The water balance of every command that produced or moved a hydrograph,
  // and of the run: each catchment's storm volume followed to the outlets.
  std::vector<model::LedgerRecord> ledger;
  std::vector<results::CatchmentBalance> balance;
  bool ok() const { return status == 0; }
};

// A run that cannot start: a missing input, a work directory that cannot be
// made or is a file, options that contradict each other.
class RunError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Runs the study. A run that ends on an error message returns normally with
// a non-zero status; only a run that cannot start throws RunError.
RunResult run(const RunOptions& options);

// The command line of the program: argv as given to main.
int commandLine(int argc, char** argv, platform::Platform& platform);

// The program on a console: the summary and main windows on standard output,
// the warnings window on standard error, the clock pinned by
// KESTRAN_FIXED_CLOCK="YYYY-MM-DD hh:mm:ss" when that is set (for comparing
// whole output files), the system clock otherwise.
int consoleMain(int argc, char** argv);

} // namespace kestran
