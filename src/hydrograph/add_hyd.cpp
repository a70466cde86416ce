// ADD HYD: sums up to nine hydrographs of the store into one slot. All inputs
// start at the run's time origin, so ordinate i of every input is added to
// ordinate i of the others; inputs of a coarser step are first resampled onto
// the finest step. Areas and baseflows add up; the peak, its time and the
// runoff volume come from the summed ordinates.
#include "hydrograph/add_hyd.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <string_view>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "run/output.h"

namespace hydrograph {

namespace {

using model::Quantity;

// Steps closer than this many hours are the same step.
constexpr float kSameStep = 0.001f;
// The smallest step starts above any real one.
constexpr float kNoStep = 99999.0f;
// Label of the summary lines of the second and later inputs.
constexpr std::string_view kPlusLabel = "                + ";

// The last ordinate `h` holds.
int held(const model::Hydrograph& h) { return std::min(h.NPTS, static_cast<int>(h.Q.size()) - 1); }

// Ordinate i of `h`, 0 beyond its ordinates.
float at(const model::Hydrograph& h, int i) {
  return (i >= 1 && i <= h.NPTS && static_cast<std::size_t>(i) < h.Q.size()) ? h.Q[static_cast<std::size_t>(i)] : 0.0f;
}

// Integer part of a count of ordinates, kept within the ordinate limit.
int countOf(float x) {
  if (!(x > 0.0f)) return 0;
  return x >= static_cast<float>(model::kMaxOrdinates) ? model::kMaxOrdinates : static_cast<int>(x);
}

bool isDry(const model::Hydrograph& h) { return h.DA == 0.0f && h.QPEAK == 0.0f; }

// How input `b` joins the running sum `s`: the step of the result and its
// lengths, worked out from the two as they are before the coarser one (if
// their steps differ) is resampled onto the finer step.
struct PairPlan {
  float dt = 0.0f;
  int n = 0;            // ordinates of the result
  int m = 0;            // ordinates both contribute to
  bool sLonger = true;  // the rest comes from the sum (else from the input)
  bool resample = false;
  bool sumIsCoarse = false;
};

PairPlan planPair(const model::Hydrograph& s, const model::Hydrograph& b) {
  PairPlan p;
  if (std::fabs(b.DT - s.DT) < kSameStep) {
    p.dt = b.DT;
    p.n = std::max(s.NPTS, b.NPTS);
    p.m = std::min(s.NPTS, b.NPTS);
    p.sLonger = s.NPTS >= b.NPTS;
  } else {
    p.dt = std::min(s.DT, b.DT);
    const float durationS = s.DT * static_cast<float>(s.NPTS - 1);
    const float durationB = b.DT * static_cast<float>(b.NPTS - 1);
    p.sLonger = durationS > durationB;
    p.n = countOf((p.sLonger ? durationS : durationB) / p.dt + 1.0f);
    p.m = countOf((p.sLonger ? durationB : durationS) / p.dt + 1.0f);
    p.resample = true;
    p.sumIsCoarse = s.DT > b.DT;
  }
  p.n = std::min(p.n, model::kMaxOrdinates);
  p.m = std::min(p.m, p.n);
  return p;
}

// The sum of `s` and `b` (the coarser of them already on the finer step).
model::Hydrograph addPair(const model::Hydrograph& s, const model::Hydrograph& b, const PairPlan& p) {
  model::Hydrograph t;
  t.DT = p.dt;
  const model::Hydrograph& longer = p.sLonger ? s : b;
  t.resize(p.n);
  t.NPTS = p.n;
  float* sum = t.Q.data();
  // Where both hold ordinates they are added without looking at their ends.
  const int both = std::min({p.m, held(s), held(b)});
  const float* qs = s.Q.data();
  const float* qb = b.Q.data();
  for (int i = 1; i <= both; ++i) sum[i] = qs[i] + qb[i];
  for (int i = both + 1; i <= p.m; ++i) sum[i] = at(s, i) + at(b, i);
  for (int i = p.m + 1; i <= p.n; ++i) sum[i] = at(longer, i);
  t.DA = s.DA + b.DA;
  t.BASE = s.BASE + b.BASE;
  return t;
}

// Peak (first of equal highest ordinates), its time on the run clock and the
// runoff volume of the sum, by the rules the sum is stored with. A sum without
// area holds no depth of runoff; one without any ordinate above 0 keeps a peak
// time of 0.
Totals sumTotals(const model::Hydrograph& h) {
  return totals(h.Q, h.NPTS, h.DT, h.DA, PeakRule::First, SumOrder::FromStart, AreaRule::Positive);
}

Totals setSumPeakAndVolume(model::Hydrograph& h, double tzero) {
  const Totals t = sumTotals(h);
  h.QPEAK = t.qpeak;
  h.TPEAK = t.qpeak > 0.0f ? static_cast<float>(static_cast<double>(t.peakTime) + tzero) : 0.0f;
  h.RV = t.rv;
  return t;
}

using fortran::padded;

// The detailed output of ADD HYD: heading, one line per input, the sum line
// and the notes on baseflow.
struct AddHydPrinter {
  model::RunContext& ctx;

