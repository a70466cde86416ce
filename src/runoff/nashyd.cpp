// NASHYD: rainfall excess by the curve-number (or constant-coefficient) losses,
// convolved with a Nash unit hydrograph, optionally with the baseflow of a
// groundwater reservoir in continuous simulation.
#include "runoff/nashyd.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "fortran/format.h"
#include "hydrograph/producer.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "runoff/losses.h"
#include "runoff/rainfall.h"
#include "runoff/store_bounds.h"

namespace runoff {

namespace {

// The values of one command, in internal units.
struct NashydInput {
  int id = 0;
  int nhyd = 0;
  float dtTyped = 0.0f;
  float area = 0.0f;  // acres
  bool printUnitHydrograph = false;
  bool printExcess = false;
  float base = 0.0f;  // cfs
  float cn = 0.0f;    // curve number, or -C
  float ia = 0.0f;    // inches; negative: 0.2 S
  float n = 0.0f;
  float tp = 0.0f;    // hours
  int nrainTyped = 0;
  int rainPos = 0;    // position of the rainfall value
  // Continuous simulation.
  float iaRec = 0.0f, smin = 0.0f, smax = 0.0f, sk = 0.0f, interEventTime = 0.0f;
  float gwOption = -1.0f;
  float gwInitial = 0.0f, gwfrec = 0.0f, vhydcon = 0.0f;
};

NashydInput readInput(const model::RunContext& ctx, int mode) {
  const model::CommandValues& c = ctx.cmd;
  const model::Factors& in = ctx.units.in;
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
  NashydInput v;
  v.id = c.intParam(1);
  v.nhyd = c.intParam(2);
  v.dtTyped = p(3);
  v.area = p(4) * in.area;
  switch (mode) {
    case kComputeNashyd:
      v.printUnitHydrograph = c.intParam(5) == 1;
      v.printExcess = c.intParam(6) == 1;
      v.cn = p(7);
      v.ia = p(8) / in.depth;
      v.n = p(9);
      v.tp = p(10);
      v.nrainTyped = c.intParam(11);
      v.rainPos = 12;
      break;
    case kCalibNashyd:
      v.base = p(5) * in.flow;
      v.cn = p(6);
      v.ia = p(7) / in.depth;
      v.n = p(8);
      v.tp = p(9);
      v.rainPos = 10;
      break;
    case kDesignScshyd:
    case kDesignNashyd:
      v.base = p(5) * in.flow;
      v.cn = p(6);
      v.tp = p(7);
      v.rainPos = 8;
      if (mode == kDesignScshyd) {
        v.ia = -1.0f;  // 0.2 S
        v.n = 5.0f;
      } else {
        v.ia = ctx.defaults.values[11];
        v.n = ctx.defaults.values[12];
      }
      break;
    default:  // continuous and silent
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
      if (v.gwOption < 0.0f) {
        v.rainPos = 15;
      } else {
        v.gwInitial = p(16) / in.depth;
        v.gwfrec = p(17);
        v.vhydcon = p(18) / in.depth;
        v.rainPos = 19;
      }
      break;
  }
  return v;
}

std::string padded(std::string_view s, std::size_t width) {
  std::string t(s.substr(0, std::min(s.size(), width)));
  t.resize(width, ' ');
  return t;
}

// What the command computed, for printing.
struct NashydOutcome {
  NashUnitHydrograph uh;
  std::vector<float> excess;
  int nrain = 0;
  float dt = 0.0f;
  float kStep = 0.0f;
  bool iaDerived = false;
  StoreStatistics stats;
};

void printInput(model::RunContext& ctx, int mode, std::string_view name, const NashydInput& v, float dt,
                float kStep) {
  static const fortran::Format kNumeric(
      "(22('-'),/,'|',A20,'|',3X,'Area ',A7,'=',F8.2,3X,A20,F5.2,/,'| ',I2.2,':',I6.6,' DT=',F5.2,' |',3X,'Ia',3X,"
      "A7,'=',F8.3,3X,'# of Linear Res.(N)=',F5.2,/,22('-'),3X,'U.H. Tp(hrs)=',F8.3,/)");
  static const fortran::Format kNamed(
      "(22('-'),/,'|',A20,'|',3X,'Area ',A7,'=',F8.2,3X,A20,F5.2,/,'| ',I2.2,':',A6,' DT=',F5.2,' |',3X,'Ia',3X,"
      "A7,'=',F8.3,3X,'# of Linear Res.(N)=',F5.2,/,22('-'),3X,'U.H. Tp(hrs)=',F8.3,/)");
  static const fortran::Format kContinuous(
      "(25X,'CONTINUOUS SIMULATION INPUT PARAMETERS:',/,25X,'IaREC (hrs)=',F6.2,',',/,25X,'SMIN',A7,'=',F6.2,',',"
      "2X,'SMAX',A7,'=',F6.2,',',2X,'SK =',F5.3,/,25X,'InterEventTime (hrs)=',F6.2,/)");
  static const fortran::Format kBaseflow("(25X,'BASEFLOW SIMULATION INPUT PARAMETERS: ','[Option=',F3.0,']')");
  static const fortran::Format kGwInitial("(25X,'Initial groundwater reservoir volume',A7,'=',F7.2)");
  static const fortran::Format kGwfrec("(25X,'Baseflow recession constant, GWFREC (1/day)=',F7.6)");
  static const fortran::Format kKstep("(39X,'per time step, GWFREC  (1/DT)=',F7.6)");
  static const fortran::Format kVhydcon("(25X,'Groundwater recharge rate,   VHYDCON',A7,'=',F7.4,/)");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth;
  const std::string cnLabel = v.cn < 0.0f ? "Loss Coefficient   =" : "Curve Number   (CN)=";
  const std::string title = padded(name, 20);
  if (v.nhyd != 0) {
    run::put(out, kNumeric,
             {title, u.label(model::Quantity::Area), v.area / u.out.area, cnLabel, std::fabs(v.cn), v.id, v.nhyd, dt * 60.0f, u.label(model::Quantity::Depth),
              v.ia * d, v.n, v.tp});
  } else {
    run::put(out, kNamed,
             {title, u.label(model::Quantity::Area), v.area / u.out.area, cnLabel, std::fabs(v.cn), v.id, ctx.cmd.text(1, 6), dt * 60.0f,
              u.label(model::Quantity::Depth), v.ia * d, v.n, v.tp});
  }
  if (mode != kContinuousNashyd) return;
  run::put(out, kContinuous,
           {v.iaRec, u.label(model::Quantity::Depth), v.smin * d, u.label(model::Quantity::Depth), v.smax * d, v.sk / d, v.interEventTime});
  run::put(out, kBaseflow, {v.gwOption});
  if (static_cast<int>(v.gwOption) != 1) return;
  run::put(out, kGwInitial, {u.label(model::Quantity::Depth), v.gwInitial * d});
  run::put(out, kGwfrec, {v.gwfrec});
  run::put(out, kKstep, {kStep});
  run::put(out, kVhydcon, {u.label(model::Quantity::Intensity), v.vhydcon * d});
}

void printResults(model::RunContext& ctx, const NashydInput& v, const NashydOutcome& r, const model::Hydrograph& h) {
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
    for (int m = 1; m <= r.nrain; ++m) run::put(out, kExcess, {m, r.excess[static_cast<std::size_t>(m)]});
  }
  if (r.iaDerived) run::put(out, kIaDerived, {u.label(model::Quantity::Depth), v.ia * d});
  run::put(out, kUnitPeak, {u.label(model::Quantity::Flow), r.uh.upk / fl});
  run::put(out, kPeak, {u.label(model::Quantity::Flow), h.QPEAK / fl});
  run::put(out, kTimeToPeak, {h.TPEAK});
  if (ctx.storm.stormDate != 0) run::put(out, kPeakDate, {run::dateLabel(ctx.storm.stormDate, h.TPEAK)});
  run::put(out, kVolume, {u.label(model::Quantity::Depth), h.RV * d});
  run::put(out, kRainfall, {u.label(model::Quantity::Depth), ctx.storm.PTOT * d});
  run::put(out, kCoefficient, {h.RV / ctx.storm.PTOT});
  run::put(out, kBlank);
  run::put(out, kNote);
  run::put(out, kBlank);
  if (h.BASE > 0.0f) run::put(out, kActual, {h.QPEAK / fl, h.BASE / fl, (h.QPEAK + h.BASE) / fl, u.label(model::Quantity::Flow)});
}

void printSummary(model::RunContext& ctx, int mode, const NashydInput& v, float dt) {
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
  if (mode != kContinuousNashyd) return;
  const float d = ctx.units.out.depth;
  run::put(sinks, kContinuous, {v.iaRec, v.smin * d, v.smax * d, v.sk / d, v.interEventTime});
}

}  // namespace

