// COMPUTE API: the antecedent precipitation index series of the current storm,
// kept in ctx.api for the continuous runoff commands.
#pragma once

#include <vector>

#include "model/context.h"

namespace rain {

// The COMPUTE API command routine.
void computeApi(model::RunContext& ctx);

struct ApiStats {
  float k = 0.0f; // per-step recession factor APIK^(dt/24)
  float max = 0.0f, min = 0.0f, sum = 0.0f, last = 0.0f;
};
// Fills api[0..nstep] (resized as needed, inches) from rain[1..nstep] (in/hr)
// at a step of dt hours.
ApiStats computeApiSeries(const std::vector<float>& rain, int nstep, float dt, float apii, float apik,
                          std::vector<float>& api);

} // namespace rain
