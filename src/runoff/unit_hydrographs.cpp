// Unit hydrographs: their tabulation to one inch over the area, the Nash cascade, the kinematic-wave storage
// coefficient of an overland flow plane and the surface unit hydrograph, and the convolution of a unit hydrograph with
// the rainfall excess.
#include "runoff/unit_hydrographs.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>

#include "hydrograph/producer.h"
#include "model/limits.h"
#include "model/units.h"

namespace runoff {

namespace {

// Windows of the excess intensity span at least this many steps of the storm.
constexpr int kMinWindowSteps = 400;

} // namespace

std::optional<float> gammaFunction(float x) {
  // Far above 35 the recurrence would never end (x - 1 == x); NaN has no value.
  if (!(x <= 35.0f) || !(x >= -1.0e6f)) return std::nullopt;
  float g = 1.0f;
  while (x > 2.0f) {
    x -= 1.0f;
    g *= x;
  }
  if (x == 1.0f) return g;
  if (x < 1.0f) {
    // The poles are the integers 0, -1, -2, ...: an argument within 1e-6 of one
    // of them fails, including small positive values just above 0 (whose
    // nearest integer is 0), which would otherwise divide by almost nothing.
    const float nearest = std::round(x);
    if (nearest <= 0.0f && std::fabs(x - nearest) < 0.000001f) return std::nullopt;
    while (x <= 1.0f) {
      g /= x;
      x += 1.0f;
    }
  }
  const float y = x - 1.0f;
  return g *
         (1.0f +
          y * (-0.5771017f +
               y * (0.9858540f +
                    y * (-0.8764218f + y * (0.8328212f + y * (-0.5684729f + y * (0.2548205f + y * (-0.0514993f))))))));
}

UnitHydrograph tabulateUnitHydrograph(float area, float dt, int maxOrdinates, float upk,
                                      const std::function<float(float)>& ordinate) {
  UnitHydrograph uh;
  uh.upk = upk;
  uh.u.assign(2, 0.0f);
  const float full = area * model::kCfsHoursPerAcreInch; // cfs-hours in one inch over the area
  // An area of 0 has no unit hydrograph: a single zero ordinate after the origin.
  if (!(full > 0.0f) || !(dt > 0.0f)) {
    uh.u.push_back(0.0f);
    uh.nuh = 2;
    uh.f = 1.0f;
    uh.raw = uh.u;
    return uh;
  }
  const int last = std::max(2, maxOrdinates);
  float volume = 0.0f;
  float f = 0.0f;
  int j = 2;
  for (;; ++j) {
    const float uj = ordinate(static_cast<float>(j - 1) * dt);
    uh.u.push_back(uj);
    const float before = volume;
    volume += dt * uj;
    f = volume / full;
    // Stop once 99.9 % of the inch is held, or when the tail adds nothing.
    if (f > 0.999f || (volume > 0.0f && before / volume > 0.9999f) || j >= last) break;
  }
  uh.nuh = j;
  uh.f = f;
  uh.raw = uh.u;
  if (f > 0.0f) {
    for (int i = 1; i <= uh.nuh; ++i) uh.u[static_cast<std::size_t>(i)] /= f;
  }
  return uh;
}

NashUnitHydrograph nashUnitHydrograph(float area, float n, float tp, float dt) {
  const float k = tp / (n - 1.0f);
  const float gamma = gammaFunction(n).value_or(1.0f);
  const float full = area * model::kCfsHoursPerAcreInch; // cfs-hours in one inch over the area
  const float upk = full * std::pow(n - 1.0f, n - 1.0f) * std::exp(1.0f - n) / (gamma * k);
  // Far past the peak (a step far longer than TP) the power overflows while
  // the exponential is 0: the ordinate is 0, not infinity times 0.
  auto ordinate = [upk, n, tp](float t) {
    const float rise = std::pow(t / tp, n - 1.0f);
    const float fall = std::exp((1.0f - n) * (t / tp - 1.0f));
    return fall == 0.0f ? 0.0f : upk * rise * fall;
  };
  NashUnitHydrograph uh;
  static_cast<UnitHydrograph&>(uh) = tabulateUnitHydrograph(area, dt, model::kMaxOrdinates, upk, ordinate);
  uh.k = k;
  return uh;
}

std::vector<WetStep> wetSteps(std::span<const float> excess, int nrain) {
  std::vector<WetStep> wet;
  const int last = std::min(nrain, static_cast<int>(excess.size()) - 1);
  const float* e = excess.data();
  // A step is dry when the bits of its excess, the sign aside, are all 0
  // (+0 or -0); NaN counts as wet. Dry stretches are passed eight steps at a time.
  auto bits = [e](int i) { return std::bit_cast<std::uint32_t>(e[i]) << 1; };
  auto take = [&](int i) {
    if (bits(i) != 0) wet.push_back({i, e[i]});
  };
  int i = 1;
  for (; i + 7 <= last; i += 8) {
    std::uint32_t any = 0;
    for (int k = 0; k < 8; ++k) any |= bits(i + k);
    if (any == 0) continue;
    for (int k = 0; k < 8; ++k) take(i + k);
  }
  for (; i <= last; ++i) take(i);
  return wet;
}

void convolve(const std::vector<WetStep>& wet, std::span<const float> u, int nuh, float dt, std::span<float> q) {
  const int limit = model::kMaxOrdinates;
  // Ordinates of 0 at the end add nothing: a step far longer than the time
  // to peak leaves a unit hydrograph of zeros to the ordinate limit, whose
  // convolution with a long storm would take billions of additions of 0.
  while (nuh > 2 && u[static_cast<std::size_t>(nuh)] == 0.0f) --nuh;
  for (const WetStep& w : wet) {
    const int m = w.at;
    const float e = w.excess;
    if (!(e > 0.0f)) continue;
    const int kEnd = std::min(nuh, limit - m + 1);
    float* out = q.data() + (m - 1);
    for (int k = 2; k <= kEnd; ++k) out[k] += dt * u[static_cast<std::size_t>(k)] * e;
  }
}

void convolve(std::span<const float> excess, int nrain, std::span<const float> u, int nuh, float dt,
              std::span<float> q) {
  convolve(wetSteps(excess, nrain), u, nuh, dt, q);
}

namespace {

// The running sums up to the step before the window and up to its last step
// are each added up step by step from the start: no table of them is kept,
// which for a twelve-year record would be 800 KiB per surface. A step without
// excess adds nothing to either sum, so only the wet steps move them; between
// two of them every window has the same sum and is looked at once.
float windowIntensity(const std::vector<WetStep>& wet, int nr, int width) {
  const int lastStart = nr - width + 1;
  if (lastStart < 1) return 0.0f;
  double before = 0.0, through = 0.0;
  std::size_t b = 0, t = 0; // the next wet step to enter `before` and `through`
  for (; t < wet.size() && wet[t].at <= width; ++t) through += wet[t].excess;
  double best = std::max(0.0, through - before);
  for (;;) {
    // The next window start at which either sum moves.
    const int nextBefore = b < wet.size() && wet[b].at <= lastStart ? wet[b].at : lastStart + 1;
    const int nextThrough = t < wet.size() && wet[t].at <= nr ? wet[t].at - width : lastStart + 1;
    const int s = std::min(nextBefore, nextThrough);
    if (s > lastStart) break;
    if (s == nextBefore) before += wet[b++].excess;
    if (s == nextThrough) through += wet[t++].excess;
    if (s < lastStart) best = std::max(best, through - before);
  }
  return static_cast<float>(best) / static_cast<float>(width);
}

} // namespace

float windowIntensity(std::span<const float> excess, int nrain, int nr, int width) {
  return windowIntensity(wetSteps(excess, nrain), nr, std::max(width, 1));
}

StorageCoefficient storageCoefficient(std::span<const float> excess, int nrain, float dt, const SurfaceShape& shape,
                                      float addK, bool roundToK, bool firstTrialOnly) {
  return storageCoefficient(wetSteps(excess, nrain), nrain, dt, shape, addK, roundToK, firstTrialOnly);
}

StorageCoefficient storageCoefficient(const std::vector<WetStep>& wet, int nrain, float dt, const SurfaceShape& shape,
                                      float addK, bool roundToK, bool firstTrialOnly) {
  StorageCoefficient r;
  const int nr = std::max(nrain, kMinWindowSteps);
  auto kinematicK = [&](float imax) {
    return 0.00775f * std::pow(shape.manning * shape.length, 0.6f) * std::pow(imax, -0.4f) *
               std::pow(shape.slope, -0.3f) +
           addK;
  };
  auto roundedSteps = [dt](float k) { return std::max(1, model::truncatedInt(k / dt + 0.5f)); };

  const bool given = shape.given > 0.0f;
  int ns = given ? roundedSteps(shape.given) : 1;
  float best = 9999.0f;
  bool havePrevious = false;
  for (;;) {
    const float imax = windowIntensity(wet, nr, std::min(ns, nr));
    if (!(imax > 0.0f)) {
      if (havePrevious) break; // wider windows than the storm: keep the best trial
      r = StorageCoefficient{};
      return r;
    }
    const float k = kinematicK(imax);
    // A flat surface has no kinematic travel time; the caller rejects it.
    if (!std::isfinite(k) && !given) {
      r.runoff = true;
      r.imax = imax;
      r.window = r.ns = ns;
      r.k = k;
      return r;
    }
    if (given || firstTrialOnly) {
      r.runoff = true;
      r.imax = imax;
      r.window = ns;
      r.k = given ? shape.given : k;
      r.ns = given ? roundedSteps(r.k) : 1;
      r.tp = static_cast<float>(r.ns) * dt;
      return r;
    }
    const float diff = std::fabs(k - static_cast<float>(ns) * dt);
    if (diff > best && havePrevious) break;
    best = diff;
    havePrevious = true;
    r.runoff = true;
    r.imax = imax;
    r.k = k;
    r.ns = ns;
    r.window = ns;
    if (ns >= nr) break;
    ++ns;
  }
  if (roundToK) r.ns = roundedSteps(r.k);
  r.tp = static_cast<float>(r.ns) * dt;
  return r;
}

SurfaceUnitHydrograph surfaceUnitHydrograph(float area, float fraction, float tp, float k, float dt, float ptot,
                                            bool normalise) {
  SurfaceUnitHydrograph uh;
  uh.c = (1.0f - std::exp(-tp / k)) / tp;
  const float scale = area * fraction * model::kCfsHoursPerAcreInch;
  uh.ord.assign(2, 0.0f);
  float sum = 0.0f;
  int j = 2;
  for (;; ++j) {
    const float t = static_cast<float>(j - 1) * dt;
    const float u = t <= tp ? uh.c * t / tp : uh.c * std::exp(-(t - tp) / k);
    sum += u;
    const float ordinate = area * u * fraction * model::kCfsHoursPerAcreInch;
    uh.ord.push_back(ordinate);
    if ((t > tp && ordinate * ptot < hydrograph::kTailFlow) || j >= model::kMaxOrdinates) break;
  }
  uh.nuh = j;
  // The shape is brought to hold exactly one inch when it is off by more than
  // 1 % of a step's worth.
  if (normalise && std::fabs(sum - 1.0f / dt) > 0.01f && sum > 0.0f) {
    const float by = dt * sum;
    for (int i = 1; i <= uh.nuh; ++i) uh.ord[static_cast<std::size_t>(i)] /= by;
    uh.c /= by;
  }
  uh.peak = scale * uh.c;
  return uh;
}

} // namespace runoff