std::optional<float> gammaFunction(float x) {
  float g = 1.0f;
  while (x > 2.0f) {
    x -= 1.0f;
    g *= x;
  }
  if (x == 1.0f) return g;
  if (x < 1.0f) {
    // The poles are the integers 0, -1, -2, ...: an argument within 1e-6 of one
    // of them fails, including small positive values just above 0 (whose
    // nearest integer is 0), which would otherwise divide by almost nothing.
    const float nearest = std::round(x);
    if (nearest <= 0.0f && std::fabs(x - nearest) < 0.000001f) return std::nullopt;
    while (x <= 1.0f) {
      g /= x;
      x += 1.0f;
    }
  }
  const float y = x - 1.0f;
  return g * (1.0f + y * (-0.5771017f + y * (0.9858540f + y * (-0.8764218f +
                                                             y * (0.8328212f + y * (-0.5684729f +
                                                                                    y * (0.2548205f +
                                                                                         y * (-0.0514993f))))))));
}

NashUnitHydrograph nashUnitHydrograph(float area, float n, float tp, float dt) {
  const float k = tp / (n - 1.0f);
  const float gamma = gammaFunction(n).value_or(1.0f);
  const float full = area * model::kCfsHoursPerAcreInch;  // cfs-hours in one inch over the area
  const float upk = full * std::pow(n - 1.0f, n - 1.0f) * std::exp(1.0f - n) / (gamma * k);
  auto ordinate = [upk, n, tp](float t) {
    return upk * std::pow(t / tp, n - 1.0f) * std::exp((1.0f - n) * (t / tp - 1.0f));
  };
  NashUnitHydrograph uh;
  static_cast<UnitHydrograph&>(uh) = tabulateUnitHydrograph(area, dt, model::kMaxOrdinates, upk, ordinate);
  uh.k = k;
  return uh;
}