  void heading(int nhyd, const std::string& name) const {
    static const fortran::Format kRule("(24('-'))");
    static const fortran::Format kNumeric(
        "('| ADD HYD (',I10.1,') | ID: NHYD',9X,'AREA',5X,'QPEAK',3X,'TPEAK',3X,'R.V.',4X,'DWF')");
    static const fortran::Format kNamed(
        "('| ADD HYD (',A10,') | ID: NHYD',9X,'AREA',5X,'QPEAK',3X,'TPEAK',3X,'R.V.',4X,'DWF')");
    static const fortran::Format kUnits("('------------------------',15X,A7,3X,A7,3X,'(hrs)',A7,1X,A7)");
    platform::LineSink& out = *ctx.out.detailed;
    const model::Units& u = ctx.units;
    run::put(out, kRule);
    if (nhyd != 0) {
      run::put(out, kNumeric, {nhyd});
    } else {
      run::put(out, kNamed, {padded(name, 10)});
    }
    run::put(out, kUnits,
             {u.label(Quantity::Area), u.label(Quantity::Flow), u.label(Quantity::Depth), u.label(Quantity::Flow)});
  }

  void input(std::string_view plus, int k, int id, const std::string& dryMark) const {
    static const fortran::Format kNumeric("(T21,A1,'ID',I1,1X,I2.2,':',I10.1,F9.2,F9.3,F8.2,F7.2,F8.3,1X,A8)");
    static const fortran::Format kNamed("(T21,A1,'ID',I1,1X,I2.2,':',A10,F9.2,F9.3,F8.2,F7.2,F8.3,1X,A8)");
    const model::Hydrograph& h = ctx.store[id];
    const model::Factors& f = ctx.units.out;
    if (h.NHYD != 0) {
      run::put(
          *ctx.out.detailed, kNumeric,
          {plus, k, id, h.NHYD, h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth, h.BASE / f.flow, dryMark});
    } else {
      run::put(*ctx.out.detailed, kNamed,
               {plus, k, id, padded(h.HYDNAME, 10), h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth,
                h.BASE / f.flow, dryMark});
    }
  }

  void rule() const {
    static const fortran::Format kSumRule("(T22,60('='))");
    run::put(*ctx.out.detailed, kSumRule);
  }

  void sum(int id, const std::string& dryMark) const {
    static const fortran::Format kNumeric("(T22,'SUM',1X,I2.2,':',I10.1,F9.2,F9.3,F8.2,F7.2,F8.3,1X,A7)");
    static const fortran::Format kNamed("(T22,'SUM',1X,I2.2,':',A10,F9.2,F9.3,F8.2,F7.2,F8.3,1X,A7)");
    const model::Hydrograph& h = ctx.store[id];
    const model::Factors& f = ctx.units.out;
    if (h.NHYD != 0) {
      run::put(*ctx.out.detailed, kNumeric,
               {id, h.NHYD, h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth, h.BASE / f.flow, dryMark});
    } else {
      run::put(*ctx.out.detailed, kNamed,
               {id, padded(h.HYDNAME, 10), h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth, h.BASE / f.flow,
                dryMark});
    }
  }

