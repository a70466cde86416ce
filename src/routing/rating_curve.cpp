// Rating curves from typed rows or from surveyed section points.
#include "routing/rating_curve.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace routing {

namespace {

// Manning's constant for feet and seconds.
constexpr float kManning = 1.486f;
// A segment carries flow only once its submerged area exceeds this (sq ft).
constexpr float kWetArea = 0.001f;
// A point at the same distance as the next (a vertical wall) is moved back by this (ft).
constexpr float kWallShift = 0.00001f;
// Rows of a stored curve that were not typed grow by this factor.
constexpr float kGrowth = 1.1f;

struct Wetted {
  float area = 0.0f;
  float perimeter = 0.0f;
};

// Submerged area and wetted perimeter of the straight piece (x1,z1)-(x2,z2)
// below the water level h. A piece that crosses the water line is cut where it
// crosses: its wet part is a triangle.
Wetted wettedPiece(float x1, float z1, float x2, float z2, float h) {
  const float d1 = h - z1;
  const float d2 = h - z2;
  const float dx = x2 - x1;
  Wetted w;
  if (d1 <= 0.0f && d2 <= 0.0f) return w;
  const float length = std::sqrt(dx * dx + (z2 - z1) * (z2 - z1));
  if (d1 >= 0.0f && d2 >= 0.0f) {
    w.area = 0.5f * (d1 + d2) * dx;
    w.perimeter = length;
    return w;
  }
  // One end above the water: the wet fraction of the piece.
  const float wet = d1 > 0.0f ? d1 : d2;
  const float fraction = wet / (std::fabs(d1) + std::fabs(d2));
  w.area = 0.5f * wet * dx * fraction;
  w.perimeter = length * fraction;
  return w;
}

// The piece between points i and i+1 clipped to the distances [from, to], then wetted.
Wetted wettedClipped(const SectionPoint& a, const SectionPoint& b, float from, float to, float h) {
  float x1 = a.distance, z1 = a.elevation, x2 = b.distance, z2 = b.elevation;
  const float dx = x2 - x1;
  // A vertical piece belongs to the segment whose range (from, to] holds it.
  if (dx <= 0.0f) return (x1 > from && x1 <= to) ? wettedPiece(x1, z1, x2, z2, h) : Wetted{};
  if (x2 <= from || x1 >= to) return {};
  if (x1 < from) {
    z1 = a.elevation + (b.elevation - a.elevation) * (from - a.distance) / dx;
    x1 = from;
  }
  if (x2 > to) {
    z2 = a.elevation + (b.elevation - a.elevation) * (to - a.distance) / dx;
    x2 = to;
  }
  return wettedPiece(x1, z1, x2, z2, h);
}

// Distances covered by segment s: from the end of the previous segment (or
// the start of the section) to its own end (or the end of the section).
void segmentRange(const std::vector<SectionSegment>& segments, std::size_t s, float& from, float& to) {
  constexpr float kFar = std::numeric_limits<float>::max();
  from = s == 0 ? -kFar : segments[s - 1].end;
  to = s + 1 == segments.size() ? kFar : segments[s].end;
}

} // namespace

std::string checkSection(const SectionInput& in) {
  if (in.segments.empty() || in.segments.size() > static_cast<std::size_t>(kMaxSegments))
    return "the number of segments must be from 1 to 6";
  for (std::size_t s = 0; s < in.segments.size(); ++s) {
    if (!(std::fabs(in.segments[s].n) > 0.0f)) return "a segment has a Manning n of 0";
    if (s > 0 && in.segments[s].end < in.segments[s - 1].end) return "segment end distances go back";
  }
  if (in.points.size() < 2) return "a section needs at least 2 points";
  for (std::size_t i = 1; i < in.points.size(); ++i) {
    if (in.points[i].distance < in.points[i - 1].distance) return "section distances go back";
  }
  if (!(in.channelSlope >= 0.0f) || !(in.floodplainSlope >= 0.0f)) return "a slope is below 0";
  float lo = in.minElevation, hi = in.maxElevation;
  if (in.rangeFromPoints) {
    for (const SectionPoint& p : in.points) {
      lo = std::min(lo, p.elevation);
      hi = std::max(hi, p.elevation);
    }
  }
  if (!(hi > lo)) return "the maximum elevation must be above the minimum";
  return {};
}

