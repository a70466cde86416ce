// SMIN and SMAX of the continuous curve-number store. The wettest store SMIN
// and the driest SMAX bound the S that follows the antecedent precipitation
// index; by default SMAX is the store of dry antecedent conditions widened by
// 1/0.85 and SMIN is 15 % of it.
#include "runoff/store_bounds.h"

#include <algorithm>
#include <array>

#include "run/messages.h"

namespace runoff {

namespace {

// Dry-condition curve numbers (antecedent runoff condition I) for CN 0..100.
constexpr std::array<float, 101> kDryCurveNumbers{
    0.0f,  0.4f,  0.8f,  1.2f,  1.6f,  2.0f,  2.4f,  2.8f,  3.2f,  3.6f,  4.0f,  4.4f,  4.8f,  5.2f,  5.6f,
    6.0f,  6.6f,  7.2f,  7.8f,  8.4f,  9.0f,  9.6f,  10.2f, 10.8f, 11.4f, 12.0f, 12.6f, 13.2f, 13.8f, 14.4f,
    15.0f, 16.0f, 16.0f, 17.0f, 18.0f, 18.0f, 19.0f, 20.0f, 21.0f, 21.0f, 22.0f, 23.0f, 24.0f, 25.0f, 25.0f,
    26.0f, 27.0f, 28.0f, 29.0f, 30.0f, 31.0f, 31.0f, 32.0f, 33.0f, 34.0f, 35.0f, 36.0f, 37.0f, 38.0f, 39.0f,
    40.0f, 41.0f, 42.0f, 43.0f, 44.0f, 45.0f, 46.0f, 47.0f, 48.0f, 50.0f, 51.0f, 52.0f, 53.0f, 54.0f, 55.0f,
    57.0f, 58.0f, 59.0f, 60.0f, 62.0f, 63.0f, 64.0f, 66.0f, 67.0f, 68.0f, 70.0f, 72.0f, 73.0f, 75.0f, 76.0f,
    78.0f, 80.0f, 81.0f, 83.0f, 85.0f, 87.0f, 89.0f, 91.0f, 94.0f, 97.0f, 100.0f};

} // namespace

float dryConditionCurveNumber(int cn) {
  // Curve numbers outside 0..100 are not curve numbers; the nearest end of the
  // table keeps the lookup inside it.
  return kDryCurveNumbers[static_cast<std::size_t>(std::clamp(cn, 0, 100))];
}

StoreBounds deriveStoreBounds(float cn, float smin, float smax) {
  StoreBounds b{cn, smin, smax};
  if (cn == 0.0f) {
    // No curve number: an enormous store, and a tiny CN so that 1000/CN stays finite.
    b.smax = 99999.0f;
    b.smin = 99998.0f;
    b.cn = 0.001f;
    return b;
  }
  const float cn1 = dryConditionCurveNumber(model::truncatedInt(cn));
  // CN below 1 has a dry-condition CN of 0: its store is unbounded, like CN 0.
  const float s1 = cn1 > 0.0f ? 1000.0f / cn1 - 10.0f : 99999.0f;
  if (b.smax < 0.0f) b.smax = s1 / 0.85f;
  if (b.smin < 0.0f) b.smin = 0.15f * b.smax;
  if (b.smax == 0.0f) {
    b.smax = 0.0001f;
    b.smin = 0.0f;
  }
  if (b.smax <= b.smin) b.cn = StoreBounds::kFailedCurveNumber;
  return b;
}

StoreBounds storeBounds(model::RunContext& ctx, float cn, float smin, float smax) {
  const StoreBounds b = deriveStoreBounds(cn, smin, smax);
  if (b.failed()) run::issue(ctx, msg::kSminAboveSmax, run::Severity::Warning);
  return b;
}

} // namespace runoff
