// ROUTE and the channel-routing stage: the inflow hydrograph is routed
// through the current reach by the variable storage-coefficient method, the
// outflow stored with its report, maximum depths and velocities, and the
// summary lines.
#include "routing/route.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "routing/channel.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/water_balance.h"
#include "run/summary_line.h"

namespace routing {

namespace {

using model::kMinutesPerHour;
using run::Severity;

using fortran::padded;

// Routing step in hours from the typed value: minutes when 1 or more, hours
// below 1; 0 means the inflow step.
float stepHours(float typed, float inflowDt) {
  if (typed >= 1.0f) return typed / kMinutesPerHour;
  return typed == 0.0f ? inflowDt : typed;
}

// The heading box of ROUTE and its inflow summary line.
void printRouteHeading(model::RunContext& ctx, const RouteValues& v, float dtOut) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kName("('| ROUTE   (',I6.6,') |')");
  static const fortran::Format kIds("('| IN=',I2,'---> OUT=',I2,' |')");
  static const fortran::Format kDt(
      "('| DT=',F5.1,' min     |',9X,'       <---- hydrograph ---->   <---  channel --->')");
  static const fortran::Format kColumns(
      "('--------------------',9X,' AREA    QPEAK   TPEAK   R.V.   MAX DEPTH  MAX VEL')");
  platform::LineSink& out = *ctx.out.detailed;
  ctx.run.label = "ROUTE         in->";
  run::put(out, kRule);
  run::put(out, kName, {ctx.store[v.idOut].NHYD});
  run::put(out, kIds, {v.idIn, v.idOut});
  run::put(out, kDt, {dtOut * kMinutesPerHour});
  run::put(out, kColumns);
  hydrograph::reportProduced(ctx, v.idIn, hydrograph::Source::Other, hydrograph::AutoFile::Skip);
}

// What the results lines show of one hydrograph.
struct ResultLine {
  int id;
  int nhyd;
  std::string name;
  float area, peak, tpeak, rv, depth, velocity;
};

void printResults(model::RunContext& ctx, RouteCaller caller, const ResultLine& in, const ResultLine& outflow,
                  float base) {
  static const fortran::Format kTop("(29X,'       <---- hydrograph ---->   <-pipe / channel->')");
  static const fortran::Format kColumns("(29X,' AREA    QPEAK   TPEAK   R.V.   MAX DEPTH  MAX VEL')");
  static const fortran::Format kUnits("(27X,A7,2X,A7,3X,'(hrs)',A7,2X,A7,4X,A7)");
  static const fortran::Format kInNumeric(
      "(3X,'INFLOW : ID=',I2,':',I6.6,1X,F9.2,1X,F8.3,1X,F7.2,F7.3,2X,F8.3,2X,F8.3)");
  static const fortran::Format kInNamed("(3X,'INFLOW : ID=',I2,':',A6,1X,F9.2,1X,F8.3,1X,F7.2,F7.3,2X,F8.3,2X,F8.3)");
  static const fortran::Format kOutNumeric(
      "(3X,'OUTFLOW: ID=',I2,':',I6.6,1X,F9.2,1X,F8.3,1X,F7.2,F7.3,2X,F8.3,2X,F8.3)");
  static const fortran::Format kOutNamed("(3X,'OUTFLOW: ID=',I2,':',A6,1X,F9.2,1X,F8.3,1X,F7.2,F7.3,2X,F8.3,2X,F8.3)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kBase("(5X,'NOTE:  A baseflow of ',F7.3,' was included in the routing')");
  static const fortran::Format kBaseNote("(12X,'but is not reflected in the value of QPEAK.')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  if (caller != RouteCaller::Route) {
    run::put(out, kTop);
    run::put(out, kColumns);
  }
  run::put(out, kUnits,
           {u.label(model::Quantity::Area), u.label(model::Quantity::Flow), u.label(model::Quantity::Depth),
            u.label(model::Quantity::Length), u.label(model::Quantity::Velocity)});
  const auto line = [&](const fortran::Format& numeric, const fortran::Format& named, const ResultLine& r) {
    const float area = r.area / u.out.area, peak = r.peak / u.out.flow, rv = r.rv * u.out.depth;
    const float depth = r.depth / u.out.length, velocity = r.velocity / u.out.length;
    if (r.nhyd != 0) {
      run::put(out, numeric, {r.id, r.nhyd, area, peak, r.tpeak, rv, depth, velocity});
    } else {
      run::put(out, named, {r.id, padded(r.name, 6), area, peak, r.tpeak, rv, depth, velocity});
    }
  };
  line(kInNumeric, kInNamed, in);
  line(kOutNumeric, kOutNamed, outflow);
  run::put(out, kBlank);
  if (base > 0.0f) {
    run::put(out, kBase, {base / u.out.flow});
    run::put(out, kBaseNote);
  }
  run::put(out, kBlank);
}

// Label, outflow summary line, automatic file and the reach lines of the summary.
void reportOutflow(model::RunContext& ctx, const RouteValues& v, float dt, float length, float vmax, float dmax) {
  static const fortran::Format kStep("(F5.2)");
  static const fortran::Format kReach("(6X,'[L/S/n=',F6.0,'/',F5.3,'/',F4.3,']')");
  static const fortran::Format kMax("(6X,'{Vmax=',F6.3,':Dmax=',F6.3,'}')");
  // " [RDT=", the step in minutes and "] out<-", each after the last non-blank.
  ctx.run.label = " [RDT=" + kStep.format({dt * kMinutesPerHour})[0] + "] out<-";
  hydrograph::reportProduced(ctx, v.idOut, hydrograph::Source::Other);
  const model::Factors& f = ctx.units.out;
  run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kReach, {length / f.length, v.slope, v.n});
  run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kMax, {vmax / f.length, dmax / f.length});
}

