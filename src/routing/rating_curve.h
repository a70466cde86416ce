// Rating curves: rows of depth, flow area and flow for one cross-section,
// either typed row by row or derived from surveyed section points with
// Manning's equation over main-channel and floodplain segments. Pure
// computations in internal units (ft, sq ft, cfs); no printing.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "model/routing_tables.h"

namespace routing {

inline constexpr int kMaxSegments = 6;

// One surveyed point of a cross-section (ft).
struct SectionPoint {
  float distance = 0.0f;
  float elevation = 0.0f;
};

// A segment of the section: its Manning n (negative marks a main-channel
// segment) and the distance at which it ends (ft).
struct SectionSegment {
  float n = 0.0f;
  float end = 0.0f;
};

struct SectionInput {
  std::vector<SectionSegment> segments; // 1 to 6
  std::vector<SectionPoint> points;     // distances not decreasing, at least 2
  float minElevation = 0.0f;            // ft
  float maxElevation = 0.0f;            // ft
  // Widen the range to the lowest and highest points (inside ROUTE CHANNEL,
  // which passes 1e6 and 0 so that the points alone set it).
  bool rangeFromPoints = false;
  float channelSlope = 0.0f;    // ft/ft
  float floodplainSlope = 0.0f; // ft/ft
};

// Where a printed point lies: its segment (0-based) and, for a point at the
// end of a segment that the next one shares, that next segment too.
struct PointSegments {
  int first = 0;
  int second = -1; // -1: not shared
};

struct ComputedRatingCurve {
  model::RatingCurve curve;  // rows 1..20 with their elevations
  float minElevation = 0.0f; // range used, ft
  float maxElevation = 0.0f;
  float smallestN = 0.0f;           // smallest |n| of the segments
  bool anyMainChannel = false;      // false: every segment is main channel
  std::vector<SectionPoint> points; // after vertical walls were nudged
  std::vector<PointSegments> pointSegments;
  // True when segment s is a main-channel segment.
  std::vector<bool> mainChannel;
};

// Why the section cannot be used ("" when it can): segment count, n of 0,
// too few points, distances going back, slopes below 0, an empty range.
std::string checkSection(const SectionInput& in);

// Twenty levels from the minimum to the maximum elevation in 19 equal steps;
// at each, every segment's submerged area and wetted perimeter (straight
// pieces between points, a piece that crosses the water line cut where it
// crosses) give area and Manning flow 1.486 sqrt(S)/n A (A/P)^0.66667.
// Expects a section that checkSection accepts.
ComputedRatingCurve computeRatingCurve(const SectionInput& in);

// One typed row of a stored rating curve in internal units.
struct RatingRow {
  float elevation = 0.0f; // ft
  float area = 0.0f;      // sq ft
  float flow = 0.0f;      // cfs
};

struct StoredRatingCurve {
  model::RatingCurve curve;
  int extrapolatedFrom = 0; // first row grown from the previous one, 0 when none
};

// Rows typed before the end of the input (at most 20 are used); each missing
// row is the previous one grown by 10% (depth, area and flow). Depth is the
// elevation above the first row's. Needs at least one row.
StoredRatingCurve storeRatingCurve(std::span<const RatingRow> rows);

} // namespace routing
