// STORE HYD: stores a hydrograph typed as a list of flows, ended by the first
// negative value, and prints its block and its ordinate table.
#include "hydrograph/store_hyd.h"

#include <algorithm>
#include <string>
#include <vector>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "run/water_balance.h"

namespace hydrograph {

namespace {

using fortran::padded;

constexpr int kFirstFlow = 5; // PARAM position of the first flow

// The block and, for more than one ordinate, the table that reads down its
// five columns. `times` holds the time of each ordinate (1-based).
void printStoreHyd(model::RunContext& ctx, int id, const std::vector<float>& times) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kArea("('| STORE HYD ',6X,' |',3X,'AREA    ',A7,'=',F8.3)");
  static const fortran::Format kPeakNumeric("('| ID=',I2.2,'  (',I6.6,')  |',3X,'QPEAK   ',A7,'=',F8.3)");
  static const fortran::Format kPeakNamed("('| ID=',I2.2,'  (',A6,')  |',3X,'QPEAK   ',A7,'=',F8.3)");
  static const fortran::Format kTpeak("(20('-'),3X,'TPEAK     (hrs)=',F8.3)");
  static const fortran::Format kVolume("(20X,3X,'VOLUME  ',A7,'=',F8.3)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kHeader(
      "('  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |','  TIME    FLOW |  TIME    FLOW')");
  static const fortran::Format kUnitsCfs(
      "('   hrs     cfs |   hrs     cfs |   hrs     cfs |','   hrs     cfs |   hrs     cfs')");
  static const fortran::Format kUnitsCms(
      "('   hrs     cms |   hrs     cms |   hrs     cms |','   hrs     cms |   hrs     cms')");
  static const fortran::Format kRow("(4(F6.2,1X,F7.2,' |'),F6.2,1X,F7.2)");

  platform::LineSink& out = *ctx.out.detailed;
  const model::Hydrograph& h = ctx.store[id];
  const model::Factors& f = ctx.units.out;

  run::put(out, kRule);
  run::put(out, kArea, {ctx.units.label(model::Quantity::Area), h.DA / f.area});
  if (h.NHYD != 0) {
    run::put(out, kPeakNumeric, {id, h.NHYD, ctx.units.label(model::Quantity::Flow), h.QPEAK / f.flow});
  } else {
    run::put(out, kPeakNamed, {id, padded(h.HYDNAME, 6), ctx.units.label(model::Quantity::Flow), h.QPEAK / f.flow});
  }
  run::put(out, kTpeak, {h.TPEAK});
  run::put(out, kVolume, {ctx.units.label(model::Quantity::Depth), h.RV * f.depth});
  run::put(out, kBlank);
  if (h.NPTS <= 1) return;

  run::put(out, kHeader);
  run::put(out, ctx.units.METOUT == 1 ? kUnitsCfs : kUnitsCms);
  const int rows = (h.NPTS + 4) / 5;
  std::vector<fortran::Value> items;
  std::vector<std::string> records;
  for (int r = 1; r <= rows; ++r) {
    items.clear();
    for (int i = r; i <= h.NPTS; i += rows) {
      items.emplace_back(times[i]);
      items.emplace_back(h.Q[i] / f.flow);
    }
    records.clear();
    kRow.write(items, records);
    for (const std::string& line : records) out.line(line);
  }
}

} // namespace

void storeHyd(model::RunContext& ctx) {
  ctx.run.label = "STORE HYD";
  const int id = ctx.cmd.intParam(1);
  if (!checkSlot(ctx, id)) return;

  Produced p;
  p.nhyd = ctx.cmd.intParam(2);
  p.dt = ctx.cmd.PARAM[3];
  if (p.dt >= 1.0f) p.dt = p.dt / 60.0f;
  p.da = ctx.cmd.PARAM[4] * ctx.units.in.area;

  // The flows end at the first negative value; a list without one ends with
  // the last value actually given (never beyond the positions the command takes).
  const int lastPosition = std::min({ctx.cmd.NPARAM, ctx.cmd.given, static_cast<int>(ctx.cmd.PARAM.size()) - 1});
  const int capacity = std::max(0, lastPosition - kFirstFlow + 1);
  std::vector<float> times(static_cast<std::size_t>(capacity) + 2, 0.0f);
  p.q.reserve(static_cast<std::size_t>(capacity) + 1);

  // Times of the table: TZERO in single precision plus repeated additions of DT.
  float t = static_cast<float>(ctx.time.TZERO);
  for (int k = kFirstFlow, i = 1;; ++k, ++i) {
    times[static_cast<std::size_t>(i)] = t;
    if (k > lastPosition || ctx.cmd.PARAM[k] < 0.0f) break;
    p.q.push_back(ctx.cmd.PARAM[k] * ctx.units.in.flow);
    t += p.dt;
  }
  // An area of 0 holds no depth of runoff: RV is 0 instead of a division by zero.
  storeProduced(ctx, id, std::move(p));
  // Typed flows come from outside the store.
  run::ledgerInflow(ctx, run::slotVolume(ctx.store[id]));
  reportProduced(ctx, id, Source::Other);
  printStoreHyd(ctx, id, times);
}

} // namespace hydrograph
