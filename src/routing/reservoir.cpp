// ROUTE RESERVOIR: storage-indication (level-pool) routing through a pond.
//
// Each routing step solves continuity S2/dt + O2/2 = (I1 + I2)/2 + S1/dt - O1/2
// for the storage indication Y = S/dt + O/2 and reads the outflow from the
// table of Y against O. Above the top of the table the pond either follows
// the last segment of the table, or, with an overflow slot, holds its top
// storage, passes the top outflow and spills the rest.
#include "routing/reservoir.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "model/limits.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/water_balance.h"

namespace routing {

namespace {

using model::kCfsHoursPerAcreInch;
// Once the inflow is over, routing stops at the first outflow below this flow.
constexpr float kDrainedFlow = 3.528e-6f;
constexpr int kMaxSteps = model::kMaxOrdinates;

// ---- the computation ----

// Storage indication SI(k) = S(k)/dt + O(k)/2 of every point, with the line
// through each segment: O = Y * slope + intercept for SI(k-1) <= Y < SI(k).
// The first segment runs through the origin.
struct IndicationTable {
  int n = 0;
  float si[kMaxTablePoints + 1] = {};
  float slope[kMaxTablePoints + 1] = {};
  float intercept[kMaxTablePoints + 1] = {};
  float lastSlope = 0.0f; // of the top segment, for extrapolation
};

IndicationTable indicationTable(const ReservoirTable& t, float dt) {
  IndicationTable x;
  x.n = t.n;
  for (int k = 1; k <= t.n; ++k) x.si[k] = t.storage[k] / dt + t.outflow[k] / 2.0f;
  for (int k = 1; k <= t.n; ++k) {
    const float rise = k == 1 ? t.outflow[1] : t.outflow[k] - t.outflow[k - 1];
    const float run = k == 1 ? x.si[1] : x.si[k] - x.si[k - 1];
    // A segment whose indication does not rise is never the one looked up.
    x.slope[k] = run > 0.0f ? rise / run : 0.0f;
    x.intercept[k] = t.outflow[k] - x.si[k] * x.slope[k];
  }
  if (t.n >= 2) {
    const float run = x.si[t.n] - x.si[t.n - 1];
    // A table whose top storage does not rise (already reported) holds its top outflow.
    x.lastSlope = run > 0.0f ? (t.outflow[t.n] - t.outflow[t.n - 1]) / run : 0.0f;
  }
  return x;
}

// Storages near the top of single precision, or a routing step so short that
// S/dt is, leave the indication table beyond it: every outflow read from it
// would be a NaN.
bool finiteTable(const IndicationTable& x) {
  if (!std::isfinite(x.lastSlope)) return false;
  for (int k = 1; k <= x.n; ++k) {
    if (!std::isfinite(x.si[k]) || !std::isfinite(x.slope[k]) || !std::isfinite(x.intercept[k])) return false;
  }
  return true;
}

// The sums and products the results print: volumes (flow sums times the
// step), the storage held and the time spent overflowing.
bool finiteResult(const ReservoirResult& r) {
  for (float v : {r.outflowSum * r.dt, r.overflowSum * r.dt, r.maxStorage, r.endStorage, r.overflowSteps * r.dt})
    if (!std::isfinite(v)) return false;
  return true;
}

// The inflow interpolated linearly onto the routing sub-steps, zero after it
// ends (and past the ordinate limit). Each sub-step's value is worked out when
// it is asked for, so a routing of twelve years keeps no second copy of it.
class SubStepInflow {
public:
  SubStepInflow(const ReservoirRouting& in, int nsub) : in_(in), nsub_(nsub), parts_(static_cast<float>(nsub)) {
    if (in.npts < 1) return;
    // The inflow ordinates whose sub-steps fit within the limit: ordinate u
    // ends sub-step (u - 1) * nsub + 1.
    const int fitting = (kMaxSteps - 1) / nsub + 1;
    const int used = std::min(in.npts, fitting);
    steps_ = (used - 1) * nsub + 1;
  }

