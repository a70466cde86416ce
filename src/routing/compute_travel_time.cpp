// COMPUTE TRAVEL TIME: the travel-time table of a reach from the stored
// rating curves, its length and its slope, and the printouts of the table.
#include "routing/compute_travel_time.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fortran/format.h"
#include "hydrograph/producer.h"
#include "routing/travel_time.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"

namespace routing {

namespace {

using model::kMinutesPerHour;

void printHeading(model::RunContext& ctx, const TravelTimeValues& v) {
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kCompute("('| COMPUTE          |')");
  static const fortran::Format kTravel("('| TRAVEL TIME      |',5X,'REACH Number       =',F8.2)");
  static const fortran::Format kMust("('| Outflow  ID must |')");
  static const fortran::Format kBe("('| be = ',I2,10X,'|',5X,'No. of Sections    =',4X,I2)");
  static const fortran::Format kLength("(20('-'),5X,'Chan. Length',A7,'=',F8.2)");
  static const fortran::Format kSlope("(25X,'Chan. Slope ',A7,'=',F8.3,/)");
  platform::LineSink& out = *ctx.out.detailed;
  run::put(out, kBlank);
  run::put(out, kRule);
  run::put(out, kCompute);
  run::put(out, kTravel, {std::fabs(v.vsn)});
  run::put(out, kMust);
  run::put(out, kBe, {v.reach, v.sections});
  run::put(out, kLength, {ctx.units.label(model::Quantity::Length), v.length / ctx.units.out.length});
  // The slope label reads ft/ft (m/m): the slope is printed as the fraction it is.
  run::put(out, kSlope, {ctx.units.label(model::Quantity::Slope), v.slope});
}

// The full table of one section: depth, elevation, both volumes, flow,
// velocity, travel time and depth times velocity, with the notes.
void printFullTable(model::RunContext& ctx, const ComputedTravelTime& t) {
  static const fortran::Format kTitle("(2X,' <',28('-'),' TRAVEL TIME TABLE ',27('-'),'>')");
  static const fortran::Format kColumns(
      "(2X,'  DEPTH    ELEV   X-VOLUME  S-VOLUME  FLOW RATE  ','VELOCITY  TRAV.TIME   D x V')");
  static const fortran::Format kUnits("(2X,A7,2X,A7,3X,A7,3X,A7,4X,A7,3X,A7,5X,'(min)',2X,A7)");
  static const fortran::Format kRow("(F9.3,F9.3,2X,E8.3,2X,E8.3,A1,1X,F9.3,2X,F8.3,4X,F6.2,F9.3)");
  static const fortran::Format kNotes(
      "(/,1X,'X-VOLUME= Total X-Section volume over given CHANNEL ','LENGTH at specified DEPTH.',/,1X,"
      "'S-VOLUME= Volume that can be stored in channel at specified',' ELEVATION.')");
  static const fortran::Format kStar(
      "(1X,'(*) Actual value may be less due to limited CHANNEL ','LENGTH for given SLOPE.')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  const float len = u.out.length;
  const float volume = len * len * len;
  run::put(out, kTitle);
  run::put(out, kColumns);
  run::put(out, kUnits,
           {u.label(model::Quantity::Length), u.label(model::Quantity::Length), u.label(model::Quantity::CubicVolume),
            u.label(model::Quantity::CubicVolume), u.label(model::Quantity::Flow), u.label(model::Quantity::Velocity),
            u.METOUT == 1 ? "(ft2/s)" : " (m2/s)"});
  const model::TravelTimeTable& tt = t.table;
  for (int k = 1; k <= model::kTravelRows; ++k) {
    const float depth = tt.depth[k] / len;
    const float velocity = t.velocity[k] / len;
    run::put(out, kRow,
             {depth, ctx.tables.lastElevation[k + 1] / len, t.xVolume[k] / volume, t.sVolume[k] / volume,
              t.beyondReach[k] ? "*" : " ", tt.flow[k] / u.out.flow, velocity, tt.time[k] * kMinutesPerHour,
              depth * velocity});
  }
  run::put(out, kNotes);
  run::put(out, kStar);
}

// The short table: depth, volume, flow, velocity and travel time.
void printShortTable(model::RunContext& ctx, const ComputedTravelTime& t) {
  static const fortran::Format kTitle("(5X,'<',19('-'),' TRAVEL TIME TABLE ',19('-'),'>')");
  static const fortran::Format kColumns("(5X,'  DEPTH      VOLUME    FLOW RATE    VELOCITY    TRAV.TIME ')");
  static const fortran::Format kUnits("(4X,A7,6X,A7,4X,A7,6X,A7,8X,'min')");
  static const fortran::Format kRow("(3X,F8.3,5X,E8.3,1X,F9.3,5X,F8.3,6X,F7.2)");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  const float len = u.out.length;
  run::put(out, kTitle);
  run::put(out, kColumns);
  run::put(out, kUnits,
           {u.label(model::Quantity::Length), u.label(model::Quantity::CubicVolume), u.label(model::Quantity::Flow),
            u.label(model::Quantity::Velocity)});
  const model::TravelTimeTable& tt = t.table;
  for (int k = 1; k <= model::kTravelRows; ++k) {
    run::put(out, kRow,
             {tt.depth[k] / len, t.xVolume[k] / (len * len * len), tt.flow[k] / u.out.flow, t.velocity[k] / len,
              tt.time[k] * kMinutesPerHour});
  }
}

std::string problemOf(const model::RunContext& ctx, const TravelTimeValues& v) {
  if (v.sections > model::kRatingCurves) return "the number of sections cannot be above 10";
  if (!(v.length > 0.0f)) return "the reach length must be above 0";
  if (!(v.slope >= 0.0f)) return "the slope cannot be below 0";
  for (int s = 1; s <= std::max(1, v.sections); ++s) {
    if (!ctx.tables.curves[static_cast<std::size_t>(s)].defined)
      return "rating curve " + std::to_string(s) + " has not been built";
  }
  return {};
}

// A length or a section at the edge of single precision gives volumes,
// velocities or travel times beyond it (as printed: times in minutes and
// depth times velocity too).
bool finiteComputedTable(const ComputedTravelTime& t) {
  if (!std::isfinite(t.fall)) return false;
  for (int k = 1; k <= model::kTravelRows; ++k) {
    const model::TravelTimeTable& tt = t.table;
    for (float v : {tt.depth[k], tt.flow[k], tt.time[k] * kMinutesPerHour, t.area[k], t.xVolume[k], t.sVolume[k],
                    t.velocity[k], tt.depth[k] * t.velocity[k]})
      if (!std::isfinite(v)) return false;
  }
  return true;
}

} // namespace

bool travelTimeStage(model::RunContext& ctx, const TravelTimeValues& v, TableCaller caller) {
  if (!hydrograph::checkSlot(ctx, v.reach)) return false;
  if (const std::string problem = problemOf(ctx, v); !problem.empty()) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both, problem);
    return false;
  }
  std::vector<const model::RatingCurve*> sections;
  // Fewer than 2 sections: the one section of rating curve 1.
  for (int s = 1; s <= std::max(1, v.sections); ++s)
    sections.push_back(&ctx.tables.curves[static_cast<std::size_t>(s)]);
  const ComputedTravelTime t = computeTravelTime(sections, v.length, v.slope);
  if (!finiteComputedTable(t)) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "the travel time table overflows single precision");
    return false;
  }
  ctx.tables.travel = t.table;
  ctx.tables.fall[static_cast<std::size_t>(v.reach)] = t.fall;

  if (caller == TableCaller::Command) printHeading(ctx, v);
  if (v.vsn >= 0.0f) {
    if (v.sections < 2 && caller != TableCaller::Pipe) {
      printFullTable(ctx, t);
    } else {
      printShortTable(ctx, t);
    }
  }
  static const fortran::Format kClose("(79('-'))");
  if (caller != TableCaller::Channel) run::put(*ctx.out.detailed, kClose);
  return true;
}

void computeTravelTimeCommand(model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  ctx.run.label = "COMPUTE TRAVEL TIME";
  TravelTimeValues v;
  v.reach = c.intParam(1);
  v.vsn = c.PARAM[2];
  v.sections = c.intParam(3);
  v.length = c.PARAM[4] * ctx.units.in.length;
  v.slope = c.PARAM[5];
  travelTimeStage(ctx, v, TableCaller::Command);
  ctx.tables.currentId = v.reach;
  run::tableLine(ctx, ctx.tables.currentId);
}

} // namespace routing
