// EROSION INDEX, method 1 (erosive hours): for each chosen slot, the share of
// the ordinates above the critical flow Qce, the hours they add up to, the
// flow duration and the average flow. Reported on the detailed output and, one
// line per hydrograph, under the erosion heading of the summary output.
#include "hydrograph/erosion_index.h"

#include <cmath>
#include <string>
#include <vector>

#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "model/limits.h"
#include "run/messages.h"
#include "run/output.h"

namespace hydrograph {

namespace {

constexpr int kErosiveHours = 1; // the one index method

using fortran::padded;

struct ErosionLine {
  int id;
  ErosionFigures figures;
};

// The method heading, then for method 1 one line per slot. The first summary
// line carries the command label, the second the Qce label, the rest none; a
// dry slot's line alone carries the "*" marker.
void printErosionIndex(model::RunContext& ctx, const ErosionValues& v, const std::vector<ErosionLine>& lines) {
  static const fortran::Format kHeading(
      "(20('-'),/,'| EROSION INDEX     |  User selected INDEX ','Method    =',I2,1X,A20)");
  static const fortran::Format kCritical("(20('-'),'  Critical Flow for Erosion, Qce= ',F7.3,/)");
  static const fortran::Format kColumns(
      "(13X,'ID: NHYD',10X,'Qpeak     Qavg    Flow Duration   Erosive',2X,'Exceedance',/,29X,A7,3X,A7,4X,"
      "'(dddd|hh:mm)',4X,'Hours',7X,'(%)')");
  static const fortran::Format kQceLabel("(F7.3)");
  static const fortran::Format kDryNumeric("(12X,I3.2,':',I10.1,2X,24('*'),' DRY ',24('*'))");
  static const fortran::Format kDryNamed("(12X,I3.2,':',A10,2X,25('*'),' DRY ',25('*'))");
  static const fortran::Format kDrySumNumeric("(1X,A4,A18,I3.2,':',I10.1,1X,'*** DRY ***')");
  static const fortran::Format kDrySumNamed("(1X,A4,A18,I3.2,':',A10,2X,'*** DRY ***')");
  static const fortran::Format kRowNumeric(
      "(12X,I3.2,':',I10.1,1X,F8.3,2X,F8.3,6X,I4,'|',I2.2,':',I2.2,3X,F8.1,5X,F5.1)");
  static const fortran::Format kRowNamed("(12X,I3.2,':',A10,1X,F8.3,2X,F8.3,6X,I4,'|',I2.2,':',I2.2,3X,F8.1,5X,F5.1)");
  static const fortran::Format kSumNumeric("(1X,A4,A18,I3.2,':',I10.1,1X,F8.3,2X,F8.3,3F9.2)");
  static const fortran::Format kSumNamed("(1X,A4,A18,I3.2,':',A10,1X,F8.3,2X,F8.3,3F9.2)");
  static const fortran::Format kLoneLabel("(1X,A4,A18)");

  platform::LineSink& out = *ctx.out.detailed;
  const std::initializer_list<platform::LineSink*> summary = {ctx.out.summary, &ctx.platform.summaryWindow};
  const float flow = ctx.units.out.flow;
  const bool erosive = v.method == kErosiveHours;
  run::put(out, kHeading, {v.method, padded(erosive ? "(Erosive hours)" : "", 20)});
  if (!erosive) return;
  run::put(out, kCritical, {v.qce / flow});
  run::put(out, kColumns, {ctx.units.label(model::Quantity::Flow), ctx.units.label(model::Quantity::Flow)});

  std::string label = padded(ctx.run.label, 19);
  std::string marker(1, ' '); // the A4 field: a blank, then the marker
  marker += padded(ctx.run.marker, 3);
  auto next = lines.begin();
  for (int k = 1; k <= 10; ++k) {
    if (k == 2) label = padded(" [QCE=" + kQceLabel.format({v.qce / flow})[0] + "]   ", 19);
    if (v.ids[static_cast<std::size_t>(k - 1)] == 0 || next == lines.end()) continue;
    const ErosionLine& line = *next++;
    const model::Hydrograph& h = ctx.store[line.id];
    const bool numeric = h.NHYD != 0;
    const std::string name = padded(h.HYDNAME, 10);
    const std::string label18 = label.substr(0, 18);
    if (line.figures.dry) {
      marker = " *  ";
      if (numeric) {
        run::put(out, kDryNumeric, {line.id, h.NHYD});
        run::put(summary, kDrySumNumeric, {marker, label18, line.id, h.NHYD});
      } else {
        run::put(out, kDryNamed, {line.id, name});
        run::put(summary, kDrySumNamed, {marker, label18, line.id, name});
      }
    } else {
      const ErosionFigures& f = line.figures;
      // Flows are printed in the output unit on both outputs.
      const float qpeak = h.QPEAK / flow;
      const float qavg = f.qavg / flow;
      if (numeric) {
        run::put(out, kRowNumeric,
                 {line.id, h.NHYD, qpeak, qavg, f.days, f.hours, f.minutes, f.erosiveHours, f.exceedance});
        run::put(summary, kSumNumeric,
                 {marker, label18, line.id, h.NHYD, qpeak, qavg, f.duration, f.erosiveHours, f.exceedance});
      } else {
        run::put(out, kRowNamed,
                 {line.id, name, qpeak, qavg, f.days, f.hours, f.minutes, f.erosiveHours, f.exceedance});
        run::put(summary, kSumNamed,
                 {marker, label18, line.id, name, qpeak, qavg, f.duration, f.erosiveHours, f.exceedance});
      }
    }
    marker = "    ";
    label = std::string(19, ' ');
  }
  // With a single hydrograph the Qce label still gets its own line.
  if (lines.size() == 1) run::put(summary, kLoneLabel, {marker, label.substr(0, 18)});
}

} // namespace

ErosionValues readErosionValues(const model::CommandValues& cmd, const model::Units& units) {
  ErosionValues v;
  v.method = cmd.intParam(1);
  if (v.method != kErosiveHours) return v;
  v.qce = cmd.PARAM[2] * units.in.flow;
  for (int k = 1; k <= 10; ++k) v.ids[static_cast<std::size_t>(k - 1)] = cmd.intParam(k + 2);
  return v;
}

ErosionFigures computeErosion(const model::Hydrograph& h, float qce) {
  ErosionFigures f;
  const float duration = static_cast<float>(h.NPTS) * h.DT;
  // A slot without area or peak has nothing to measure; one without a
  // duration would divide by zero, so it is dry as well.
  if (h.DA == 0.0f || h.QPEAK == 0.0f || !(duration > 0.0f) || !std::isfinite(duration)) {
    f.dry = true;
    return f;
  }
  for (int i = 1; i <= h.NPTS; ++i) {
    if (h.Q[static_cast<std::size_t>(i)] > qce) ++f.count; // equal to Qce is not erosive
  }
  f.duration = duration;
  // Whole days, then the hours and minutes left over, each by truncation in
  // single precision.
  f.days = model::truncatedInt(duration / 24.0f);
  f.hours = model::truncatedInt(std::fmod(duration, 24.0f));
  f.minutes = model::truncatedInt(std::fmod(duration * 60.0f, 60.0f));
  f.qavg = h.DA * h.RV * model::kCfsHoursPerAcreInch / duration;
  f.erosiveHours = h.DT * static_cast<float>(f.count);
  f.exceedance = static_cast<float>(f.count) / static_cast<float>(h.NPTS) * 100.0f;
  return f;
}

void erosionIndex(model::RunContext& ctx) {
  ctx.run.label = "EROSION INDEX";
  ctx.run.marker = "   ";
  const ErosionValues v = readErosionValues(ctx.cmd, ctx.units);
  // Every named slot must be a user slot before anything is printed.
  for (int id : v.ids) {
    if (id != 0 && !checkSlot(ctx, id)) return;
  }
  std::vector<ErosionLine> lines;
  bool anyDry = false;
  for (int id : v.ids) {
    if (id == 0) continue;
    lines.push_back({id, computeErosion(ctx.store[id], v.qce)});
    anyDry = anyDry || lines.back().figures.dry;
  }
  printErosionIndex(ctx, v, lines);
  if (anyDry) run::issue(ctx, msg::kErosionHydrographDry, run::Severity::Warning);
}

} // namespace hydrograph
