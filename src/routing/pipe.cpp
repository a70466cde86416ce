// ROUTE PIPE: capacity check and minimum size, the pipe's rating, then the
// travel-time and channel-routing stages of ROUTE CHANNEL on it.
#include "routing/pipe.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "fortran/format.h"
#include "hydrograph/producer.h"
#include "routing/compute_travel_time.h"
#include "routing/pipe_size.h"
#include "routing/route.h"
#include "run/messages.h"
#include "run/output.h"

namespace routing {

namespace {

constexpr float kPi = 3.141592f; // the value this command sizes and rates with
constexpr float kRatingManning = 1.487f;
constexpr float kRatingExponent = 0.6667f;
constexpr float kMargin = 0.001f; // cfs the pipe must carry beyond the peak

// Area and wetted perimeter of a circular pipe of radius r flowing y deep.
void circularSection(float r, float y, float& area, float& perimeter) {
  if (y <= r) {
    const float th = 2.0f * std::acos((r - y) / r);
    perimeter = th * r;
    area = (th - std::sin(th)) * r * r / 2.0f;
  } else {
    y = std::min(y, 2.0f * r);
    const float th = 2.0f * std::acos((y - r) / r);
    perimeter = 2.0f * kPi * r - th * r;
    area = kPi * r * r - (th - std::sin(th)) * r * r / 2.0f;
  }
}

void printHeading(model::RunContext& ctx, const PipeValues& v, float dt) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kNumeric("('| ROUTE PIPE ',I6.6,'|',5X,'PIPE Number     =',F8.2)");
  static const fortran::Format kNamed("('| ROUTE PIPE ',A6,'|',5X,'PIPE Number     =',F8.2)");
  static const fortran::Format kDiameter("('| IN=',I2,'---> OUT=',I2,' |',5X,'Diameter ',A7,'=',F8.2)");
  static const fortran::Format kSides(
      "('| IN=',I2,'---> OUT=',I2,' |',5X,'Width    ',A7,'=',F8.2,5X,'Height',A7,'=',F8.2)");
  static const fortran::Format kStep("('| DT=',F5.1,' min     |',5X,'Length   ',A7,'=',F8.2)");
  static const fortran::Format kSlope("(20('-'),5X,'Slope    ',A7,'=',F7.5)");
  static const fortran::Format kManningN("(25X,'Manning n       =',F7.3)");
  static const fortran::Format kBlank("(' ')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  const float inches = model::kInchesPerFoot * u.out.depth; // feet to inches or mm
  run::put(out, kRule);
  if (v.nhyd != 0) {
    run::put(out, kNumeric, {v.nhyd, v.pipeNumber});
  } else {
    run::put(out, kNamed, {ctx.cmd.text(1, 6), v.pipeNumber});
  }
  if (v.shape == PipeShape::Circular) {
    run::put(out, kDiameter, {v.idIn, v.idOut, u.label(model::Quantity::Depth), v.width * inches});
  } else {
    run::put(out, kSides,
             {v.idIn, v.idOut, u.label(model::Quantity::Depth), v.width * inches, u.label(model::Quantity::Depth),
              v.height * inches});
  }
  run::put(out, kStep, {dt * model::kMinutesPerHour, u.label(model::Quantity::Length), v.length / u.out.length});
  run::put(out, kSlope, {u.label(model::Quantity::Slope), v.slope});
  run::put(out, kManningN, {v.n});
  run::put(out, kBlank);
}

void reportNewSize(model::RunContext& ctx, const PipeValues& v, const SizedPipe& p) {
  static const fortran::Format kMinimum(
      "(5X,'*** WARNING: MINIMUM PIPE SIZE REQUIRED = ',F8.2,A7,/,19X,'THIS SIZE WAS USED IN THE ROUTING.')");
  static const fortran::Format kMinimumSides(
      "(5X,'*** WARNING: MINIMUM PIPE SIZE REQUIRED = ',F8.2,' BY',F8.2,A7,/,19X,"
      "'THIS SIZE WAS USED IN THE ROUTING.')");
  static const fortran::Format kCapacity("(19X,'THE CAPACITY OF THIS PIPE  = ',F8.2,A7)");
  static const fortran::Format kBlank("(' ')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  if (v.shape == PipeShape::Circular) {
    run::put(out, kMinimum, {p.width * model::kInchesPerFoot * u.out.depth, u.label(model::Quantity::Depth)});
    run::put(out, kCapacity, {p.capacity / u.out.flow, u.label(model::Quantity::Flow)});
    run::put(out, kBlank);
    run::issue(ctx, msg::kPipeNewSize, run::Severity::Warning);
  } else {
    run::issue(ctx, msg::kPipeNewSizeFull, run::Severity::Warning);
    // The enlarged sides are printed in the output length unit.
    run::put(out, kMinimumSides, {p.width / u.out.length, p.height / u.out.length, u.label(model::Quantity::Length)});
    run::put(out, kCapacity, {p.capacity / u.out.flow, u.label(model::Quantity::Flow)});
    run::put(out, kBlank);
  }
}

void reportPipeUsed(model::RunContext& ctx, const PipeValues& v, const SizedPipe& p) {
  static const fortran::Format kCircular("(6X,'[Din=',F5.2,':Dused=',F5.2,'}')");
  static const fortran::Format kRectangular("(6X,'{HGTH=',F5.2,':WDTH=',F5.2,'}')");
  const float f = ctx.units.out.length;
  if (v.shape == PipeShape::Circular) {
    run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kCircular, {v.width / f, p.width / f});
  } else {
    run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kRectangular, {p.height / f, p.width / f});
  }
}

} // namespace

