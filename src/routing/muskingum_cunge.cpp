// Muskingum-Cunge routing for a partly full circular pipe. Each outflow comes
// from the previous inflow I1, the current inflow I2 and the previous outflow
// O1: O2 = c1 I2 + c2 O1 + c0 I1, with coefficients from the Courant number
// C = c dt / L and the cell Reynolds number D = Q / (B S c L).
#include "routing/muskingum_cunge.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "model/units.h"
#include "routing/pipe_size.h"

namespace routing {

namespace {

// Partial-flow table of a circular pipe: flow ratio Q/Qfull and depth ratio y/D.
constexpr std::array<float, 11> kFlowRatio{0.0f, 0.02f, 0.07f, 0.17f, 0.32f, 0.5f, 0.67f, 0.85f, 0.97f, 0.99f, 1.0f};
constexpr std::array<float, 11> kDepthRatio{0.0f, 0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f, 0.7f, 0.8f, 0.9f, 1.0f};

constexpr float kMinDepth = 0.001f; // ft; shallower flows use 0.2 D
constexpr float kDefaultRatio = 0.2f;
// Above about 0.94 D the flow of a circular pipe falls as the crown closes and
// dQ/dy turns negative: celerities are taken at most at 0.9 D, the table's
// depth for 0.99 of the full flow, so that they stay positive.
constexpr float kMaxRatio = 0.9f;
constexpr float kPeakDepthLimit = 0.6f;  // travel time judged at most at 0.6 D
constexpr float kRatingManning = 1.487f; // the low flow's constant, as written
constexpr float kRatingExponent = 0.6667f;
constexpr float kLowFlowArea = 0.015f;     // share of the full area
constexpr float kLowFlowCosine = 0.2125f;  // (D/2 - 0.075 D) / D / 2
constexpr float kTailFlow = 0.035f;        // cfs above the base that ends the outflow
constexpr float kVolumeTolerance = 0.005f; // accepted drift of the written scheme
constexpr int kMaxPieces = 1000;           // sub-reaches, and sub-steps
constexpr int kMaxWork = 4096;             // sub-reaches times sub-steps
// Node updates (sub-reaches times sub-steps times routing steps) that the
// routing on sub-reaches may spend, well under a second. A long record
// gets fewer pieces per step; a record that asks for more is routed on the
// finest division within it, its Courant number held where the coefficients
// stay non-negative (the result flags the division as capped).
constexpr long long kWorkBudget = 1LL << 24;
// A flow within this share of the base flow is the base flow as far as single
// precision can tell: a tail that far above a huge base flow has ended.
constexpr float kBaseResolution = 1.0f / (1 << 20);

// The outflow's tail has ended: within the tail flow of the base flow, or
// within what single precision resolves against a base flow that large.
bool tailEnded(float o2, float qb) { return o2 - qb < kTailFlow || o2 - qb <= qb * kBaseResolution; }

struct Coefficients {
  float c0 = 0.0f, c1 = 0.0f, c2 = 0.0f;
};

// Muskingum-Cunge coefficients; x is the cell Reynolds number limited to 0..1.
Coefficients coefficients(float courant, float x) {
  const float d = 1.0f + courant + x;
  return {(courant + 1.0f - x) / d, (x + courant - 1.0f) / d, (1.0f - courant + x) / d};
}

// The scheme as written: parameters from the mean over I1, I2 and O1 at every
// step; steps at the base flow pass the base flow without evaluating them.
RoutingResult routeWritten(const PipeReach& pipe, std::vector<float>& in, const RoutingInput& input, int maxSteps) {
  RoutingResult r;
  r.outflow.assign(static_cast<std::size_t>(maxSteps) + 1, 0.0f);
  const float qb = input.base;
  const float dts = input.dt * model::kSecondsPerHour;
  Celerity previousI2;
  bool carried = false; // previousI2 was evaluated at the step before
  r.outflow[1] = qb;
  r.npts = 1;
  for (int i = 2; i <= maxSteps; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const float i1 = in[k - 1];
    if (in[k] == 0.0f) in[k] = qb;
    const float i2 = in[k];
    float o1 = r.outflow[k - 1];
    if (o1 <= 0.0f) o1 = qb;
    float o2 = qb;
    if (i1 > qb || i2 > qb || o1 > qb) {
      // I1's parameters carry over from the step before; after steps at the
      // base flow they are evaluated afresh rather than taken stale.
      const Celerity a = carried ? previousI2 : celerity(pipe, i1);
      const Celerity b = celerity(pipe, i2);
      const Celerity c = celerity(pipe, o1);
      const float x = std::clamp((a.dn + b.dn + c.dn) / 3.0f, 0.0f, 1.0f);
      const float courant = (dts * a.c / pipe.length + dts * b.c / pipe.length + dts * c.c / pipe.length) / 3.0f;
      const Coefficients k3 = coefficients(courant, x);
      o2 = std::max(k3.c1 * i2 + k3.c2 * o1 + k3.c0 * i1, qb);
      previousI2 = b;
      carried = true;
    } else {
      carried = false;
    }
    r.outflow[k] = o2;
    r.npts = i;
    if (i > input.steps && tailEnded(o2, qb)) break;
  }
  return r;
}

// Sub-reaches N and sub-steps M for a Courant number N / (M rho) as close to 1
// as needed for non-negative coefficients: 1 - D <= C <= 1 + D. At most
// `maxWork` pieces (N times M) per routing step; when no division within that
// reaches the band, the closest one is taken with its Courant number moved
// into the band, so that the coefficients stay non-negative (the travel time
// through the pipe is then approximate) and `capped` is set.
struct Division {
  int reaches = 1, steps = 1;
  float courant = 1.0f, x = 1.0f;
  bool capped = false;
};

Division divide(float rho, float diffusionLength, float length, int maxWork) {
  // No celerity to speak of (a Manning n or a size at the edge of single
  // precision gives an infinite or undefined one): one piece, plain translation.
  if (!(rho > 0.0f) || !std::isfinite(rho)) return {1, 1, 1.0f, 0.5f};
  // A pipe longer than the finest division allows: the most sub-reaches.
  const int maxPieces = std::min(kMaxPieces, maxWork);
  Division best{maxPieces, 1, static_cast<float>(maxPieces) / rho,
                std::min(diffusionLength * static_cast<float>(maxPieces) / length, 1.0f)};
  float bestMiss = -1.0f;
  for (int m = 1; m <= maxWork; ++m) {
    const float exact = static_cast<float>(m) * rho;
    if (exact + 0.5f >= static_cast<float>(maxPieces + 1)) break;
    const int n = std::max(1, static_cast<int>(exact + 0.5f));
    if (n * m > maxWork) break;
    const float courant = static_cast<float>(n) / exact;
    const float x = std::min(diffusionLength * static_cast<float>(n) / length, 1.0f);
    const float miss = std::fabs(courant - 1.0f);
    if (bestMiss < 0.0f || miss < bestMiss) {
      best = {n, m, courant, x};
      bestMiss = miss;
    }
    if (miss <= x) return {n, m, courant, x};
  }
  // No division within the pieces allowed gives non-negative coefficients.
  const float x = std::isfinite(best.x) ? std::clamp(best.x, 0.0f, 1.0f) : 1.0f;
  if (!(std::fabs(best.courant - 1.0f) <= x)) {
    best.courant = std::clamp(std::isfinite(best.courant) ? best.courant : 1.0f, 1.0f - x, 1.0f + x);
    best.x = x;
    best.capped = true;
  }
  return best;
}

// Constant parameters of the inflow peak on sub-reaches and sub-steps: every
// outflow is a weighted mean of earlier flows with weights that sum to 1, so
// volume is kept and no flow rises above the inflow peak.
RoutingResult routeDivided(const PipeReach& pipe, const std::vector<float>& in, const RoutingInput& input,
                           int maxSteps, int plannedSteps) {
  const float qb = input.base;
  float reference = qb;
  for (const float q : in) reference = std::max(reference, q);
  const Celerity ref = celerity(pipe, reference);
  const float dts = input.dt * model::kSecondsPerHour;
  const float rho = pipe.length / (ref.c * dts);
  const int planned = std::max(plannedSteps, 1);
  const int maxWork = static_cast<int>(std::clamp<long long>(kWorkBudget / planned, 1, kMaxWork));
  const Division div = divide(rho, ref.dn * pipe.length, pipe.length, maxWork);
  const Coefficients k3 = coefficients(div.courant, div.x);

  RoutingResult r;
  r.stabilised = true;
  r.capped = div.capped;
  r.subReaches = div.reaches;
  r.subSteps = div.steps;
  r.outflow.assign(static_cast<std::size_t>(maxSteps) + 1, 0.0f);
  std::vector<float> node(static_cast<std::size_t>(div.reaches) + 1, qb);
  const auto inflowAt = [&](int i) {
    const float q = i <= maxSteps ? in[static_cast<std::size_t>(i)] : 0.0f;
    return q == 0.0f ? qb : q;
  };
  // A tail longer than the steps the division was sized for may spend the
  // budget once more, and ends there.
  const long long perStep = static_cast<long long>(div.reaches) * div.steps;
  long long work = 0;
  node[0] = inflowAt(1);
  r.outflow[1] = qb;
  r.npts = 1;
  for (int i = 2; i <= maxSteps; ++i) {
    if (i > planned && work >= 2 * kWorkBudget) {
      r.tailCut = true;
      break;
    }
    const float from = inflowAt(i - 1);
    const float to = inflowAt(i);
    for (int m = 1; m <= div.steps; ++m) {
      // Each node from its upstream neighbour now and before, and itself before.
      float upstreamBefore = node[0];
      node[0] = from + (to - from) / static_cast<float>(div.steps) * static_cast<float>(m);
      for (std::size_t j = 1; j < node.size(); ++j) {
        const float before = node[j];
        node[j] = k3.c1 * node[j - 1] + k3.c0 * upstreamBefore + k3.c2 * before;
        upstreamBefore = before;
      }
    }
    work += perStep;
    const float o2 = std::max(node.back(), qb);
    r.outflow[static_cast<std::size_t>(i)] = o2;
    r.npts = i;
    if (i > input.steps && tailEnded(o2, qb)) break;
  }
  return r;
}

} // namespace

float depthRatio(float flowRatio) {
  std::size_t k = kFlowRatio.size() - 1; // past the table: its last segment
  for (std::size_t i = 0; i < kFlowRatio.size(); ++i) {
    if (kFlowRatio[i] >= flowRatio) {
      k = i;
      break;
    }
  }
  const std::size_t j = k == 0 ? 1 : k - 1;
  return kDepthRatio[j] +
         (flowRatio - kFlowRatio[j]) / (kFlowRatio[k] - kFlowRatio[j]) * (kDepthRatio[k] - kDepthRatio[j]);
}

float celerityAtDepth(const PipeReach& pipe, float y) {
  const float d = pipe.diameter;
  const float th = 2.0f * std::acos(1.0f - 2.0f * y / d);
  const float k1 = kManning * std::sqrt(pipe.slope) / pipe.n;
  const float area = (th - std::sin(th)) * d * d * 0.125f;
  const float radius = (1.0f - std::sin(th) / th) * d * 0.25f;
  const float half = std::sin(th / 2.0f);
  const float dRdy = (std::sin(th) - th * std::cos(th)) / (th * th * half);
  const float top = d * (1.0f - std::cos(th)) * 0.5f / half;
  const float dQdy =
      k1 * (0.6667f * area * std::pow(radius, -1.0f / 3.0f) * dRdy + std::pow(radius, 2.0f / 3.0f) * top);
  return dQdy / top;
}

Celerity celerity(const PipeReach& pipe, float q) {
  const float d = pipe.diameter;
  float y = depthRatio(q / pipe.qfull) * d;
  if (y <= kMinDepth) y = kDefaultRatio * d;
  y = std::min(y, kMaxRatio * d);
  const float c = celerityAtDepth(pipe, y);
  const float th = 2.0f * std::acos(1.0f - 2.0f * y / d);
  const float top = d * (1.0f - std::cos(th)) * 0.5f / std::sin(th / 2.0f);
  return {c, q / (top * pipe.slope * c * pipe.length)};
}

float lowFlow(const PipeReach& pipe) {
  const float d = pipe.diameter;
  const float fullArea = 3.14159f * d * d / 4.0f;
  const float a0 = kLowFlowArea * fullArea;
  const float th0 = 2.0f * std::acos(kLowFlowCosine);
  const float r0 = a0 / (d / 2.0f * th0);
  return std::pow(r0, kRatingExponent) * kRatingManning / pipe.n * std::sqrt(pipe.slope) * a0;
}

float travelTimeAtPeak(const PipeReach& pipe, float peak) {
  const float d = pipe.diameter;
  float y = std::min(depthRatio(peak / pipe.qfull) * d, kPeakDepthLimit * d);
  if (y <= kMinDepth) y = kDefaultRatio * d;
  return pipe.length / celerityAtDepth(pipe, y);
}

RoutingResult routeMuskingumCunge(const PipeReach& pipe, RoutingInput input, int maxSteps) {
  std::vector<float> in = input.inflow;
  in.resize(static_cast<std::size_t>(maxSteps) + 1, 0.0f);
  RoutingResult written = routeWritten(pipe, in, input, maxSteps);

  // Volume and peak above the base flow, inflow against outflow.
  double inVolume = 0.0, outVolume = 0.0;
  float inPeak = 0.0f, outPeak = 0.0f;
  for (std::size_t i = 1; i < input.inflow.size(); ++i) {
    const float q = std::max(input.inflow[i] - input.base, 0.0f);
    inVolume += q;
    inPeak = std::max(inPeak, q);
  }
  for (int i = 1; i <= written.npts; ++i) {
    const float q = written.outflow[static_cast<std::size_t>(i)] - input.base;
    outVolume += q;
    outPeak = std::max(outPeak, q);
  }
  const bool holds = std::fabs(outVolume - inVolume) <= kVolumeTolerance * inVolume && outPeak <= inPeak;
  if (holds || inVolume <= 0.0 || input.dt <= 0.0f) return written;
  in = input.inflow;
  in.resize(static_cast<std::size_t>(maxSteps) + 1, 0.0f);
  return routeDivided(pipe, in, input, maxSteps, std::max(input.steps, written.npts));
}

} // namespace routing
