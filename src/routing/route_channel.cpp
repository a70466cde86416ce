// ROUTE CHANNEL: the section's rating curve, the reach's travel-time table
// and the channel routing, run in turn under one heading box.
#include "routing/route_channel.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "routing/compute_rating_curve.h"
#include "routing/compute_travel_time.h"
#include "routing/route.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"

namespace routing {

namespace {

constexpr float kPercent = 100.0f;
constexpr int kFirstSectionValue = 10; // PARAM position of the first segment pair
constexpr int kLastSectionValue = 61;  // 52 section numbers reach the rating curve
// With these as the typed range, the section points alone set it.
constexpr float kNoMinimum = 1.0e6f;
constexpr float kNoMaximum = 0.0f;

using fortran::padded;

struct ChannelValues {
  int idOut = 0, nhyd = 0, idIn = 0;
  bool printTable = true;
  float rdt = 0.0f;          // as typed
  float length = 0.0f;       // as typed (input length units)
  float channelSlope = 0.0f; // percent
  float floodplainSlope = 0.0f;
  float vsn = 0.0f;
  int segments = 0;
};

ChannelValues readValues(const model::CommandValues& c) {
  ChannelValues v;
  v.idOut = std::abs(c.intParam(1));
  // A negative reference only switches the table printout off.
  v.nhyd = std::abs(c.intParam(2));
  v.printTable = c.intParam(2) >= 0;
  v.idIn = c.intParam(3);
  v.rdt = c.PARAM[4];
  v.length = c.PARAM[5];
  v.channelSlope = c.PARAM[6];
  v.floodplainSlope = c.PARAM[7];
  v.vsn = c.PARAM[8];
  v.segments = c.intParam(9);
  return v;
}

void printBox(model::RunContext& ctx, const ChannelValues& v) {
  static const fortran::Format kStep("(20('-'),/,'| ROUTE CHANNEL    |',5X,'Routing time step (min) =',F6.2)");
  static const fortran::Format kInNumeric("('|  IN> ',I2.2,':',I6.6,'   |',5X,'Number of SEGMENTS =',I3)");
  static const fortran::Format kInNamed("('|  IN> ',I2.2,':',A6,'   |',5X,'Number of SEGMENTS =',I3)");
  static const fortran::Format kOutNumeric(
      "('| OUT< ',I2.2,':',I6.6,'   |',5X,'Slopes (%), CHANNEL=',F6.4,'  FLOODPLAIN=',F6.4)");
  static const fortran::Format kOutNamed(
      "('| OUT< ',I2.2,':',A6,'   |',5X,'Slopes (%), CHANNEL=',F4.2,'   FLOODPLAIN=',F4.2)");
  static const fortran::Format kLength("(20('-'),17X,'LENGTH =',F8.2,A7,/)");
  platform::LineSink& out = *ctx.out.detailed;
  const float minutes = v.rdt < 1.0f ? v.rdt * model::kMinutesPerHour : v.rdt;
  run::put(out, kStep, {minutes});
  const model::Hydrograph& in = ctx.store[v.idIn];
  if (in.NHYD != 0) {
    run::put(out, kInNumeric, {v.idIn, in.NHYD, v.segments});
  } else {
    run::put(out, kInNamed, {v.idIn, padded(in.HYDNAME, 6), v.segments});
  }
  const model::Hydrograph& o = ctx.store[v.idOut];
  if (o.NHYD != 0) {
    run::put(out, kOutNumeric, {v.idOut, o.NHYD, v.channelSlope, v.floodplainSlope});
  } else {
    run::put(out, kOutNamed, {v.idOut, padded(o.HYDNAME, 6), v.channelSlope, v.floodplainSlope});
  }
  run::put(out, kLength,
           {v.length * ctx.units.in.length / ctx.units.out.length, ctx.units.label(model::Quantity::Length)});
}

} // namespace

void routeChannelCommand(model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  ctx.run.label = "ROUTE CHANNEL   ->";
  const ChannelValues v = readValues(c);
  if (!hydrograph::checkSlot(ctx, v.idOut) || !hydrograph::checkSlot(ctx, v.idIn)) return;
  hydrograph::setReference(ctx, v.idOut, v.nhyd);
  printBox(ctx, v);
  hydrograph::reportProduced(ctx, v.idIn, hydrograph::Source::Other, hydrograph::AutoFile::Skip);
  // The routing rejects a channel that does not fall; say so before a rating
  // curve is built on the square root of that slope.
  if (!(v.channelSlope > 0.0f)) {
    run::issue(ctx, msg::kChannelSlopeNotPositive, run::Severity::Error);
    return;
  }

  // Stage 1: the section as rating curve 1, slopes in percent.
  const float lengthFactor = ctx.units.in.length;
  RatingCurveValues rating;
  rating.nrc = 1;
  rating.vsn = v.vsn;
  rating.segmentCount = v.segments;
  rating.section.minElevation = kNoMinimum;
  rating.section.maxElevation = kNoMaximum;
  rating.section.rangeFromPoints = true;
  rating.section.channelSlope = v.channelSlope / kPercent;
  rating.section.floodplainSlope = v.floodplainSlope / kPercent;
  readSectionData(c, kFirstSectionValue, std::min({c.given, c.NPARAM, kLastSectionValue}), lengthFactor, rating);
  const float n = ratingCurveStage(ctx, rating, true);
  if (n < 0.0f) return;

  // Stage 2: the reach's travel-time table.
  TravelTimeValues travel;
  travel.reach = v.idOut;
  travel.vsn = v.printTable ? v.vsn : -v.vsn;
  // A section number of 0 still prints unless the reference was negative.
  if (!v.printTable && travel.vsn == 0.0f) travel.vsn = -1.0f;
  travel.sections = 1;
  travel.length = v.length * lengthFactor;
  travel.slope = v.channelSlope / kPercent;
  if (!travelTimeStage(ctx, travel, TableCaller::Channel)) return;

  // Stage 3: the routing.
  RouteValues route;
  route.idOut = v.idOut;
  route.nhyd = v.nhyd;
  route.idIn = v.idIn;
  route.rdt = v.rdt;
  route.slope = v.channelSlope;
  route.length = v.length * lengthFactor;
  route.n = n;
  routeStage(ctx, route, RouteCaller::Channel);
}

} // namespace routing
