// The summary output: one line per hydrograph produced, written to the summary
// output file and then to the summary window, with the peak's date and time.
#pragma once

#include <string>

#include "model/context.h"

namespace run {

// Line forms: 1/2 runoff from rainfall (numeric / named NHYD) with a runoff
// coefficient; 3/4 other hydrographs (numeric / named) with "  n/a".
void outsum(model::RunContext& ctx, int id, int form);

// The 15-character date label of a peak T hours after the start of the storm
// date's day, on the storm calendar (model/dates.h); "No_date" and
// hours:minutes when stormDate is 0.
std::string dateLabel(int stormDate, float t);

// The table line after the rating-curve and travel-time commands.
void tableLine(model::RunContext& ctx, int id);

} // namespace run
