// Variable storage-coefficient channel routing.
#include "routing/channel.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

#include "model/limits.h"
#include "model/units.h"

namespace routing {

namespace {

constexpr float kSecondsPerHour = 3600.0f;
constexpr int kMaxIterations = 20;
constexpr float kTolerance = 0.01f;    // relative change that ends the iteration
constexpr float kMinFallRatio = 0.01f; // below it the fall correction is not trusted
constexpr float kDrained = 0.001f;     // storage term (cfs) below which the reach is empty
constexpr float kStorageUlps = 8.0f;   // units in the last place of the storage the drain test allows

struct DepthTime {
  float depth = 0.0f;
  float time = 0.0f;
};

// Depth and travel time for flow q: below the first row the depth is
// proportional to the flow at the first row's time; between rows linear in
// flow; above the last row the last row.
DepthTime lookUp(const model::TravelTimeTable& t, float q) {
  const auto& y = t.depth;
  const auto& f = t.flow;
  const auto& tt = t.time;
  if (q < f[1]) return {f[1] > 0.0f ? q / f[1] * y[1] : 0.0f, tt[1]};
  if (q == f[1]) return {y[1], tt[1]};
  if (q > f[model::kTravelRows]) return {y[model::kTravelRows], tt[model::kTravelRows]};
  int k = 2;
  while (k < model::kTravelRows && f[k] < q) ++k;
  // f[k-1] < q <= f[k]: the span is never 0.
  const float w = (q - f[k - 1]) / (f[k] - f[k - 1]);
  return {y[k - 1] + (y[k] - y[k - 1]) * w, tt[k - 1] + (tt[k] - tt[k - 1]) * w};
}

// The routing step and the inflow (plus baseflow) at that step. Returns the
// number of inflow values the routing may read as the inflow proper.
void prepareInflow(const ChannelRoutingInput& in, ChannelRoutingResult& r, std::vector<float>& inflow) {
  const int nIn = static_cast<int>(in.inflow.size());
  float dt = in.requestedDt > 0.0f ? in.requestedDt : in.inflowDt;
  if (in.inflowDt < dt) {
    r.dtReduced = true;
    dt = in.inflowDt;
  }
  const float ratio = in.inflowDt / dt;
  if (ratio < 1.5f) {
    r.nsub = 1;
    r.dt = in.inflowDt;
    for (int k = 1; k <= nIn; ++k) inflow[k] = in.inflow[k - 1] + in.base;
    return;
  }
  r.nsub = model::truncatedInt(ratio + 0.55f);
  if (std::fabs(dt - in.inflowDt / static_cast<float>(r.nsub)) > 0.1f) r.dtAdjusted = true;
  r.dt = in.inflowDt / static_cast<float>(r.nsub);
  if (static_cast<long long>(r.nsub) * nIn > model::kMaxOrdinates) r.cut = true;
  // Linear interpolation between inflow ordinates, NSUB values per step.
  inflow[1] = in.inflow.empty() ? 0.0f : in.inflow[0] + in.base;
  const float nsub = static_cast<float>(r.nsub);
  for (int i = 2; i <= nIn; ++i) {
    if (static_cast<long long>(i - 1) * r.nsub + 1 > model::kMaxOrdinates) break;
    const float q1 = in.inflow[i - 2] + in.base;
    const float q2 = in.inflow[i - 1] + in.base;
    for (int m = 1; m <= r.nsub; ++m) inflow[(i - 2) * r.nsub + m + 1] = q1 + (q2 - q1) / nsub * static_cast<float>(m);
  }
}

// The state the storage-coefficient routing carries from step to step.
class Reach {
public:
  // The reach starts in the state of its baseflow: its travel time that of
  // the baseflow and the first outflow guess the baseflow itself. Without a
  // baseflow the first row's time and a guess of 1 cfs.
  Reach(const model::TravelTimeTable& table, float fall, float dt, float base, float baseTime)
      : table_(table), fall_(fall), dt_(dt), tPrev_(baseTime), travel_(baseTime), guess_(base > 0.0f ? base : 1.0f),
        baseTime_(baseTime), baseCoefficient_(2.0f * dt / (dt + 2.0f * baseTime)) {}