  void notes(int id) const {
    static const fortran::Format kBlank("(' ')");
    static const fortran::Format kNote("(3X,'NOTE:  PEAK FLOWS DO NOT INCLUDE BASEFLOWS IF ANY.')");
    static const fortran::Format kTotal(
        "(3X,'ACTUAL TOTAL PEAK FLOW: PEAK (',F8.3,') + BASE (',F7.3,') = ',F8.3,A7,'.')");
    const model::Hydrograph& h = ctx.store[id];
    const model::Factors& f = ctx.units.out;
    platform::LineSink& out = *ctx.out.detailed;
    run::put(out, kBlank);
    run::put(out, kNote);
    if (h.BASE > 0.0f) {
      run::put(out, kTotal,
               {h.QPEAK / f.flow, h.BASE / f.flow, (h.QPEAK + h.BASE) / f.flow, ctx.units.label(Quantity::Flow)});
    }
    run::put(out, kBlank);
  }
};

// The summary label of the sum: " [DT=", the step in minutes and "]  SUM=".
std::string sumLabel(float dt) {
  static const fortran::Format kStep("(F5.2)");
  return " [DT=" + kStep.format({dt * model::kMinutesPerHour})[0] + "]  SUM=";
}

// Stores the sum through the producer path (its ordinates move there); the
// peak time of a sum without any ordinate above 0 stays 0.
void storeSum(model::RunContext& ctx, int id, int nhyd, model::Hydrograph& sum, std::optional<Totals> known) {
  Produced p;
  p.nhyd = nhyd;
  // The totals of the sum hold for what is stored when it holds exactly its ordinates.
  if (sum.Q.size() == static_cast<std::size_t>(sum.NPTS) + 1) p.known = known;
  p.q = std::move(sum.Q);
  p.q.resize(static_cast<std::size_t>(sum.NPTS) + 1, 0.0f);
  p.dt = sum.DT;
  p.da = sum.DA;
  p.base = sum.BASE;
  p.peak = PeakRule::First;
  p.sum = SumOrder::FromStart;
  p.area = AreaRule::Positive;
  const Totals t = storeProduced(ctx, id, std::move(p));
  if (!(t.qpeak > 0.0f)) ctx.store[id].TPEAK = 0.0f;
}

} // namespace

AddHydValues readAddHydValues(const model::CommandValues& cmd) {
  AddHydValues v;
  v.idOut = cmd.intParam(1);
  v.nhyd = cmd.intParam(2);
  for (int k = 1; k <= kAddHydInputs; ++k) v.idIn[static_cast<std::size_t>(k - 1)] = cmd.intParam(k + 2);
  return v;
}

void resampleOntoStep(model::Hydrograph& h, float dt) {
  const float coarse = h.DT;
  std::vector<float> fine(2, 0.0f);
  fine[1] = at(h, 1);
  int j = 1;
  float tc = 0.0f; // time of coarse ordinate i after ordinate 1
  float tf = dt;   // time of the next fine ordinate
  for (int i = 2; i <= h.NPTS && j < model::kMaxOrdinates; ++i) {
    tc = tc + coarse;
    const float before = at(h, i - 1);
    const float now = at(h, i);
    while (j < model::kMaxOrdinates) {
      const float d = tc - tf;
      if (d < 0.0f) break;
      ++j;
      if (d == 0.0f) {
        fine.push_back(now);
        tf = tf + dt;
        break;
      }
      // A fine ordinate between two coarse ones lies on the line joining them.
      fine.push_back(coarse > 0.0f ? before + (now - before) * (tf - tc + coarse) / coarse : now);
      tf = tf + dt;
    }
  }
  if (h.NPTS > 0) h.NPTS = j;
  h.Q = std::move(fine);
  h.DT = dt;
}

AddHydResult computeAddHyd(const model::Store& store, const std::array<int, kAddHydInputs>& idIn, double tzero) {
  AddHydResult r;
  float dtMin = kNoStep;
  int wet = 0;
  for (int id : idIn) {
    if (id == 0) continue;
    dtMin = std::min(dtMin, store[id].DT);
    if (!isDry(store[id])) ++wet;
  }
  if (wet == 0) {
    r.dry = true;
    r.sum.DT = dtMin;
    return r;
  }

  // An input resampled onto a finer step is resampled in a working copy, and
  // the copy is what a later listing of the same slot sees; the others are
  // read where they are.
  std::map<int, model::Hydrograph> resampled;
  auto input = [&](int id) -> const model::Hydrograph& {
    const auto it = resampled.find(id);
    return it != resampled.end() ? it->second : store[id];
  };
  auto resampleInput = [&](int id, float dt) -> const model::Hydrograph& {
    model::Hydrograph& copy = resampled.try_emplace(id, store[id]).first->second;
    resampleOntoStep(copy, dt);
    return copy;
  };
  int first = 0;
  model::Hydrograph running;
  bool runningIsFirst = true;
  for (int id : idIn) {
    if (id == 0) continue;
    if (first == 0) {
      first = id;
      continue;
    }
    const model::Hydrograph* s = runningIsFirst ? &input(first) : &running;
    const model::Hydrograph* b = &input(id);
    const PairPlan plan = planPair(*s, *b);
    // The coarse one of the pair now follows the finer step in its own slot
    // (a running sum is not a slot of the user's).
    if (plan.resample && !plan.sumIsCoarse) {
      b = &resampleInput(id, plan.dt);
    } else if (plan.resample && runningIsFirst) {
      s = &resampleInput(first, plan.dt);
    } else if (plan.resample) {
      resampleOntoStep(running, plan.dt);
    }
    running = addPair(*s, *b, plan);
    runningIsFirst = false;
  }
  // A single input is copied to the output; a sum is handed over.
  if (runningIsFirst) {
    r.sum = input(first);
  } else {
    r.sum = std::move(running);
  }
  r.totals = setSumPeakAndVolume(r.sum, tzero);
  for (auto& [id, h] : resampled) r.resampled.emplace_back(id, std::move(h));
  return r;
}

void addHyd(model::RunContext& ctx) {
  ctx.run.label = "ADD HYD";
  const AddHydValues v = readAddHydValues(ctx.cmd);
  if (!checkSlot(ctx, v.idOut)) return;
  for (int id : v.idIn) {
    if (id != 0 && !checkSlot(ctx, id)) return;
  }
  const AddHydPrinter print{ctx};
  print.heading(v.nhyd, ctx.cmd.text(1, 10));

  // The inputs as they are before the sum: summary lines and listing.
  // The plus mark is blank for list position 1 and "+" from position 2 on;
  // the second and later inputs show it where the first shows ADD HYD.
  std::string_view plus = " ";
  for (int k = 1; k <= kAddHydInputs; ++k) {
    const int id = v.idIn[static_cast<std::size_t>(k - 1)];
    if (id == 0) continue;
    if (k > 1) plus = "+";
    if (plus == "+") ctx.run.label = kPlusLabel;
    reportProduced(ctx, id, Source::Other, AutoFile::Skip);
    print.input(plus, k, id, isDry(ctx.store[id]) ? "**DRY**" : "       ");
  }

  AddHydResult r = computeAddHyd(ctx.store, v.idIn, ctx.time.TZERO);
  for (auto& [id, h] : r.resampled) {
    model::Hydrograph& slot = ctx.store[id];
    slot.Q = std::move(h.Q);
    slot.NPTS = h.NPTS;
    slot.DT = h.DT;
  }
  storeSum(ctx, v.idOut, v.nhyd, r.sum, r.dry ? std::nullopt : std::optional<Totals>(r.totals));
  print.rule();
  if (r.dry) {
    // A dry sum is listed but gets no summary line, file or notes.
    print.sum(v.idOut, "**DRY**");
    return;
  }
  ctx.run.label = sumLabel(r.sum.DT);
  print.sum(v.idOut, "       ");
  reportProduced(ctx, v.idOut, Source::Other);
  print.notes(v.idOut);
}

} // namespace hydrograph
