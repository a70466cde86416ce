// One row of the command table: the name the reader recognises in columns 1-20,
// the command number, how many values it takes, which heading the main loop
// writes before it, and the routine that carries it out.
#pragma once

#include <span>
#include <string_view>

#include "model/context.h"

namespace run {

// Heading lines written to the summary window and the summary output file
// before a command runs: H for hydrograph commands, P for the others, E for
// the erosion index; None when the routine writes its own (or none).
enum class Heading { None, H, P, E };

using Routine = void (*)(model::RunContext&);

struct Command {
  std::string_view name;
  int number;   // equals the row number, 1..46
  int NPARAM;   // number of values the reader parses
  Heading heading;
  Routine run;  // nullptr for FINISH, which the main loop handles itself
};

using CommandTable = std::span<const Command>;

// Writes a heading of the given kind with NRUN and the command counter.
void writeHeading(model::RunContext& ctx, Heading kind);

// The routine of a command whose computation this build does not have: it says
// so with a numbered error and ends the run.
void notAvailable(model::RunContext& ctx);

}  // namespace run
