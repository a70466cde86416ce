// STANDHYD: the impervious and pervious surfaces of an urban catchment, each
// turned into a hydrograph by its own losses and unit hydrograph, added into
// one slot.
#include "runoff/standhyd.h"

#include <algorithm>
#include <bit>
#include <cstdint>
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

float percentOrFraction(float v) { return v > 1.0f ? v / 100.0f : v; }

// The flow length of a surface of `area` acres drawn as a rectangle of
// length-to-width ratio `ratio`: sqrt(area * 43560 / ratio) ft. An area
// typed near the top of single precision overflows in square feet; such an
// area is taken in double precision, which gives the same length otherwise.
float lengthFromArea(float area, float ratio) {
  const float squareFeet = area * model::kSquareFeetPerAcre / ratio;
  if (std::isfinite(squareFeet)) return std::sqrt(squareFeet);
  return static_cast<float>(std::sqrt(static_cast<double>(area) * model::kSquareFeetPerAcre / ratio));
}

// The older layout of COMPUTE URBHYD: Horton or curve-number values chosen by
// the sign of Fo, both surfaces' shapes at the end.
void readUrbhydLayout(const model::CommandValues& c, const model::Factors& in, StandhydValues& v) {
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
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
  if (v.imp.length == 0.0f) v.imp.length = lengthFromArea(v.area, 1.5f);
  if (v.per.length == 0.0f) v.per.length = v.imp.length;
  if (v.imp.manning == 0.0f) v.imp.manning = 0.013f;
  if (v.per.manning == 0.0f) v.per.manning = 0.25f;
}

// The loss values of the newer layouts from position 9; returns how many
// positions they take.
int readLossValues(const model::CommandValues& c, const model::Factors& in, const model::Defaults& dv,
                   StandhydMode mode, StandhydValues& v) {
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
  if (v.loss == 1) {
    if (mode == StandhydMode::Design) {
      v.fo = dv.values[1];
      v.fc = dv.values[2];
      v.dcay = dv.values[3];
      v.f = dv.values[4];
      return 0;
    }
    v.fo = p(9) / in.depth;
    v.fc = p(10) / in.depth;
    v.dcay = p(11);
    v.f = p(12) / in.depth;
    return 4;
  }
  if (v.loss == 2) {
    v.cn = p(9);
  } else if (v.loss == 3) {
    // The integer part holds CIMP in hundredths (tenths of a percent when
    // above 100), the fraction CPER.
    const float whole = static_cast<float>(model::truncatedInt(p(9)));
    v.cimp = whole / 100.0f;
    if (v.cimp > 1.0f) v.cimp /= 10.0f;
    if (v.cimp == 0.0f) v.cimp = 1.0f;
    v.cper = p(9) - whole;
  }
  return 1;
}

