// COMPUTE DWF+WWF: dry-weather flow over whole days from population,
// commercial areas and groundwater infiltration, plus the wet-weather flow of
// the current storm, in one hydrograph.
#include "runoff/dwf_wwf.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "model/dates.h"
#include "platform/platform.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "run/water_balance.h"
#include "runoff/nashyd.h"
#include "runoff/standhyd.h"

namespace runoff {

namespace {

constexpr float kMinutesPerDay = 1440.0f;
// Imperial gallons per day in one cfs.
constexpr float kImpGallonsPerDayPerCfs = 538185.6f;
// Litres per day in one cms, and cubic feet in one cubic metre.
constexpr float kLitresPerDayPerCms = 8.64e+07f;
constexpr float kCubicFeetPerCubicMetre = 35.28755f;
constexpr float kInchesPerFoot = 12.0f;

// True when x is a whole number; steps derived from the storm's step in hours
// carry a rounding error of a few units in the last place.
bool whole(float x) { return std::fabs(x - std::round(x)) <= 1.0e-4f * std::max(1.0f, std::fabs(x)); }

using fortran::padded;

} // namespace

DwfWwfValues readDwfWwfValues(const model::CommandValues& c, const model::Units& units, float stormStepHours) {
  auto p = [&c](int k) { return c.PARAM[static_cast<std::size_t>(k)]; };
  const model::Factors& in = units.in;
  DwfWwfValues v;
  v.id = c.intParam(1);
  v.nhyd = c.intParam(2);
  v.dtMinutes = p(3) == 0.0f ? stormStepHours * 60.0f : std::fabs(p(3));
  v.areaTyped = p(4);
  v.area = p(4) * in.area;
  // More days than the ordinate limit could hold at any step are never needed.
  v.ndays = static_cast<int>(std::clamp(p(5), -1.0f, static_cast<float>(model::kMaxOrdinates)));
  v.pop = p(6);
  v.pkfp = p(8);
  v.xacom = p(9);
  v.pkfa = p(11);
  v.xagwf = p(12);
  v.gwFactor = p(14);
  // Average daily flows in cfs per person or per acre: imperial gallons per
  // day, or litres per day (per hectare for areas).
  if (units.METIN == 1) {
    v.adfp = p(7) / kImpGallonsPerDayPerCfs;
    v.adfa = p(10) / kImpGallonsPerDayPerCfs;
    v.adfg = p(13) / kImpGallonsPerDayPerCfs;
  } else {
    v.adfp = p(7) / kLitresPerDayPerCms * kCubicFeetPerCubicMetre;
    v.adfa = p(10) / kLitresPerDayPerCms * kCubicFeetPerCubicMetre / model::kAcresPerHectare;
    v.adfg = p(13) / kLitresPerDayPerCms * kCubicFeetPerCubicMetre / model::kAcresPerHectare;
  }
  v.cDcon = p(15);
  v.avglenTyped = p(16);
  v.avglen = p(16) * in.length;
  v.cWeep = p(17);
  v.kWeep = p(18);
  v.cSlow = p(19);
  v.kSlowBase = p(20);
  v.kSlowPerArea = p(21);
  return v;
}

std::vector<int> timeStepProblems(float dt) {
  if (!(dt > 0.0f)) return {msg::kTimeStepBelowOneMinute};
  std::vector<int> m;
  if (dt < 1.0f) m.push_back(msg::kTimeStepBelowOneMinute);
  if (!whole(dt / 5.0f) && !whole(5.0f / dt)) m.push_back(msg::kDwfStepNotFiveMinuteFraction);
  if (!whole(kMinutesPerDay / dt) && !whole(dt / kMinutesPerDay)) m.push_back(msg::kDwfStepNotDayFraction);
  return m;
}

CurveCode decodeCurveCode(float value) {
  // Bounded before the conversion so that no typed value overflows the integer.
  const float a = std::min(std::fabs(value), 1.0e6f);
  const int code = static_cast<int>(a);
  return {code % 10, (code / 10) % 10};
}

// A population below 0 counts as none: the root must not fail.
float harmonFactor(float pop) { return 1.0f + 14.0f / (4.0f + std::pow(std::max(pop, 0.0f) / 1000.0f, 0.5f)); }

float residentialPeakFactor(float pkfp, float pop) {
  if (pkfp == 0.0f) return 1.0f;
  if (pkfp <= 1.0f) return 1.0f + pkfp * 14.0f / (4.0f + std::pow(std::max(pop, 0.0f) / 1000.0f, 0.5f));
  return pkfp;
}

int dayType(int startDay, long long dayIndex) {
  if (startDay < 1 || startDay > 7) return 1;
  const int day = static_cast<int>(((startDay - 1 + dayIndex) % 7 + 7) % 7) + 1;
  return day == 1 || day == 7 ? 2 : 1;
}

DryWeatherFlow computeDryWeatherFlow(const DryWeatherInput& in) {
  DryWeatherFlow f;
  const float dt = in.dtMinutes;
  // The step as a whole fraction or multiple of the day, free of the rounding
  // a step derived from hours carries, places the ordinates on the clock.
  const double perDay = std::round(static_cast<double>(kMinutesPerDay) / dt);
  const double dtClock =
      dt <= kMinutesPerDay ? kMinutesPerDay / perDay : kMinutesPerDay * std::round(dt / kMinutesPerDay);
  const double wanted = std::max(1.0, std::floor(in.ndays * kMinutesPerDay / dtClock + 0.5));
  f.cut = wanted > model::kMaxOrdinates;
  f.npts = static_cast<int>(std::min<double>(wanted, model::kMaxOrdinates));
  f.q.assign(static_cast<std::size_t>(f.npts) + 1, 0.0f);
  const float dtHours = dt / 60.0f;
  auto curveValue = [](const StepCurve& c, int type, double dayFraction) {
    const std::vector<float>& v = c.values[type];
    const double at = std::floor(dayFraction * static_cast<double>(v.size()) + 1.0e-7);
    return v[std::min(v.size() - 1, static_cast<std::size_t>(std::max(0.0, at)))];
  };
  for (int i = 1; i <= f.npts; ++i) {
    // The curves follow the clock: an ordinate takes the step of the day in
    // which it lies and the day type of its calendar day.
    const double days = (in.tzero * 60.0 + static_cast<double>(i - 1) * dtClock) / kMinutesPerDay;
    const double day = std::floor(days + 1.0e-9);
    const double fraction = std::max(0.0, days - day);
    const int type = dayType(in.startDay, static_cast<long long>(day)) - 1;
    const float res = in.resCurve ? curveValue(*in.resCurve, type, fraction) * in.resScale : in.residential;
    const float com = in.comCurve ? curveValue(*in.comCurve, type, fraction) * in.comScale : in.commercial;
    const float q = in.groundwater + com + res;
    f.q[static_cast<std::size_t>(i)] = q;
    f.sum += q;
    if (q > f.peak) {
      f.peak = q;
      f.peakTime = dtHours * static_cast<float>(i - 1);
    }
  }
  return f;
}

void addOnGrid(std::vector<float>& q, const std::vector<float>& part, int npts, float partDt, float dt) {
  if (npts < 1 || !(partDt > 0.0f) || !(dt > 0.0f)) return;
  const bool same = std::fabs(partDt - dt) <= 1.0e-4f * dt;
  const double span = static_cast<double>(npts - 1) * partDt;
  // Steps of wildly different lengths give counts beyond an integer: bounded
  // by the ordinate limit before the conversion.
  const double steps = std::min(std::floor(span / dt + 1.0e-6) + 1.0, static_cast<double>(model::kMaxOrdinates));
  const int n = same ? npts : static_cast<int>(steps);
  const int last = std::min(n, model::kMaxOrdinates);
  if (static_cast<int>(q.size()) < last + 1) q.resize(static_cast<std::size_t>(last) + 1, 0.0f);
  for (int i = 1; i <= last; ++i) {
    if (same) {
      q[static_cast<std::size_t>(i)] += part[static_cast<std::size_t>(i)];
      continue;
    }
    const double pos = static_cast<double>(i - 1) * dt / partDt; // 0-based position in the part
    const int j = static_cast<int>(std::min(pos, static_cast<double>(npts - 1)));
    const double frac = pos - j;
    const float a = part[static_cast<std::size_t>(j + 1)];
    const float b = j + 2 <= npts ? part[static_cast<std::size_t>(j + 2)] : 0.0f;
    q[static_cast<std::size_t>(i)] += static_cast<float>(a + (b - a) * frac);
  }
}

namespace {

// What the parameter blocks resolved: the peak factors and the curves.
struct Resolved {
  float pkfp = 1.0f;
  StepCurve resCurve, comCurve;
  bool resIsCurve = false, comIsCurve = false;
};

void printInput(model::RunContext& ctx, const DwfWwfValues& v) {
  static const fortran::Format kNumeric(
      "(22('-'),/,'|',A20,'|',3X,'Total Area ',A7,'=',F9.2,/,'| ',I2.2,':',I6.6,' DT=',F5.2,' |',3X,"
      "'Population ',7X,'=',F9.0,/,22('-'))");
  static const fortran::Format kNamed(
      "(22('-'),/,'|',A20,'|',3X,'Total Area ',A7,'=',F9.2,/,'| ',I2.2,':',A6,' DT=',F5.2,' |',3X,"
      "'Population ',7X,'=',F9.0,/,22('-'))");
  const model::Units& u = ctx.units;
  const std::string title = padded("COMPUTE DWF+WWF", 20);
  const std::string& area = u.label(model::Quantity::Area);
  if (v.nhyd != 0) {
    run::put(*ctx.out.detailed, kNumeric, {title, area, v.area / u.out.area, v.id, v.nhyd, v.dtMinutes, v.pop});
  } else {
    run::put(*ctx.out.detailed, kNamed,
             {title, area, v.area / u.out.area, v.id, ctx.cmd.text(1, 6), v.dtMinutes, v.pop});
  }
}

// The checks before the simulation; false when one of them ended the command.
// NDAYS 0 becomes the days the storm covers, plus one.
bool checkValues(model::RunContext& ctx, DwfWwfValues& v) {
  bool failed = false;
  auto fail = [&](int number) {
    run::issue(ctx, number, run::Severity::Error);
    failed = true;
  };
  for (int number : timeStepProblems(v.dtMinutes)) fail(number);
  if (v.ndays < 0 || (v.ndays == 0 && ctx.storm.NSTEP == 0)) {
    fail(msg::kDwfDaysMissing);
  } else if (v.ndays == 0) {
    v.ndays = static_cast<int>(static_cast<float>(ctx.storm.NSTEP) * ctx.storm.SDT / 24.0f) + 1;
  }
  if (v.pop != 0.0f) {
    if (v.adfp == 0.0f) fail(msg::kDwfPopulationFactorZero);
    if (v.pkfp < 0.0f && decodeCurveCode(v.pkfp).kind != 1) fail(msg::kDwfPopulationPeakDigit);
  }
  if (v.comArea() != 0.0f) {
    if (v.adfa == 0.0f) fail(msg::kDwfCommercialFactorZero);
    if (v.pkfa < 0.0f && decodeCurveCode(v.pkfa).kind != 2) fail(msg::kDwfCommercialPeakDigit);
    if (v.xacom > 1.0f) fail(msg::kDwfCommercialFractionAboveOne);
  }
  if (v.gwArea() != 0.0f) {
    if (v.adfg == 0.0f) fail(msg::kDwfGroundwaterFactorZero);
    if (v.xagwf > 1.0f) fail(msg::kDwfGroundwaterFractionAboveOne);
  }
  return !failed;
}

// The curve a curve code selects, brought to the step; false (and the
// message issued) when it cannot be had.
bool resolveCurve(model::RunContext& ctx, float code, int badDigitMessage, float dtMinutes, StepCurve& out) {
  const int number = decodeCurveCode(code).curve;
  if (number < 1 || number > 5) return run::refuse(ctx, badDigitMessage);
  if (const DailyCurve* c = builtInCurve(number)) {
    out = resampleCurve(*c, dtMinutes);
    return true;
  }
  // Curves 4 and 5 are the user's own, laid on the calendar of the start date.
  if (ctx.time.startDate == 0) return run::refuse(ctx, msg::kDwfStartDateMissing);
  // A plain name: it lies in the project directory, as every side file does.
  const std::string path = run::completeFileName(ctx.dirs.project, kCurveFileName, run::NameLength::First12, ctx.out.workDir);
  const platform::TextFile file = platform::readTextFile(path);
  if (!file.ok()) {
    run::issue(ctx, msg::kDwfCurveFileUnusable, run::Severity::Error, run::Destination::Both, file.error);
    return false;
  }
  const CurveLookup found = findCurveInFile(file.lines, number);
  if (found.status == CurveLookup::Status::Malformed) {
    run::issue(ctx, msg::kDwfCurveFileUnusable, run::Severity::Error, run::Destination::Both,
               path + ": " + found.problem);
    return false;
  }
  if (found.status == CurveLookup::Status::Missing) {
    run::issue(ctx, msg::kDwfCurveNotInFile, run::Severity::Error, run::Destination::Both,
               path + ": no CURVE " + std::to_string(number));
    return false;
  }
  out = resampleCurve(found.curve, dtMinutes);
  return true;
}

// A daily flow per person or per area, from cfs back to the printed unit:
// litres per day (per hectare) or imperial gallons per day (per acre).
float dailyFlowOut(const model::Units& u, float cfs, bool perArea) {
  if (u.METOUT != 2) return cfs * kImpGallonsPerDayPerCfs;
  const float perDay = cfs / kCubicFeetPerCubicMetre * kLitresPerDayPerCms;
  return perArea ? perDay * model::kAcresPerHectare : perDay;
}

// The residential block; false when its curve code ended the command.
bool printResidential(model::RunContext& ctx, const DwfWwfValues& v, Resolved& r) {
  static const fortran::Format kHead("(4X,'---- Residential flow data ',38('-'))");
  static const fortran::Format kNone("(4X,'---- Residential flow data ',33('.'),'(N/A)')");
  static const fortran::Format kAdfMetric("(4X,'ADFp  = Average Daily Flow (population)',5X,'(l/cap/day)=',F9.0)");
  static const fortran::Format kAdfImperial("(4X,'ADFp  = Average Daily Flow (pop.)',6X,'(ImpGal/cap/day)=',F9.0)");
  static const fortran::Format kConst(
      "(4X,'PKFp  = Peak Flow Factor (HARMONs=',F5.2,'), user ','selected=',F9.3,' (const.)')");
  static const fortran::Format kCurve(
      "(4X,'PKFp  = Peak Flow Factor (HARMONs=',F5.2,'), user ','selected=',F9.0,' (curve #)')");
  static const fortran::Format kActual("(12X,'Actual Peak Flow Factor from variable DWF curve=',F9.3)");
  platform::LineSink& out = *ctx.out.detailed;
  if (v.pop == 0.0f) {
    run::put(out, kNone);
    return true;
  }
  run::put(out, kHead);
  run::put(out, ctx.units.METOUT == 2 ? kAdfMetric : kAdfImperial, {dailyFlowOut(ctx.units, v.adfp, false)});
  const float harmon = harmonFactor(v.pop);
  if (v.pkfp >= 0.0f) {
    r.pkfp = residentialPeakFactor(v.pkfp, v.pop);
    run::put(out, kConst, {harmon, r.pkfp});
    return true;
  }
  run::put(out, kCurve, {harmon, v.pkfp});
  if (!resolveCurve(ctx, v.pkfp, msg::kDwfPopulationCurveDigit, v.dtMinutes, r.resCurve)) return false;
  r.resIsCurve = true;
  run::put(out, kActual, {r.resCurve.peak()});
  return true;
}

// The commercial, industrial and institutional block; false when its curve
// code ended the command.
bool printCommercial(model::RunContext& ctx, const DwfWwfValues& v, Resolved& r) {
  static const fortran::Format kHead("(4X,'---- Com/Ind/Inst flow data ',37('-'))");
  static const fortran::Format kNone("(4X,'---- Com/Ind/Inst flow data ',32('.'),'(N/A)')");
  static const fortran::Format kArea("(4X,'XAcom =',F4.2,' (ratio of total area).  Com+Ind+Inst',A7,'=',F9.2)");
  static const fortran::Format kAdfMetric("(4X,'ADFa  = Average Daily Flow (com+ind+inst)    ','(l/ha/day)=',F9.0)");
  static const fortran::Format kAdfImperial("(4X,'ADFa  = Average Daily Flow (com+ind+inst)',' (IGal/ac/day)=',F9.0)");
  static const fortran::Format kConst(
      "(4X,'PKFa  = Peak Flow Factor for total Com+Ind+Inst area','   =',F9.3,' (const.)')");
  static const fortran::Format kCurve("(4X,'PKFa  = Peak Flow Factor for com+ind+inst area =',8X,F9.0,' (curve #)')");
  static const fortran::Format kActual("(12X,'Actual Peak Flow Factor from variable DWF curve=',F9.3)");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  if (v.comArea() == 0.0f) {
    run::put(out, kNone);
    return true;
  }
  run::put(out, kHead);
  run::put(out, kArea, {v.xacom, u.label(model::Quantity::Area), v.comArea() / u.out.area});
  run::put(out, u.METOUT == 2 ? kAdfMetric : kAdfImperial, {dailyFlowOut(u, v.adfa, true)});
  if (v.pkfa >= 0.0f) {
    run::put(out, kConst, {v.pkfa});
    return true;
  }
  run::put(out, kCurve, {v.pkfa});
  if (!resolveCurve(ctx, v.pkfa, msg::kDwfCommercialCurveDigit, v.dtMinutes, r.comCurve)) return false;
  r.comIsCurve = true;
  run::put(out, kActual, {r.comCurve.peak()});
  return true;
}

void printGroundwater(model::RunContext& ctx, const DwfWwfValues& v) {
  static const fortran::Format kHead("(4X,'---- Groundwater infiltration data ',30('-'))");
  static const fortran::Format kNone("(4X,'---- Groundwater infiltration data ',25('.'),'(N/A)')");
  static const fortran::Format kArea("(4X,'XAgwf =',F4.2,' (ratio of total), contributing area ',A7,'=',F9.2)");
  static const fortran::Format kAdfMetric("(4X,'ADFg  = Average Daily Flow (from groundwater)','(l/ha/day)=',F9.0)");
  static const fortran::Format kAdfImperial("(4X,'ADFg  = Average Daily Flow (from gwater)','(ImpGal/ac/day)=',F9.0)");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  if (v.gwArea() == 0.0f) {
    run::put(out, kNone);
    return;
  }
  run::put(out, kHead);
  run::put(out, kArea, {v.xagwf, u.label(model::Quantity::Area), v.gwArea() / u.out.area});
  run::put(out, u.METOUT == 2 ? kAdfMetric : kAdfImperial, {dailyFlowOut(u, v.adfg, true)});
}

// Time to peak of the slow-infiltration response, hours: a base time plus a
// time per unit of the total area as typed.
float slowTimeToPeak(const DwfWwfValues& v) { return v.kSlowBase + v.kSlowPerArea * v.areaTyped; }

void printWetWeather(model::RunContext& ctx, const DwfWwfValues& v) {
  static const fortran::Format kTitle("(2X,'WWF PARAMETERS:')");
  static const fortran::Format kDcon("(4X,'---- Direct connections ',41('-'))");
  static const fortran::Format kDconNone("(4X,'---- Direct connections ',36('.'),'(N/A)')");
  static const fortran::Format kDconArea("(4X,'C_DCON=',F4.3,' (ratio), total contributing area',4X,A7,'=',F9.2)");
  static const fortran::Format kAvglen("(4X,'AVGLEN= average length for direct connections',3X,A7,'=',F9.2)");
  static const fortran::Format kWeep("(4X,'---- Weeping tile connections ',35('-'))");
  static const fortran::Format kWeepNone("(4X,'---- Weeping tile connections ',30('.'),'(N/A)')");
  static const fortran::Format kWeepArea("(4X,'C_WEEP=',F4.3,' (ratio), total contributing area',4X,A7,'=',F9.2)");
  static const fortran::Format kWeepK("(4X,'K_WEEP= base response time for weeping tiles',6X,'(hrs)=',F9.2)");
  static const fortran::Format kSlow("(4X,'---- Slow infiltration ',42('-'))");
  static const fortran::Format kSlowNone("(4X,'---- Slow infiltration ',37('.'),'(N/A)')");
  static const fortran::Format kSlowArea("(4X,'C_SLOW=',F4.3,' (ratio), total contributing area',4X,A7,'=',F9.2)");
  static const fortran::Format kSlowK("(4X,'K_SLWi=',F5.1,' (hrs), K_SLWii=',F5.4,' (hrs/TArea),  Tp(hrs)=',F9.2)");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  const float a = v.area / u.out.area;
  run::put(out, kTitle);
  if (v.cDcon != 0.0f) {
    run::put(out, kDcon);
    run::put(out, kDconArea, {v.cDcon, u.label(model::Quantity::Area), a * v.cDcon});
    run::put(out, kAvglen, {u.label(model::Quantity::Length), v.avglen / u.out.length});
  } else {
    run::put(out, kDconNone);
  }
  if (v.cWeep != 0.0f) {
    run::put(out, kWeep);
    run::put(out, kWeepArea, {v.cWeep, u.label(model::Quantity::Area), a * v.cWeep});
    run::put(out, kWeepK, {v.kWeep});
  } else {
    run::put(out, kWeepNone);
  }
  if (v.cSlow != 0.0f) {
    run::put(out, kSlow);
    run::put(out, kSlowArea, {v.cSlow, u.label(model::Quantity::Area), a * v.cSlow});
    run::put(out, kSlowK, {v.kSlowBase, v.kSlowPerArea, slowTimeToPeak(v)});
  } else {
    run::put(out, kSlowNone);
  }
}

bool printDryWeather(model::RunContext& ctx, const DwfWwfValues& v, Resolved& r) {
  static const fortran::Format kTitle("(2X,'DWF PARAMETERS:')");
  run::put(*ctx.out.detailed, kTitle);
  if (!printResidential(ctx, v, r) || !printCommercial(ctx, v, r)) return false;
  printGroundwater(ctx, v);
  return true;
}

DryWeatherInput dryWeatherInput(const model::RunContext& ctx, const DwfWwfValues& v, const Resolved& r) {
  DryWeatherInput in;
  in.dtMinutes = v.dtMinutes;
  in.ndays = v.ndays;
  in.tzero = ctx.time.TZERO;
  in.startDay = ctx.time.startDate != 0 ? model::gregorian::dayOfWeek(ctx.time.startDate) : 0;
  // A population below 0 has no sewage; it is not turned into negative flows.
  const bool people = v.pop > 0.0f;
  if (people && !r.resIsCurve) in.residential = v.pop * v.adfp * r.pkfp;
  if (people && r.resIsCurve) {
    in.resCurve = &r.resCurve;
    in.resScale = v.pop * v.adfp;
  }
  if (r.comIsCurve) {
    in.comCurve = &r.comCurve;
    in.comScale = v.adfa * v.comArea();
  } else if (v.comArea() != 0.0f) {
    in.commercial = v.pkfa * v.adfa * v.comArea();
  }
  in.groundwater = v.adfg * v.gwArea() * v.gwFactor;
  return in;
}

// The rules both stored hydrographs follow: the earliest of equal highest
// ordinates is the peak, the volume is summed from the start and is a depth
// only over a positive area.
hydrograph::Produced produced(int nhyd, std::vector<float> q, const DwfWwfValues& v) {
  hydrograph::Produced p;
  p.nhyd = nhyd;
  p.q = std::move(q);
  p.dt = v.dtMinutes / 60.0f;
  p.da = v.area;
  p.peak = hydrograph::PeakRule::First;
  p.sum = hydrograph::SumOrder::FromStart;
  p.area = hydrograph::AreaRule::Positive;
  return p;
}

// Slot 0 becomes the "DWF" hydrograph, its summary line written at once.
void storeDryWeather(model::RunContext& ctx, const DwfWwfValues& v, const DryWeatherFlow& f) {
  hydrograph::storeProduced(ctx, 0, produced(0, f.q, v));
  ctx.store[0].HYDNAME = padded("DWF", 10);
  run::setMarker(ctx);
  hydrograph::reportProduced(ctx, 0, hydrograph::Source::Other, hydrograph::AutoFile::Skip);
}

// The wet-weather flow on the time grid of the dry-weather flow.
struct WetWeather {
  std::vector<float> q = std::vector<float>(1, 0.0f); // q[1..], cfs
  float peak = 0.0f;
  float sum = 0.0f;
};

// A wet-weather part: ordinates q[1..npts] cfs at its own step dt; none when
// the part stopped on a message of its own.
struct WetPart {
  std::vector<float> q = std::vector<float>(1, 0.0f);
  int npts = 0;
  float dt = 0.0f;
};

// Direct connections as the directly connected impervious part and weeping
// tiles as the pervious part of an urban catchment of twice the area, half of
// it impervious, with proportional losses: C_DCON and C_WEEP are the
// coefficients (C_DCON also the directly connected share). The surfaces: 1%
// slopes; 40 ft of pervious length with n 0.25 and K_WEEP as its storage
// coefficient; AVGLEN of impervious length with n 0.013 and 0.8 of depression
// storage (input depth unit); recovery 6 and 2 hours, 12 hours between events.
StandhydValues urbanPartValues(const DwfWwfValues& v, const model::Factors& in) {
  StandhydValues s;
  s.dtTyped = v.dtMinutes;
  s.area = 2.0f * v.areaTyped * in.area;
  // Above 1 a share is typed in percent.
  s.ximp = v.cDcon > 1.0f ? v.cDcon / 100.0f : v.cDcon;
  s.timp = 0.5f;
  s.loss = static_cast<int>(PerviousLoss::Proportional);
  s.cper = v.cWeep;
  s.cimp = v.cDcon == 0.0f ? 0.000001f : v.cDcon;
  s.per = Surface{0.0f, 1.0f, 40.0f * in.length, 0.25f, v.kWeep * 60.0f / 60.0f, 6.0f};
  s.imp = Surface{0.8f / in.depth, 1.0f, v.avglenTyped * in.length, 0.013f, 0.0f, 2.0f};
  s.interEventTime = 12.0f;
  return s;
}

// Slow infiltration: a Nash cascade of three reservoirs over the whole area
// with C_SLOW as the runoff coefficient and the part's time to peak.
NashydValues slowPartValues(const DwfWwfValues& v, const model::Factors& in) {
  NashydValues s;
  s.dtTyped = v.dtMinutes;
  s.area = v.areaTyped * in.area;
  s.cn = -v.cSlow;
  s.n = 3.0f;
  s.tp = slowTimeToPeak(v);
  s.gwOption = -1.0f;
  return s;
}

// The current storm brought to a part's step (never 0: the command's step is
// at least a minute); false, with the part's message `noRain`, when the storm
// has no step at it.
bool partRainfall(model::RunContext& ctx, TimeStep& step, int& nrain, int noRain) {
  bringStormToStep(ctx, step, nrain, true);
  if (nrain == 0) return run::refuse(ctx, noRain);
  nrain = std::min(nrain, model::kMaxRainSteps);
  return true;
}

WetPart urbanPart(model::RunContext& ctx, const DwfWwfValues& dv) {
  StandhydValues v = urbanPartValues(dv, ctx.units.in);
  TimeStep step = readTimeStep(v.dtTyped, ctx.storm.SDT);
  const StandhydAccepted accepted = acceptStandhydValues(ctx, true, v, step.dt);
  if (!accepted.ok) return {};
  int nrain = countRainSteps(0, ctx.storm, step.dt).nrain;
  if (!partRainfall(ctx, step, nrain, msg::kStandhydNoRainfallSteps)) return {};
  StandhydResult r =
      computeStandhydRunoff(v, stormRain(ctx.storm, nrain, step.dt), &ctx.api, ctx.storm.PTOT, ctx.time.TZERO);
  if (r.flatSurface) {
    run::issue(ctx, msg::kSurfaceSlopeNotPositive, run::Severity::Error);
    return {};
  }
  recordStandhydBalance(ctx, v, r, 0.0); // the part carries no baseflow
  // The part counts even when XIMP had to be brought down to TIMP; the error
  // then ends the run after the command.
  if (accepted.ximpCorrected) run::issue(ctx, msg::kStandhydXimpAboveTimp, run::Severity::Error);
  WetPart p;
  p.npts = static_cast<int>(r.q.size()) - 1;
  p.q = std::move(r.q);
  p.dt = step.dt;
  return p;
}

WetPart slowPart(model::RunContext& ctx, const DwfWwfValues& dv) {
  NashydValues v = slowPartValues(dv, ctx.units.in);
  if (!acceptNashydValues(ctx, true, v)) return {};
  TimeStep step = readTimeStep(v.dtTyped, ctx.storm.SDT);
  int nrain = countRainSteps(0, ctx.storm, step.dt).nrain;
  if (!partRainfall(ctx, step, nrain, msg::kNashydNoRainfallSteps)) return {};
  const RainSeries rain = stormRain(ctx.storm, nrain, step.dt);
  NashydResult r = computeNashydRunoff(v, rain, &ctx.api);
  hydrograph::noteTrimmedTail(ctx, r.q, r.npts);
  recordRuralBalance(ctx, rain, r.excess, r.groundwater, r.loss, 0.0f, v.area, 0.0);
  WetPart p;
  p.npts = r.npts;
  p.q = std::move(r.q);
  p.dt = step.dt;
  return p;
}

WetWeather computeWetWeather(model::RunContext& ctx, const DwfWwfValues& v) {
  WetWeather w;
  const float dt = v.dtMinutes / 60.0f;
  if (v.cDcon != 0.0f || v.cWeep != 0.0f) {
    const WetPart p = urbanPart(ctx, v);
    addOnGrid(w.q, p.q, p.npts, p.dt, dt);
  }
  if (v.cSlow != 0.0f) {
    const WetPart p = slowPart(ctx, v);
    addOnGrid(w.q, p.q, p.npts, p.dt, dt);
  }
  for (std::size_t i = 1; i < w.q.size(); ++i) {
    w.sum += w.q[i];
    w.peak = std::max(w.peak, w.q[i]);
  }
  return w;
}

// Slot ID: the dry-weather flow plus the wet-weather flow, as long as the
// longer of the two, with its peak, time of peak and volume.
hydrograph::Totals storeTotal(model::RunContext& ctx, const DwfWwfValues& v, const DryWeatherFlow& f,
                              const WetWeather& w) {
  const int n = std::min(model::kMaxOrdinates, std::max(f.npts, static_cast<int>(w.q.size()) - 1));
  std::vector<float> q = f.q;
  q.resize(static_cast<std::size_t>(n) + 1, 0.0f);
  for (std::size_t i = 1; i < w.q.size() && i < q.size(); ++i) q[i] += w.q[i];
  return hydrograph::storeProduced(ctx, v.id, produced(v.nhyd, std::move(q), v));
}

void printResults(model::RunContext& ctx, const DwfWwfValues& v, const DryWeatherFlow& f, const WetWeather& w,
                  const hydrograph::Totals& total) {
  static const fortran::Format kHead("(/,2X,'SIMULATION RESULTS OVER ',I4,' DAYS (',I6,' HOURS):')");
  static const fortran::Format kDwfPeak("(4X,'Peak DryWeatherFlow (DWF) [includes GWI]',6X,A7,'=',F9.3)");
  static const fortran::Format kWwfPeak("(4X,'Peak WetWeatherFlow (WWF) [DCON + WEEP + SLOW]',A7,'=',F9.3)");
  static const fortran::Format kPeak("(4X,'Total Peak Flow (DWF + WWF)',19X,A7,'=',F9.3)");
  static const fortran::Format kPeakDate("(4X,'Total Peak Flow occured on',12X,'(yyyy.mmdd_hrs)=',A15)");
  static const fortran::Format kRatio("(4X,'Ratio of Total Peak Flow to Average Total Peak DWF',3X,'=',F9.3)");
  static const fortran::Format kAverage("(4X,'Average flow during simulated period',10X,A7,'=',F9.3)");
  static const fortran::Format kWetVolume("(4X,'Volume of rainfall induced flow',15X,A7,'=',F9.3)");
  static const fortran::Format kTotalVolume("(4X,'Total flow volume simulated',19X,A7,'=',F9.3)");
  static const fortran::Format kRainVolume("(4X,'Total rainfall volume',25X,A7,'=',F9.3)");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  const model::Hydrograph& h = ctx.store[v.id];
  const float fl = u.out.flow;
  run::put(out, kHead, {v.ndays, v.ndays * 24});
  // Populations and unit flows whose product overflows single precision give
  // a dry-weather flow beyond it (the total's producer ends the run on
  // message 913): its peak prints as asterisks.
  using run::starredIfNotFinite;
  run::put(out, kDwfPeak, {u.label(model::Quantity::Flow), starredIfNotFinite(f.peak / fl)});
  run::put(out, kWwfPeak, {u.label(model::Quantity::Flow), starredIfNotFinite(w.peak / fl)});
  run::put(out, kPeak, {u.label(model::Quantity::Flow), h.QPEAK / fl});
  run::put(out, kPeakDate, {run::dateLabel(ctx.storm.stormDate, h.TPEAK)});
  // A ratio beyond single precision (a dry-weather peak next to nothing) is
  // printed as a value that does not fit its field.
  const float ratio = f.peak > 0.0f ? h.QPEAK / f.peak : 0.0f;
  if (f.peak > 0.0f) run::put(out, kRatio, {std::isfinite(ratio) ? ratio : std::numeric_limits<float>::max()});
  const float average = total.npts > 0 ? total.sum / static_cast<float>(total.npts) : 0.0f;
  run::put(out, kAverage, {u.label(model::Quantity::Flow), starredIfNotFinite(average / fl)});
  // Volumes in acre-feet (hectare-metres): flows summed over the step, and the
  // storm's depth over the total area. Total = dry-weather + rainfall-induced.
  const float dt = v.dtMinutes / 60.0f;
  const float perVolume = u.out.of(model::Quantity::Volume);
  const float toOut = 1.0f / (model::kCfsHoursPerAcreInch * kInchesPerFoot * perVolume);
  const float dry = f.sum * dt * toOut, wet = w.sum * dt * toOut;
  // A storm whose step is near the top of single precision overflows its
  // wet-weather flows (the total's producer ends the run on message 913):
  // their volumes print as asterisks.
  run::put(out, kWetVolume, {u.label(model::Quantity::Volume), starredIfNotFinite(wet)});
  run::put(out, kTotalVolume, {u.label(model::Quantity::Volume), starredIfNotFinite(dry + wet)});
  run::put(out, kRainVolume,
           {u.label(model::Quantity::Volume),
            starredIfNotFinite(ctx.storm.PTOT * v.area / (kInchesPerFoot * perVolume))});
}

} // namespace

void computeDwfWwf(model::RunContext& ctx) {
  DwfWwfValues v = readDwfWwfValues(ctx.cmd, ctx.units, ctx.storm.SDT);
  if (!hydrograph::checkSlot(ctx, v.id)) return;
  printInput(ctx, v);
  if (!checkValues(ctx, v)) return;
  Resolved r;
  if (!printDryWeather(ctx, v, r)) return;
  printWetWeather(ctx, v);
  const DryWeatherFlow dwf = computeDryWeatherFlow(dryWeatherInput(ctx, v, r));
  if (dwf.cut) run::warn(ctx, msg::kDwfDaysCut);
  storeDryWeather(ctx, v, dwf);
  // The sewered area's own flow comes from outside the store; the rainfall of
  // the wet-weather part is counted by the runoff computations it runs.
  run::ledgerInflow(ctx, static_cast<double>(dwf.sum) * (v.dtMinutes / 60.0f) * run::kSecondsPerHour);
  const WetWeather wet = computeWetWeather(ctx, v);
  const hydrograph::Totals total = storeTotal(ctx, v, dwf, wet);
  printResults(ctx, v, dwf, wet, total);
  // The storm the wet-weather flow came from (the one in force, a recorded
  // storm as well as a design storm): its figures and results name it, not
  // the storm an earlier runoff command used.
  hydrograph::recordStorm(ctx);
  run::setMarker(ctx);
  hydrograph::reportProduced(ctx, v.id, hydrograph::Source::Other);
}

} // namespace runoff
