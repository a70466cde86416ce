// ROUTE CHANNEL: a hydrograph routed along a channel reach described by one
// cross-section, its length and slopes, in three stages: the section's rating
// curve, the reach's travel-time table and the channel routing.
#pragma once

#include "model/context.h"

namespace routing {

// PARAM: 1 IDout, 2 NHYD (negative: the travel-time table is not printed),
// 3 IDin, 4 RDT, 5 length, 6 channel and 7 floodplain slope (%), 8 section
// number, 9 number of segments, 10.. the segment pairs and section points.
void routeChannelCommand(model::RunContext& ctx);

} // namespace routing
