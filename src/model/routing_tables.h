// Rating curves and the travel-time table built by the rating-curve and
// travel-time commands and read by channel and pipe routing.
#pragma once

#include <vector>

namespace model {

struct RatingCurve {
  std::vector<float> depth, flow, area, velocity;  // internal units (ft, cfs, sq.ft, ft/s)
};

struct RoutingTables {
  RatingCurve rating;
  std::vector<float> travelFlow, travelTime;  // cfs, hours
  int currentId = 0;  // slot ID the last table command printed
};

}  // namespace model
