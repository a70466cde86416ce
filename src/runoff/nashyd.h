// The NASHYD family: runoff of a rural catchment from the storm through the
// loss models and a Nash unit hydrograph (N equal linear reservoirs in cascade
// with time to peak TP). One computation serves six commands and the
// slow-infiltration part of the sewer-flow command.
#pragma once

#include <string_view>
#include <vector>

#include "model/context.h"
#include "runoff/losses.h"
#include "runoff/rainfall.h"
#include "runoff/unit_hydrograph_runoff.h"
#include "runoff/unit_hydrographs.h"

namespace runoff {

// The commands of the family, each with its own layout of values.
enum class NashydMode {
  Compute,    // COMPUTE NASHYD
  Calib,      // CALIB NASHYD
  DesignScs,  // DESIGN SCSHYD: Ia = 0.2 S, N = 5
  DesignNash, // DESIGN NASHYD: Ia and N from the defaults
  Continuous, // CONTINUOUS NASHYD and CONTINUOUS SCSHYD
};

// The values of one command, in internal units (acres, inches, hours, cfs).
struct NashydValues {
  int id = 0;
  int nhyd = 0;
  float dtTyped = 0.0f;
  float area = 0.0f; // acres
  bool printUnitHydrograph = false;
  bool printExcess = false;
  float base = 0.0f; // cfs
  float cn = 0.0f;   // curve number, or -C
  float ia = 0.0f;   // inches; negative: 0.2 S
  float n = 0.0f;
  float tp = 0.0f; // hours
  int nrainTyped = 0;
  int rainPos = 0; // position of the rainfall value
  // Continuous simulation.
  float iaRec = 0.0f, smin = 0.0f, smax = 0.0f, sk = 0.0f, interEventTime = 0.0f;
  float gwOption = -1.0f;
  float gwInitial = 0.0f, gwfrec = 0.0f, vhydcon = 0.0f;
  bool continuousLosses = false; // losses recover between events (CONTINUOUS only)
  bool groundwater = false;      // the groundwater reservoir is on
  float kStep = 0.0f;            // recession per time step, set with the step as typed
};

// The values of a command as its layout in PARAM declares them (the Nash
// commands with defaults take Ia and N from `defaults`).
NashydValues readNashydValues(const model::CommandValues& cmd, const model::Factors& in,
                              const model::Defaults& defaults, NashydMode mode);

// The checks of a command's values, each with its numbered message: N above 1
// and at most the reservoir limit, TP and the area above 0, a rainfall count in
// range; continuous simulation (`continuous`) bounds the curve-number store.
// False when the command stops.
bool acceptNashydValues(model::RunContext& ctx, bool continuous, NashydValues& v);

// What the computation gives back.
struct NashydResult {
  NashUnitHydrograph uh;
  std::vector<float> excess; // excess[1..nrain], in/hr
  std::vector<float> q;      // q[1..last] cfs without baseflow, q[0] unused
  int npts = 0;              // ordinates kept once the dry tail past the rainfall is cut
  hydrograph::Totals totals; // of q by the rules the family stores its hydrographs with
  StoreStatistics stats;
  LossResult loss;                // depths lost and the groundwater reservoir's end
  std::vector<float> groundwater; // reservoir outflow g[1..nrain + 1], in/hr (empty without it)
};

// The runoff of a catchment from the rainfall: requires n > 1, tp > 0 and
// area > 0 (the commands reject other values first), Ia already derived.
// `api` is the series of COMPUTE API for continuous losses (may be null).
NashydResult computeNashydRunoff(const NashydValues& v, const RainSeries& rain, const model::ApiSeries* api);

// The command of the family in a given mode; `name` is the command label.
void nashyd(model::RunContext& ctx, NashydMode mode, std::string_view name);

// Command routines.
void computeNashyd(model::RunContext& ctx);    // COMPUTE NASHYD
void calibNashyd(model::RunContext& ctx);      // CALIB NASHYD
void designScshyd(model::RunContext& ctx);     // DESIGN SCSHYD
void designNashyd(model::RunContext& ctx);     // DESIGN NASHYD
void continuousNashyd(model::RunContext& ctx); // CONTINUOUS NASHYD
// CONTINUOUS SCSHYD takes the layout and computation of CONTINUOUS NASHYD, so
// that what it does never depends on the command that ran before it.
void continuousScshyd(model::RunContext& ctx);

} // namespace runoff
