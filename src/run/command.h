// One row of the command table: every fact about a command. The name the
// reader recognises in columns 1-20, its number, how many values it takes,
// which heading the main loop writes before it, the label the loop gives it,
// whether the reader keeps double-precision copies of its values, and the
// routine that carries it out.
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
using model::CommandId;

// Whether the reader also keeps the values in double precision (DPARAM).
enum class Precision { Single, Double };

struct Command {
  std::string_view name;
  CommandId id; // the row number, 1..46
  int NPARAM;   // number of values the reader parses
  Heading heading;
  std::string_view label; // given by the loop before the routine runs; empty: none
  Precision precision;
  Routine run; // nullptr for FINISH, which the main loop handles itself
};

using CommandTable = std::span<const Command>;

// Writes a heading of the given kind with NRUN and the command counter.
void writeHeading(model::RunContext& ctx, Heading kind);

// The routine of a command whose computation this build does not have: it says
// so with a numbered error and ends the run.
void notAvailable(model::RunContext& ctx);

} // namespace run
