// MODIFY STORM (scale and shift the current storm) and the storm time-step
// change the runoff commands use to bring the storm to their hydrograph step.
// Both work on ctx.storm; the time-step change only rebuilds the working copy
// (work, workDT, workSteps) and leaves the storm as defined untouched.
#pragma once

#include <vector>

#include "model/context.h"

namespace rain {

// The MODIFY STORM command routine: PARAM 1 ICASEms, 2 NSHIFT, 3 RFACT (or XK),
// 4 XL, 5 XM. Writes its block, its summary lines and the storm line.
void modifyStorm(model::RunContext& ctx);

// The time-step change, called by the runoff commands. `dtHours` is the step
// they ask for, in hours; a negative request also prints the transformed
// hyetograph. Returns the adjusted step (hours, positive): a whole multiple or
// divisor of SDT, which the caller uses as its hydrograph time step. The
// working copy ctx.storm.work[1..workSteps] and ctx.storm.workDT are rebuilt
// and PTOT is recomputed from it (messages 254 and 255 when the storm is cut
// or its total changes). A request of 0 means the storm's own step.
float changeTimeStep(model::RunContext& ctx, float dtHours);

// ---- pure computations (no context), for tests ---------------------------

// Result of scaling and shifting a storm.
struct ShiftResult {
  std::vector<float> rain;  // 1-based, entries 1..steps
  int steps = 0;            // new NSTEP (at most the rain step limit)
  float ptot = 0.0f;        // sum of intensity * SDT, accumulated step by step
  bool cut = false;         // NSTEP + NSHIFT exceeded the limit (message 253)
};
// `rain` is 1-based with entries 1..nstep. Requires nstep + nshift >= 1.
ShiftResult shiftStorm(const std::vector<float>& rain, int nstep, float sdt, int nshift, float rfact);

// Result of bringing a storm to a new step.
struct StepChange {
  float dt = 0.0f;          // adjusted step, hours
  int k = 1;                // steps grouped (coarser) or repeated (finer)
  int steps = 0;            // N', number of working steps
  bool cut = false;         // N' exceeded the limit (message 254)
  int requestedSteps = 0;   // N' before the cut
  std::vector<float> work;  // 1-based, entries 1..steps
  float ptot = 0.0f;        // sum of the working intensities * dt
};
// `rain` is 1-based with entries 1..nstep; `dt` is positive, in hours; sdt > 0.
StepChange computeStepChange(const std::vector<float>& rain, int nstep, float sdt, float dt);

}  // namespace rain
