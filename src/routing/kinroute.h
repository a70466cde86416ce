// KINROUTE: a hydrograph routed through one circular pipe by variable-parameter
// Muskingum-Cunge routing, the pipe enlarged to the minimum size when it cannot
// carry the inflow peak.
#pragma once

#include <vector>

#include "model/context.h"

namespace routing {

// The command's values in internal units (feet, cfs, hours, inches for D).
struct KinrouteValues {
  int idOut = 0;
  int nhyd = 0;
  float pipeNumber = 0.0f;
  float diameter = 0.0f; // inches; negative: compute the size
  float length = 0.0f;   // ft
  float n = 0.0f;
  float slope = 0.0f;
  int idIn = 0;
  float rdt = 0.0f;       // as typed: minutes when 1 or more, hours below, 0 = inflow DT
  float extraBase = 0.0f; // added base flow Qx, cfs
};

// PARAM 1 IDout, 2 NHYD, 3 pipe number, 4 diameter (in or mm), 5 length,
// 6 Manning n, 7 slope, 8 IDin, 9 RDT, 10 added base flow.
KinrouteValues readKinroute(const model::RunContext& ctx);

// The routing step the values ask for: RDT / 60 when 1 or more, the inflow DT when 0.
float requestedStep(float rdt, float inflowDt);

struct KinrouteResult {
  std::vector<float> q; // q[1..npts], cfs, base flow and low flow removed
  int npts = 0;
  float dt = 0.0f;          // routing step, hours
  float diameter = 0.0f;    // inches, as used
  float capacity = 0.0f;    // cfs
  float lowFlow = 0.0f;     // cfs
  float travelTime = 0.0f;  // seconds, length over the celerity at the peak
  bool stepDenied = false, enlarged = false, cut = false;
  int judgement = 0; // 1: step longer than the travel time, 2: shorter
  bool stabilised = false;
  int subReaches = 1, subSteps = 1;
  bool divisionCapped = false; // sub-reaches and sub-steps held to the work limit
  bool tailCut = false;        // the outflow's tail ended at the work limit
  // The base flows and the low flow are so large against the inflow that
  // single precision cannot hold it above them: not routed (message 974).
  bool baseSwamps = false;
};

// The routing of `in` with the values (length, n, slope above 0; a diameter
// above 0 or an inflow peak plus base flows above 0).
KinrouteResult computeKinroute(const model::Hydrograph& in, const KinrouteValues& v);

// The command routine.
void kinroute(model::RunContext& ctx);

} // namespace routing
