// Rainfall excess of one surface, step by step, with the state an event keeps:
// the abstraction still to fill, the cumulative effective rain P and excess Q
// of the event, the Horton time and the dry time since the last rain.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "runoff/losses.h"

namespace runoff {

namespace {

// Inches: far beyond any soil, small enough that a record of them sums finite.
constexpr float kEndlessStore = 1.0e30f;

float intensityAt(const ExcessSetup& in, int i) {
  return static_cast<std::size_t>(i) < in.rain.size() ? in.rain[static_cast<std::size_t>(i)] : 0.0f;
}

// API of the step that ends at DT * i, from the series of COMPUTE API. Without a
// series (or past its end) the nearest value available stands in, 0 when there
// is none, so that a missing series never reads outside it.
class ApiLookup {
public:
  ApiLookup(const model::ApiSeries* api, float dt) : dt_(dt) {
    if (api == nullptr || api->dt <= 0.0f || api->API.empty()) return;
    values_ = api->API.data();
    seriesDt_ = api->dt;
    last_ = static_cast<int>(api->API.size()) - 1;
    // At the series' own step, a power of two hours (one hour above all),
    // DT * i / DT is exactly i in single precision for every step count a
    // float holds exactly.
    int exponent = 0;
    sameStep_ = dt == seriesDt_ && std::frexp(dt, &exponent) == 0.5f && exponent > -64 && exponent < 64;
  }

  float operator()(int i) const {
    if (values_ == nullptr) return 0.0f;
    const int k = sameStep_ && i < kExactSteps ? i : model::truncatedInt(dt_ * static_cast<float>(i) / seriesDt_);
    return values_[static_cast<std::size_t>(std::clamp(k, 0, last_))];
  }

private:
  static constexpr int kExactSteps = 1 << 24;
  float dt_;
  const float* values_ = nullptr;
  float seriesDt_ = 0.0f;
  int last_ = 0;
  bool sameStep_ = false;
};

// The store of continuous simulation, S = SMIN + (SMAX - SMIN) exp(-SK API),
// step by step. The exponential is taken again only when its argument changes:
// with an SK of 0, or an index decayed to nothing, it is the same every step.
// The values are worked out a block of steps ahead, in a loop of their own:
// a call of the exponential inside the step loop would make every real the
// step loop holds be put aside and fetched again around it.
class StoreCurve {
public:
  StoreCurve(const ContinuousStore& store, float dt, int nrain)
      : api_(store.api, dt), smin_(store.smin), range_(store.smax - store.smin), minusSk_(-store.sk),
        // A negative SK at the edge of single precision overflows the growth:
        // the store is then all but endless (its statistics stay printable).
        overflowed_(store.smax > store.smin ? kEndlessStore : store.smin), nrain_(nrain) {}

  // Steps are asked for in order, from 1.
  float at(int i) {
    if (i >= blockEnd_) fill(i);
    return block_[static_cast<std::size_t>(i - blockStart_)];
  }

private:
  static constexpr int kBlock = 256;

  // In three passes, so that little is held across the call of the
  // exponential: the arguments, their exponentials, then the store.
  [[gnu::noinline]] void fill(int from) {
    blockStart_ = from;
    blockEnd_ = std::min(from + kBlock, std::max(nrain_, from) + 1);
    const auto n = static_cast<std::size_t>(blockEnd_ - from);
    float* b = block_.data();
    for (std::size_t j = 0; j < n; ++j) b[j] = minusSk_ * api_(from + static_cast<int>(j));
    float last = lastArgument_, growth = lastGrowth_;
    for (std::size_t j = 0; j < n; ++j) {
      if (!(b[j] == last)) {
        last = b[j];
        growth = std::exp(last);
      }
      b[j] = growth;
    }
    lastArgument_ = last;
    lastGrowth_ = growth;
    for (std::size_t j = 0; j < n; ++j) {
      const float s = smin_ + range_ * b[j];
      b[j] = std::isfinite(s) ? s : overflowed_;
    }
  }

  ApiLookup api_;
  float smin_, range_, minusSk_, overflowed_;
  int nrain_;
  float lastArgument_ = std::numeric_limits<float>::quiet_NaN();
  float lastGrowth_ = 0.0f;
  int blockStart_ = 0, blockEnd_ = 0;
  std::array<float, kBlock> block_{};
};

// What an event carries from step to step.
struct EventState {
  float ia = 0.0f;          // the abstraction when full, inches
  float remaining = 0.0f;   // abstraction still to fill, inches
  float s = 0.0f;           // curve-number store, inches
  bool noRunoff = false;    // a curve number of 0 in a single event
  float p = 0.0f, q = 0.0f; // cumulative effective rain and excess of the event, inches
  float dry = 0.0f;         // hours since the last rain
  float t = 0.0f;           // Horton time, hours
};

EventState startEvent(const LossModel& model, const ExcessSetup& in) {
  EventState st;
  st.ia = in.ia;
  if (const auto* h = std::get_if<HortonLoss>(&model)) {
    st.t = hortonStartTime(*h, in.dt);
  } else if (const auto* cn = std::get_if<CurveNumberLoss>(&model)) {
    if (cn->cn > 0.0f) {
      st.s = 1000.0f / cn->cn - 10.0f;
      if (st.ia < 0.0f) st.ia = 0.2f * st.s;
    } else if (!in.continuous) {
      st.noRunoff = true;
    }
  }
  if (st.ia < 0.0f) st.ia = 0.0f;
  st.remaining = st.ia;
  return st;
}

// What a dry step does, taken once from the set-up: in continuous simulation
// the abstraction refills and the Horton capacity recovers over IaREC hours
// (a recovery time of 0 means at once), and a dry spell of the inter-event
// time ends the event. Held apart from the set-up, whose reals every step
// would read again after storing its excess.
struct DryRule {
  float dt = 0.0f;
  bool continuous = false;
  bool horton = false;
  float iaRec = 0.0f;
  float refill = 0.0f; // the depth the abstraction regains in a step, DT * Ia / IaREC
  float interEventTime = 0.0f;

