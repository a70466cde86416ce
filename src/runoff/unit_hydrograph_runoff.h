// Runoff of a rural catchment from a unit hydrograph: the part the Nash and the
// gamma-exponential (WILHYD) families share. A unit hydrograph is tabulated at
// the time step until it holds (almost) one inch over the area and then
// normalised to exactly one inch; the rainfall excess of the loss models is
// convolved with it, the groundwater reservoir adds its baseflow, and the end
// of the hydrograph is trimmed and scanned backwards for the peak and volume.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "hydrograph/producer.h"
#include "model/context.h"
#include "runoff/losses.h"
#include "runoff/rainfall.h"

namespace runoff {

// A unit hydrograph of an area at a time step, in cfs per inch of excess.
struct UnitHydrograph {
  float upk = 0.0f;        // unit peak, cfs per inch of excess per hour of step
  float f = 0.0f;          // fraction of an inch held before the normalisation
  int nuh = 0;             // ordinates 1..nuh
  std::vector<float> u;    // u[1..nuh] after the normalisation (one inch over the area)
  std::vector<float> raw;  // the same before it, as printed on request
};

// Ordinate 1 is 0 at t = 0; ordinates j = 2, 3, ... are `ordinate((j - 1) * dt)`
// until 99.9 % of an inch over the area is held, the last ordinate adds less
// than 0.01 % to the volume, or `maxOrdinates` is reached; then every ordinate
// is divided by the fraction held. An area of 0 has a single zero ordinate
// after the origin.
UnitHydrograph tabulateUnitHydrograph(float area, float dt, int maxOrdinates, float upk,
                                      const std::function<float(float)>& ordinate);

// Adds DT * u(k) * e(m) to q[m + k - 1] for every step m with excess and
// k = 2..nuh; ordinates past the hydrograph limit are dropped.
void convolve(std::span<const float> excess, int nrain, std::span<const float> u, int nuh, float dt,
              std::span<float> q);

// Everything the losses, the convolution and the groundwater reservoir produce.
struct UnitHydrographRunoff {
  std::vector<float> excess;       // e[1..nrain], in/hr
  std::vector<float> groundwater;  // g[1..nrain], in/hr (empty without the reservoir)
  std::vector<float> q;            // ordinates 1..nrain + nuh - 1 (at most the limit), cfs
  LossResult loss;
  hydrograph::Totals totals;       // as the slot will hold them (tail cut, latest peak)
  int peakIndex = 0;               // ordinate of the peak; 0 when no ordinate is above 0
};

// Groundwater outflow at intensity g (in/hr) over `area` acres as a flow, cfs.
// The baseflow uses a more precise constant than every other volume rule.
float groundwaterFlow(float area, float g);

// Losses of `loss` (its rainfall at loss.dt), convolution with `uh` over `area`
// and, with the reservoir on, its outflow g(i) added to ordinate i for
// i = 2..nrain + 1; then the totals by the rules of both families: trailing
// ordinates below the tail flow cut (never below ordinate nrain + 1), the
// latest of equal highest ordinates the peak, summed from the end, and no
// depth of runoff without a positive area.
UnitHydrographRunoff unitHydrographRunoff(const LossInput& loss, const UnitHydrograph& uh, float area);

// Stores the hydrograph in slot `id` through the producer path by those rules.
void storeRunoff(model::RunContext& ctx, int id, int nhyd, float area, float base,
                 const UnitHydrographRunoff& r, float dt, int nrain);

// The rainfall set-up both families share, up to the input block: the time
// step as typed, the number of rainfall steps (NRAIN typed or from the storm,
// and whether a typed NRAIN disagrees with the storm) and Ia as 0.2 S.
struct RunoffSetUp {
  float dtTyped = 0.0f;
  int nrainTyped = 0;  // 0: from the storm
  float cn = 0.0f;
  float ia = 0.0f;     // negative: 0.2 S when cn > 0
};
struct RunoffSteps {
  float dt = 0.0f;   // hours
  bool printHyetograph = false;
  int nrain = 0;
  bool countDiffers = false;
  float ia = 0.0f;   // inches, as used
  bool iaDerived = false;
};
RunoffSteps runoffSteps(const model::Storm& storm, const RunoffSetUp& in);

// The rainfall of the command (the storm at DT, or typed intensities from PARAM
// position `rainPos`, at most `maxTyped` of them, 0 for no limit), then the
// checks that end the command without touching the slot: a time step of 0
// (message `zeroStep`), no rainfall steps (`noRain`), and for continuous
// simulation (`noApi` not 0) a missing antecedent precipitation index.
// Returns false when the command ends.
struct RunoffMessages {
  int zeroStep = 0;
  int noRain = 0;
  int noApi = 0;  // 0: no API check
};
bool takeRunoffRainfall(model::RunContext& ctx, int rainPos, int maxTyped, RunoffSteps& steps, bool silent,
                        const RunoffMessages& messages);

// The loss input of the curve-number form over the working storm.
LossInput curveNumberLosses(const model::RunContext& ctx, const RunoffSteps& steps, float cn, int mode);

}  // namespace runoff