  // Outflow of one step for the inflow iNow (iPrev the step before) and the
  // inflow-plus-storage term x.
  float step(float iPrev, float iNow, float x, ChannelRoutingResult& r) {
    float outflow = 0.0f;
    if (iNow > table_.flow[model::kTravelRows]) {
      // Beyond the table: the previous coefficient carries on (the top row's
      // before any step has converged).
      r.tableExceeded = true;
      if (!converged_) {
        in_ = out_ = DepthTime{table_.depth[model::kTravelRows], table_.time[model::kTravelRows]};
        ++r.tableCoefficientSteps;
      }
      outflow = carriedCoefficient() * x;
    } else if (!iterate(iPrev, iNow, x, outflow)) {
      if (!converged_) ++r.tableCoefficientSteps;
      outflow = carriedCoefficient() * x;
      ++r.nonConverged;
    }
    tPrev_ = travel_;
    return outflow;
  }

  // Past the inflow, once the method no longer brings the reach nearer to
  // its baseflow (on a nearly flat reach, or one routed on a step longer
  // than its travel time, it can circle about the baseflow's storage or
  // settle at another): the coefficient that passes the baseflow unchanged,
  // under which the storage returns to the baseflow's step by step.
  float settle(float x) {
    travel_ = baseTime_;
    tPrev_ = baseTime_;
    return baseCoefficient_ * x;
  }

  DepthTime inflowAt() const { return in_; }
  DepthTime outflowAt() const { return out_; }

private:
  // The coefficient of a step that has none of its own: the previous step's.
  // Before any step has converged there is none (a 0 would hold every drop of
  // the inflow in the reach for good: on a nearly flat reach no step may ever
  // converge), so the table's own coefficient serves, the travel times of the
  // inflow and of the outflow guess without the fall correction (Z = 1),
  // never above 1 so that no step sends out more than the reach holds.
  float carriedCoefficient() {
    if (converged_) return cPrev_;
    travel_ = (in_.time + out_.time) / 2.0f;
    return std::min(1.0f, 2.0f * dt_ / (dt_ + travel_ + tPrev_));
  }

  // Fixed-point iteration on the outflow guess; false when 20 iterations
  // pass without two outflows within 1% of each other.
  bool iterate(float iPrev, float iNow, float x, float& outflow) {
    in_ = lookUp(table_, iNow);
    for (int it = 0; it < kMaxIterations; ++it) {
      out_ = lookUp(table_, guess_);
      // Bed fall over water-surface fall; a surface that does not fall (or
      // barely does) gives no usable correction.
      const float surfaceFall = fall_ + in_.depth - out_.depth;
      const float z = surfaceFall > 0.0f ? fall_ / surfaceFall : 0.0f;
      if (!(z > kMinFallRatio)) {
        guess_ = iPrev;
        continue;
      }
      travel_ = (in_.time + out_.time) / 2.0f * std::sqrt(z);
      const float c = 2.0f * dt_ / (dt_ + travel_ + tPrev_);
      const float o = c * x;
      // An outflow equal to the guess has converged, a zero one included (the
      // 1e-21 only keeps the ratio finite: it must not make a dry step count
      // as a failure).
      if (o == guess_ || std::fabs(1.0f - o / (guess_ + 1e-21f)) <= kTolerance) {
        outflow = o;
        cPrev_ = c;
        converged_ = true;
        return true;
      }
      guess_ = o;
    }
    return false;
  }