// Messages of the routing itself, in the order the routing meets them.
void reportStepMessages(model::RunContext& ctx, const ChannelRoutingResult& r) {
  if (r.dtReduced) run::issue(ctx, msg::kChannelStepAboveInflowStep, Severity::Warning);
  if (r.dtAdjusted) run::issue(ctx, msg::kChannelStepAdjusted, Severity::Warning);
  if (r.tableExceeded) run::issue(ctx, msg::kChannelTravelTimeTableExceeded, Severity::Warning);
}

// Cut and non-convergence, after the results.
void reportTrouble(model::RunContext& ctx, const ChannelRoutingResult& r) {
  static const fortran::Format kCount("(19X,'Number of non-convergence = ',I4,'/',I4,'.')");
  static const fortran::Format kBlank("(' ')");
  // Each step that did not converge raised the severity by one, up to an error.
  const bool errorBefore = ctx.run.severity == Severity::Error;
  const int raised = std::min(2, static_cast<int>(ctx.run.severity) + std::min(r.nonConverged, 2));
  ctx.run.severity = static_cast<Severity>(raised);
  const bool cut = r.cut;
  const bool many = r.nonConverged > 0 && static_cast<float>(r.nonConverged) >= 0.05f * static_cast<float>(r.npts);
  if (cut) run::warn(ctx, msg::kChannelHydrographCut);
  if (many) {
    run::issue(ctx, msg::kChannelNotConverged, ctx.run.severity);
    run::put(*ctx.out.detailed, kCount, {r.nonConverged, r.npts});
  }
  // The counts in full (the count line holds four digits each).
  if (r.tableCoefficientSteps > 0) {
    run::warn(ctx, msg::kChannelTableCoefficient, run::Destination::Both,
              std::to_string(r.tableCoefficientSteps) + " steps so routed, " + std::to_string(r.nonConverged) +
                  " of " + std::to_string(r.npts) + " not converged");
  }
  // Non-convergence alone never ends the run: it leaves a warning. An error
  // met before it (an outflow beyond single precision) still ends the run.
  if ((cut || r.nonConverged > 0) && !errorBefore) ctx.run.severity = Severity::Warning;
  run::put(*ctx.out.detailed, kBlank);
}

// The reach against the inflow's rise (see kLongReachRatio): to the warnings
// window and the messages log only, so the routing's printout is unchanged.
void judgeLength(model::RunContext& ctx, const ChannelRoutingInput& in) {
  const ReachLength j = judgeReach(in);
  if (!j.tooLong) return;
  char detail[96];
  std::snprintf(detail, sizeof detail, "travel time %.1f min, rise %.1f min: use %d reaches",
                static_cast<double>(std::min(j.travel * kMinutesPerHour, 1.0e9f)),
                static_cast<double>(j.rise * kMinutesPerHour), j.reaches);
  // A note: the method is kept, the summary line keeps its marker.
  run::issue(ctx, msg::kChannelReachTooLong, ctx.run.severity, run::Destination::Warnings, detail);
}

// The routing's part of the water balance: water still in the reach at the
// last ordinate stays there; steps without a coefficient of their own are named.
// The baseflow goes on past the inflow's last ordinate (the routing carries it
// until the reach has drained back to it): that stretch of it enters here.
void recordBalance(model::RunContext& ctx, const ChannelRoutingResult& r, const model::Hydrograph& inflow) {
  if (!run::ledgerOn(ctx)) return;
  if ((!r.dry || r.basePassed) && inflow.BASE > 0.0f) {
    const double carried = static_cast<double>(r.npts) * r.dt - static_cast<double>(inflow.NPTS) * inflow.DT;
    if (carried > 0.0) {
      run::ledgerInflow(ctx, static_cast<double>(inflow.BASE) * carried * run::kSecondsPerHour);
      run::ledgerReason(ctx, "base flow carried past the inflow's last ordinate");
    }
  }
  if (r.endStorage > 0.0f) {
    run::ledgerStored(ctx, static_cast<double>(r.endStorage) * r.dt * run::kSecondsPerHour);
    run::ledgerReason(ctx, "water still in the reach at the last ordinate");
  }
  if (r.nonConverged > 0) run::ledgerReason(ctx, "routing steps that did not converge");
}

} // namespace

