// The one path every command that stores a hydrograph in a slot goes through:
// the reference, the ordinates, the cut of the trailing tail, the peak with a
// named rule for equal highest ordinates, the time to peak and the runoff
// volume (storeProduced), then the summary line and the automatic hydrograph
// file (reportProduced), written after the command's own messages so that the
// summary line carries their marker.
#pragma once

#include <optional>
#include <span>
#include <vector>

#include "model/context.h"

namespace hydrograph {

// Trailing ordinates below this flow (cfs) are cut from a hydrograph made from
// rainfall; PRINT HYD and SAVE HYD cut those at or below it.
inline constexpr float kTailFlow = 0.0003528f;

// Which of equal highest ordinates is the peak: the earliest or the latest.
enum class PeakRule { First, Last };
// The order in which the ordinates are summed for the volume. Single-precision
// sums round differently in each order; each command keeps its own.
enum class SumOrder { FromStart, FromEnd };
// Which areas hold a depth of runoff: typed and read hydrographs divide by any
// area but 0, the runoff commands only by a positive one (RV is 0 otherwise).
enum class AreaRule { NonZero, Positive };

// What the ordinates give, computed once for every producer.
struct Totals {
  int npts = 0;          // ordinates kept after the cut of the tail
  float qpeak = 0.0f;    // cfs; 0 when no ordinate is above 0
  float peakTime = 0.0f; // hours after the first ordinate (0 when no ordinate is above 0)
  float sum = 0.0f;      // cfs, summed in the produced order
  float rv = 0.0f;       // sum * DT / (DA * 1.00833) inches, or 0 (area rule)
};

// A hydrograph a command has computed, with the rules it is stored by.
struct Produced {
  int nhyd = 0;                  // numeric reference; 0: HYDNAME from the first quoted string
  std::vector<float> q = {0.0f}; // q[1..n] in cfs without baseflow; q[0] unused
  float dt = 0.0f;               // hours
  float da = 0.0f;               // acres
  float base = 0.0f;             // constant baseflow, cfs
  PeakRule peak = PeakRule::First;
  SumOrder sum = SumOrder::FromStart;
  AreaRule area = AreaRule::NonZero;
  int trimAfter = -1; // >= 0: trailing ordinates below kTailFlow past this one are cut
  // The totals of exactly these ordinates by these rules, when the command
  // has already worked them out: they are not worked out again.
  std::optional<Totals> known;
};

// Only a strictly greater ordinate replaces the peak.
Totals totals(std::span<const float> q, int n, float dt, float da, PeakRule peak, SumOrder sum, AreaRule area,
              int trimAfter = -1);

// For the water-balance ledger: flow in the ordinates past `npts` of q[1..]
// that a cut of the tail dropped is named as a cause of lost continuity.
void noteTrimmedTail(model::RunContext& ctx, std::span<const float> q, int npts);

// Stores `p` in slot `id`: reference, time step, area, baseflow, ordinates, peak,
// time of peak on the run clock (TZERO + peakTime) and RV. Returns the totals.
Totals storeProduced(model::RunContext& ctx, int id, Produced p);

// Summary line forms: hydrographs from rainfall carry a runoff coefficient.
enum class Source { Rainfall, Other };
enum class AutoFile { Write, Skip };

// The summary line of slot `id` (numeric form when NHYD is not 0) and, when
// SVHYD is 1 and `file` is Write, its automatic hydrograph file.
void reportProduced(model::RunContext& ctx, int id, Source source, AutoFile file = AutoFile::Write);

// The storm in force, as data for the library's results, under the running
// command: reportProduced records it for the hydrographs made from rainfall;
// a runoff command whose lines are of the other form (COMPUTE DWF+WWF) calls
// it itself. Nothing without a recorder.
void recordStorm(model::RunContext& ctx);

// Sets NHYD of slot `id` from `nhyd`; when it is 0, HYDNAME from the first ten
// characters of the command's first quoted string.
void setReference(model::RunContext& ctx, int id, int nhyd);

// A slot number from the input that must name a user slot (1..10): when it does
// not, issues an error that ends the run and returns false.
bool checkSlot(model::RunContext& ctx, int id);

} // namespace hydrograph
