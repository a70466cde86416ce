// COMPUTE DUALHYD and COMPUTE DUHYD: dual drainage of an urban catchment. The
// inlets take the flow up to their total capacity (minor system, the pipes);
// the excess runs on the streets (major system). With a major-system storage
// the excess first fills the storage, only what does not fit overflows, and
// the storage drains back through the inlets whenever they have room to spare.
#include "hydrograph/dual_drainage.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "model/limits.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/water_balance.h"

namespace hydrograph {

namespace {

// The older command's minor system takes the major NHYD plus this.
constexpr int kMinorOffset = 100000;

using fortran::padded;

// Peak, overflow counts and volume depth of both outputs once their
// ordinates are known; the areas follow the share of the volume.
void finishOutputs(DualResult& r, const model::Hydrograph& total, double tzero) {
  model::Hydrograph* outputs[] = {&r.major, &r.minor};
  float sums[2] = {0.0f, 0.0f};
  for (int k = 0; k < 2; ++k) {
    model::Hydrograph& h = *outputs[k];
    // The earliest of equal highest ordinates is the peak; sums from the start.
    const Totals t = totals(h.Q, h.NPTS, h.DT, h.DA, PeakRule::First, SumOrder::FromStart, AreaRule::NonZero);
    sums[k] = t.sum;
    h.QPEAK = t.qpeak;
    h.TPEAK = static_cast<float>(static_cast<double>(t.peakTime) + tzero);
  }
  // An overflow event begins at each major ordinate above 0 after one of 0.
  for (int i = 1; i <= r.major.NPTS; ++i) {
    if (r.major.Q[static_cast<std::size_t>(i)] <= 0.0f) continue;
    ++r.overflowSteps;
    if (r.major.Q[static_cast<std::size_t>(i - 1)] == 0.0f) ++r.overflowEvents; // Q[0] stays 0
  }
  // Each output's depth over the total's area gives its share of the area;
  // over that share its depth is again the total's.
  for (int k = 0; k < 2; ++k) {
    model::Hydrograph& h = *outputs[k];
    h.RV = total.DT * sums[k] / (total.DA * model::kCfsHoursPerAcreInch);
    h.DA = h.RV / total.RV * total.DA;
    if (h.RV > 0.0f && h.DA > 0.0f) {
      h.RV = total.DA * h.RV / h.DA;
    } else {
      h.NPTS = 1;
      if (h.Q.size() < 2) h.Q.resize(2, 0.0f);
      h.RV = 0.0f;
      h.TPEAK = 0.0f;
    }
  }
  // Volume still in storage belongs to neither output: the minor system takes
  // the rest of the area, its depth scaled so that its volume stays the same.
  if (r.major.DA + r.minor.DA != total.DA) {
    const float oldArea = r.minor.DA;
    r.minor.DA = total.DA - r.major.DA;
    r.minor.RV = r.minor.DA > 0.0f ? r.minor.RV * oldArea / r.minor.DA : 0.0f;
  }
}

// One hydrograph line of the block: total, major or minor system.
void printDualLine(model::RunContext& ctx, const char* what, int id, const model::Hydrograph& h, int nhyd,
                   const std::string& name) {
  static const fortran::Format kLineNumeric("(5X,A10,3X,I2.2,':',I6.6,2X,F9.2,F10.3,F10.3,F9.3,F9.3)");
  static const fortran::Format kLineNamed("(5X,A10,3X,I2.2,':',A6,2X,F9.2,F10.3,F10.3,F9.3,F9.3)");
  const model::Factors& f = ctx.units.out;
  if (nhyd != 0) {
    run::put(*ctx.out.detailed, kLineNumeric,
             {what, id, nhyd, h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth, h.BASE / f.flow});
  } else {
    run::put(*ctx.out.detailed, kLineNamed,
             {what, id, name, h.DA / f.area, h.QPEAK / f.flow, h.TPEAK, h.RV * f.depth, h.BASE / f.flow});
  }
}

// The input block: the command, the inlets, the storage and the total's line.
void printDualHeading(model::RunContext& ctx, const DualValues& v, const model::Hydrograph& total, double capacity) {
  static const fortran::Format kBlockNumeric(
      "(22('-'),/,'|',A20,'|',3X,'Average inlet capacities   [CINLET] = ',F7.3,A7,/,'| TotalHyd ',I2.2,':',I6.6,"
      "' |',3X,'Number of inlets in system [NINLET] = ',I7,/,22('-'),3X,'Total minor system capacity         = ',"
      "F7.3,A7,/,25X,'Total major system storage [TMJSTO] = ',F8.0,A7,/)");
  static const fortran::Format kBlockNamed(
      "(22('-'),/,'|',A20,'|',3X,'Average inlet capacities   [CINLET] = ',F7.3,A7,/,'| TotalHyd ',I2.2,':',A6,"
      "' |',3X,'Number of inlets in system [NINLET] = ',I7,/,22('-'),3X,'Total minor system capacity         = ',"
      "F7.3,A7,/,25X,'Total major system storage [TMJSTO] = ',F8.0,A7,/)");
  static const fortran::Format kColumns(
      "(18X,'ID: NHYD',8X,'AREA',5X,'QPEAK',5X,'TPEAK',5X,'R.V.',6X,'DWF',/,31X,A7,3X,A7,3X,'  (hrs)',2X,A7,2X,A7)");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const std::string label = padded(ctx.run.label, 19);
  const float flow = u.out.flow;
  const std::string& cfs = u.label(model::Quantity::Flow);
  const std::string& cubic = u.label(model::Quantity::CubicVolume);
  if (total.NHYD != 0) {
    run::put(
        out, kBlockNumeric,
        {label, v.cinlet / flow, cfs, v.idTotal, total.NHYD, v.ninlet, capacity / flow, cfs, v.tmjsto / flow, cubic});
  } else {
    run::put(out, kBlockNamed,
             {label, v.cinlet / flow, cfs, v.idTotal, total.HYDNAME, v.ninlet, capacity / flow, cfs, v.tmjsto / flow,
              cubic});
  }
  run::put(out, kColumns, {u.label(model::Quantity::Area), cfs, u.label(model::Quantity::Depth), cfs});
  printDualLine(ctx, "TOTAL HYD.", v.idTotal, total, total.NHYD, total.HYDNAME);
}

// The two outputs under the total, the baseflow notes and the storage used.
void printDualSplit(model::RunContext& ctx, const DualValues& v, const model::Hydrograph& total, const DualResult& r) {
  static const fortran::Format kRule("(5X,71('='))");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kNote("(5X,'NOTE:  PEAK FLOWS DO NOT INCLUDE BASEFLOWS IF ANY.')");
  static const fortran::Format kTotalPeak("(5X,'ACTUAL TOTAL PEAK FLOW: PEAK (',F8.3,') + BASE (',F6.3,') =',F8.3,A7)");
  static const fortran::Format kMinorPeak("(5X,'& MINOR SYS. PEAK FLOW: PEAK (',F8.3,') + BASE (',F6.3,') =',F8.3,A7)");
  static const fortran::Format kStorage("(5X,'Maximum MAJOR SYSTEM storage used = ',F8.0,A7)");

  platform::LineSink& out = *ctx.out.detailed;
  const float flow = ctx.units.out.flow;
  const std::string& cfs = ctx.units.label(model::Quantity::Flow);
  run::put(out, kRule);
  printDualLine(ctx, "MAJOR SYSTEM", v.idMajor, r.major, v.nhydMajor, v.nameMajor);
  printDualLine(ctx, "MINOR SYSTEM", v.idMinor, r.minor, v.nhydMinor, v.nameMinor);
  run::put(out, kBlank);
  run::put(out, kNote);
  if (total.BASE > 0.0f) {
    run::put(out, kTotalPeak, {total.QPEAK / flow, total.BASE / flow, (total.QPEAK + total.BASE) / flow, cfs});
    run::put(out, kMinorPeak, {r.minor.QPEAK / flow, r.minor.BASE / flow, (r.minor.QPEAK + r.minor.BASE) / flow, cfs});
  }
  run::put(out, kBlank);
  if (v.tmjsto != 0.0f) {
    run::put(out, kStorage, {r.maxStorage / flow, ctx.units.label(model::Quantity::CubicVolume)});
    run::put(out, kBlank);
  }
}

// The storage line under the three summary lines.
void printDualStorageSummary(model::RunContext& ctx, const DualResult& r) {
  static const fortran::Format kStorageLine(
      "(6X,'{MjSysSto=',E9.4,', TotOvfVol=',E9.4,', N-Ovf=',I5,', TotDurOvf=',F6.0,'hrs}')");
  const float flow = ctx.units.out.flow;
  const float overflowVolume = r.major.RV / model::kInchesPerFoot * r.major.DA * model::kSquareFeetPerAcre / flow;
  // Steps near the top of single precision give an overflow volume beyond
  // it: formed again in double, where it stays finite and prints as it is.
  const fortran::Value volume =
      std::isfinite(overflowVolume)
          ? fortran::Value(overflowVolume)
          : fortran::Value(static_cast<double>(r.major.RV) / model::kInchesPerFoot * r.major.DA *
                           model::kSquareFeetPerAcre / flow);
  run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kStorageLine,
           {r.maxStorage / flow, volume, r.overflowEvents,
            run::starredIfNotFinite(static_cast<float>(r.overflowSteps) * r.major.DT)});
}

// One output into its slot through the producer path, then with the split's
// own area share and depth (the total's depth over that share) and, for an
// output without volume, no peak time. A numeric reference leaves the slot's
// name as it was; the minor system's name may be the second quoted string.
void storeOutput(model::RunContext& ctx, int id, const model::Hydrograph& h, int nhyd, const std::string& name) {
  Produced p;
  p.nhyd = nhyd;
  p.q = h.Q;
  p.q.resize(static_cast<std::size_t>(h.NPTS) + 1, 0.0f);
  p.dt = h.DT;
  p.da = h.DA;
  p.base = h.BASE;
  storeProduced(ctx, id, std::move(p));
  model::Hydrograph& slot = ctx.store[id];
  if (nhyd == 0) slot.HYDNAME = name;
  slot.RV = h.RV;
  slot.TPEAK = h.TPEAK;
}

void runDualDrainage(model::RunContext& ctx, const DualValues& v, bool olderCommand) {
  for (int id : {v.idTotal, v.idMajor, v.idMinor}) {
    if (!checkSlot(ctx, id)) return;
  }
  // Inlets that take a negative flow would hand the streets more than falls
  // on the catchment, and a negative storage is none: both are refused.
  if (v.cinlet < 0.0f || v.ninlet < 0 || v.tmjsto < 0.0f) {
    run::refuse(ctx, msg::kDualCapacityNegative);
    return;
  }
  // The storage is counted in cubic feet in single precision: a step whose
  // volume (with what is stored) goes beyond it would overflow the content.
  const model::Hydrograph& in = ctx.store[v.idTotal];
  const double stepVolume = static_cast<double>(in.QPEAK) * in.DT * model::kSecondsPerHour;
  if (v.tmjsto > 0.0f && !(stepVolume + v.tmjsto <= std::numeric_limits<float>::max())) {
    run::refuse(ctx, msg::kDualStepVolumeOverflow);
    return;
  }
  // A copy, so that an output written into the total's own slot splits the
  // total as it was.
  const model::Hydrograph total = ctx.store[v.idTotal];
  const DualResult r = splitDualDrainage(total, v, ctx.time.TZERO);
  printDualHeading(ctx, v, total, r.capacity);
  if (r.dry) run::issue(ctx, msg::kDualHydrographsDry, run::Severity::Warning);
  if (v.tmjsto != 0.0f && r.storageLeft > 0.0f) run::issue(ctx, msg::kMajorStorageNotEmptied, run::Severity::Warning);
  printDualSplit(ctx, v, total, r);
  if (total.BASE > 0.0f) run::issue(ctx, msg::kBaseflowLeftInMinor, run::Severity::Warning);
  if (olderCommand) run::issue(ctx, msg::kUseComputeDualhyd, run::Severity::Warning);

  // The total's line first, while its slot still holds it; each output is
  // stored just before its own line so that every line shows its hydrograph.
  reportProduced(ctx, v.idTotal, Source::Other, AutoFile::Skip);
  const std::string commandLabel = ctx.run.label;
  ctx.run.label = "   Major System /";
  storeOutput(ctx, v.idMajor, r.major, v.nhydMajor, v.nameMajor);
  // The minor system carries the flow on; the major system's is sent
  // elsewhere, and what its storage still holds at the end stays there.
  run::ledgerSent(ctx, v.idMajor);
  run::ledgerStored(ctx, r.storageLeft);
  reportProduced(ctx, v.idMajor, Source::Other);
  ctx.run.label = "   Minor System \\";
  storeOutput(ctx, v.idMinor, r.minor, v.nhydMinor, v.nameMinor);
  reportProduced(ctx, v.idMinor, Source::Other);
  ctx.run.label = commandLabel;
  if (v.tmjsto != 0.0f) printDualStorageSummary(ctx, r);
}

} // namespace

