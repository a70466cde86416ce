// Muskingum-Cunge pipe routing: the partial-flow look-up, the celerity at a
// depth worked by hand, the low flow, and the invariants every routing must
// keep whatever the step and the length (volume within 1 %, no peak above the
// inflow peak, no NaN).
#include "routing/muskingum_cunge.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/store.h"
#include "routing/kinroute.h"
#include "routing/pipe_size.h"

namespace {

using routing::PipeReach;

PipeReach pipeOf(float d, float n, float slope, float length) {
  return {d, n, slope, length, routing::circularCapacity(d, n, slope, 3.14159f)};
}

TEST(MuskingumCunge, DepthRatioFromThePartialFlowTable) {
  struct Row {
    float flow, depth;
  } rows[] = {
      {0.0f, 0.0f},     {0.02f, 0.1f}, {0.5f, 0.5f},    {0.585f, 0.55f},
      {0.98f, 0.85f},   {1.0f, 1.0f},  {1.005f, 1.05f}, // above full: the last segment (0.99, 0.9)-(1.0, 1.0) continued
      {-0.01f, -0.05f},                                 // below 0: the first segment continued
  };
  for (const Row& r : rows) EXPECT_NEAR(routing::depthRatio(r.flow), r.depth, 1e-5f) << r.flow;
}

// Half full: A = pi D^2/8, R = D/4, dR/dy = 1/pi, B = D, so
// c = 1.486 S^0.5/n (D/4)^(2/3) (1 + 0.6667/2) and Dn = Q / (D S c L).
TEST(MuskingumCunge, CelerityHalfFull) {
  struct Row {
    float d, slope, c;
  } rows[] = {{2.0f, 0.005f, 6.78919f}, {1.0f, 0.02f, 8.55384f}, {4.0f, 0.001f, 4.81970f}};
  for (const Row& r : rows) {
    const PipeReach pipe = pipeOf(r.d, 0.013f, r.slope, 1000.0f);
    EXPECT_NEAR(routing::celerityAtDepth(pipe, r.d / 2.0f), r.c, 2e-3f * r.c) << r.d;
    const routing::Celerity half = routing::celerity(pipe, 0.5f * pipe.qfull);
    EXPECT_NEAR(half.c, r.c, 2e-3f * r.c) << r.d;
    EXPECT_NEAR(half.dn, 0.5f * pipe.qfull / (r.d * r.slope * r.c * 1000.0f), 1e-3f * half.dn) << r.d;
  }
}

// A0 = 0.015 * 3.14159, R0 = A0 / (1 ft * 2 acos 0.2125) = 0.017367 ft,
// Qmin = R0^0.6667 * 1.487/0.013 * 0.005^0.5 * A0 = 0.025558 cfs.
TEST(MuskingumCunge, LowFlowInFeet) {
  EXPECT_NEAR(routing::lowFlow(pipeOf(2.0f, 0.013f, 0.005f, 100.0f)), 0.025558f, 2e-5f);
}

// A triangular inflow (rise 1 h, fall 2 h, 5-minute ordinates) through pipes of
// every length at routing steps shorter than, equal to and longer than the
// inflow step. Longer steps sample the vertices, so the sampled triangle holds
// the same volume.
TEST(MuskingumCunge, VolumeKeptAndPeakNeverRaised) {
  struct Pipe {
    float d, n, slope, peak;
  } pipes[] = {{24.0f, 0.013f, 0.005f, 10.0f},
               {12.0f, 0.013f, 0.01f, 2.0f},
               {48.0f, 0.015f, 0.001f, 30.0f},
               {24.0f, 0.013f, 0.005f, 1.0f},
               {-1.0f, 0.013f, 0.02f, 15.0f}};
  const float lengths[] = {50.0f, 300.0f, 1000.0f, 3000.0f, 5000.0f, 20000.0f};
  const float steps[] = {1.0f, 2.5f, 5.0f, 10.0f, 30.0f, 60.0f}; // minutes
  for (const Pipe& p : pipes) {
    model::Hydrograph in;
    in.DT = 5.0f / 60.0f;
    in.DA = 100.0f;
    in.NPTS = 37;
    in.resize(in.NPTS);
    for (int i = 1; i <= in.NPTS; ++i) {
      const float t = static_cast<float>(i - 1) * 5.0f;
      in.Q[static_cast<std::size_t>(i)] = t <= 60.0f ? p.peak * t / 60.0f : p.peak * (180.0f - t) / 120.0f;
    }
    in.QPEAK = p.peak;
    const float inVolume = 1.5f * p.peak; // cfs-hours
    for (const float length : lengths) {
      for (const float step : steps) {
        routing::KinrouteValues v;
        v.diameter = p.d;
        v.n = p.n;
        v.slope = p.slope;
        v.length = length;
        v.rdt = step;
        const routing::KinrouteResult r = routing::computeKinroute(in, v);
        float volume = 0.0f, peak = 0.0f;
        for (int i = 1; i <= r.npts; ++i) {
          const float q = r.q[static_cast<std::size_t>(i)];
          ASSERT_TRUE(std::isfinite(q));
          volume += q * r.dt;
          peak = std::max(peak, q);
        }
        SCOPED_TRACE(::testing::Message() << "D " << p.d << " peak " << p.peak << " L " << length << " step " << step);
        EXPECT_NEAR(volume / inVolume, 1.0f, 0.01f);
        EXPECT_LE(peak, p.peak);
        EXPECT_TRUE(std::isfinite(r.travelTime));
      }
    }
  }
}

} // namespace

