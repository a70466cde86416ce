// The per-command water balance, gathered around each command.
#include "run/water_balance.h"

#include <algorithm>
#include <cmath>

#include "fortran/text.h"

namespace run {

namespace {

using fortran::trimRight;

const char* const kCutReason = "cut at the maximum number of ordinates";
const char* const kCoarserReason = "resampled onto a coarser step";

} // namespace

double slotVolume(const model::Hydrograph& h) {
  const int n = std::min(h.NPTS, static_cast<int>(h.Q.size()) - 1);
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += h.Q[static_cast<std::size_t>(i)];
  sum += static_cast<double>(h.BASE) * std::max(n, 0);
  return sum * h.DT * kSecondsPerHour;
}

double baseflowVolume(const model::Hydrograph& h) {
  return static_cast<double>(h.BASE) * std::max(h.NPTS, 0) * h.DT * kSecondsPerHour;
}

double depthVolume(double inches, double acres) { return inches / 12.0 * acres * 43560.0; }

void beginLedger(model::RunContext& ctx) {
  model::LedgerState& l = ctx.ledger;
  l.on = ctx.recorder != nullptr;
  l.draft.active = false;
  if (!l.on) return; // the program alone keeps no ledger
  // A new run (START, or the next input file) begins with an empty store.
  if (ctx.run.NRUN != l.run || ctx.run.commandCounter <= l.lastCommand) l.producer.fill(0);
  l.run = ctx.run.NRUN;
  l.lastCommand = ctx.run.commandCounter;
  l.draft = model::LedgerDraft{};
  l.draft.active = true;
}

void ledgerInput(model::RunContext& ctx, int id) {
  if (!ledgerOn(ctx) || id < model::kMinSlotId || id > model::kMaxSlotId) return;
  const int producer = ctx.ledger.producer[static_cast<std::size_t>(id - model::kMinSlotId)];
  model::LedgerDraft& d = ctx.ledger.draft;
  d.inputs.push_back({id, producer, slotVolume(ctx.store[id]), false});
  const float dt = ctx.store[id].DT;
  if (dt > 0.0f && (d.finestInputDt == 0.0f || dt < d.finestInputDt)) d.finestInputDt = dt;
}

void ledgerReported(model::RunContext& ctx, int id) {
  if (!ledgerOn(ctx)) return;
  const std::vector<int>& stored = ctx.ledger.draft.storedSlots;
  if (std::find(stored.begin(), stored.end(), id) == stored.end()) ledgerInput(ctx, id);
}

void ledgerOutput(model::RunContext& ctx, int id) {
  if (!ledgerOn(ctx)) return;
  ctx.ledger.draft.storedSlots.push_back(id);
  if (!model::Store::userSlot(id)) return;
  std::vector<int>& out = ctx.ledger.draft.outputs;
  if (std::find(out.begin(), out.end(), id) == out.end()) out.push_back(id);
}

void ledgerSent(model::RunContext& ctx, int id) {
  if (ledgerOn(ctx)) ctx.ledger.draft.sentSlots.push_back(id);
}

void ledgerInflow(model::RunContext& ctx, double cubicFeet) {
  if (ledgerOn(ctx)) ctx.ledger.draft.inflow += cubicFeet;
}

void ledgerLoss(model::RunContext& ctx, model::LossKind kind, double cubicFeet) {
  if (ledgerOn(ctx)) ctx.ledger.draft.losses[static_cast<std::size_t>(kind)] += cubicFeet;
}

void ledgerStored(model::RunContext& ctx, double cubicFeet) {
  if (ledgerOn(ctx)) ctx.ledger.draft.stored += cubicFeet;
}

void ledgerReason(model::RunContext& ctx, std::string_view reason) {
  if (!ledgerOn(ctx)) return;
  std::vector<std::string>& r = ctx.ledger.draft.reasons;
  if (std::find(r.begin(), r.end(), reason) == r.end()) r.emplace_back(reason);
}

model::LedgerRecord finishRecord(const model::LedgerDraft& d, const model::Store& store) {
  constexpr double m3 = kCubicMetresPerCubicFoot;
  model::LedgerRecord r;
  r.volumeIn = d.inflow * m3;
  for (const model::LedgerFlow& in : d.inputs) {
    r.volumeIn += in.volume * m3;
    r.inputs.push_back({in.slot, in.command, in.volume * m3, false});
    if (in.command != 0 && std::find(r.sources.begin(), r.sources.end(), in.command) == r.sources.end()) {
      r.sources.push_back(in.command);
    }
  }
  std::vector<std::string> reasons = d.reasons;
  // The main output: the first that is not sent elsewhere, else the first.
  int main = d.outputs.empty() ? 0 : d.outputs.front();
  for (int id : d.outputs) {
    if (std::find(d.sentSlots.begin(), d.sentSlots.end(), id) == d.sentSlots.end()) {
      main = id;
      break;
    }
  }
  for (int id : d.outputs) {
    const model::Hydrograph& h = store[id];
    const bool sent = std::find(d.sentSlots.begin(), d.sentSlots.end(), id) != d.sentSlots.end();
    const double v = slotVolume(h) * m3;
    (sent ? r.sent : r.volumeOut) += v;
    r.outputs.push_back({id, 0, v, sent});
    const auto said = [&](std::string_view what) {
      return std::any_of(reasons.begin(), reasons.end(),
                         [&](const std::string& s) { return s.find(what) != std::string::npos; });
    };
    if (h.NPTS >= model::kMaxOrdinates && !said(kCutReason)) reasons.emplace_back(kCutReason);
    // Ordinates taken at a coarser step than the inflow's miss what lay between.
    if (d.finestInputDt > 0.0f && h.DT > d.finestInputDt * 1.001f && !said(kCoarserReason)) {
      reasons.emplace_back(kCoarserReason);
    }
    if (id == main) {
      r.id = id;
      r.nhyd = h.NHYD;
      r.name = h.NHYD != 0 ? std::string() : trimRight(h.HYDNAME);
    }
  }
  r.initialAbstraction = d.losses[0] * m3;
  r.infiltration = d.losses[1] * m3;
  r.depressionStorage = d.losses[2] * m3;
  r.evaporation = d.losses[3] * m3;
  r.stored = d.stored * m3;
  const double lost = r.initialAbstraction + r.infiltration + r.depressionStorage + r.evaporation;
  const double residual = r.volumeIn - r.volumeOut - lost - r.stored - r.sent;
  if (r.volumeIn > 0.0) {
    r.errorPercent = residual / r.volumeIn * 100.0;
  } else if (std::fabs(residual) > 0.0) {
    r.errorPercent = residual < 0.0 ? -100.0 : 100.0; // water out of nothing
  }
  r.flagged = std::fabs(r.errorPercent) > 1.0;
  if (r.flagged) {
    for (const std::string& s : reasons) r.reason += (r.reason.empty() ? "" : "; ") + s;
  }
  return r;
}

void endLedger(model::RunContext& ctx, std::string_view commandName) {
  model::LedgerState& l = ctx.ledger;
  if (!l.draft.active) return;
  l.draft.active = false;
  const model::LedgerDraft& d = l.draft;
  if (d.outputs.empty() && d.inflow == 0.0) return;
  model::LedgerRecord r = finishRecord(d, ctx.store);
  r.run = ctx.run.NRUN;
  r.command = ctx.run.commandCounter;
  r.label = commandName;
  for (int id : d.outputs) l.producer[static_cast<std::size_t>(id - model::kMinSlotId)] = r.command;
  for (model::LedgerFlow& f : r.outputs) f.command = r.command;
  ctx.recorder->ledger(std::move(r));
}

} // namespace run
