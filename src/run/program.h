// The program: start-up, the run list or a single input file, one run per run
// set, and the exit status.
#pragma once

#include "platform/platform.h"
#include "run/command.h"

namespace run {

// argv as given to main. Returns the process exit status: 0 when every run ended
// normally, non-zero when a run ended on an error.
int programMain(int argc, char** argv, CommandTable table, platform::Platform& platform);

}  // namespace run
