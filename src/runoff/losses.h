// Losses of a surface and the rainfall excess they leave: the part of each
// rainfall step that runs off after the initial abstraction and the losses of
// the curve-number, constant-coefficient or Horton form, with the
// continuous-simulation behaviour (a curve-number store that follows the
// antecedent precipitation index, recovery of the abstraction and of the Horton
// capacity between events) and a groundwater reservoir.
#pragma once

#include <span>
#include <variant>

#include "model/context.h"

namespace runoff {

// The loss models, one typed form each.
// Curve number: S = 1000 / CN - 10 inches, Q = P^2 / (S + P). A CN of 0 lets
// nothing run off in a single event; in continuous simulation S follows the
// antecedent precipitation index instead.
struct CurveNumberLoss {
  float cn = 0.0f;
};
// Constant runoff coefficient: Q = C P (C = 0 lets nothing run off).
struct CoefficientLoss {
  float c = 0.0f;
};
// Horton infiltration: capacity Fo decaying to Fc at DCAY per hour, starting
// where F inches have already infiltrated.
struct HortonLoss {
  float fo = 0.0f, fc = 0.0f; // in/hr
  float dcay = 0.0f;          // 1/hr
  float f = 0.0f;             // inches
};
using LossModel = std::variant<CurveNumberLoss, CoefficientLoss, HortonLoss>;

// The linear groundwater reservoir fed by the water that infiltrates after the
// abstraction (continuous NASHYD, groundwater option 1).
struct Groundwater {
  bool on = false;
  float storage = 0.0f; // initial storage, inches
  float kStep = 0.0f;   // recession constant per time step
  float vhydcon = 0.0f; // deep recharge loss rate, in/hr
};

// The curve-number store of continuous simulation:
// S = SMIN + (SMAX - SMIN) exp(-SK API).
struct ContinuousStore {
  float smin = 0.0f, smax = 0.0f; // inches
  float sk = 0.0f;                // per inch
  const model::ApiSeries* api = nullptr;
};

// Everything but the loss model that the excess of one surface depends on.
struct ExcessSetup {
  int nrain = 0;               // rainfall steps
  float dt = 0.0f;             // step, hours
  std::span<const float> rain; // intensities rain[1..], in/hr; entries past the end read as 0
  float ia = 0.0f;             // initial abstraction, inches; negative with a curve number: 0.2 S
  // Multiplies every rainfall depth (pervious areas receiving impervious runoff).
  float factor = 1.0f;
  bool continuous = false;     // recovery between events, store following the API
  float iaRec = 0.0f;          // recovery time of the abstraction, hours (continuous)
  float interEventTime = 0.0f; // hours (continuous)
  ContinuousStore store;       // curve-number and coefficient forms, continuous
  // Continuous simulation reports the statistics of the store; a surface that
  // loses nothing (a coefficient of 1) has no store worth reporting.
  bool storeStatistics = true;
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
  float abstracted = 0.0f; // depth the initial abstraction took of the (factored) rainfall, inches
  float gwStorage = 0.0f;  // final groundwater storage, inches
  float gwRemoved = 0.0f;  // depth removed as deep recharge, inches
  StoreStatistics stats;   // continuous curve-number or coefficient form, when asked for
};

// Fills excess[1..nrain] (in/hr) and, with the groundwater reservoir on,
// groundwater[1..nrain] (in/hr). Both spans must hold at least nrain + 1 entries
// (groundwater only when the reservoir is on).
LossResult rainfallExcess(const LossModel& model, const ExcessSetup& setup, std::span<float> excess,
                          std::span<float> groundwater);

// Horton cumulative infiltration H(t) = Fc t + (Fo - Fc)/DCAY (1 - e^(-DCAY t));
// with DCAY = 0 the capacity never decays and H(t) = Fo t.
float hortonDepth(float fo, float fc, float dcay, float t);

// The Horton time at which `f` inches have infiltrated, found in steps of
// DT / 100 (a curve that levels off below f stops where it levels off).
float hortonStartTime(const HortonLoss& h, float dt);

// The time t' > t at which the Horton curve has absorbed `x` more inches than at t.
float hortonAbsorbTime(const HortonLoss& h, float t, float dt, float x);

// The statistics line of the continuously computed S, on the detailed output.
void printStoreStatistics(model::RunContext& ctx, const StoreStatistics& stats);

} // namespace runoff