  const model::TravelTimeTable& table_;
  float fall_, dt_;
  float cPrev_ = 0.0f;      // coefficient of the previous step that converged
  bool converged_ = false; // some step has converged: cPrev_ holds its coefficient
  float tPrev_;        // Tp
  float travel_;       // T, the last travel time computed
  float guess_ = 1.0f; // G, carried from step to step
  float baseTime_;        // travel time of the baseflow
  float baseCoefficient_; // the coefficient that passes the baseflow unchanged
  DepthTime in_{}, out_{};
};

// Velocity through the reach at a travel time (0 where there is none).
float velocity(float length, float hours) { return hours > 0.0f ? length / (kSecondsPerHour * hours) : 0.0f; }

} // namespace

ReachLength judgeReach(const ChannelRoutingInput& in) {
  ReachLength r;
  if (in.table == nullptr || in.inflow.empty() || !(in.inflowDt > 0.0f)) return r;
  const std::span<const float> q = in.inflow;
  std::size_t peak = 0;
  for (std::size_t k = 1; k < q.size(); ++k) {
    if (q[k] > q[peak]) peak = k;
  }
  if (!(q[peak] > 0.0f)) return r;
  std::size_t start = peak;
  while (start > 0 && q[start] > 0.01f * q[peak]) --start;
  r.rise = std::max(1.0f, static_cast<float>(peak - start)) * in.inflowDt;
  r.travel = lookUp(*in.table, q[peak] + in.base).time;
  const float within = kLongReachRatio * r.rise;
  r.tooLong = r.travel > within;
  // Bounded: a reach of any length asks for a countable number of parts.
  const float parts = std::ceil(std::min(r.travel / within, 1.0e6f));
  r.reaches = r.tooLong ? std::max(2, static_cast<int>(parts)) : 1;
  return r;
}

double inflowLostInBase(std::span<const float> inflow, float base) {
  double volume = 0.0, lost = 0.0;
  for (const float q : inflow) {
    const float carried = (q + base) - base;
    volume += std::fabs(static_cast<double>(q));
    lost += std::fabs(static_cast<double>(carried) - static_cast<double>(q));
  }
  return volume > 0.0 ? lost / volume : 0.0;
}

ChannelRoutingResult routeChannel(const ChannelRoutingInput& in) {
  ChannelRoutingResult r;
  constexpr int kMax = model::kMaxOrdinates;
  // Nothing to route: no peak, no reach, or ordinates without a time step. An
  // inflow without an area still carries its water: it is routed, with no
  // depth of runoff.
  if (in.inflowPeak == 0.0f || in.table == nullptr || !(in.inflowDt > 0.0f)) {
    r.dry = true;
    r.dt = in.requestedDt > 0.0f ? in.requestedDt : in.inflowDt;
    r.npts = 3;
    // Nothing above a base flow: the base flow itself passes, unchanged, for
    // at least as long as the inflow lasted (3 ordinates would drop the rest).
    if (in.base > 0.0f && in.inflowDt > 0.0f && r.dt > 0.0f) {
      r.basePassed = true;
      const double span = std::ceil(static_cast<double>(in.inflow.size()) * in.inflowDt / r.dt);
      r.npts = static_cast<int>(std::clamp(span, 3.0, static_cast<double>(kMax)));
    }
    r.q.assign(static_cast<std::size_t>(r.npts) + 1, 0.0f);
    return r;
  }
  const model::TravelTimeTable& table = *in.table;
  const float base = in.base;

  // Index 0 unused; one spare slot past the last step keeps every read in range.
  // Past its last ordinate the inflow goes on at its baseflow (0 without one):
  // the baseflow is constant, and a reach whose baseflow stopped at the end of
  // the record would drain it and lose that volume from the hydrograph.
  std::vector<float> inflow(static_cast<std::size_t>(kMax) + 2, base);
  prepareInflow(in, r, inflow);
  const float dt = r.dt;
  const int steps = static_cast<int>(
      std::min<long long>(static_cast<long long>(r.nsub) * static_cast<long long>(in.inflow.size()), kMax));

  std::vector<float>& q = r.q;
  q.assign(static_cast<std::size_t>(kMax) + 2, 0.0f);
  // The outflow starts at the baseflow; leading dry steps pass it straight through.
  q[1] = base;
  int i = 2;
  while (i <= kMax && i - 2 < steps - 1 && inflow[i] - base <= 0.0f) q[i++] = base;

  // The reach starts holding its baseflow: the storage term at which the
  // baseflow passes unchanged (Z = 1, both travel times that of the
  // baseflow). Without a baseflow the reach starts empty.
  const float baseTime = lookUp(table, base).time;
  const float baseStorage = base > 0.0f ? base * (2.0f * baseTime - dt) / (2.0f * dt) : 0.0f;
  // The reach is back at its baseflow when its storage is within this of the
  // baseflow's, above or below: a storage that dropped below it refills
  // from the inflow, and the outflow of that refill is part of the routing.
  // Under a large baseflow single precision cannot come nearer than a few
  // units in the last place of the storage.
  const float drained =
      std::max(kDrained, kStorageUlps * std::numeric_limits<float>::epsilon() * (std::fabs(baseStorage) + base));
  float storage = baseStorage; // S, flow units
  Reach reach(table, in.fall, dt, base, baseTime);
  float sum = 0.0f;
  int last = kMax;
  float away = 0.0f;     // how far the storage was from the baseflow's a step before
  bool settling = false; // past the inflow, the baseflow's coefficient routes
  float before = storage; // the storage a step before
  for (; i <= kMax; ++i) {
    // Past the inflow, back at the baseflow, with the reach drained to it;
    // or settled under the baseflow's coefficient, where single precision
    // holds the storage a few units in its last place from the baseflow's.
    const bool past = i > steps && inflow[i] == base;
    const float off = std::fabs(storage - baseStorage);
    if (past && (off < drained || (settling && storage == before))) {
      last = i - 1;
      break;
    }
    // Without a baseflow every coefficient drains the reach towards empty.
    if (past && base > 0.0f && off >= away && away > 0.0f) settling = true;
    away = past ? off : 0.0f;
    before = storage;
    const float x = (inflow[i - 1] + inflow[i]) / 2.0f + storage;
    const float outflow = settling ? reach.settle(x) : reach.step(inflow[i - 1], inflow[i], x, r);
    q[i] = outflow;
    const DepthTime o = reach.outflowAt(), n = reach.inflowAt();
    if (o.depth > r.maxOutflowDepth) {
      r.maxOutflowDepth = o.depth;
      r.maxOutflowVelocity = velocity(table.length, o.time);
    }
    if (n.depth > r.maxInflowDepth) {
      r.maxInflowDepth = n.depth;
      r.maxInflowVelocity = velocity(table.length, n.time);
    }
    storage = x - outflow;
    const float net = outflow - base;
    sum += net;
    if (net > r.qpeak) {
      r.qpeak = net;
      r.tpeak = dt * static_cast<float>(i - 1);
    }
  }
  r.npts = std::min(last, kMax);
  // Water the reach still held when the ordinates ran out.
  if (last == kMax) r.endStorage = std::max(0.0f, storage - baseStorage);
  r.rv = in.area != 0.0f ? sum * dt / (in.area * model::kCfsHoursPerAcreInch) : 0.0f;
  // The stored outflow excludes the baseflow that the routing carried. While
  // the reach refills it may pass less than its baseflow: an ordinate cannot
  // hold that, so it is stored as 0 and what it lacked is taken from the
  // ordinates that follow (from those before when none follow), and the
  // routed volume stays whole.
  q.resize(static_cast<std::size_t>(r.npts) + 1);
  float owed = 0.0f;
  for (int k = 1; k <= r.npts; ++k) {
    const float net = q[k] - base - owed;
    owed = net < 0.0f ? -net : 0.0f;
    q[k] = std::max(0.0f, net);
  }
  for (int k = r.npts; k >= 1 && owed > 0.0f; --k) {
    const float taken = std::min(q[k], owed);
    q[k] -= taken;
    owed -= taken;
  }
  return r;
}

} // namespace routing
