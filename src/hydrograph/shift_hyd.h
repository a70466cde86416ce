// SHIFT HYD: a hydrograph copied into another slot, delayed by a lag applied
// as a whole number of its time steps.
#pragma once

#include "model/context.h"

namespace hydrograph {

// PARAM: 1 output slot, 2 NHYD of the output (0: named by STRING 1), 3 input
// slot, 4 lag (minutes when 1 or more, else hours).
struct ShiftHydValues {
  int idOut = 0;
  int nhyd = 0;
  int idIn = 0;
  float lag = 0.0f; // hours
};

ShiftHydValues readShiftHydValues(const model::CommandValues& cmd);

// What the short-lag rule did to a lag below one time step.
enum class ShortLag { None, Dropped, RaisedToOneStep };

struct ShiftHydResult {
  model::Hydrograph out; // ordinates, step, area, baseflow, peak and volume
  float lag = 0.0f;      // the lag after the short-lag rule, hours
  int steps = 0;         // whole time steps the ordinates moved
  ShortLag shortLag = ShortLag::None;
  int cutOrdinates = 0; // input ordinates pushed past the ordinate limit
  double cutFlow = 0.0; // their flows summed, cfs (times DT: the volume cut)
};

// Delays `in` by `lag` hours. A lag under half a step is dropped, one of half
// a step or more up to a step becomes one step; longer lags are truncated to
// whole steps. The peak, its time and the volume are the input's, the time
// moved by the steps; when ordinates are pushed past the ordinate limit they
// are those of the ordinates kept (the earliest of equal highest is the peak,
// its time on the run clock that starts at `tzero` hours).
ShiftHydResult computeShiftHyd(const model::Hydrograph& in, float lag, double tzero = 0.0);

void shiftHyd(model::RunContext& ctx);

} // namespace hydrograph
