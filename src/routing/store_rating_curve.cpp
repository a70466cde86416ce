// STORE RATING CURVE: a typed rating curve, completed to 20 rows.
#include "routing/store_rating_curve.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "fortran/format.h"
#include "model/limits.h"
#include "routing/rating_curve.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"

namespace routing {

namespace {

constexpr int kFirstRow = 3; // PARAM position of the first elevation

void printCurve(model::RunContext& ctx, int nrc, float vsn, const StoredRatingCurve& s) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kName("('| STO RATING CURVE |')");
  static const fortran::Format kIds("('| IN=',I2,'  VSN=',F5.1,' |')");
  static const fortran::Format kTitle("(15X,'<----------- RATING CURVE ----------->')");
  static const fortran::Format kColumns("(15X,'WATER ELEV     FLOW AREA     FLOW RATE')");
  static const fortran::Format kFrom(
      "(/,/,T5,'*** WARNING: THE TABLE WAS EXTRAPOLATED FROM INDEX=',I3,' TO THE END *****')");
  static const fortran::Format kRow("(15X,F8.3,7X,F8.3,6X,F8.3)");
  platform::LineSink& out = *ctx.out.detailed;
  run::put(out, kRule);
  run::put(out, kName);
  run::put(out, kIds, {nrc, vsn});
  run::put(out, kTitle);
  run::put(out, kColumns);
  if (s.extrapolatedFrom > 0) {
    run::issue(ctx, msg::kRatingCurveExtrapolated, run::Severity::Warning);
    run::put(out, kFrom, {s.extrapolatedFrom});
  }
  const model::Factors& f = ctx.units.out;
  const model::RatingCurve& c = s.curve;
  for (int k = 1; k <= model::kRatingRows; ++k) {
    run::put(out, kRow, {c.elevation[k] / f.length, c.area[k] / (f.length * f.length), c.flow[k] / f.flow});
  }
}

// Values typed near the top of single precision overflow as the curve is
// extrapolated (10 % a row) or converted.
bool finiteStoredCurve(const model::RatingCurve& c) {
  for (int k = 1; k <= model::kRatingRows; ++k) {
    for (float v : {c.depth[k], c.area[k], c.flow[k], c.elevation[k]})
      if (!std::isfinite(v)) return false;
  }
  return true;
}

} // namespace

void storeRatingCurveCommand(model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  const model::Factors& in = ctx.units.in;
  ctx.run.label = "STORE RATING CURVE";
  const int nrc = model::truncatedInt(std::fabs(c.PARAM[1]));
  const float vsn = c.PARAM[2];
  ctx.tables.currentId = nrc;

  // Triples up to a negative elevation or the last value typed.
  const int last = std::min(c.given, c.NPARAM);
  std::vector<RatingRow> rows;
  for (int k = kFirstRow; k + 2 <= last && rows.size() < static_cast<std::size_t>(model::kRatingRows); k += 3) {
    if (c.PARAM[k] < 0.0f) break;
    rows.push_back({c.PARAM[k] * in.length, c.PARAM[k + 1] * in.length * in.length, c.PARAM[k + 2] * in.flow});
  }
  if (nrc < 1 || nrc > model::kRatingCurves) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "the curve number must be from 1 to 10");
  } else if (rows.size() < 2) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "a rating curve needs at least 2 rows");
  } else if (const StoredRatingCurve s = storeRatingCurve(rows); !finiteStoredCurve(s.curve)) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "the curve overflows single precision");
  } else {
    ctx.tables.curves[static_cast<std::size_t>(nrc)] = s.curve;
    ctx.tables.lastElevation = s.curve.elevation;
    printCurve(ctx, nrc, vsn, s);
  }
  run::tableLine(ctx, ctx.tables.currentId);
}

} // namespace routing
