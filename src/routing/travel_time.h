// Travel-time tables: rows of depth, flow rate and travel time through a
// reach, typed row by row or derived from one or several rating curves, the
// reach length and its slope. Pure computations in internal units (ft, sq ft,
// cfs, hours); no printing.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "model/routing_tables.h"

namespace routing {

// A travel-time table computed from rating curves, with the columns the
// printed table shows besides depth, flow and time.
struct ComputedTravelTime {
  model::TravelTimeTable table;                        // rows 1..19, length L
  std::array<float, model::kTravelRows + 1> area{};    // sq ft
  std::array<float, model::kTravelRows + 1> xVolume{}; // area times L, cu ft
  // Water stored in a reach of unlimited length below a level pool at the
  // row's depth: the area integrated over the depth divided by the slope
  // (cu ft); `beyondReach` marks rows whose pool is longer than the reach.
  std::array<float, model::kTravelRows + 1> sVolume{};
  std::array<bool, model::kTravelRows + 1> beyondReach{};
  std::array<float, model::kTravelRows + 1> velocity{}; // flow / area, ft/s
  float fall = 0.0f;                                    // slope times length, ft
};

// One section (one curve): rows 1..19 are rating rows 2..20. Several: the
// depth step is the smallest top depth over 19; at each depth every curve's
// flow and area are interpolated, the smallest flow controls and the area is
// the average. Travel time = area L / 3600 / flow (0 where there is no flow).
// `length` in ft (above 0), `slope` in ft/ft (0 or more).
ComputedTravelTime computeTravelTime(std::span<const model::RatingCurve* const> sections, float length, float slope);

// One typed row in internal units.
struct TravelRow {
  float depth = 0.0f; // ft
  float flow = 0.0f;  // cfs
  float time = 0.0f;  // hours
};

struct StoredTravelTime {
  model::TravelTimeTable table;
  int extrapolatedFrom = 0; // first row grown from the previous one, 0 when none
};

// Rows typed before the end of the input (at most 19 are used); each missing
// row takes the previous depth and flow times 1.1 and its time divided by 1.1.
// Needs at least one row.
StoredTravelTime storeTravelTime(std::span<const TravelRow> rows, float length);

} // namespace routing
