// NASHYD: rainfall excess by the curve-number (or constant-coefficient) losses,
// convolved with a Nash unit hydrograph, optionally with the baseflow of a
// groundwater reservoir in continuous simulation.
#include "runoff/nashyd.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "run/water_balance.h"
#include "runoff/store_bounds.h"

namespace runoff {

namespace {

using fortran::padded;

// Where each layout keeps its values after the slot, NHYD, DT and area.
void readLayout(const model::CommandValues& c, const model::Factors& in, const model::Defaults& dv, NashydMode mode,
                NashydValues& v) {
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
  switch (mode) {
  case NashydMode::Compute:
    v.printUnitHydrograph = c.intParam(5) == 1;
    v.printExcess = c.intParam(6) == 1;
    v.cn = p(7);
    v.ia = p(8) / in.depth;
    v.n = p(9);
    v.tp = p(10);
    v.nrainTyped = c.intParam(11);
    v.rainPos = 12;
    break;
  case NashydMode::Calib:
    v.base = p(5) * in.flow;
    v.cn = p(6);
    v.ia = p(7) / in.depth;
    v.n = p(8);
    v.tp = p(9);
    v.rainPos = 10;
    break;
  case NashydMode::DesignScs:
  case NashydMode::DesignNash:
    v.base = p(5) * in.flow;
    v.cn = p(6);
    v.tp = p(7);
    v.rainPos = 8;
    v.ia = mode == NashydMode::DesignScs ? -1.0f : dv.values[11]; // -1: 0.2 S
    v.n = mode == NashydMode::DesignScs ? 5.0f : dv.values[12];
    break;
  case NashydMode::Continuous:
    v.base = p(5) * in.flow;
    v.cn = p(6);
    v.ia = p(7) / in.depth;
    v.n = p(8);
    v.tp = p(9);
    v.iaRec = p(10);
    v.smin = p(11) / in.depth;
    v.smax = p(12) / in.depth;
    v.sk = p(13) * in.depth;
    v.interEventTime = p(14);
    v.gwOption = p(15);
    v.rainPos = 15;
    if (v.gwOption >= 0.0f) {
      v.gwInitial = p(16) / in.depth;
      v.gwfrec = p(17);
      v.vhydcon = p(18) / in.depth;
      v.rainPos = 19;
    }
    break;
  }
}

void printInput(model::RunContext& ctx, NashydMode mode, std::string_view name, const NashydValues& v, float dt) {
  static const fortran::Format kNumeric(
      "(22('-'),/,'|',A20,'|',3X,'Area ',A7,'=',F8.2,3X,A20,F5.2,/,'| ',I2.2,':',I6.6,' DT=',F5.2,' |',3X,'Ia',3X,"
      "A7,'=',F8.3,3X,'# of Linear Res.(N)=',F5.2,/,22('-'),3X,'U.H. Tp(hrs)=',F8.3,/)");
  static const fortran::Format kNamed(
      "(22('-'),/,'|',A20,'|',3X,'Area ',A7,'=',F8.2,3X,A20,F5.2,/,'| ',I2.2,':',A6,' DT=',F5.2,' |',3X,'Ia',3X,"
      "A7,'=',F8.3,3X,'# of Linear Res.(N)=',F5.2,/,22('-'),3X,'U.H. Tp(hrs)=',F8.3,/)");
  static const fortran::Format kBaseflow("(25X,'BASEFLOW SIMULATION INPUT PARAMETERS: ','[Option=',F3.0,']')");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth;
  const std::string cnLabel = v.cn < 0.0f ? "Loss Coefficient   =" : "Curve Number   (CN)=";
  const std::string title = padded(name, 20);
  if (v.nhyd != 0) {
    run::put(out, kNumeric,
             {title, u.label(model::Quantity::Area), v.area / u.out.area, cnLabel, std::fabs(v.cn), v.id, v.nhyd,
              dt * 60.0f, u.label(model::Quantity::Depth), v.ia * d, v.n, v.tp});
  } else {
    run::put(out, kNamed,
             {title, u.label(model::Quantity::Area), v.area / u.out.area, cnLabel, std::fabs(v.cn), v.id,
              ctx.cmd.text(1, 6), dt * 60.0f, u.label(model::Quantity::Depth), v.ia * d, v.n, v.tp});
  }
  if (mode != NashydMode::Continuous) return;
  printContinuousInputs(
      ctx, {v.iaRec, v.smin, v.smax, v.sk, v.interEventTime, v.gwOption, v.gwInitial, v.gwfrec, v.kStep, v.vhydcon},
      kBaseflow, model::truncatedInt(v.gwOption) == 1);
}

void printResults(model::RunContext& ctx, const NashydValues& v, const NashydResult& r, int nrain, bool iaDerived,
                  const model::Hydrograph& h) {
  static const fortran::Format kOrdinate("(T1,'UNIT HYDROGRAPH ORDINATE(',I3,') = ',F9.2)");
  static const fortran::Format kExcess("(T1,'RAINFALL EXCESS INCR.   (',I3,') = ',F9.3)");
  static const fortran::Format kIaDerived("(5X,'Ia as  0.2xS',2X,A7,'=',F9.3)");
  static const fortran::Format kUnitPeak("(5X,'Unit Hyd Qpeak',A7,'=',F9.3,/)");
  static const fortran::Format kPeak("(5X,'PEAK FLOW',5X,A7,'=',F9.3,' (i)')");
  static const fortran::Format kTimeToPeak("(5X,'TIME TO PEAK    (hrs)=',F9.3)");
  static const fortran::Format kPeakDate("(21X,'or on',2X,A15)");
  static const fortran::Format kVolume("(5X,'RUNOFF VOLUME',1X,A7,'=',F9.3)");
  static const fortran::Format kRainfall("(5X,'TOTAL RAINFALL',A7,'=',F9.3)");
  static const fortran::Format kCoefficient("(5X,'RUNOFF COEFFICIENT   =',F9.3)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kNote("(5X,'(i) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.')");
  static const fortran::Format kActual("(10X,'ACTUAL QPEAK: PEAK(',F8.3,') + QBASE(',F6.3,') =',F8.3,A7)");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth, fl = u.out.flow;
  printStoreStatistics(ctx, r.stats);
  if (v.printUnitHydrograph) {
    for (int j = 1; j <= r.uh.nuh - 1; ++j) run::put(out, kOrdinate, {j, r.uh.raw[static_cast<std::size_t>(j)]});
  }
  if (v.printExcess) {
    for (int m = 1; m <= nrain; ++m) run::put(out, kExcess, {m, r.excess[static_cast<std::size_t>(m)]});
  }
  if (iaDerived) run::put(out, kIaDerived, {u.label(model::Quantity::Depth), v.ia * d});
  // A TP all but 0 makes the unit hydrograph a spike whose peak is beyond
  // single precision (its ordinates, volumes over a step, stay finite).
  run::put(out, kUnitPeak, {u.label(model::Quantity::Flow), run::starredIfNotFinite(r.uh.upk / fl)});
  run::put(out, kPeak, {u.label(model::Quantity::Flow), h.QPEAK / fl});
  run::put(out, kTimeToPeak, {h.TPEAK});
  if (ctx.storm.stormDate != 0) run::put(out, kPeakDate, {run::dateLabel(ctx.storm.stormDate, h.TPEAK)});
  run::put(out, kVolume, {u.label(model::Quantity::Depth), h.RV * d});
  run::put(out, kRainfall, {u.label(model::Quantity::Depth), ctx.storm.PTOT * d});
  run::put(out, kCoefficient, {runoffCoefficient(h.RV, ctx.storm.PTOT)});
  run::put(out, kBlank);
  run::put(out, kNote);
  run::put(out, kBlank);
  if (h.BASE > 0.0f)
    run::put(out, kActual, {h.QPEAK / fl, h.BASE / fl, (h.QPEAK + h.BASE) / fl, u.label(model::Quantity::Flow)});
}

void printSummary(model::RunContext& ctx, NashydMode mode, const NashydValues& v, float dt) {
  static const fortran::Format kCurveNumber("(6X,'[CN=',F5.1,': N=',F5.2,']',/,6X,'[Tp=',F5.2,':DT=',F5.2,']')");
  static const fortran::Format kCoefficient("(6X,'[C =',F5.3,': N=',F5.2,']',/,6X,'[Tp=',F5.2,':DT=',F5.2,']')");
  static const fortran::Format kContinuous(
      "(6X,'[IaREC=',F5.2,': SMIN=',F6.2,': SMAX=',F6.2,': SK=',F5.3,']',/,6X,'[InterEventTime=',F7.2,']')");
  const std::initializer_list<platform::LineSink*> sinks{ctx.out.summary, &ctx.platform.summaryWindow};
  if (v.cn > 0.0f) {
    run::put(sinks, kCurveNumber, {v.cn, v.n, v.tp, dt * 60.0f});
  } else {
    run::put(sinks, kCoefficient, {std::fabs(v.cn), v.n, v.tp, dt * 60.0f});
  }
  if (mode != NashydMode::Continuous) return;
  const float d = ctx.units.out.depth;
  run::put(sinks, kContinuous, {v.iaRec, v.smin * d, v.smax * d, v.sk / d, v.interEventTime});
}

} // namespace

bool acceptNashydValues(model::RunContext& ctx, bool continuous, NashydValues& v) {
  if (v.n <= 1.0f) return run::refuse(ctx, msg::kNashydNNotAboveOne);
  if (v.tp <= 0.0f) return run::refuse(ctx, msg::kNashydTpNotPositive);
  if (!(v.n <= kMaxNashReservoirs)) return run::refuse(ctx, msg::kNashydNTooLarge);
  // A daily recession constant below 0 has no power per time step (a NaN).
  if (v.groundwater && v.gwfrec < 0.0f) return run::refuse(ctx, msg::kGroundwaterRecessionNegative);
  // An area of 0 (or one left out) has no unit hydrograph to convolve.
  if (!(v.area > 0.0f)) return run::refuse(ctx, msg::kNashydAreaNotPositive);
  if (v.nrainTyped < 0 || v.nrainTyped > model::kMaxRainSteps) return run::refuse(ctx, msg::kRainStepsOutOfRange);
  // A curve number of 0 also goes through the bounds rule, which gives it an
  // all but endless store (SMAX 99999, almost no runoff); skipped, bounds
  // typed as -1 ("derive") would make the store -1 and P^2 / (S + P) blow up.
  if (continuous && v.cn >= 0.0f) {
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

NashydValues readNashydValues(const model::CommandValues& cmd, const model::Factors& in,
                              const model::Defaults& defaults, NashydMode mode) {
  NashydValues v;
  v.id = cmd.intParam(1);
  v.nhyd = cmd.intParam(2);
  v.dtTyped = cmd.PARAM[3];
  v.area = cmd.PARAM[4] * in.area;
  readLayout(cmd, in, defaults, mode, v);
  v.continuousLosses = mode == NashydMode::Continuous;
  v.groundwater = v.continuousLosses && model::truncatedInt(v.gwOption) == 1;
  return v;
}

NashydResult computeNashydRunoff(const NashydValues& v, const RainSeries& rain, const model::ApiSeries* api) {
  NashydResult r;
  r.uh = nashUnitHydrograph(v.area, v.n, v.tp, rain.dt);
  RuralLosses losses;
  losses.cn = v.cn;
  losses.ia = v.ia;
  losses.continuous = v.continuousLosses;
  losses.iaRec = v.iaRec;
  losses.smin = v.smin;
  losses.smax = v.smax;
  losses.sk = v.sk;
  losses.interEventTime = v.interEventTime;
  losses.gw = Groundwater{v.groundwater, v.gwInitial, v.kStep, v.vhydcon};
  UnitHydrographRunoff runoff = unitHydrographRunoff(losses, rain, api, r.uh, v.area);
  r.excess = std::move(runoff.excess);
  r.q = std::move(runoff.q);
  r.npts = runoff.totals.npts;
  r.totals = runoff.totals;
  r.stats = runoff.loss.stats;
  r.loss = runoff.loss;
  r.groundwater = std::move(runoff.groundwater);
  return r;
}

void nashyd(model::RunContext& ctx, NashydMode mode, std::string_view name) {
  ctx.run.label = name;
  NashydValues v = readNashydValues(ctx.cmd, ctx.units.in, ctx.defaults, mode);
  if (!hydrograph::checkSlot(ctx, v.id)) return;
  if (!acceptNashydValues(ctx, mode == NashydMode::Continuous, v)) return;

  TimeStep step = readTimeStep(v.dtTyped, ctx.storm.SDT);
  // The recession per step follows from the daily constant at the step as typed.
  if (v.groundwater) v.kStep = recessionPerStep(v.gwfrec, step.dt);
  const RainCount count = countRainSteps(v.nrainTyped, ctx.storm, step.dt);
  int nrain = count.nrain;
  const bool iaDerived = v.ia < 0.0f && v.cn > 0.0f;
  if (iaDerived) v.ia = derivedInitialAbstraction(v.cn);
  printInput(ctx, mode, name, v, step.dt);
  const int maxTyped = mode == NashydMode::Compute && v.nrainTyped > 0 ? nrain + 1 : 0;
  const RunoffMessages messages{msg::kNashydTimeStepZero, msg::kNashydNoRainfallSteps,
                                mode == NashydMode::Continuous ? msg::kApiNotComputed : 0};
  if (!takeRunoffRainfall(ctx, v.rainPos, maxTyped, step, nrain, false, messages)) return;
  const float dt = step.dt;

  const RainSeries rain = stormRain(ctx.storm, nrain, dt);
  NashydResult r = computeNashydRunoff(v, rain, &ctx.api);
  storeRunoff(ctx, v.id, v.nhyd, v.area, v.base, std::move(r.q), dt, nrain, r.totals);
  recordRuralBalance(ctx, rain, r.excess, r.groundwater, r.loss, v.groundwater ? v.gwInitial : 0.0f, v.area,
                     run::baseflowVolume(ctx.store[v.id]));

  printResults(ctx, v, r, nrain, iaDerived, ctx.store[v.id]);
  if (v.tp / 2.0f < dt) run::warn(ctx, msg::kNashydStepTooLarge);
  if (count.differs) run::issue(ctx, msg::kNashydStepCountDiffers, run::Severity::Error);
  run::setMarker(ctx);
  hydrograph::reportProduced(ctx, v.id, hydrograph::Source::Rainfall);
  printSummary(ctx, mode, v, dt);
}

void computeNashyd(model::RunContext& ctx) { nashyd(ctx, NashydMode::Compute, "COMPUTE NASHYD"); }
void calibNashyd(model::RunContext& ctx) { nashyd(ctx, NashydMode::Calib, "CALIB NASHYD"); }
void designScshyd(model::RunContext& ctx) { nashyd(ctx, NashydMode::DesignScs, "DESIGN SCSHYD"); }
void designNashyd(model::RunContext& ctx) { nashyd(ctx, NashydMode::DesignNash, "DESIGN NASHYD"); }
void continuousNashyd(model::RunContext& ctx) { nashyd(ctx, NashydMode::Continuous, "CONTINUOUS NASHYD"); }
void continuousScshyd(model::RunContext& ctx) { nashyd(ctx, NashydMode::Continuous, "CONTINUOUS SCSHYD"); }

} // namespace runoff
