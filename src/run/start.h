// START: the time origin, the output units, the storm pointer files and the
// run number of a run, and the set-up of units and state every run begins with.
#pragma once

#include "model/context.h"

namespace run {

// The START command routine.
void startCommand(model::RunContext& ctx);

// Fills the unit labels, sets the input and output conversion factors from
// METIN and METOUT, and empties the hydrograph store and the storm.
void initial(model::RunContext& ctx);

// The unit labels and the input and output conversion factors of METIN and
// METOUT (any system other than 1 is metric).
void setUnitSystem(model::RunContext& ctx);

// The input unit system from the first line of an input file read with
// "(I2)": 1 imperial, 2 metric; a two-digit value counts by its tens digit.
// An unreadable field reads as 0, which the headers report as unspecified.
int readUnitsLine(const std::string& line);

// TZERO and the start date from the START value: hours when at most 1800,
// otherwise a date and time YYYY.MMDDhhmm.
struct StartTime {
  double TZERO;
  int startDate; // YYYYMMDD, 0 when the value was hours
};
StartTime splitStartTime(double value);

} // namespace run
