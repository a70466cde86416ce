// The program: start-up, the run list or a single input file, one run per run
// set, and the exit status.
#pragma once

#include <optional>
#include <string>

#include "model/recorder.h"
#include "platform/platform.h"
#include "run/command.h"

namespace run {

// What the program is given from above run control: the command table and the
// routine that prepares a run's record files once its headers are written
// (the summary record file of the hydrograph store).
struct ProgramSetup {
  CommandTable table;
  Routine runStarted = nullptr;
};

// Where one execution reads and writes, besides its command input.
struct ProgramOptions {
  std::string input;                      // a command input file; "" follows the run list of workDir
  std::string workDir;                    // side files (log, counter, pointer files, ...); "" = working directory
  std::string outputDir;                  // the detailed and summary outputs of `input`; "" = beside it
  std::optional<std::string> projectDir;  // instead of the input's own directory
  std::optional<std::string> rainfallDir; // instead of the input's own directory
  std::string recordsDir;                 // automatic hydrograph files and SUMMARY.sbo; "" = the project directory
  model::RunRecorder* recorder = nullptr; // receives the results as data
  // Every write kept inside workDir, outputDir, recordsDir and the project
  // directory, a name leading out of them refused with message 996 (library
  // runs). Off: typed paths stand as typed (the command line).
  bool confineWrites = false;
};

// Carries out one execution. Returns the exit status: 0 when every run ended
// normally, 1 when a run ended on an error.
int runProgram(const ProgramOptions& options, const ProgramSetup& setup, platform::Platform& platform);

// argv as given to main. Returns the process exit status: 0 when every run ended
// normally, non-zero when a run ended on an error.
// `recorder`, when given, receives the results as data (the library's --csv
// and --balance options).
int programMain(int argc, char** argv, const ProgramSetup& setup, platform::Platform& platform,
                model::RunRecorder* recorder = nullptr);

} // namespace run
