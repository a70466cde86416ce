// COMPUTE RATING CURVE: Manning flows over the surveyed points of a section,
// main channel and floodplain segments, stored as a 20-row rating curve.
#include "routing/compute_rating_curve.h"

#include <algorithm>
#include <cmath>

#include "fortran/format.h"
#include "model/limits.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"

namespace routing {

namespace {

constexpr float kPercent = 100.0f;
const char* const kMainChannel = "  Main Channel";
const char* const kNoLabel = "              ";

// The section data as printed: one heading, then every point with the n of
// its segment (both n where two segments share it).
void printSectionData(model::RunContext& ctx, const RatingCurveValues& v, const ComputedRatingCurve& r) {
  static const fortran::Format kHeading("(15X,'<------ DATA FOR SECTION (',F6.1,') ------>')");
  static const fortran::Format kColumns("(15X,'Distance      Elevation       Manning')");
  static const fortran::Format kPoint("(15X,F8.2,5X,F9.2,8X,F6.4,4X,A14)");
  static const fortran::Format kShared("(15X,F8.2,5X,F9.2,4X,F6.4,' /',F6.4,A14)");
  platform::LineSink& out = *ctx.out.detailed;
  const float length = ctx.units.out.length;
  run::put(out, kHeading, {v.vsn});
  run::put(out, kColumns);
  const std::vector<SectionSegment>& seg = v.section.segments;
  for (std::size_t i = 0; i < v.section.points.size(); ++i) {
    const SectionPoint& p = v.section.points[i];
    const PointSegments& s = r.pointSegments[i];
    const float n1 = std::fabs(seg[static_cast<std::size_t>(s.first)].n);
    bool main = r.mainChannel[static_cast<std::size_t>(s.first)];
    if (s.second >= 0) {
      main = main || r.mainChannel[static_cast<std::size_t>(s.second)];
      const float n2 = std::fabs(seg[static_cast<std::size_t>(s.second)].n);
      run::put(out, kShared, {p.distance / length, p.elevation / length, n1, n2, main ? kMainChannel : kNoLabel});
    } else {
      run::put(out, kPoint, {p.distance / length, p.elevation / length, n1, main ? kMainChannel : kNoLabel});
    }
  }
}

void printHeading(model::RunContext& ctx, const RatingCurveValues& v, const ComputedRatingCurve& r) {
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kCompute("('| COMPUTE          |')");
  static const fortran::Format kRating("('| RATING CURVE     |')");
  static const fortran::Format kNumbers("('| NRC=',I2,' VSN=',F5.1,' |',5X,'No. of Segments =',I2)");
  static const fortran::Format kMinimum("(25X,'Minimum Elev.   =',F7.1,3X,'Channel    Slp % =',F6.4)");
  static const fortran::Format kMaximum("(25X,'Maximum Elev.   =',F7.1,3X,'Floodplain Slp % =',F6.4,/)");
  platform::LineSink& out = *ctx.out.detailed;
  const float length = ctx.units.out.length;
  run::put(out, kBlank);
  run::put(out, kRule);
  run::put(out, kCompute);
  run::put(out, kRating);
  run::put(out, kNumbers, {v.nrc, v.vsn, v.segmentCount});
  run::put(out, kRule);
  // Slopes are held as fractions and printed in percent, as labelled.
  run::put(out, kMinimum, {r.minElevation / length, v.section.channelSlope * kPercent});
  run::put(out, kMaximum, {r.maxElevation / length, v.section.floodplainSlope * kPercent});
}

} // namespace

void readSectionData(const model::CommandValues& c, int from, int last, float lengthFactor, RatingCurveValues& v) {
  const int ns = v.segmentCount;
  if (ns < 1 || ns > kMaxSegments) {
    v.problem = "the number of segments must be from 1 to 6";
    return;
  }
  if (last - from + 1 < 2 * ns) {
    v.problem = "fewer values than the segment pairs need";
    return;
  }
  int k = from;
  for (int s = 0; s < ns; ++s, k += 2) v.section.segments.push_back({c.PARAM[k], c.PARAM[k + 1] * lengthFactor});
  if ((last - k + 1) % 2 != 0) {
    v.problem = "the section points do not pair up (distance, elevation)";
    return;
  }
  for (; k + 1 <= last; k += 2) v.section.points.push_back({c.PARAM[k] * lengthFactor, c.PARAM[k + 1] * lengthFactor});
}

namespace {

// Section points or slopes at the edge of single precision give areas and
// flows beyond it; a curve of infinities is of no use downstream.
bool finiteComputedCurve(const model::RatingCurve& c) {
  for (int k = 1; k <= model::kRatingRows; ++k) {
    for (float v : {c.depth[k], c.area[k], c.flow[k], c.elevation[k]})
      if (!std::isfinite(v)) return false;
  }
  return true;
}

} // namespace

float ratingCurveStage(model::RunContext& ctx, const RatingCurveValues& v, bool insideChannel) {
  std::string problem = v.problem;
  if (problem.empty() && (v.nrc < 1 || v.nrc > model::kRatingCurves)) problem = "the curve number must be from 1 to 10";
  if (problem.empty()) problem = checkSection(v.section);
  if (!problem.empty()) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both, problem);
    return -1.0f;
  }
  const ComputedRatingCurve r = computeRatingCurve(v.section);
  if (!finiteComputedCurve(r.curve)) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "the section's areas or flows overflow single precision");
    return -1.0f;
  }
  ctx.tables.curves[static_cast<std::size_t>(v.nrc)] = r.curve;
  ctx.tables.lastElevation = r.curve.elevation;
  if (!insideChannel) printHeading(ctx, v, r);
  printSectionData(ctx, v, r);
  return r.smallestN;
}

void computeRatingCurveCommand(model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  const float length = ctx.units.in.length;
  ctx.run.label = "COMPUTE RATING CURVE";
  RatingCurveValues v;
  v.nrc = model::truncatedInt(std::fabs(c.PARAM[1]));
  v.vsn = c.PARAM[2];
  v.segmentCount = c.intParam(3);
  v.section.minElevation = c.PARAM[4] * length;
  v.section.maxElevation = c.PARAM[5] * length;
  v.section.channelSlope = c.PARAM[6];
  v.section.floodplainSlope = c.PARAM[7];
  readSectionData(c, 8, std::min(c.given, c.NPARAM), length, v);
  ratingCurveStage(ctx, v, false);
  ctx.tables.currentId = v.nrc;
  run::tableLine(ctx, ctx.tables.currentId);
}

} // namespace routing