// The newer layouts: fractions, baseflow and loss method, then the surfaces
// (from the defaults in DESIGN STANDHYD) and the continuous values.
void readStandhydLayout(const model::CommandValues& c, const model::Factors& in, const model::Defaults& dv,
                        StandhydMode mode, StandhydValues& v) {
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
  auto surface = [&](int at, Surface& s) {
    s.ia = p(at) / in.depth;
    s.slope = p(at + 1);
    s.length = p(at + 2) * in.length;
    s.manning = p(at + 3);
    s.sc = p(at + 4) / 60.0f;
  };
  v.ximp = p(5);
  v.timp = p(6);
  v.base = p(7) * in.flow;
  v.loss = c.intParam(8);
  const int o = readLossValues(c, in, dv, mode, v);
  if (mode == StandhydMode::Design) {
    v.imp.slope = v.per.slope = p(9 + o);
    v.rainPos = 10 + o;
    v.per.ia = dv.values[5];
    v.per.length = dv.values[6];
    v.per.manning = dv.values[7];
    v.imp.ia = dv.values[8];
    v.imp.manning = dv.values[10];
    v.imp.length = dv.values[9] > 0.0f ? lengthFromArea(v.area, dv.values[9]) : 0.0f;
    return;
  }
  surface(9 + o, v.per);
  surface(14 + o, v.imp);
  v.rainPos = 19 + o;
  if (mode != StandhydMode::Continuous) return;
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

void printInput(model::RunContext& ctx, StandhydMode mode, std::string_view name, const StandhydValues& v, float dt) {
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
  run::put(out, kName, {fortran::padded(name, 20), u.label(model::Quantity::Area), v.area / a});
  if (v.nhyd != 0) {
    run::put(out, kNumeric, {v.id, v.nhyd, dt * 60.0f, v.timp * 100.0f, v.ximp * 100.0f});
  } else {
    run::put(out, kNamed, {v.id, ctx.cmd.text(1, 6), dt * 60.0f, v.timp * 100.0f, v.ximp * 100.0f});
  }
  run::put(out, kSurfaces,
           {u.label(model::Quantity::Area), v.timp * v.area / a, (1.0f - v.timp) * v.area / a,
            u.label(model::Quantity::Depth), v.imp.ia * d, v.per.ia * d, v.imp.slope, v.per.slope,
            u.label(model::Quantity::Length), v.imp.length / len, v.per.length / len, v.imp.manning, v.per.manning});
  if (mode != StandhydMode::Continuous) return;
  run::put(out, kContinuous, {v.imp.iaRec, v.per.iaRec});
  if (v.loss == 2)
    run::put(out, kStoreBounds,
             {u.label(model::Quantity::Depth), v.smin * d, u.label(model::Quantity::Depth), v.smax * d, v.sk / d});
  run::put(out, kInterEvent, {v.interEventTime});
}

void printResults(model::RunContext& ctx, const StandhydValues& v, const StandhydResult& r,
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
           {u.label(model::Quantity::Intensity), i.sc.imax * d, p.sc.imax * d,
            static_cast<float>(i.sc.window) * dt * 60.0f, static_cast<float>(p.sc.window) * dt * 60.0f, i.sc.k * 60.0f,
            p.sc.k * 60.0f, i.sc.tp * 60.0f, p.sc.tp * 60.0f, u.label(model::Quantity::Flow), i.uh.peak / fl,
            p.uh.peak / fl, u.label(model::Quantity::Flow), i.peak / fl, p.peak / fl, h.QPEAK / fl, i.peakTime,
            p.peakTime, h.TPEAK});
  if (ctx.storm.stormDate != 0) run::put(out, kPeakDate, {run::dateLabel(ctx.storm.stormDate, h.TPEAK)});
  const float ptot = ctx.storm.PTOT;
  run::put(out, kVolumes,
           {u.label(model::Quantity::Depth), i.volume * d, p.volume * d, h.RV * d, u.label(model::Quantity::Depth),
            ptot * d, ptot * d, ptot * d, runoffCoefficient(i.volume, ptot), runoffCoefficient(p.volume, ptot),
            runoffCoefficient(h.RV, ptot)});
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
  if (h.BASE > 0.0f)
    run::put(out, kActual, {h.QPEAK / fl, h.BASE / fl, (h.QPEAK + h.BASE) / fl, u.label(model::Quantity::Flow)});
  run::put(out, kBlank);
}

void printSummary(model::RunContext& ctx, StandhydMode mode, const StandhydValues& v, float dt) {
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
  if (mode == StandhydMode::Design) run::put(sinks, kDesign, {v.imp.slope, dt * 60.0f});
  if (v.loss == 1) {
    run::put(sinks, kHorton);
  } else if (v.loss == 2) {
    run::put(sinks, kCurveNumber, {v.cn});
  } else {
    run::put(sinks, kProportional, {v.cimp, v.cper});
  }
  if (mode != StandhydMode::Calib && mode != StandhydMode::Continuous) return;
  if (v.loss == 1) run::put(sinks, kHortonValues, {v.fo * d, v.fc * d, v.dcay, v.f * d});
  run::put(sinks, kPervious, {v.per.ia * d, v.per.slope, v.per.length / len, v.per.manning, v.per.sc * 60.0f});
  run::put(sinks, kImpervious, {v.imp.ia * d, v.imp.slope, v.imp.length / len, v.imp.manning, v.imp.sc * 60.0f});
  if (mode != StandhydMode::Continuous) return;
  run::put(sinks, kRecovery, {v.imp.iaRec, v.per.iaRec});
  if (v.loss == 2) run::put(sinks, kStoreBounds, {v.smin * d, v.smax * d, v.sk / d});
}

