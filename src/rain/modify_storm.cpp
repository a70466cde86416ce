// MODIFY STORM: scales the storm by a factor and shifts it by whole steps.
#include "rain/modify_storm.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "model/limits.h"
#include "rain/hyetograph.h"
#include "rain/read_storm.h"
#include "run/messages.h"
#include "run/output.h"

namespace rain {

namespace {

// A factor XL^XM of typed values or a shift of a huge step may go beyond
// single precision: it prints as asterisks (run::starredIfNotFinite).
using run::starredIfNotFinite;

// The scaled storm as metric outputs print it, in millimetres.
bool finiteStorm(const ShiftResult& r) {
  auto printable = [](float v) { return std::isfinite(v * model::kMmPerInch); };
  return printable(r.ptot) && std::all_of(r.rain.begin(), r.rain.end(), printable);
}

} // namespace

ShiftResult shiftStorm(const std::vector<float>& rain, int nstep, float sdt, int nshift, float rfact) {
  ShiftResult r;
  const int target = nstep + nshift;
  r.cut = target > model::kMaxRainSteps;
  r.steps = std::min(target, model::kMaxRainSteps);
  r.rain.assign(static_cast<std::size_t>(std::max(nstep, r.steps)) + 1, 0.0f);
  auto old = [&](int i) { return i >= 1 && i <= nstep ? rain[i] : 0.0f; };
  // The total is accumulated in the order the steps are built: from the last
  // step down for a later start, from the first up for an earlier one.
  if (nshift >= 1) {
    for (int i = r.steps; i >= 1; --i) {
      r.rain[i] = (i - nshift < 1 ? 0.0f : old(i - nshift)) * rfact;
      r.ptot += r.rain[i] * sdt;
    }
  } else {
    const int back = -nshift;
    for (int i = 1; i <= nstep; ++i) {
      r.rain[i] = (i + back > nstep ? 0.0f : old(i + back)) * rfact;
      r.ptot += r.rain[i] * sdt;
    }
  }
  return r;
}

void modifyStorm(model::RunContext& ctx) {
  static const fortran::Format kBox1(
      "(22('-'),/,'|',A20,'|',4X,'MODIFYING PARAMETERS:',/,'| ICASEms=',I2,9X,'|',4X,'Multiplication Factor,   "
      "RFACT=',F6.2,/,'| NSHIFT =',I3,' x SDT  |',4X,'Corresponding time shift (min)=',F7.2,/,22('-'))");
  static const fortran::Format kBox2(
      "(22('-'),/,'|',A20,'|',4X,'MODIFYING PARAMETERS:',/,'| ICASEms=',I2,9X,'|',4X,'Multiplication Factor,  "
      "RFACT=',F6.2,/,'| RFACT  = XK * XL^XM|',4X,'XK=',F6.2,', XL=',F6.2,', XM=',F6.2,/,'| NSHIFT =',I3,' x SDT  "
      "|',4X,'Corresponding time shift (min)=',F7.2,/,22('-'))");
  static const fortran::Format kShift("(6X,'[RFACT=',F6.2,':TSHIFT=',F7.2,' min]')");
  static const fortran::Format kVolume("(26X,'New rainfall volume =',F7.2,A7,/)");

  ctx.run.label = "MODIFY STORM";
  const model::CommandValues& cmd = ctx.cmd;
  const int icase = cmd.intParam(1);
  const int nshift = cmd.intParam(2);
  const float xk = cmd.PARAM[3], xl = cmd.PARAM[4], xm = cmd.PARAM[5];
  const float rfact = icase == 2 ? xk * std::pow(xl, xm) : xk;
  model::Storm& s = ctx.storm;
  const float shiftMinutes = static_cast<float>(nshift) * s.SDT * 60.0f;

  std::string name = "MODIFY STORM";
  name.resize(20, ' ');
  platform::LineSink& out = *ctx.out.detailed;
  if (icase == 2) {
    run::put(out, kBox2, {name, icase, starredIfNotFinite(rfact), xk, xl, xm, nshift, starredIfNotFinite(shiftMinutes)});
  } else {
    run::put(out, kBox1, {name, icase, rfact, nshift, starredIfNotFinite(shiftMinutes)});
  }
  writeCommandLine(ctx, "MODIFY STORM", true);
  run::put({&ctx.platform.summaryWindow, ctx.out.summary}, kShift, {starredIfNotFinite(rfact), starredIfNotFinite(shiftMinutes)});

  bool rejected = false;
  if (icase != 1 && icase != 2) {
    run::issue(ctx, msg::kModifyStormBadCase, run::Severity::Error);
    rejected = true;
  }
  if (!std::isfinite(rfact)) {
    run::issue(ctx, msg::kModifiedStormOverflow, run::Severity::Error);
    rejected = true;
  } else if (rfact == 0.0f) {
    run::issue(ctx, msg::kModifyStormRainEliminated, run::Severity::Error);
    rejected = true;
  }
  // Any shift past twice the step limit moves every step out just the same;
  // bounded, the sums below cannot overflow.
  const int shift = std::clamp(nshift, -2 * model::kMaxRainSteps, 2 * model::kMaxRainSteps);
  if (s.NSTEP + shift < 1) {
    run::issue(ctx, msg::kModifyStormShiftTooLarge, run::Severity::Error);
    rejected = true;
  }
  if (rejected) {
    writeStormLine(ctx);
    return;
  }
  if (s.NSTEP + shift > model::kMaxRainSteps)
    run::issue(ctx, msg::kModifyStormShiftMayLoseRain, run::Severity::Warning);

  ShiftResult r = shiftStorm(s.RAIN, s.NSTEP, s.SDT, shift, rfact);
  if (!finiteStorm(r)) {
    run::issue(ctx, msg::kModifiedStormOverflow, run::Severity::Error);
    writeStormLine(ctx);
    return;
  }
  const int written = std::max(s.NSTEP, r.steps);
  reserveStorm(s, written);
  std::copy_n(r.rain.begin() + 1, written, s.RAIN.begin() + 1);
  std::copy_n(r.rain.begin() + 1, written, s.work.begin() + 1);
  s.PTOT = r.ptot;
  run::put(out, kVolume, {s.PTOT * ctx.units.out.depth, ctx.units.label(model::Quantity::Depth)});
  s.NSTEP = r.steps;
  s.workSteps = r.steps;
  s.workDT = s.SDT;
  printTransformedHyetograph(ctx);
  writeStormLine(ctx);
}

} // namespace rain
