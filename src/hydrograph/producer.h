// What every command that stores a hydrograph in a slot must do once its
// ordinates are in place: reference, peak, volume, summary line and the
// automatic hydrograph file.
#pragma once

#include "model/context.h"

namespace hydrograph {

// Direction of the peak scan: forward makes the earliest of equal highest
// ordinates the peak, backward the latest.
enum class PeakScan { Forward, Backward };

// Sets NHYD of slot `id` from `nhyd`; when it is 0, HYDNAME from the first ten
// characters of the command's first quoted string.
void setReference(model::RunContext& ctx, int id, int nhyd);

// QPEAK and TPEAK (TZERO + (i-1)*DT) from the ordinates, taking an ordinate only
// when it is strictly greater than the peak so far; RV by the volume rule
// sum(Q) * DT / (DA * 1.00833) (0 when DA is 0).
void setPeakAndVolume(model::RunContext& ctx, int id, PeakScan scan);

// The summary line of slot `id` (forms 1/2 when `fromRainfall`, else 3/4, the
// numeric form when NHYD is not 0) and, when SVHYD is 1, its automatic file.
void reportProduced(model::RunContext& ctx, int id, bool fromRainfall);

// The automatic hydrograph file of slot `id` when SVHYD is 1.
void autoSave(model::RunContext& ctx, int id);

// A slot number from the input that must name a user slot (1..10): when it does
// not, issues an error that ends the run and returns false.
bool checkSlot(model::RunContext& ctx, int id);

}  // namespace hydrograph
