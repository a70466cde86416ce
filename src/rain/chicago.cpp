// CHICAGO STORM: an IDF curve intensity = A / (t + B)^C, given or fitted to a
// table, turned into a hyetograph whose depth over any window centred on the
// peak follows the curve.
#include "rain/chicago.h"

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

constexpr int kTrialsPerPass = 20;
constexpr int kMaxPairs = 20;
constexpr int kChicagoValues = 50; // values the command takes
// The B search stops on a good fit or a small step; a table whose fit keeps
// improving as B grows would otherwise search for ever.
constexpr int kMaxPasses = 500;

float round3(float v) { return static_cast<float>(static_cast<int>(v * 1000.0f + 0.5f)) / 1000.0f; }

} // namespace

float idfIntensity(const IdfCurve& c, float t) { return c.A / std::pow(t + c.B, c.C); }

IdfFit fitIdfCurve(const std::vector<IdfPair>& table) {
  IdfFit fit;
  const int n = static_cast<int>(table.size());
  if (n < 2) {
    fit.error = "at least two pairs are needed";
    return fit;
  }
  for (const IdfPair& p : table) {
    if (!(p.I > 0.0f)) {
      fit.error = "table intensities must be positive";
      return fit;
    }
  }
  const double fn = static_cast<double>(n);
  float B = 1.5f, step = 1.5f;
  struct Trial {
    double r;
    float B, A, C;
  };
  Trial trials[kTrialsPerPass + 1];
  for (int pass = 1; pass <= kMaxPasses; ++pass) {
    fit.passes = pass;
    for (int j = 1; j <= kTrialsPerPass; ++j) {
      // The regression of log I on log(t + B) is accumulated in double
      // precision: in single precision the rounding noise of the sums is of
      // the size of the differences in r between neighbouring trials, and it
      // would decide which B wins (and push r above 1 for exact points).
      double sx = 0, sy = 0, sxy = 0, sxx = 0, syy = 0;
      for (const IdfPair& p : table) {
        if (!(p.T + B > 0.0f)) {
          fit.error = "a duration plus B is not above 0";
          return fit;
        }
        const double x = std::log10(static_cast<double>(p.T) + B), y = std::log10(static_cast<double>(p.I));
        sx += x;
        sy += y;
        sxy += x * y;
        sxx += x * x;
        syy += y * y;
      }
      const double d = fn * sxx - sx * sx;
      const double spread = (fn * syy - sy * sy) * d;
      if (!(d > 0.0) || !(spread > 0.0)) {
        fit.error = "the table gives no correlation";
        return fit;
      }
      const double intercept = (sxx * sy - sxy * sx) / d;
      const double slope = (fn * sxy - sx * sy) / d;
      // |r| is at most 1; only rounding could carry it past.
      const double r = std::min(1.0, std::fabs((fn * sxy - sx * sy) / std::sqrt(spread)));
      trials[j] = {r, B, static_cast<float>(std::pow(10.0, intercept)), static_cast<float>(std::fabs(slope))};
      // Climb while the correlation improves; on a drop step back and halve the step.
      if (j == 1) {
        B += step;
      } else if (trials[j].r > trials[j - 1].r) {
        B += step;
      } else if (trials[j].r < trials[j - 1].r) {
        B -= step;
        step /= 2.0f;
      }
    }
    int best = 0;
    for (int j = 1; j <= kTrialsPerPass; ++j) {
      if (trials[j].r > 0.0 && (best == 0 || trials[j].r > trials[best].r)) best = j;
    }
    if (best == 0) {
      fit.error = "the table gives no correlation";
      return fit;
    }
    fit.curve = {trials[best].A, trials[best].B, trials[best].C, static_cast<float>(trials[best].r)};
    if (trials[best].r > 0.9999 || step < 0.0001f) break;
  }
  fit.curve.A = round3(fit.curve.A);
  fit.curve.B = round3(fit.curve.B);
  fit.curve.C = round3(fit.curve.C);
  return fit;
}