// The depth DT * v[i] * factor summed over steps 1..n of `v` (those it holds),
// in step order. A step without rain or excess adds a zero to a sum begun at
// +0, which leaves it as it is (with a finite step and factor): stretches of
// eight such steps are passed over.
double depthSum(std::span<const float> v, int n, double dt, float factor) {
  const std::size_t end = std::min(v.size(), static_cast<std::size_t>(std::max(n, 0)) + 1);
  const float* x = v.data();
  auto bits = [x](std::size_t i) { return std::bit_cast<std::uint32_t>(x[i]) << 1; };
  double sum = 0.0;
  std::size_t i = 1;
  if (std::isfinite(dt) && std::isfinite(factor)) {
    for (; i + 8 <= end; i += 8) {
      std::uint32_t any = 0;
      for (std::size_t k = 0; k < 8; ++k) any |= bits(i + k);
      if (any == 0) continue;
      for (std::size_t k = 0; k < 8; ++k) sum += dt * x[i + k] * factor;
    }
  }
  for (; i < end; ++i) sum += dt * x[i] * factor;
  return sum;
}

// What a surface received, abstracted and let run off, inches (the excess
// depth takes a factor of 1, which leaves DT * e exactly as it is).
StandhydResult::Depths surfaceDepths(const RainSeries& rain, float factor, const LossResult& lr,
                                     const std::vector<float>& excess) {
  StandhydResult::Depths d;
  const auto dt = static_cast<double>(rain.dt);
  d.rain = depthSum(rain.rain, rain.nrain, dt, factor);
  d.excess = depthSum(excess, rain.nrain, dt, 1.0f);
  d.abstracted = lr.abstracted;
  return d;
}

// The rainfall excess of both surfaces. The pervious surface also receives the
// runoff of the impervious area that is not directly connected. Without a
// pervious surface (TIMP = 1) it has nothing to lose and nothing to give.
void surfaceExcess(const StandhydValues& v, const RainSeries& rain, const model::ApiSeries* api, StandhydResult& r,
                   std::vector<float>& perExcess, std::vector<float>& impExcess) {
  const bool hasPervious = v.timp < 1.0f;
  const float multiplier = hasPervious ? 1.0f + (v.timp - v.ximp) / (1.0f - v.timp) : 1.0f;
  ExcessSetup base;
  base.nrain = rain.nrain;
  base.dt = rain.dt;
  base.rain = rain.rain;
  base.interEventTime = v.interEventTime;
  base.continuous = v.continuousLosses;
  base.store = ContinuousStore{v.smin, v.smax, v.sk, api};
  if (hasPervious) {
    ExcessSetup per = base;
    per.ia = v.per.ia;
    per.iaRec = v.per.iaRec;
    per.factor = multiplier;
    per.storeStatistics = (v.loss == 2 ? v.cn : -v.cper) != -1.0f;
    const LossResult lr = rainfallExcess(perviousLossModel(v), per, perExcess, {});
    r.perDepths = surfaceDepths(rain, multiplier, lr, perExcess);
    r.perIaUsed = lr.iaUsed;
    r.perIaDerived = v.loss == 2 && v.per.ia < 0.0f && v.cn > 0.0f;
    r.perStats = lr.stats;
  }
  ExcessSetup imp = base;
  imp.ia = v.imp.ia;
  imp.iaRec = v.imp.iaRec;
  imp.storeStatistics = v.cimp != 1.0f;
  const LossResult lr = rainfallExcess(imperviousLossModel(v), imp, impExcess, {});
  r.impStats = lr.stats;
  r.impDepths = surfaceDepths(rain, 1.0f, lr, impExcess);
}

