// EROSION INDEX: how long and how often the flow of up to ten stored
// hydrographs stays above a critical flow for erosion. No hydrograph changes.
#pragma once

#include <array>

#include "model/context.h"

namespace hydrograph {

// The command's values: PARAM 1 METHOD, 2 Qce (input flow unit), 3..12 the
// slots to evaluate (0 = none). Only method 1, erosive hours, reads past 1.
struct ErosionValues {
  int method = 0;
  float qce = 0.0f;          // critical flow for erosion, cfs
  std::array<int, 10> ids{}; // slots, 0 = none
};

ErosionValues readErosionValues(const model::CommandValues& cmd, const model::Units& units);

// Erosive-hours figures of one hydrograph, internal units.
struct ErosionFigures {
  bool dry = false;                     // no area, no peak or no ordinates: nothing to measure
  int count = 0;                        // ordinates strictly above Qce
  float duration = 0.0f;                // NPTS x DT, hours
  int days = 0, hours = 0, minutes = 0; // the duration as dddd|hh:mm
  float qavg = 0.0f;                    // volume over duration, cfs
  float erosiveHours = 0.0f;
  float exceedance = 0.0f; // percent of the ordinates above Qce
};

ErosionFigures computeErosion(const model::Hydrograph& h, float qce);

// The command: prints the method heading and, for method 1, one line per
// slot to the detailed output and to the summary output.
void erosionIndex(model::RunContext& ctx);

} // namespace hydrograph
