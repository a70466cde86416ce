// The STANDHYD family: runoff of an urban catchment split into a directly
// connected impervious surface and a pervious surface, each with its own
// losses, its own storage coefficient from a kinematic-wave travel time (found
// by iteration on the excess intensity) and its own unit hydrograph.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "model/context.h"

namespace runoff {

// Modes of the STANDHYD routine (a real in the run state).
inline constexpr float kComputeUrbhyd = 1.0f;
inline constexpr float kCalibStandhyd = 2.0f;
inline constexpr float kDesignStandhyd = 4.0f;
inline constexpr float kContinuousStandhyd = 5.0f;
inline constexpr float kSilentStandhyd = 6.0f;  // the sewer-flow command

// The overland flow plane of a surface.
struct SurfaceShape {
  float manning = 0.0f;  // Manning n
  float length = 0.0f;   // ft
  float slope = 0.0f;    // ft/ft
  float given = 0.0f;    // given storage coefficient, hours; 0: compute
};

struct StorageCoefficient {
  bool runoff = false;  // the surface has excess
  float imax = 0.0f;    // largest average excess intensity over the window, in/hr
  int window = 0;       // steps of that window
  int ns = 0;           // steps to the unit hydrograph peak
  float k = 0.0f;       // storage coefficient, hours
  float tp = 0.0f;      // unit hydrograph time to peak ns * DT, hours
};

// Largest average of `width` consecutive excess values among the windows that
// start at steps 1..max(nrain, 400) - width + 1 (steps past nrain hold 0).
float windowIntensity(std::span<const double> prefix, int nr, int width);

// The storage coefficient of one surface. `addK` is added to the kinematic-wave
// K (the impervious K for the pervious surface); `roundToK` sets the final step
// count from K (pervious surface); `firstTrialOnly` stops after the first trial
// (the older layout of COMPUTE URBHYD).
StorageCoefficient storageCoefficient(std::span<const float> excess, int nrain, float dt, const SurfaceShape& shape,
                                      float addK, bool roundToK, bool firstTrialOnly);

// The unit hydrograph of a surface in cfs per in/hr of excess: a linear rise to
// the peak at tp, then a linear-reservoir recession with constant K.
struct SurfaceUnitHydrograph {
  float c = 0.0f;           // peak ordinate per unit area, 1/hr
  float peak = 0.0f;        // unit peak, cfs
  int nuh = 0;
  std::vector<float> ord;   // ord[1..nuh], cfs
};
SurfaceUnitHydrograph surfaceUnitHydrograph(float area, float fraction, float tp, float k, float dt, float ptot,
                                            bool normalise);

// The routine of the family in a given mode; `name` is the command label.
void standhyd(model::RunContext& ctx, float mode, std::string_view name);

void computeUrbhyd(model::RunContext& ctx);       // COMPUTE URBHYD
void calibStandhyd(model::RunContext& ctx);       // CALIB STANDHYD
void designStandhyd(model::RunContext& ctx);      // DESIGN STANDHYD
void continuousStandhyd(model::RunContext& ctx);  // CONTINUOUS STANDHYD
// The variant of the sewer-flow command: the CONTINUOUS STANDHYD layout already
// in PARAM (position 9 CPER, position 5 also CIMP), nothing printed.
void standhydSilent(model::RunContext& ctx);

}  // namespace runoff
