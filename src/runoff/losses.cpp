// Rainfall excess of one surface, step by step, with the state an event keeps:
// the abstraction still to fill, the cumulative effective rain P and excess Q
// of the event, the Horton time and the dry time since the last rain.
#include "runoff/losses.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "fortran/format.h"
#include "run/output.h"

namespace runoff {

namespace {

// Precision of the search for the Horton time that absorbs a given depth: one second.
constexpr float kHortonTimeTolerance = 1.0f / 3600.0f;

float intensityAt(const LossInput& in, int i) {
  return static_cast<std::size_t>(i) < in.rain.size() ? in.rain[static_cast<std::size_t>(i)] : 0.0f;
}

// API of the step that ends at DT * i, from the series of COMPUTE API. Without a
// series (or past its end) the nearest value available stands in, 0 when there
// is none, so that a missing series never reads outside it.
float apiAt(const model::ApiSeries* api, float dt, int i) {
  if (api == nullptr || api->dt <= 0.0f || api->API.empty()) return 0.0f;
  const int k = static_cast<int>(dt * static_cast<float>(i) / api->dt);
  const int last = static_cast<int>(api->API.size()) - 1;
  return api->API[static_cast<std::size_t>(std::clamp(k, 0, last))];
}

// The time t' > t at which the Horton curve has absorbed `x` more inches than at
// t. A halving search started half a step ahead: each step size is used for one
// move towards the target; the second move at a size is taken back and the size halved.
float hortonAbsorbTime(float fo, float fc, float dcay, float t, float dt, float x) {
  const float h0 = hortonDepth(fo, fc, dcay, t);
  float tp = t + dt / 2.0f;
  float h = dt / 2.0f;
  int moves = 0;
  while (hortonDepth(fo, fc, dcay, tp) - h0 != x && h > kHortonTimeTolerance) {
    const float step = hortonDepth(fo, fc, dcay, tp) - h0 > x ? -h : h;
    tp += step;
    ++moves;
    if (moves == 2) {
      tp -= step;
      moves = 0;
      h /= 2.0f;
    }
  }
  return tp;
}

}  // namespace

float hortonDepth(float fo, float fc, float dcay, float t) {
  if (dcay == 0.0f) return fo * t;
  return fc * t + (fo - fc) / dcay * (1.0f - std::exp(-dcay * t));
}

LossResult computeExcess(const LossInput& in, std::span<float> excess, std::span<float> groundwater) {
  const bool curveNumberForm = in.method < 0.0f;
  const float factor = std::fabs(in.method);
  const bool continuous = in.mode == 5;
  const float dt = in.dt;
  const float fo = in.v1, fc = in.v2, dcay = in.v3;
  const bool coefficient = in.coefficient || in.firstLoss < 0.0f;
  const float c = std::fabs(in.firstLoss);

  LossResult r;
  float ia = in.ia;
  float s = 0.0f;
  // A curve number of 0 has no finite store: nothing runs off.
  bool noRunoff = false;
  float t = 0.0f;  // Horton time, hours

  if (!curveNumberForm) {
    // Start the Horton curve where the given cumulative infiltration F is reached.
    if (in.firstLoss > 0.0f) {
      const float step = dt / 100.0f;
      float h = hortonDepth(fo, fc, dcay, t);
      while (h < in.firstLoss) {
        const float next = hortonDepth(fo, fc, dcay, t + step);
        // A curve that levels off below F (Fc = 0) or a step lost in rounding
        // would never get there: the capacity is then as spent as it can be.
        if (!(next > h)) break;
        t += step;
        h = next;
      }
    }
  } else if (!coefficient) {
    if (in.firstLoss > 0.0f) {
      s = 1000.0f / in.firstLoss - 10.0f;
      if (ia < 0.0f) ia = 0.2f * s;
    } else if (!continuous) {
      noRunoff = true;
    }
  }
  if (ia < 0.0f) ia = 0.0f;
  r.iaUsed = ia;

  float remaining = ia;
  float p = 0.0f, q = 0.0f, dry = 0.0f;
  float storage = in.gw.storage;
  const bool trackStore = continuous && curveNumberForm;
  float sMax = -std::numeric_limits<float>::max();
  float sMin = std::numeric_limits<float>::max();
  float sSum = 0.0f;

  for (int i = 1; i <= in.nrain; ++i) {
    const float intensity = intensityAt(in, i);
    const float d = dt * intensity * factor;
    float e = 0.0f;
    float x = 0.0f;
    if (trackStore) {
      s = in.v1 + (in.v2 - in.v1) * std::exp(-in.v3 * apiAt(in.api, dt, i));
      sMax = std::max(sMax, s);
      sMin = std::min(sMin, s);
      sSum += s;
    }
    if (intensity == 0.0f) {
      dry += dt;
      if (continuous) {
        // Between rains the abstraction refills and the Horton capacity recovers
        // over IaREC hours; a recovery time of 0 means at once.
        if (in.iaRec > 0.0f) {
          remaining = std::min(ia, remaining + dt * ia / in.iaRec);
          if (!curveNumberForm) t = std::max(0.0f, t - dt * t / in.iaRec);
        } else {
          remaining = ia;
          if (!curveNumberForm) t = 0.0f;
        }
        if (dry >= in.interEventTime) {
          p = 0.0f;
          q = 0.0f;
          dry = 0.0f;
          t = 0.0f;
        }
      }
    } else {
      dry = 0.0f;
      x = d - remaining;
      if (x < 0.0f) {
        remaining = -x;
        r.lost += dt * intensity;
      } else {
        r.lost += dt * intensity - x;
        remaining = 0.0f;
        float depth = 0.0f;
        if (curveNumberForm) {
          p += x;
          float qc = 0.0f;
          if (coefficient) {
            qc = c * p;
          } else if (!noRunoff && s + p > 0.0f) {
            qc = p * p / (s + p);
          }
          depth = std::max(0.0f, qc - q);
          q = qc;
        } else {
          const float capacity = hortonDepth(fo, fc, dcay, t + dt) - hortonDepth(fo, fc, dcay, t);
          if (x >= capacity) {
            depth = x - capacity;
            t += dt;
          } else {
            t = hortonAbsorbTime(fo, fc, dcay, t, dt, x);
          }
        }
        e = depth / dt;
      }
    }
    excess[static_cast<std::size_t>(i)] = e;

    if (in.gw.on) {
      // What infiltrated after the abstraction recharges the reservoir, which
      // drains by the recession constant and loses VHYDCON to deep recharge,
      // half before and half after the outflow of the step.
      if (e > 0.0f) storage += x - e * dt;
      float g = 0.0f;
      if (storage != 0.0f) {
        const float half = in.gw.vhydcon * dt / 2.0f;
        float removed = std::min(storage, half);
        storage -= removed;
        r.gwRemoved += removed;
        g = (1.0f - in.gw.kStep) * storage / dt;
        storage = in.gw.kStep * storage;
        removed = std::min(storage, half);
        storage -= removed;
        r.gwRemoved += removed;
      }
      groundwater[static_cast<std::size_t>(i)] = g;
    }
  }
  r.gwStorage = storage;

  if (trackStore && in.nrain > 0 && in.firstLoss != -1.0f) {
    r.stats.present = true;
    r.stats.smax = sMax;
    r.stats.smin = sMin;
    r.stats.savg = sSum / static_cast<float>(in.nrain);
    r.stats.cnavg = 1000.0f / (r.stats.savg + 10.0f);
  }
  return r;
}

void printStoreStatistics(model::RunContext& ctx, const StoreStatistics& stats) {
  if (!stats.present) return;
  static const fortran::Format kStatistics(
      "(15X,'STATISTICS OF CONTINUOUSLY COMPUTED S-VALUE:',/,15X,'S*max=',F6.2,', S*min=',F6.2,', "
      "S*avg=',F6.2,',  CNavg=',F6.2,/)");
  const float f = ctx.units.out.depth;
  run::put(*ctx.out.detailed, kStatistics, {stats.smax * f, stats.smin * f, stats.savg * f, stats.cnavg});
}

}  // namespace runoff
