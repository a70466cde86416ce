// ROUTE, and the channel-routing stage that ROUTE CHANNEL and ROUTE PIPE end
// with: the hydrograph of slot IDin is routed through the current reach (the
// travel-time table) into slot IDout, with its printout and summary lines.
#pragma once

#include "model/context.h"

namespace routing {

enum class RouteCaller { Route, Channel, Pipe };

// The seven values of the stage.
struct RouteValues {
  int idOut = 0;
  int nhyd = 0; // 0: HYDNAME from the first quoted string
  int idIn = 0;
  float rdt = 0.0f;    // as typed: minutes when 1 or more, hours below 1, 0 the inflow step
  float slope = 0.0f;  // percent, as entered (printed in the "[L/S/n=" line)
  float length = 0.0f; // ft; the reach length of the travel-time table is used
  float n = 0.0f;      // Manning n, printed only
};

// Routes, stores, prints and reports as the caller needs (ROUTE writes its own
// heading and inflow summary line; the others have written theirs).
void routeStage(model::RunContext& ctx, const RouteValues& v, RouteCaller caller);

// PARAM: 1 IDout, 2 NHYD, 3 IDin, 4 RDT, 5 slope (%, above 0), 6 length, 7 n.
void routeCommand(model::RunContext& ctx);

} // namespace routing
