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
struct NashUnitHydrograph {
  float k = 0.0f;      // reservoir constant TP / (N - 1), hours
  float upk = 0.0f;    // unit peak, cfs per inch of excess per hour of step
  float f = 0.0f;      // fraction of an inch held before the normalisation
  int nuh = 0;         // ordinates 1..nuh
  std::vector<float> u;    // u[1..nuh] after the normalisation (one inch over the area)
  std::vector<float> raw;  // the same before it, as printed on request
};
// Requires n > 1 and tp > 0 (the command rejects other values before this).
NashUnitHydrograph nashUnitHydrograph(float area, float n, float tp, float dt);

// Adds DT * u(k) * e(m) to q[m + k - 1] for every step m with excess and
// k = 2..nuh; ordinates past the hydrograph limit are dropped.
void convolve(std::span<const float> excess, int nrain, std::span<const float> u, int nuh, float dt,
              std::span<float> q);

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
