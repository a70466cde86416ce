// The producer path: everything a command that stores a hydrograph must do
// once its ordinates are computed.
#include "hydrograph/producer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "fortran/text.h"
#include "hydrograph/auto_save.h"
#include "run/messages.h"
#include "run/summary_line.h"
#include "run/water_balance.h"

namespace hydrograph {

Totals totals(std::span<const float> q, int n, float dt, float da, PeakRule peak, SumOrder sum, AreaRule area,
              int trimAfter) {
  Totals t;
  int last = std::min(n, static_cast<int>(q.size()) - 1);
  if (trimAfter >= 0) {
    while (last > trimAfter && q[static_cast<std::size_t>(last)] < kTailFlow) --last;
  }
  t.npts = std::max(last, 0);
  // The peak and the sum are kept in locals: written through `t` they would
  // be stored again at every ordinate.
  const float* v = q.data();
  float qpeak = 0.0f;
  int at = 1;
  auto consider = [&](int i) {
    if (v[i] > qpeak) {
      qpeak = v[i];
      at = i;
    }
  };
  if (peak == PeakRule::First) {
    for (int i = 1; i <= t.npts; ++i) consider(i);
  } else {
    for (int i = t.npts; i >= 1; --i) consider(i);
  }
  t.qpeak = qpeak;
  t.peakTime = dt * static_cast<float>(at - 1);
  float total = 0.0f;
  if (sum == SumOrder::FromStart) {
    for (int i = 1; i <= t.npts; ++i) total += v[i];
  } else {
    for (int i = t.npts; i >= 1; --i) total += v[i];
  }
  t.sum = total;
  // A hydrograph without an area has no depth of runoff: RV is 0 rather than
  // a division by zero.
  const bool hasArea = area == AreaRule::Positive ? da > 0.0f : da != 0.0f;
  t.rv = hasArea ? t.sum * dt / (da * model::kCfsHoursPerAcreInch) : 0.0f;
  return t;
}

namespace {

// Flows, areas or steps near the top of single precision (typed as 1e35, or
// read from a file) overflow in the sums and products of the totals. Whatever
// overflowed is set to 0 and the run ends on the error, so that no output
// shows an infinity or a NaN.
// The depth of runoff is also printed in millimetres: a volume over an area
// all but 0 may overflow only then.
void clearOverflow(model::RunContext& ctx, std::vector<float>& q, Totals& t) {
  auto finite = [](float v) { return std::isfinite(v); };
  const bool printableDepth = finite(t.rv * model::kMmPerInch);
  if (std::all_of(q.begin(), q.end(), finite) && finite(t.qpeak) && finite(t.sum) && printableDepth) return;
  for (float& v : q)
    if (!finite(v)) v = 0.0f;
  for (float* v : {&t.qpeak, &t.sum, &t.rv})
    if (!finite(*v)) *v = 0.0f;
  if (!printableDepth) t.rv = 0.0f;
  run::issue(ctx, msg::kResultTooLarge, run::Severity::Error);
}

} // namespace

void noteTrimmedTail(model::RunContext& ctx, std::span<const float> q, int npts) {
  if (!run::ledgerOn(ctx)) return;
  float cut = 0.0f;
  for (std::size_t i = static_cast<std::size_t>(std::max(npts, 0)) + 1; i < q.size(); ++i) cut += q[i];
  if (cut > 0.0f) run::ledgerReason(ctx, "trimmed tail");
}

Totals storeProduced(model::RunContext& ctx, int id, Produced p) {
  Totals t = p.known ? *p.known
                     : totals(p.q, static_cast<int>(p.q.size()) - 1, p.dt, p.da, p.peak, p.sum, p.area, p.trimAfter);
  clearOverflow(ctx, p.q, t);
  run::ledgerOutput(ctx, id);
  noteTrimmedTail(ctx, p.q, t.npts);
  setReference(ctx, id, p.nhyd);
  model::Hydrograph& h = ctx.store[id];
  h.DT = p.dt;
  h.DA = p.da;
  h.BASE = p.base;
  p.q.resize(static_cast<std::size_t>(t.npts) + 1);
  h.Q = std::move(p.q);
  h.NPTS = t.npts;
  h.QPEAK = t.qpeak;
  // The peak time is single precision on the run clock: the offset from the
  // first ordinate plus the double-precision TZERO.
  h.TPEAK = static_cast<float>(static_cast<double>(t.peakTime) + ctx.time.TZERO);
  if (!std::isfinite(h.TPEAK)) { // a start time typed beyond single precision, or a huge step
    h.TPEAK = std::isfinite(t.peakTime) ? t.peakTime : 0.0f;
    run::issue(ctx, msg::kResultTooLarge, run::Severity::Error);
  }
  h.RV = t.rv;
  return t;
}

namespace {

using fortran::trimRight;

// The hydrograph of slot `id` and, for runoff, the storm it came from, as
// data in the output units of the run.
void record(model::RunContext& ctx, int id, Source source) {
  const model::Hydrograph& h = ctx.store[id];
  const model::Factors& f = ctx.units.out;
  const int run = ctx.run.NRUN, command = ctx.run.commandCounter;
  model::HydrographRecord r{run,
                            command,
                            trimRight(ctx.run.label),
                            id,
                            h.NHYD,
                            h.NHYD != 0 ? std::string() : trimRight(h.HYDNAME),
                            h.DT,
                            h.DA / f.area,
                            h.BASE / f.flow,
                            ctx.time.TZERO,
                            {},
                            (h.QPEAK + h.BASE) / f.flow,
                            h.TPEAK,
                            h.RV * f.depth};
  r.date = ctx.storm.stormDate;
  if (run::ledgerOn(ctx)) {
    const std::vector<int>& stored = ctx.ledger.draft.storedSlots;
    r.produced = std::find(stored.begin(), stored.end(), id) != stored.end();
  }
  r.flows.reserve(static_cast<std::size_t>(std::max(h.NPTS, 0)));
  for (int i = 1; i <= h.NPTS && i < static_cast<int>(h.Q.size()); ++i) r.flows.push_back(h.Q[i] / f.flow);
  ctx.recorder->hydrograph(std::move(r));
  if (source == Source::Rainfall) recordStorm(ctx);
}

} // namespace

void recordStorm(model::RunContext& ctx) {
  if (ctx.recorder == nullptr) return;
  const model::Storm& s = ctx.storm;
  const model::Factors& f = ctx.units.out;
  model::StormRecord storm;
  storm.run = ctx.run.NRUN;
  storm.command = ctx.run.commandCounter;
  storm.title = trimRight(s.title);
  storm.date = s.stormDate;
  storm.dtHours = s.SDT;
  storm.depth = s.PTOT * f.depth;
  for (int i = 1; i <= s.NSTEP && i < static_cast<int>(s.RAIN.size()); ++i)
    storm.intensities.push_back(s.RAIN[i] * f.depth);
  ctx.recorder->storm(std::move(storm));
}

void reportProduced(model::RunContext& ctx, int id, Source source, AutoFile file) {
  const bool numeric = ctx.store[id].NHYD != 0;
  const int form = source == Source::Rainfall ? (numeric ? 1 : 2) : (numeric ? 3 : 4);
  if (ctx.recorder != nullptr) record(ctx, id, source);
  run::ledgerReported(ctx, id);
  run::outsum(ctx, id, form);
  if (file == AutoFile::Write && ctx.store.SVHYD == 1) writeAutomaticFile(ctx, id);
}

void setReference(model::RunContext& ctx, int id, int nhyd) {
  model::Hydrograph& h = ctx.store[id];
  h.NHYD = nhyd;
  // A quoted reference reaches the command as 0 in PARAM and as its first
  // quoted string; a numeric one leaves HYDNAME as it was.
  if (nhyd == 0) h.HYDNAME = ctx.cmd.text(1, 10);
}

bool checkSlot(model::RunContext& ctx, int id) {
  if (model::Store::userSlot(id)) return true;
  run::issue(ctx, msg::kSlotOutOfRange, run::Severity::Error);
  return false;
}

} // namespace hydrograph