PipeValues readPipe(const model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  const model::Factors& in = ctx.units.in;
  PipeValues v;
  const int type = c.intParam(1);
  v.shapeKnown = type == 1 || type == 2;
  v.shape = type == 2 ? PipeShape::Rectangular : PipeShape::Circular;
  const int t = v.shape == PipeShape::Rectangular ? 2 : 1;
  const auto feet = [&](int k) { return c.PARAM[static_cast<std::size_t>(k)] / in.depth / model::kInchesPerFoot; };
  v.idOut = c.intParam(2);
  v.nhyd = c.intParam(3);
  v.pipeNumber = c.PARAM[4];
  v.width = feet(5);
  v.height = t == 2 ? feet(6) : 0.0f;
  v.length = c.PARAM[static_cast<std::size_t>(5 + t)] * in.length;
  v.n = c.PARAM[static_cast<std::size_t>(6 + t)];
  v.slope = c.PARAM[static_cast<std::size_t>(7 + t)];
  v.idIn = c.intParam(8 + t);
  v.rdt = c.PARAM[static_cast<std::size_t>(9 + t)];
  v.depthLimit = feet(10 + t);
  return v;
}

model::RatingCurve pipeRating(PipeShape shape, float width, float height, float n, float slope, float depthLimit) {
  model::RatingCurve rc;
  const float depth = shape == PipeShape::Circular ? width : height;
  float dy = depth / 19.0f;
  if (depthLimit > 0.0f && depth > depthLimit) dy = depthLimit / 19.0f;
  const float root = std::sqrt(slope);
  float y = 0.0f;
  for (int k = 1; k <= model::kRatingRows; ++k) {
    const auto i = static_cast<std::size_t>(k);
    if (k > 1) y += dy;
    float area = 0.0f, q = 0.0f;
    if (shape == PipeShape::Circular) {
      float perimeter = 0.0f;
      circularSection(width / 2.0f, y, area, perimeter);
      const float radius = perimeter > 0.0f ? area / perimeter : 0.0f;
      q = std::pow(radius, kRatingExponent) * area * kRatingManning / n * root;
    } else {
      area = y * width;
      const float radius = area / (2.0f * y + width);
      q = std::pow(radius, 2.0f / 3.0f) * area * kManning / n * root;
    }
    rc.depth[i] = y;
    rc.elevation[i] = y;
    rc.area[i] = area;
    rc.flow[i] = q;
  }
  rc.defined = true;
  return rc;
}

void routePipe(model::RunContext& ctx) {
  const PipeValues v = readPipe(ctx);
  if (!hydrograph::checkSlot(ctx, v.idOut) || !hydrograph::checkSlot(ctx, v.idIn)) return;
  if (!v.shapeKnown || (v.shape == PipeShape::Rectangular && !(v.width > 0.0f && v.height > 0.0f))) {
    run::issue(ctx, msg::kPipeBadShape, run::Severity::Error);
    return;
  }
  // Manning's equation divides by n and the square root of the slope.
  if (!pipeValuesUsable(v.length, v.n, v.slope)) {
    run::issue(ctx, msg::kPipeValuesNotPositive, run::Severity::Error);
    return;
  }
  const model::Hydrograph& in = ctx.store[v.idIn];
  float dt = v.rdt >= 1.0f ? v.rdt / model::kMinutesPerHour : v.rdt;
  if (dt == 0.0f) dt = in.DT;
  hydrograph::setReference(ctx, v.idOut, v.nhyd);
  // The inflow's summary line; its file is not written again.
  hydrograph::reportProduced(ctx, v.idIn, hydrograph::Source::Other, hydrograph::AutoFile::Skip);
  printHeading(ctx, v, dt);

  const float required = in.QPEAK + in.BASE + kMargin;
  const SizedPipe p = v.shape == PipeShape::Circular ? sizeCircular(v.width, required, v.n, v.slope, kPi)
                                                     : sizeRectangular(v.width, v.height, required, v.n, v.slope);
  // A Manning n or a slope at the edge of single precision asks for a pipe
  // no float can hold; its rating would be all infinities.
  if (!std::isfinite(p.width) || !std::isfinite(p.height) || !std::isfinite(p.capacity)) {
    run::issue(ctx, msg::kPipeSizeOverflow, run::Severity::Error);
    return;
  }
  ctx.tables.curves[1] = pipeRating(v.shape, p.width, p.height, v.n, v.slope, v.depthLimit);
  if (p.enlarged) reportNewSize(ctx, v, p);

  TravelTimeValues travel;
  travel.reach = v.idOut;
  travel.vsn = v.pipeNumber;
  travel.sections = 1;
  travel.length = v.length;
  travel.slope = v.slope;
  if (!travelTimeStage(ctx, travel, TableCaller::Pipe)) return;

  RouteValues route;
  route.idOut = v.idOut;
  route.nhyd = v.nhyd;
  route.idIn = v.idIn;
  // The routing takes the step fixed above; in minutes unless below one minute,
  // so that a step of an hour or more is not read as minutes.
  route.rdt = dt * model::kMinutesPerHour >= 1.0f ? dt * model::kMinutesPerHour : dt;
  route.slope = v.slope * 100.0f;
  route.length = v.length;
  route.n = v.n;
  routeStage(ctx, route, RouteCaller::Pipe);
  if (ctx.run.severity < run::Severity::Error) reportPipeUsed(ctx, v, p);
}

} // namespace routing
