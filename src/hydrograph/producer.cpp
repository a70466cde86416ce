// The obligations of every command that stores a hydrograph in a slot: the
// reference, the peak and the runoff volume from the ordinates, the summary
// line and the automatic hydrograph file.
#include "hydrograph/producer.h"

#include "hydrograph/gethyd.h"
#include "run/messages.h"
#include "run/summary_line.h"

namespace hydrograph {

namespace {

// Turns cfs-hours per acre into inches of runoff. Written 1.00833 in every
// volume rule of the system.
constexpr float kCfsHoursPerAcreInch = 1.00833f;

// Message of a slot number outside the user's slots 1..10.

}  // namespace

void setReference(model::RunContext& ctx, int id, int nhyd) {
  model::Hydrograph& h = ctx.store[id];
  h.NHYD = nhyd;
  // A quoted reference reaches the command as 0 in PARAM and as its first
  // quoted string; a numeric one leaves HYDNAME as it was.
  if (nhyd == 0) h.HYDNAME = ctx.cmd.text(1, 10);
}

void setPeakAndVolume(model::RunContext& ctx, int id, PeakScan scan) {
  model::Hydrograph& h = ctx.store[id];
  float peak = 0.0f;
  int at = 1;
  // Only a strictly greater ordinate replaces the peak, so the direction of the
  // scan decides which of equal highest ordinates is the peak.
  if (scan == PeakScan::Forward) {
    for (int i = 1; i <= h.NPTS; ++i) {
      if (h.Q[i] > peak) {
        peak = h.Q[i];
        at = i;
      }
    }
  } else {
    for (int i = h.NPTS; i >= 1; --i) {
      if (h.Q[i] > peak) {
        peak = h.Q[i];
        at = i;
      }
    }
  }
  float sum = 0.0f;
  for (int i = 1; i <= h.NPTS; ++i) sum += h.Q[i];

  h.QPEAK = peak;
  // The peak time is single precision on the run clock: the offset from the
  // first ordinate plus the double-precision TZERO.
  h.TPEAK = static_cast<float>(static_cast<double>(h.DT * static_cast<float>(at - 1)) + ctx.time.TZERO);
  // A hydrograph without an area has no depth of runoff: RV is 0 rather than a
  // division by zero.
  h.RV = h.DA != 0.0f ? sum * h.DT / (h.DA * kCfsHoursPerAcreInch) : 0.0f;
}

void reportProduced(model::RunContext& ctx, int id, bool fromRainfall) {
  const bool numeric = ctx.store[id].NHYD != 0;
  const int form = fromRainfall ? (numeric ? 1 : 2) : (numeric ? 3 : 4);
  run::outsum(ctx, id, form);
  autoSave(ctx, id);
}

void autoSave(model::RunContext& ctx, int id) {
  if (ctx.store.SVHYD == 1) writeAutomaticFile(ctx, id);
}

bool checkSlot(model::RunContext& ctx, int id) {
  if (model::Store::userSlot(id)) return true;
  run::issue(ctx, msg::kSlotOutOfRange, run::Severity::Error);
  return false;
}

}  // namespace hydrograph
