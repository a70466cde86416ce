// STANDHYD: the impervious and pervious surfaces of an urban catchment, each
// turned into a hydrograph by its own losses and unit hydrograph, added into
// one slot.
#include "runoff/standhyd.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "fortran/format.h"
#include "hydrograph/producer.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "runoff/losses.h"
#include "runoff/nashyd.h"
#include "runoff/rainfall.h"
#include "runoff/store_bounds.h"

namespace runoff {

namespace {

// Windows of the excess intensity span at least this many steps of the storm.
constexpr int kMinWindowSteps = 400;


// One surface's values in internal units.
struct Surface {
  float ia = 0.0f;     // depression storage, inches
  float slope = 0.0f;  // %
  float length = 0.0f; // ft
  float manning = 0.0f;
  float sc = 0.0f;     // given storage coefficient, hours (0: compute)
  float iaRec = 0.0f;  // hours
};

struct StandhydInput {
  int id = 0, nhyd = 0;
  float dtTyped = 0.0f;
  float area = 0.0f;  // acres
  float ximp = 0.0f, timp = 0.0f;
  float base = 0.0f;  // cfs
  int loss = 0;
  float cn = 0.0f;
  float fo = 0.0f, fc = 0.0f, dcay = 0.0f, f = 0.0f;  // in/hr, in/hr, 1/hr, inches
  float cimp = 1.0f, cper = 0.0f;
  Surface imp, per;
  float smin = 0.0f, smax = 0.0f, sk = 0.0f, interEventTime = 0.0f;
  int nrainTyped = 0;
  int rainPos = 0;
};

float percentOrFraction(float v) { return v > 1.0f ? v / 100.0f : v; }

StandhydInput readInput(const model::RunContext& ctx, float mode) {
  const model::CommandValues& c = ctx.cmd;
  const model::Factors& in = ctx.units.in;
  const model::Defaults& dv = ctx.defaults;
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
  StandhydInput v;
  v.id = c.intParam(1);
  v.nhyd = c.intParam(2);
  v.dtTyped = p(3);
  v.area = p(4) * in.area;
  auto surface = [&](int at, Surface& s) {
    s.ia = p(at) / in.depth;
    s.slope = p(at + 1);
    s.length = p(at + 2) * in.length;
    s.manning = p(at + 3);
    s.sc = p(at + 4) / 60.0f;
  };

  if (mode == kComputeUrbhyd) {
    v.ximp = p(6);
    v.timp = p(7);
    v.nrainTyped = c.intParam(8);
    const float fo = p(9);
    if (fo < 0.0f) {
      v.loss = 2;
      v.cn = p(10);
      v.per.ia = p(11) / in.depth;
    } else {
      v.loss = 1;
      v.fo = fo / in.depth;
      v.fc = p(10) / in.depth;
      v.dcay = p(11);
      v.per.ia = p(14) / in.depth;
    }
    if (p(12) < 0.0f) {
      v.base = std::fabs(p(12)) * in.flow;
    } else {
      v.f = p(12) / in.depth;
    }
    v.imp.ia = p(13) / in.depth;
    v.imp.sc = p(15) / 60.0f;
    v.per.sc = p(16) / 60.0f;
    v.imp.slope = p(17);
    v.imp.length = p(18) * in.length;
    v.imp.manning = p(19);
    v.per.slope = p(20);
    v.per.length = p(21) * in.length;
    v.per.manning = p(22);
    v.rainPos = 23;
    if (v.imp.length == 0.0f) v.imp.length = std::sqrt(v.area * model::kSquareFeetPerAcre / 1.5f);
    if (v.per.length == 0.0f) v.per.length = v.imp.length;
    if (v.imp.manning == 0.0f) v.imp.manning = 0.013f;
    if (v.per.manning == 0.0f) v.per.manning = 0.25f;
  } else {
    v.ximp = p(5);
    v.timp = p(6);
    v.base = p(7) * in.flow;
    v.loss = c.intParam(8);
    int o = 1;
    if (v.loss == 1) {
      if (mode == kDesignStandhyd) {
        o = 0;
        v.fo = dv.values[1];
        v.fc = dv.values[2];
        v.dcay = dv.values[3];
        v.f = dv.values[4];
      } else {
        o = 4;
        v.fo = p(9) / in.depth;
        v.fc = p(10) / in.depth;
        v.dcay = p(11);
        v.f = p(12) / in.depth;
      }
    } else if (v.loss == 2) {
      v.cn = p(9);
    } else if (v.loss == 3) {
      if (mode == kSilentStandhyd) {
        v.cper = p(9);
        v.cimp = p(5) == 0.0f ? 0.000001f : p(5);
      } else {
        // The integer part holds CIMP in hundredths (tenths of a percent when
        // above 100), the fraction CPER.
        const float whole = static_cast<float>(static_cast<int>(p(9)));
        v.cimp = whole / 100.0f;
        if (v.cimp > 1.0f) v.cimp /= 10.0f;
        if (v.cimp == 0.0f) v.cimp = 1.0f;
        v.cper = p(9) - whole;
      }
    }
    if (mode == kDesignStandhyd) {
      v.imp.slope = v.per.slope = p(9 + o);
      v.rainPos = 10 + o;
      v.per.ia = dv.values[5];
      v.per.length = dv.values[6];
      v.per.manning = dv.values[7];
      v.imp.ia = dv.values[8];
      v.imp.manning = dv.values[10];
      v.imp.length = dv.values[9] > 0.0f ? std::sqrt(v.area * model::kSquareFeetPerAcre / dv.values[9]) : 0.0f;
    } else {
      surface(9 + o, v.per);
      surface(14 + o, v.imp);
      v.rainPos = 19 + o;
      if (mode == kContinuousStandhyd || mode == kSilentStandhyd) {
        v.per.iaRec = p(19 + o);
        v.imp.iaRec = p(20 + o);
        if (v.loss == 2) {
          v.smin = p(21 + o) / in.depth;
          v.smax = p(22 + o) / in.depth;
          v.sk = p(23 + o) * in.depth;
          v.interEventTime = p(24 + o);
          v.rainPos = 25 + o;
        } else {
          v.interEventTime = p(21 + o);
          v.rainPos = 22 + o;
        }
      }
    }
  }
  v.ximp = percentOrFraction(v.ximp);
  v.timp = percentOrFraction(v.timp);
  // Depression storage of paved surfaces from their slope when not given.
  if (v.imp.ia < 0.0f) v.imp.ia = 0.0303f * std::pow(v.imp.slope, -0.49f);
  return v;
}

std::string padded(std::string_view s, std::size_t width) {
  std::string t(s.substr(0, std::min(s.size(), width)));
  t.resize(width, ' ');
  return t;
}

// One surface's part of the result.
struct SurfaceResult {
  StorageCoefficient sc;
  SurfaceUnitHydrograph uh;
  float peak = 0.0f;      // cfs
  float peakTime = 0.0f;  // on the run clock, hours
  float volume = 0.0f;    // inches over the surface
};

struct StandhydOutcome {
  SurfaceResult imp, per;
  float perIaUsed = 0.0f;
  bool perIaDerived = false;
  StoreStatistics perStats, impStats;
};

void printInput(model::RunContext& ctx, float mode, std::string_view name, const StandhydInput& v, float dt) {
  static const fortran::Format kName("(22('-'),/,'|',A20,'|',3X,'Area ',A7,'=',F8.2)");
  static const fortran::Format kNumeric(
      "('| ',I2.2,':',I6.6,' DT=',F5.2,' |',3X,'Total Imp(%)=',F8.2,3X,'Dir. Conn.(%)=',F8.2,/,22('-'))");
  static const fortran::Format kNamed(
      "('| ',I2.2,':',A6,' DT=',F5.2,' |',3X,'Total Imp(%)=',F8.2,3X,'Dir. Conn.(%)=',F8.2,/,22('-'))");
  static const fortran::Format kSurfaces(
      "(30X,'IMPERVIOUS    PERVIOUS (i)',/,5X,'Surface Area',2X,A7,'=',3X,F8.2,5X,F8.2,/,5X,'Dep. Storage',2X,A7,"
      "'=',3X,F8.2,5X,F8.2,/,5X,'Average Slope     (%)=',3X,F8.2,5X,F8.2,/,5X,'Length',8X,A7,'=',3X,F8.2,5X,F8.2,/,"
      "5X,'Mannings n',11X,'=',3X,F8.3,5X,F8.3,/)");
  static const fortran::Format kContinuous(
      "(15X,'CONTINUOUS SIMULATION INPUT PARAMETERS:',/,15X,'IaRECimp (hrs)=',F6.2,', IaRECper (hrs)=',F6.2,',')");
  static const fortran::Format kStoreBounds("(15X,'SMIN',A10,'=',F6.2,', SMAX',A10,'=',F6.2,', SK=',F5.3)");
  static const fortran::Format kInterEvent("(15X,'InterEventTime  (hrs)=',F6.2,/)");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth, a = u.out.area, len = u.out.length;
  run::put(out, kName, {padded(name, 20), u.label(model::Quantity::Area), v.area / a});
  if (v.nhyd != 0) {
    run::put(out, kNumeric, {v.id, v.nhyd, dt * 60.0f, v.timp * 100.0f, v.ximp * 100.0f});
  } else {
    run::put(out, kNamed, {v.id, ctx.cmd.text(1, 6), dt * 60.0f, v.timp * 100.0f, v.ximp * 100.0f});
  }
  run::put(out, kSurfaces,
           {u.label(model::Quantity::Area), v.timp * v.area / a, (1.0f - v.timp) * v.area / a, u.label(model::Quantity::Depth), v.imp.ia * d, v.per.ia * d,
            v.imp.slope, v.per.slope, u.label(model::Quantity::Length), v.imp.length / len, v.per.length / len, v.imp.manning,
            v.per.manning});
  if (mode != kContinuousStandhyd) return;
  run::put(out, kContinuous, {v.imp.iaRec, v.per.iaRec});
  if (v.loss == 2) run::put(out, kStoreBounds, {u.label(model::Quantity::Depth), v.smin * d, u.label(model::Quantity::Depth), v.smax * d, v.sk / d});
  run::put(out, kInterEvent, {v.interEventTime});
}

void printResults(model::RunContext& ctx, const StandhydInput& v, const StandhydOutcome& r,
                  const model::Hydrograph& h) {
  static const fortran::Format kResults(
      "(5X,'Max.eff.Inten.',A7,'=',3X,F8.2,5X,F8.2,/,5X,11X,'over (min) ',3X,F8.2,5X,F8.2,/,5X,'Storage Coeff.  "
      "(min)=',3X,F8.2,' (ii)',F8.2,' (ii)',/,5X,'Unit Hyd. Tpeak (min)=',3X,F8.2,5X,F8.2,/,5X,'Unit Hyd. peak',A7,"
      "'=',3X,F8.2,5X,F8.2,/,57X,'  *TOTALS*',/,5X,'PEAK FLOW ',4X,A7,'=',3X,F8.2,5X,F8.2,6X,F9.3,' (iii)',/,5X,"
      "'TIME TO PEAK    (hrs)=',3X,F8.2,5X,F8.2,6X,F9.3)");
  static const fortran::Format kPeakDate("(52X,'or on',1X,A15)");
  static const fortran::Format kVolumes(
      "(5X,'RUNOFF VOLUME',1X,A7,'=',3X,F8.2,5X,F8.2,6X,F9.3,/,5X,'TOTAL RAINFALL',A7,'=',3X,F8.2,5X,F8.2,6X,F9.3,/,"
      "5X,'RUNOFF COEFFICIENT   =',3X,F8.2,5X,F8.2,6X,F9.3)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kHorton("(7X,'(i) HORTONS EQUATION SELECTED FOR PERVIOUS LOSSES:')");
  static const fortran::Format kHortonFo("(12X,'Fo   ',A7,'=',F6.2,5X,'      K  (1/hr)=',F6.2)");
  static const fortran::Format kHortonFc("(12X,'Fc   ',A7,'=',F6.2,5X,'Cum.Inf.',A7,'=',F6.2)");
  static const fortran::Format kCurveNumber("(7X,'(i) CN PROCEDURE SELECTED FOR PERVIOUS LOSSES:')");
  static const fortran::Format kCnGivenIa("(11X,'CN* =',F6.1,4X,'Ia = Dep. Storage  (Above)')");
  static const fortran::Format kCnDerivedIa("(11X,'CN* =',F6.1,4X,'Ia = 0.2 x S =',F6.2,A7)");
  static const fortran::Format kProportional("(7X,'(i) PROPORTIONAL LOSS FACTOR APPLIED TO RAINFALL:')");
  static const fortran::Format kCoefficients("(12X,'CIMP =',F5.2,4X,'CPER =',F5.2)");
  static const fortran::Format kStepNote(
      "(6X,'(ii) TIME STEP (DT) SHOULD BE SMALLER OR EQUAL',/,11X,'THAN THE STORAGE COEFFICIENT.')");
  static const fortran::Format kBaseNote("(5X,'(iii) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.')");
  static const fortran::Format kActual("(12X,'ACTUAL QPEAK: PEAK(',F8.2,') + QBASE(',F6.2,') =',F8.2,A7)");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth, fl = u.out.flow;
  const float dt = h.DT;
  const SurfaceResult& i = r.imp;
  const SurfaceResult& p = r.per;
  printStoreStatistics(ctx, r.perStats);
  printStoreStatistics(ctx, r.impStats);
  run::put(out, kResults,
           {u.label(model::Quantity::Intensity), i.sc.imax * d, p.sc.imax * d, static_cast<float>(i.sc.window) * dt * 60.0f,
            static_cast<float>(p.sc.window) * dt * 60.0f, i.sc.k * 60.0f, p.sc.k * 60.0f, i.sc.tp * 60.0f,
            p.sc.tp * 60.0f, u.label(model::Quantity::Flow), i.uh.peak / fl, p.uh.peak / fl, u.label(model::Quantity::Flow), i.peak / fl, p.peak / fl,
            h.QPEAK / fl, i.peakTime, p.peakTime, h.TPEAK});
  if (ctx.storm.stormDate != 0) run::put(out, kPeakDate, {run::dateLabel(ctx.storm.stormDate, h.TPEAK)});
  const float ptot = ctx.storm.PTOT;
  run::put(out, kVolumes,
           {u.label(model::Quantity::Depth), i.volume * d, p.volume * d, h.RV * d, u.label(model::Quantity::Depth), ptot * d, ptot * d, ptot * d,
            i.volume / ptot, p.volume / ptot, h.RV / ptot});
  run::put(out, kBlank);
  if (v.loss == 1) {
    run::put(out, kHorton);
    run::put(out, kHortonFo, {u.label(model::Quantity::Intensity), v.fo * d, v.dcay});
    run::put(out, kHortonFc, {u.label(model::Quantity::Intensity), v.fc * d, u.label(model::Quantity::Depth), v.f * d});
  } else if (v.loss == 2) {
    run::put(out, kCurveNumber);
    if (r.perIaDerived) {
      run::put(out, kCnDerivedIa, {v.cn, r.perIaUsed * d, u.label(model::Quantity::Depth)});
    } else {
      run::put(out, kCnGivenIa, {v.cn});
    }
  } else {
    run::put(out, kProportional);
    run::put(out, kCoefficients, {v.cimp, v.cper});
  }
  run::put(out, kStepNote);
  run::put(out, kBaseNote);
  if (h.BASE > 0.0f) run::put(out, kActual, {h.QPEAK / fl, h.BASE / fl, (h.QPEAK + h.BASE) / fl, u.label(model::Quantity::Flow)});
  run::put(out, kBlank);
}

void printSummary(model::RunContext& ctx, float mode, const StandhydInput& v, float dt) {
  static const fortran::Format kFractions("(6X,'[XIMP=',F3.2,':TIMP=',F3.2,']')");
  static const fortran::Format kDesign("(6X,'[SLP=',F4.2,':DT=',F5.2,']')");
  static const fortran::Format kHorton("(6X,'[LOSS= 1 : HORTONS]')");
  static const fortran::Format kCurveNumber("(6X,'[LOSS= 2 :CN=',F5.1,']')");
  static const fortran::Format kProportional("(6X,'[PLC: i=',F4.2,':p=',F4.2,']')");
  static const fortran::Format kHortonValues(
      "(6X,'[Horton parameters: Fo=',F6.2,':Fc=',F6.2,':DCAY=',F4.2,':  F=',F4.2,']')");
  static const fortran::Format kPervious(
      "(6X,'[Pervious     area: IAper=',F5.2,':SLPP=',F4.2,':LGP=',F5.0,':MNP=',F4.3,':SCP=',F5.1,']')");
  static const fortran::Format kImpervious(
      "(6X,'[Impervious   area: IAimp=',F5.2,':SLPI=',F4.2,':LGI=',F5.0,':MNI=',F4.3,':SCI=',F5.1,']')");
  static const fortran::Format kRecovery("(6X,'[IaRECimp=',F7.2,': IaRECper=',F7.2,']')");
  static const fortran::Format kStoreBounds("(6X,'[SMIN=',F6.2,': SMAX=',F6.2,': SK=',F5.3,']')");

  const std::initializer_list<platform::LineSink*> sinks{ctx.out.summary, &ctx.platform.summaryWindow};
  const model::Units& u = ctx.units;
  const float d = u.out.depth, len = u.out.length;
  run::put(sinks, kFractions, {v.ximp, v.timp});
  if (mode == kDesignStandhyd) run::put(sinks, kDesign, {v.imp.slope, dt * 60.0f});
  if (v.loss == 1) {
    run::put(sinks, kHorton);
  } else if (v.loss == 2) {
    run::put(sinks, kCurveNumber, {v.cn});
  } else {
    run::put(sinks, kProportional, {v.cimp, v.cper});
  }
  if (mode != kCalibStandhyd && mode != kContinuousStandhyd) return;
  if (v.loss == 1) run::put(sinks, kHortonValues, {v.fo * d, v.fc * d, v.dcay, v.f * d});
  run::put(sinks, kPervious,
           {v.per.ia * d, v.per.slope, v.per.length / len, v.per.manning, v.per.sc * 60.0f});
  run::put(sinks, kImpervious,
           {v.imp.ia * d, v.imp.slope, v.imp.length / len, v.imp.manning, v.imp.sc * 60.0f});
  if (mode != kContinuousStandhyd) return;
  run::put(sinks, kRecovery, {v.imp.iaRec, v.per.iaRec});
  if (v.loss == 2) run::put(sinks, kStoreBounds, {v.smin * d, v.smax * d, v.sk / d});
}

}  // namespace

float windowIntensity(std::span<const double> prefix, int nr, int width) {
  double best = 0.0;
  for (int s = 1; s + width - 1 <= nr; ++s) {
    best = std::max(best, prefix[static_cast<std::size_t>(s + width - 1)] - prefix[static_cast<std::size_t>(s - 1)]);
  }
  return static_cast<float>(best) / static_cast<float>(width);
}

StorageCoefficient storageCoefficient(std::span<const float> excess, int nrain, float dt, const SurfaceShape& shape,
                                      float addK, bool roundToK, bool firstTrialOnly) {
  StorageCoefficient r;
  const int nr = std::max(nrain, kMinWindowSteps);
  // Running sums in double precision give each window's sum without the cost
  // of adding it up again for every window and every trial.
  std::vector<double> prefix(static_cast<std::size_t>(nr) + 1, 0.0);
  for (int i = 1; i <= nr; ++i) {
    const float e = i <= nrain ? excess[static_cast<std::size_t>(i)] : 0.0f;
    prefix[static_cast<std::size_t>(i)] = prefix[static_cast<std::size_t>(i - 1)] + e;
  }
  auto kinematicK = [&](float imax) {
    return 0.00775f * std::pow(shape.manning * shape.length, 0.6f) * std::pow(imax, -0.4f) *
               std::pow(shape.slope, -0.3f) + addK;
  };
  auto roundedSteps = [dt](float k) { return std::max(1, static_cast<int>(k / dt + 0.5f)); };

  const bool given = shape.given > 0.0f;
  int ns = given ? roundedSteps(shape.given) : 1;
  float best = 9999.0f;
  bool havePrevious = false;
  for (;;) {
    const float imax = windowIntensity(prefix, nr, std::min(ns, nr));
    if (!(imax > 0.0f)) {
      if (havePrevious) break;  // wider windows than the storm: keep the best trial
      r = StorageCoefficient{};
      return r;
    }
    const float k = kinematicK(imax);
    // A flat surface has no kinematic travel time; the caller rejects it.
    if (!std::isfinite(k) && !given) {
      r.runoff = true;
      r.imax = imax;
      r.window = r.ns = ns;
      r.k = k;
      return r;
    }
    if (given || firstTrialOnly) {
      r.runoff = true;
      r.imax = imax;
      r.window = ns;
      r.k = given ? shape.given : k;
      r.ns = given ? roundedSteps(r.k) : 1;
      r.tp = static_cast<float>(r.ns) * dt;
      return r;
    }
    const float diff = std::fabs(k - static_cast<float>(ns) * dt);
    if (diff > best && havePrevious) break;
    best = diff;
    havePrevious = true;
    r.runoff = true;
    r.imax = imax;
    r.k = k;
    r.ns = ns;
    r.window = ns;
    if (ns >= nr) break;
    ++ns;
  }
  if (roundToK) r.ns = roundedSteps(r.k);
  r.tp = static_cast<float>(r.ns) * dt;
  return r;
}

SurfaceUnitHydrograph surfaceUnitHydrograph(float area, float fraction, float tp, float k, float dt, float ptot,
                                            bool normalise) {
  SurfaceUnitHydrograph uh;
  uh.c = (1.0f - std::exp(-tp / k)) / tp;
  const float scale = area * fraction * model::kCfsHoursPerAcreInch;
  uh.ord.assign(2, 0.0f);
  float sum = 0.0f;
  int j = 2;
  for (;; ++j) {
    const float t = static_cast<float>(j - 1) * dt;
    const float u = t <= tp ? uh.c * t / tp : uh.c * std::exp(-(t - tp) / k);
    sum += u;
    const float ordinate = area * u * fraction * model::kCfsHoursPerAcreInch;
    uh.ord.push_back(ordinate);
    if ((t > tp && ordinate * ptot < hydrograph::kTailFlow) || j >= model::kMaxOrdinates) break;
  }
  uh.nuh = j;
  // The shape is brought to hold exactly one inch when it is off by more than
  // 1 % of a step's worth.
  if (normalise && std::fabs(sum - 1.0f / dt) > 0.01f && sum > 0.0f) {
    const float by = dt * sum;
    for (int i = 1; i <= uh.nuh; ++i) uh.ord[static_cast<std::size_t>(i)] /= by;
    uh.c /= by;
  }
  uh.peak = scale * uh.c;
  return uh;
}

void standhyd(model::RunContext& ctx, float mode, std::string_view name) {
  const bool silent = mode == kSilentStandhyd;
  const bool urbhyd = mode == kComputeUrbhyd;
  const bool continuous = mode == kContinuousStandhyd;
  if (!silent) ctx.run.label = name;
  StandhydInput v = readInput(ctx, mode);
  if (!silent && !hydrograph::checkSlot(ctx, v.id)) return;

  TimeStep step = readTimeStep(v.dtTyped, ctx.storm.SDT);
  if (step.dt == 0.0f) {
    run::issue(ctx, msg::kTimeStepBelowOneMinute, run::Severity::Error);
    return;
  }
  if (v.loss < 1 || v.loss > 3) {
    run::issue(ctx, msg::kStandhydBadLossMethod, run::Severity::Error);
    return;
  }
  // CN 0 included: the bounds rule gives it an all but endless store.
  if ((continuous || silent) && v.loss == 2 && v.cn >= 0.0f) {
    const StoreBounds b = storeBounds(ctx, v.cn, v.smin, v.smax);
    if (b.failed()) {
      ctx.run.severity = run::Severity::Error;
      return;
    }
    v.cn = b.cn;
    v.smin = b.smin;
    v.smax = b.smax;
  }
  const bool ximpCorrected = v.timp < v.ximp;
  if (ximpCorrected) v.ximp = v.timp;
  // A wholly impervious catchment has no pervious surface to take the runoff
  // of impervious area that is not directly connected; that runoff would be
  // lost, so all of the impervious area drains directly.
  if (v.timp >= 1.0f) v.ximp = v.timp;

  int nrain = v.nrainTyped;
  const int stormSteps = stormStepCount(ctx.storm, step.dt);
  bool countDiffers = false;
  if (nrain == 0) {
    nrain = stormSteps;
  } else if (ctx.storm.NSTEP != 0 && stormSteps != nrain) {
    countDiffers = true;
  }
  if (!silent) printInput(ctx, mode, name, v, step.dt);
  const int maxTyped = urbhyd && v.nrainTyped > 0 ? nrain + 1 : 0;
  takeRainfall(ctx, v.rainPos, maxTyped, step, nrain, silent);
  if (nrain == 0) {
    static const fortran::Format kBlank("(' ')");
    run::issue(ctx, msg::kStandhydNoRainfallSteps, run::Severity::Error);
    if (!silent) run::put(*ctx.out.detailed, kBlank);
    return;
  }
  // The curve-number store of the pervious surface follows the API series.
  if (continuous && v.loss == 2 && ctx.api.dt <= 0.0f) {
    static const fortran::Format kBlank("(' ')");
    run::issue(ctx, msg::kApiNotComputed, run::Severity::Error);
    run::put(*ctx.out.detailed, kBlank);
    return;
  }
  const float dt = step.dt;
  nrain = std::min(nrain, model::kMaxRainSteps);
  const int lossMode = continuous ? 5 : static_cast<int>(mode);

  // Losses: the pervious surface also receives the runoff of the impervious
  // area that is not directly connected. Without a pervious surface (TIMP = 1)
  // it has nothing to lose and nothing to give.
  const bool hasPervious = v.timp < 1.0f;
  const float multiplier = hasPervious ? 1.0f + (v.timp - v.ximp) / (1.0f - v.timp) : 1.0f;
  LossInput base;
  base.nrain = nrain;
  base.dt = dt;
  base.rain = std::span<const float>(ctx.storm.work.data(),
                                     std::min(ctx.storm.work.size(), static_cast<std::size_t>(ctx.storm.workSteps) + 1));
  base.interEventTime = v.interEventTime;
  base.mode = lossMode;
  base.api = &ctx.api;
  base.v1 = v.smin;
  base.v2 = v.smax;
  base.v3 = v.sk;

  StandhydOutcome r;
  std::vector<float> perExcess(kWorkSize, 0.0f), impExcess(kWorkSize, 0.0f);
  if (hasPervious) {
    LossInput per = base;
    per.ia = v.per.ia;
    per.iaRec = v.per.iaRec;
    if (v.loss == 1) {
      per.firstLoss = v.f;
      per.v1 = v.fo;
      per.v2 = v.fc;
      per.v3 = v.dcay;
      per.method = multiplier;
    } else if (v.loss == 2) {
      per.firstLoss = v.cn;
      per.method = -multiplier;
    } else {
      per.firstLoss = -v.cper;
      per.coefficient = true;
      per.method = -multiplier;
    }
    const LossResult lr = computeExcess(per, perExcess, {});
    r.perIaUsed = lr.iaUsed;
    r.perIaDerived = v.loss == 2 && v.per.ia < 0.0f && v.cn > 0.0f;
    r.perStats = lr.stats;
  }
  {
    LossInput imp = base;
    imp.firstLoss = -v.cimp;
    imp.coefficient = true;
    imp.ia = v.imp.ia;
    imp.iaRec = v.imp.iaRec;
    imp.method = -1.0f;
    r.impStats = computeExcess(imp, impExcess, {}).stats;
  }

  // Storage coefficients, impervious first: the pervious travel time adds the
  // impervious one (except in the older layout).
  SurfaceShape impShape{v.imp.manning, v.imp.length, v.imp.slope / 100.0f, v.imp.sc};
  SurfaceShape perShape{v.per.manning, v.per.length, v.per.slope / 100.0f, v.per.sc};
  r.imp.sc = storageCoefficient(impExcess, nrain, dt, impShape, 0.0f, false, urbhyd);
  if (hasPervious) {
    r.per.sc = storageCoefficient(perExcess, nrain, dt, perShape, urbhyd ? 0.0f : r.imp.sc.k, !urbhyd, urbhyd);
  }
  for (const SurfaceResult* s : {&r.imp, &r.per}) {
    if (s->sc.runoff && !std::isfinite(s->sc.k)) {
      run::issue(ctx, msg::kSurfaceSlopeNotPositive, run::Severity::Error);
      return;
    }
  }

  const float ptot = ctx.storm.PTOT;
  std::vector<float> total(kWorkSize, 0.0f), own(kWorkSize, 0.0f);
  int last = 0;
  const float fractions[2] = {v.ximp, 1.0f - v.timp};
  SurfaceResult* surfaces[2] = {&r.imp, &r.per};
  const std::vector<float>* excess[2] = {&impExcess, &perExcess};
  for (int s = 0; s < 2; ++s) {
    SurfaceResult& sr = *surfaces[s];
    if (!sr.sc.runoff) continue;
    sr.uh = surfaceUnitHydrograph(v.area, fractions[s], sr.sc.tp, sr.sc.k, dt, ptot, !urbhyd);
    std::fill(own.begin(), own.end(), 0.0f);
    convolve(*excess[s], nrain, sr.uh.ord, sr.uh.nuh, dt, own);
    convolve(*excess[s], nrain, sr.uh.ord, sr.uh.nuh, dt, total);
    const int end = std::min(nrain + sr.uh.nuh - 1, model::kMaxOrdinates);
    // The longer of the two surface hydrographs sets the end, so that neither is cut.
    last = std::max(last, end);
    // Each surface's own peak is the earliest of its equal highest ordinates.
    const hydrograph::Totals t = hydrograph::totals(own, end, dt, v.area * fractions[s], hydrograph::PeakRule::First,
                                                    hydrograph::SumOrder::FromStart, hydrograph::AreaRule::Positive);
    sr.peak = t.qpeak;
    sr.peakTime = static_cast<float>(ctx.time.TZERO + static_cast<double>(t.peakTime));
    sr.volume = t.rv;
  }

  // The totals are summed from the end; the earliest of equal highest
  // ordinates is the peak.
  hydrograph::Produced p;
  p.nhyd = v.nhyd;
  p.q.assign(total.begin(), total.begin() + last + 1);
  p.dt = dt;
  p.da = v.area;
  p.base = v.base;
  p.peak = hydrograph::PeakRule::First;
  p.sum = hydrograph::SumOrder::FromEnd;
  p.area = hydrograph::AreaRule::Positive;
  hydrograph::storeProduced(ctx, v.id, std::move(p));
  const model::Hydrograph& h = ctx.store[v.id];
  if (silent) {
    if (ximpCorrected) run::issue(ctx, msg::kStandhydXimpAboveTimp, run::Severity::Error);
    if (countDiffers) run::issue(ctx, msg::kStandhydStepCountDiffers, run::Severity::Error);
    return;
  }

  printResults(ctx, v, r, h);
  if (v.imp.sc > 0.0f || v.per.sc > 0.0f) run::issue(ctx, msg::kStandhydGivenCoefficients, run::Severity::Warning);
  const bool oneMinute = dt > 1.0f / 60.0f;
  if (oneMinute && ((r.imp.sc.runoff && dt > r.imp.sc.k) || (r.per.sc.runoff && dt > r.per.sc.k))) {
    run::issue(ctx, msg::kStandhydCoefficientBelowStep, run::Severity::Warning);
  }
  if (ximpCorrected) run::issue(ctx, msg::kStandhydXimpAboveTimp, run::Severity::Error);
  if (v.timp < 0.2f) run::issue(ctx, msg::kStandhydLowImperviousness, run::Severity::Warning);
  if (!r.imp.sc.runoff) run::issue(ctx, msg::kStandhydImperviousDry, run::Severity::Warning);
  if (!r.per.sc.runoff) run::issue(ctx, msg::kStandhydPerviousDry, run::Severity::Warning);
  if (countDiffers) run::issue(ctx, msg::kStandhydStepCountDiffers, run::Severity::Error);
  run::setMarker(ctx);
  hydrograph::reportProduced(ctx, v.id, hydrograph::Source::Rainfall);
  printSummary(ctx, mode, v, dt);
}

void computeUrbhyd(model::RunContext& ctx) {
  standhyd(ctx, kComputeUrbhyd, "COMPUTE URBHYD");
}

void calibStandhyd(model::RunContext& ctx) {
  standhyd(ctx, kCalibStandhyd, "CALIB STANDHYD");
}

void designStandhyd(model::RunContext& ctx) {
  standhyd(ctx, kDesignStandhyd, "DESIGN STANDHYD");
}

void continuousStandhyd(model::RunContext& ctx) {
  standhyd(ctx, kContinuousStandhyd, "CONTINUOUS STANDHYD");
}

void standhydSilent(model::RunContext& ctx) {
  standhyd(ctx, kSilentStandhyd, "");
}

}  // namespace runoff
