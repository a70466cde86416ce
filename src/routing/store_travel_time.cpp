// STORE TRAVEL TIME: a typed travel-time table, completed to 19 rows, made
// the current reach with its fall.
#include "routing/store_travel_time.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "fortran/format.h"
#include "hydrograph/producer.h"
#include "routing/travel_time.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"

namespace routing {

namespace {

constexpr int kFirstRow = 5; // PARAM position of the first depth
constexpr float kPercent = 100.0f;
using model::kMinutesPerHour;

void printTable(model::RunContext& ctx, int id, float vsn, float length, float slope, const StoredTravelTime& s) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kName("('|  STO TRAVEL TIME |')");
  static const fortran::Format kIds("('| IN=',I2,'  VSN=',F5.1,' |')");
  static const fortran::Format kLength("(24X,'Channel Length  =',F7.1)");
  static const fortran::Format kSlope("(24X,'Channel Slope % =',F7.3)");
  static const fortran::Format kTitle("(15X,'<----------- TRAVEL TIME ------------>')");
  static const fortran::Format kColumns("(15X,'  DEPTH          FLOW      TRAVEL TIME')");
  static const fortran::Format kFrom(
      "(/,/,T5,'*** WARNING: THE TABLE WAS EXTRAPOLATED FROM INDEX=',I3,' TO THE END ***')");
  static const fortran::Format kRow("(15X,F8.3,7X,F8.3,6X,F8.3)");
  static const fortran::Format kClose("(79('-'))");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Factors& f = ctx.units.out;
  run::put(out, kRule);
  run::put(out, kName);
  run::put(out, kIds, {id, vsn});
  run::put(out, kLength, {length / f.length});
  // The slope is held as a fraction; the label asks for percent.
  run::put(out, kSlope, {slope * kPercent});
  run::put(out, kTitle);
  run::put(out, kColumns);
  if (s.extrapolatedFrom > 0) {
    run::issue(ctx, msg::kTravelTimeExtrapolated, run::Severity::Warning);
    run::put(out, kFrom, {s.extrapolatedFrom});
  }
  const model::TravelTimeTable& t = s.table;
  for (int k = 1; k <= model::kTravelRows; ++k) {
    run::put(out, kRow, {t.depth[k] / f.length, t.flow[k] / f.flow, t.time[k] * kMinutesPerHour});
  }
  run::put(out, kClose);
}

// Values typed near the top of single precision overflow as the table is
// extrapolated (10 % a row), printed (times in minutes) or given a fall.
bool finiteStoredTable(const model::TravelTimeTable& t, float fall) {
  if (!std::isfinite(fall)) return false;
  for (int k = 1; k <= model::kTravelRows; ++k) {
    for (float v : {t.depth[k], t.flow[k], t.time[k] * kMinutesPerHour})
      if (!std::isfinite(v)) return false;
  }
  return true;
}

} // namespace

void storeTravelTimeCommand(model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  const model::Factors& in = ctx.units.in;
  ctx.run.label = "STORE TRAVEL TIME";
  const int id = c.intParam(1);
  const float vsn = c.PARAM[2];
  const float length = c.PARAM[3] * in.length;
  const float slope = c.PARAM[4];
  ctx.tables.currentId = id;

  // Triples up to a negative depth or the last value typed; depths are
  // lengths like every other (metres in metric input).
  const int last = std::min(c.given, c.NPARAM);
  std::vector<TravelRow> rows;
  for (int k = kFirstRow; k + 2 <= last && rows.size() < static_cast<std::size_t>(model::kTravelRows); k += 3) {
    if (c.PARAM[k] < 0.0f) break;
    rows.push_back({c.PARAM[k] * in.length, c.PARAM[k + 1] * in.flow, c.PARAM[k + 2]});
  }
  if (!hydrograph::checkSlot(ctx, id)) {
    // A reach is kept for one of the user's slots.
  } else if (!(length > 0.0f) || !(slope >= 0.0f)) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "the length must be above 0 and the slope not below 0");
  } else if (rows.empty()) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "a travel time table needs at least 1 row");
  } else if (const StoredTravelTime s = storeTravelTime(rows, length); !finiteStoredTable(s.table, length * slope)) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "the table overflows single precision");
  } else {
    ctx.tables.travel = s.table;
    ctx.tables.fall[static_cast<std::size_t>(id)] = length * slope;
    printTable(ctx, id, vsn, length, slope, s);
  }
  run::tableLine(ctx, ctx.tables.currentId);
}

} // namespace routing