ComputedRatingCurve computeRatingCurve(const SectionInput& in) {
  ComputedRatingCurve out;
  const std::size_t ns = in.segments.size();
  out.points = in.points;
  for (std::size_t i = 0; i + 1 < out.points.size(); ++i) {
    if (out.points[i].distance == out.points[i + 1].distance) out.points[i].distance -= kWallShift;
  }

  // A negative n marks a main-channel segment; with none marked, all are.
  out.anyMainChannel =
      std::any_of(in.segments.begin(), in.segments.end(), [](const SectionSegment& s) { return s.n < 0.0f; });
  out.mainChannel.resize(ns);
  out.smallestN = std::fabs(in.segments[0].n);
  for (std::size_t s = 0; s < ns; ++s) {
    out.mainChannel[s] = !out.anyMainChannel || in.segments[s].n < 0.0f;
    out.smallestN = std::min(out.smallestN, std::fabs(in.segments[s].n));
  }

  // The segment each point lies in; a point at a segment's end is shared with the next.
  out.pointSegments.resize(out.points.size());
  for (std::size_t i = 0; i < out.points.size(); ++i) {
    const float x = in.points[i].distance;
    std::size_t s = 0;
    while (s + 1 < ns && x > in.segments[s].end) ++s;
    out.pointSegments[i].first = static_cast<int>(s);
    if (s + 1 < ns && x == in.segments[s].end) out.pointSegments[i].second = static_cast<int>(s + 1);
  }

  out.minElevation = in.minElevation;
  out.maxElevation = in.maxElevation;
  if (in.rangeFromPoints) {
    for (const SectionPoint& p : in.points) {
      out.minElevation = std::min(out.minElevation, p.elevation);
      out.maxElevation = std::max(out.maxElevation, p.elevation);
    }
  }

  const float step = (out.maxElevation - out.minElevation) / 19.0f;
  model::RatingCurve& c = out.curve;
  for (int k = 1; k <= model::kRatingRows; ++k) {
    const float level = out.minElevation + static_cast<float>(k - 1) * step;
    c.elevation[k] = level;
    c.depth[k] = level - out.minElevation;
    float area = 0.0f, flow = 0.0f;
    for (std::size_t s = 0; s < ns; ++s) {
      float from = 0.0f, to = 0.0f;
      segmentRange(in.segments, s, from, to);
      Wetted w;
      for (std::size_t i = 0; i + 1 < out.points.size(); ++i) {
        const Wetted piece = wettedClipped(out.points[i], out.points[i + 1], from, to, level);
        w.area += piece.area;
        w.perimeter += piece.perimeter;
      }
      if (w.area > kWetArea && w.perimeter > 0.0f) {
        const float slope = out.mainChannel[s] ? in.channelSlope : in.floodplainSlope;
        area += w.area;
        flow += kManning * std::sqrt(slope) / std::fabs(in.segments[s].n) * w.area *
                std::pow(w.area / w.perimeter, 0.66667f);
      }
    }
    c.area[k] = area;
    c.flow[k] = flow;
  }
  c.defined = true;
  return out;
}

StoredRatingCurve storeRatingCurve(std::span<const RatingRow> rows) {
  StoredRatingCurve out;
  model::RatingCurve& c = out.curve;
  const int typed = std::min(static_cast<int>(rows.size()), model::kRatingRows);
  const float bottom = typed > 0 ? rows[0].elevation : 0.0f;
  for (int k = 1; k <= typed; ++k) {
    const RatingRow& r = rows[static_cast<std::size_t>(k - 1)];
    c.elevation[k] = r.elevation;
    c.depth[k] = r.elevation - bottom;
    c.area[k] = r.area;
    c.flow[k] = r.flow;
  }
  if (typed < model::kRatingRows) out.extrapolatedFrom = typed + 1;
  for (int k = std::max(typed + 1, 2); k <= model::kRatingRows; ++k) {
    c.depth[k] = c.depth[k - 1] * kGrowth;
    c.area[k] = c.area[k - 1] * kGrowth;
    c.flow[k] = c.flow[k - 1] * kGrowth;
    c.elevation[k] = bottom + c.depth[k];
  }
  c.defined = true;
  return out;
}

} // namespace routing