// Each surface's unit hydrograph convolved with its excess, into its own
// hydrograph (for its peak and volume) and into the total. Returns the last
// ordinate of the total.
int surfaceHydrographs(const StandhydValues& v, const RainSeries& rain, float ptot, double tzero, StandhydResult& r,
                       const std::vector<WetStep>* wet[2], std::vector<float>& total) {
  const float dt = rain.dt;
  const int nrain = rain.nrain;
  std::vector<float> own;
  int last = 0;
  const float fractions[2] = {v.ximp, 1.0f - v.timp};
  SurfaceResult* surfaces[2] = {&r.imp, &r.per};
  // Both unit hydrographs first: the total is then made as long as the longer
  // surface hydrograph at once, rather than grown (and copied) for the second.
  int longest = 0;
  for (int s = 0; s < 2; ++s) {
    SurfaceResult& sr = *surfaces[s];
    if (!sr.sc.runoff) continue;
    sr.uh = surfaceUnitHydrograph(v.area, fractions[s], sr.sc.tp, sr.sc.k, dt, ptot, !v.firstTrialOnly);
    longest = std::max(longest, std::min(nrain + sr.uh.nuh - 1, model::kMaxOrdinates));
  }
  if (longest > 0 && total.size() < workSize(longest)) total.resize(workSize(longest), 0.0f);
  for (int s = 0; s < 2; ++s) {
    SurfaceResult& sr = *surfaces[s];
    if (!sr.sc.runoff) continue;
    const int end = std::min(nrain + sr.uh.nuh - 1, model::kMaxOrdinates);
    // The first surface convolved into the empty total leaves exactly its own
    // hydrograph there; only the second needs a hydrograph of its own.
    const bool alone = last == 0;
    if (!alone) {
      own.assign(workSize(end), 0.0f);
      convolve(*wet[s], sr.uh.ord, sr.uh.nuh, dt, own);
    }
    convolve(*wet[s], sr.uh.ord, sr.uh.nuh, dt, total);
    // The longer of the two surface hydrographs sets the end, so that neither is cut.
    last = std::max(last, end);
    // Each surface's own peak is the earliest of its equal highest ordinates.
    const hydrograph::Totals t =
        hydrograph::totals(alone ? total : own, end, dt, v.area * fractions[s], hydrograph::PeakRule::First,
                           hydrograph::SumOrder::FromStart, hydrograph::AreaRule::Positive);
    sr.peak = t.qpeak;
    sr.peakTime = static_cast<float>(tzero + static_cast<double>(t.peakTime));
    sr.volume = t.rv;
  }
  return last;
}

// What the checks of a command found before anything is computed.
// Rainfall or areas at the edge of single precision overflow in a surface's
// excess and runoff; none of it can be printed (intensities and depths also
// in millimetres).
bool finiteRunoff(const StandhydResult& r) {
  auto finite = [](float v) { return std::isfinite(v); };
  for (const SurfaceResult* s : {&r.imp, &r.per}) {
    for (float v : {s->sc.imax * model::kMmPerInch, s->sc.k, s->sc.tp, s->uh.c, s->uh.peak, s->peak, s->peakTime,
                    s->volume * model::kMmPerInch})
      if (!finite(v)) return false;
  }
  return std::all_of(r.q.begin(), r.q.end(), finite);
}

} // namespace

