// CHICAGO STORM: the construction around the peak, the fitted curve, the
// detailed and summary output and the rejected parameter sets.
#include "rain/chicago.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "rain/rain_fixture.h"
#include "rain/read_storm.h"

namespace rain {
namespace {

using testing::pad;

class ChicagoTest : public testing::RainTest {};

float I(float A, float B, float C, float t) { return A / std::pow(t + B, C); }

// A = 1000, B = 10, C = 0.8, 3 hours, R = 0.4, 10 minutes: 18 steps, peak at
// step 7 (180 * 0.4 / 10 = 7.2). The depth before the peak (steps 1..6 and
// 0.4 of step 7) is a * I(a / R) with a = 6.4 steps = 64 minutes; after it
// (0.6 of step 7 and steps 8..18) b * I(b / 0.6) with b = 11.6 steps = 116 minutes.
TEST_F(ChicagoTest, EighteenStepStormAroundItsPeak) {
  ChicagoBuild b = buildChicago({1000.0f, 10.0f, 0.8f, 0.0f}, 3.0f, 0.4f, 10.0f);
  ASSERT_EQ(b.errorNumber, 0);
  EXPECT_EQ(b.steps, 18);
  EXPECT_EQ(b.peak, 7);
  EXPECT_EQ(b.TD, 180);
  EXPECT_NEAR(b.rain[7], 1000.0f / std::pow(20.0f, 0.8f), 1e-3);
  // The peak is the largest step; intensities fall away on both sides.
  for (int k = 1; k < 7; ++k) EXPECT_LT(b.rain[k], b.rain[k + 1]) << k;
  for (int k = 7; k < 18; ++k) EXPECT_GT(b.rain[k], b.rain[k + 1]) << k;
  double before = 0.4 * b.rain[7] * 10.0, after = 0.6 * b.rain[7] * 10.0;
  for (int k = 1; k <= 6; ++k) before += b.rain[k] * 10.0;
  for (int k = 8; k <= 18; ++k) after += b.rain[k] * 10.0;
  EXPECT_NEAR(before, 64.0 * I(1000, 10, 0.8f, 64.0f / 0.4f), 0.05);  // 1051.53
  EXPECT_NEAR(after, 116.0 * I(1000, 10, 0.8f, 116.0f / 0.6f), 0.05); // 1651.55

  // The same step typed in hours gives the same hyetograph.
  ChicagoBuild h = buildChicago({1000.0f, 10.0f, 0.8f, 0.0f}, 3.0f, 0.4f, 0.1666667f);
  ASSERT_EQ(h.steps, 18);
  EXPECT_EQ(h.peak, 7);
  for (int k = 1; k <= 18; ++k) EXPECT_NEAR(h.rain[k], b.rain[k], 2e-3 * b.rain[k]) << k;
}

TEST_F(ChicagoTest, GivenCurveBlockAndSummary) {
  params({1, 3, 0.4, 10, 1, 1000, 10, 0.8});
  chicagoStorm(ctx);
  ASSERT_EQ(ctx.run.severity, model::Severity::Note);
  const std::vector<std::string> head = {
      "--------------------",
      "| CHICAGO STORM    |    IDF curve parameters: A=1000.000",
      "| Ptotal= 45.05 in |                          B=  10.000",
      "--------------------                          C=   0.800",
      "                        used in:   INTENSITY =  A / (t + B)^C",
      "",
      "                        Duration of storm  =  3.00 hrs",
      "                        Storm time step    = 10.00 min",
      "                        Time to peak ratio =  0.40",
      "",
      "           "
      "   TIME    RAIN |   TIME    RAIN |   TIME    RAIN |   TIME    RAIN",
  };
  ASSERT_GE(detailed.lines.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(detailed.lines.begin(), detailed.lines.begin() + head.size()), head);
  // 18 steps in 5 rows; the fourth column holds steps 16 to 18 only.
  EXPECT_EQ(detailed.lines.size(), head.size() + 1 + 5 + 1);
  const std::vector<std::string> sum = {
      "     CHICAGO STORM     ",
      "      [SDT=10.00:SDUR=   3.00:PTOT=  45.05]",
      "      [A/B/C=1000.000/  10.000/   0.800]",
  };
  EXPECT_EQ(summary.lines, sum);
  EXPECT_EQ(summaryWindow.lines, sum);
  EXPECT_EQ(ctx.storm.NSTEP, 18);
  EXPECT_EQ(ctx.storm.title, pad("CHICAGO STORM", 90));
  EXPECT_FLOAT_EQ(ctx.cmd.PARAM[9], 0.0f);
}

// A negative step writes DERIVED.STM, which READ STORM reads back as the same storm.
TEST_F(ChicagoTest, NegativeStepWritesDerivedStorm) {
  params({1, 3, 0.4, -10, 1, 1000, 10, 0.8});
  chicagoStorm(ctx);
  const model::Storm built = ctx.storm;
  ASSERT_TRUE(std::filesystem::exists(dir / "DERIVED.STM"));
  nextCommand();
  params({0});
  quoted("DERIVED.STM");
  readStorm(ctx);
  ASSERT_EQ(ctx.storm.NSTEP, 18);
  EXPECT_NEAR(ctx.storm.SDT, built.SDT, 1e-6);
  // Printed with five decimals: half a unit of the last digit plus the float spacing near 91.
  for (int i = 1; i <= 18; ++i) EXPECT_NEAR(ctx.storm.RAIN[i], built.RAIN[i], 1.5e-5) << i;
  EXPECT_EQ(ctx.storm.title.substr(0, 13), "CHICAGO STORM");
}

// Points lying on a curve with B = 1.5 are fitted in the first pass.
TEST_F(ChicagoTest, FitFindsTheCurveThroughItsPoints) {
  std::vector<IdfPair> table;
  for (float t : {5.0f, 10.0f, 30.0f, 60.0f, 120.0f}) table.push_back({t, I(100.0f, 1.5f, 0.7f, t)});
  IdfFit fit = fitIdfCurve(table);
  ASSERT_TRUE(fit.error.empty()) << fit.error;
  EXPECT_EQ(fit.passes, 1);
  EXPECT_FLOAT_EQ(fit.curve.B, 1.5f);
  EXPECT_NEAR(fit.curve.A, 100.0f, 0.0015f);
  EXPECT_NEAR(fit.curve.C, 0.7f, 0.0015f);
  EXPECT_GT(fit.curve.r, 0.9999f);
  // Rounded to three decimals.
  EXPECT_FLOAT_EQ(fit.curve.A * 1000.0f, std::round(fit.curve.A * 1000.0f));
}

// Exact points are fitted exactly, whatever the curve: the first trial (B =
// 1.5) wins, A, B and C come back to three decimals and r never exceeds 1.
TEST_F(ChicagoTest, ExactPointsGiveTheirCurveInTheFirstTrial) {
  struct Curve {
    float A, C;
    std::vector<float> durations;
  };
  const Curve curves[] = {
      {160.0f, 0.5f, {5, 10, 30, 60}}, {100.0f, 0.7f, {5, 10, 30, 60, 120}}, {2500.0f, 0.95f, {10, 20, 60, 360, 1440}}};
  for (const Curve& c : curves) {
    SCOPED_TRACE(c.A);
    std::vector<IdfPair> table;
    for (float t : c.durations) table.push_back({t, I(c.A, 1.5f, c.C, t)});
    const IdfFit fit = fitIdfCurve(table);
    ASSERT_TRUE(fit.error.empty()) << fit.error;
    EXPECT_EQ(fit.passes, 1);
    EXPECT_FLOAT_EQ(fit.curve.B, 1.5f);
    EXPECT_NEAR(fit.curve.A, c.A, 0.0011f * c.A / 100.0f);
    EXPECT_NEAR(fit.curve.C, c.C, 0.0011f);
    EXPECT_LE(fit.curve.r, 1.0f);
    EXPECT_GT(fit.curve.r, 0.9999f);
  }
}

// Points on a curve with another B: the search moves B there.
TEST_F(ChicagoTest, FitSearchesForB) {
  std::vector<IdfPair> table;
  for (float t : {5.0f, 10.0f, 15.0f, 30.0f, 60.0f, 120.0f}) table.push_back({t, I(1500.0f, 8.0f, 0.85f, t)});
  IdfFit fit = fitIdfCurve(table);
  ASSERT_TRUE(fit.error.empty()) << fit.error;
  EXPECT_NEAR(fit.curve.B, 8.0f, 0.5f);
  EXPECT_NEAR(fit.curve.C, 0.85f, 0.02f);
  EXPECT_GT(fit.curve.r, 0.999f);
}

TEST_F(ChicagoTest, FittedTableInTheOutputUnits) {
  // Imperial table, imperial output: entered and computed side by side.
  params({1, 2, 0.5, 10, 2, 5, 4.5, 10, 3.6, 30, 2.2, 60, 1.4, -1});
  chicagoStorm(ctx);
  ASSERT_LT(ctx.run.severity, model::Severity::Error);
  int at = find(detailed, "                     TIME        ENTERED             COMPUTED");
  ASSERT_GT(at, 0);
  EXPECT_EQ(detailed.lines[at - 2].substr(0, 54), "                    The CORRELATION coefficient is =0.");
  EXPECT_EQ(detailed.lines[at - 1], " ");
  EXPECT_EQ(detailed.lines[at + 1], "                    (min)        (in/hr)              (in/hr)");
  EXPECT_EQ(detailed.lines[at + 2].substr(0, 40), "                       5.           4.50");
  EXPECT_EQ(detailed.lines[at + 5].substr(0, 40), "                      60.           1.40");
  EXPECT_EQ(detailed.lines[at + 6], " ");
  EXPECT_EQ(summary.lines[2].substr(0, 13), "      {A/B/C=");
  EXPECT_NE(ctx.cmd.PARAM[9], 0.0f);
}

TEST_F(ChicagoTest, FittedTableConvertedBetweenUnits) {
  // Metric table, imperial output: both units, 25.4 between them.
  params({2, 2, 0.5, 10, 2, 5, 127.0, 10, 101.6, 30, 63.5, 60, 38.1, -1});
  chicagoStorm(ctx);
  ASSERT_LT(ctx.run.severity, model::Severity::Error);
  int at = find(detailed, "                    IDF parameters ( A , B , C ) are in METRIC units");
  ASSERT_GT(at, 0);
  EXPECT_EQ(detailed.lines[at + 1], " ");
  EXPECT_EQ(detailed.lines[at + 2], "                     TIME        ENTERED             COMPUTED");
  EXPECT_EQ(detailed.lines[at + 3], "                    (min)   (mm/hr)  (in/hr)     (mm/hr)  (in/hr)");
  EXPECT_EQ(detailed.lines[at + 4].substr(0, 43), "                       5.   127.00     5.00");
  EXPECT_EQ(detailed.lines[at + 7].substr(0, 43), "                      60.    38.10     1.50");
  // The storm itself is held in inches per hour.
  EXPECT_LT(ctx.storm.RAIN[6], 10.0f);
}

TEST_F(ChicagoTest, TooManyStepsAreCutWithAWarning) {
  // 4000 hours of 2-minute steps would be 120000 steps.
  params({1, 4000, 0.5, 2, 1, 1000, 10, 0.8});
  chicagoStorm(ctx);
  EXPECT_EQ(ctx.run.severity, model::Severity::Warning);
  EXPECT_TRUE(warned("*** WARNING: No. of time steps exceeds the max. allowed."));
  EXPECT_EQ(ctx.storm.NSTEP, 105408);
  EXPECT_FLOAT_EQ(ctx.storm.SDT, 2.0f / 60.0f);
}

// Values that leave the construction undefined: an error and the storm unchanged.
TEST_F(ChicagoTest, UndefinedConstructionsAreRejected) {
  struct Case {
    const char* what;
    std::vector<double> values;
    const char* message;
  };
  std::vector<double> many{1, 2, 0.5, 10, 2};
  for (int k = 1; k <= 21; ++k) {
    many.push_back(5.0 * k);
    many.push_back(100.0 / k);
  }
  many.push_back(-1);
  const std::vector<Case> cases = {
      {"R of 0", {1, 2, 0, 10, 1, 100, 10, 0.8}, "the peak falls before step 1"},
      {"R above 1", {1, 2, 1.5, 10, 1, 100, 10, 0.8}, "R must lie from 0 to 1"},
      {"peak step 0", {1, 2, 0.03, 10, 1, 100, 10, 0.8}, "the peak falls before step 1"},
      {"time step 0", {1, 2, 0.5, 0, 1, 100, 10, 0.8}, "time step must be above 0"},
      {"zero intensity", {1, 2, 0.5, 10, 2, 5, 4, 10, 0, 30, 2, -1}, "the IDF curve is undefined"},
      {"no pairs", {1, 2, 0.5, 10, 2, -1}, "the IDF curve is undefined"},
      {"one pair", {1, 2, 0.5, 10, 2, 5, 4, -1}, "the IDF curve is undefined"},
      {"21 pairs", many, "more than 20 IDF table pairs"},
  };
  for (const Case& c : cases) {
    nextCommand();
    setStorm(0.25f, {1.0f, 2.0f, 3.0f});
    params({});
    for (std::size_t k = 0; k < c.values.size(); ++k) ctx.cmd.PARAM[k + 1] = static_cast<float>(c.values[k]);
    chicagoStorm(ctx);
    EXPECT_EQ(ctx.run.severity, model::Severity::Error) << c.what;
    EXPECT_TRUE(warned(c.message)) << c.what;
    EXPECT_EQ(ctx.storm.NSTEP, 3) << c.what;
    EXPECT_FLOAT_EQ(ctx.storm.SDT, 0.25f) << c.what;
    EXPECT_EQ(summary.lines, std::vector<std::string>{"  ** CHICAGO STORM     "}) << c.what;
  }
}

// An independent check of the construction. The curve's depth over a window
// of t minutes is t * I(t); spreading it R before and 1 - R after the peak,
// the instantaneous intensity at a distance s from the peak is
// A((1 - C)u + B) / (u + B)^(1 + C), with u = s / R before the peak and
// u = s / (1 - R) after it. Each step is that curve integrated over the step
// (Simpson's rule, in double precision) divided by the step.
double instantaneous(double A, double B, double C, double u) {
  return A * ((1.0 - C) * u + B) / std::pow(u + B, 1.0 + C);
}

double stepAverage(double A, double B, double C, double R, double peak, double from, double to) {
  auto i = [&](double t) {
    return t < peak ? instantaneous(A, B, C, (peak - t) / R) : instantaneous(A, B, C, (t - peak) / (1.0 - R));
  };
  // Integrate each side of the peak on its own: the curve has a corner there.
  auto simpson = [&](double a, double b) {
    if (b <= a) return 0.0;
    const int n = 2000;
    const double h = (b - a) / n;
    double sum = i(a) + i(b);
    for (int k = 1; k < n; ++k) sum += (k % 2 ? 4.0 : 2.0) * i(a + k * h);
    return sum * h / 3.0;
  };
  const double mid = std::clamp(peak, from, to);
  return (simpson(from, mid) + simpson(mid, to)) / (to - from);
}

TEST_F(ChicagoTest, StepsFollowTheContinuousHyetograph) {
  struct Case {
    float A, B, C, hours, R, step;
  };
  const std::vector<Case> cases = {
      {1000, 10, 0.8f, 3, 0.4f, 10}, {40, 8, 0.75f, 2, 0.4f, 10},  {2000, 15, 0.9f, 6, 0.35f, 5},
      {500, 5, 0.7f, 1, 0.5f, 5},    {120, 3, 1.0f, 4, 0.25f, 15}, {750, 12, 0.85f, 1.5f, 0.6f, 0.25f},
  };
  for (const Case& c : cases) {
    const ChicagoBuild b = buildChicago({c.A, c.B, c.C, 0.0f}, c.hours, c.R, c.step);
    ASSERT_EQ(b.errorNumber, 0);
    const double dt = c.step <= 1.0f ? c.step * 60.0 : c.step;
    const int steps = static_cast<int>(c.hours * 60.0 / dt + 0.5);
    ASSERT_EQ(b.steps, steps) << c.A;
    const int p = b.peak;
    EXPECT_EQ(p, static_cast<int>(c.hours * 60.0 * c.R / dt + 0.5)) << c.A;
    const double peak = (p - 1 + static_cast<double>(c.R)) * dt;
    double total = 0.0;
    for (int k = 1; k <= steps; ++k) {
      const double want = stepAverage(c.A, c.B, c.C, c.R, peak, (k - 1) * dt, k * dt);
      // Each step is a difference of two cumulative depths taken in single
      // precision: allow a few units of their last place, over the step.
      const double edge = k < p ? peak - (k - 1) * dt : k * dt - peak;
      const double side = k < p ? edge * I(c.A, c.B, c.C, static_cast<float>(edge / c.R))
                                : edge * I(c.A, c.B, c.C, static_cast<float>(edge / (1.0 - c.R)));
      EXPECT_NEAR(b.rain[k], want, 2e-5 * want + 5e-7 * side / dt) << "A=" << c.A << " step " << k;
      total += b.rain[k] * dt;
    }
    // The whole storm holds the depth before and after the peak that the curve gives.
    const double a = peak, after = steps * dt - peak;
    const double depth = a * I(c.A, c.B, c.C, static_cast<float>(a / c.R)) +
                         after * I(c.A, c.B, c.C, static_cast<float>(after / (1.0 - c.R)));
    EXPECT_NEAR(total, depth, 2e-5 * depth) << c.A;
  }
}

// With R = 0.5 the peak step sits in the middle of every window of 2m + 1
// steps around it, and the window's average intensity is the curve's
// intensity for the window's duration.
TEST_F(ChicagoTest, CentredWindowsAverageTheCurve) {
  const float A = 1500, B = 9, C = 0.82f, dt = 5;
  const ChicagoBuild b = buildChicago({A, B, C, 0.0f}, 3.0f, 0.5f, dt);
  ASSERT_EQ(b.errorNumber, 0);
  ASSERT_EQ(b.steps, 36);
  const int p = b.peak; // 18.5 truncated
  ASSERT_EQ(p, 18);
  for (int m = 0; p - m >= 1 && p + m <= b.steps; ++m) {
    double depth = 0.0;
    for (int k = p - m; k <= p + m; ++k) depth += b.rain[k] * dt;
    const double t = (2 * m + 1) * dt;
    const double idf = A / std::pow(t + B, static_cast<double>(C));
    EXPECT_NEAR(depth / t, idf, 2e-5 * idf) << "window of " << 2 * m + 1 << " steps";
  }
}

// The comparison of the table with the fitted curve: the COMPUTED column is
// the rounded curve (as printed in the box) at each duration, in both unit
// cases, and a metric table with metric output shows the same values as the
// imperial table with imperial output times 25.4.
TEST_F(ChicagoTest, ComparisonColumnsFollowThePrintedCurve) {
  struct Case {
    int flag, metout;
    double factor; // table intensities: in/hr times this
  };
  const std::vector<double> T = {5, 10, 15, 30, 60, 120};
  const std::vector<double> inches = {5.2, 4.1, 3.5, 2.4, 1.5, 0.9};
  for (const Case& c : std::vector<Case>{{1, 1, 1.0}, {2, 2, 25.4}, {1, 2, 1.0}, {2, 1, 25.4}}) {
    nextCommand();
    setUnits(1, c.metout);
    std::vector<double> values{static_cast<double>(c.flag), 2, 0.5, 10, 2};
    for (std::size_t k = 0; k < T.size(); ++k) {
      values.push_back(T[k]);
      values.push_back(inches[k] * c.factor);
    }
    values.push_back(-1);
    params({});
    for (std::size_t k = 0; k < values.size(); ++k) ctx.cmd.PARAM[k + 1] = static_cast<float>(values[k]);
    chicagoStorm(ctx);
    ASSERT_LT(ctx.run.severity, model::Severity::Error);
    // The curve as printed (three decimals), read back from the box.
    // Lines 2 to 4 of the box end with "A=", "B=", "C=" and the value as F8.3.
    ASSERT_GT(detailed.lines.size(), 4u);
    auto boxValue = [&](int line, const std::string& key) {
      const std::string& l = detailed.lines[line];
      EXPECT_EQ(l.substr(l.size() - 10, 2), key) << l;
      return std::stod(l.substr(l.size() - 8));
    };
    const double A = boxValue(1, "A="), B = boxValue(2, "B="), C = boxValue(3, "C=");
    ASSERT_GT(A, 0.0);
    int at = find(detailed, "                     TIME        ENTERED             COMPUTED");
    ASSERT_GT(at, 0);
    const bool same = c.flag == c.metout;
    const double toOut = same ? 1.0 : (c.flag == 1 ? 25.4 : 1.0 / 25.4);
    for (std::size_t k = 0; k < T.size(); ++k) {
      const std::string& row = detailed.lines[at + 2 + k];
      const double fitted = A / std::pow(T[k] + B, C);
      const double entered = inches[k] * c.factor;
      // Same units: T, entered, computed. Mixed: T, entered, entered in the
      // output units, computed, computed in the output units.
      std::vector<double> want = same ? std::vector<double>{T[k], entered, fitted}
                                      : std::vector<double>{T[k], entered, entered * toOut, fitted, fitted * toOut};
      std::istringstream fields(row);
      for (double w : want) {
        double got = 0.0;
        fields >> got;
        EXPECT_NEAR(got, w, 0.0051 + 1e-4 * w) << "flag " << c.flag << " METOUT " << c.metout << ": " << row;
      }
    }
  }
}

// R of 1 puts the peak in the last step; no step lies after it, so it is valid.
TEST_F(ChicagoTest, PeakInTheLastStep) {
  ChicagoBuild b = buildChicago({100.0f, 10.0f, 0.8f, 0.0f}, 1.0f, 1.0f, 10.0f);
  ASSERT_EQ(b.errorNumber, 0);
  EXPECT_EQ(b.peak, 6);
  EXPECT_EQ(b.steps, 6);
  EXPECT_NEAR(b.rain[6], I(100, 10, 0.8f, 10), 1e-4);
}

// The step limit. In this command a time step of 1 means one hour, so 2000
// hours at step 1 are 2000 one-hour steps, far below the limit, and no
// warning. 120000 steps in 2000 hours need one-minute steps, which this
// command takes as 1/60 hour (0.0166667); they are cut to 105408 steps with
// warning 220, TD becoming 105408 minutes. 4000 hours of 2-minute steps are
// likewise 120000 steps.
TEST_F(ChicagoTest, StepLimitCases) {
  struct Case {
    const char* what;
    double hours, step;
    int steps;
    float dtMinutes;
    bool warning;
  };
  const std::vector<Case> cases = {
      {"2000 h at 1 (one hour)", 2000, 1, 2000, 60.0f, false},
      {"2000 h at 1/60 hour", 2000, 0.0166667, 105408, 1.0f, true},
      {"4000 h at 2 minutes", 4000, 2, 105408, 2.0f, true},
  };
  for (const Case& c : cases) {
    nextCommand();
    params({1, c.hours, 0.5, c.step, 1, 1000, 10, 0.8});
    chicagoStorm(ctx);
    EXPECT_EQ(static_cast<int>(ctx.run.severity), c.warning ? 1 : 0) << c.what;
    EXPECT_EQ(warned("*** WARNING: No. of time steps exceeds the max. allowed."), c.warning) << c.what;
    EXPECT_EQ(ctx.storm.NSTEP, c.steps) << c.what;
    EXPECT_NEAR(ctx.storm.SDT * 60.0f, c.dtMinutes, 1e-4) << c.what;
    // The duration printed is the one used: the cut storm lasts NSTEP steps.
    char line[64];
    std::snprintf(line, sizeof line, "      [SDT=%5.2f:SDUR=%7.2f", c.dtMinutes, c.steps * c.dtMinutes / 60.0);
    EXPECT_EQ(summary.lines.at(1).substr(0, 29), line) << c.what;
  }
}

// A negative step builds the very storm of the positive one (and writes DERIVED.STM).
TEST_F(ChicagoTest, NegativeStepBuildsTheSameStorm) {
  params({1, 3, 0.4, 10, 1, 1000, 10, 0.8});
  chicagoStorm(ctx);
  const model::Storm positive = ctx.storm;
  ASSERT_FALSE(std::filesystem::exists(dir / "DERIVED.STM"));
  nextCommand();
  params({1, 3, 0.4, -10, 1, 1000, 10, 0.8});
  chicagoStorm(ctx);
  EXPECT_TRUE(std::filesystem::exists(dir / "DERIVED.STM"));
  ASSERT_EQ(ctx.storm.NSTEP, positive.NSTEP);
  EXPECT_EQ(ctx.storm.SDT, positive.SDT);
  EXPECT_EQ(ctx.storm.PTOT, positive.PTOT);
  for (int i = 1; i <= positive.NSTEP; ++i) EXPECT_EQ(ctx.storm.RAIN[i], positive.RAIN[i]) << i;
}

} // namespace
} // namespace rain