  DryRule(const ExcessSetup& in, bool hortonLoss, float ia)
      : dt(in.dt), continuous(in.continuous), horton(hortonLoss), iaRec(in.iaRec),
        refill(in.iaRec > 0.0f ? in.dt * ia / in.iaRec : 0.0f), interEventTime(in.interEventTime) {}

  void step(EventState& st) const {
    st.dry += dt;
    if (!continuous) return;
    if (iaRec > 0.0f) {
      st.remaining = std::min(st.ia, st.remaining + refill);
      if (horton) st.t = std::max(0.0f, st.t - dt * st.t / iaRec);
    } else {
      st.remaining = st.ia;
      if (horton) st.t = 0.0f;
    }
    if (st.dry >= interEventTime) {
      st.p = 0.0f;
      st.q = 0.0f;
      st.dry = 0.0f;
      st.t = 0.0f;
    }
  }
};

// The excess depth (inches) of `x` inches of rain left after the abstraction.
float excessDepth(const LossModel& model, EventState& st, float x, float dt) {
  if (const auto* h = std::get_if<HortonLoss>(&model)) {
    const float capacity = hortonDepth(h->fo, h->fc, h->dcay, st.t + dt) - hortonDepth(h->fo, h->fc, h->dcay, st.t);
    if (x >= capacity) {
      st.t += dt;
      return x - capacity;
    }
    st.t = hortonAbsorbTime(*h, st.t, dt, x);
    return 0.0f;
  }
  st.p += x;
  float qc = 0.0f;
  if (const auto* c = std::get_if<CoefficientLoss>(&model)) {
    qc = c->c * st.p;
  } else if (!st.noRunoff && st.s + st.p > 0.0f) {
    qc = st.p * st.p / (st.s + st.p);
  }
  const float depth = std::max(0.0f, qc - st.q);
  st.q = qc;
  return depth;
}

// One step of the groundwater reservoir: what infiltrated after the abstraction
// (`recharge` inches) comes in, the reservoir drains by the recession constant
// and loses VHYDCON to deep recharge, half before and half after the outflow
// of the step. Returns the outflow, in/hr.
float groundwaterStep(const Groundwater& gw, float dt, float recharge, float& storage, float& removedTotal) {
  storage += recharge;
  if (storage == 0.0f) return 0.0f;
  const float half = gw.vhydcon * dt / 2.0f;
  float removed = std::min(storage, half);
  storage -= removed;
  removedTotal += removed;
  const float g = (1.0f - gw.kStep) * storage / dt;
  storage = gw.kStep * storage;
  removed = std::min(storage, half);
  storage -= removed;
  removedTotal += removed;
  return g;
}

// Running extremes and sum of the continuously computed store.
struct StoreTrack {
  float max = -std::numeric_limits<float>::max();
  float min = std::numeric_limits<float>::max();
  float sum = 0.0f;
  void add(float s) {
    max = std::max(max, s);
    min = std::min(min, s);
    sum += s;
  }
};

} // namespace

LossResult rainfallExcess(const LossModel& model, const ExcessSetup& in, std::span<float> excess,
                          std::span<float> groundwater) {
  const bool horton = std::holds_alternative<HortonLoss>(model);
  // Continuous simulation follows the store of the curve-number and coefficient
  // forms; the coefficient form never reads it, so it is followed there only
  // for its statistics.
  const bool followStore = in.continuous && !horton &&
                           (in.storeStatistics || std::holds_alternative<CurveNumberLoss>(model));
  const float dt = in.dt;
  LossResult r;
  EventState st = startEvent(model, in);
  r.iaUsed = st.ia;
  const DryRule dry(in, horton, st.ia);
  const float factor = in.factor;
  float storage = in.gw.storage;
  StoreTrack track;
  StoreCurve store(in.store, dt, in.nrain);

  for (int i = 1; i <= in.nrain; ++i) {
    const float intensity = intensityAt(in, i);
    float e = 0.0f;
    float x = 0.0f;
    if (followStore) {
      st.s = store.at(i);
      track.add(st.s);
    }
    if (intensity == 0.0f) {
      dry.step(st);
    } else {
      const float d = dt * intensity * factor;
      st.dry = 0.0f;
      x = d - st.remaining;
      if (x < 0.0f) {
        st.remaining = -x;
        r.lost += dt * intensity;
        r.abstracted += d;
      } else {
        r.lost += dt * intensity - x;
        r.abstracted += d - x;
        st.remaining = 0.0f;
        e = excessDepth(model, st, x, dt) / dt;
      }
    }
    excess[static_cast<std::size_t>(i)] = e;
    if (in.gw.on) {
      const float recharge = e > 0.0f ? x - e * dt : 0.0f;
      groundwater[static_cast<std::size_t>(i)] = groundwaterStep(in.gw, dt, recharge, storage, r.gwRemoved);
    }
  }
  r.gwStorage = storage;

  if (followStore && in.nrain > 0 && in.storeStatistics) {
    r.stats.present = true;
    r.stats.smax = track.max;
    r.stats.smin = track.min;
    r.stats.savg = track.sum / static_cast<float>(in.nrain);
    r.stats.cnavg = 1000.0f / (r.stats.savg + 10.0f);
  }
  return r;
}

} // namespace runoff
