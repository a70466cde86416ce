// SHIFT HYD: copies a hydrograph into another slot, delayed by whole time
// steps: the first ordinates of the output are zero and the input follows.
#include "hydrograph/shift_hyd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/water_balance.h"

namespace hydrograph {

namespace {

using model::Quantity;

using fortran::padded;

// Whole time steps in `lag`, by truncation, within the ordinate limit. A
// hydrograph without a positive step cannot be moved by steps.
int wholeSteps(float lag, float dt) {
  if (!(dt > 0.0f) || !(lag > 0.0f)) return 0;
  const float steps = lag / dt;
  return steps >= static_cast<float>(model::kMaxOrdinates) ? model::kMaxOrdinates : static_cast<int>(steps);
}

// The detailed output of SHIFT HYD.
struct ShiftHydPrinter {
  model::RunContext& ctx;

  void heading(const ShiftHydValues& v, const std::string& name) const {
    static const fortran::Format kRule("(20('-'))");
    static const fortran::Format kNumeric("('| SHIFT HYD(',I10.1,')|')");
    static const fortran::Format kNamed("('| SHIFT HYD(',A10,')|')");
    static const fortran::Format kSlots("('| IN=',I2,'---> OUT=',I2,'     |')");
    static const fortran::Format kShift("('| SHIFT=',F6.1,' min     |',6X,' AREA     QPEAK      TPEAK      R.V.')");
    static const fortran::Format kUnits("('------------------------',4X,A7,3X,A7,6X,'(hrs)   ',A7)");
    platform::LineSink& out = *ctx.out.detailed;
    const model::Units& u = ctx.units;
    run::put(out, kRule);
    if (v.nhyd != 0) {
      run::put(out, kNumeric, {v.nhyd});
    } else {
      run::put(out, kNamed, {padded(name, 10)});
    }
    run::put(out, kSlots, {v.idIn, v.idOut});
    run::put(out, kShift, {v.lag * model::kMinutesPerHour});
    run::put(out, kUnits, {u.label(Quantity::Area), u.label(Quantity::Flow), u.label(Quantity::Depth)});
  }

  // The input and output lines; `in` and `out` carry their own references.
  void lines(int idIn, const model::Hydrograph& in, int idOut, const model::Hydrograph& out) const {
    static const fortran::Format kInNumeric("(10X,'ID=',I2,':',I10.1,2X,F9.2,1X,F9.3,2X,F9.3,2X,F8.3)");
    static const fortran::Format kInNamed("(8X,'ID=',I2,':',A10,2X,F9.2,1X,F9.3,2X,F9.3,2X,F8.3)");
    static const fortran::Format kOutNumeric("(4X,'SHIFT ID=',I2,':',I10.1,2X,F9.2,1X,F9.3,2X,F9.3,2X,F8.3)");
    static const fortran::Format kOutNamed("(2X,'SHIFT ID=',I2,':',A10,2X,F9.2,1X,F9.3,2X,F9.3,2X,F8.3)");
    static const fortran::Format kBlank("(' ')");
    const model::Factors& f = ctx.units.out;
    platform::LineSink& sink = *ctx.out.detailed;
    auto line = [&](const fortran::Format& numeric, const fortran::Format& named, int id, const model::Hydrograph& h) {
      if (h.NHYD != 0) {
        run::put(sink, numeric, {id, h.NHYD, h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth});
      } else {
        run::put(sink, named, {id, padded(h.HYDNAME, 10), h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth});
      }
    };
    line(kInNumeric, kInNamed, idIn, in);
    line(kOutNumeric, kOutNamed, idOut, out);
    run::put(sink, kBlank);
  }

  void raisedWarning(float dt) const {
    static const fortran::Format kRaised("('*** WARNING: HYDROGRAPH WAS SHIFTED BY ',F5.1,' MIN.')");
    run::put(*ctx.out.detailed, kRaised, {dt * model::kMinutesPerHour});
  }

  void blank() const {
    static const fortran::Format kBlank("(' ')");
    run::put(*ctx.out.detailed, kBlank);
  }
};

// The summary label of the output: " [LAG=", the lag in minutes, " min]<-".
std::string lagLabel(float lag) {
  static const fortran::Format kLag("(F5.1)");
  return " [LAG=" + kLag.format({lag * model::kMinutesPerHour})[0] + " min]<-";
}

// Stores the shifted ordinates through the producer path. The peak, its time
// and the volume are the input's, the time moved by the whole steps: copied,
// not rescanned, so equal peaks and the volume's rounding stay the input's.
void storeShifted(model::RunContext& ctx, const ShiftHydValues& v, const model::Hydrograph& out) {
  Produced p;
  p.nhyd = v.nhyd;
  p.q = out.Q;
  p.dt = out.DT;
  p.da = out.DA;
  p.base = out.BASE;
  storeProduced(ctx, v.idOut, std::move(p));
  model::Hydrograph& slot = ctx.store[v.idOut];
  slot.QPEAK = out.QPEAK;
  slot.TPEAK = out.TPEAK;
  slot.RV = out.RV;
}

// The detail of the cut: how many ordinates and the volume they held, in
// cubic units of the output and, over a catchment area, as a depth.
std::string cutDetail(const model::RunContext& ctx, const ShiftHydResult& r) {
  const model::Factors& f = ctx.units.out;
  const bool metric = ctx.units.METOUT != 1;
  const double cubicFeet = r.cutFlow * static_cast<double>(r.out.DT) * 3600.0;
  char text[120];
  int n = std::snprintf(text, sizeof text, "%d ordinates, %.6g %s", r.cutOrdinates, cubicFeet / f.flow,
                        metric ? "cu.m" : "cu.ft");
  if (r.out.DA != 0.0f && n > 0 && n < static_cast<int>(sizeof text)) {
    const double inches = r.cutFlow * r.out.DT / (static_cast<double>(r.out.DA) * model::kCfsHoursPerAcreInch);
    std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), " (%.3f %s)", inches * f.depth,
                  metric ? "mm" : "in");
  }
  return text;
}

} // namespace

