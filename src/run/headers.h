// The header block at the top of the detailed output, the summary output file
// and the summary window, and the run counter kept across executions in
// kestran.CNT.
#pragma once

#include <array>
#include <string>

#include "model/context.h"

namespace run {

struct HeaderInfo {
  // Completed input, detailed output and summary output names as printed
  // (60 characters; the header shows their first 58).
  std::array<std::string, 3> names;
  std::array<std::string, 3> comments; // user comment lines, 79 characters
  // False when the input file could not be opened: its units line was never
  // read, so it is not reported as unspecified.
  bool checkUnits = true;
};

// Adds one to the run counter in kestran.CNT of the working directory (1
// when the file is missing or unreadable) and returns the new value. The file
// is replaced atomically so that the counter is never lost.
int advanceRunCounter(model::RunContext& ctx);

// Writes the header block to the three outputs with the date, the time and
// the advanced run counter. Issues message 340 when METIN is neither 1 nor 2.
void writeHeaders(model::RunContext& ctx, const HeaderInfo& info);

} // namespace run
