// Rainfall excess: the part of each rainfall step that runs off after the
// initial abstraction and the losses of the curve-number, constant-coefficient
// or Horton form, with the continuous-simulation behaviour (a curve-number store
// that follows the antecedent precipitation index, recovery of the abstraction
// and of the Horton capacity between events) and a groundwater reservoir.
#pragma once

#include <span>

#include "model/context.h"

namespace runoff {

// The linear groundwater reservoir fed by the water that infiltrates after the
// abstraction (continuous NASHYD, groundwater option 1).
struct Groundwater {
  bool on = false;
  float storage = 0.0f;  // initial storage, inches
  float kStep = 0.0f;    // recession constant per time step
  float vhydcon = 0.0f;  // deep recharge loss rate, in/hr
};

struct LossInput {
  int nrain = 0;                  // rainfall steps
  float dt = 0.0f;                // step, hours
  std::span<const float> rain;    // intensities rain[1..], in/hr; entries past the end read as 0
  // Curve-number form: CN, or -C for a constant runoff coefficient C.
  // Horton form: F, the cumulative infiltration already reached at the start, inches.
  float firstLoss = 0.0f;
  // The first loss value is a runoff coefficient even when it is -0 (C = 0 lets
  // nothing run off rather than falling back to a curve number).
  bool coefficient = false;
  float ia = 0.0f;                // initial abstraction, inches; negative in the CN form: 0.2 S
  float iaRec = 0.0f;             // recovery time of the abstraction, hours (continuous)
  // Curve-number form: SMIN, SMAX (inches), SK (per inch) in continuous mode.
  // Horton form: Fo, Fc (in/hr), DCAY (1/hr).
  float v1 = 0.0f, v2 = 0.0f, v3 = 0.0f;
  float interEventTime = 0.0f;    // hours (continuous)
  int mode = 0;                   // 5: continuous behaviour; anything else: single event
  // Negative: curve-number form; positive: Horton form. The absolute value
  // multiplies every rainfall depth (pervious areas receiving impervious runoff).
  float method = -1.0f;
  const model::ApiSeries* api = nullptr;  // continuous curve-number form
  Groundwater gw;
};

// Statistics of the continuously computed store S (inches).
struct StoreStatistics {
  bool present = false;
  float smax = 0.0f, smin = 0.0f, savg = 0.0f, cnavg = 0.0f;
};

struct LossResult {
  float iaUsed = 0.0f;     // the abstraction the call started from, inches
  float lost = 0.0f;       // depth lost, inches
  float gwStorage = 0.0f;  // final groundwater storage, inches
  float gwRemoved = 0.0f;  // depth removed as deep recharge, inches
  StoreStatistics stats;   // continuous curve-number form with a first value other than -1
};

// Horton cumulative infiltration H(t) = Fc t + (Fo - Fc)/DCAY (1 - e^(-DCAY t));
// with DCAY = 0 the capacity never decays and H(t) = Fo t.
float hortonDepth(float fo, float fc, float dcay, float t);

// Fills excess[1..nrain] (in/hr) and, with the groundwater reservoir on,
// groundwater[1..nrain] (in/hr). Both spans must hold at least nrain + 1 entries.
LossResult computeExcess(const LossInput& in, std::span<float> excess, std::span<float> groundwater);

// The statistics line of the continuously computed S, on the detailed output.
void printStoreStatistics(model::RunContext& ctx, const StoreStatistics& stats);

}  // namespace runoff
