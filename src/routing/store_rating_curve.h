// STORE RATING CURVE: a rating curve typed as rows of water elevation, flow
// area and flow, completed by growing rows when fewer than 20 are typed.
#pragma once

#include "model/context.h"

namespace routing {

// PARAM: 1 NRC (1..10), 2 VSN, then (elevation, area, flow) triples ended by a
// negative elevation or the last value of the command.
void storeRatingCurveCommand(model::RunContext& ctx);

} // namespace routing
