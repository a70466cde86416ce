// COMPUTE API: the antecedent precipitation index of the current storm. The
// index decays by APIK per day and grows by the rain of every step; the
// continuous runoff commands read the series from ctx.api.
#include "rain/antecedent_index.h"

#include <algorithm>
#include <cmath>

#include "rain/read_storm.h"
#include "run/messages.h"
#include "run/output.h"

namespace rain {

ApiStats computeApiSeries(const std::vector<float>& rain, int nstep, float dt, float apii, float apik,
                          std::vector<float>& api) {
  ApiStats st;
  st.k = std::pow(apik, dt / 24.0f);
  api.resize(static_cast<std::size_t>(nstep) + 1);
  api[0] = apii;
  st.max = apii;
  st.min = 9999.0f;
  float prev = apii;
  for (int i = 1; i <= nstep; ++i) {
    const float v = prev * st.k + rain[i] * dt;
    api[i] = v;
    st.max = std::max(st.max, v);
    st.min = std::min(st.min, v);
    st.sum += v;
    prev = v;
  }
  st.last = prev;
  return st;
}

namespace {

void printApi(model::RunContext& ctx, float apii, float apik, const ApiStats& st, int nstep) {
  static const fortran::Format kBox(
      "(20('-'),/,'| COMPUTE API      |',3X,'Initial API  = ',F6.2,' ',A2,/,20('-'),3X,'APIk factor  = ',F6.2,' "
      "/day',/)");
  static const fortran::Format kTitle("(10X,'ANTECEDENT PRECIPITATION INDEX (API) STATISTICS:')");
  static const fortran::Format kInitial("(15X,'Initial  API value = ',F7.2,' ',A2)");
  static const fortran::Format kEnd("(15X,'End date API value = ',F7.2,' ',A2)");
  static const fortran::Format kMax("(15X,'Maximum  API value = ',F7.2,' ',A2)");
  static const fortran::Format kMin("(15X,'Minimum  API value = ',F7.2,' ',A2)");
  static const fortran::Format kAverage("(15X,'Average  API value = ',F7.2,' ',A2)");
  static const fortran::Format kTotal("(15X,'Total precipitation= ',F7.2,' ',A2)");
  static const fortran::Format kSeries("(6X,'[APIini=',F6.2,': APIkdy=',F6.4,': APIkdt=',F6.4,']')");
  static const fortran::Format kRange("(6X,'{APImax=',F6.2,': APIavg=',F6.2,': APImin=',F6.2,'}')");

  platform::LineSink& out = *ctx.out.detailed;
  const float f = ctx.units.out.depth;
  const char* unit = ctx.units.METOUT == 1 ? "in" : "mm";
  const float average = st.sum / static_cast<float>(nstep);
  run::put(out, kBox, {apii * f, unit, apik});
  run::put(out, kTitle);
  run::put(out, kInitial, {apii * f, unit});
  run::put(out, kEnd, {st.last * f, unit});
  run::put(out, kMax, {st.max * f, unit});
  run::put(out, kMin, {st.min * f, unit});
  run::put(out, kAverage, {average * f, unit});
  run::put(out, kTotal, {ctx.storm.PTOT * f, unit});

  writeCommandLine(ctx, "COMPUTE API", true);
  run::put({&ctx.platform.summaryWindow, ctx.out.summary}, kSeries, {apii * f, apik, st.k});
  run::put({&ctx.platform.summaryWindow, ctx.out.summary}, kRange, {st.max * f, average * f, st.min * f});
}

} // namespace

void computeApi(model::RunContext& ctx) {
  ctx.run.label = "COMPUTE API";
  const float apii = std::fabs(ctx.cmd.PARAM[1]) / ctx.units.in.depth;
  const float apik = ctx.cmd.PARAM[2];
  const model::Storm& s = ctx.storm;
  bool rejected = false;
  if (apik <= 0.0f || apik > 1.0f || apii < 0.0f || !std::isfinite(apii)) {
    run::issue(ctx, msg::kApiBadConstants, run::Severity::Error);
    rejected = true;
  }
  // No storm, or one without steps: there is nothing to build the index from.
  if (s.workDT == 0.0f || s.SDT <= 0.0f || s.NSTEP <= 0) {
    run::issue(ctx, msg::kApiNoRainfall, run::Severity::Error);
    rejected = true;
  }
  if (rejected) {
    ctx.api.dt = 0.0f; // no series: the continuous commands will refuse to run
    writeCommandLine(ctx, "COMPUTE API", true);
    return;
  }
  // The series follows the storm as defined (RAIN at its step SDT), which is
  // also the working step right after any storm command.
  const float dt = s.SDT;
  ApiStats st = computeApiSeries(s.RAIN, s.NSTEP, dt, apii, apik, ctx.api.API);
  ctx.api.dt = dt;
  printApi(ctx, apii, apik, st, s.NSTEP);
}

} // namespace rain
