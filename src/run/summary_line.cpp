// The summary output: one line per hydrograph a command produces, with the peak
// flow, the date and clock time of the peak, the runoff volume and the runoff
// coefficient; and the calendar label of a peak time.
#include "run/summary_line.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "model/dates.h"
#include "model/limits.h"
#include "run/messages.h"
#include "run/output.h"

namespace run {

namespace {

using fortran::padded;

// The A4 marker field: one blank, then the three-character message marker.
std::string markerField(const model::RunContext& ctx) {
  std::string field(1, ' ');
  field += padded(ctx.run.marker, 3);
  return field;
}

} // namespace

std::string dateLabel(int stormDate, float t) {
  static const fortran::Format kHours("(I5)");
  static const fortran::Format kMinutes("(I2.2)");
  static const fortran::Format kDate("(F9.4)");
  static const fortran::Format kHour("(I2)");

  // Minutes within the hour, taken in single precision as the peak time is held.
  const int minutes = model::truncatedInt(std::fmod(t * 60.0f, 60.0f));
  std::string label;
  if (stormDate == 0) {
    label = "No_date" + kHours.format({model::truncatedInt(t)})[0] + ":" + kMinutes.format({minutes})[0];
    return padded(label, 15);
  }
  // Whole days after the storm date's day, counted on the storm calendar;
  // bounded so that a time of peak out of all proportion (a start time typed
  // as 1e23 hours) cannot overflow the date.
  constexpr int kMaxDays = 100000;
  const int ymd =
      model::four_year_rule::addDays(stormDate, std::clamp(model::truncatedInt(t / 24.0f), -kMaxDays, kMaxDays));
  // YYYYMMDD / 10000 printed as YYYY.MMDD: double precision keeps every
  // eight-digit date exact (single precision would round odd days away).
  label = kDate.format({static_cast<double>(ymd) / 10000.0})[0] + "_" +
          kHour.format({model::truncatedInt(std::fmod(t, 24.0f))})[0] + ":" + kMinutes.format({minutes})[0];
  return padded(label, 15);
}

void outsum(model::RunContext& ctx, int id, int form) {
  static const fortran::Format kForm1("(1X,A4,A19,I2.2,':',I10,F9.2,F9.3,1X,A15,F8.2,F5.3)");
  static const fortran::Format kForm2("(1X,A4,A19,I2.2,':',A10,F9.2,F9.3,1X,A15,F8.2,F5.3)");
  static const fortran::Format kForm3("(1X,A4,A19,I2.2,':',I10,F9.2,F9.3,1X,A15,F8.2,A5)");
  static const fortran::Format kForm4("(1X,A4,A19,I2.2,':',A10,F9.2,F9.3,1X,A15,F8.2,A5)");

  setMarker(ctx);
  const model::Hydrograph& h = ctx.store[id];
  const std::string marker = markerField(ctx);
  const std::string label = padded(ctx.run.label, 19);
  const float area = h.DA / ctx.units.out.area;
  // The printed peak includes the baseflow; the slot's QPEAK stays without it.
  const float peak = (h.QPEAK + h.BASE) / ctx.units.out.flow;
  const std::string when = dateLabel(ctx.storm.stormDate, h.TPEAK);
  const float volume = h.RV * ctx.units.out.depth;
  // The main loop keeps PTOT away from 0 before each command; guard here too so
  // a line written outside a command never divides by zero.
  const float ptot = ctx.storm.PTOT == 0.0f ? 1.0e-6f : ctx.storm.PTOT;
  const std::string name = padded(h.HYDNAME, 10);
  platform::LineSink* sinks[] = {ctx.out.summary, &ctx.platform.summaryWindow};

  if (ctx.recorder != nullptr) {
    const auto trimmed = [](std::string s) {
      s.erase(s.find_last_not_of(' ') + 1);
      return s;
    };
    std::string mark = trimmed(ctx.run.marker);
    ctx.recorder->units(ctx.units.METOUT);
    ctx.recorder->summary({ctx.run.NRUN, ctx.run.commandCounter, trimmed(ctx.run.label), mark, id, h.NHYD,
                           h.NHYD != 0 ? std::string() : trimmed(h.HYDNAME), area, peak, h.TPEAK, when, volume,
                           form <= 2 ? std::optional<float>(h.RV / ptot) : std::nullopt});
  }
  for (platform::LineSink* sink : sinks) {
    switch (form) {
    case 1:
      put(*sink, kForm1, {marker, label, id, h.NHYD, area, peak, when, volume, h.RV / ptot});
      break;
    case 2:
      put(*sink, kForm2, {marker, label, id, name, area, peak, when, volume, h.RV / ptot});
      break;
    case 3:
      put(*sink, kForm3, {marker, label, id, h.NHYD, area, peak, when, volume, "  n/a"});
      break;
    default:
      put(*sink, kForm4, {marker, label, id, name, area, peak, when, volume, "  n/a"});
      break;
    }
  }
}

void tableLine(model::RunContext& ctx, int id) {
  static const fortran::Format kLabel("(1X,A4,A20)");
  static const fortran::Format kId("(6X,'[ID=',I2.2)");
  setMarker(ctx);
  const std::string marker = markerField(ctx);
  const std::string label = padded(ctx.run.label, 20);
  put({ctx.out.summary, &ctx.platform.summaryWindow}, kLabel, {marker, label});
  put({ctx.out.summary, &ctx.platform.summaryWindow}, kId, {id});
}

} // namespace run
