// The pure hydraulics of channel routing: Manning flows of a surveyed section
// against the trapezoid formulas, travel times from a rating curve, the rules
// that complete typed tables, and volume conservation through a reach.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "routing/channel.h"
#include "routing/rating_curve.h"
#include "routing/travel_time.h"

namespace {

using routing::SectionInput;

// A trapezoid: bottom 10 ft wide at elevation 0, side slopes 1:1, banks at 10 ft.
SectionInput trapezoid(float n, float slope) {
  SectionInput s;
  s.segments = {{n, 30.0f}};
  s.points = {{0.0f, 10.0f}, {10.0f, 0.0f}, {20.0f, 0.0f}, {30.0f, 10.0f}};
  s.minElevation = 0.0f;
  s.maxElevation = 10.0f;
  s.channelSlope = slope;
  s.floodplainSlope = slope;
  return s;
}

// Manning for the trapezoid by hand: A = (b + z y) y, P = b + 2 y sqrt(1 + z^2).
double manning(double y, double n, double s) {
  const double a = (10.0 + y) * y, p = 10.0 + 2.0 * y * std::sqrt(2.0);
  return 1.486 / n * std::sqrt(s) * a * std::pow(a / p, 0.66667);
}

TEST(RatingCurve, TrapezoidRowsMatchManningByHand) {
  struct Case {
    float n, slope;
  };
  for (const Case c : {Case{0.03f, 0.001f}, Case{-0.05f, 0.02f}}) {
    const routing::ComputedRatingCurve r = routing::computeRatingCurve(trapezoid(c.n, c.slope));
    EXPECT_FLOAT_EQ(r.smallestN, std::fabs(c.n));
    EXPECT_EQ(r.curve.flow[1], 0.0f);
    for (int k : {2, 5, 11, 20}) {
      const double y = 10.0 * (k - 1) / 19.0;
      SCOPED_TRACE(k);
      EXPECT_NEAR(r.curve.depth[k], y, 1e-4);
      EXPECT_NEAR(r.curve.area[k], (10.0 + y) * y, 1e-4 * (10.0 + y) * y);
      EXPECT_NEAR(r.curve.flow[k], manning(y, std::fabs(c.n), c.slope), 2e-4 * manning(y, std::fabs(c.n), c.slope));
    }
  }
}

// Main channel 0..20 ft (2 ft deep, 16 ft bottom, 1:1 banks, n 0.03) between
// floodplains 20 ft wide at elevation 2 with walls to 4 ft (n 0.08, their own
// slope): at 4 ft of water each part carries its own Manning flow.
TEST(RatingCurve, FloodplainSegmentsUseTheirOwnNAndSlope) {
  SectionInput s;
  s.segments = {{0.08f, 0.0f}, {-0.03f, 20.0f}, {0.08f, 40.0f}};
  s.points = {{-20.0f, 4.0f}, {-20.0f, 2.0f}, {0.0f, 2.0f},  {2.0f, 0.0f},
              {18.0f, 0.0f},  {20.0f, 2.0f},  {40.0f, 2.0f}, {40.0f, 4.0f}};
  s.rangeFromPoints = true;
  s.minElevation = 1.0e6f;
  s.maxElevation = 0.0f;
  s.channelSlope = 0.004f;
  s.floodplainSlope = 0.001f;
  ASSERT_EQ(routing::checkSection(s), "");
  const routing::ComputedRatingCurve r = routing::computeRatingCurve(s);
  EXPECT_FLOAT_EQ(r.minElevation, 0.0f);
  EXPECT_FLOAT_EQ(r.maxElevation, 4.0f);
  EXPECT_FLOAT_EQ(r.smallestN, 0.03f);
  const double amain = (16.0 + 20.0) / 2.0 * 2.0 + 20.0 * 2.0, pmain = 16.0 + 2.0 * std::sqrt(8.0);
  const double afp = 40.0, pfp = 20.0 + 2.0; // bottom and outer wall
  const double q = 1.486 / 0.03 * std::sqrt(0.004) * amain * std::pow(amain / pmain, 0.66667) +
                   2.0 * 1.486 / 0.08 * std::sqrt(0.001) * afp * std::pow(afp / pfp, 0.66667);
  EXPECT_NEAR(r.curve.area[20], amain + 2.0 * afp, 1e-3);
  EXPECT_NEAR(r.curve.flow[20], q, 2e-4 * q);
  EXPECT_EQ(r.pointSegments[2].first, 0);
  EXPECT_EQ(r.pointSegments[2].second, 1);
}

TEST(RatingCurve, SectionsThatCannotBeUsedAreNamed) {
  SectionInput ok = trapezoid(0.03f, 0.001f);
  struct Case {
    const char* what;
    SectionInput s;
  };
  std::vector<Case> cases;
  cases.push_back({"n 0", ok});
  cases.back().s.segments[0].n = 0.0f;
  cases.push_back({"one point", ok});
  cases.back().s.points.resize(1);
  cases.push_back({"distances back", ok});
  cases.back().s.points[2].distance = 5.0f;
  cases.push_back({"empty range", ok});
  cases.back().s.maxElevation = 0.0f;
  cases.push_back({"negative slope", ok});
  cases.back().s.channelSlope = -0.01f;
  cases.push_back({"seven segments", ok});
  cases.back().s.segments.assign(7, {0.03f, 30.0f});
  EXPECT_EQ(routing::checkSection(ok), "");
  for (const Case& c : cases) EXPECT_NE(routing::checkSection(c.s), "") << c.what;
}

TEST(TypedTables, MissingRowsGrowByTenPercent) {
  const routing::RatingRow rows[] = {{100.0f, 0.0f, 0.0f}, {101.0f, 10.0f, 20.0f}};
  const routing::StoredRatingCurve c = routing::storeRatingCurve(rows);
  EXPECT_EQ(c.extrapolatedFrom, 3);
  EXPECT_FLOAT_EQ(c.curve.depth[2], 1.0f);
  EXPECT_FLOAT_EQ(c.curve.depth[3], 1.1f);
  EXPECT_FLOAT_EQ(c.curve.flow[4], 20.0f * 1.1f * 1.1f);
  EXPECT_FLOAT_EQ(c.curve.elevation[3], 101.1f);

  const routing::TravelRow trows[] = {{0.5f, 10.0f, 0.2f}};
  const routing::StoredTravelTime t = routing::storeTravelTime(trows, 1000.0f);
  EXPECT_EQ(t.extrapolatedFrom, 2);
  EXPECT_FLOAT_EQ(t.table.depth[2], 0.55f);
  EXPECT_FLOAT_EQ(t.table.flow[2], 11.0f);
  EXPECT_FLOAT_EQ(t.table.time[2], 0.2f / 1.1f);
}

TEST(TravelTime, RowsFromRatingRowsTwoToTwenty) {
  const routing::ComputedRatingCurve r = routing::computeRatingCurve(trapezoid(0.03f, 0.001f));
  const model::RatingCurve* one[] = {&r.curve};
  const routing::ComputedTravelTime t = routing::computeTravelTime(one, 2000.0f, 0.001f);
  EXPECT_FLOAT_EQ(t.fall, 2.0f);
  for (int k : {1, 10, 19}) {
    EXPECT_FLOAT_EQ(t.table.depth[k], r.curve.depth[k + 1]);
    EXPECT_NEAR(t.table.time[k], r.curve.area[k + 1] * 2000.0 / 3600.0 / r.curve.flow[k + 1], 1e-6);
    EXPECT_NEAR(t.velocity[k], r.curve.flow[k + 1] / r.curve.area[k + 1], 1e-4);
  }
  // A level pool 10/19 ft deep over a 0.001 slope is 526 ft long: inside the reach.
  EXPECT_FALSE(t.beyondReach[1]);
  EXPECT_TRUE(t.beyondReach[19]);

  // Two sections: the rougher one controls the flow at every depth.
  const routing::ComputedRatingCurve rough = routing::computeRatingCurve(trapezoid(0.06f, 0.001f));
  const model::RatingCurve* two[] = {&r.curve, &rough.curve};
  const routing::ComputedTravelTime t2 = routing::computeTravelTime(two, 2000.0f, 0.001f);
  for (int k : {1, 19}) {
    EXPECT_NEAR(t2.table.flow[k], rough.curve.flow[k + 1], 1e-3 * rough.curve.flow[k + 1]);
    EXPECT_NEAR(t2.area[k], r.curve.area[k + 1], 1e-3 * r.curve.area[k + 1]);
  }
}

// A triangular inflow with a baseflow, routed through a 2000 ft trapezoid.
routing::ChannelRoutingInput triangle(std::vector<float>& q, const model::TravelTimeTable& table, float fall,
                                      float dtIn, float rdt) {
  q.assign(40, 0.0f);
  for (int i = 0; i < 13; ++i) q[static_cast<std::size_t>(i)] = 100.0f * static_cast<float>(std::min(i, 12 - i)) / 6.0f;
  routing::ChannelRoutingInput in;
  in.inflow = q;
  in.inflowDt = dtIn;
  in.base = 2.0f;
  in.area = 100.0f;
  in.inflowPeak = 100.0f;
  in.requestedDt = rdt;
  in.table = &table;
  in.fall = fall;
  return in;
}

TEST(ChannelRouting, ReachReturnsItsInflowVolumeAndLowersThePeak) {
  struct Case {
    float dtIn, rdt;
    int nsub;
    float slope;         // ft/ft
    bool converges;      // every step converges
    float lowestPeak;    // the outflow peak stays above it
    float base = 2.0f;   // cfs
  };
  // A nearly flat reach (a fall of 0.002 ft over 2000 ft): no step converges
  // until the reach has filled, and those steps take the table's coefficient;
  // the whole inflow still comes out.
  for (const Case c : {Case{1.0f / 6.0f, 0.0f, 1, 0.001f, true, 50.0f}, Case{0.25f, 0.25f / 2.45f, 3, 0.001f, true, 50.0f},
                       Case{0.25f, 0.25f / 2.44f, 2, 0.001f, true, 50.0f},
                       Case{1.0f / 6.0f, 0.0f, 1, 1.0e-6f, false, 1.0f},
                       // The reach starts and ends holding its base flow, of any size.
                       Case{1.0f / 6.0f, 0.0f, 1, 0.001f, true, 50.0f, 0.0f},
                       Case{1.0f / 6.0f, 0.0f, 1, 0.001f, true, 50.0f, 100.0f},
                       Case{0.25f, 0.25f / 2.45f, 3, 0.001f, true, 50.0f, 100.0f},
                       Case{1.0f / 6.0f, 0.0f, 1, 0.001f, true, 50.0f, 1.0e4f},
                       Case{1.0f / 6.0f, 0.0f, 1, 1.0e-6f, true, 1.0f, 100.0f}}) {
    const routing::ComputedRatingCurve r = routing::computeRatingCurve(trapezoid(0.03f, c.slope));
    const model::RatingCurve* one[] = {&r.curve};
    const routing::ComputedTravelTime t = routing::computeTravelTime(one, 2000.0f, c.slope);
    std::vector<float> q;
    routing::ChannelRoutingInput in = triangle(q, t.table, t.fall, c.dtIn, c.rdt);
    in.base = c.base;
    const routing::ChannelRoutingResult out = routing::routeChannel(in);
    const float inVolume = std::accumulate(q.begin(), q.end(), 0.0f) * c.dtIn / (100.0f * 1.00833f);
    SCOPED_TRACE(c.slope);
    SCOPED_TRACE(c.nsub);
    SCOPED_TRACE(c.base);
    EXPECT_EQ(out.nsub, c.nsub);
    EXPECT_NEAR(out.dt, c.dtIn / static_cast<float>(c.nsub), 1e-6);
    EXPECT_EQ(out.nonConverged == 0, c.converges);
    // A base flow above the table's last row is routed on the table's coefficient.
    EXPECT_EQ(out.tableCoefficientSteps > 0, !c.converges || c.base > t.table.flow[model::kTravelRows]);
    EXPECT_NEAR(out.rv, inVolume, 0.001f * inVolume);
    EXPECT_LT(out.qpeak, 100.0f);
    EXPECT_GT(out.qpeak, c.lowestPeak);
    if (c.converges && c.base < t.table.flow[model::kTravelRows]) {
      EXPECT_GT(out.maxInflowDepth, out.maxOutflowDepth);
    }
    EXPECT_GT(out.maxOutflowVelocity, 0.0f);
    for (int k = 1; k <= out.npts; ++k) ASSERT_TRUE(std::isfinite(out.q[k]) && out.q[k] >= 0.0f);
    // The stored ordinates hold the routed volume, and the routing ended
    // well before the last ordinate allowed.
    const float stored = std::accumulate(out.q.begin() + 1, out.q.end(), 0.0f) * out.dt / (100.0f * 1.00833f);
    EXPECT_NEAR(stored, inVolume, 0.001f * inVolume);
    EXPECT_LT(out.npts, 2000);
  }
}

// The travel time at the peak against the inflow's rise. The typed table
// gives 0.15 h (9 min) at 100 cfs, the peak, halfway between its first two
// rows; a reach is within the method's range up to a quarter of the rise.
TEST(ChannelRouting, LongReachAgainstTheRise) {
  const routing::TravelRow rows[] = {{1.0f, 50.0f, 0.1f}, {2.0f, 150.0f, 0.2f}, {3.0f, 300.0f, 0.3f}};
  const routing::StoredTravelTime t = routing::storeTravelTime(rows, 5000.0f);
  struct Case {
    const char* what;
    std::vector<float> q; // on 10-minute steps
    float rise;           // minutes
    int reaches;          // 1: within the range
  };
  const Case cases[] = {
      {"rise of 30 minutes", {0, 20, 60, 100, 50, 0}, 30.0f, 2},
      {"rise of 60 minutes", {0, 10, 30, 50, 70, 90, 100, 50, 0}, 60.0f, 1},
      {"trickle below 1 % before the rise", {0.5f, 0.5f, 1.0f, 0, 20, 60, 100, 0}, 30.0f, 2},
      {"flow above 1 % before the rise", {1.5f, 1.5f, 1.5f, 20, 60, 100, 0}, 50.0f, 1},
      {"peak at the first ordinate", {100, 50, 0}, 10.0f, 4},
      {"equal highest ordinates", {0, 50, 100, 100, 0}, 20.0f, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    routing::ChannelRoutingInput in;
    in.inflow = c.q;
    in.inflowDt = 1.0f / 6.0f;
    in.table = &t.table;
    const routing::ReachLength j = routing::judgeReach(in);
    EXPECT_NEAR(j.travel * 60.0f, 9.0f, 1e-4f);
    EXPECT_NEAR(j.rise * 60.0f, c.rise, 1e-4f);
    EXPECT_EQ(j.reaches, c.reaches);
    EXPECT_EQ(j.tooLong, c.reaches > 1);
  }
  // A reach of any length gives a countable number of parts.
  const routing::TravelRow endless[] = {{1.0f, 50.0f, 1.0e30f}};
  const routing::StoredTravelTime far = routing::storeTravelTime(endless, 1.0e30f);
  const std::vector<float> q = {0, 100, 0};
  routing::ChannelRoutingInput in;
  in.inflow = q;
  in.inflowDt = 1.0f / 6.0f;
  in.table = &far.table;
  EXPECT_EQ(routing::judgeReach(in).reaches, 1000000);
}

TEST(ChannelRouting, StepRulesAndDryInflow) {
  const routing::ComputedRatingCurve r = routing::computeRatingCurve(trapezoid(0.03f, 0.001f));
  const model::RatingCurve* one[] = {&r.curve};
  const routing::ComputedTravelTime t = routing::computeTravelTime(one, 2000.0f, 0.001f);
  std::vector<float> q;
  routing::ChannelRoutingInput in = triangle(q, t.table, t.fall, 1.0f / 6.0f, 1.0f);
  routing::ChannelRoutingResult out = routing::routeChannel(in);
  EXPECT_TRUE(out.dtReduced);
  EXPECT_EQ(out.nsub, 1);
  // Leading zero inflow passes as the baseflow: nothing stored before the wave.
  std::vector<float> late(5, 0.0f);
  late.insert(late.end(), q.begin(), q.end());
  in.inflow = late;
  out = routing::routeChannel(in);
  EXPECT_EQ(out.q[3], 0.0f);
  EXPECT_GT(out.tpeak, 5.0f / 6.0f);
  // A 50-minute step asked of a 60-minute inflow: NSUB 1 by the 1.5 rule.
  in.inflowDt = 1.0f;
  in.requestedDt = 50.0f / 60.0f;
  out = routing::routeChannel(in);
  EXPECT_EQ(out.nsub, 1);
  EXPECT_FALSE(out.dtAdjusted);
  // A 25-minute step of a 60-minute inflow: NSUB 2 (30 min), adjusted by under 0.1 h.
  in.requestedDt = 25.0f / 60.0f;
  out = routing::routeChannel(in);
  EXPECT_EQ(out.nsub, 2);
  EXPECT_FALSE(out.dtAdjusted);
  // A long dry stretch between two waves drains the reach to exactly 0: a
  // zero outflow is converged, not a failure.
  std::vector<float> twice = q;
  twice.insert(twice.end(), 3000, 0.0f);
  twice.insert(twice.end(), q.begin(), q.end());
  in.inflow = twice;
  in.inflowDt = 1.0f / 6.0f;
  in.requestedDt = 0.0f;
  in.base = 0.0f;
  out = routing::routeChannel(in);
  EXPECT_EQ(out.nonConverged, 0);
  EXPECT_NEAR(out.rv, 2.0f * std::accumulate(q.begin(), q.end(), 0.0f) / 6.0f / (100.0f * 1.00833f), 1e-3);
  in.inflowPeak = 0.0f;
  out = routing::routeChannel(in);
  EXPECT_TRUE(out.dry);
  EXPECT_EQ(out.npts, 3);
}

} // namespace
