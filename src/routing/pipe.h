// ROUTE PIPE: a hydrograph routed through a circular or rectangular pipe
// flowing as an open channel. The pipe is checked against the inflow peak and
// replaced by the minimum size when too small; its 20-row rating becomes the
// reach's travel-time table, and the channel routing does the rest.
#pragma once

#include "model/context.h"
#include "model/routing_tables.h"

namespace routing {

enum class PipeShape { Circular = 1, Rectangular = 2 };

// The command's values in internal units (feet, cfs).
struct PipeValues {
  PipeShape shape = PipeShape::Circular;
  bool shapeKnown = true; // the type was 1 or 2
  int idOut = 0;
  int nhyd = 0;
  float pipeNumber = 0.0f;
  float width = 0.0f;  // diameter of a circular pipe, ft
  float height = 0.0f; // rectangular only, ft
  float length = 0.0f; // ft
  float n = 0.0f;
  float slope = 0.0f; // ft/ft
  int idIn = 0;
  float rdt = 0.0f;        // as typed
  float depthLimit = 0.0f; // ft; 0 = the full pipe
};

// PARAM 1 type (1 circular, 2 rectangular), 2 IDout, 3 NHYD, 4 pipe number,
// 5 diameter or width, (6 height), then length, n, slope, IDin, RDT and the
// depth limit. Dimensions in inches (mm in metric input).
PipeValues readPipe(const model::RunContext& ctx);

// Rows 1..20 of depth, flow area and flow of the pipe from the bottom to its
// crown, or to the depth limit when that is smaller than the pipe (row 1 dry).
// Circular rows use 1.487 and R^0.6667 as the rating always has.
model::RatingCurve pipeRating(PipeShape shape, float width, float height, float n, float slope, float depthLimit);

// The command routine.
void routePipe(model::RunContext& ctx);

} // namespace routing
