// DIVERT HYD: splits an inflow hydrograph between up to five outputs. Every
// inflow ordinate, baseflow included, is located in the user's table of total
// inflows and each output receives the interpolated flow of its column. The
// outputs carry the inflow's depth of runoff over areas in proportion to the
// volume they receive.
#include "hydrograph/divert_hyd.h"

#include <algorithm>
#include <optional>
#include <string>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/producer.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "run/water_balance.h"

namespace hydrograph {

namespace {

using model::Quantity;

// A row after the first whose values add up to less than this (cfs) ends the table.
constexpr float kEndOfTable = 0.001f;

using fortran::padded;

// The flows of every output at total inflow `q`, interpolated between rows
// j-1 and j of the table.
std::vector<float> interpolate(const std::vector<DivertRow>& table, std::size_t j, float q) {
  const DivertRow& lo = table[j - 1];
  const DivertRow& hi = table[j];
  const float f = hi.total != lo.total ? (q - lo.total) / (hi.total - lo.total) : 0.0f;
  std::vector<float> flows(lo.flows.size());
  for (std::size_t k = 0; k < flows.size(); ++k) flows[k] = lo.flows[k] + (hi.flows[k] - lo.flows[k]) * f;
  return flows;
}

// The flows for an inflow ordinate: the first row from the second on whose
// total is not below it, or the last row's flows above the table.
std::vector<float> divertedFlows(const std::vector<DivertRow>& table, float q, bool& exceeded) {
  for (std::size_t j = 1; j < table.size(); ++j) {
    if (table[j].total >= q) return interpolate(table, j, q);
  }
  exceeded = true;
  return table.back().flows;
}

// The flows at the inflow's peak, searched from the first row. A peak at or
// below the first row's total has no row below it: the outputs' peaks then
// come from their ordinates alone.
std::optional<std::vector<float>> peakFlows(const std::vector<DivertRow>& table, float peak) {
  for (std::size_t j = 0; j < table.size(); ++j) {
    if (table[j].total >= peak) {
      if (j == 0) return std::nullopt;
      return interpolate(table, j, peak);
    }
  }
  return table.back().flows;
}

// The detailed output of DIVERT HYD.
struct DivertHydPrinter {
  model::RunContext& ctx;

  void heading(int idIn) const {
    static const fortran::Format kTitle("(20('-'),/,'| DIVERT HYD       |')");
    static const fortran::Format kNumeric("('| INID=',I2.2,'  (',I6.6,')|',/,20('-'))");
    static const fortran::Format kNamed("('| INID=',I2.2,'  (',A6,')|',/,20('-'))");
    static const fortran::Format kTable("(T7,'Outflow / Inflow  Relationships')");
    const model::Hydrograph& h = ctx.store[idIn];
    platform::LineSink& out = *ctx.out.detailed;
    run::put(out, kTitle);
    if (h.NHYD != 0) {
      run::put(out, kNumeric, {idIn, h.NHYD});
    } else {
      run::put(out, kNamed, {idIn, padded(h.HYDNAME, 6)});
    }
    run::put(out, kTable);
  }

  void table(const DivertHydValues& v, float flowFactor) const {
    static const fortran::Format kColumns("(T7,6(A5,I2.2,A4))");
    static const fortran::Format kUnits("(T7,6(A6,5X))");
    static const fortran::Format kRow("(T5,6(F9.3,1X))");
    std::vector<fortran::Value> items;
    for (int k = 0; k < v.outputs; ++k) {
      items.emplace_back("Flow ");
      items.emplace_back(v.idOut[static_cast<std::size_t>(k)]);
      items.emplace_back(k + 1 < v.outputs ? " +  " : " =  ");
    }
    items.emplace_back("Total");
    write(kColumns, items);
    items.assign(static_cast<std::size_t>(v.outputs) + 1, fortran::Value(ctx.units.METOUT == 1 ? " (cfs)" : " (cms)"));
    write(kUnits, items);
    // Rows are printed in the unit they were typed in.
    for (const DivertRow& row : v.table) {
      items.clear();
      for (float q : row.flows) items.emplace_back(q / flowFactor);
      items.emplace_back(row.total / flowFactor);
      write(kRow, items);
    }
  }

  void blank() const {
    static const fortran::Format kFree("*");
    run::put(*ctx.out.detailed, kFree);
  }