void nashyd(model::RunContext& ctx, int mode, std::string_view name) {
  const bool silent = mode == kSilentNashyd;
  if (!silent) ctx.run.label = name;
  NashydInput v = readInput(ctx, mode);
  if (!silent && !hydrograph::checkSlot(ctx, v.id)) return;
  if (v.n <= 1.0f) {
    run::issue(ctx, msg::kNashydNNotAboveOne, run::Severity::Error);
    return;
  }
  if (v.tp <= 0.0f) {
    run::issue(ctx, msg::kNashydTpNotPositive, run::Severity::Error);
    return;
  }
  const bool continuous = mode == kContinuousNashyd || mode == kSilentNashyd;
  // A curve number of 0 also goes through the bounds rule, which gives it an
  // all but endless store (SMAX 99999, almost no runoff); skipped, bounds
  // typed as -1 ("derive") would make the store -1 and P^2 / (S + P) blow up.
  if (continuous && v.cn >= 0.0f) {
    const StoreBounds b = storeBounds(ctx, v.cn, v.smin, v.smax);
    if (b.failed()) {
      ctx.run.severity = run::Severity::Error;
      return;
    }
    v.cn = b.cn;
    v.smin = b.smin;
    v.smax = b.smax;
  }

  RunoffSteps steps = runoffSteps(ctx.storm, {v.dtTyped, v.nrainTyped, v.cn, v.ia});
  v.ia = steps.ia;
  const bool groundwater = continuous && static_cast<int>(v.gwOption) == 1;
  // The recession per step follows from the daily constant at the step as typed.
  const float kStep = groundwater ? std::pow(v.gwfrec, steps.dt / 24.0f) : 0.0f;
  if (!silent) printInput(ctx, mode, name, v, steps.dt, kStep);

  const int maxTyped = mode == kComputeNashyd && v.nrainTyped > 0 ? steps.nrain + 1 : 0;
  const RunoffMessages messages{msg::kNashydTimeStepZero, msg::kNashydNoRainfallSteps,
                                mode == kContinuousNashyd ? msg::kApiNotComputed : 0};
  if (!takeRunoffRainfall(ctx, v.rainPos, maxTyped, steps, silent, messages)) return;
  const float dt = steps.dt;

  NashydOutcome r;
  r.nrain = steps.nrain;
  r.dt = dt;
  r.kStep = kStep;
  r.iaDerived = steps.iaDerived;
  r.uh = nashUnitHydrograph(v.area, v.n, v.tp, dt);

  LossInput loss = curveNumberLosses(ctx, steps, v.cn, mode);
  loss.iaRec = v.iaRec;
  loss.v1 = v.smin;
  loss.v2 = v.smax;
  loss.v3 = v.sk;
  loss.interEventTime = v.interEventTime;
  loss.gw = {groundwater, v.gwInitial, kStep, v.vhydcon};
  const UnitHydrographRunoff runoff = unitHydrographRunoff(loss, r.uh, v.area);
  r.excess = runoff.excess;
  r.stats = runoff.loss.stats;
  storeRunoff(ctx, v.id, v.nhyd, v.area, mode == kComputeNashyd ? 0.0f : v.base, runoff, dt, steps.nrain);
  const model::Hydrograph& h = ctx.store[v.id];
  if (silent) return;

  printResults(ctx, v, r, h);
  if (v.tp / 2.0f < dt) run::warn(ctx, msg::kNashydStepTooLarge);
  if (steps.countDiffers) run::issue(ctx, msg::kNashydStepCountDiffers, run::Severity::Error);
  run::setMarker(ctx);
  hydrograph::reportProduced(ctx, v.id, hydrograph::Source::Rainfall);
  printSummary(ctx, mode, v, dt);
}

void computeNashyd(model::RunContext& ctx) {
  nashyd(ctx, kComputeNashyd, "COMPUTE NASHYD");
}

void calibNashyd(model::RunContext& ctx) {
  nashyd(ctx, kCalibNashyd, "CALIB NASHYD");
}

void designScshyd(model::RunContext& ctx) {
  nashyd(ctx, kDesignScshyd, "DESIGN SCSHYD");
}

void designNashyd(model::RunContext& ctx) {
  nashyd(ctx, kDesignNashyd, "DESIGN NASHYD");
}

void continuousNashyd(model::RunContext& ctx) {
  nashyd(ctx, kContinuousNashyd, "CONTINUOUS NASHYD");
}

void continuousScshyd(model::RunContext& ctx) {
  nashyd(ctx, kContinuousNashyd, "CONTINUOUS SCSHYD");
}

void nashydSilent(model::RunContext& ctx) {
  nashyd(ctx, kSilentNashyd, "");
}

}  // namespace runoff
