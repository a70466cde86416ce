// MASS STORM: a design storm from a dimensionless mass curve file, a total
// depth and a chosen storm time step.
#pragma once

#include <string>
#include <vector>

#include "model/context.h"

namespace rain {

// The MASS STORM command routine.
void massStorm(model::RunContext& ctx);

// A mass curve file as read: ordinates 1..M with ordinate 1 the implicit 0.
struct MassCurve {
  std::string comment;    // 60 characters
  float sdtm = 0.0f;      // curve step, hours
  std::vector<float> ord; // 1-based, entries 1..M
  int M = 0;
  int decreasing = 0; // ordinates smaller than the one before (message 232 each)
  std::string error;
  bool endedEarly = false; // the error is an early end of file
  bool ok() const { return error.empty(); }
};
MassCurve parseMassCurve(const std::string& path);

// The storm derived from a curve: D inches over steps of dts hours.
struct MassBuild {
  float dts = 0.0f; // storm step actually used, hours
  int k = 1;
  int steps = 0;
  bool coarser = false;    // message 234
  bool tooLarge = false;   // message 233: no storm
  bool overflow = false;   // message 959: intensities beyond single precision, no storm
  bool cut = false;        // more steps than a storm can hold
  std::vector<float> rain; // in/hr, 1-based
  float ptot = 0.0f;
};
MassBuild buildMassStorm(const MassCurve& curve, float depth, float dts);

} // namespace rain
