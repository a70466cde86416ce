// Runoff of a rural catchment from a unit hydrograph, shared by the Nash and
// the WILHYD families.
#include "runoff/unit_hydrograph_runoff.h"

#include <algorithm>
#include <cmath>

#include "fortran/format.h"
#include "run/messages.h"
#include "run/output.h"

namespace runoff {

namespace {

// The rules by which both families store their hydrographs.
constexpr hydrograph::PeakRule kPeakRule = hydrograph::PeakRule::Last;
constexpr hydrograph::SumOrder kSumOrder = hydrograph::SumOrder::FromEnd;
constexpr hydrograph::AreaRule kAreaRule = hydrograph::AreaRule::Positive;

}  // namespace

UnitHydrograph tabulateUnitHydrograph(float area, float dt, int maxOrdinates, float upk,
                                      const std::function<float(float)>& ordinate) {
  UnitHydrograph uh;
  uh.upk = upk;
  uh.u.assign(2, 0.0f);
  const float full = area * model::kCfsHoursPerAcreInch;  // cfs-hours in one inch over the area
  // An area of 0 has no unit hydrograph: a single zero ordinate after the origin.
  if (!(full > 0.0f) || !(dt > 0.0f)) {
    uh.nuh = 2;
    uh.f = 1.0f;
    uh.u.push_back(0.0f);
    uh.raw = uh.u;
    return uh;
  }
  const int last = std::max(2, maxOrdinates);
  float volume = 0.0f;
  float f = 0.0f;
  int j = 2;
  for (;; ++j) {
    const float uj = ordinate(static_cast<float>(j - 1) * dt);
    uh.u.push_back(uj);
    const float before = volume;
    volume += dt * uj;
    f = volume / full;
    // Stop once 99.9 % of the inch is held, or when the tail adds nothing.
    if (f > 0.999f || (volume > 0.0f && before / volume > 0.9999f) || j >= last) break;
  }
  uh.nuh = j;
  uh.f = f;
  uh.raw = uh.u;
  if (f > 0.0f) {
    for (int i = 1; i <= uh.nuh; ++i) uh.u[static_cast<std::size_t>(i)] /= f;
  }
  return uh;
}

void convolve(std::span<const float> excess, int nrain, std::span<const float> u, int nuh, float dt,
              std::span<float> q) {
  const int limit = model::kMaxOrdinates;
  for (int m = 1; m <= nrain; ++m) {
    const float e = excess[static_cast<std::size_t>(m)];
    if (!(e > 0.0f)) continue;
    const int kEnd = std::min(nuh, limit - m + 1);
    float* out = q.data() + (m - 1);
    for (int k = 2; k <= kEnd; ++k) out[k] += dt * u[static_cast<std::size_t>(k)] * e;
  }
}

// The baseflow uses the more precise constant; every other volume rule 1.00833.
float groundwaterFlow(float area, float g) { return area * g * model::kCfsHoursPerAcreInchPrecise; }

UnitHydrographRunoff unitHydrographRunoff(const LossInput& loss, const UnitHydrograph& uh, float area) {
  UnitHydrographRunoff r;
  const int nrain = loss.nrain;
  r.excess.assign(kWorkSize, 0.0f);
  r.groundwater.assign(loss.gw.on ? kWorkSize : 0, 0.0f);
  r.loss = computeExcess(loss, r.excess, r.groundwater);
  std::vector<float> q(kWorkSize, 0.0f);
  convolve(r.excess, nrain, uh.u, uh.nuh, loss.dt, q);
  if (loss.gw.on) {
    // The outflow of step i leaves the reservoir during the step and is added
    // at its end; the last step's outflow (i = nrain + 1) is never computed.
    const int end = std::min(nrain + 1, model::kMaxOrdinates);
    for (int i = 2; i <= end; ++i) {
      q[static_cast<std::size_t>(i)] += groundwaterFlow(area, r.groundwater[static_cast<std::size_t>(i)]);
    }
  }
  const int last = std::min(nrain + uh.nuh - 1, model::kMaxOrdinates);
  r.q.assign(q.begin(), q.begin() + last + 1);
  r.totals = hydrograph::totals(r.q, last, loss.dt, area, kPeakRule, kSumOrder, kAreaRule, nrain + 1);
  for (int i = r.totals.npts; i >= 1 && r.totals.qpeak > 0.0f; --i) {
    if (r.q[static_cast<std::size_t>(i)] == r.totals.qpeak) {
      r.peakIndex = i;
      break;
    }
  }
  return r;
}

void storeRunoff(model::RunContext& ctx, int id, int nhyd, float area, float base, const UnitHydrographRunoff& r,
                 float dt, int nrain) {
  hydrograph::Produced p;
  p.nhyd = nhyd;
  p.q = r.q;
  p.dt = dt;
  p.da = area;
  p.base = base;
  p.peak = kPeakRule;
  p.sum = kSumOrder;
  p.area = kAreaRule;
  p.trimAfter = nrain + 1;
  hydrograph::storeProduced(ctx, id, std::move(p));
}

RunoffSteps runoffSteps(const model::Storm& storm, const RunoffSetUp& in) {
  RunoffSteps s;
  const TimeStep step = readTimeStep(in.dtTyped, storm.SDT);
  s.dt = step.dt;
  s.printHyetograph = step.print;
  s.nrain = in.nrainTyped;
  const int stormSteps = stormStepCount(storm, s.dt);
  if (s.nrain == 0) {
    s.nrain = stormSteps;
  } else if (storm.NSTEP != 0 && stormSteps != s.nrain) {
    s.countDiffers = true;
  }
  s.ia = in.ia;
  if (in.ia < 0.0f && in.cn > 0.0f) {
    s.ia = 0.2f * (1000.0f / in.cn - 10.0f);
    s.iaDerived = true;
  }
  return s;
}

bool takeRunoffRainfall(model::RunContext& ctx, int rainPos, int maxTyped, RunoffSteps& steps, bool silent,
                        const RunoffMessages& messages) {
  static const fortran::Format kBlank("(' ')");
  TimeStep step{steps.dt, steps.printHyetograph};
  takeRainfall(ctx, rainPos, maxTyped, step, steps.nrain, silent);
  steps.dt = step.dt;
  if (steps.dt == 0.0f || steps.nrain == 0) {
    if (steps.dt == 0.0f) run::issue(ctx, messages.zeroStep, run::Severity::Error);
    if (steps.nrain == 0) run::issue(ctx, messages.noRain, run::Severity::Error);
    if (!silent) run::put(*ctx.out.detailed, kBlank);
    return false;
  }
  if (messages.noApi != 0 && ctx.api.dt <= 0.0f) {
    run::issue(ctx, messages.noApi, run::Severity::Error);
    run::put(*ctx.out.detailed, kBlank);
    return false;
  }
  steps.nrain = std::min(steps.nrain, model::kMaxRainSteps);
  return true;
}

LossInput curveNumberLosses(const model::RunContext& ctx, const RunoffSteps& steps, float cn, int mode) {
  LossInput loss;
  loss.nrain = steps.nrain;
  loss.dt = steps.dt;
  const model::Storm& storm = ctx.storm;
  loss.rain = std::span<const float>(storm.work.data(),
                                     std::min(storm.work.size(), static_cast<std::size_t>(storm.workSteps) + 1));
  loss.firstLoss = cn;
  loss.coefficient = cn < 0.0f;
  loss.ia = steps.ia;
  loss.mode = mode;
  loss.method = -1.0f;
  loss.api = &ctx.api;
  return loss;
}

}  // namespace runoff
