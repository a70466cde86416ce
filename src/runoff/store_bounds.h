// Bounds of the continuously varying curve-number store: SMIN and SMAX derived
// from the curve number for the continuous-simulation commands.
#pragma once

#include "model/context.h"

namespace runoff {

// Curve number CN1 for dry antecedent conditions, looked up by the integer
// part of the curve number 0..100.
float dryConditionCurveNumber(int cn);

// What the derivation hands back. `cn` is the curve number to go on with: 0
// becomes 0.001 (a store so large that hardly any rain runs off), and 999
// signals SMAX not above SMIN (the calling command stops).
struct StoreBounds {
  float cn = 0.0f;
  float smin = 0.0f; // inches
  float smax = 0.0f; // inches
  bool failed() const { return cn == kFailedCurveNumber; }
  static constexpr float kFailedCurveNumber = 999.0f;
};

// Negative SMIN / SMAX ask for the values derived from CN; others are kept.
StoreBounds deriveStoreBounds(float cn, float smin, float smax);

// The same, issuing message 430 when SMAX is not above SMIN.
StoreBounds storeBounds(model::RunContext& ctx, float cn, float smin, float smax);

} // namespace runoff
