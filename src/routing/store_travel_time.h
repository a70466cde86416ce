// STORE TRAVEL TIME: a reach's travel-time table typed as rows of depth, flow
// and travel time, completed by growing rows when fewer than 19 are typed.
#pragma once

#include "model/context.h"

namespace routing {

// PARAM: 1 outflow ID (1..10), 2 VSN, 3 length, 4 slope (ft/ft), then (depth,
// flow, travel time in hours) triples ended by a negative depth or the last
// value of the command.
void storeTravelTimeCommand(model::RunContext& ctx);

} // namespace routing