StandhydAccepted acceptStandhydValues(model::RunContext& ctx, bool continuous, StandhydValues& v, float dt) {
  StandhydAccepted a;
  if (dt == 0.0f) {
    run::issue(ctx, msg::kTimeStepBelowOneMinute, run::Severity::Error);
    return a;
  }
  if (v.loss < 1 || v.loss > 3) {
    run::issue(ctx, msg::kStandhydBadLossMethod, run::Severity::Error);
    return a;
  }
  if (v.nrainTyped < 0 || v.nrainTyped > model::kMaxRainSteps) {
    run::issue(ctx, msg::kRainStepsOutOfRange, run::Severity::Error);
    return a;
  }
  // Fractions of the area: below 0 (or a NaN) they make negative surfaces
  // whose runoff overflows; above 1 they were read as percent already.
  if (!(v.ximp >= 0.0f && v.ximp <= 1.0f && v.timp >= 0.0f && v.timp <= 1.0f)) {
    run::issue(ctx, msg::kStandhydImperviousnessOutOfRange, run::Severity::Error);
    return a;
  }
  // A negative area has no flow length (the square root of a negative
  // number of square feet); an area of 0 gives a dry hydrograph.
  if (v.area < 0.0f) {
    run::issue(ctx, msg::kNashydAreaNotPositive, run::Severity::Error);
    return a;
  }
  // CN 0 included: the bounds rule gives it an all but endless store.
  if (continuous && v.loss == 2 && v.cn >= 0.0f) {
    const StoreBounds b = storeBounds(ctx, v.cn, v.smin, v.smax);
    if (b.failed()) {
      ctx.run.severity = run::Severity::Error;
      return a;
    }
    v.cn = b.cn;
    v.smin = b.smin;
    v.smax = b.smax;
  }
  a.ximpCorrected = v.timp < v.ximp;
  if (a.ximpCorrected) v.ximp = v.timp;
  // A wholly impervious catchment has no pervious surface to take the runoff
  // of impervious area that is not directly connected; that runoff would be
  // lost, so all of the impervious area drains directly.
  if (v.timp >= 1.0f) v.ximp = v.timp;
  a.ok = true;
  return a;
}

namespace {

// Step 7 onwards of the set-up: the rainfall, then the checks that need it.
// False when the command stops.
bool takeStormOrTypedRain(model::RunContext& ctx, StandhydMode mode, const StandhydValues& v, TimeStep& step,
                          int& nrain) {
  const int maxTyped = mode == StandhydMode::ComputeUrbhyd && v.nrainTyped > 0 ? nrain + 1 : 0;
  takeRainfall(ctx, v.rainPos, maxTyped, step, nrain, false);
  static const fortran::Format kBlank("(' ')");
  if (nrain == 0) {
    run::issue(ctx, msg::kStandhydNoRainfallSteps, run::Severity::Error);
    run::put(*ctx.out.detailed, kBlank);
    return false;
  }
  // The curve-number store of the pervious surface follows the API series.
  if (mode == StandhydMode::Continuous && v.loss == 2 && ctx.api.dt <= 0.0f) {
    run::issue(ctx, msg::kApiNotComputed, run::Severity::Error);
    run::put(*ctx.out.detailed, kBlank);
    return false;
  }
  nrain = std::min(nrain, model::kMaxRainSteps);
  return true;
}

} // namespace

void recordStandhydBalance(model::RunContext& ctx, const StandhydValues& v, const StandhydResult& r, double baseflow) {
  if (!run::ledgerOn(ctx)) return;
  const double impArea = v.area * v.ximp, perArea = v.area * (1.0f - v.timp);
  const StandhydResult::Depths& i = r.impDepths;
  const StandhydResult::Depths& p = r.perDepths;
  run::ledgerInflow(ctx, run::depthVolume(i.rain, impArea) + run::depthVolume(p.rain, perArea));
  run::ledgerInflow(ctx, baseflow);
  run::ledgerLoss(ctx, model::LossKind::DepressionStorage, run::depthVolume(i.rain - i.excess, impArea));
  run::ledgerLoss(ctx, model::LossKind::InitialAbstraction, run::depthVolume(p.abstracted, perArea));
  run::ledgerLoss(ctx, model::LossKind::Infiltration, run::depthVolume(p.rain - p.abstracted - p.excess, perArea));
}

