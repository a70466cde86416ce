// The loss models: the Horton infiltration curve and its times, the older flat
// description of a surface's losses, and the statistics of the continuously
// computed curve-number store.
#include "runoff/losses.h"

#include <cmath>

#include "fortran/format.h"
#include "run/output.h"

namespace runoff {

namespace {

// Precision of the search for the Horton time that absorbs a given depth: one second.
constexpr float kHortonTimeTolerance = 1.0f / 3600.0f;

} // namespace

float hortonDepth(float fo, float fc, float dcay, float t) {
  if (dcay == 0.0f) return fo * t;
  return fc * t + (fo - fc) / dcay * (1.0f - std::exp(-dcay * t));
}

float hortonStartTime(const HortonLoss& h, float dt) {
  float t = 0.0f;
  if (!(h.f > 0.0f)) return t;
  const float step = dt / 100.0f;
  float depth = hortonDepth(h.fo, h.fc, h.dcay, t);
  while (depth < h.f) {
    const float next = hortonDepth(h.fo, h.fc, h.dcay, t + step);
    // A curve that levels off below F (Fc = 0) or a step lost in rounding
    // would never get there: the capacity is then as spent as it can be.
    if (!(next > depth)) break;
    t += step;
    depth = next;
  }
  return t;
}

// A halving search started half a step ahead: each step size is used for one
// move towards the target; the second move at a size is taken back and the size halved.
float hortonAbsorbTime(const HortonLoss& hl, float t, float dt, float x) {
  const float fo = hl.fo, fc = hl.fc, dcay = hl.dcay;
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

void printStoreStatistics(model::RunContext& ctx, const StoreStatistics& stats) {
  if (!stats.present) return;
  static const fortran::Format kStatistics(
      "(15X,'STATISTICS OF CONTINUOUSLY COMPUTED S-VALUE:',/,15X,'S*max=',F6.2,', S*min=',F6.2,', "
      "S*avg=',F6.2,',  CNavg=',F6.2,/)");
  const float f = ctx.units.out.depth;
  // A store near the top of single precision over many steps overflows its
  // sum: the average prints as asterisks, as a value too wide for its field.
  using run::starredIfNotFinite;
  run::put(*ctx.out.detailed, kStatistics,
           {starredIfNotFinite(stats.smax * f), starredIfNotFinite(stats.smin * f), starredIfNotFinite(stats.savg * f),
            starredIfNotFinite(stats.cnavg)});
}

} // namespace runoff
