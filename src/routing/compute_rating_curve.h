// COMPUTE RATING CURVE and the rating-curve stage ROUTE CHANNEL runs: a rating
// curve from surveyed section points, stored under its curve number, and the
// printout of the section data.
#pragma once

#include <string>

#include "model/context.h"
#include "routing/rating_curve.h"

namespace routing {

struct RatingCurveValues {
  int nrc = 1;          // curve number 1..10
  float vsn = 0.0f;     // section number, printed only
  int segmentCount = 0; // as typed
  SectionInput section; // internal units
  std::string problem;  // why the typed section data cannot be read, "" when it can
};

// The section data of PARAM positions from..last: one (n, end distance) pair
// per segment, then the (distance, elevation) pairs of the points, lengths
// times `lengthFactor`. Sets `problem` when the values do not pair up.
void readSectionData(const model::CommandValues& c, int from, int last, float lengthFactor, RatingCurveValues& v);

// Checks, computes and stores the curve (and its elevations for the
// travel-time printout), prints the section data (with the boxed heading
// unless `insideChannel`) and returns the smallest |n| of the segments;
// returns a negative value after an error of severity 2.
float ratingCurveStage(model::RunContext& ctx, const RatingCurveValues& v, bool insideChannel);

// PARAM: 1 NRC, 2 VSN, 3 number of segments, 4 minimum and 5 maximum elevation,
// 6 channel and 7 floodplain slope (ft/ft), then a pair (n, end distance) per
// segment, then the section points as (distance, elevation) pairs up to the
// last value of the command.
void computeRatingCurveCommand(model::RunContext& ctx);

} // namespace routing
