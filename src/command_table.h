// The command table of the program.
#pragma once

#include "run/command.h"
#include "run/program.h"

namespace kestran {

run::CommandTable commandTable();

// The table and the run-start routine the program runs with.
run::ProgramSetup programSetup();

} // namespace kestran
