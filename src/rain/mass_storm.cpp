// MASS STORM: a design storm from a dimensionless mass curve (cumulative
// fraction of the depth against time), a total depth and a storm time step.
#include "rain/mass_storm.h"

#include <algorithm>
#include <cmath>

#include "fortran/record.h"
#include "model/limits.h"
#include "rain/hyetograph.h"
#include "rain/read_storm.h"
#include "run/messages.h"
#include "run/output.h"

namespace rain {

namespace {

bool isWhole(float v) { return v == std::trunc(v); }

bool readNumber(fortran::LineReader& in, MassCurve& curve, double& value) {
  const fortran::ListResult<double> r = fortran::readListNumber(in);
  if (r.ok()) {
    value = r.value;
    return true;
  }
  curve.endedEarly = r.status == fortran::ReadStatus::EndOfFile;
  curve.error = curve.endedEarly ? "ends before its ordinates are complete" : r.error;
  return false;
}

} // namespace

MassCurve parseMassCurve(const std::string& path) {
  MassCurve curve;
  auto opened = fortran::LineReader::open(path);
  if (!opened) {
    curve.error = opened.error.empty() ? "cannot be opened" : opened.error;
    return curve;
  }
  fortran::LineReader& in = *opened.reader;
  std::string line;
  if (!in.next(line)) {
    curve.endedEarly = true;
    curve.error = "ends before its comment line";
    return curve;
  }
  curve.comment = fortran::fixedWidth(line, 60);
  double value = 0.0;
  if (!readNumber(in, curve, value)) return curve;
  curve.sdtm = static_cast<float>(value);
  if (curve.sdtm >= 1.0f) curve.sdtm /= 60.0f;
  if (!readNumber(in, curve, value)) return curve;
  int n = model::truncatedInt(static_cast<float>(value));
  if (n <= 0 || n > model::kMaxRainSteps) n = model::kMaxRainSteps;

  // The curve starts at an implicit 0; the file's values are ordinates 2, 3, ...
  curve.ord.assign(static_cast<std::size_t>(n) + 2, 0.0f);
  curve.M = 1;
  for (int i = 2; i <= n + 1; ++i) {
    if (!readNumber(in, curve, value)) return curve;
    const float v = static_cast<float>(value);
    if (v < 0.0f) break;
    curve.ord[i] = v;
    if (v < curve.ord[i - 1]) ++curve.decreasing;
    curve.M = i;
  }
  // A step below 0 runs the curve backwards; a step near the top of single
  // precision overflows in the duration and in minutes.
  if (curve.sdtm < 0.0f || !std::isfinite(static_cast<float>(curve.M - 1) * curve.sdtm * 60.0f))
    curve.error = "its step is below 0 or beyond single precision";
  return curve;
}

MassBuild buildMassStorm(const MassCurve& curve, float depth, float dts) {
  MassBuild b;
  const int M = curve.M;
  const float sdtm = curve.sdtm;
  if (!(dts < static_cast<float>(M) * sdtm) || !(dts > 0.0f) || !(sdtm > 0.0f)) {
    b.tooLarge = true;
    b.dts = dts;
    return b;
  }
  if (sdtm < dts) {
    // Coarser storm step: whole groups of k curve steps.
    b.coarser = true;
    if (!isWhole(dts / sdtm)) dts = static_cast<float>(model::truncatedInt(dts / sdtm + 0.5f)) * sdtm;
    b.k = model::truncatedInt(dts / sdtm + 0.5f);
    b.steps = (M - 1) / b.k;
    b.rain.assign(static_cast<std::size_t>(b.steps) + 1, 0.0f);
    for (int j = 1; j <= b.steps; ++j) {
      const int first = 1 + (j - 1) * b.k;
      b.rain[j] = (curve.ord[first + b.k] - curve.ord[first]) * depth / dts;
    }
  } else {
    // Finer or equal storm step: each curve step becomes k storm steps.
    if (!isWhole(sdtm / dts)) dts = sdtm / static_cast<float>(model::truncatedInt(sdtm / dts + 0.5f));
    b.k = model::truncatedInt(sdtm / dts + 0.5f);
    long long wanted = static_cast<long long>(M - 1) * b.k;
    b.cut = wanted > model::kMaxRainSteps;
    b.steps = static_cast<int>(std::min<long long>(wanted, model::kMaxRainSteps));
    b.rain.assign(static_cast<std::size_t>(b.steps) + 1, 0.0f);
    int step = 0;
    for (int i = 2; i <= M && step < b.steps; ++i) {
      const float intensity = (curve.ord[i] - curve.ord[i - 1]) * depth / sdtm;
      for (int m = 0; m < b.k && step < b.steps; ++m) b.rain[++step] = intensity;
    }
  }
  b.dts = dts;
  float sum = 0.0f;
  for (int i = 1; i <= b.steps; ++i) sum += b.rain[i];
  b.ptot = dts * sum;
  // Ordinates or a depth near the top of single precision overflow in the
  // intensities (also as millimetres): no storm.
  auto printable = [](float v) { return std::isfinite(v * model::kMmPerInch); };
  if (!printable(b.ptot) || !std::all_of(b.rain.begin(), b.rain.end(), printable)) {
    b = MassBuild{};
    b.overflow = true;
    b.dts = dts;
  }
  return b;
}

namespace {

void printBox(model::RunContext& ctx, const std::string& name, float depth, const MassCurve& curve) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kName("('| MASS STORM       |',4X,'Filename: ',A40)");
  static const fortran::Format kTotal("('| Ptotal=',F6.2,A4,'|',4X,'Comments: ',A40)");
  static const fortran::Format kDuration("(24X,'Duration of storm        =',F8.2,' hrs')");
  static const fortran::Format kCurveStep("(24X,'Mass curve time step     =',F8.2,' min')");
  platform::LineSink& out = *ctx.out.detailed;
  std::string shown = name, comment = curve.comment;
  shown.resize(40, ' ');
  comment.resize(40, ' ');
  run::put(out, kRule);
  run::put(out, kName, {shown});
  run::put(out, kTotal, {depth * ctx.units.out.depth, ctx.units.METOUT == 1 ? " in." : " mm ", comment});
  run::put(out, kRule);
  run::put(out, kDuration, {static_cast<float>(curve.M - 1) * curve.sdtm});
  run::put(out, kCurveStep, {curve.sdtm * 60.0f});
}

} // namespace