DualValues readDualhydValues(const model::CommandValues& cmd, const model::Units& units) {
  DualValues v;
  v.idTotal = cmd.intParam(1);
  v.cinlet = cmd.PARAM[2] * units.in.flow;
  v.ninlet = cmd.intParam(3);
  v.idMajor = cmd.intParam(4);
  v.nhydMajor = cmd.intParam(5);
  v.idMinor = cmd.intParam(6);
  v.nhydMinor = cmd.intParam(7);
  // Quoted references take the quoted strings in order: the minor's name is
  // the second string when the major took the first.
  if (v.nhydMajor == 0) v.nameMajor = cmd.text(1, 10);
  if (v.nhydMinor == 0) v.nameMinor = cmd.text(v.nhydMajor == 0 ? 2 : 1, 10);
  // A volume in cubic metres becomes cubic feet with the cube of the length
  // factor, which is the flow factor.
  v.tmjsto = cmd.PARAM[8] * units.in.flow;
  return v;
}

DualValues readDuhydValues(const model::CommandValues& cmd, const model::Units& units) {
  DualValues v;
  v.idTotal = cmd.intParam(1);
  v.nhydMajor = cmd.intParam(2);
  if (v.nhydMajor == 0) v.nameMajor = cmd.text(1, 10);
  v.cinlet = cmd.PARAM[3] * units.in.flow;
  v.ninlet = cmd.intParam(4);
  v.idMajor = cmd.intParam(5);
  v.idMinor = cmd.intParam(6);
  // Saturated: a reference typed near the top of the integers stays one.
  v.nhydMinor = static_cast<int>(std::min<long long>(static_cast<long long>(v.nhydMajor) + kMinorOffset, INT_MAX));
  v.tmjsto = 0.0f; // the older command has no storage
  return v;
}

