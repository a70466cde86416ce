// The storm time-step change the runoff commands use to bring the current
// storm to their hydrograph step. It works on the working copy of ctx.storm
// (work, workDT, workSteps) and leaves the storm as defined untouched.
#pragma once

#include <vector>

#include "model/context.h"

namespace rain {

// The time-step change, called by the runoff commands. `dtHours` is the step
// they ask for, in hours; a negative request also prints the transformed
// hyetograph. Returns the adjusted step (hours, positive): a whole multiple or
// divisor of SDT, which the caller uses as its hydrograph time step. The
// working copy ctx.storm.work[1..workSteps] and ctx.storm.workDT are rebuilt
// and PTOT is recomputed from it (messages 254 and 255 when the storm is cut
// or its total changes). A request of 0 means the storm's own step.
float changeTimeStep(model::RunContext& ctx, float dtHours);

// Result of bringing a storm to a new step.
struct StepChange {
  float dt = 0.0f;         // adjusted step, hours
  int k = 1;               // steps grouped (coarser) or repeated (finer)
  int steps = 0;           // N', number of working steps
  bool cut = false;        // N' exceeded the limit (message 254)
  int requestedSteps = 0;  // N' before the cut
  std::vector<float> work; // 1-based, entries 1..steps
  float ptot = 0.0f;       // sum of the working intensities * dt
};
// `rain` is 1-based with entries 1..nstep; `dt` is positive, in hours; sdt > 0.
StepChange computeStepChange(const std::vector<float>& rain, int nstep, float sdt, float dt);

} // namespace rain
