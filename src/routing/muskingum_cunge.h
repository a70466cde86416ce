// Variable-parameter Muskingum-Cunge routing through one circular pipe flowing
// partly full: the kinematic celerity and cell Reynolds number of a flow from
// the pipe's partial-flow table, the artificial low flow, the travel time at
// the peak, and the routing of an inflow series into an outflow series.
// Feet, seconds for celerities, hours for steps, cfs.
#pragma once

#include <vector>

namespace routing {

// The pipe as the celerity procedure sees it.
struct PipeReach {
  float diameter = 0.0f; // ft
  float n = 0.0f;
  float slope = 0.0f;  // ft/ft
  float length = 0.0f; // ft
  float qfull = 0.0f;  // full-flow capacity, cfs (above 0)
};

// Depth ratio y/D of a flow ratio Q/Qfull from the partial-flow table of a
// circular pipe, linear between entries; ratios above 1 continue along the
// table's last segment.
float depthRatio(float flowRatio);

struct Celerity {
  float c = 0.0f;  // kinematic celerity dQ/dA, ft/s
  float dn = 0.0f; // cell Reynolds number Q / (B S c L)
};

// Celerity and cell Reynolds number of flow q (the depth from the table, a
// depth of 0.001 ft or less taken as 0.2 D, capped at 0.9 D where the
// celerity is still positive).
Celerity celerity(const PipeReach& pipe, float q);

// Celerity of the flow at depth y (ft); y in (0, 0.9 D].
float celerityAtDepth(const PipeReach& pipe, float y);

// The artificial low flow that floors the routing: a flow area of 1.5 % of
// the full area over the wetted arc 2 arccos(0.2125) of the radius, in
// consistent units (ft).
float lowFlow(const PipeReach& pipe);

// Pipe travel time L/c in seconds at the celerity of the peak flow, its depth
// limited to 0.6 D.
float travelTimeAtPeak(const PipeReach& pipe, float peak);

// Inflow at the routing step: inflow[1..] (entry 0 unused; entries past the
// hydrograph are 0 and stand for the base flow), the number of routing steps
// the inflow spans, the step in hours and the base flow that floors the
// outflow.
struct RoutingInput {
  std::vector<float> inflow;
  int steps = 0;
  float dt = 0.0f;
  float base = 0.0f;
};

struct RoutingResult {
  std::vector<float> outflow; // outflow[1..npts], base flow included
  int npts = 0;
  bool stabilised = false; // the step-by-step parameters failed the checks
  int subReaches = 1;
  int subSteps = 1;
  bool capped = false;  // the sub-division was held to the work limit: travel time approximate
  bool tailCut = false; // the outflow's tail ended at the work limit
};

// Routes the inflow through the pipe. The parameters are evaluated at every
// step from the flows as the scheme is written; when that result gains or loses
// more than half a percent of the volume or raises the peak (small Courant
// numbers, or steps long against the pipe), the inflow is routed again with
// the parameters of the inflow peak on sub-reaches and sub-steps sized from its
// celerity so that every coefficient is non-negative: volume is then conserved
// and the peak never rises. At most `maxSteps` routing steps.
RoutingResult routeMuskingumCunge(const PipeReach& pipe, RoutingInput input, int maxSteps);

} // namespace routing