void routeStage(model::RunContext& ctx, const RouteValues& v, RouteCaller caller) {
  if (caller == RouteCaller::Route) ctx.run.label = "ROUTE";
  if (!hydrograph::checkSlot(ctx, v.idOut) || !hydrograph::checkSlot(ctx, v.idIn)) return;
  if (!(v.slope > 0.0f)) {
    run::issue(ctx, msg::kChannelSlopeNotPositive, Severity::Error);
    return;
  }
  // The reach is the travel-time table built for this outflow ID: without its
  // fall no step could converge and the outflow would silently be 0.
  if (!ctx.tables.travel.defined || !(ctx.tables.fall[static_cast<std::size_t>(v.idOut)] > 0.0f)) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "no travel time table with a fall was built for outflow ID " + std::to_string(v.idOut));
    return;
  }
  const model::Hydrograph& inflow = ctx.store[v.idIn];
  if (inflow.DA != 0.0f && inflow.QPEAK != 0.0f && !(inflow.DT > 0.0f)) {
    run::issue(ctx, msg::kChannelValuesUnusable, run::Severity::Error, run::Destination::Both,
               "the inflow hydrograph has no time step");
    return;
  }
  const std::span<const float> ordinates = std::span<const float>(inflow.Q).subspan(
      1, static_cast<std::size_t>(std::clamp(inflow.NPTS, 0, static_cast<int>(inflow.Q.size()) - 1)));
  // The routing carries the inflow on top of its baseflow: a baseflow so large
  // that single precision cannot hold the inflow above it would lose the water.
  if (inflowLostInBase(ordinates, inflow.BASE) > kBaseLossLimit) {
    run::issue(ctx, msg::kRoutingBaseSwampsInflow, Severity::Error);
    return;
  }
  hydrograph::setReference(ctx, v.idOut, v.nhyd);
  const float dtOut = stepHours(v.rdt, inflow.DT);
  if (caller == RouteCaller::Route) printRouteHeading(ctx, v, dtOut);

  ChannelRoutingInput in;
  in.inflow = ordinates;
  in.inflowDt = inflow.DT;
  in.base = inflow.BASE;
  in.area = inflow.DA;
  in.inflowPeak = inflow.QPEAK;
  in.requestedDt = dtOut;
  in.table = &ctx.tables.travel;
  in.fall = ctx.tables.fall[static_cast<std::size_t>(v.idOut)];
  const float length = ctx.tables.travel.length;
  ChannelRoutingResult r = routeChannel(in);
  recordBalance(ctx, r, inflow);

  const ResultLine inLine{v.idIn,       inflow.NHYD, inflow.HYDNAME,   inflow.DA,          inflow.QPEAK,
                          inflow.TPEAK, inflow.RV,   r.maxInflowDepth, r.maxInflowVelocity};
  const float area = inflow.DA;
  const float base = inflow.BASE;

  // The outflow through the one producer path: the earliest of equal highest
  // ordinates is the peak and the volume is summed from the start.
  hydrograph::Produced p;
  p.nhyd = v.nhyd;
  p.dt = r.dt;
  p.da = area;
  p.base = r.dry && !r.basePassed ? 0.0f : base;
  p.q = std::move(r.q);
  hydrograph::storeProduced(ctx, v.idOut, std::move(p));
  model::Hydrograph& h = ctx.store[v.idOut];
  if (r.dry) {
    static const fortran::Format kBlank("(' ')");
    run::put(*ctx.out.detailed, kBlank);
    run::issue(ctx, msg::kChannelInflowDry, Severity::Note);
    run::put(*ctx.out.detailed, kBlank);
    h.TPEAK = 0.0f; // a dry outflow has no time of peak, not even the start time
    run::markNext(ctx, Severity::Warning);
    reportOutflow(ctx, v, r.dt, length, r.maxInflowVelocity, r.maxInflowDepth);
    return;
  }
  reportStepMessages(ctx, r);
  const ResultLine outLine{
      v.idOut, h.NHYD, h.HYDNAME, h.DA, h.QPEAK, h.TPEAK, h.RV, r.maxOutflowDepth, r.maxOutflowVelocity};
  printResults(ctx, caller, inLine, outLine, base);
  reportTrouble(ctx, r);
  judgeLength(ctx, in);
  reportOutflow(ctx, v, r.dt, length, r.maxInflowVelocity, r.maxInflowDepth);
}

void routeCommand(model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  RouteValues v;
  v.idOut = c.intParam(1);
  v.nhyd = c.intParam(2);
  v.idIn = c.intParam(3);
  v.rdt = c.PARAM[4];
  v.slope = c.PARAM[5];
  v.length = c.PARAM[6] * ctx.units.in.length;
  v.n = c.PARAM[7];
  routeStage(ctx, v, RouteCaller::Route);
}

} // namespace routing
