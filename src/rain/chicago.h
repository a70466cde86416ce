// CHICAGO STORM: a synthetic design storm built from an IDF curve
// intensity = A / (t + B)^C (t in minutes), given directly or fitted to a table
// of duration-intensity pairs.
#pragma once

#include <string>
#include <vector>

#include "model/context.h"

namespace rain {

// The CHICAGO STORM command routine.
void chicagoStorm(model::RunContext& ctx);

struct IdfCurve {
  float A = 0.0f, B = 0.0f, C = 0.0f;
  float r = 0.0f; // correlation coefficient of the fit, 0 when given directly
};

struct IdfPair {
  float T; // duration, minutes
  float I; // intensity in the units of the table
};

// Fits A, B, C to the table by the B search (passes of 20 trials) and rounds
// them to three decimals. `error` is set when the fit is undefined.
struct IdfFit {
  IdfCurve curve;
  int passes = 0;
  std::string error;
};
IdfFit fitIdfCurve(const std::vector<IdfPair>& table);

// Intensity of the curve at a duration of t minutes.
float idfIntensity(const IdfCurve& c, float t);

// The hyetograph of the storm in the units of the curve (before any
// conversion): steps 1..steps of dt minutes, peak at step `peak`.
struct ChicagoBuild {
  int TD = 0;              // duration, whole minutes (after any cut)
  float dt = 0.0f;         // step, minutes
  int steps = 0;           // N'
  int peak = 0;            // p
  bool cut = false;        // message 220
  std::vector<float> rain; // 1-based, entries 1..steps
  int errorNumber = 0;     // the ERROR message when the construction is undefined
};
// `duration` in hours, `timeStep` as typed (only its magnitude is used).
ChicagoBuild buildChicago(const IdfCurve& curve, float duration, float R, float timeStep);

} // namespace rain
