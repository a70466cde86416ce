// The STANDHYD family: runoff of an urban catchment split into a directly
// connected impervious surface and a pervious surface, each with its own
// losses, its own storage coefficient from a kinematic-wave travel time (found
// by iteration on the excess intensity) and its own unit hydrograph.
#pragma once

#include <string_view>
#include <vector>

#include "model/context.h"
#include "runoff/losses.h"
#include "runoff/rainfall.h"
#include "runoff/unit_hydrographs.h"

namespace runoff {

// The commands of the family, each with its own layout of values.
enum class StandhydMode {
  ComputeUrbhyd, // COMPUTE URBHYD: the older layout, first trial of the storage coefficient only
  Calib,         // CALIB STANDHYD
  Design,        // DESIGN STANDHYD: surfaces from the defaults
  Continuous,    // CONTINUOUS STANDHYD
};

// The loss method of the pervious surface as typed.
enum class PerviousLoss { Horton = 1, CurveNumber = 2, Proportional = 3 };

// One surface's values in internal units.
struct Surface {
  float ia = 0.0f;     // depression storage, inches
  float slope = 0.0f;  // %
  float length = 0.0f; // ft
  float manning = 0.0f;
  float sc = 0.0f;    // given storage coefficient, hours (0: compute)
  float iaRec = 0.0f; // hours
};

// The values of one command, in internal units (acres, inches, feet, hours, cfs).
struct StandhydValues {
  int id = 0, nhyd = 0;
  float dtTyped = 0.0f;
  float area = 0.0f;              // acres
  float ximp = 0.0f, timp = 0.0f; // fractions
  float base = 0.0f;              // cfs
  int loss = 0;                   // PerviousLoss as typed; others are rejected
  float cn = 0.0f;
  float fo = 0.0f, fc = 0.0f, dcay = 0.0f, f = 0.0f; // in/hr, in/hr, 1/hr, inches
  float cimp = 1.0f, cper = 0.0f;
  Surface imp, per;
  float smin = 0.0f, smax = 0.0f, sk = 0.0f, interEventTime = 0.0f;
  int nrainTyped = 0;
  int rainPos = 0;
  bool firstTrialOnly = false;   // the older layout of COMPUTE URBHYD
  bool continuousLosses = false; // losses recover between events (CONTINUOUS only)
};

// The values of a command as its layout in PARAM declares them.
StandhydValues readStandhydValues(const model::CommandValues& cmd, const model::Factors& in,
                                  const model::Defaults& defaults, StandhydMode mode);

// The checks of a command's values before anything is computed, each with its
// numbered message; `ok` false when the command stops. A time step of 0, a loss
// method other than 1-3 or a rainfall count out of range stop it; continuous
// simulation (`continuous`) bounds the curve-number store. XIMP above TIMP
// becomes TIMP (`ximpCorrected`: the caller reports it after its results), and
// a wholly impervious catchment drains wholly directly.
struct StandhydAccepted {
  bool ok = false;
  bool ximpCorrected = false;
};
StandhydAccepted acceptStandhydValues(model::RunContext& ctx, bool continuous, StandhydValues& v, float dt);

// The loss models of the two surfaces.
LossModel perviousLossModel(const StandhydValues& v);
LossModel imperviousLossModel(const StandhydValues& v);

// One surface's part of the result.
struct SurfaceResult {
  StorageCoefficient sc;
  SurfaceUnitHydrograph uh;
  float peak = 0.0f;     // cfs
  float peakTime = 0.0f; // on the run clock, hours
  float volume = 0.0f;   // inches over the surface
};

struct StandhydResult {
  SurfaceResult imp, per;
  float perIaUsed = 0.0f;
  bool perIaDerived = false;
  StoreStatistics perStats, impStats;
  bool flatSurface = false; // a surface with runoff has no slope: nothing computed past the losses
  std::vector<float> q;     // q[1..last] cfs without baseflow, q[0] unused
  // Depths over each surface, inches, for the water balance: the rainfall it
  // received (the pervious surface also the runoff of the impervious area not
  // directly connected), what its initial abstraction took and its excess.
  struct Depths {
    double rain = 0.0, abstracted = 0.0, excess = 0.0;
  } impDepths, perDepths;
};

// The runoff of a catchment from the rainfall (XIMP already at most TIMP).
// `ptot` is the storm depth (inches, cuts the unit hydrograph tails), `tzero`
// the run clock at the start of the storm (hours, dates the surface peaks),
// `api` the series of COMPUTE API for continuous losses (may be null).
StandhydResult computeStandhydRunoff(const StandhydValues& v, const RainSeries& rain, const model::ApiSeries* api,
                                     float ptot, double tzero);

// The water balance of a result for the ledger: rainfall over the whole area
// (the impervious area not directly connected drains onto the pervious
// surface) and `baseflow` (cubic feet) in; the impervious surface's losses are
// depression storage, the pervious surface's its initial abstraction and
// infiltration. Does nothing unless the run keeps a ledger.
void recordStandhydBalance(model::RunContext& ctx, const StandhydValues& v, const StandhydResult& r, double baseflow);

// The command of the family in a given mode; `name` is the command label.
void standhyd(model::RunContext& ctx, StandhydMode mode, std::string_view name);

void computeUrbhyd(model::RunContext& ctx);      // COMPUTE URBHYD
void calibStandhyd(model::RunContext& ctx);      // CALIB STANDHYD
void designStandhyd(model::RunContext& ctx);     // DESIGN STANDHYD
void continuousStandhyd(model::RunContext& ctx); // CONTINUOUS STANDHYD

} // namespace runoff
