// The command reader: skips blank and comment lines, recognises a command
// name in columns 1-20 through the command table, and parses the free-format
// numbers and quoted strings of the command's lines into PARAM, DPARAM and STRING.
#pragma once

#include "model/context.h"
#include "run/command.h"

namespace run {

enum class ReaderStatus {
  Skip = -1,      // blank or comment line: call again
  Command = 0,    // a command was recognised and its values parsed
  Stop = 1,       // unknown command or malformed values: a message was issued
  EndOfInput = 2, // the input file has no line left (no message issued)
};

// Reads the next command from ctx.input. Leaves the input positioned at the
// first line that does not belong to the command.
ReaderStatus readCommand(model::RunContext& ctx, CommandTable table);

// Writes columns 1-80 of `line` in free format to the detailed output, the
// summary output file, the warnings window and the messages log, in that
// order: the echo of a line the reader could not accept.
void echoLine(model::RunContext& ctx, std::string_view line);

} // namespace run
