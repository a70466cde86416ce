// The NASHYD family: runoff of a rural catchment from the storm through the
// loss models and a Nash unit hydrograph (N equal linear reservoirs in cascade
// with time to peak TP). One routine serves five commands and, silently, the
// slow-infiltration part of the sewer-flow command.
#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "model/context.h"
#include "runoff/unit_hydrograph_runoff.h"

namespace runoff {

// Modes of the NASHYD routine.
enum NashydMode : int {
  kComputeNashyd = 1,
  kCalibNashyd = 2,
  kDesignScshyd = 3,
  kDesignNashyd = 4,
  kContinuousNashyd = 5,
  kSilentNashyd = 6,  // the sewer-flow command: as mode 5, nothing printed
};

// Gamma function by recurrence onto [1, 2] and a polynomial there; nullopt for
// arguments at (within 1e-6 of) an integer of 0 or below.
std::optional<float> gammaFunction(float x);

// The Nash unit hydrograph of an area at a time step, in cfs per inch of excess.
struct NashUnitHydrograph : UnitHydrograph {
  float k = 0.0f;  // reservoir constant TP / (N - 1), hours
};
// Requires n > 1 and tp > 0 (the command rejects other values before this).
NashUnitHydrograph nashUnitHydrograph(float area, float n, float tp, float dt);

// The routine of the family in a given mode; `name` is the command label.
void nashyd(model::RunContext& ctx, int mode, std::string_view name);

// Command routines.
void computeNashyd(model::RunContext& ctx);     // COMPUTE NASHYD
void calibNashyd(model::RunContext& ctx);       // CALIB NASHYD
void designScshyd(model::RunContext& ctx);      // DESIGN SCSHYD
void designNashyd(model::RunContext& ctx);      // DESIGN NASHYD
void continuousNashyd(model::RunContext& ctx);  // CONTINUOUS NASHYD
// CONTINUOUS SCSHYD takes the layout and computation of CONTINUOUS NASHYD, so
// that what it does never depends on the command that ran before it.
void continuousScshyd(model::RunContext& ctx);
// Mode 6 with the values already in PARAM (slot, NHYD, DT, area, baseflow, C as
// a negative CN, Ia, N, TP, five zeros, -1 for the current storm).
void nashydSilent(model::RunContext& ctx);

}  // namespace runoff
