// COMPUTE VOLUME: estimates the storage that cuts a hydrograph's peak down to a
// release rate. Control starts when the inflow rises through a start rate; the
// outflow then rises linearly from the start rate to the release rate, reached
// when the falling inflow passes the release rate after the peak. The storage
// is the inflow volume less the outflow volume over that period. The
// hydrograph itself is not changed.
#include "hydrograph/storage_volume.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "run/messages.h"
#include "run/output.h"

namespace hydrograph {

namespace {

using model::Quantity;

constexpr int kSearchTrials = 101;

using fortran::padded;

float ordinate(const model::Hydrograph& h, int i) { return h.Q[static_cast<std::size_t>(i)]; }

// Cubic feet outflow over the controlled period, the outflow following the
// line from S at T1 to R at T2 but never above the inflow.
float outflowVolume(const model::Hydrograph& h, const StorageTrial& t, int i1, int i2) {
  const float dt = h.DT;
  const float slope = t.t2 > t.t1 ? (t.release - t.start) / (t.t2 - t.t1) : 0.0f;
  float w = 0.0f;
  float p = t.start;
  for (int i = i1; i <= i2; ++i) {
    const float ti = dt * static_cast<float>(i - 1);
    const float line = (ti - t.t1) * slope + t.start;
    const float o = line < ordinate(h, i) ? line : ordinate(h, i);
    w = i == i1 ? (p + o) / 2.0f * (ti - t.t1) : w + (p + o) / 2.0f * dt;
    if (i == i2) w = w + (t.release + o) / 2.0f * (t.t2 - ti);
    p = o;
  }
  return w;
}

// The detailed output of COMPUTE VOLUME.
struct StorageVolumePrinter {
  model::RunContext& ctx;

  void heading(int id) const {
    static const fortran::Format kRule("(20('-'))");
    static const fortran::Format kTitle("('| COMPUTE VOLUME   |')");
    static const fortran::Format kNumeric("('| ID:',I2.2,2X,'(',I6.6,')',2X,'|',13X,'DISCHARGE',6X,'TIME')");
    static const fortran::Format kNamed("('| ID:',I2.2,2X,'(',A6,')',2X,'|',13X,'DISCHARGE',6X,'TIME')");
    static const fortran::Format kUnits("(20('-'),13X,A7,7X,'(hrs)')");
    const model::Hydrograph& h = ctx.store[id];
    platform::LineSink& out = *ctx.out.detailed;
    run::put(out, kRule);
    run::put(out, kTitle);
    if (h.NHYD != 0) {
      run::put(out, kNumeric, {id, h.NHYD});
    } else {
      run::put(out, kNamed, {id, padded(h.HYDNAME, 6)});
    }
    run::put(out, kUnits, {ctx.units.label(Quantity::Flow)});
  }

  void result(const model::Hydrograph& h, const StorageTrial& t, float storageVolume, float releaseTyped) const {
    static const fortran::Format kStart("(11X,'START CONTROLLING AT ',F8.3,4X,F8.3)");
    static const fortran::Format kPeak("(11X,'INFLOW HYD. PEAKS AT ',F8.3,4X,F8.3)");
    static const fortran::Format kStop("(11X,'STOP  CONTROLLING AT ',F8.3,4X,F8.3)");
    static const fortran::Format kBlank("(' ')");
    static const fortran::Format kStorage("(11X,'REQUIRED STORAGE VOLUME ',A7,'= ',F8.4)");
    static const fortran::Format kTotal("(11X,'TOTAL HYDROGRAPH VOLUME ',A7,'= ',F8.4)");
    static const fortran::Format kShare("(11X,'% OF HYDROGRAPH TO STORE',7X,'= ',F8.4)");
    static const fortran::Format kNote("(11X,'NOTE:  Storage was computed to reduce the Inflow')");
    static const fortran::Format kBy("(11X,'       peak by ',F4.1,'%.')");
    static const fortran::Format kTo("(11X,'       peak to ',F8.3,A7,'.')");
    const model::Units& u = ctx.units;
    const model::Factors& f = u.out;
    platform::LineSink& out = *ctx.out.detailed;
    const double tzero = ctx.time.TZERO;
    const float hydrographVolume = h.RV / model::kInchesPerFoot * h.DA * model::kSquareFeetPerAcre;
    const float share = hydrographVolume > 0.0f ? t.storage / hydrographVolume * 100.0f : 0.0f;
    run::put(out, kStart, {t.start / f.flow, static_cast<float>(static_cast<double>(t.t1) + tzero)});
    run::put(out, kPeak, {h.QPEAK / f.flow, h.TPEAK});
    run::put(out, kStop, {t.release / f.flow, static_cast<float>(static_cast<double>(t.t2) + tzero)});
    run::put(out, kBlank);
    run::put(out, kStorage, {u.label(Quantity::Volume), storageVolume});
    run::put(out, kTotal,
             {u.label(Quantity::Volume), hydrographVolume / model::kSquareFeetPerAcre / f.length / f.area});
    run::put(out, kShare, {share});
    run::put(out, kBlank);
    run::put(out, kNote);
    if (releaseTyped < 0.0f) run::put(out, kBy, {100.0f - std::fabs(releaseTyped)});
    if (releaseTyped > 0.0f) run::put(out, kTo, {releaseTyped, u.label(Quantity::Flow)});
    run::put(out, kBlank);
  }

  void blank() const {
    static const fortran::Format kBlank("(' ')");
    run::put(*ctx.out.detailed, kBlank);
  }

