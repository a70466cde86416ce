// COMPUTE HYD, CALIB WILHYD and CONTINUOUS WILHYD: the gamma-exponential unit
// hydrograph, its shape parameter, and the glue of the three commands. What the
// family shares with NASHYD lives in unit_hydrographs (tabulation to one inch,
// convolution), unit_hydrograph_runoff (losses, groundwater baseflow, storing,
// rainfall checks) and rainfall (time step, step count, the storm's rainfall).
#include "runoff/wilhyd.h"

#include <algorithm>
#include <cmath>

#include "hydrograph/producer.h"
#include "model/limits.h"
#include "run/messages.h"
#include "run/water_balance.h"
#include "runoff/store_bounds.h"

namespace runoff {

namespace {

constexpr int kShapeTrials = 50;
// Steps of the rising-limb area integral from 0 to the inflection point.
constexpr int kRisingLimbSteps = 500;

// The rising limb relative to its peak at x = t/Tp = 1:
// x^(N-1) e^((x-1)(1-N)). For very large N the two factors overflow and
// underflow on their own; their product, always between 0 and 1, is then
// taken from the logarithm.
float risingLimb(float scale, float x, float n) {
  const float value = scale * std::pow(x, n - 1.0f) * std::exp((x - 1.0f) * (1.0f - n));
  if (std::isfinite(value)) return value;
  return scale * std::exp((n - 1.0f) * (std::log(x) - x + 1.0f));
}

} // namespace

WilhydValues readWilhydValues(const model::RunContext& ctx, WilhydCommand command) {
  const model::CommandValues& c = ctx.cmd;
  const model::Factors& in = ctx.units.in;
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
  WilhydValues v;
  v.command = command;
  v.id = c.intParam(1);
  v.nhyd = c.intParam(2);
  // The sign of the step is ignored; the minutes-or-hours rule applies to its size.
  v.dtTyped = std::fabs(p(3));
  v.area = p(4) * in.area;
  if (command != WilhydCommand::ContinuousWilhyd) {
    v.printUnitHydrograph = p(5) > 0.0f;
    if (p(5) < 0.0f) v.base = -p(5) * in.flow;
    v.printExcess = p(6) != 0.0f;
    v.cn = p(7);
    v.ia = p(8) / in.depth;
    v.k = p(9);
    v.tp = p(10);
    if (command == WilhydCommand::ComputeHyd) {
      v.nrainTyped = c.intParam(11);
      v.rainPos = 12;
    } else {
      v.rainPos = 11;
    }
    return v;
  }
  // A negative baseflow is a flow per unit of area (input flow per input area).
  v.base = p(5) >= 0.0f ? p(5) * in.flow : -p(5) * p(4) * in.flow;
  v.cn = p(6);
  v.ia = p(7) / in.depth;
  v.k = p(8);
  v.tp = p(9);
  v.iaRec = p(10);
  v.smin = p(11) / in.depth;
  v.smax = p(12) / in.depth;
  v.sk = p(13) * in.depth;
  v.interEventTime = p(14);
  v.gwOption = p(15);
  // Without a reservoir (option 0 or negative) the rainfall starts at the option itself.
  if (v.gwOption <= 0.0f) {
    v.rainPos = 15;
  } else {
    v.gwInitial = p(16) / in.depth;
    v.gwfrec = p(17);
    v.vhydcon = p(18) / in.depth;
    v.rainPos = 19;
  }
  return v;
}

WilhydShape wilhydShape(float k, float tp) {
  WilhydShape s;
  const float r = k / tp;
  float n = 5.0f;
  for (int trial = 1; trial <= kShapeTrials; ++trial) {
    s.trials = trial;
    // A ratio so large that N rounds to 1 puts the inflection point at
    // infinity: the iteration has left its range and cannot converge.
    if (!(n > 1.0f) || !std::isfinite(n)) break;
    const float t0 = 1.0f + 1.0f / std::sqrt(n - 1.0f);
    const float next = 1.0f + 0.05f / (r * (0.05f + std::log(t0 / (t0 + 0.05f))));
    if (!std::isfinite(next)) break;
    if (std::fabs(next - n) <= 0.001f) {
      s.converged = true;
      s.n = n;
      s.t0 = t0;
      return s;
    }
    n = next;
  }
  s.n = n;
  return s;
}

WilhydConstants wilhydConstants(const WilhydShape& shape, float k, float tp, float area) {
  WilhydConstants c;
  const float n = shape.n;
  const float dx = shape.t0 / static_cast<float>(kRisingLimbSteps);
  float sum = 0.0f;
  float term = 0.0f;
  for (int i = 1; i <= kRisingLimbSteps; ++i) {
    term = risingLimb(1.0f, dx * static_cast<float>(i), n);
    sum += term;
  }
  c.a1 = dx * sum;
  c.q0 = term;
  c.t1 = shape.t0 * tp;
  c.t2 = c.t1 + 2.0f * k;
  const float e = std::exp(-2.0f);
  const float r = k / tp;
  // One inch over the area: rising limb, the K recession down to e^-2 of q0,
  // and the 3K recession after it.
  const float peak = model::kCfsHoursPerAcreInch / (c.a1 + c.q0 * ((1.0f - e) * r + e * 3.0f * k / tp));
  c.upk = peak * area / tp;
  c.q1 = c.upk * c.q0;
  c.q2 = c.q1 * e;
  return c;
}

UnitHydrograph wilhydUnitHydrograph(const WilhydShape& shape, float k, float tp, float area, float dt) {
  const WilhydConstants c = wilhydConstants(shape, k, tp, area);
  const float n = shape.n;
  auto ordinate = [&c, n, k, tp](float t) {
    if (t <= c.t1) return risingLimb(c.upk, t / tp, n);
    if (t <= c.t2) return c.q1 * std::exp((c.t1 - t) / k);
    return c.q2 * std::exp((c.t2 - t) / (3.0f * k));
  };
  return tabulateUnitHydrograph(area, dt, kWilhydMaxOrdinates, c.upk, ordinate);
}

WilhydResult computeWilhyd(const WilhydValues& v, const WilhydShape& shape, const RainSeries& rain,
                           const model::ApiSeries* api) {
  WilhydResult r;
  r.constants = wilhydConstants(shape, v.k, v.tp, v.area);
  r.uh = wilhydUnitHydrograph(shape, v.k, v.tp, v.area, rain.dt);
  RuralLosses losses;
  losses.cn = v.cn;
  losses.ia = v.ia;
  losses.continuous = v.continuous();
  losses.iaRec = v.iaRec;
  losses.smin = v.smin;
  losses.smax = v.smax;
  losses.sk = v.sk;
  losses.interEventTime = v.interEventTime;
  losses.gw = Groundwater{v.groundwater(), v.gwInitial, v.kStep, v.vhydcon};
  r.runoff = unitHydrographRunoff(losses, rain, api, r.uh, v.area);

  WaterBudget& b = r.budget;
  const float dt = rain.dt;
  const bool reservoir = losses.gw.on;
  for (int i = 1; i <= rain.nrain; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (at < rain.rain.size()) b.precipitation += dt * rain.rain[at];
    b.surfaceRunoff += dt * r.runoff.excess[at];
    if (reservoir) b.baseflow += dt * r.runoff.groundwater[at];
  }
  if (reservoir) {
    b.recharge = r.runoff.loss.gwRemoved;
    b.startStorage = v.gwInitial;
    b.endStorage = r.runoff.loss.gwStorage;
  } else {
    // Without a reservoir, what infiltrates past the abstraction leaves downwards.
    b.recharge = std::max(0.0f, b.precipitation - r.runoff.loss.lost - b.surfaceRunoff);
  }
  b.evapotranspiration =
      std::max(0.0f, b.precipitation + b.startStorage - b.surfaceRunoff - b.baseflow - b.recharge - b.endStorage);

  const int at = r.runoff.peakIndex;
  r.peak.dwf = v.base;
  if (reservoir && at >= 2 && at <= rain.nrain + 1) {
    r.peak.variable = groundwaterFlow(v.area, r.runoff.groundwater[static_cast<std::size_t>(at)]);
  }
  r.peak.surface = r.runoff.totals.qpeak - r.peak.variable;
  return r;
}

namespace {

// Values the unit hydrograph cannot use end the command before anything is printed.
bool valuesUsable(model::RunContext& ctx, WilhydValues& v) {
  if (!hydrograph::checkSlot(ctx, v.id)) return false;
  if (!(v.tp > 0.0f)) return run::refuse(ctx, msg::kWilhydTpNotPositive);
  if (!(v.k > 0.0f)) return run::refuse(ctx, msg::kWilhydKNotPositive);
  // A daily recession constant below 0 has no power per time step (a NaN).
  if (v.groundwater() && v.gwfrec < 0.0f) return run::refuse(ctx, msg::kGroundwaterRecessionNegative);
  if (v.nrainTyped < 0 || v.nrainTyped > model::kMaxRainSteps) return run::refuse(ctx, msg::kRainStepsOutOfRange);
  // A curve number of 0 also goes through the bounds rule (an all but endless store).
  if (v.continuous() && v.cn >= 0.0f) {
    const StoreBounds b = storeBounds(ctx, v.cn, v.smin, v.smax);
    if (b.failed()) {
      ctx.run.severity = run::Severity::Error;
      return false;
    }
    v.cn = b.cn;
    v.smin = b.smin;
    v.smax = b.smax;
  }
  return true;
}

void wilhyd(model::RunContext& ctx, WilhydCommand command, std::string_view name) {
  ctx.run.label = name;
  WilhydValues v = readWilhydValues(ctx, command);
  if (!valuesUsable(ctx, v)) return;

  TimeStep step = readTimeStep(v.dtTyped, ctx.storm.SDT);
  // The recession per step follows from the daily constant at the step as typed.
  if (v.groundwater()) v.kStep = recessionPerStep(v.gwfrec, step.dt);
  const RainCount count = countRainSteps(v.nrainTyped, ctx.storm, step.dt);
  int nrain = count.nrain;
  const bool iaDerived = v.ia < 0.0f && v.cn > 0.0f;
  if (iaDerived) v.ia = derivedInitialAbstraction(v.cn);
  printWilhydInput(ctx, name, v, step.dt);

  const int maxTyped = command == WilhydCommand::ComputeHyd && v.nrainTyped > 0 ? nrain + 1 : 0;
  const RunoffMessages messages{msg::kWilhydTimeStepZero, msg::kWilhydNoRainfallSteps,
                                v.continuous() ? msg::kApiNotComputed : 0};
  if (!takeRunoffRainfall(ctx, v.rainPos, maxTyped, step, nrain, false, messages)) return;
  const WilhydShape shape = wilhydShape(v.k, v.tp);
  if (!shape.converged) {
    run::issue(ctx, msg::kWilhydNotConverged, run::Severity::Warning);
    return;
  }
  const float dt = step.dt;
  const RainSeries rain = stormRain(ctx.storm, nrain, dt);
  const WilhydResult r = computeWilhyd(v, shape, rain, &ctx.api);

  storeRunoff(ctx, v.id, v.nhyd, v.area, v.base, r.runoff.q, dt, nrain);
  recordRuralBalance(ctx, rain, r.runoff.excess, r.runoff.groundwater, r.runoff.loss,
                     v.groundwater() ? v.gwInitial : 0.0f, v.area, run::baseflowVolume(ctx.store[v.id]));
  printWilhydResults(ctx, v, nrain, iaDerived, r, ctx.store[v.id]);
  if (v.tp / 2.0f < dt) run::warn(ctx, msg::kWilhydStepTooLarge);
  if (count.differs) run::issue(ctx, msg::kWilhydStepCountDiffers, run::Severity::Error);
  run::setMarker(ctx);
  hydrograph::reportProduced(ctx, v.id, hydrograph::Source::Rainfall);
  printWilhydSummary(ctx, v, dt);
}

} // namespace

void computeHyd(model::RunContext& ctx) { wilhyd(ctx, WilhydCommand::ComputeHyd, "COMPUTE HYD"); }

void calibWilhyd(model::RunContext& ctx) { wilhyd(ctx, WilhydCommand::CalibWilhyd, "CALIB WILHYD"); }

void continuousWilhyd(model::RunContext& ctx) { wilhyd(ctx, WilhydCommand::ContinuousWilhyd, "CONTINUOUS WILHYD"); }

} // namespace runoff
