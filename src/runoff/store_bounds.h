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

// The initial abstraction 0.2 S of a curve number, S = 1000 / CN - 10
// inches. A curve number all but 0 holds an endless store: S is held at
// 1e30 inches (nothing runs off either way) rather than overflowing.
inline float derivedInitialAbstraction(float cn) {
  constexpr float kEndlessAbstraction = 1.0e30f;
  const float ia = 0.2f * (1000.0f / cn - 10.0f);
  return ia < kEndlessAbstraction ? ia : kEndlessAbstraction;
}

// Negative SMIN / SMAX ask for the values derived from CN; others are kept.
StoreBounds deriveStoreBounds(float cn, float smin, float smax);

// The same, issuing message 430 when SMAX is not above SMIN.
StoreBounds storeBounds(model::RunContext& ctx, float cn, float smin, float smax);

} // namespace runoff
