// COMPUTE API: the series, its statistics and the rejected values.
#include "rain/antecedent_index.h"

#include <cmath>

#include "rain/rain_fixture.h"

namespace rain {
namespace {

class ComputeApiTest : public testing::RainTest {};

TEST_F(ComputeApiTest, GrowingSeriesBlockAndSummary) {
  setStorm(1.0f, {0.5f, 0.5f}); // two hours of 0.5 in/hr
  params({1.0, 1.0});
  computeApi(ctx);
  ASSERT_EQ(ctx.run.severity, model::Severity::Note);
  EXPECT_EQ(ctx.api.API, (std::vector<float>{1.0f, 1.5f, 2.0f}));
  EXPECT_FLOAT_EQ(ctx.api.dt, 1.0f);
  const std::vector<std::string> block = {
      "--------------------",
      "| COMPUTE API      |   Initial API  =   1.00 in",
      "--------------------   APIk factor  =   1.00 /day",
      "",
      "          ANTECEDENT PRECIPITATION INDEX (API) STATISTICS:",
      "               Initial  API value =    1.00 in",
      "               End date API value =    2.00 in",
      "               Maximum  API value =    2.00 in",
      "               Minimum  API value =    1.50 in",
      "               Average  API value =    1.75 in",
      "               Total precipitation=    1.00 in",
  };
  EXPECT_EQ(detailed.lines, block);
  const std::vector<std::string> sum = {
      "     COMPUTE API       ",
      "      [APIini=  1.00: APIkdy=1.0000: APIkdt=1.0000]",
      "      {APImax=  2.00: APIavg=  1.75: APImin=  1.50}",
  };
  EXPECT_EQ(summaryWindow.lines, sum);
  EXPECT_EQ(summary.lines, sum);
}

TEST_F(ComputeApiTest, SeriesCases) {
  struct Case {
    const char* what;
    float apii, apik, dt;
    std::vector<float> rain;
  };
  const std::vector<Case> cases = {
      {"APIK 1 only grows", 0.3f, 1.0f, 0.25f, {0.4f, 0.0f, 1.2f, 0.8f}},
      {"APIK 0.9 hourly", 2.0f, 0.9f, 1.0f, {0.0f, 0.1f, 0.0f, 0.3f, 0.0f}},
      {"dry storm decays", 1.0f, 0.5f, 6.0f, {0.0f, 0.0f, 0.0f, 0.0f}},
  };
  for (const Case& c : cases) {
    std::vector<float> rain{0.0f};
    rain.insert(rain.end(), c.rain.begin(), c.rain.end());
    std::vector<float> api;
    const int n = static_cast<int>(c.rain.size());
    ApiStats st = computeApiSeries(rain, n, c.dt, c.apii, c.apik, api);
    EXPECT_NEAR(st.k, std::pow(static_cast<double>(c.apik), c.dt / 24.0), 1e-6) << c.what;
    // By hand: each value is the previous one decayed plus the step's rain.
    double v = c.apii, lo = 9999.0, hi = c.apii, sum = 0.0, depth = 0.0;
    for (int i = 1; i <= n; ++i) {
      v = v * std::pow(static_cast<double>(c.apik), c.dt / 24.0) + c.rain[i - 1] * c.dt;
      depth += c.rain[i - 1] * c.dt;
      EXPECT_NEAR(api[i], v, 1e-5) << c.what << " step " << i;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      sum += v;
    }
    EXPECT_NEAR(st.last, v, 1e-5) << c.what;
    EXPECT_NEAR(st.min, lo, 1e-5) << c.what;
    EXPECT_NEAR(st.max, hi, 1e-5) << c.what;
    EXPECT_NEAR(st.sum, sum, 1e-4) << c.what;
    if (c.apik == 1.0f) {
      EXPECT_NEAR(st.last, c.apii + depth, 1e-5) << c.what;
    }
  }
  // A dry storm: the minimum is the last value, 1 * 0.5^(4 * 6 / 24) = 0.5.
  std::vector<float> api;
  ApiStats dry = computeApiSeries({0, 0, 0, 0, 0}, 4, 6.0f, 1.0f, 0.5f, api);
  EXPECT_FLOAT_EQ(dry.min, dry.last);
  EXPECT_NEAR(dry.last, 0.5f, 1e-6);
}

TEST_F(ComputeApiTest, MetricUnits) {
  setUnits(2, 2);
  setStorm(1.0f, {0.0f, 1.0f});
  params({-25.4, 1.0}); // the sign of APII is ignored
  computeApi(ctx);
  EXPECT_FLOAT_EQ(ctx.api.API[0], 1.0f);
  EXPECT_EQ(detailed.lines[1], "| COMPUTE API      |   Initial API  =  25.40 mm");
  EXPECT_EQ(detailed.lines[6], "               End date API value =   50.80 mm");
}

TEST_F(ComputeApiTest, RejectedValuesLeaveNoSeries) {
  struct Case {
    double apii, apik;
    bool storm;
    const char* message;
  };
  const std::vector<Case> cases = {
      {1.0, 0.0, true, "**** ERROR: Invalid APII or APIK values."},
      {1.0, 1.5, true, "**** ERROR: Invalid APII or APIK values."},
      {1.0, 0.9, false, "**** ERROR: No rainfall to analyze! Simulation ended."},
  };
  for (const Case& c : cases) {
    nextCommand();
    ctx.storm = model::Storm{};
    if (c.storm) setStorm(1.0f, {0.1f});
    ctx.api.dt = 1.0f; // a series from an earlier command
    params({c.apii, c.apik});
    computeApi(ctx);
    EXPECT_EQ(ctx.run.severity, model::Severity::Error) << c.message;
    EXPECT_TRUE(warned(c.message)) << c.message;
    EXPECT_FLOAT_EQ(ctx.api.dt, 0.0f) << c.message;
    EXPECT_TRUE(detailed.lines.size() <= 2u) << c.message; // the message lines only
  }
}

} // namespace
} // namespace rain