  // The braces line of a search without warnings, to the summary output and window.
  void braces(float storageVolume, float release) const {
    static const fortran::Format kImperial("(6X,'{ST=',E8.3,' ac.ft   to control at  ',F8.3,A7,'}')");
    static const fortran::Format kMetric("(6X,'{ST=',F8.3,' ha.m   to control at   ',F8.3,A7,'}')");
    const model::Units& u = ctx.units;
    run::put({ctx.out.summary, &ctx.platform.summaryWindow}, u.METOUT == 1 ? kImperial : kMetric,
             {storageVolume, release / u.out.flow, u.label(Quantity::Flow)});
  }
};

} // namespace

StorageVolumeValues readStorageVolumeValues(const model::CommandValues& cmd) {
  StorageVolumeValues v;
  v.id = cmd.intParam(1);
  v.startTyped = cmd.PARAM[2];
  v.releaseTyped = cmd.PARAM[3];
  return v;
}

float rateFromTyped(float typed, float peak, float flowFactor) {
  return typed < 0.0f ? std::fabs(typed) / 100.0f * peak : typed * flowFactor;
}

StorageTrial storageTrial(const model::Hydrograph& h, float start, float release) {
  StorageTrial t;
  t.start = start;
  t.release = release;
  const float dt = h.DT;
  float v = 0.0f; // inflow volume since control started, cubic feet; 0 while not controlling
  int i1 = 0;
  int i2 = 0;
  bool peakPassed = false;
  for (int i = 2; i <= h.NPTS && i2 == 0; ++i) {
    const float q = ordinate(h, i);
    const float before = ordinate(h, i - 1);
    if (v == 0.0f) {
      if (!(q > start)) continue;
      // The crossing lies within the step; an inflow already above the start
      // rate at the step's beginning starts control there.
      float f = q != before ? (start - before) * dt / (q - before) : 0.0f;
      f = std::min(std::max(f, 0.0f), dt);
      v = (dt - f) * (q + start) / 2.0f * model::kSecondsPerHour;
      t.t1 = dt * static_cast<float>(i - 2) + f;
      i1 = i;
      peakPassed = q == h.QPEAK;
    } else if (q <= start && !peakPassed) {
      v = 0.0f; // fell back before the peak: control starts again at the next rise
    } else if (q <= release && peakPassed) {
      const float g = before > q ? dt / (before - q) * (before - release) : 0.0f;
      v = v + (before + release) / 2.0f * g * model::kSecondsPerHour;
      t.t2 = dt * static_cast<float>(i - 2) + g;
      i2 = i;
    } else {
      if (q == h.QPEAK) peakPassed = true;
      v = v + (before + q) / 2.0f * dt * model::kSecondsPerHour;
    }
  }
  if (v == 0.0f) return t;
  t.controlled = true;
  if (i2 == 0) {
    // Still above the release rate at its end: the storage up to the last ordinate.
    t.neverEmptied = true;
    i2 = h.NPTS;
    t.t2 = dt * static_cast<float>(h.NPTS - 1);
  }
  const float w = outflowVolume(h, t, i1, i2);
  if (w >= 0.0f) t.storage = std::max(0.0f, v - w * model::kSecondsPerHour);
  return t;
}

StorageTrial requiredStorage(const model::Hydrograph& h, float start, float release, bool search) {
  if (!search) return storageTrial(h, start, release);
  StorageTrial kept = storageTrial(h, 0.0f, release);
  for (int trial = 2; trial <= kSearchTrials; ++trial) {
    const StorageTrial t = storageTrial(h, static_cast<float>(trial - 1) / 100.0f * release, release);
    if (t.storage > kept.storage) kept = t;
  }
  return kept;
}

void computeVolume(model::RunContext& ctx) {
  ctx.run.label = "COMPUTE VOLUME";
  const StorageVolumeValues v = readStorageVolumeValues(ctx.cmd);
  if (!checkSlot(ctx, v.id)) return;
  const model::Hydrograph& h = ctx.store[v.id];
  const float flowFactor = ctx.units.in.flow;
  const float start = v.search() ? 0.0f : rateFromTyped(v.startTyped, h.QPEAK, flowFactor);
  const float release = rateFromTyped(v.releaseTyped, h.QPEAK, flowFactor);
  const StorageVolumePrinter print{ctx};
  print.heading(v.id);

  bool warned = false;
  float storageVolume = 0.0f;
  if (h.QPEAK <= release) {
    run::issue(ctx, msg::kVolumeNoStorageRequired, run::Severity::Warning);
    warned = true;
  } else if (start > release) {
    return run::issue(ctx, msg::kVolumeReleaseBelowStart, run::Severity::Error);
  } else {
    const StorageTrial t = requiredStorage(h, start, release, v.search());
    const model::Factors& f = ctx.units.out;
    storageVolume = t.storage / model::kSquareFeetPerAcre / f.length / f.area;
    print.result(h, t, storageVolume, v.releaseTyped);
    if (t.neverEmptied) {
      run::issue(ctx, msg::kVolumeStorageNeverEmptied, run::Severity::Warning);
      warned = true;
    }
    if (!v.search()) {
      // A better start rate may exist.
      run::warn(ctx, msg::kVolumeMayNotBeMaximum);
      print.blank();
      warned = true;
    }
  }
  reportProduced(ctx, v.id, Source::Other, AutoFile::Skip);
  if (!warned) print.braces(storageVolume, release);
}

} // namespace hydrograph
