// The unit hydrographs of the runoff commands and their convolution with the
// rainfall excess: the Nash cascade of N equal linear reservoirs (rural
// catchments) and the surface unit hydrograph of a linear rise and a
// linear-reservoir recession with a kinematic-wave storage coefficient (urban
// surfaces).
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace runoff {

// The largest N the Nash unit hydrograph takes: (N - 1)^(N - 1) and Gamma(N)
// overflow single precision from about N = 28.
inline constexpr float kMaxNashReservoirs = 25.0f;

// Gamma function by recurrence onto [1, 2] and a polynomial there; nullopt for
// arguments at (within 1e-6 of) an integer of 0 or below, above 35 (the
// result overflows) or below -1e6.
std::optional<float> gammaFunction(float x);

// A unit hydrograph of an area at a time step, in cfs per inch of excess.
struct UnitHydrograph {
  float upk = 0.0f;       // unit peak, cfs per inch of excess per hour of step
  float f = 0.0f;         // fraction of an inch held before the normalisation
  int nuh = 0;            // ordinates 1..nuh
  std::vector<float> u;   // u[1..nuh] after the normalisation (one inch over the area)
  std::vector<float> raw; // the same before it, as printed on request
};

// Ordinate 1 is 0 at t = 0; ordinates j = 2, 3, ... are `ordinate((j - 1) * dt)`
// until 99.9 % of an inch over the area is held, the last ordinate adds less
// than 0.01 % to the volume, or `maxOrdinates` is reached; then every ordinate
// is divided by the fraction held. An area of 0 has a single zero ordinate
// after the origin.
UnitHydrograph tabulateUnitHydrograph(float area, float dt, int maxOrdinates, float upk,
                                      const std::function<float(float)>& ordinate);

// The Nash unit hydrograph of an area at a time step, in cfs per inch of excess.
struct NashUnitHydrograph : UnitHydrograph {
  float k = 0.0f; // reservoir constant TP / (N - 1), hours
};
// Requires n > 1 and tp > 0 (the command rejects other values before this).
NashUnitHydrograph nashUnitHydrograph(float area, float n, float tp, float dt);

// The steps of excess[1..nrain] that hold any excess (NaN included), in step
// order. A long record is mostly dry: what is worked out from its excess (the
// window intensities, the convolution) need only visit these.
struct WetStep {
  int at;
  float excess;
};
std::vector<WetStep> wetSteps(std::span<const float> excess, int nrain);

// Adds DT * u(k) * e(m) to q[m + k - 1] for every step m with excess and
// k = 2..nuh; ordinates past the hydrograph limit are dropped.
void convolve(std::span<const float> excess, int nrain, std::span<const float> u, int nuh, float dt,
              std::span<float> q);
void convolve(const std::vector<WetStep>& wet, std::span<const float> u, int nuh, float dt, std::span<float> q);

// The overland flow plane of a surface.
struct SurfaceShape {
  float manning = 0.0f; // Manning n
  float length = 0.0f;  // ft
  float slope = 0.0f;   // ft/ft
  float given = 0.0f;   // given storage coefficient, hours; 0: compute
};

struct StorageCoefficient {
  bool runoff = false; // the surface has excess
  float imax = 0.0f;   // largest average excess intensity over the window, in/hr
  int window = 0;      // steps of that window
  int ns = 0;          // steps to the unit hydrograph peak
  float k = 0.0f;      // storage coefficient, hours
  float tp = 0.0f;     // unit hydrograph time to peak ns * DT, hours
};

// Largest average of `width` consecutive excess values excess[1..nrain] among
// the windows that start at steps 1..nr - width + 1 (steps past nrain hold 0).
// Window sums are differences of running sums in double precision.
float windowIntensity(std::span<const float> excess, int nrain, int nr, int width);

// The storage coefficient of one surface. `addK` is added to the kinematic-wave
// K (the impervious K for the pervious surface); `roundToK` sets the final step
// count from K (pervious surface); `firstTrialOnly` stops after the first trial
// (the older layout of COMPUTE URBHYD).
StorageCoefficient storageCoefficient(std::span<const float> excess, int nrain, float dt, const SurfaceShape& shape,
                                      float addK, bool roundToK, bool firstTrialOnly);
StorageCoefficient storageCoefficient(const std::vector<WetStep>& wet, int nrain, float dt, const SurfaceShape& shape,
                                      float addK, bool roundToK, bool firstTrialOnly);

// The unit hydrograph of a surface in cfs per in/hr of excess: a linear rise to
// the peak at tp, then a linear-reservoir recession with constant K.
struct SurfaceUnitHydrograph {
  float c = 0.0f;    // peak ordinate per unit area, 1/hr
  float peak = 0.0f; // unit peak, cfs
  int nuh = 0;
  std::vector<float> ord; // ord[1..nuh], cfs
};
SurfaceUnitHydrograph surfaceUnitHydrograph(float area, float fraction, float tp, float k, float dt, float ptot,
                                            bool normalise);

} // namespace runoff