namespace {

// Storms of nine ordinates (a triangle from 0 to `peak` at the fifth and back
// to 0) every 40 ordinates, over `npts` ordinates.
model::Hydrograph storms(int npts, float dt, float peak) {
  model::Hydrograph h;
  h.DT = dt;
  h.DA = 100.0f;
  h.NPTS = npts;
  h.resize(npts);
  for (int i = 1; i <= npts; ++i) {
    const int m = (i - 1) % 40;
    const float q = m < 9 ? peak * (1.0f - std::fabs(static_cast<float>(m) / 4.0f - 1.0f)) : 0.0f;
    h.Q[static_cast<std::size_t>(i)] = q;
    h.QPEAK = std::max(h.QPEAK, q);
  }
  return h;
}

// Pipes far shorter or longer than the routing step asks for, and peaks at the
// edge of single precision: the sub-reaches and sub-steps stay within the work
// limit (2^24 node updates, twice that with a tail past the planned steps),
// a division held below what the pipe asks for is flagged, and the routing
// still keeps the volume and never raises the peak. Records of a few steps
// get the divisions they ask for.
TEST(MuskingumCunge, SubDivisionWorkIsBounded) {
  struct Row {
    const char* what;
    int npts;
    float dtMinutes, peak;
    float d, length, rdt; // in, ft, as typed
    bool capped;
  } rows[] = {
      {"peak 1e30, nine ordinates, 1-minute step", 9, 5.0f, 1e30f, 24.0f, 500.0f, 1.0f, true},
      {"1-ft pipe, longest record", model::kMaxOrdinates, 5.0f, 10.0f, 12.0f, 1.0f, 0.0f, true},
      {"1-ft pipe, one day", 289, 5.0f, 10.0f, 12.0f, 1.0f, 0.0f, false},
      {"0.001-ft pipe, longest record", model::kMaxOrdinates, 5.0f, 10.0f, 24.0f, 0.001f, 0.0f, true},
      {"1e6-ft pipe, longest record", model::kMaxOrdinates, 5.0f, 10.0f, 24.0f, 1.0e6f, 0.0f, true},
      {"1000-hour step, longest record", model::kMaxOrdinates, 60000.0f, 10.0f, 24.0f, 500.0f, 0.0f, true},
      {"500-ft pipe, longest record", model::kMaxOrdinates, 5.0f, 10.0f, 24.0f, 500.0f, 0.0f, false},
  };
  constexpr double kBudget = 1 << 24;
  for (const Row& r : rows) {
    const model::Hydrograph in = storms(r.npts, r.dtMinutes / 60.0f, r.peak);
    routing::KinrouteValues v;
    v.diameter = r.d;
    v.length = r.length;
    v.n = 0.013f;
    v.slope = 0.005f;
    v.rdt = r.rdt;
    const routing::KinrouteResult k = routing::computeKinroute(in, v);
    SCOPED_TRACE(r.what);
    const double work = static_cast<double>(k.subReaches) * k.subSteps * k.npts;
    EXPECT_LE(work, 2.0 * kBudget + static_cast<double>(k.subReaches) * k.subSteps);
    EXPECT_EQ(k.divisionCapped, r.capped);
    EXPECT_FALSE(k.tailCut);
    double inVolume = 0.0, outVolume = 0.0;
    float peak = 0.0f;
    for (int i = 1; i <= in.NPTS; ++i) inVolume += static_cast<double>(in.Q[static_cast<std::size_t>(i)]) * in.DT;
    for (int i = 1; i <= k.npts; ++i) {
      const float q = k.q[static_cast<std::size_t>(i)];
      ASSERT_TRUE(std::isfinite(q)) << i;
      outVolume += static_cast<double>(q) * k.dt;
      peak = std::max(peak, q);
    }
    EXPECT_NEAR(outVolume / inVolume, 1.0, 0.01);
    EXPECT_LE(peak, in.QPEAK);
  }
}

} // namespace
