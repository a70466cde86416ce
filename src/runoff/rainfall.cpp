// Time step, step count and rainfall of the runoff commands.
#include "runoff/rainfall.h"

#include <algorithm>
#include <cmath>

#include "rain/hyetograph.h"
#include "rain/read_storm.h"
#include "rain/time_step.h"

namespace runoff {

TimeStep readTimeStep(float value, float sdt) {
  TimeStep s;
  if (value == 0.0f) {
    s.dt = sdt;
    return s;
  }
  s.print = value < 0.0f;
  const float v = value >= 1.0f ? value / 60.0f : value;
  s.dt = std::fabs(v);
  return s;
}

int stormStepCount(const model::Storm& storm, float dt) {
  if (dt <= 0.0f) return 0;
  const float steps = static_cast<float>(storm.NSTEP) * storm.SDT / dt + 0.55f;
  if (!(steps < static_cast<float>(model::kMaxRainSteps))) return model::kMaxRainSteps;
  // A storm of a negative step has no steps to give (nor a NaN count).
  if (!(steps >= 0.0f)) return 0;
  return static_cast<int>(steps);
}

RainSeries stormRain(const model::Storm& storm, int nrain, float dt) {
  RainSeries r;
  r.rain = std::span<const float>(storm.work.data(),
                                  std::min(storm.work.size(), static_cast<std::size_t>(storm.workSteps) + 1));
  r.nrain = nrain;
  r.dt = dt;
  return r;
}

RainCount countRainSteps(int typed, const model::Storm& storm, float dt) {
  RainCount c;
  c.nrain = typed;
  const int stormSteps = stormStepCount(storm, dt);
  if (typed == 0) {
    c.nrain = stormSteps;
  } else if (storm.NSTEP != 0 && stormSteps != typed) {
    c.differs = true;
  }
  return c;
}

std::vector<float> typedRainfall(const model::CommandValues& cmd, int pos, int maxValues, int lastGiven) {
  std::vector<float> values;
  const int last = std::min({cmd.NPARAM, lastGiven, static_cast<int>(cmd.PARAM.size()) - 1});
  for (int k = pos; k <= last; ++k) {
    if (cmd.PARAM[static_cast<std::size_t>(k)] < 0.0f) break;
    if (maxValues > 0 && static_cast<int>(values.size()) >= maxValues) break;
    values.push_back(cmd.PARAM[static_cast<std::size_t>(k)]);
  }
  return values;
}

void bringStormToStep(model::RunContext& ctx, TimeStep& step, int& nrain, bool silent) {
  const model::Storm& storm = ctx.storm;
  // The storm as defined stays; only its working copy follows the step.
  if (storm.NSTEP != 0 && std::fabs(storm.workDT - step.dt) > 0.001f) {
    const bool print = step.print && !silent;
    const int stepsAtRequested = stormStepCount(storm, step.dt);
    step.dt = rain::changeTimeStep(ctx, print ? -step.dt : step.dt);
    // A count that covered the whole storm at the requested step covers it
    // at the adjusted step too: 15 minutes asked of a 10-minute storm runs
    // at 10 minutes, and 4 h of rain are 24 steps there, not the 16 that
    // 4 h take at 15 minutes (which would drop the last third of the rain).
    if (nrain == stepsAtRequested) nrain = stormStepCount(storm, step.dt);
  }
}

void takeRainfall(model::RunContext& ctx, int pos, int maxTyped, TimeStep& step, int& nrain, bool silent) {
  model::Storm& storm = ctx.storm;
  if (ctx.cmd.PARAM[static_cast<std::size_t>(pos)] < 0.0f) {
    bringStormToStep(ctx, step, nrain, silent);
    return;
  }
  // Typed intensities end at the first negative value, and never run past the
  // values actually given: a rainfall position left out reads as 0, and the
  // zero-filled positions after it must not become hours of dry "rain" that
  // silently replace the current storm. An empty list keeps the storm and
  // leaves NRAIN at 0, which the command reports as an error.
  const int lastGiven = silent ? ctx.cmd.NPARAM : ctx.cmd.given;
  const std::vector<float> typed = typedRainfall(ctx.cmd, pos, maxTyped, lastGiven);
  if (typed.empty()) {
    nrain = 0;
    return;
  }
  float sum = 0.0f;
  const int n = std::min(static_cast<int>(typed.size()), model::kMaxRainSteps);
  rain::reserveStorm(storm, n);
  for (int i = 1; i <= n; ++i) {
    const float v = typed[static_cast<std::size_t>(i - 1)] / ctx.units.in.depth;
    storm.RAIN[static_cast<std::size_t>(i)] = v;
    storm.work[static_cast<std::size_t>(i)] = v;
    sum += v;
  }
  storm.SDT = step.dt;
  storm.NSTEP = n;
  storm.PTOT = storm.SDT * sum;
  // Typed rain of zero depth: the same guard run control applies before each
  // command, so runoff coefficients are 0 rather than 0/0.
  if (storm.PTOT == 0.0f) storm.PTOT = 1.0e-6f;
  storm.workDT = storm.SDT;
  storm.workSteps = n;
  nrain = n;
  if (!silent) rain::printHyetograph(ctx, 2, "New rainfall entered directly by user.");
}

} // namespace runoff
