// The water balance of each command: what came in (hydrographs from the store,
// rainfall over the area, baseflow), what left as hydrographs, what was lost
// by kind, what stayed in storage and what was sent elsewhere. The handlers
// name their inputs, losses and storage; the producer path names the outputs.
// Everything here does nothing unless the run's results are wanted as data,
// so the program alone pays one test per call.
#pragma once

#include <string_view>

#include "model/context.h"

namespace run {

inline constexpr double kCubicMetresPerCubicFoot = 0.028316846592;
inline constexpr double kSecondsPerHour = 3600.0;

// Cubic feet a slot carries: its ordinates and its baseflow over each step.
double slotVolume(const model::Hydrograph& h);
// Cubic feet of a slot's constant baseflow over its ordinates.
double baseflowVolume(const model::Hydrograph& h);
// Cubic feet of a depth in inches over an area in acres.
double depthVolume(double inches, double acres);

// Around each command (the main loop): starts a draft and, when the command
// produced or moved a hydrograph, hands its record to the recorder.
void beginLedger(model::RunContext& ctx);
void endLedger(model::RunContext& ctx, std::string_view commandName);

inline bool ledgerOn(const model::RunContext& ctx) { return ctx.ledger.draft.active; }

// A slot the command reads, with its volume as it is now.
void ledgerInput(model::RunContext& ctx, int id);
// A slot whose summary line the command writes (the producer path calls
// this): an input unless the command stored it itself.
void ledgerReported(model::RunContext& ctx, int id);
// A slot the command stored (the producer path calls this).
void ledgerOutput(model::RunContext& ctx, int id);
// An output slot that carries water sent elsewhere (overflow, diversion).
void ledgerSent(model::RunContext& ctx, int id);
// Water from outside the store, cubic feet: rainfall, baseflow, a file.
void ledgerInflow(model::RunContext& ctx, double cubicFeet);
void ledgerLoss(model::RunContext& ctx, model::LossKind kind, double cubicFeet);
void ledgerStored(model::RunContext& ctx, double cubicFeet);
// A known cause of lost continuity, shown when the error exceeds 1 %.
void ledgerReason(model::RunContext& ctx, std::string_view reason);

// The record of a finished draft (pure, for tests): volumes to cubic metres,
// the error in per cent of what came in, the flag and its reasons.
model::LedgerRecord finishRecord(const model::LedgerDraft& draft, const model::Store& store);

} // namespace run
