// One run's command loop: number each command, read it, write its heading and
// dispatch it through the command table; and the end-of-run block that closes
// the run's outputs with the collected messages.
#pragma once

#include "model/context.h"
#include "run/command.h"

namespace run {

enum class RunEnd {
  Finished,       // FINISH reached
  Ended,          // a severity-2 message, a reader error or the end of the input file
  ProgramStopped, // SAVE HYD with an ID below 1: the program stops at once
};

// Executes commands from ctx.input until the run ends.
RunEnd runCommands(model::RunContext& ctx, CommandTable table);

// Writes the closing lines, the messages log under "WARNINGS / ERRORS / NOTES"
// and the date and time line to the run's outputs, and " END" to the log.
void endOfRun(model::RunContext& ctx);

// The commands carried out by the loop itself.
void recallHyd(model::RunContext& ctx);
void plotHyd(model::RunContext& ctx);
void pauseCommand(model::RunContext& ctx);

} // namespace run
