// MODIFY STORM and the storm time-step change. MODIFY STORM scales the storm by
// a factor and shifts it by whole steps; the time-step change brings the storm
// to a runoff command's hydrograph step in the working copy only.
#include "rain/modify_storm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "model/limits.h"
#include "rain/hyetograph.h"
#include "rain/read_storm.h"
#include "run/messages.h"
#include "run/output.h"

namespace rain {

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

StepChange computeStepChange(const std::vector<float>& rain, int nstep, float sdt, float dt) {
  StepChange c;
  // The step becomes a whole multiple or a whole divisor of the storm's step.
  if (sdt > dt) {
    c.k = model::truncatedInt(sdt / dt + 0.1f);
    c.dt = sdt / static_cast<float>(c.k);
  } else {
    c.k = model::truncatedInt(dt / sdt + 0.1f);
    c.dt = sdt * static_cast<float>(c.k);
  }
  int n = model::truncatedInt(sdt / c.dt * static_cast<float>(nstep) + 0.55f);
  c.requestedSteps = n;
  if (n > model::kMaxRainSteps) {
    c.cut = true;
    n = model::kMaxRainSteps;
  }
  c.steps = n;
  c.work.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  auto old = [&](int i) { return i >= 1 && i <= nstep ? rain[i] : 0.0f; };
  if (sdt < c.dt) {
    // Coarser: each working step is the mean of k storm steps (a short last
    // group counts its missing steps as 0).
    for (int j = 1; j <= n; ++j) {
      float sum = 0.0f;
      for (int m = 1; m <= c.k; ++m) sum += old((j - 1) * c.k + m);
      c.work[j] = sum / static_cast<float>(c.k);
    }
  } else {
    // Finer or equal: each storm step is repeated k times.
    for (int i = 1; i <= n; ++i) c.work[i] = old((i - 1) / c.k + 1);
  }
  float sum = 0.0f;
  for (int i = 1; i <= n; ++i) sum += c.work[i];
  c.ptot = sum * c.dt;
  return c;
}

namespace {

// The working copy as a four-column table. The row count comes from the
// storm's NSTEP; when the working copy has more steps than four columns of
// that many rows can show, the rows are counted from the working steps so
// that no step is left out.
void printTransformed(model::RunContext& ctx) {
  static const fortran::Format kTitle("(T32,'---- TRANSFORMED HYETOGRAPH ----')");
  static const fortran::Format kHead("(T16,'  TIME    RAIN |  TIME    RAIN |','  TIME    RAIN |  TIME    RAIN')");
  static const fortran::Format kUnitsIn("(T16,'   hrs   in/hr |   hrs   in/hr |','   hrs   in/hr |   hrs   in/hr')");
  static const fortran::Format kUnitsMm("(T16,'   hrs   mm/hr |   hrs   mm/hr |','   hrs   mm/hr |   hrs   mm/hr')");
  static const fortran::Format kRow("(T16,3(F7.2,1X,F6.2,' |'),F7.2,1X,F6.2)");
  static const fortran::Format kBlank("(' ')");

  platform::LineSink& out = *ctx.out.detailed;
  const model::Storm& s = ctx.storm;
  const float factor = ctx.units.out.depth;
  const int n = s.workSteps;
  // The rows follow the storm's own step count; a finer working step has more
  // steps than those rows hold, and they take the rows the working copy needs
  // so that no step drops out of the printout.
  int rows = hyetographRows(s.NSTEP);
  if (4 * rows < n) rows = hyetographRows(n);

  run::put(out, kTitle);
  run::put(out, kHead);
  run::put(out, ctx.units.METOUT == 1 ? kUnitsIn : kUnitsMm);
  auto t = [&](int i) { return static_cast<float>(i) * s.workDT; };
  auto v = [&](int i) { return s.work[i] * factor; };
  for (int r = 1; r <= rows && r <= n; ++r) {
    const int b = r + rows, c = r + 2 * rows, d = r + 3 * rows;
    if (d <= n) {
      run::put(out, kRow, {t(r), v(r), t(b), v(b), t(c), v(c), t(d), v(d)});
    } else if (c <= n) {
      run::put(out, kRow, {t(r), v(r), t(b), v(b), t(c), v(c)});
    } else if (b <= n) {
      run::put(out, kRow, {t(r), v(r), t(b), v(b)});
    } else {
      run::put(out, kRow, {t(r), v(r)});
    }
  }
  run::put(out, kBlank);
}

}  // namespace

float changeTimeStep(model::RunContext& ctx, float dtHours) {
  static const fortran::Format kCut("(19X,'Length of storm had to be cut from ',I5,' points to ',I5,' .',/)");
  static const fortran::Format kVolume("(19X,'Volume was ',F6.2,A7,'.  Now is ',F6.2,A7,'.',/)");

  // The change starts with a clean severity, but never clears an error that
  // already ends the run.
  if (ctx.run.severity != run::Severity::Error) ctx.run.severity = run::Severity::Note;
  model::Storm& s = ctx.storm;
  reserveStorm(s);
  const bool print = dtHours < 0.0f;
  float dt = std::fabs(dtHours);
  if (dt == 0.0f) dt = s.SDT;
  // Without a storm there is nothing to bring to the new step.
  if (s.SDT <= 0.0f || dt <= 0.0f) {
    s.workDT = dt;
    s.workSteps = 0;
    return dt;
  }

  StepChange c = computeStepChange(s.RAIN, s.NSTEP, s.SDT, dt);
  platform::LineSink& out = *ctx.out.detailed;
  if (c.cut) {
    run::issue(ctx, msg::kModifyStormDurationReduced, run::Severity::Warning);
    run::put(out, kCut, {c.requestedSteps, model::kMaxRainSteps});
  }
  const float oldTotal = s.PTOT;
  std::fill(s.work.begin(), s.work.end(), 0.0f);
  std::copy_n(c.work.begin() + 1, c.steps, s.work.begin() + 1);
  s.PTOT = c.ptot;
  // The integer part of the change in hundredths is above 0: the change is at
  // least 0.01 (compared as reals, so a total near the top of single
  // precision cannot overflow the integer).
  if (std::fabs(s.PTOT - oldTotal) * 100.0f >= 1.0f) {
    run::issue(ctx, msg::kModifyStormVolumeChanged, run::Severity::Warning);
    const float f = ctx.units.out.depth;
    run::put(out, kVolume, {oldTotal * f, ctx.units.label(model::Quantity::Depth), s.PTOT * f, ctx.units.label(model::Quantity::Depth)});
  }
  s.workDT = c.dt;
  s.workSteps = c.steps;
  if (print) printTransformed(ctx);
  return c.dt;
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
  reserveStorm(s);
  const float shiftMinutes = static_cast<float>(nshift) * s.SDT * 60.0f;

  std::string name = "MODIFY STORM";
  name.resize(20, ' ');
  platform::LineSink& out = *ctx.out.detailed;
  if (icase == 2) {
    run::put(out, kBox2, {name, icase, rfact, xk, xl, xm, nshift, shiftMinutes});
  } else {
    run::put(out, kBox1, {name, icase, rfact, nshift, shiftMinutes});
  }
  writeCommandLine(ctx, "MODIFY STORM", true);
  run::put({&ctx.platform.summaryWindow, ctx.out.summary}, kShift, {rfact, shiftMinutes});

  bool rejected = false;
  if (icase != 1 && icase != 2) {
    run::issue(ctx, msg::kModifyStormBadCase, run::Severity::Error);
    rejected = true;
  }
  if (rfact == 0.0f) {
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
  if (s.NSTEP + shift > model::kMaxRainSteps) run::issue(ctx, msg::kModifyStormShiftMayLoseRain, run::Severity::Warning);

  ShiftResult r = shiftStorm(s.RAIN, s.NSTEP, s.SDT, shift, rfact);
  const int written = std::max(s.NSTEP, r.steps);
  std::copy_n(r.rain.begin() + 1, written, s.RAIN.begin() + 1);
  std::copy_n(r.rain.begin() + 1, written, s.work.begin() + 1);
  s.PTOT = r.ptot;
  run::put(out, kVolume, {s.PTOT * ctx.units.out.depth, ctx.units.label(model::Quantity::Depth)});
  s.NSTEP = r.steps;
  s.workSteps = r.steps;
  s.workDT = s.SDT;
  printTransformed(ctx);
  writeStormLine(ctx);
}

}  // namespace rain