namespace {

// The warnings and errors after the printed results. A warning never lowers
// an error the command has already raised (XIMP above TIMP).
void issueResultMessages(model::RunContext& ctx, const StandhydValues& v, const StandhydResult& r, float dt,
                         bool ximpCorrected, bool countDiffers) {
  if (v.imp.sc > 0.0f || v.per.sc > 0.0f) run::warn(ctx, msg::kStandhydGivenCoefficients);
  const bool oneMinute = dt > 1.0f / 60.0f;
  if (oneMinute && ((r.imp.sc.runoff && dt > r.imp.sc.k) || (r.per.sc.runoff && dt > r.per.sc.k))) {
    run::warn(ctx, msg::kStandhydCoefficientBelowStep);
  }
  if (ximpCorrected) run::issue(ctx, msg::kStandhydXimpAboveTimp, run::Severity::Error);
  if (v.timp < 0.2f) run::warn(ctx, msg::kStandhydLowImperviousness);
  if (!r.imp.sc.runoff) run::warn(ctx, msg::kStandhydImperviousDry);
  if (!r.per.sc.runoff) run::warn(ctx, msg::kStandhydPerviousDry);
  if (countDiffers) run::issue(ctx, msg::kStandhydStepCountDiffers, run::Severity::Error);
}

} // namespace

StandhydValues readStandhydValues(const model::CommandValues& cmd, const model::Factors& in,
                                  const model::Defaults& defaults, StandhydMode mode) {
  StandhydValues v;
  v.id = cmd.intParam(1);
  v.nhyd = cmd.intParam(2);
  v.dtTyped = cmd.PARAM[3];
  v.area = cmd.PARAM[4] * in.area;
  if (mode == StandhydMode::ComputeUrbhyd) {
    readUrbhydLayout(cmd, in, v);
  } else {
    readStandhydLayout(cmd, in, defaults, mode, v);
  }
  v.ximp = percentOrFraction(v.ximp);
  v.timp = percentOrFraction(v.timp);
  // Depression storage of paved surfaces from their slope when not given.
  if (v.imp.ia < 0.0f) v.imp.ia = 0.0303f * std::pow(v.imp.slope, -0.49f);
  v.firstTrialOnly = mode == StandhydMode::ComputeUrbhyd;
  v.continuousLosses = mode == StandhydMode::Continuous;
  return v;
}

LossModel perviousLossModel(const StandhydValues& v) {
  if (v.loss == 1) return HortonLoss{v.fo, v.fc, v.dcay, v.f};
  if (v.loss == 2) return v.cn < 0.0f ? LossModel{CoefficientLoss{std::fabs(v.cn)}} : LossModel{CurveNumberLoss{v.cn}};
  return CoefficientLoss{std::fabs(v.cper)};
}

LossModel imperviousLossModel(const StandhydValues& v) { return CoefficientLoss{std::fabs(v.cimp)}; }

StandhydResult computeStandhydRunoff(const StandhydValues& v, const RainSeries& rain, const model::ApiSeries* api,
                                     float ptot, double tzero) {
  StandhydResult r;
  const float dt = rain.dt;
  const int nrain = rain.nrain;
  std::vector<float> perExcess(workSize(nrain), 0.0f), impExcess(workSize(nrain), 0.0f);
  surfaceExcess(v, rain, api, r, perExcess, impExcess);

  // Storage coefficients, impervious first: the pervious travel time adds the
  // impervious one (except in the older layout).
  const bool urbhyd = v.firstTrialOnly;
  SurfaceShape impShape{v.imp.manning, v.imp.length, v.imp.slope / 100.0f, v.imp.sc};
  SurfaceShape perShape{v.per.manning, v.per.length, v.per.slope / 100.0f, v.per.sc};
  // Each surface's wet steps, found once for its storage coefficient and its
  // convolution: all that is needed of the excess from here on, which is let
  // go before the hydrographs are made (a twelve-year record's excess is
  // 800 KiB for the two surfaces).
  const std::vector<WetStep> impWet = wetSteps(impExcess, nrain), perWet = wetSteps(perExcess, nrain);
  std::vector<float>().swap(impExcess);
  std::vector<float>().swap(perExcess);
  r.imp.sc = storageCoefficient(impWet, nrain, dt, impShape, 0.0f, false, urbhyd);
  if (v.timp < 1.0f) {
    r.per.sc = storageCoefficient(perWet, nrain, dt, perShape, urbhyd ? 0.0f : r.imp.sc.k, !urbhyd, urbhyd);
  }
  for (const SurfaceResult* s : {&r.imp, &r.per}) {
    if (s->sc.runoff && !std::isfinite(s->sc.k)) {
      r.flatSurface = true;
      return r;
    }
  }
  // Grows to the longer of the two surface hydrographs.
  std::vector<float> total(workSize(0), 0.0f);
  const std::vector<WetStep>* wet[2] = {&impWet, &perWet};
  const int last = surfaceHydrographs(v, rain, ptot, tzero, r, wet, total);
  total.resize(static_cast<std::size_t>(last) + 1);
  r.q = std::move(total);
  return r;
}