DualResult splitDualDrainage(const model::Hydrograph& total, const DualValues& v, double tzero) {
  DualResult r;
  // The product is formed in single precision, then held in double; one that
  // overflows single precision (inlets by the million of huge capacity) is
  // formed in double, where it stays finite.
  const float single = static_cast<float>(v.ninlet) * v.cinlet;
  r.capacity = std::isfinite(single) ? static_cast<double>(single) : static_cast<double>(v.ninlet) * v.cinlet;
  for (model::Hydrograph* h : {&r.major, &r.minor}) {
    h->DT = total.DT;
    h->DA = total.DA;
    h->NPTS = total.NPTS;
    h->resize(std::max(total.NPTS, 1));
  }
  // Baseflow stays in the pipes; the street flow has none.
  r.minor.BASE = total.BASE > 0.0f ? total.BASE : 0.0f;
  // Without runoff (or without an area to hold it) there is nothing to split.
  if (total.RV == 0.0f || total.DA == 0.0f) {
    r.dry = true;
    r.major.DA = 0.0f;
    return r;
  }

  const double c = r.capacity;
  const float stepSeconds = total.DT * model::kSecondsPerHour;
  const double dt = total.DT;
  std::vector<float> minor(1, 0.0f), major(1, 0.0f);
  float s = 0.0f; // storage content, cubic feet
  // The storage may outlast the total: the steps go on until it is empty,
  // never beyond the longest hydrograph a slot holds.
  for (int i = 1; (i <= total.NPTS || s > 0.0f) && i <= model::kMaxOrdinates; ++i) {
    const float q = i <= total.NPTS ? total.Q[static_cast<std::size_t>(i)] : 0.0f;
    float qMinor = q;
    float qMajor = 0.0f;
    if (q <= c) {
      if (s > 0.0f) {
        // The inlets' spare volume this step drains the storage.
        const double spare = (c - q) * dt * model::kSecondsPerHour;
        if (spare <= s) {
          qMinor = static_cast<float>(c);
          s = static_cast<float>(s - spare);
        } else {
          qMinor = q + s / stepSeconds;
          s = 0.0f;
        }
      }
    } else {
      qMinor = static_cast<float>(c);
      qMajor = static_cast<float>(q - c);
      if (v.tmjsto > 0.0f) {
        // The excess goes into storage; only what does not fit overflows.
        qMajor = 0.0f;
        s = static_cast<float>(s + (q - c) * dt * model::kSecondsPerHour);
        if (s > v.tmjsto) {
          qMajor = (s - v.tmjsto) / stepSeconds;
          s = v.tmjsto;
        }
        r.maxStorage = std::max(r.maxStorage, s);
      }
    }
    minor.push_back(qMinor);
    major.push_back(qMajor);
  }
  r.storageLeft = s;
  const int n = static_cast<int>(minor.size()) - 1;
  r.minor.Q = std::move(minor);
  r.major.Q = std::move(major);
  r.minor.NPTS = n;
  r.major.NPTS = n;
  finishOutputs(r, total, tzero);
  return r;
}

void computeDualhyd(model::RunContext& ctx) { runDualDrainage(ctx, readDualhydValues(ctx.cmd, ctx.units), false); }

void computeDuhyd(model::RunContext& ctx) { runDualDrainage(ctx, readDuhydValues(ctx.cmd, ctx.units), true); }

} // namespace hydrograph
