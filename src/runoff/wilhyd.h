// COMPUTE HYD, CALIB WILHYD and CONTINUOUS WILHYD: runoff of a rural catchment
// like the NASHYD family (the same losses, rainfall, convolution, groundwater
// baseflow, storing and backward peak scan) with another unit hydrograph: a gamma-shaped
// rising limb up to its inflection point, then two exponential recessions with
// constants K and 3K. The shape parameter N of the rising limb follows from the
// ratio K/Tp by iteration.
#pragma once

#include <string_view>
#include <vector>

#include "model/context.h"
#include "runoff/unit_hydrograph_runoff.h"

namespace runoff {

enum class WilhydCommand { ComputeHyd, CalibWilhyd, ContinuousWilhyd };

// The unit hydrograph is cut at this many ordinates (the origin included).
inline constexpr int kWilhydMaxOrdinates = 501;

// The values of one command, in internal units (acres, cfs, inches, hours).
struct WilhydValues {
  WilhydCommand command = WilhydCommand::ComputeHyd;
  int id = 0;
  int nhyd = 0;
  float dtTyped = 0.0f;
  float area = 0.0f;
  bool printUnitHydrograph = false;
  bool printExcess = false;
  float base = 0.0f; // cfs
  float cn = 0.0f;   // curve number, or -C
  float ia = 0.0f;   // inches; negative: 0.2 S
  float k = 0.0f;    // recession constant, hours
  float tp = 0.0f;   // time to peak, hours
  int nrainTyped = 0;
  int rainPos = 0;
  // Continuous simulation.
  float iaRec = 0.0f, smin = 0.0f, smax = 0.0f, sk = 0.0f, interEventTime = 0.0f;
  float gwOption = 0.0f;
  float gwInitial = 0.0f, gwfrec = 0.0f, vhydcon = 0.0f;
  float kStep = 0.0f; // recession per time step, set with the step as typed
  bool continuous() const { return command == WilhydCommand::ContinuousWilhyd; }
  bool groundwater() const { return continuous() && model::truncatedInt(gwOption) == 1; }
};

// The command's values from its layout of PARAM positions.
WilhydValues readWilhydValues(const model::RunContext& ctx, WilhydCommand command);

// Shape parameter N of the rising limb and its inflection point t0 (a multiple
// of Tp), by at most 50 trials from N = 5; not converged when the trials run
// out or the iteration leaves the range where it is defined.
struct WilhydShape {
  bool converged = false;
  int trials = 0;
  float n = 0.0f;
  float t0 = 0.0f;
};
WilhydShape wilhydShape(float k, float tp);

// The constants of the unit hydrograph of an area (acres).
struct WilhydConstants {
  float a1 = 0.0f;  // area of the rising limb up to t0, in units of Tp
  float q0 = 0.0f;  // rising-limb ordinate at t0 relative to the peak
  float t1 = 0.0f;  // inflection time, hours
  float t2 = 0.0f;  // start of the 3K recession, hours
  float upk = 0.0f; // unit peak, cfs per inch of excess per hour of step
  float q1 = 0.0f;  // ordinate at t1
  float q2 = 0.0f;  // ordinate at t2
};
WilhydConstants wilhydConstants(const WilhydShape& shape, float k, float tp, float area);

// The unit hydrograph at `dt`, at most 501 ordinates, normalised to one inch.
UnitHydrograph wilhydUnitHydrograph(const WilhydShape& shape, float k, float tp, float area, float dt);

// The water budget of the continuous form, depths in inches over the area. It
// closes: precipitation + startStorage = evapotranspiration + surfaceRunoff +
// baseflow + recharge + endStorage.
struct WaterBudget {
  float precipitation = 0.0f;      // rain over the steps used
  float evapotranspiration = 0.0f; // the remainder: depression storage and other losses
  float surfaceRunoff = 0.0f;      // the rainfall excess
  float baseflow = 0.0f;           // outflow of the groundwater reservoir
  float recharge = 0.0f;           // deep recharge: VHYDCON losses, or all infiltration without a reservoir
  float startStorage = 0.0f;       // groundwater reservoir at the start
  float endStorage = 0.0f;         // and at the end
};
// The parts of the peak flow, cfs.
struct PeakParts {
  float surface = 0.0f;  // peak ordinate less the reservoir outflow in it
  float dwf = 0.0f;      // constant baseflow
  float variable = 0.0f; // reservoir outflow in the peak ordinate
};

// What the command computed.
struct WilhydResult {
  WilhydConstants constants;
  UnitHydrograph uh;
  UnitHydrographRunoff runoff;
  WaterBudget budget;
  PeakParts peak;
};

// Losses, convolution and groundwater for a shape that converged, over the
// rainfall `rain` (Ia already derived); `api` is COMPUTE API's series for the
// continuous form (may be null).
WilhydResult computeWilhyd(const WilhydValues& v, const WilhydShape& shape, const RainSeries& rain,
                           const model::ApiSeries* api);

// The printer of the command file (wilhyd_printer.cpp).
void printWilhydInput(model::RunContext& ctx, std::string_view name, const WilhydValues& v, float dt);
void printWilhydResults(model::RunContext& ctx, const WilhydValues& v, int nrain, bool iaDerived, const WilhydResult& r,
                        const model::Hydrograph& h);
void printWilhydSummary(model::RunContext& ctx, const WilhydValues& v, float dt);

// Command routines.
void computeHyd(model::RunContext& ctx);       // COMPUTE HYD
void calibWilhyd(model::RunContext& ctx);      // CALIB WILHYD
void continuousWilhyd(model::RunContext& ctx); // CONTINUOUS WILHYD

} // namespace runoff