void standhyd(model::RunContext& ctx, StandhydMode mode, std::string_view name) {
  ctx.run.label = name;
  StandhydValues v = readStandhydValues(ctx.cmd, ctx.units.in, ctx.defaults, mode);
  if (!hydrograph::checkSlot(ctx, v.id)) return;
  TimeStep step = readTimeStep(v.dtTyped, ctx.storm.SDT);
  const StandhydAccepted accepted = acceptStandhydValues(ctx, mode == StandhydMode::Continuous, v, step.dt);
  if (!accepted.ok) return;
  const RainCount count = countRainSteps(v.nrainTyped, ctx.storm, step.dt);
  int nrain = count.nrain;
  printInput(ctx, mode, name, v, step.dt);
  if (!takeStormOrTypedRain(ctx, mode, v, step, nrain)) return;
  const float dt = step.dt;

  StandhydResult r =
      computeStandhydRunoff(v, stormRain(ctx.storm, nrain, dt), &ctx.api, ctx.storm.PTOT, ctx.time.TZERO);
  if (r.flatSurface) {
    run::issue(ctx, msg::kSurfaceSlopeNotPositive, run::Severity::Error);
    return;
  }
  if (!finiteRunoff(r)) {
    run::issue(ctx, msg::kResultTooLarge, run::Severity::Error);
    return;
  }
  // The totals are summed from the end; the earliest of equal highest
  // ordinates is the peak.
  hydrograph::Produced p;
  p.nhyd = v.nhyd;
  p.q = std::move(r.q);
  p.dt = dt;
  p.da = v.area;
  p.base = v.base;
  p.peak = hydrograph::PeakRule::First;
  p.sum = hydrograph::SumOrder::FromEnd;
  p.area = hydrograph::AreaRule::Positive;
  hydrograph::storeProduced(ctx, v.id, std::move(p));
  recordStandhydBalance(ctx, v, r, run::baseflowVolume(ctx.store[v.id]));
  printResults(ctx, v, r, ctx.store[v.id]);
  issueResultMessages(ctx, v, r, dt, accepted.ximpCorrected, count.differs);
  run::setMarker(ctx);
  hydrograph::reportProduced(ctx, v.id, hydrograph::Source::Rainfall);
  printSummary(ctx, mode, v, dt);
}

void computeUrbhyd(model::RunContext& ctx) { standhyd(ctx, StandhydMode::ComputeUrbhyd, "COMPUTE URBHYD"); }
void calibStandhyd(model::RunContext& ctx) { standhyd(ctx, StandhydMode::Calib, "CALIB STANDHYD"); }
void designStandhyd(model::RunContext& ctx) { standhyd(ctx, StandhydMode::Design, "DESIGN STANDHYD"); }
void continuousStandhyd(model::RunContext& ctx) { standhyd(ctx, StandhydMode::Continuous, "CONTINUOUS STANDHYD"); }

} // namespace runoff
