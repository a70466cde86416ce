// The sewer-flow command's rules, one table each: time steps the daily cycle
// accepts, curve codes, peak factors, the calendar, the daily variation curves
// and their file, and the conservation of the daily volumes.
#include "runoff/dwf_wwf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <unistd.h>

#include "run/messages.h"
#include "support/files.h"
#include <filesystem>

#include "runoff_fixture.h"

namespace {

using runoff::CurveLookup;

TEST(DwfWwfRules, TimeStepsTheDailyCycleAccepts) {
  const struct {
    float dt;
    std::vector<int> messages;
  } cases[] = {
      {15.0f, {}},      {5.0f, {}},         {2.5f, {}},    {45.0f, {}},   {1440.0f, {}},  {2880.0f, {}},
      {4.9999995f, {}}, {7.0f, {458, 459}}, {0.5f, {457}}, {0.0f, {457}}, {25.0f, {459}}, {1.0f, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(runoff::timeStepProblems(c.dt), c.messages) << c.dt;
}

TEST(DwfWwfRules, CurveCodeDigits) {
  const struct {
    float code;
    int kind, curve;
  } cases[] = {{-31.0f, 1, 3}, {-12.0f, 2, 1}, {-131.0f, 1, 3}, {-1.0f, 1, 0}, {-52.7f, 2, 5}, {-40.0f, 0, 4}};
  for (const auto& c : cases) {
    const runoff::CurveCode d = runoff::decodeCurveCode(c.code);
    EXPECT_EQ(d.kind, c.kind) << c.code;
    EXPECT_EQ(d.curve, c.curve) << c.code;
  }
}

TEST(DwfWwfRules, PeakFactors) {
  const float harmon10k = 1.0f + 14.0f / (4.0f + std::sqrt(10.0f));
  EXPECT_NEAR(runoff::harmonFactor(10000.0f), harmon10k, 1e-6f);
  EXPECT_NEAR(runoff::harmonFactor(0.0f), 4.5f, 1e-6f);
  const struct {
    float pkfp, pop, factor;
  } cases[] = {{0.0f, 10000.0f, 1.0f},
               {0.5f, 10000.0f, 1.0f + 0.5f * 14.0f / (4.0f + std::sqrt(10.0f))},
               {1.0f, 10000.0f, harmon10k},
               {2.5f, 10000.0f, 2.5f}};
  for (const auto& c : cases) EXPECT_NEAR(runoff::residentialPeakFactor(c.pkfp, c.pop), c.factor, 1e-6f) << c.pkfp;
}

// Weekends are days 1 and 7 (Sunday and Saturday) of the record calendar's week.
TEST(DwfWwfRules, WeekendsAreDaysOneAndSeven) {
  // A week that starts on a Saturday: Saturday and Sunday, five weekdays, then
  // the weekend again.
  const int fromSaturday[] = {2, 2, 1, 1, 1, 1, 1, 2, 2, 1};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(runoff::dayType(7, i), fromSaturday[i]) << i;
  for (int i = 0; i < 10; ++i) EXPECT_EQ(runoff::dayType(0, i), 1) << "no start date, day " << i;
}

// Five weekdays and two weekend days of every built-in curve average exactly
// the average daily flow, whatever the step the curve is brought to, and the
// printed peak of an hourly curve at steps within the hour is its largest hour.
TEST(DwfWwfRules, BuiltInCurvesHoldTheAverageWeekAtEveryStep) {
  const float largest[] = {1.70f, 2.15f, 1.65f};
  for (int n = 1; n <= 3; ++n) {
    const runoff::DailyCurve* c = runoff::builtInCurve(n);
    ASSERT_NE(c, nullptr);
    for (float dt : {5.0f, 15.0f, 45.0f, 120.0f, 1440.0f, 2880.0f}) {
      const runoff::StepCurve s = runoff::resampleCurve(*c, dt);
      const double wd = std::accumulate(s.values[0].begin(), s.values[0].end(), 0.0) / s.values[0].size();
      const double we = std::accumulate(s.values[1].begin(), s.values[1].end(), 0.0) / s.values[1].size();
      EXPECT_NEAR((5.0 * wd + 2.0 * we) / 7.0, 1.0, 1e-6) << "curve " << n << " dt " << dt;
      if (std::fmod(60.0f, dt) == 0.0f) { // steps within the hour
        EXPECT_FLOAT_EQ(s.peak(), largest[n - 1]) << n;
      }
    }
  }
  EXPECT_EQ(runoff::builtInCurve(4), nullptr);
}

TEST(DwfWwfRules, CurveFileLayout) {
  const std::vector<std::string> good = {"# two-hour factors",
                                         "",
                                         "CURVE 4 STEP 120",
                                         "WEEKDAY",
                                         "0.5 0.5 1 1 1.5 1.5",
                                         "1.5,1.5 1 1 0.5 0.5",
                                         "weekend",
                                         "1 1 1 1 1 1 1 1 1 1 1 1",
                                         "curve 5 step 1440",
                                         "WEEKDAY",
                                         "1.2",
                                         "WEEKEND",
                                         "0.5"};
  const struct {
    std::vector<std::string> lines;
    int number;
    CurveLookup::Status status;
    std::string problem;
  } cases[] = {
      {good, 4, CurveLookup::Status::Found, ""},
      {good, 5, CurveLookup::Status::Found, ""},
      {good, 3, CurveLookup::Status::Missing, ""},
      {{"CURVE 4 STEP 720", "WEEKDAY", "1 1", "WEEKEND", "1"}, 4, CurveLookup::Status::Malformed, "curve 4 needs 2"},
      {{"CURVE 4 STEP 700"}, 4, CurveLookup::Status::Malformed, "line 1: expected CURVE"},
      {{"CURVE 4 STEP 1440", "WEEKDAY", "1.x"}, 4, CurveLookup::Status::Malformed, "line 3: \"1.x\""},
      {{"CURVE 4 STEP 1440", "WEEKDAY", "-1"}, 4, CurveLookup::Status::Malformed, "line 3: \"-1\""},
      {{"1.0"}, 4, CurveLookup::Status::Malformed, "line 1: values before"},
      {{"# " + std::string(140, 'x')}, 4, CurveLookup::Status::Malformed, "line 1: longer than 132"},
  };
  for (const auto& c : cases) {
    const CurveLookup r = runoff::findCurveInFile(c.lines, c.number);
    EXPECT_EQ(r.status, c.status) << c.problem;
    EXPECT_EQ(r.problem.rfind(c.problem, 0), 0u) << r.problem;
  }
  const CurveLookup four = runoff::findCurveInFile(good, 4);
  const runoff::StepCurve s = runoff::resampleCurve(four.curve, 60.0f);
  ASSERT_EQ(s.values[0].size(), 24u);
  EXPECT_FLOAT_EQ(s.values[0][0], 0.5f);
  EXPECT_FLOAT_EQ(s.values[0][9], 1.5f); // 9:00 to 10:00 lies in the fifth two-hour value
  EXPECT_FLOAT_EQ(s.peak(), 1.5f);
  const runoff::StepCurve daily = runoff::resampleCurve(four.curve, 1440.0f);
  EXPECT_FLOAT_EQ(daily.values[0][0], 1.0f);
}

// A constant dry-weather flow gives the volume of its daily flows, whatever the
// step; the curves give seven average days over a week.
TEST(DwfWwfRules, DailyVolumesAreKept) {
  for (float dt : {5.0f, 15.0f, 60.0f, 1440.0f}) {
    runoff::DryWeatherInput in;
    in.dtMinutes = dt;
    in.ndays = 3;
    in.residential = 1.5f;
    in.commercial = 0.25f;
    in.groundwater = 0.2f;
    const runoff::DryWeatherFlow f = runoff::computeDryWeatherFlow(in);
    EXPECT_EQ(f.npts, static_cast<int>(3 * 1440 / dt));
    EXPECT_NEAR(f.sum * dt / 60.0f, 1.95f * 72.0f, 1.95f * 72.0f * 1e-5f) << dt;
    EXPECT_FLOAT_EQ(f.peak, 1.95f);
    EXPECT_FLOAT_EQ(f.peakTime, 0.0f); // the earliest of equal highest ordinates
  }
  for (int n = 1; n <= 3; ++n) {
    const runoff::StepCurve c = runoff::resampleCurve(*runoff::builtInCurve(n), 15.0f);
    runoff::DryWeatherInput in;
    in.dtMinutes = 15.0f;
    in.ndays = 14;
    in.tzero = 9.25;
    in.startDay = 4;
    in.resCurve = &c;
    in.resScale = 2.0f;
    const runoff::DryWeatherFlow f = runoff::computeDryWeatherFlow(in);
    EXPECT_NEAR(f.sum * 0.25f, 2.0f * 14.0f * 24.0f, 2.0f * 14.0f * 24.0f * 1e-5f) << "curve " << n;
  }
}

// The curves follow the clock and the calendar: a run that starts at 06:00 on
// a Saturday takes the weekend value of 06:00 first, and Monday's 10:00 the
// weekday value.
TEST(DwfWwfRules, CurvesFollowTheClockFromSaturday) {
  const runoff::DailyCurve& c = *runoff::builtInCurve(1);
  const runoff::StepCurve s = runoff::resampleCurve(c, 60.0f);
  runoff::DryWeatherInput in;
  in.dtMinutes = 60.0f;
  in.ndays = 3;
  in.tzero = 6.0;
  in.startDay = 7;
  in.resCurve = &s;
  in.resScale = 1.0f;
  const runoff::DryWeatherFlow f = runoff::computeDryWeatherFlow(in);
  ASSERT_EQ(f.npts, 72);
  EXPECT_FLOAT_EQ(f.q[1], c.weekend[6]);       // Saturday 06:00
  EXPECT_FLOAT_EQ(f.q[1 + 24], c.weekend[6]);  // Sunday 06:00
  EXPECT_FLOAT_EQ(f.q[1 + 52], c.weekday[10]); // Monday 10:00
  EXPECT_FLOAT_EQ(f.peak, 1.70f);              // Saturday 10:00, four hours in
  EXPECT_FLOAT_EQ(f.peakTime, 4.0f);
}

TEST(DwfWwfRules, WetPartsJoinTheGrid) {
  const std::vector<float> part = {0.0f, 0.0f, 3.0f, 6.0f, 3.0f, 0.0f}; // 1-based, 10-minute steps
  const struct {
    float gridDt;
    std::vector<float> want;
  } cases[] = {
      {10.0f / 60.0f, {0.0f, 1.0f, 4.0f, 7.0f, 3.0f, 0.0f}}, // same step: added ordinate by ordinate
      {15.0f / 60.0f, {0.0f, 1.0f, 5.5f, 4.0f}},             // on a 15-minute grid: interpolated at 0, 15, 30
  };
  for (const auto& c : cases) {
    std::vector<float> q = {0.0f, 1.0f, 1.0f, 1.0f};
    runoff::addOnGrid(q, part, 5, 10.0f / 60.0f, c.gridDt);
    EXPECT_EQ(q, c.want) << c.gridDt;
  }
}

} // namespace

namespace {

using runofftest::Harness;

// The command with its values in order (the names before the brackets are
// comments to the reader).
std::string dwfCommand(const std::string& dt, const std::string& ndays, const std::string& res, const std::string& com,
                       const std::string& gw, const std::string& wet) {
  return "COMPUTE DWF+WWF     ID=[1], NHYD=[1], DT=[" + dt + "], AREA=[100], NDAYS=[" + ndays + "], " + res + ", " +
         com + ", " + gw + ", " + wet;
}
const std::string kNoRes = "POP=[0], ADFp=[0], PKFp=[0]";
const std::string kNoCom = "XAcom=[0], ADFa=[0], PKFa=[0]";
const std::string kNoGw = "XAgwf=[0], ADFg=[0], GWF=[0]";
const std::string kNoWet = "C_DCON=[0], AVGLEN=[0], C_WEEP=[0], K_WEEP=[0], C_SLOW=[0], K_SLWi=[0], K_SLWii=[0]";

bool logged(const Harness& h, int number) {
  const run::MessageText* m = run::findMessage(number);
  return m && support::contains(h.log.lines, std::string(m->lines[0]));
}

// Each check ends the command before the simulation with its message.
TEST(DwfWwfCommand, ChecksEndTheCommandWithTheirMessage) {
  const struct {
    std::string res, com, gw, ndays;
    int message;
  } cases[] = {
      {"POP=[100], ADFp=[0], PKFp=[0]", kNoCom, kNoGw, "1", 450},
      {kNoRes, "XAcom=[0.2], ADFa=[0], PKFa=[1]", kNoGw, "1", 451},
      {kNoRes, kNoCom, "XAgwf=[0.2], ADFg=[0], GWF=[1]", "1", 452},
      {"POP=[100], ADFp=[50], PKFp=[-12]", kNoCom, kNoGw, "1", 453},
      {kNoRes, "XAcom=[0.2], ADFa=[100], PKFa=[-11]", kNoGw, "1", 454},
      {kNoRes, "XAcom=[1.5], ADFa=[100], PKFa=[1]", kNoGw, "1", 455},
      {kNoRes, kNoCom, "XAgwf=[1.2], ADFg=[100], GWF=[1]", "1", 456},
      {kNoRes, kNoCom, kNoGw, "0", 460},
      {"POP=[100], ADFp=[50], PKFp=[-61]", kNoCom, kNoGw, "1", 461},
      {kNoRes, "XAcom=[0.2], ADFa=[100], PKFa=[-72]", kNoGw, "1", 462},
      {"POP=[100], ADFp=[50], PKFp=[-41]", kNoCom, kNoGw, "1", 463},
  };
  for (const auto& c : cases) {
    Harness h;
    h.run(dwfCommand("15", c.ndays, c.res, c.com, c.gw, kNoWet));
    EXPECT_TRUE(logged(h, c.message)) << c.message;
    EXPECT_EQ(h.ctx.run.severity, run::Severity::Error) << c.message;
    EXPECT_EQ(h.ctx.store[1].NPTS, 0) << c.message;
    EXPECT_TRUE(h.summary.lines.empty()) << c.message;
  }
}

// Curves 4 and 5 come from D_V_DWF.DAT in the project directory; a missing
// file or curve names the file that was read.
TEST(DwfWwfCommand, CurveFileNamesTheFileItRead) {
  support::TempDir dir(support::scratchRoot() / ("kdwcurve" + std::to_string(::getpid())));
  const std::string path = dir.prefix() + "D_V_DWF.DAT";
  const std::string five = "CURVE 5 STEP 720\nWEEKDAY\n0.5 1.5\nWEEKEND\n1 1\n";
  const struct {
    std::string file; // empty: no file
    std::string code;
    int message;
  } cases[] = {{"", "-41", 970}, {five, "-41", 464}, {"CURVE 4 STEP 720\n1 1\n", "-41", 970}, {five, "-51", 0}};
  for (const auto& c : cases) {
    std::filesystem::remove(path);
    if (!c.file.empty()) support::writeFile(path, c.file);
    Harness h;
    h.ctx.dirs.project = dir.prefix();
    h.ctx.time.startDate = 20240305; // a Tuesday
    h.run(dwfCommand("60", "1", "POP=[1000], ADFp=[100], PKFp=[" + c.code + "]", kNoCom, kNoGw, kNoWet));
    if (c.message == 0) {
      ASSERT_EQ(h.ctx.store[1].NPTS, 24);
      const float scale = 1000.0f * (100.0f / 538185.6f);
      EXPECT_FLOAT_EQ(h.ctx.store[1].Q[1], 0.5f * scale);
      EXPECT_FLOAT_EQ(h.ctx.store[1].Q[13], 1.5f * scale);
      EXPECT_TRUE(support::contains(h.out(), "Actual Peak Flow Factor from variable DWF curve=    1.500"));
      continue;
    }
    EXPECT_TRUE(logged(h, c.message)) << c.message;
    EXPECT_TRUE(support::containsWrapped(h.log.lines, path)) << c.message;
    EXPECT_EQ(h.ctx.run.severity, run::Severity::Error);
  }
}

// Wet weather: slow infiltration through a Nash cascade holds C_SLOW of the
// storm's depth over the area, and the volume lines add up: total = dry-weather
// + rainfall-induced. The direct connections and weeping tiles add flow too.
TEST(DwfWwfCommand, WetWeatherVolumesAddUp) {
  const std::string area = " (ratio), total contributing area       (ac)=";
  const struct {
    std::string wet;
    float slowShare;                // expected rainfall-induced depth as a share of the storm, or -1: only above 0
    std::vector<std::string> block; // the parameter lines of the wet-weather parts
  } cases[] = {
      {"C_DCON=[0], AVGLEN=[0], C_WEEP=[0], K_WEEP=[0], C_SLOW=[0.1], K_SLWi=[2], K_SLWii=[0.01]",
       0.1f,
       {"    C_SLOW=.100" + area + "    10.00",
        "    K_SLWi=  2.0 (hrs), K_SLWii=.0100 (hrs/TArea),  Tp(hrs)=     3.00"}},
      {"C_DCON=[0.05], AVGLEN=[30], C_WEEP=[0.1], K_WEEP=[1], C_SLOW=[0], K_SLWi=[0], K_SLWii=[0]",
       -1.0f,
       {"    C_DCON=.050" + area + "     5.00", "    AVGLEN= average length for direct connections      (ft)=    30.00",
        "    ---- Weeping tile connections -----------------------------------", "    C_WEEP=.100" + area + "    10.00",
        "    K_WEEP= base response time for weeping tiles      (hrs)=     1.00"}},
  };
  for (const auto& c : cases) {
    Harness h;
    h.storm(1.0f / 12.0f, std::vector<float>(24, 1.0f)); // two hours at 1 in/hr: 2 inches
    h.run(dwfCommand("5", "2", "POP=[1000], ADFp=[80], PKFp=[1.5]", kNoCom, "XAgwf=[0.3], ADFg=[600], GWF=[1]", c.wet));
    ASSERT_NE(h.ctx.run.severity, run::Severity::Error) << c.wet;
    EXPECT_EQ(runofftest::from(h.out(), c.block[0], c.block.size()), c.block);
    const model::Hydrograph& dwf = h.ctx.store[0];
    const model::Hydrograph& all = h.ctx.store[1];
    const float wetDepth = all.RV - dwf.RV; // inches over the 100 acres
    if (c.slowShare > 0.0f) {
      EXPECT_NEAR(wetDepth, c.slowShare * h.ctx.storm.PTOT, 0.002f * c.slowShare * h.ctx.storm.PTOT);
    } else {
      EXPECT_GT(wetDepth, 0.01f);
    }
    EXPECT_EQ(dwf.HYDNAME, "DWF       ");
    EXPECT_EQ(all.NPTS, 576);
    const auto vol = [&](const std::string& label) {
      const auto lines = runofftest::from(h.out(), "    " + label, 1);
      return lines.empty() ? -1.0f : std::stof(lines[0].substr(lines[0].rfind('=') + 1));
    };
    const float acreFeet = 100.0f / 12.0f;
    EXPECT_NEAR(vol("Total flow volume simulated"), all.RV * acreFeet, 0.002f);
    EXPECT_NEAR(vol("Volume of rainfall induced flow"), wetDepth * acreFeet, 0.002f);
    EXPECT_NEAR(vol("Total rainfall volume"), h.ctx.storm.PTOT * acreFeet, 0.001f);
  }
}

} // namespace

// The wet-weather parts report their own messages, as the urban and Nash
// runoff commands do, and the command still stores its hydrograph: direct
// connections above TIMP's 0.5 are cut to it with an error (the part counts);
// a slow-infiltration time to peak of 0 drops that part with an error.
TEST(DwfWwfCommand, WetPartsReportTheirOwnMessages) {
  const struct {
    std::string wet;
    int message;
    bool wetFlow; // some rainfall-induced flow remains
  } cases[] = {
      {"C_DCON=[0.7], AVGLEN=[30], C_WEEP=[0], K_WEEP=[0], C_SLOW=[0], K_SLWi=[0], K_SLWii=[0]",
       msg::kStandhydXimpAboveTimp, true},
      {"C_DCON=[0], AVGLEN=[0], C_WEEP=[0], K_WEEP=[0], C_SLOW=[0.1], K_SLWi=[0], K_SLWii=[0]",
       msg::kNashydTpNotPositive, false},
  };
  for (const auto& c : cases) {
    Harness h;
    h.storm(1.0f / 12.0f, std::vector<float>(24, 1.0f));
    h.run(dwfCommand("5", "1", kNoRes, kNoCom, "XAgwf=[0.3], ADFg=[600], GWF=[1]", c.wet));
    EXPECT_TRUE(logged(h, c.message)) << c.wet;
    EXPECT_EQ(h.ctx.run.severity, run::Severity::Error) << c.wet;
    const float wetDepth = h.ctx.store[1].RV - h.ctx.store[0].RV;
    EXPECT_EQ(wetDepth > 0.01f, c.wetFlow) << c.wet;
    EXPECT_EQ(h.ctx.store[0].HYDNAME, "DWF       ") << c.wet;
  }
}
