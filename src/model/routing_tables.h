// Rating curves and the travel-time table built by the rating-curve and
// travel-time commands and read by channel and pipe routing. Everything is in
// internal units: feet, square feet, cfs and hours.
#pragma once

#include <array>

namespace model {

inline constexpr int kRatingRows = 20;   // rows of a rating curve; row 1 is the dry bottom
inline constexpr int kTravelRows = 19;   // rows of a travel-time table (rating rows 2..20)
inline constexpr int kRatingCurves = 10; // curve numbers 1..10

// One cross-section as rows 1..20 (index 0 unused) of depth above the lowest
// elevation, flow area and flow, with the water elevation of each row.
struct RatingCurve {
  std::array<float, kRatingRows + 1> depth{}, area{}, flow{}, elevation{};
  bool defined = false; // set once a command has filled the curve
};

// One reach as rows 1..19 (index 0 unused) of depth, flow rate and travel time
// through the reach, with the reach length.
struct TravelTimeTable {
  std::array<float, kTravelRows + 1> depth{}, flow{}, time{};
  float length = 0.0f;  // ft
  bool defined = false; // set once a command has built the table
};

struct RoutingTables {
  std::array<RatingCurve, kRatingCurves + 1> curves{}; // curve numbers 1..10
  // Water elevations of the last curve stored or computed: the ELEV column of
  // the printed travel-time table.
  std::array<float, kRatingRows + 1> lastElevation{};
  TravelTimeTable travel;
  // Fall of the reach (slope times length, ft) for the outflow slot the
  // travel-time table was built for, by slot ID 0..10.
  std::array<float, 11> fall{};
  int currentId = 0; // the ID the table line after a table command shows
};

} // namespace model
