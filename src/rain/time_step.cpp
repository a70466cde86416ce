// The storm time-step change: the working copy of the storm at a runoff
// command's hydrograph step, a whole multiple or divisor of the storm's step.
#include "rain/time_step.h"

#include <algorithm>
#include <cmath>

#include "model/limits.h"
#include "rain/hyetograph.h"
#include "rain/read_storm.h"
#include "run/messages.h"
#include "run/output.h"

namespace rain {

StepChange computeStepChange(const std::vector<float>& rain, int nstep, float sdt, float dt) {
  StepChange c;
  // The step becomes a whole multiple or a whole divisor of the storm's step.
  if (sdt > dt) {
    c.k = model::truncatedInt(sdt / dt + 0.1f);
    c.dt = sdt / static_cast<float>(c.k);
  } else {
    c.k = model::truncatedInt(dt / sdt + 0.1f);
    c.dt = sdt * static_cast<float>(c.k);
  }
  int n = model::truncatedInt(sdt / c.dt * static_cast<float>(nstep) + 0.55f);
  c.requestedSteps = n;
  if (n > model::kMaxRainSteps) {
    c.cut = true;
    n = model::kMaxRainSteps;
  }
  c.steps = n;
  c.work.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  auto old = [&](int i) { return i >= 1 && i <= nstep ? rain[i] : 0.0f; };
  if (sdt < c.dt) {
    // Coarser: each working step is the mean of k storm steps (a short last
    // group counts its missing steps as 0).
    for (int j = 1; j <= n; ++j) {
      float sum = 0.0f;
      for (int m = 1; m <= c.k; ++m) sum += old((j - 1) * c.k + m);
      c.work[j] = sum / static_cast<float>(c.k);
    }
  } else {
    // Finer or equal: each storm step is repeated k times.
    for (int i = 1; i <= n; ++i) c.work[i] = old((i - 1) / c.k + 1);
  }
  float sum = 0.0f;
  for (int i = 1; i <= n; ++i) sum += c.work[i];
  c.ptot = sum * c.dt;
  return c;
}

float changeTimeStep(model::RunContext& ctx, float dtHours) {
  static const fortran::Format kCut("(19X,'Length of storm had to be cut from ',I5,' points to ',I5,' .',/)");
  static const fortran::Format kVolume("(19X,'Volume was ',F6.2,A7,'.  Now is ',F6.2,A7,'.',/)");

  // The change starts with a clean severity, but never clears an error that
  // already ends the run.
  run::markNext(ctx, run::Severity::Note);
  model::Storm& s = ctx.storm;
  const bool print = dtHours < 0.0f;
  float dt = std::fabs(dtHours);
  if (dt == 0.0f) dt = s.SDT;
  // Without a storm there is nothing to bring to the new step.
  if (s.SDT <= 0.0f || dt <= 0.0f) {
    s.workDT = dt;
    s.workSteps = 0;
    return dt;
  }

  StepChange c = computeStepChange(s.RAIN, s.NSTEP, s.SDT, dt);
  platform::LineSink& out = *ctx.out.detailed;
  if (c.cut) {
    run::issue(ctx, msg::kModifyStormDurationReduced, run::Severity::Warning);
    run::put(out, kCut, {c.requestedSteps, model::kMaxRainSteps});
  }
  const float oldTotal = s.PTOT;
  reserveStorm(s, c.steps);
  std::fill(s.work.begin(), s.work.end(), 0.0f);
  std::copy_n(c.work.begin() + 1, c.steps, s.work.begin() + 1);
  s.PTOT = c.ptot;
  // The integer part of the change in hundredths is above 0: the change is at
  // least 0.01 (compared as reals, so a total near the top of single
  // precision cannot overflow the integer).
  if (std::fabs(s.PTOT - oldTotal) * 100.0f >= 1.0f) {
    run::issue(ctx, msg::kModifyStormVolumeChanged, run::Severity::Warning);
    const float f = ctx.units.out.depth;
    run::put(
        out, kVolume,
        {run::starredIfNotFinite(oldTotal * f), ctx.units.label(model::Quantity::Depth),
         run::starredIfNotFinite(s.PTOT * f), ctx.units.label(model::Quantity::Depth)});
  }
  s.workDT = c.dt;
  s.workSteps = c.steps;
  if (print) printTransformedHyetograph(ctx);
  return c.dt;
}

} // namespace rain
