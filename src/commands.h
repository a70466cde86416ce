// The command table of the program.
#pragma once

#include "run/command.h"

namespace kestran {

run::CommandTable commandTable();

}  // namespace kestran
