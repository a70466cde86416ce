// The detailed and summary output of COMPUTE HYD, CALIB WILHYD and
// CONTINUOUS WILHYD.
#include <cmath>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "runoff/wilhyd.h"

namespace runoff {

namespace {

using fortran::padded;

// The 25-character note after the time to peak: the peak ordinate of a
// continuous hydrograph may carry outflow of the groundwater reservoir, which
// the general note "(i)" would otherwise deny.
std::string peakNote(const WilhydResult& r) {
  return padded(r.peak.variable > 0.0f ? "incl. variable baseflow" : "", 25);
}

// The 25-character line under the water budget: the reservoir volume at the
// start, which closes the budget (precipitation + start volume = the five
// items below precipitation), in the output depth unit.
std::string startVolumeNote(float depth) {
  static const fortran::Format kText("('START GW RESVOL =',F8.2)");
  return kText.format({depth}).front();
}

void printWaterBudget(model::RunContext& ctx, const WilhydResult& r, const model::Hydrograph& h) {
  static const fortran::Format kHeading(
      "(2X,'SIMULATED PEAK FLOWS',A7,12X,'WATER BUDGET ','DISTRIBUTION',A7,/,2X,29('='),10X,32('='))");
  static const fortran::Format kTable(
      "(2X,'SURFACE RUNOFF    =',F10.3,10X,'TOTAL PRECIPITATION =',F8.2,/,2X,'CONSTANT DWF      =',F10.3,10X,"
      "'EVAPOTRANSPIRATION  =',F8.2,/,2X,'VARIABLE BASEFLOW =',F10.3,10X,'SURFACE RUNOFF      =',F8.2,/,21X,"
      "10('-'),10X,'BASEFLOW + INTERFLOW=',F8.2,/,2X,'TOTAL PEAK FLOW   =',F10.3,10X,'GROUNDWATER RECHARGE=',F8.2,"
      "/,2X,'TIME OF PEAK FLOW =',F10.3,1X,'hrs',6X,'END GRNDWATER RESVOL=',F8.2)");
  static const fortran::Format kNote("(10X,A25)");
  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth, fl = u.out.flow;
  const WaterBudget& b = r.budget;
  run::put(out, kHeading, {u.label(model::Quantity::Flow), u.label(model::Quantity::Depth)});
  // Depths of a storm near the top of single precision may overflow only in
  // millimetres: they print as asterisks.
  // So may the parts of the peak of a storm whose rainfall excess overflowed
  // (the run ends on message 913).
  const auto depth = [d](float v) { return run::starredIfNotFinite(v * d); };
  const auto flow = [fl](float v) { return run::starredIfNotFinite(v / fl); };
  run::put(out, kTable,
           {flow(r.peak.surface), depth(b.precipitation), flow(r.peak.dwf), depth(b.evapotranspiration),
            flow(r.peak.variable), depth(b.surfaceRunoff), depth(b.baseflow), flow(h.QPEAK + h.BASE),
            depth(b.recharge), h.TPEAK, depth(b.endStorage)});
  run::put(out, kNote, {startVolumeNote(b.startStorage * d)});
}

} // namespace

void printWilhydInput(model::RunContext& ctx, std::string_view name, const WilhydValues& v, float dt) {
  static const fortran::Format kNumeric(
      "(22('-'),/,'|',A20,'|',3X,'Area ',A7,'=',F8.2,3X,A20,F6.2,/,'| ',I2.2,':',I6.6,' DT=',F5.2,' |',3X,'Ia',3X,"
      "A7,'=',F8.2,3X,'Recession const.(K)=',F6.2,/,22('-'),3X,'U.H. Tp(hrs)=',F8.2,/)");
  static const fortran::Format kNamed(
      "(22('-'),/,'|',A20,'|',3X,'Area ',A7,'=',F8.2,3X,A20,F6.2,/,'| ',I2.2,':',A6,' DT=',F5.2,' |',3X,'Ia',3X,"
      "A7,'=',F8.2,3X,'Recession const.(K)=',F6.2,/,22('-'),3X,'U.H. Tp(hrs)=',F8.2,/)");
  static const fortran::Format kBaseflow("(25X,'BASEFLOW SIMULATION INPUT PARAMETERS: ','[Option=',F2.0,']')");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth;
  const std::string cnLabel = "Curve Number   (CN)=";
  const std::string title = padded(name, 20);
  if (v.nhyd != 0) {
    run::put(out, kNumeric,
             {title, u.label(model::Quantity::Area), v.area / u.out.area, cnLabel, std::fabs(v.cn), v.id, v.nhyd,
              dt * 60.0f, u.label(model::Quantity::Depth), v.ia * d, v.k, v.tp});
  } else {
    run::put(out, kNamed,
             {title, u.label(model::Quantity::Area), v.area / u.out.area, cnLabel, std::fabs(v.cn), v.id,
              ctx.cmd.text(1, 6), dt * 60.0f, u.label(model::Quantity::Depth), v.ia * d, v.k, v.tp});
  }
  if (!v.continuous()) return;
  printContinuousInputs(
      ctx, {v.iaRec, v.smin, v.smax, v.sk, v.interEventTime, v.gwOption, v.gwInitial, v.gwfrec, v.kStep, v.vhydcon},
      kBaseflow, v.groundwater());
}

void printWilhydResults(model::RunContext& ctx, const WilhydValues& v, int nrain, bool iaDerived, const WilhydResult& r,
                        const model::Hydrograph& h) {
  static const fortran::Format kOrdinate("(15X,'UNIT HYDROGRAPH ORDINATE(',I3,') = ',F12.6,/)");
  static const fortran::Format kExcess("(15X,'RAINFALL EXCESS INCRE.(',I3,') = ',F12.6,/)");
  static const fortran::Format kIaDerived("(5X,'Ia as  0.2xS',2X,A7,'=',F8.3)");
  static const fortran::Format kUnitPeak("(5X,'U.H. peak',5X,A7,'=',F9.3,/)");
  static const fortran::Format kPeak("(5X,'PEAK FLOW',5X,A7,'=',F9.3,' (i)')");
  static const fortran::Format kTimeToPeak("(5X,'TIME TO PEAK    (hrs)=',F9.3,1X,A25)");
  static const fortran::Format kPeakDate("(21X,'or on',2X,A15)");
  static const fortran::Format kVolume("(5X,'SURFACE RUNOFF VOLUME',1X,A7,'=',F9.3)");
  static const fortran::Format kRainfall("(5X,'TOTAL RAINFALL',A7,'=',F9.3)");
  static const fortran::Format kCoefficient("(5X,'RUNOFF COEFFICIENT   =',F9.3)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kNote("(5X,'(i) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.')");
  static const fortran::Format kActual("(10X,'ACTUAL QPEAK: PEAK(',F9.2,') + QBASE(',F6.2,') =',F9.2,A7)");

  const model::Units& u = ctx.units;
  platform::LineSink& out = *ctx.out.detailed;
  const float d = u.out.depth, fl = u.out.flow;
  printStoreStatistics(ctx, r.runoff.loss.stats);
  if (v.printUnitHydrograph) {
    for (int j = 1; j <= r.uh.nuh - 1; ++j) run::put(out, kOrdinate, {j, r.uh.raw[static_cast<std::size_t>(j)]});
  }
  if (v.printExcess) {
    // Rain near the top of single precision overflows its excess (the run
    // ends on message 913): such an increment prints as asterisks.
    for (int m = 1; m <= nrain; ++m)
      run::put(out, kExcess, {m, run::starredIfNotFinite(r.runoff.excess[static_cast<std::size_t>(m)])});
  }
  if (iaDerived) run::put(out, kIaDerived, {u.label(model::Quantity::Depth), v.ia * d});
  run::put(out, kUnitPeak, {u.label(model::Quantity::Flow), run::starredIfNotFinite(r.uh.upk / fl)});
  run::put(out, kPeak, {u.label(model::Quantity::Flow), h.QPEAK / fl});
  run::put(out, kTimeToPeak, {h.TPEAK, peakNote(r)});
  if (ctx.storm.stormDate != 0) run::put(out, kPeakDate, {run::dateLabel(ctx.storm.stormDate, h.TPEAK)});
  run::put(out, kVolume, {u.label(model::Quantity::Depth), h.RV * d});
  run::put(out, kRainfall, {u.label(model::Quantity::Depth), run::starredIfNotFinite(ctx.storm.PTOT * d)});
  // No rainfall: the coefficient of the other runoff commands (0), not 0/0.
  run::put(out, kCoefficient, {run::starredIfNotFinite(runoffCoefficient(h.RV, ctx.storm.PTOT))});
  run::put(out, kBlank);
  run::put(out, kNote);
  if (h.BASE > 0.0f)
    run::put(out, kActual, {h.QPEAK / fl, h.BASE / fl, (h.QPEAK + h.BASE) / fl, u.label(model::Quantity::Flow)});
  if (v.continuous()) printWaterBudget(ctx, r, h);
}

void printWilhydSummary(model::RunContext& ctx, const WilhydValues& v, float dt) {
  static const fortran::Format kCurveNumber("(6X,'[CN=',F5.1,': K=',F5.2,']',/,6X,'[Tp=',F5.2,':DT=',F5.2,']')");
  static const fortran::Format kCoefficient("(6X,'[C =',F5.3,': K=',F5.2,']',/,6X,'[Tp=',F5.2,':DT=',F5.2,']')");
  static const fortran::Format kContinuous("(6X,'[IaREC=',F5.2,': SMIN=',F6.2,': SMAX=',F6.2,': SK=',F5.3,']')");
  const std::initializer_list<platform::LineSink*> sinks{ctx.out.summary, &ctx.platform.summaryWindow};
  if (v.cn > 0.0f) {
    run::put(sinks, kCurveNumber, {v.cn, v.k, v.tp, dt * 60.0f});
  } else {
    run::put(sinks, kCoefficient, {std::fabs(v.cn), v.k, v.tp, dt * 60.0f});
  }
  if (!v.continuous()) return;
  const float d = ctx.units.out.depth;
  run::put(sinks, kContinuous, {v.iaRec, v.smin * d, v.smax * d, v.sk / d});
}

} // namespace runoff
