// The set-up both runoff families share: the hydrograph time step as the user
// types it, the number of rainfall steps, and the rainfall itself (the current
// storm brought to the time step, or intensities typed on the command's lines).
#pragma once

#include <algorithm>
#include <span>
#include <vector>

#include "model/context.h"

namespace runoff {

// A time step as typed: 0 is the storm's step, 1 or more minutes, below 1 hours.
// The minutes rule comes before the sign is dropped, so a negative value always
// counts as hours; the sign asks for the transformed hyetograph to be printed.
struct TimeStep {
  float dt = 0.0f;    // hours, not negative
  bool print = false; // a negative value was typed
};
TimeStep readTimeStep(float value, float sdt);

// Steps of the storm at `dt`: integer part of NSTEP * SDT / DT + 0.55, at most
// the rainfall step limit; 0 when dt is 0.
int stormStepCount(const model::Storm& storm, float dt);

// Intensities typed from PARAM position `pos` on (in input units), ended by the
// first negative value, by `maxValues` values (0: no limit) or by the last
// position the command takes or the input gave (`lastGiven`), whichever is first.
std::vector<float> typedRainfall(const model::CommandValues& cmd, int pos, int maxValues, int lastGiven);

// The current storm's working copy brought to `step.dt` (which may be
// adjusted to a whole multiple or divisor of the storm step); the transformed
// hyetograph is printed when the step asks for it and the caller is not silent.
// A rainfall count `nrain` that covered the whole storm at the requested step
// becomes the whole storm's count at the adjusted one.
void bringStormToStep(model::RunContext& ctx, TimeStep& step, int& nrain, bool silent);

// The rainfall of a runoff command. With a negative value at `pos` the current
// storm's working copy is brought to `dt` (which may be adjusted to a whole
// multiple or divisor of the storm step); otherwise the typed intensities
// replace the storm, are printed (unless `silent`) and `nrain` becomes their
// number. `maxTyped` limits the typed list (0: no limit).
void takeRainfall(model::RunContext& ctx, int pos, int maxTyped, TimeStep& step, int& nrain, bool silent);

// The rainfall a runoff computation works on: intensities rain[1..] in/hr
// (entries past the end read as 0), nrain steps of dt hours.
struct RainSeries {
  std::span<const float> rain;
  int nrain = 0;
  float dt = 0.0f;
};
// The storm's working copy as brought to its current step.
RainSeries stormRain(const model::Storm& storm, int nrain, float dt);

// The number of rainfall steps of a command: the typed count, or the storm's
// count at `dt` when 0; `differs` when a typed count is not the storm's.
struct RainCount {
  int nrain = 0;
  bool differs = false;
};
RainCount countRainSteps(int typed, const model::Storm& storm, float dt);

// Runoff depth over rainfall depth; a storm of no depth (PTOT 0, as a change
// of step can leave it) gives 0, as the summary line does, never 0/0.
inline float runoffCoefficient(float runoff, float ptot) { return runoff / (ptot == 0.0f ? 1.0e-6f : ptot); }

// The rainfall excess and hydrograph work arrays hold at most the longest
// storm and hydrograph, 1-based.
inline constexpr std::size_t kWorkSize = static_cast<std::size_t>(model::kMaxOrdinates) + 2;

// The size of a work array for entries 1..n and the one after them (the step
// after the last rainfall step): sized to what it holds, as clearing arrays
// of the full limit would cost a single-event study most of its run time.
inline std::size_t workSize(int n) { return std::min(static_cast<std::size_t>(std::max(n, 0)) + 2, kWorkSize); }

} // namespace runoff
