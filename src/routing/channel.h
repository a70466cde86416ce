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
  float area = 0.0f;                             // drainage area, acres (0: no depth of runoff)
  float inflowPeak = 0.0f;                       // QPEAK of the inflow (dry when 0)
  float requestedDt = 0.0f;                      // routing step, hours; 0: the inflow step
  const model::TravelTimeTable* table = nullptr; // rows 1..19 and the reach length
  float fall = 0.0f;                             // H of the outflow slot, ft
};

struct ChannelRoutingResult {
  bool dry = false;           // inflow peak or step is 0: no routing (message 80)
  bool basePassed = false;    // dry, and the inflow's base flow passes unchanged
  bool dtReduced = false;     // requested step above the inflow step (message 81)
  bool dtAdjusted = false;    // step replaced by an inflow-step divisor (message 82)
  bool tableExceeded = false; // inflow above the table's top flow (message 83)
  bool cut = false;           // outflow needed more than 105,408 ordinates (message 84)
  int nonConverged = 0;       // steps whose iteration did not converge
  // Steps routed with the table's coefficient because none had converged yet
  // (or the inflow was above the table before any had).
  int tableCoefficientSteps = 0;
  // Storage term (cfs, times the step gives the volume) still in the reach
  // above its baseflow when the routing reached the last ordinate; 0 when it drained.
  float endStorage = 0.0f;
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

// The reach against the inflow: the method treats the reach as one storage
// with no translation, so a travel time long against the time the inflow
// takes to rise to its peak flattens and hastens the outflow peak. Measured
// against diffusive-wave routing of pipes and channels, the peak falls short
// by about 10 % where the travel time at the peak reaches a quarter of the
// rise (between 0.21 and 0.7 of it over the cases measured), by about 25 % at
// half the rise and by 45 to 55 % at 1.5 to 2 times the rise. Consecutive
// reaches of 1/n of the length each have 1/n of the travel time.
inline constexpr float kLongReachRatio = 0.25f;

struct ReachLength {
  float travel = 0.0f; // travel time at the inflow peak (plus baseflow) from the table, hours
  float rise = 0.0f;   // hours from the start of the rise to the peak (at least one inflow step)
  int reaches = 1;     // consecutive reaches of equal length that keep each within the range
  bool tooLong = false;
};

// The travel time at the peak against the rise. The rise starts at the last
// ordinate before the peak at or below 1 % of the peak (the first ordinate
// when none is), so a long trickle before the main rise does not stretch it.
ReachLength judgeReach(const ChannelRoutingInput& in);

// Share of the inflow's volume that single precision loses when the routing
// carries the inflow on top of a base flow (each ordinate raised by `base`
// and taken off again): 0 without a base flow; near 1 when the base flow is so
// large that the inflow vanishes below its resolution. The routing commands
// refuse an inflow that would so lose more than the water balance's 1 %.
double inflowLostInBase(std::span<const float> inflow, float base);
inline constexpr double kBaseLossLimit = 0.01;

// Routes the inflow (plus its baseflow) through the reach. Every loop is
// bounded: at most 105,408 steps of at most 20 iterations each.
ChannelRoutingResult routeChannel(const ChannelRoutingInput& in);

} // namespace routing