void massStorm(model::RunContext& ctx) {
  static const fortran::Format kSelected("(24X,'Selected storm time step =',F8.2,' min')");
  static const fortran::Format kVolume("(24X,'Volume of derived storm  =',F8.2,A4,/)");

  ctx.run.label = "MASS STORM";
  model::Storm& s = ctx.storm;
  const float depth = ctx.cmd.PARAM[1] / ctx.units.in.depth;
  float dts = std::fabs(ctx.cmd.PARAM[2]);
  if (dts >= 1.0f) dts /= 60.0f;
  const int mode = ctx.cmd.PARAM[2] < 0.0f ? -3 : 3;

  // Without a quoted name one more input line is read and the previous name stays.
  if (!ctx.cmd.stringBlank(1)) {
    s.fileName = ctx.cmd.text(1, 60);
  } else if (ctx.input != nullptr) {
    std::string extra;
    ctx.input->next(extra);
  }
  std::string given = s.fileName;
  while (!given.empty() && given.back() == ' ') given.pop_back();
  if (given.empty()) {
    run::issue(ctx, msg::kStormFileNameMissing, run::Severity::Error);
    writeCommandLine(ctx, "MASS STORM");
    return;
  }
  const std::string path = resolveRainfallName(given, ctx.dirs.rainfall, ctx.out.workDir);
  MassCurve curve = parseMassCurve(path);
  if (!curve.ok()) {
    fileError(ctx, curve.endedEarly ? msg::kMassCurveFileEndedEarly : msg::kMassCurveFileUnreadable, path);
    writeCommandLine(ctx, "MASS STORM");
    return;
  }
  for (int i = 0; i < curve.decreasing; ++i) run::issue(ctx, msg::kMassCurveNotIncremental, run::Severity::Error);

  // The new storm replaces the old one from here on, even when it stays empty.
  std::fill(s.RAIN.begin(), s.RAIN.end(), 0.0f);
  std::fill(s.work.begin(), s.work.end(), 0.0f);

  printBox(ctx, given, depth, curve);
  if (curve.ord[curve.M] != 1.0f) run::warn(ctx, msg::kMassCurveSumNotOne);

  MassBuild b = buildMassStorm(curve, depth, dts);
  if (b.tooLarge || b.overflow) {
    run::issue(ctx, b.overflow ? msg::kMassStormOverflow : msg::kMassStormStepTooLarge, run::Severity::Error);
    // A defined, empty storm: no steps, no step length, no depth.
    installStorm(s, 0.0f, b.rain, 0, 0.0f);
    writeCommandLine(ctx, "MASS STORM");
    return;
  }
  // The warnings come after the check of the ordinates: they keep an error
  // (message 232) that ends the run.
  if (b.coarser) run::warn(ctx, msg::kMassStormStepAboveCurveStep);
  if (b.cut) run::warn(ctx, msg::kStormCutToLimit);
  installStorm(s, b.dts, b.rain, b.steps, b.ptot);

  platform::LineSink& out = *ctx.out.detailed;
  run::put(out, kSelected, {b.dts * 60.0f});
  run::put(out, kVolume, {s.PTOT * ctx.units.out.depth, ctx.units.METOUT == 1 ? " in." : " mm "});
  // The title is the curve's comment before the print, so that DERIVED.STM
  // carries this storm's own comment line.
  s.title = curve.comment;
  s.title.resize(90, ' ');
  printHyetograph(ctx, mode, curve.comment);
  writeCommandLine(ctx, "MASS STORM");
}

} // namespace rain