ChicagoBuild buildChicago(const IdfCurve& curve, float duration, float R, float timeStep) {
  ChicagoBuild b;
  b.TD = model::truncatedInt(duration * 60.0f + 0.5f);
  float dt = std::fabs(timeStep);
  if (dt <= 1.0f) dt *= 60.0f; // 1 or less is hours here, so 1 means one hour
  b.dt = dt;
  if (!(dt > 0.0f)) {
    b.errorNumber = msg::kChicagoStepNotPositive;
    return b;
  }
  const int wanted = model::truncatedInt(static_cast<float>(b.TD) / dt + 0.5f);
  if (wanted > model::kMaxRainSteps) {
    b.cut = true;
    b.TD = model::truncatedInt(dt * static_cast<float>(model::kMaxRainSteps));
  }
  const float TD = static_cast<float>(b.TD);
  const int n = std::min(model::truncatedInt(TD / dt + 0.5f), model::kMaxRainSteps);
  const int p = std::min(model::truncatedInt(TD * R / dt + 0.5f), n);
  b.peak = p;
  b.steps = n;
  if (R < 0.0f || R > 1.0f) {
    b.errorNumber = msg::kChicagoBadRatio;
    return b;
  }
  if (p < 1) {
    b.errorNumber = msg::kChicagoPeakBeforeFirstStep;
    return b;
  }
  // Steps before the peak divide by R, steps after it by 1 - R.
  if ((p > 1 && R == 0.0f) || (n > p && R == 1.0f)) {
    b.errorNumber = msg::kChicagoBadRatio;
    return b;
  }
  if (!(dt + curve.B > 0.0f)) {
    b.errorNumber = msg::kChicagoIdfUndefined;
    return b;
  }
  b.rain.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  b.rain[p] = idfIntensity(curve, dt);
  float a1 = R * dt, a2 = a1 + dt;
  for (int k = p - 1; k >= 1; --k) {
    b.rain[k] = (a2 * idfIntensity(curve, a2 / R) - a1 * idfIntensity(curve, a1 / R)) / dt;
    a1 = a1 + dt;
    a2 = a1 + dt;
  }
  const float q = 1.0f - R;
  float b1 = q * dt, b2 = b1 + dt;
  for (int k = p + 1; k <= n; ++k) {
    b.rain[k] = (b2 * idfIntensity(curve, b2 / q) - b1 * idfIntensity(curve, b1 / q)) / dt;
    b1 = b1 + dt;
    b2 = b2 + dt;
  }
  // An exponent or a coefficient at the edge of single precision makes the
  // curve's intensities overflow: the curve is of no use as typed.
  if (!std::all_of(b.rain.begin(), b.rain.end(), [](float v) { return std::isfinite(v); }))
    b.errorNumber = msg::kChicagoIdfUndefined;
  return b;
}

namespace {

// The block of the detailed output above the hyetograph.
void printChicago(model::RunContext& ctx, const IdfCurve& c, const ChicagoBuild& b, float R, int option, int flag,
                  const std::vector<IdfPair>& table) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kA("('| CHICAGO STORM    |    IDF curve parameters: A=',F8.3)");
  static const fortran::Format kBin("('| Ptotal=',F6.2,' in |                          B=',F8.3)");
  static const fortran::Format kBmm("('| Ptotal=',F6.2,' mm |                          B=',F8.3)");
  static const fortran::Format kC("('--------------------                          C=',F8.3)");
  static const fortran::Format kUsed("(20X,4X,'used in:   INTENSITY =  A / (t + B)^C',/)");
  static const fortran::Format kDuration("(24X,'Duration of storm  =',F6.2,' hrs')");
  static const fortran::Format kStep("(24X,'Storm time step    =',F6.2,' min')");
  static const fortran::Format kRatio("(24X,'Time to peak ratio =',F6.2,/)");
  static const fortran::Format kCorrelation("(20X,'The CORRELATION coefficient is =',F9.7)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kTableHead("(21X,'TIME',8X,'ENTERED',13X,'COMPUTED')");
  static const fortran::Format kSameUnits("(20X,'(min)',8X,A7,14X,A7)");
  static const fortran::Format kSameRow("(20X,F5.0,8X,F7.2,14X,F7.2)");
  static const fortran::Format kImperial("(20X,'IDF parameters ( A , B , C ) are in IMPERIAL units')");
  static const fortran::Format kMetric("(20X,'IDF parameters ( A , B , C ) are in METRIC units')");
  static const fortran::Format kBothUnits("(20X,'(min)',3X,A7,2X,A7,5X,A7,2X,A7)");
  static const fortran::Format kBothRow("(20X,F5.0,2X,F7.2,2X,F7.2,5X,F7.2,2X,F7.2)");

  platform::LineSink& out = *ctx.out.detailed;
  const model::Storm& s = ctx.storm;
  run::put(out, kRule);
  run::put(out, kA, {c.A});
  run::put(out, ctx.units.METOUT == 1 ? kBin : kBmm, {s.PTOT * ctx.units.out.depth, c.B});
  run::put(out, kC, {c.C});
  run::put(out, kUsed);
  run::put(out, kDuration, {static_cast<float>(b.TD) / 60.0f});
  run::put(out, kStep, {b.dt});
  run::put(out, kRatio, {R});
  if (option < 2) return;

  run::put(out, kCorrelation, {c.r});
  const int outSystem = ctx.units.METOUT == 1 ? 1 : 2;
  if (flag == ctx.units.METOUT) {
    run::put(out, kBlank);
    run::put(out, kTableHead);
    run::put(out, kSameUnits,
             {ctx.units.label(model::Quantity::Intensity), ctx.units.label(model::Quantity::Intensity)});
    for (const IdfPair& p : table) run::put(out, kSameRow, {p.T, p.I, idfIntensity(c, p.T)});
  } else {
    // Between in/hr and mm/hr by 25.4, in the direction of the output system.
    const float toOut = flag == 1 ? model::kMmPerInch : 1.0f / model::kMmPerInch;
    run::put(out, flag == 1 ? kImperial : kMetric);
    run::put(out, kBlank);
    run::put(out, kTableHead);
    const std::string& from = ctx.units.label(flag, model::Quantity::Intensity);
    const std::string& to = ctx.units.label(outSystem, model::Quantity::Intensity);
    run::put(out, kBothUnits, {from, to, from, to});
    for (const IdfPair& p : table) {
      const float fitted = idfIntensity(c, p.T);
      run::put(out, kBothRow, {p.T, p.I, p.I * toOut, fitted, fitted * toOut});
    }
  }
  run::put(out, kBlank);
}

void writeSummary(model::RunContext& ctx, const IdfCurve& c, float dt) {
  static const fortran::Format kStorm("(6X,'[SDT=',F5.2,':SDUR=',F7.2,':PTOT=',F7.2,']')");
  static const fortran::Format kGiven("(6X,'[A/B/C=',F8.3,'/',F8.3,'/',F8.3,']')");
  static const fortran::Format kFitted("(6X,'{A/B/C=',F8.3,'/',F8.3,'/',F8.3,': R=',F5.4,'}')");
  const model::Storm& s = ctx.storm;
  std::initializer_list<platform::LineSink*> both{ctx.out.summary, &ctx.platform.summaryWindow};
  writeCommandLine(ctx, "CHICAGO STORM");
  run::put(both, kStorm, {dt, static_cast<float>(s.NSTEP) * dt / 60.0f, s.PTOT * ctx.units.out.depth});
  if (c.r == 0.0f) {
    run::put(both, kGiven, {c.A, c.B, c.C});
  } else {
    run::put(both, kFitted, {c.A, c.B, c.C, c.r});
  }
}

} // namespace

