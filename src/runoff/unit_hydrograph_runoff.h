// Runoff of a rural catchment from a unit hydrograph: the part the Nash and the
// gamma-exponential (WILHYD) families share once each has its unit hydrograph
// (tabulated in unit_hydrographs). The rainfall excess of the curve-number or
// coefficient losses is convolved with it, the groundwater reservoir adds its
// baseflow, and the hydrograph is stored with its end trimmed and its peak
// and volume scanned backwards.
#pragma once

#include <span>
#include <vector>

#include "fortran/format.h"
#include "hydrograph/producer.h"
#include "model/context.h"
#include "runoff/losses.h"
#include "runoff/rainfall.h"
#include "runoff/unit_hydrographs.h"

namespace runoff {

// The loss values both families read, in inches and hours.
struct RuralLosses {
  float cn = 0.0f;         // curve number, or -C
  float ia = 0.0f;         // inches, already derived when typed as 0.2 S
  bool continuous = false; // losses recover between events, store following the API
  float iaRec = 0.0f, smin = 0.0f, smax = 0.0f, sk = 0.0f, interEventTime = 0.0f;
  Groundwater gw; // the groundwater reservoir (gw.on) and its constants
};

// Everything the losses, the convolution and the groundwater reservoir produce.
struct UnitHydrographRunoff {
  std::vector<float> excess;      // e[1..nrain], in/hr
  std::vector<float> groundwater; // g[1..nrain + 1], in/hr (empty without the reservoir)
  std::vector<float> q;           // ordinates 1..nrain + nuh - 1 (at most the limit), cfs; q[0] unused
  LossResult loss;
  hydrograph::Totals totals; // as the slot will hold them (tail cut, latest peak)
  int peakIndex = 0;         // ordinate of the peak; 0 when no ordinate is above 0
};

// Recession of the groundwater reservoir per step of `dt` hours from the daily constant.
float recessionPerStep(float gwfrec, float dt);

// Groundwater outflow at intensity g (in/hr) over `area` acres as a flow, cfs.
// The baseflow uses a more precise constant than every other volume rule.
float groundwaterFlow(float area, float g);

// Losses over `rain`, convolution with `uh` over `area` (acres) and, with the
// reservoir on, its outflow g(i) added to ordinate i for i = 2..nrain + 1;
// then the totals by the rules both families store with: trailing ordinates
// below the tail flow cut (never below ordinate nrain + 1), the latest of equal
// highest ordinates the peak, summed from the end, and no depth of runoff
// without a positive area. `api` is COMPUTE API's series (may be null).
UnitHydrographRunoff unitHydrographRunoff(const RuralLosses& losses, const RainSeries& rain,
                                          const model::ApiSeries* api, const UnitHydrograph& uh, float area);

// Stores q[1..] in slot `id` through the producer path by those rules;
// `known` are the totals unitHydrographRunoff gave for exactly these ordinates.
hydrograph::Totals storeRunoff(model::RunContext& ctx, int id, int nhyd, float area, float base, std::vector<float> q,
                               float dt, int nrain, std::optional<hydrograph::Totals> known = std::nullopt);

// The water balance of a rural catchment's runoff for the ledger (nothing
// unless the run's results are wanted): the rainfall over the area and the
// reservoir's starting storage in; the initial abstraction and the
// infiltration that did not reach the reservoir (with the deep recharge) lost;
// the reservoir's end storage stored. What the stored hydrograph then lacks or
// exceeds against the excess and the reservoir's outflow is the continuity
// error of the convolution (a cut, a trimmed tail, an outflow never added).
// `baseflow` is the volume of the constant baseflow the hydrograph carries
// (run::baseflowVolume of its slot), cubic feet.
void recordRuralBalance(model::RunContext& ctx, const RainSeries& rain, std::span<const float> excess,
                        std::span<const float> groundwater, const LossResult& loss, float gwInitial, float area,
                        double baseflow);

// The rainfall of the command (the storm at DT, or typed intensities from PARAM
// position `rainPos`, at most `maxTyped` of them, 0 for no limit), then the
// checks that end the command without touching the slot: a time step of 0
// (message `zeroStep`), no rainfall steps (`noRain`), and for continuous
// simulation (`noApi` not 0) a missing antecedent precipitation index.
// Returns false when the command ends.
struct RunoffMessages {
  int zeroStep = 0;
  int noRain = 0;
  int noApi = 0; // 0: no API check
};
bool takeRunoffRainfall(model::RunContext& ctx, int rainPos, int maxTyped, TimeStep& step, int& nrain, bool silent,
                        const RunoffMessages& messages);

// The continuous-simulation and groundwater values both unit-hydrograph
// families take, in internal units (inches, hours, 1/day).
struct ContinuousInputs {
  float iaRec = 0.0f, smin = 0.0f, smax = 0.0f, sk = 0.0f, interEventTime = 0.0f;
  float gwOption = 0.0f, gwInitial = 0.0f, gwfrec = 0.0f, kStep = 0.0f, vhydcon = 0.0f;
};

// Their block of the detailed output. Each family prints its groundwater
// option in a field of its own width (`optionFormat`); the reservoir lines
// follow only when the command has a groundwater reservoir.
void printContinuousInputs(model::RunContext& ctx, const ContinuousInputs& c, const fortran::Format& optionFormat,
                           bool groundwater);

} // namespace runoff
