// The program: start-up, the run list or a single input file, one run per run
// set, and the exit status.
#pragma once

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

// argv as given to main. Returns the process exit status: 0 when every run ended
// normally, non-zero when a run ended on an error.
int programMain(int argc, char** argv, const ProgramSetup& setup, platform::Platform& platform);

}  // namespace run
