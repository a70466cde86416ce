// The one current storm of the run and the antecedent precipitation index
// series computed from it. Intensities are in/hr, depths in inches, times in hours.
#pragma once

#include <string>
#include <vector>

namespace model {

struct Storm {
  float SDT = 0.0f;        // storm time step, hours
  int NSTEP = 0;           // number of rainfall steps
  std::vector<float> RAIN; // RAIN[i], i = 1..NSTEP (entry 0 unused)
  float PTOT = 0.0f;       // total depth, inches = SDT * sum(RAIN)
  std::vector<float> work; // working copy read by the runoff commands, 1-based
  float workDT = 0.0f;     // step of the working copy, hours
  int workSteps = 0;       // number of steps in the working copy
  std::string title;       // storm title, 90 characters
  int stormDate = 0;       // YYYYMMDD of the storm's start, 0 = none
  std::string fileName;    // storm file name of the last READ STORM (60)
};

struct ApiSeries {
  std::vector<float> API; // API[0..NSTEP], inches; API[0] = APII
  float dt = 0.0f;        // step of the series, hours; 0 = no series
};

} // namespace model
