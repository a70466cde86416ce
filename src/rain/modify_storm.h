// MODIFY STORM: the current storm scaled by a factor and shifted by whole
// steps, in the storm as defined and in its working copy.
#pragma once

#include <vector>

#include "model/context.h"

namespace rain {

// The MODIFY STORM command routine: PARAM 1 ICASEms, 2 NSHIFT, 3 RFACT (or XK),
// 4 XL, 5 XM. Writes its block, its summary lines and the storm line.
void modifyStorm(model::RunContext& ctx);

// Result of scaling and shifting a storm.
struct ShiftResult {
  std::vector<float> rain; // 1-based, entries 1..steps
  int steps = 0;           // new NSTEP (at most the rain step limit)
  float ptot = 0.0f;       // sum of intensity * SDT, accumulated step by step
  bool cut = false;        // NSTEP + NSHIFT exceeded the limit (message 253)
};
// `rain` is 1-based with entries 1..nstep. Requires nstep + nshift >= 1.
ShiftResult shiftStorm(const std::vector<float>& rain, int nstep, float sdt, int nshift, float rfact);

} // namespace rain
