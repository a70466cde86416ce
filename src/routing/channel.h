// Channel routing by the variable storage-coefficient method: each step's
// outflow is a coefficient times the inflow-plus-storage term, the coefficient
// coming from the reach travel times of the inflow and of the outflow (from
// the travel-time table), corrected by the square root of the ratio of bed
// fall to water-surface fall, the outflow found by fixed-point iteration.
// Pure computation in internal units (cfs, ft, hours); no printing.
#pragma once

#include <span>
#include <vector>

#include "model/routing_tables.h"

namespace routing {

struct ChannelRoutingInput {
  std::span<const float> inflow;                 // ordinates 1..NPTS of the inflow, cfs, baseflow excluded
  float inflowDt = 0.0f;                         // hours
  float base = 0.0f;                             // baseflow of the inflow, cfs
  float area = 0.0f;                             // drainage area, acres
  float inflowPeak = 0.0f;                       // QPEAK of the inflow (dry when 0)
  float requestedDt = 0.0f;                      // routing step, hours; 0: the inflow step
  const model::TravelTimeTable* table = nullptr; // rows 1..19 and the reach length
  float fall = 0.0f;                             // H of the outflow slot, ft
};

struct ChannelRoutingResult {
  bool dry = false;           // inflow area, peak or step is 0: no routing (message 80)
  bool dtReduced = false;     // requested step above the inflow step (message 81)
  bool dtAdjusted = false;    // step replaced by an inflow-step divisor (message 82)
  bool tableExceeded = false; // inflow above the table's top flow (message 83)
  bool cut = false;           // outflow needed more than 105,408 ordinates (message 84)
  int nonConverged = 0;       // steps whose iteration did not converge
  int nsub = 1;               // routing sub-steps per inflow step
  float dt = 0.0f;            // routing step used, hours
  int npts = 0;               // ordinates of the outflow
  // Outflow ordinates 1..npts (index 0 unused), baseflow taken out and never
  // below 0; the routing itself carries the baseflow.
  std::vector<float> q;
  float qpeak = 0.0f;                                      // largest outflow minus baseflow
  float tpeak = 0.0f;                                      // its time from the first ordinate, hours
  float rv = 0.0f;                                         // runoff volume, inches over the area
  float maxInflowDepth = 0.0f, maxInflowVelocity = 0.0f;   // ft, ft/s
  float maxOutflowDepth = 0.0f, maxOutflowVelocity = 0.0f; // ft, ft/s
};

// Routes the inflow (plus its baseflow) through the reach. Every loop is
// bounded: at most 105,408 steps of at most 20 iterations each.
ChannelRoutingResult routeChannel(const ChannelRoutingInput& in);

} // namespace routing
