// The hyetograph printers: the storm of ctx.storm as a four-column table of
// step end times and intensities on the detailed output, with the box or
// heading of the calling command, and DERIVED.STM; and the same table of the
// storm's working copy after MODIFY STORM or a change of time step.
#pragma once

#include <string_view>

#include "model/context.h"

namespace rain {

// Modes: 1 the READ STORM box, then the table; 2 the three-line heading used
// for rainfall typed on a runoff command's lines, then the table; 3 the table
// only; -3 the table, then the storm is also written to DERIVED.STM (in
// ctx.workPath). `comment` is the 60-character comment of the box or heading.
void printHyetograph(model::RunContext& ctx, int mode, std::string_view comment);

// "---- TRANSFORMED HYETOGRAPH ----" and the working copy
// ctx.storm.work[1..workSteps] at workDT as a four-column table. The rows are
// counted from the storm's NSTEP, or from the working steps when four columns
// of those rows cannot hold them all.
void printTransformedHyetograph(model::RunContext& ctx);

// Rows of the four-column layout: with n steps and R rows, row r (1-based)
// holds steps r, r+R, r+2R, r+3R as far as they are <= n.
inline int hyetographRows(int n) { return (n + 3) / 4; }

} // namespace rain