ShiftHydValues readShiftHydValues(const model::CommandValues& cmd) {
  ShiftHydValues v;
  v.idOut = cmd.intParam(1);
  v.nhyd = cmd.intParam(2);
  v.idIn = cmd.intParam(3);
  v.lag = cmd.PARAM[4];
  if (v.lag >= 1.0f) v.lag = v.lag / model::kMinutesPerHour;
  return v;
}

ShiftHydResult computeShiftHyd(const model::Hydrograph& in, float lag, double tzero) {
  ShiftHydResult r;
  const float dt = in.DT;
  r.lag = lag;
  if (lag < dt && 2.0f * lag < dt) {
    r.shortLag = ShortLag::Dropped;
    r.lag = 0.0f;
  } else if (lag < dt) {
    r.shortLag = ShortLag::RaisedToOneStep;
    r.lag = dt;
  }
  r.steps = wholeSteps(r.lag, dt);

  model::Hydrograph& out = r.out;
  out.DT = dt;
  out.QPEAK = in.QPEAK;
  out.DA = in.DA;
  out.RV = in.RV;
  out.BASE = in.BASE;
  out.NPTS = std::min(in.NPTS + r.steps, model::kMaxOrdinates);
  out.resize(out.NPTS);
  for (int i = 1; i <= out.NPTS - r.steps && static_cast<std::size_t>(i) < in.Q.size(); ++i) {
    out.Q[static_cast<std::size_t>(r.steps + i)] = in.Q[static_cast<std::size_t>(i)];
  }
  out.TPEAK = dt * static_cast<float>(r.steps) + in.TPEAK;

  // Ordinates moved past the limit are lost: the peak and the volume are then
  // those of what is left, not the input's.
  const int inPoints = std::min(in.NPTS, static_cast<int>(in.Q.size()) - 1);
  const int kept = std::clamp(out.NPTS - r.steps, 0, std::max(inPoints, 0));
  r.cutOrdinates = std::max(inPoints - kept, 0);
  for (int i = kept + 1; i <= inPoints; ++i) r.cutFlow += in.Q[static_cast<std::size_t>(i)];
  if (r.cutOrdinates > 0) {
    const Totals t = totals(out.Q, out.NPTS, dt, out.DA, PeakRule::First, SumOrder::FromStart, AreaRule::NonZero);
    out.RV = t.rv;
    // The input's peak stays where its ordinate was kept (of equal highest
    // ordinates the input's rule chose one); else the highest one left.
    const double at = std::round((static_cast<double>(out.TPEAK) - tzero) / dt) + 1.0;
    const bool peakKept = at >= 1.0 && at <= static_cast<double>(out.NPTS) &&
                          out.Q[static_cast<std::size_t>(at)] == in.QPEAK && in.QPEAK > 0.0f;
    if (!peakKept) {
      out.QPEAK = t.qpeak;
      out.TPEAK = static_cast<float>(static_cast<double>(t.peakTime) + tzero);
    }
  }
  return r;
}

void shiftHyd(model::RunContext& ctx) {
  ctx.run.label = "SHIFT HYD";
  const ShiftHydValues v = readShiftHydValues(ctx.cmd);
  if (!checkSlot(ctx, v.idOut) || !checkSlot(ctx, v.idIn)) return;
  const ShiftHydPrinter print{ctx};
  print.heading(v, ctx.cmd.text(1, 10));

  // The input is read whole before the output is stored, so an output slot
  // that is also the input is shifted as a distinct slot would be.
  const model::Hydrograph in = ctx.store[v.idIn];
  ShiftHydResult r = computeShiftHyd(in, v.lag, ctx.time.TZERO);
  r.out.NHYD = v.nhyd;
  r.out.HYDNAME = v.nhyd == 0 ? ctx.cmd.text(1, 10) : ctx.store[v.idOut].HYDNAME;
  print.lines(v.idIn, in, v.idOut, r.out);
  if (r.cutOrdinates > 0) {
    run::warn(ctx, msg::kShiftedOrdinatesCut, run::Destination::Both, cutDetail(ctx, r));
    run::ledgerReason(ctx, "shifted past the last ordinate: cut at the maximum number of ordinates");
  }

  // The command's line carries the mark of the warning on its lag; the
  // output's line follows unmarked.
  ctx.run.label = "SHIFT HYD       ->";
  if (r.shortLag != ShortLag::None || r.cutOrdinates > 0) {
    ctx.run.severity = std::max(ctx.run.severity, run::Severity::Warning);
  }
  reportProduced(ctx, v.idIn, Source::Other, AutoFile::Skip);
  run::markNext(ctx, run::Severity::Note);
  storeShifted(ctx, v, r.out);
  ctx.run.label = lagLabel(r.lag);
  reportProduced(ctx, v.idOut, Source::Other);

  if (r.shortLag == ShortLag::Dropped) run::issue(ctx, msg::kHydrographNotShifted, run::Severity::Warning);
  if (r.shortLag == ShortLag::RaisedToOneStep) print.raisedWarning(r.out.DT);
  if (r.shortLag != ShortLag::None) {
    print.blank();
    run::markNext(ctx, run::Severity::Warning);
  }
  if (r.cutOrdinates > 0) ctx.run.severity = std::max(ctx.run.severity, run::Severity::Warning);
}

} // namespace hydrograph