void chicagoStorm(model::RunContext& ctx) {
  ctx.run.label = "CHICAGO STORM";
  model::CommandValues& cmd = ctx.cmd;
  const int flag = cmd.intParam(1) == 2 ? 2 : 1;
  const float duration = cmd.PARAM[2];
  const float R = cmd.PARAM[3];
  const float timeStep = cmd.PARAM[4];
  const int option = cmd.intParam(5);
  const int mode = timeStep < 0.0f ? -3 : 3;

  IdfCurve curve;
  std::vector<IdfPair> table;
  if (option == 1) {
    curve = {cmd.PARAM[6], cmd.PARAM[7], cmd.PARAM[8], 0.0f};
  } else {
    // Pairs from position 6 on, ended by a negative duration.
    for (int k = 6; k + 1 <= kChicagoValues; k += 2) {
      if (cmd.PARAM[k] < 0.0f) break;
      table.push_back({cmd.PARAM[k], cmd.PARAM[k + 1]});
      if (static_cast<int>(table.size()) > kMaxPairs) break;
    }
    if (static_cast<int>(table.size()) > kMaxPairs) {
      run::issue(ctx, msg::kChicagoTooManyPairs, run::Severity::Error);
      writeCommandLine(ctx, "CHICAGO STORM");
      return;
    }
    IdfFit fit = fitIdfCurve(table);
    if (!fit.error.empty()) {
      run::issue(ctx, msg::kChicagoIdfUndefined, run::Severity::Error, run::Destination::Both, fit.error);
      writeCommandLine(ctx, "CHICAGO STORM");
      return;
    }
    curve = fit.curve;
  }

  ChicagoBuild b = buildChicago(curve, duration, R, timeStep);
  if (b.errorNumber != 0) {
    run::issue(ctx, b.errorNumber, run::Severity::Error);
    writeCommandLine(ctx, "CHICAGO STORM");
    return;
  }
  if (b.cut) run::issue(ctx, msg::kChicagoStormCut, run::Severity::Warning);

  if (flag == 2) {
    for (int i = 1; i <= b.steps; ++i) b.rain[i] /= model::kMmPerInch;
  }
  const float sdt = b.dt / 60.0f;
  float sum = 0.0f;
  for (int i = 1; i <= b.steps; ++i) sum += b.rain[i];
  model::Storm& s = ctx.storm;
  installStorm(s, sdt, b.rain, b.steps, sdt * sum);
  s.title = "CHICAGO STORM";
  s.title.resize(90, ' ');

  // Run control reads the curve back from positions 6 to 9 for the summary.
  cmd.PARAM[6] = curve.A;
  cmd.PARAM[7] = curve.B;
  cmd.PARAM[8] = curve.C;
  cmd.PARAM[9] = curve.r;

  printChicago(ctx, curve, b, R, option, flag, table);
  printHyetograph(ctx, mode, s.title);
  writeSummary(ctx, curve, b.dt);
}

} // namespace rain
