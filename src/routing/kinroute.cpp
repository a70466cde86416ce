// KINROUTE: sizes the pipe for the inflow peak when the given diameter is too
// small (or none is given), judges the routing step against the pipe's travel
// time at the peak, and routes the inflow by Muskingum-Cunge routing above a
// small artificial low flow that floors the outflow.
#include "routing/kinroute.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <utility>

#include "fortran/format.h"
#include "hydrograph/producer.h"
#include "routing/channel.h"
#include "routing/muskingum_cunge.h"
#include "routing/pipe_size.h"
#include "run/messages.h"
#include "run/output.h"

namespace routing {

namespace {

constexpr float kPi = 3.14159f; // the value this command sizes with
// Routing steps within this share of a whole multiple of the inflow step take
// every so many ordinates as they are.
constexpr float kWholeMultiple = 1.0e-4f;

// The inflow at the routing step, raised by `raise`, from the cases of the
// routing step against the inflow step. Each keeps the inflow's volume: a
// shorter step divides the inflow step, a whole multiple takes every so many
// ordinates, and any other longer step (one close to the inflow step too)
// interpolates the inflow at the routing step's times.
struct StepPlan {
  std::vector<float> inflow; // [1..], 0 past the hydrograph
  int steps = 0;             // ordinates of the outflow before its tail
  float dt = 0.0f;
  bool denied = false, cut = false;
};

StepPlan planSteps(const model::Hydrograph& in, float dtOut, float raise) {
  constexpr int kMax = model::kMaxOrdinates;
  StepPlan p;
  p.inflow.assign(static_cast<std::size_t>(kMax) + 1, 0.0f);
  const int n = std::min(in.NPTS, kMax);
  const auto q = [&in](int k) { return in.Q[static_cast<std::size_t>(k)]; };
  p.dt = dtOut;
  const float ratio = in.DT > 0.0f ? dtOut / in.DT : 1.0f;
  const float whole = std::round(std::min(ratio, static_cast<float>(kMax)));
  if (whole >= 1.0f && std::fabs(ratio - whole) <= kWholeMultiple * whole) {
    // Every NSKIP-th ordinate, no averaging; the step stays as requested.
    const int nskip = static_cast<int>(whole);
    const int count = (n - 1 + nskip) / nskip;
    for (int k = 1; k <= count; ++k) p.inflow[static_cast<std::size_t>(k)] = q(1 + (k - 1) * nskip) + raise;
    p.steps = n / nskip;
  } else if (dtOut > in.DT) {
    // The inflow, linear between its ordinates, at every routing step up to
    // its last ordinate.
    const double span = static_cast<double>(n - 1) * in.DT;
    const double last = std::min(std::floor(span / dtOut) + 1.0, static_cast<double>(kMax));
    const int count = n >= 1 ? static_cast<int>(last) : 0;
    for (int k = 1; k <= count; ++k) {
      const double at = static_cast<double>(k - 1) * dtOut / in.DT; // in inflow steps
      const int i = std::min(static_cast<int>(at), n - 1);
      const float f = static_cast<float>(at - i);
      const float q1 = q(i + 1);
      const float q2 = i + 2 <= n ? q(i + 2) : 0.0f;
      p.inflow[static_cast<std::size_t>(k)] = q1 + (q2 - q1) * f + raise;
    }
    p.steps = count;
  } else {
    const float subRatio = dtOut != 0.0f ? in.DT / dtOut + 0.55f : 0.0f;
    int nsub = static_cast<int>(std::clamp(subRatio, -1.0f, static_cast<float>(kMax)));
    if (nsub < 1) {
      p.denied = true;
      nsub = 1;
    }
    p.dt = in.DT / static_cast<float>(nsub);
    const long long total = static_cast<long long>(n) * nsub;
    p.cut = total > kMax;
    p.steps = static_cast<int>(std::min<long long>(total, kMax));
    if (n >= 1) p.inflow[1] = q(1) + raise;
    for (int i = 2; i <= n && static_cast<long long>(i - 1) * nsub + 1 <= kMax; ++i) {
      const float q1 = q(i - 1);
      const float q2 = q(i);
      for (int m = 1; m <= nsub; ++m) {
        p.inflow[static_cast<std::size_t>((i - 2) * nsub + m + 1)] =
            q1 + (q2 - q1) / static_cast<float>(nsub) * static_cast<float>(m) + raise;
      }
    }
  }
  return p;
}

std::string name6(const model::Hydrograph& h) { return h.HYDNAME.substr(0, 6); }

// What the printout needs of the inflow, kept before the outflow is stored
// (the two slots may be one).
struct InflowReport {
  int nhyd = 0;
  std::string name;
  float area = 0.0f, peak = 0.0f, tpeak = 0.0f, rv = 0.0f;
};

void printHeading(model::RunContext& ctx, const KinrouteValues& v, float dt) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kNumeric("('| KINROUTE (',I6.6,')|',5X,'PIPE  Number    =',F7.2)");
  static const fortran::Format kNamed("('| KINROUTE (',A6,')|',5X,'PIPE  Number    =',F7.2)");
  static const fortran::Format kDiameter("('| IN=',I2,'---> OUT=',I2,' |',5X,'Diameter ',A7,'=',F7.2)");
  static const fortran::Format kStep("('| RDT=',F5.1,' min    |',5X,'Length   ',A7,'=',F7.2)");
  static const fortran::Format kSlope("(20('-'),5X,'Slope    ',A7,'=',F7.3)");
  static const fortran::Format kManningN("(25X,'Manning n       =',F7.3)");
  static const fortran::Format kBlank("(' ')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  run::put(out, kRule);
  if (v.nhyd != 0) {
    run::put(out, kNumeric, {v.nhyd, v.pipeNumber});
  } else {
    run::put(out, kNamed, {ctx.cmd.text(1, 6), v.pipeNumber});
  }
  run::put(out, kDiameter, {v.idIn, v.idOut, u.label(model::Quantity::Depth), v.diameter * u.out.depth});
  run::put(out, kStep, {dt * model::kMinutesPerHour, u.label(model::Quantity::Length), v.length / u.out.length});
  run::put(out, kSlope, {u.label(model::Quantity::Slope), v.slope});
  run::put(out, kManningN, {v.n});
  run::put(out, kBlank);
}

void printResults(model::RunContext& ctx, int idIn, int idOut, const InflowReport& in, const KinrouteResult& r) {
  static const fortran::Format kTitles("(32X,'AREA     QPEAK     TPEAK       R.V.')");
  static const fortran::Format kUnits("(29X,A7,3X,A7,5X,'(hrs)',4X,A7)");
  static const fortran::Format kInNumeric(
      "(5X,'INFLOW : ID=',I2,'(',I6.6,')',2X,F7.2,3X,F7.2,3X,F7.2,4X,F7.2,3X,F7.2,4X,F7.2)");
  static const fortran::Format kInNamed(
      "(5X,'INFLOW : ID=',I2,'(',A6,')',2X,F7.2,3X,F7.2,3X,F7.2,4X,F7.2,3X,F7.2,4X,F7.2)");
  static const fortran::Format kOutNumeric(
      "(5X,'OUTFLOW: ID=',I2,'(',I6.6,')',2X,F7.2,3X,F7.2,3X,F7.2,4X,F7.2,3X,F7.2,4X,F7.2)");
  static const fortran::Format kOutNamed(
      "(5X,'OUTFLOW: ID=',I2,'(',A6,')',2X,F7.2,3X,F7.2,3X,F7.2,4X,F7.2,3X,F7.2,4X,F7.2)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kReduction("(19X,'PEAK  FLOW  REDUCTION  [Qout/Qin] (%)=',F6.2)");
  static const fortran::Format kShift("(19X,'TIME SHIFT OF PEAK FLOW         (min)=',F6.2)");
  static const fortran::Format kTravel(
      "(19X,'LENGTH OF PIPE/MAX.CELERITY     (min)=',F6.2,/,19X,'ROUTING TIME STEP SHOULD BE IN THIS ORDER')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  const model::Factors& f = u.out;
  const model::Hydrograph& o = ctx.store[idOut];
  run::put(out, kTitles);
  run::put(out, kUnits,
           {u.label(model::Quantity::Area), u.label(model::Quantity::Flow), u.label(model::Quantity::Depth)});
  if (in.nhyd != 0) {
    run::put(out, kInNumeric, {idIn, in.nhyd, in.area / f.area, in.peak / f.flow, in.tpeak, in.rv * f.depth});
  } else {
    run::put(out, kInNamed, {idIn, in.name, in.area / f.area, in.peak / f.flow, in.tpeak, in.rv * f.depth});
  }
  if (o.NHYD != 0) {
    run::put(out, kOutNumeric, {idOut, o.NHYD, o.DA / f.area, o.QPEAK / f.flow, o.TPEAK, o.RV * f.depth});
  } else {
    run::put(out, kOutNamed, {idOut, name6(o), o.DA / f.area, o.QPEAK / f.flow, o.TPEAK, o.RV * f.depth});
  }
  run::put(out, kBlank);
  // A dry inflow has no peak to reduce: the ratio prints as 0.
  run::put(out, kReduction, {in.peak > 0.0f ? o.QPEAK / in.peak * 100.0f : 0.0f});
  run::put(out, kShift, {(o.TPEAK - in.tpeak) * model::kMinutesPerHour});
  run::put(out, kTravel, {r.travelTime / model::kMinutesPerHour});
  run::put(out, kBlank);
}

void reportAndClose(model::RunContext& ctx, const KinrouteResult& r) {
  static const fortran::Format kMinimum(
      "(5X,'*** WARNING: MINIMUM PIPE SIZE REQUIRED = ',F8.2,A7,/,19X,'THIS SIZE WAS USED IN THE ROUTING.')");
  static const fortran::Format kCapacity("(19X,'THE CAPACITY OF THIS PIPE  = ',F8.2,A7)");
  static const fortran::Format kRule("(79('-'))");
  if (r.stepDenied) run::issue(ctx, msg::kKinrouteStepDenied, run::Severity::Warning);
  if (r.enlarged) run::issue(ctx, msg::kKinroutePipeTooSmall, run::Severity::Warning);
  if (r.cut) run::issue(ctx, msg::kKinrouteHydrographCut, run::Severity::Warning);
  if (r.judgement == 1) run::issue(ctx, msg::kKinrouteStepShouldBeReduced, run::Severity::Warning);
  if (r.divisionCapped) run::issue(ctx, msg::kKinrouteDivisionCapped, run::Severity::Warning);
  if (r.tailCut) run::issue(ctx, msg::kKinrouteTailCut, run::Severity::Warning);
  platform::LineSink& out = *ctx.out.detailed;
  const model::Units& u = ctx.units;
  if (r.enlarged) {
    run::put(out, kMinimum, {r.diameter * u.out.depth, u.label(model::Quantity::Depth)});
    run::put(out, kCapacity, {r.capacity / u.out.flow, u.label(model::Quantity::Flow)});
  }
  run::put(out, kRule);
}

void writeSummary(model::RunContext& ctx, int idOut, const KinrouteResult& r) {
  static const fortran::Format kInches("(6X,'{DiamUsed=',F5.0,'in}')");
  static const fortran::Format kMillimetres("(6X,'{DiamUsed=',F5.0,'mm}')");
  ctx.run.label = "        outflow <-";
  hydrograph::reportProduced(ctx, idOut, hydrograph::Source::Other);
  run::put({ctx.out.summary, &ctx.platform.mainWindow}, ctx.units.METOUT == 1 ? kInches : kMillimetres,
           {r.diameter * ctx.units.out.depth});
}

} // namespace

KinrouteValues readKinroute(const model::RunContext& ctx) {
  const model::CommandValues& c = ctx.cmd;
  const model::Factors& in = ctx.units.in;
  KinrouteValues v;
  v.idOut = c.intParam(1);
  v.nhyd = c.intParam(2);
  v.pipeNumber = c.PARAM[3];
  v.diameter = c.PARAM[4] / in.depth;
  v.length = c.PARAM[5] * in.length;
  v.n = c.PARAM[6];
  v.slope = c.PARAM[7];
  v.idIn = c.intParam(8);
  v.rdt = c.PARAM[9];
  v.extraBase = c.PARAM[10] * in.flow;
  return v;
}

float requestedStep(float rdt, float inflowDt) {
  if (rdt >= 1.0f) return rdt / model::kMinutesPerHour;
  return rdt == 0.0f ? inflowDt : rdt;
}

KinrouteResult computeKinroute(const model::Hydrograph& in, const KinrouteValues& v) {
  KinrouteResult r;
  const float required = in.BASE + in.QPEAK + v.extraBase;
  const SizedPipe pipe = sizeCircular(v.diameter / model::kInchesPerFoot, required, v.n, v.slope, kPi);
  r.enlarged = pipe.enlarged;
  r.diameter = pipe.enlarged ? model::kInchesPerFoot * pipe.width : v.diameter;
  r.capacity = pipe.capacity;
  const PipeReach reach{r.diameter / model::kInchesPerFoot, v.n, v.slope, v.length, pipe.capacity};

  // The low flow raises the inflow as well as the floor, so that taking the
  // floor off the outflow leaves the inflow's own volume.
  r.lowFlow = lowFlow(reach);
  const float base = in.BASE + v.extraBase + r.lowFlow;
  const int n = std::clamp(in.NPTS, 0, static_cast<int>(in.Q.size()) - 1);
  if (inflowLostInBase(std::span<const float>(in.Q).subspan(1, static_cast<std::size_t>(n)), base) >
      kBaseLossLimit) {
    r.baseSwamps = true;
    return r;
  }
  StepPlan plan = planSteps(in, requestedStep(v.rdt, in.DT), base);
  r.dt = plan.dt;
  r.stepDenied = plan.denied;
  r.cut = plan.cut;

  r.travelTime = travelTimeAtPeak(reach, required);
  const float travelHours = r.travelTime / model::kSecondsPerHour;
  r.judgement = travelHours < r.dt ? 1 : (travelHours > r.dt ? 2 : 0);

  const RoutingResult routed =
      routeMuskingumCunge(reach, RoutingInput{std::move(plan.inflow), plan.steps, r.dt, base}, model::kMaxOrdinates);
  r.stabilised = routed.stabilised;
  r.subReaches = routed.subReaches;
  r.subSteps = routed.subSteps;
  r.divisionCapped = routed.capped;
  r.tailCut = routed.tailCut;
  r.npts = routed.npts;
  r.q.assign(static_cast<std::size_t>(r.npts) + 1, 0.0f);
  for (int k = 1; k <= r.npts; ++k) {
    const auto i = static_cast<std::size_t>(k);
    r.q[i] = std::max(routed.outflow[i] - base, 0.0f);
  }
  return r;
}

void kinroute(model::RunContext& ctx) {
  const KinrouteValues v = readKinroute(ctx);
  if (!hydrograph::checkSlot(ctx, v.idOut) || !hydrograph::checkSlot(ctx, v.idIn)) return;
  // Manning's equation and the celerity divide by n, the slope and the length.
  if (!pipeValuesUsable(v.length, v.n, v.slope)) {
    run::issue(ctx, msg::kPipeValuesNotPositive, run::Severity::Error);
    return;
  }
  const model::Hydrograph& inSlot = ctx.store[v.idIn];
  // A diameter whose cross-section underflows to 0 is no diameter either:
  // every depth in it would have an undefined celerity.
  const float feet = v.diameter / model::kInchesPerFoot;
  if (!(feet > 0.0f && feet * feet > 0.0f) && inSlot.BASE + inSlot.QPEAK + v.extraBase <= 0.0f) {
    run::issue(ctx, msg::kPipeNoDiameter, run::Severity::Error);
    return;
  }
  // A Manning n or a slope at the edge of single precision asks for a pipe
  // no float can hold (its celerity would be undefined).
  const SizedPipe size =
      sizeCircular(v.diameter / model::kInchesPerFoot, inSlot.BASE + inSlot.QPEAK + v.extraBase, v.n, v.slope, kPi);
  if (!std::isfinite(size.width) || !std::isfinite(size.capacity)) {
    run::issue(ctx, msg::kPipeSizeOverflow, run::Severity::Error);
    return;
  }
  const InflowReport in{inSlot.NHYD, name6(inSlot), inSlot.DA, inSlot.QPEAK, inSlot.TPEAK, inSlot.RV};
  const KinrouteResult r = computeKinroute(inSlot, v);
  if (r.baseSwamps) {
    run::issue(ctx, msg::kRoutingBaseSwampsInflow, run::Severity::Error);
    return;
  }
  printHeading(ctx, v, requestedStep(v.rdt, inSlot.DT));
  // The inflow's summary line; its file is not written again.
  hydrograph::reportProduced(ctx, v.idIn, hydrograph::Source::Other, hydrograph::AutoFile::Skip);

  hydrograph::Produced p;
  p.nhyd = v.nhyd;
  p.q = r.q;
  p.dt = r.dt;
  p.da = inSlot.DA;
  p.base = inSlot.BASE;
  p.peak = hydrograph::PeakRule::First;
  p.sum = hydrograph::SumOrder::FromStart;
  p.area = hydrograph::AreaRule::NonZero;
  hydrograph::storeProduced(ctx, v.idOut, std::move(p));

  printResults(ctx, v.idIn, v.idOut, in, r);
  reportAndClose(ctx, r);
  writeSummary(ctx, v.idOut, r);
}

} // namespace routing
