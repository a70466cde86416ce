// Runoff of a rural catchment from a unit hydrograph, shared by the Nash and
// the WILHYD families.
#include "runoff/unit_hydrograph_runoff.h"

#include <algorithm>
#include <cmath>

#include "fortran/format.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/water_balance.h"

namespace runoff {

namespace {

// The rules by which both families store their hydrographs.
constexpr hydrograph::PeakRule kPeakRule = hydrograph::PeakRule::Last;
constexpr hydrograph::SumOrder kSumOrder = hydrograph::SumOrder::FromEnd;
constexpr hydrograph::AreaRule kAreaRule = hydrograph::AreaRule::Positive;

} // namespace

float recessionPerStep(float gwfrec, float dt) { return std::pow(gwfrec, dt / 24.0f); }

// The baseflow uses the more precise constant; every other volume rule 1.00833.
float groundwaterFlow(float area, float g) { return area * g * model::kCfsHoursPerAcreInchPrecise; }

UnitHydrographRunoff unitHydrographRunoff(const RuralLosses& losses, const RainSeries& rain,
                                          const model::ApiSeries* api, const UnitHydrograph& uh, float area) {
  UnitHydrographRunoff r;
  const int nrain = rain.nrain;
  LossModel model = CurveNumberLoss{losses.cn};
  if (losses.cn < 0.0f) model = CoefficientLoss{std::fabs(losses.cn)};
  ExcessSetup s;
  s.nrain = nrain;
  s.dt = rain.dt;
  s.rain = rain.rain;
  s.ia = losses.ia;
  s.continuous = losses.continuous;
  s.iaRec = losses.iaRec;
  s.interEventTime = losses.interEventTime;
  s.store = ContinuousStore{losses.smin, losses.smax, losses.sk, api};
  s.storeStatistics = losses.cn != -1.0f;
  s.gw = losses.gw;
  if (!s.gw.on) s.gw.kStep = 0.0f;
  r.excess.assign(workSize(nrain), 0.0f);
  r.groundwater.assign(s.gw.on ? workSize(nrain) : 0, 0.0f);
  r.loss = rainfallExcess(model, s, r.excess, r.groundwater);

  // The convolution reaches ordinate nrain + nuh - 1; the groundwater outflow nrain + 1.
  std::vector<float> q(workSize(std::max(nrain + uh.nuh - 1, nrain + 1)), 0.0f);
  convolve(r.excess, nrain, uh.u, uh.nuh, rain.dt, q);
  if (s.gw.on) {
    // The outflow of step i leaves the reservoir during the step and is added
    // at its end; the last step's outflow (i = nrain + 1) is never computed.
    const int end = std::min(nrain + 1, model::kMaxOrdinates);
    for (int i = 2; i <= end; ++i) {
      q[static_cast<std::size_t>(i)] += groundwaterFlow(area, r.groundwater[static_cast<std::size_t>(i)]);
    }
  }
  const int last = std::min(nrain + uh.nuh - 1, model::kMaxOrdinates);
  q.resize(static_cast<std::size_t>(last) + 1);
  r.q = std::move(q);
  r.totals = hydrograph::totals(r.q, last, rain.dt, area, kPeakRule, kSumOrder, kAreaRule, nrain + 1);
  for (int i = r.totals.npts; i >= 1 && r.totals.qpeak > 0.0f; --i) {
    if (r.q[static_cast<std::size_t>(i)] == r.totals.qpeak) {
      r.peakIndex = i;
      break;
    }
  }
  return r;
}

hydrograph::Totals storeRunoff(model::RunContext& ctx, int id, int nhyd, float area, float base, std::vector<float> q,
                               float dt, int nrain, std::optional<hydrograph::Totals> known) {
  hydrograph::Produced p;
  p.nhyd = nhyd;
  p.q = std::move(q);
  p.dt = dt;
  p.da = area;
  p.base = base;
  p.peak = kPeakRule;
  p.sum = kSumOrder;
  p.area = kAreaRule;
  p.trimAfter = nrain + 1;
  p.known = known;
  return hydrograph::storeProduced(ctx, id, std::move(p));
}

void recordRuralBalance(model::RunContext& ctx, const RainSeries& rain, std::span<const float> excess,
                        std::span<const float> groundwater, const LossResult& loss, float gwInitial, float area,
                        double baseflow) {
  if (!run::ledgerOn(ctx)) return;
  double precipitation = 0.0, surface = 0.0, outflow = 0.0; // inches
  const auto dt = static_cast<double>(rain.dt);
  for (int i = 1; i <= rain.nrain; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (at < rain.rain.size()) precipitation += dt * rain.rain[at];
    if (at < excess.size()) surface += dt * excess[at];
    if (at < groundwater.size()) outflow += dt * groundwater[at];
  }
  const bool reservoir = !groundwater.empty();
  // Water balance of the reservoir: start + recharge = outflow + deep recharge + end.
  const double recharge = reservoir ? static_cast<double>(loss.gwStorage) + loss.gwRemoved + outflow - gwInitial : 0.0;
  const double infiltration =
      precipitation - loss.abstracted - surface - recharge + (reservoir ? loss.gwRemoved : 0.0f);
  // A constant baseflow comes from outside the catchment's rainfall.
  run::ledgerInflow(ctx, baseflow);
  run::ledgerInflow(ctx, run::depthVolume(precipitation + (reservoir ? gwInitial : 0.0f), area));
  run::ledgerLoss(ctx, model::LossKind::InitialAbstraction, run::depthVolume(loss.abstracted, area));
  run::ledgerLoss(ctx, model::LossKind::Infiltration, run::depthVolume(infiltration, area));
  if (reservoir) run::ledgerStored(ctx, run::depthVolume(loss.gwStorage, area));
  // Ordinate i takes the outflow g(i) from i = 2 on: the first step's outflow
  // leaves the reservoir but reaches no ordinate.
  if (groundwater.size() > 1 && groundwater[1] > 0.0f) {
    run::ledgerReason(ctx, "groundwater outflow of the first step not in the hydrograph");
  }
}

bool takeRunoffRainfall(model::RunContext& ctx, int rainPos, int maxTyped, TimeStep& step, int& nrain, bool silent,
                        const RunoffMessages& messages) {
  static const fortran::Format kBlank("(' ')");
  takeRainfall(ctx, rainPos, maxTyped, step, nrain, silent);
  if (step.dt == 0.0f || nrain == 0) {
    if (step.dt == 0.0f) run::issue(ctx, messages.zeroStep, run::Severity::Error);
    if (nrain == 0) run::issue(ctx, messages.noRain, run::Severity::Error);
    if (!silent) run::put(*ctx.out.detailed, kBlank);
    return false;
  }
  if (messages.noApi != 0 && ctx.api.dt <= 0.0f) {
    run::issue(ctx, messages.noApi, run::Severity::Error);
    run::put(*ctx.out.detailed, kBlank);
    return false;
  }
  nrain = std::min(nrain, model::kMaxRainSteps);
  return true;
}

void printContinuousInputs(model::RunContext& ctx, const ContinuousInputs& c, const fortran::Format& optionFormat,
                           bool groundwater) {
  static const fortran::Format kContinuous(
      "(25X,'CONTINUOUS SIMULATION INPUT PARAMETERS:',/,25X,'IaREC (hrs)=',F6.2,',',/,25X,'SMIN',A7,'=',F6.2,',',"
      "2X,'SMAX',A7,'=',F6.2,',',2X,'SK =',F5.3,/,25X,'InterEventTime (hrs)=',F6.2,/)");
  static const fortran::Format kGwInitial("(25X,'Initial groundwater reservoir volume',A7,'=',F7.2)");
  static const fortran::Format kGwfrec("(25X,'Baseflow recession constant, GWFREC (1/day)=',F7.6)");
  static const fortran::Format kKstep("(39X,'per time step, GWFREC  (1/DT)=',F7.6)");
  static const fortran::Format kVhydcon("(25X,'Groundwater recharge rate,   VHYDCON',A7,'=',F7.4,/)");
  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth;
  const std::string& depth = u.label(model::Quantity::Depth);
  // SK is a rate per inch of storage, so it takes the depth factor inverted.
  run::put(out, kContinuous, {c.iaRec, depth, c.smin * d, depth, c.smax * d, c.sk / d, c.interEventTime});
  run::put(out, optionFormat, {c.gwOption});
  if (!groundwater) return;
  run::put(out, kGwInitial, {depth, c.gwInitial * d});
  run::put(out, kGwfrec, {c.gwfrec});
  run::put(out, kKstep, {c.kStep});
  run::put(out, kVhydcon, {u.label(model::Quantity::Intensity), c.vhydcon * d});
}

} // namespace runoff
