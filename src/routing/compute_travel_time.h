// COMPUTE TRAVEL TIME and the travel-time stage that ROUTE CHANNEL and ROUTE
// PIPE run with it: the table of a reach from the stored rating curves, kept
// as the current reach with its fall, and its printout.
#pragma once

#include "model/context.h"

namespace routing {

// Who runs the stage: the command itself (boxed heading, closing rule), ROUTE
// CHANNEL (the full table without heading or rule) or ROUTE PIPE (the short
// table without heading or rule).
enum class TableCaller { Command, Channel, Pipe };

// Values of the stage in internal units.
struct TravelTimeValues {
  int reach = 0;       // outflow slot the reach's fall is kept for (1..10)
  float vsn = 0.0f;    // reach number; negative: the table is not printed
  int sections = 1;    // rating curves 1..N describe the reach
  float length = 0.0f; // ft
  float slope = 0.0f;  // ft/ft
};

// Builds the table from rating curves 1..N, makes it the current reach, keeps
// H(reach) = slope * length and prints it as the caller needs. Returns false
// after an error of severity 2 (nothing is changed then).
bool travelTimeStage(model::RunContext& ctx, const TravelTimeValues& v, TableCaller caller);

// PARAM: 1 reach number = outflow ID, 2 VSN (negative: no printout), 3 number
// of sections, 4 length (input length units), 5 slope (ft/ft).
void computeTravelTimeCommand(model::RunContext& ctx);

} // namespace routing