  void statistics(int idIn, const model::Hydrograph& in, const FlowStatistics& inStats, const DivertHydValues& v,
                  const DivertHydResult& r) const {
    static const fortran::Format kHead("(13X,'NHYD',7X,'AREA    QPEAK  TpeakDate_hh:mm',7X,'R.V.  ','NFE WetHrs')");
    static const fortran::Format kUnits("(21X,A7,2X,A7,1X,20X,A7,7X,'(hrs)')");
    static const fortran::Format kInNumeric("(3X,'IDin = ',I2.2,':',I6.6,F9.2,F9.3,2X,A15,3X,F8.3,I5,F7.0)");
    static const fortran::Format kInNamed("(3X,'IDin = ',I2.2,':',A6,F9.2,F9.3,2X,A15,3X,F8.3,I5,F7.0)");
    static const fortran::Format kRule("(3X,73('='))");
    static const fortran::Format kOutNumeric("(3X,'IDout= ',I2.2,':',I6.6,F9.2,F9.3,2X,A15,3X,F8.3,I5,F7.0)");
    static const fortran::Format kOutNamed("(3X,'IDout= ',I2.2,':',A6,F9.2,F9.3,2X,A15,3X,F8.3,I5,F7.0)");
    const model::Units& u = ctx.units;
    const model::Factors& f = u.out;
    platform::LineSink& out = *ctx.out.detailed;
    auto line = [&](const fortran::Format& numeric, const fortran::Format& named, int id, const model::Hydrograph& h,
                    const FlowStatistics& s) {
      const std::string when = run::dateLabel(ctx.storm.stormDate, h.TPEAK);
      const float wetHours = static_cast<float>(s.wetSteps) * h.DT;
      if (h.NHYD != 0) {
        run::put(out, numeric, {id, h.NHYD, h.DA / f.area, h.QPEAK / f.flow, when, h.RV * f.depth, s.events, wetHours});
      } else {
        run::put(out, named,
                 {id, padded(h.HYDNAME, 6), h.DA / f.area, h.QPEAK / f.flow, when, h.RV * f.depth, s.events, wetHours});
      }
    };
    run::put(out, kHead);
    run::put(out, kUnits, {u.label(Quantity::Area), u.label(Quantity::Flow), u.label(Quantity::Depth)});
    line(kInNumeric, kInNamed, idIn, in, inStats);
    run::put(out, kRule);
    for (std::size_t k = 0; k < r.outs.size(); ++k) {
      line(kOutNumeric, kOutNamed, v.idOut[k], r.outs[k], r.outflow[k]);
    }
  }

private:
  void write(const fortran::Format& format, const std::vector<fortran::Value>& items) const {
    std::vector<std::string> records;
    format.write(items, records);
    for (const std::string& line : records) ctx.out.detailed->line(line);
  }
};

// Stores an output through the producer path. Its peak, time of peak, volume and, when it is dry, its
// length are the diversion's own: the peak may come from the table at the
// inflow's peak, the time is the inflow's and the depth is the inflow's.
void storeOutput(model::RunContext& ctx, int id, const model::Hydrograph& out) {
  Produced p;
  p.nhyd = out.NHYD;
  p.q = out.Q;
  p.q.resize(static_cast<std::size_t>(out.NPTS) + 1, 0.0f);
  p.dt = out.DT;
  p.da = out.DA;
  storeProduced(ctx, id, std::move(p));
  model::Hydrograph& slot = ctx.store[id];
  slot.HYDNAME = out.HYDNAME;
  slot.QPEAK = out.QPEAK;
  slot.TPEAK = out.TPEAK;
  slot.RV = out.RV;
}

} // namespace

void FlowStatistics::count(float q, float previous) {
  if (q > 0.0f) {
    ++wetSteps;
    if (previous == 0.0f) ++events;
  }
}

DivertHydValues readDivertHydValues(const model::CommandValues& cmd, float flowFactor) {
  DivertHydValues v;
  v.idIn = cmd.intParam(1);
  v.outputs = cmd.intParam(2);
  if (v.outputs < 1 || v.outputs > kMaxDivertOutputs) return v;
  for (int k = 0; k < v.outputs; ++k) {
    v.idOut[static_cast<std::size_t>(k)] = cmd.intParam(3 + 2 * k);
    v.nhyd[static_cast<std::size_t>(k)] = cmd.intParam(4 + 2 * k);
  }
  // Positions the command does not give, or cannot take, are 0.
  const int last = std::min({cmd.NPARAM, cmd.given, static_cast<int>(cmd.PARAM.size()) - 1});
  auto value = [&](int position) { return position <= last ? cmd.PARAM[static_cast<std::size_t>(position)] : 0.0f; };
  int position = 2 * v.outputs + 3;
  for (int row = 1; row <= kMaxDivertRows; ++row) {
    DivertRow r;
    float sum = 0.0f;
    for (int k = 0; k < v.outputs; ++k) {
      r.flows.push_back(value(position++) * flowFactor);
      sum += r.flows.back();
    }
    r.total = value(position++) * flowFactor;
    sum += r.total;
    if (row > 1 && sum < kEndOfTable) break;
    v.table.push_back(std::move(r));
  }
  return v;
}

DivertHydResult computeDivertHyd(const model::Hydrograph& in, const std::vector<DivertRow>& table) {
  DivertHydResult r;
  const std::size_t outputs = table.empty() ? 0 : table.front().flows.size();
  r.outs.resize(outputs);
  r.outflow.resize(outputs);
  for (model::Hydrograph& out : r.outs) {
    out.DT = in.DT;
    out.DA = in.DA;
    out.TPEAK = in.TPEAK;
    out.NPTS = in.NPTS;
    // A dry inflow leaves its outputs without flow, never with stale ordinates.
    out.resize(in.NPTS);
  }
  if (!(in.RV > 0.0f) || table.empty()) {
    r.dry = true;
    return r;
  }

  float previousIn = 0.0f;
  std::vector<float> previous(outputs, 0.0f);
  for (int i = 1; i <= in.NPTS; ++i) {
    const float q = in.Q[static_cast<std::size_t>(i)] + in.BASE;
    r.inflow.count(q, previousIn);
    previousIn = q;
    const std::vector<float> flows = divertedFlows(table, q, r.exceeded);
    for (std::size_t k = 0; k < outputs; ++k) {
      r.outs[k].Q[static_cast<std::size_t>(i)] = flows[k];
      r.outflow[k].count(flows[k], previous[k]);
      previous[k] = flows[k];
    }
  }

  const std::optional<std::vector<float>> atPeak = peakFlows(table, in.QPEAK);
  float inSum = 0.0f;
  for (int i = 1; i <= in.NPTS; ++i) inSum += in.Q[static_cast<std::size_t>(i)];
  const float perAreaDepth = in.DA * model::kCfsHoursPerAcreInch;
  // Depths over the inflow's area; without an area the volumes themselves.
  const float rIn = perAreaDepth > 0.0f ? in.DT * inSum / perAreaDepth : in.DT * inSum;
  for (std::size_t k = 0; k < outputs; ++k) {
    model::Hydrograph& out = r.outs[k];
    float peak = atPeak ? (*atPeak)[k] : 0.0f;
    float sum = 0.0f;
    for (int i = 1; i <= out.NPTS; ++i) {
      const float q = out.Q[static_cast<std::size_t>(i)];
      sum += q;
      peak = std::max(peak, q);
    }
    out.QPEAK = peak;
    const float rOut = perAreaDepth > 0.0f ? in.DT * sum / perAreaDepth : in.DT * sum;
    out.DA = rIn > 0.0f ? rOut / rIn * in.DA : 0.0f;
    if (rOut <= 0.0f) {
      out.NPTS = 0;
      out.RV = 0.0f;
      out.TPEAK = 0.0f;
    } else {
      out.RV = out.DA > 0.0f ? in.DA * rOut / out.DA : 0.0f;
    }
  }
  return r;
}

void divertHyd(model::RunContext& ctx) {
  ctx.run.label = "DIVERT HYD      ->";
  const int idIn = ctx.cmd.intParam(1);
  if (!checkSlot(ctx, idIn)) return;
  const DivertHydPrinter print{ctx};
  print.heading(idIn);
  const float flowFactor = ctx.units.in.flow;
  const DivertHydValues v = readDivertHydValues(ctx.cmd, flowFactor);
  if (v.outputs > kMaxDivertOutputs) return run::issue(ctx, msg::kDivertTooManyOutflows, run::Severity::Error);
  if (v.outputs < 1) return run::issue(ctx, msg::kDivertOutputCountBelowOne, run::Severity::Error);
  for (int k = 0; k < v.outputs; ++k) {
    if (!checkSlot(ctx, v.idOut[static_cast<std::size_t>(k)])) return;
  }
  print.table(v, flowFactor);

  // The inflow is read whole before any output is stored, so an output slot
  // that is also the inflow's is divided as a distinct slot would be.
  const model::Hydrograph in = ctx.store[idIn];
  DivertHydResult r = computeDivertHyd(in, v.table);
  for (int k = 0; k < v.outputs; ++k) {
    const int id = v.idOut[static_cast<std::size_t>(k)];
    model::Hydrograph& out = r.outs[static_cast<std::size_t>(k)];
    out.NHYD = v.nhyd[static_cast<std::size_t>(k)];
    out.HYDNAME = out.NHYD == 0 ? ctx.cmd.text(k + 1, 10) : ctx.store[id].HYDNAME;
  }
  if (r.dry) {
    run::issue(ctx, msg::kDivertInflowDry, run::Severity::Warning);
  } else {
    if (r.exceeded) {
      run::issue(ctx, msg::kDivertTablesExceeded, run::Severity::Warning);
      run::ledgerReason(ctx, "inflow beyond the diversion table");
    }
    print.blank();
    print.statistics(idIn, in, r.inflow, v, r);
  }
  if (in.BASE != 0.0f) run::issue(ctx, msg::kDivertDwfAdded, run::Severity::Warning);

  reportProduced(ctx, idIn, Source::Other, AutoFile::Skip);
  ctx.run.label = "       diverted <=";
  run::markNext(ctx, run::Severity::Note);
  for (int k = 0; k < v.outputs; ++k) {
    const int id = v.idOut[static_cast<std::size_t>(k)];
    storeOutput(ctx, id, r.outs[static_cast<std::size_t>(k)]);
    // The first output carries the flow on; the others are diversions.
    if (k > 0) run::ledgerSent(ctx, id);
    reportProduced(ctx, id, Source::Other);
  }
}

} // namespace hydrograph