  float operator()(int s) const {
    if (s < 1 || s > steps_) return 0.0f;
    if (s == 1) return in_.inflow[1];
    const int i = (s - 2) / nsub_ + 2; // the inflow ordinate at the end of the interval
    const int m = (s - 2) % nsub_ + 1; // the sub-step within it
    const float q1 = in_.inflow[static_cast<std::size_t>(i - 1)];
    const float q2 = in_.inflow[static_cast<std::size_t>(i)];
    const float rise = (q2 - q1) / parts_;
    return q1 + rise * static_cast<float>(m);
  }

  // The last sub-step that carries flow.
  int last() const {
    int s = steps_;
    while (s > 0 && (*this)(s) == 0.0f) --s;
    return s;
  }

private:
  const ReservoirRouting& in_;
  int nsub_;
  float parts_;
  int steps_ = 0;
};

// The sub-step factor: the inflow step over the requested step, rounded with
// +0.55; a requested step longer than the inflow step is refused.
void chooseSubSteps(const ReservoirRouting& in, ReservoirResult& r) {
  const float ratio = in.inflowDt / in.requestedDt + 0.55f;
  int nsub = 0;
  if (ratio >= 1.0f) nsub = ratio >= static_cast<float>(kMaxSteps) ? kMaxSteps : static_cast<int>(ratio);
  if (nsub < 1) {
    r.stepDenied = true;
    nsub = 1;
  }
  r.nsub = nsub;
  r.dt = in.inflowDt / static_cast<float>(nsub);
  r.cut = static_cast<std::int64_t>(in.npts) * nsub > kMaxSteps;
}

// Keeps the ordinates of routing step i with their sums, peaks and the
// count of overflow events (runs of overflowing steps).
void record(ReservoirResult& r, int i, float q, float spill) {
  r.outflow[static_cast<std::size_t>(i)] = q;
  r.outflowSum += q;
  if (q > r.outflowPeak) {
    r.outflowPeak = q;
    r.outflowPeakAt = i;
  }
  r.npts = i;
  if (!(spill > 0.0f)) return;
  if (r.overflow[static_cast<std::size_t>(i - 1)] == 0.0f) ++r.overflowEvents;
  r.overflow[static_cast<std::size_t>(i)] = spill;
  r.overflowSum += spill;
  if (spill > r.overflowPeak) {
    r.overflowPeak = spill;
    r.overflowPeakAt = i;
  }
  r.overflowNpts = std::min(i + 1, kMaxSteps);
}

} // namespace

ReservoirTable readReservoirTable(std::span<const float> param, int first, int last, float flowFactor,
                                  float lengthFactor, float areaFactor) {
  const int limit = std::min(last, static_cast<int>(param.size()) - 1);
  auto at = [&](int k) { return k >= 1 && k <= limit ? param[static_cast<std::size_t>(k)] : 0.0f; };
  auto storage = [&](int k) { return at(k) * lengthFactor * areaFactor * kCfsHoursPerAcreFoot; };
  ReservoirTable t;
  int j = first;
  for (int k = 1; k <= kMaxTablePoints; ++k, j += 2) {
    t.outflow[static_cast<std::size_t>(k)] = at(j) * flowFactor;
    t.storage[static_cast<std::size_t>(k)] = storage(j + 1);
    t.n = k;
    const float nextOutflow = at(j + 2) * flowFactor;
    const float nextStorage = storage(j + 3);
    // The end pair: an outflow below zero or below the last one, or no values left.
    if (j + 2 > limit || nextOutflow < 0.0f || nextOutflow < t.outflow[static_cast<std::size_t>(k)]) {
      t.overflowId = model::truncatedInt(at(j + 4));
      t.overflowNhyd = model::truncatedInt(at(j + 5));
      return t;
    }
    if (nextStorage < 0.0f || (k >= 2 && t.storage[static_cast<std::size_t>(k)] > nextStorage)) ++t.badPairs;
  }
  t.endPairFound = false;
  return t;
}

ReservoirResult routeThroughReservoir(const ReservoirRouting& in) {
  ReservoirResult r;
  const ReservoirTable& t = *in.table;
  if (!(in.inflowDt > 0.0f)) {
    r.status = ReservoirStatus::NoInflowStep;
    return r;
  }
  chooseSubSteps(in, r);
  const SubStepInflow inflow(in, r.nsub);
  const int lastInflow = inflow.last();
  const IndicationTable x = indicationTable(t, r.dt);
  if (!finiteTable(x)) {
    r.status = ReservoirStatus::Overflow;
    return r;
  }
  const int n = t.n;
  const float qmax = t.outflow[static_cast<std::size_t>(n)];

  r.outflow.assign(static_cast<std::size_t>(kMaxSteps) + 1, 0.0f);
  if (in.overflow) r.overflow.assign(static_cast<std::size_t>(kMaxSteps) + 1, 0.0f);
  r.outflow[1] = inflow(1);
  float i1 = inflow(1);
  float yp = 0.0f; // storage indication at the end of the previous step
  float op = 0.0f; // outflow at the end of the previous step
  float held = 0.0f;
  r.npts = 1;
  for (int i = 2; i <= kMaxSteps; ++i) {
    const float i2 = inflow(i);
    const float iavg = (i1 + i2) / 2.0f;
    const float xsum = iavg + yp;
    // The pond cannot release more than it holds: the indication stays >= 0.
    if (xsum < op) op = xsum;
    float y = xsum - op;
    float o = 0.0f;
    float spill = 0.0f;
    int k = 1;
    while (k <= n && !(x.si[k] > y)) ++k;
    if (k <= n) {
      o = y * x.slope[k] + x.intercept[k];
    } else if (!in.overflow) {
      if (n < 2) {
        r.status = ReservoirStatus::SinglePointBeyondTable;
        return r;
      }
      r.extrapolated = true;
      o = t.outflow[static_cast<std::size_t>(n)] + (y - x.si[n]) * x.lastSlope;
    } else {
      // Full pond: it holds its top storage, passes the top outflow and
      // spills the excess indication, so inflow = outflow + overflow + change
      // in storage holds through every overflowing step.
      o = qmax;
      spill = y - x.si[n];
      y = x.si[n];
      if (spill > 0.0f) r.overflowSteps += 1.0f;
    }
    // Inflows near the top of single precision carry the indication beyond it.
    if (!std::isfinite(y) || !std::isfinite(o) || !std::isfinite(spill)) {
      r.status = ReservoirStatus::Overflow;
      return r;
    }
    // The storage held at the end of the step, S/dt = Y - O/2.
    held = std::max(held, y - o / 2.0f);
    i1 = i2;
    yp = y;
    op = o;

    const float q = o > 0.0f ? o : 0.0f;
    record(r, i, q, in.overflow ? spill : 0.0f);
    // Drained: the outflow has all but stopped and no inflow is still to come.
    if (q < kDrainedFlow && i > in.npts && i >= lastInflow) break;
  }
  r.maxStorage = held * r.dt;
  r.endStorage = std::max(yp - op / 2.0f, 0.0f) * r.dt;
  if (!finiteResult(r)) r.status = ReservoirStatus::Overflow;
  r.outflow.resize(static_cast<std::size_t>(r.npts) + 1);
  if (in.overflow) r.overflow.resize(static_cast<std::size_t>(r.overflowNpts) + 1);
  return r;
}

ReservoirVolumes reservoirVolumes(const ReservoirResult& r, float inflowArea, float inflowRv, bool overflow) {
  ReservoirVolumes v;
  v.outflowArea = inflowArea;
  if (!(inflowArea > 0.0f)) return v; // no area, no depth of runoff
  v.outflowRv = r.outflowSum * r.dt / (inflowArea * kCfsHoursPerAcreInch);
  if (!overflow) return v;
  v.overflowRv = r.overflowSum * r.dt / (inflowArea * kCfsHoursPerAcreInch);
  // The overflow takes the share of the area its volume is of the inflow's.
  if (inflowRv > 0.0f) v.overflowArea = std::min(v.overflowRv / inflowRv * inflowArea, inflowArea);
  if (v.overflowArea > 0.0f) v.overflowRv = v.overflowRv * inflowArea / v.overflowArea;
  v.outflowArea = inflowArea - v.overflowArea;
  if (v.outflowArea > 0.0f) v.outflowRv = v.outflowRv * inflowArea / v.outflowArea;
  return v;
}

namespace {

// ---- the command ----

// The command's values, in the order the user types them.
struct ReservoirValues {
  int idOut = 0;      // 1: slot of the outflow
  int nhydOut = 0;    // 2: its reference (0: the first quoted string)
  int idIn = 0;       // 3: slot of the inflow
  float rdt = 0.0f;   // 4: requested step, minutes from 1 up, hours below 1, hours here
  int tableFirst = 5; // the table starts here, or at 4 when RDT is 0 (not given)
};

ReservoirValues readValues(const model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  ReservoirValues v;
  v.idOut = c.intParam(1);
  v.nhydOut = c.intParam(2);
  v.idIn = c.intParam(3);
  v.rdt = c.PARAM[4];
  if (v.rdt >= 1.0f) v.rdt = v.rdt / model::kMinutesPerHour;
  // An omitted step leaves the table's first outflow, 0, in its place.
  if (v.rdt == 0.0f) v.tableFirst = 4;
  return v;
}

using fortran::padded;

void printHeading(model::RunContext& ctx, const ReservoirValues& v, const std::string& nameOut, float rdt) {
  static const fortran::Format kRule("(21('-'))");
  static const fortran::Format kTitle("('| ROUTE RESERVOIR   |',4X,'Requested routing time step =',F5.1,' min.')");
  static const fortran::Format kInNumeric("('|  IN>',I2.2,':(',I6.6,')',3X,'|')");
  static const fortran::Format kInNamed("('|  IN>',I2.2,':(',A6,')',3X,'|')");
  static const fortran::Format kOutNumeric(
      "('| OUT<',I2.2,':(',I6.6,')',3X,'|',4X,9('='),2X,'OUTLFOW ','STORAGE TABLE',2X,9('='))");
  static const fortran::Format kOutNamed(
      "('| OUT<',I2.2,':(',A6,')',3X,'|',4X,9('='),2X,'OUTLFOW ','STORAGE TABLE',2X,9('='))");
  static const fortran::Format kColumns("(21('-'),4X,'OUTFLOW',4X,'STORAGE',3X,'|',2X,'OUTFLOW',4X,'STORAGE')");
  static const fortran::Format kUnits("(25X,A7,4X,A7,3X,'|',2X,A7,4X,A7)");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Hydrograph& in = ctx.store[v.idIn];
  const model::Units& u = ctx.units;
  run::put(out, kRule);
  run::put(out, kTitle, {rdt * model::kMinutesPerHour});
  if (in.NHYD != 0) {
    run::put(out, kInNumeric, {v.idIn, in.NHYD});
  } else {
    run::put(out, kInNamed, {v.idIn, padded(in.HYDNAME, 6)});
  }
  if (v.nhydOut != 0) {
    run::put(out, kOutNumeric, {v.idOut, v.nhydOut});
  } else {
    run::put(out, kOutNamed, {v.idOut, padded(nameOut, 6)});
  }
  run::put(out, kColumns);
  const std::string& flow = u.label(model::Quantity::Flow);
  const std::string& volume = u.label(model::Quantity::Volume);
  run::put(out, kUnits, {flow, volume, flow, volume});
}

// The table in two columns read downwards; an odd count leaves the cleared
// point after the top one in the last right-hand place.
void printTable(model::RunContext& ctx, const ReservoirTable& t) {
  static const fortran::Format kRow("(24X,F8.3,2X,E9.4,3X,'|',1X,F8.3,2X,E9.4)");
  const model::Factors& f = ctx.units.out;
  const int rows = static_cast<int>(static_cast<float>(t.n) / 2.0f + 0.5f);
  auto storage = [&](int k) {
    return t.storage[static_cast<std::size_t>(k)] / f.area / f.length / kCfsHoursPerAcreFoot;
  };
  auto flow = [&](int k) { return t.outflow[static_cast<std::size_t>(k)] / f.flow; };
  for (int r = 1; r <= rows; ++r) {
    run::put(*ctx.out.detailed, kRow, {flow(r), storage(r), flow(r + rows), storage(r + rows)});
  }
}

// Adds the inflow's baseflow to its ordinates before routing (the stored
// inflow changes, and with it its volume and peak).
void foldBaseflow(model::RunContext& ctx, int idIn) {
  model::Hydrograph& h = ctx.store[idIn];
  if (!(h.BASE > 0.0f)) return;
  run::warn(ctx, msg::kReservoirDwfAdded);
  float sum = 0.0f;
  const int npts = std::min(h.NPTS, static_cast<int>(h.Q.size()) - 1);
  for (int i = 1; i <= npts; ++i) {
    h.Q[static_cast<std::size_t>(i)] += h.BASE;
    sum += h.Q[static_cast<std::size_t>(i)];
  }
  h.RV = h.DA != 0.0f ? sum * h.DT / (h.DA * kCfsHoursPerAcreInch) : 0.0f;
  h.QPEAK += h.BASE;
  h.BASE = 0.0f;
}

// One routed (or dry) hydrograph into its slot through the producer path.
// The peak and the volume are the routing's own: from routing step 2 on (the
// first ordinate is the inflow's, not routed), each depth over its share of
// the area. A zero reference names the slot by `name`, which for an
// overflow may be the second quoted string.
void storeHydrograph(model::RunContext& ctx, int id, int nhyd, const std::string& name, float dt, float area,
                     std::vector<float> q, float peak, int peakAt, float rv) {
  hydrograph::Produced p;
  p.nhyd = nhyd;
  if (q.empty()) q.assign(1, 0.0f);
  p.q = std::move(q);
  p.dt = dt;
  p.da = area;
  hydrograph::storeProduced(ctx, id, std::move(p));
  model::Hydrograph& h = ctx.store[id];
  if (nhyd == 0) h.HYDNAME = padded(name, 10);
  h.QPEAK = peak;
  h.TPEAK = static_cast<float>(static_cast<double>(dt * static_cast<float>(peakAt - 1)) + ctx.time.TZERO);
  h.RV = rv;
  // A depth over a tiny area, or a peak time far from the start, beyond
  // single precision: set to 0 and the run ends, as the producer path does.
  if (!std::isfinite(h.TPEAK) || !std::isfinite(h.RV * model::kMmPerInch)) {
    if (!std::isfinite(h.TPEAK)) h.TPEAK = 0.0f;
    if (!std::isfinite(h.RV * model::kMmPerInch)) h.RV = 0.0f;
    run::issue(ctx, msg::kResultTooLarge, run::Severity::Error);
  }
}

// Everything the results block and the summary lines print.
struct Outcome {
  bool routed = false;
  bool overflow = false;
  int idOvf = 0;
  float maxStorage = 0.0f;    // cfs-hours
  float totalOverflow = 0.0f; // sum of overflow flows, cfs
  int events = 0;
  float overflowSteps = 0.0f;
  bool cut = false;
};

// The pond's part of the water balance: the overflow is sent elsewhere, the
// storage left when the routing stops stays in the pond.
void recordBalance(model::RunContext& ctx, const ReservoirResult& r, const Outcome& o) {
  if (!run::ledgerOn(ctx)) return;
  if (o.overflow) run::ledgerSent(ctx, o.idOvf);
  run::ledgerStored(ctx, static_cast<double>(r.endStorage) * run::kSecondsPerHour);
  if (r.cut) run::ledgerReason(ctx, "outflow cut at the maximum number of ordinates");
  if (r.extrapolated) run::ledgerReason(ctx, "extrapolated table");
}

void printResultLine(model::RunContext& ctx, const fortran::Format& numeric, const fortran::Format& named, int id) {
  const model::Hydrograph& h = ctx.store[id];
  const model::Factors& f = ctx.units.out;
  if (h.NHYD != 0) {
    run::put(*ctx.out.detailed, numeric, {id, h.NHYD, h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth});
  } else {
    run::put(*ctx.out.detailed, named,
             {id, padded(h.HYDNAME, 6), h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth});
  }
}

void printResults(model::RunContext& ctx, const ReservoirValues& v, const Outcome& o) {
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kTitle("(5X,'ROUTING RESULTS',12X,'AREA',5X,'QPEAK',5X,'TPEAK',7X,'R.V.')");
  static const fortran::Format kUnits("(5X,20('-'),4X,A7,3X,A7,5X,'(hrs)',4X,A7)");
  static const fortran::Format kInNumeric("(5X,'INFLOW >',I2.2,': (',I6.6,')',2X,F9.2,2X,F8.3,2X,F8.3,3X,F8.3)");
  static const fortran::Format kInNamed("(5X,'INFLOW >',I2.2,': (',A6,')',2X,F9.2,2X,F8.3,2X,F8.3,3X,F8.3)");
  static const fortran::Format kOutNumeric("(5X,'OUTFLOW<',I2.2,': (',I6.6,')',2X,F9.2,2X,F8.3,2X,F8.3,3X,F8.3)");
  static const fortran::Format kOutNamed("(5X,'OUTFLOW<',I2.2,': (',A6,')',2X,F9.2,2X,F8.3,2X,F8.3,3X,F8.3)");
  static const fortran::Format kOvfNumeric("(4X,'OVERFLOW<',I2.2,': (',I6.6,')',2X,F9.2,2X,F8.3,2X,F8.3,3X,F8.3)");
  static const fortran::Format kOvfNamed("(4X,'OVERFLOW<',I2.2,': (',A6,')',2X,F9.2,2X,F8.3,2X,F8.3,3X,F8.3)");
  static const fortran::Format kOverflowStats(
      "(/,19X,'TOTAL NUMBER OF SIMULATED OVERFLOWS  =',I9,/,19X,'CUMULATIVE TIME OF OVERFLOWS  (hours)=',F9.2,/,"
      "19X,'PERCENTAGE OF TIME OVERFLOWING    (%)=',F9.2,/)");
  static const fortran::Format kReduction("(/,19X,'PEAK   FLOW   REDUCTION [Qout/Qin](%)=',F9.3)");
  static const fortran::Format kShift("(19X,'TIME SHIFT OF PEAK FLOW         (min)=',F9.2)");
  static const fortran::Format kMaxStorage("(19X,'MAXIMUM  STORAGE   USED       ',A7,'=',E9.4)");
  static const fortran::Format kDry("(19X,/,'*** WARNING: Inflow and ouflow hydrographs are dry.')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  const model::Hydrograph& in = ctx.store[v.idIn];
  const model::Hydrograph& routed = ctx.store[v.idOut];
  run::put(out, kBlank);
  run::put(out, kTitle);
  run::put(out, kUnits,
           {u.label(model::Quantity::Area), u.label(model::Quantity::Flow), u.label(model::Quantity::Depth)});
  printResultLine(ctx, kInNumeric, kInNamed, v.idIn);
  printResultLine(ctx, kOutNumeric, kOutNamed, v.idOut);
  if (o.overflow) {
    printResultLine(ctx, kOvfNumeric, kOvfNamed, o.idOvf);
    const float dtOvf = ctx.store[o.idOvf].DT;
    const float percent = routed.NPTS > 0 ? o.overflowSteps / static_cast<float>(routed.NPTS) * 100.0f : 0.0f;
    run::put(out, kOverflowStats, {o.events, dtOvf * o.overflowSteps, percent});
  }
  if (o.routed) {
    // An outflow peak far above a tiny inflow peak gives a ratio beyond single precision.
    run::put(out, kReduction, {run::starredIfNotFinite(routed.QPEAK / in.QPEAK * 100.0f)});
    run::put(out, kShift, {(routed.TPEAK - in.TPEAK) * model::kMinutesPerHour});
    const float storage = o.maxStorage / kCfsHoursPerAcreFoot / u.out.length / u.out.area;
    run::put(out, kMaxStorage, {u.label(model::Quantity::Volume), storage});
  } else {
    run::put(out, kDry);
  }
  run::put(out, kBlank);
}

// The outflow's line (and the overflow's) with the step used in its label,
// and the line of storage and overflow figures.
void writeSummary(model::RunContext& ctx, const ReservoirValues& v, const Outcome& o) {
  static const fortran::Format kStep("(F5.2)");
  static const fortran::Format kBraces("(5X,'{MxStoUsed=',E9.4,'}')");
  static const fortran::Format kBracesOverflow(
      "(5X,'{MxStoUsed=',E9.4,', TotOvfVol=',E9.4,', N-Ovf=',I5,', TotDurOvf=',F6.0,'hrs}')");
  const model::Factors& f = ctx.units.out;
  const model::Hydrograph& routed = ctx.store[v.idOut];
  ctx.run.label = " [RDT=" + kStep.format({routed.DT * model::kMinutesPerHour})[0] + "] out<-";
  hydrograph::reportProduced(ctx, v.idOut, hydrograph::Source::Other);
  const float storage = o.maxStorage / kCfsHoursPerAcreFoot / f.length / f.area;
  const std::initializer_list<platform::LineSink*> sinks{ctx.out.summary, &ctx.platform.summaryWindow};
  if (!o.overflow) {
    run::put(sinks, kBraces, {storage});
    return;
  }
  ctx.run.label = "       overflow <=";
  hydrograph::reportProduced(ctx, o.idOvf, hydrograph::Source::Other);
  const float dtOvf = ctx.store[o.idOvf].DT;
  const float volume = dtOvf * o.totalOverflow / kCfsHoursPerAcreFoot / f.length / f.area;
  run::put(sinks, kBracesOverflow, {storage, volume, o.events, dtOvf * o.overflowSteps});
}

// Routes and stores the outflow (and overflow). Returns false when the
// routing failed with a run-ending error.
bool routeAndStore(model::RunContext& ctx, const ReservoirValues& v, const ReservoirTable& t, Outcome& o) {
  const model::Hydrograph& in = ctx.store[v.idIn];
  const std::string nameOut = ctx.cmd.text(1, 10);
  const std::string nameOvf = ctx.cmd.text(v.nhydOut == 0 ? 2 : 1, 10);
  if (!(in.QPEAK > 0.0f)) {
    run::warn(ctx, msg::kReservoirInflowDry);
    storeHydrograph(ctx, v.idOut, v.nhydOut, nameOut, v.rdt, in.DA, {}, 0.0f, 1, 0.0f);
    if (o.overflow) storeHydrograph(ctx, o.idOvf, t.overflowNhyd, nameOvf, v.rdt, 0.0f, {}, 0.0f, 1, 0.0f);
    return true;
  }
  ReservoirRouting job;
  job.inflow = in.Q;
  job.npts = std::min(in.NPTS, static_cast<int>(in.Q.size()) - 1);
  job.inflowDt = in.DT;
  job.requestedDt = v.rdt;
  job.table = &t;
  job.overflow = o.overflow;
  ReservoirResult r = routeThroughReservoir(job);
  if (r.stepDenied) run::issue(ctx, msg::kReservoirStepAboveInflowStep, run::Severity::Error);
  if (r.status == ReservoirStatus::NoInflowStep) return run::refuse(ctx, msg::kReservoirNoInflowStep);
  if (r.status == ReservoirStatus::SinglePointBeyondTable) return run::refuse(ctx, msg::kReservoirSinglePoint);
  if (r.status == ReservoirStatus::Overflow) return run::refuse(ctx, msg::kReservoirOverflow);
  if (r.extrapolated) run::warn(ctx, msg::kReservoirTableExtrapolated);
  const ReservoirVolumes vol = reservoirVolumes(r, in.DA, in.RV, o.overflow);
  recordBalance(ctx, r, o);
  o.routed = true;
  o.maxStorage = r.maxStorage;
  o.totalOverflow = r.overflowSum;
  o.events = r.overflowEvents;
  o.overflowSteps = r.overflowSteps;
  o.cut = r.cut;
  storeHydrograph(ctx, v.idOut, v.nhydOut, nameOut, r.dt, vol.outflowArea, std::move(r.outflow), r.outflowPeak,
                  r.outflowPeakAt, vol.outflowRv);
  if (o.overflow) {
    storeHydrograph(ctx, o.idOvf, t.overflowNhyd, nameOvf, r.dt, vol.overflowArea, std::move(r.overflow),
                    r.overflowPeak, r.overflowPeakAt, vol.overflowRv);
  }
  return true;
}

// Reads and checks the table and the overflow slot; false ends the command.
bool readTable(model::RunContext& ctx, const ReservoirValues& v, ReservoirTable& t, Outcome& o) {
  const model::CommandValues& c = ctx.cmd;
  if (c.PARAM[static_cast<std::size_t>(v.tableFirst)] != 0.0f) run::warn(ctx, msg::kReservoirFirstOutflowNotZero);
  const model::Factors& f = ctx.units.in;
  t = readReservoirTable(c.PARAM, v.tableFirst, std::min(c.given, c.NPARAM), f.flow, f.length, f.area);
  for (int k = 0; k < t.badPairs; ++k) run::issue(ctx, msg::kReservoirBadOutflowStorageTable, run::Severity::Error);
  if (!t.endPairFound) return run::refuse(ctx, msg::kReservoirNoEndPair);
  // Typed near the top of single precision, a point overflows in the
  // conversion to cfs and cfs-hours.
  for (int k = 1; k <= t.n; ++k) {
    if (!std::isfinite(t.outflow[static_cast<std::size_t>(k)]) || !std::isfinite(t.storage[static_cast<std::size_t>(k)]))
      return run::refuse(ctx, msg::kReservoirOverflow);
  }
  o.idOvf = t.overflowId;
  o.overflow = o.idOvf != 0;
  if (!o.overflow) return true;
  if (o.idOvf == v.idOut || o.idOvf == v.idIn) return run::refuse(ctx, msg::kReservoirOverflowIdClash);
  return hydrograph::checkSlot(ctx, o.idOvf);
}

void reportAfterResults(model::RunContext& ctx, const ReservoirValues& v, const Outcome& o) {
  const model::Hydrograph& in = ctx.store[v.idIn];
  const model::Hydrograph& routed = ctx.store[v.idOut];
  if (o.cut) run::warn(ctx, msg::kReservoirOutflowCut);
  if (routed.QPEAK > in.QPEAK) run::warn(ctx, msg::kReservoirPeakNotReduced);
  const float diff = routed.RV > in.RV ? routed.RV - in.RV : in.RV - routed.RV;
  if (diff * 100.0f >= 1.0f) run::warn(ctx, msg::kReservoirVolumeLost);
}

} // namespace

void routeReservoir(model::RunContext& ctx) {
  ctx.run.label = "ROUTE RESERVOIR ->";
  ReservoirValues v = readValues(ctx);
  if (!hydrograph::checkSlot(ctx, v.idOut) || !hydrograph::checkSlot(ctx, v.idIn)) return;
  if (v.rdt == 0.0f) v.rdt = ctx.store[v.idIn].DT;
  printHeading(ctx, v, ctx.cmd.text(1, 10), v.rdt);
  foldBaseflow(ctx, v.idIn);
  hydrograph::reportProduced(ctx, v.idIn, hydrograph::Source::Other, hydrograph::AutoFile::Skip);
  ctx.run.label = "ROUTE RESERVOIR";
  if (v.idIn == v.idOut) {
    run::issue(ctx, msg::kReservoirInflowIsOutflow, run::Severity::Error);
    return;
  }
  ReservoirTable table;
  Outcome o;
  if (!readTable(ctx, v, table, o)) return;
  printTable(ctx, table);
  if (!routeAndStore(ctx, v, table, o)) return;
  printResults(ctx, v, o);
  reportAfterResults(ctx, v, o);
  writeSummary(ctx, v, o);
  // Warnings end with the command; an error still ends the run.
  run::markNext(ctx, run::Severity::Note);
}

} // namespace routing
