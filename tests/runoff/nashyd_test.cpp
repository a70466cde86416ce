// The NASHYD family: the gamma routine, the Nash unit hydrograph and its
// volume, the backward peak scan with trimming, and each command's layout,
// output lines and messages.
#include "runoff/nashyd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "hydrograph/producer.h"
#include "runoff_fixture.h"

namespace {

using runofftest::contains;
using runofftest::count;
using runofftest::from;
using runofftest::Harness;

TEST(Gamma, KnownValuesAndFailure) {
  EXPECT_FLOAT_EQ(*runoff::gammaFunction(1.0f), 1.0f);
  EXPECT_NEAR(*runoff::gammaFunction(3.0f), 2.0f, 1e-5f);
  EXPECT_NEAR(*runoff::gammaFunction(5.0f), 24.0f, 1e-4f);
  EXPECT_NEAR(*runoff::gammaFunction(1.5f), 0.886227f, 1e-5f);
  EXPECT_NEAR(*runoff::gammaFunction(0.5f), 1.772454f, 1e-4f);
  EXPECT_NEAR(*runoff::gammaFunction(2.5f), 1.329340f, 1e-5f);
  EXPECT_FALSE(runoff::gammaFunction(0.0f).has_value());
  EXPECT_FALSE(runoff::gammaFunction(-2.0f).has_value());
}

TEST(NashUnitHydrograph, UnitPeakForTpOneHourNThree) {
  // K = 0.5 h; Upk = 100 * 1.00833 * 2^2 * e^-2 / (Gamma(3) * 0.5).
  const runoff::NashUnitHydrograph uh = runoff::nashUnitHydrograph(100.0f, 3.0f, 1.0f, 5.0f / 60.0f);
  EXPECT_NEAR(uh.k, 0.5f, 1e-6f);
  EXPECT_NEAR(uh.upk, 100.0 * 1.00833 * 4.0 * std::exp(-2.0) / (2.0 * 0.5), 1e-3);
  // The ordinate at t = TP is the unit peak before the normalisation.
  EXPECT_NEAR(uh.raw[13], uh.upk, 1e-3f);
  EXPECT_EQ(uh.raw[1], 0.0f);
  EXPECT_GT(uh.f, 0.999f);
}

TEST(NashUnitHydrograph, HoldsOneInchOverTheAreaAcrossShapes) {
  for (float tp : {0.25f, 1.0f, 3.5f, 12.0f}) {
    for (float n : {1.5f, 2.0f, 3.0f, 4.7f, 8.0f}) {
      for (float dtMin : {1.0f, 5.0f, 15.0f}) {
        for (float area : {1.0f, 100.0f, 25000.0f}) {
          const float dt = dtMin / 60.0f;
          const runoff::NashUnitHydrograph uh = runoff::nashUnitHydrograph(area, n, tp, dt);
          double volume = 0.0;
          for (int j = 1; j <= uh.nuh; ++j) volume += dt * uh.u[static_cast<std::size_t>(j)];
          EXPECT_NEAR(volume / (area * 1.00833), 1.0, 1e-4)
              << "TP " << tp << " N " << n << " DT " << dtMin << " area " << area;
        }
      }
    }
  }
}

TEST(NashydScan, LatestOfEqualPeaksAndTrailingTrim) {
  // Ordinates 1..8; nrain 3 protects ordinates up to 4 from the trim, and
  // 0.0003 is still below 0.0003528 cfs.
  // The rules NASHYD stores its hydrograph by.
  auto scan = [](const std::vector<float>& q, int last, int nrain, float dt) {
    return hydrograph::totals(q, last, dt, 1.0f, hydrograph::PeakRule::Last, hydrograph::SumOrder::FromEnd,
                              hydrograph::AreaRule::Positive, nrain + 1);
  };
  std::vector<float> q = {0.0f, 0.0f, 2.0f, 5.0f, 5.0f, 1.0f, 0.0003f, 0.0001f, 0.0002f};
  const hydrograph::Totals s = scan(q, 8, 3, 0.5f);
  EXPECT_EQ(s.npts, 5);
  EXPECT_EQ(s.qpeak, 5.0f);
  EXPECT_FLOAT_EQ(s.peakTime, 0.5f * 3.0f); // ordinate 4, the later of the two
  EXPECT_FLOAT_EQ(s.sum, 13.0f);
  // Small ordinates at or before nrain + 1 stay.
  std::vector<float> r = {0.0f, 0.0f, 0.0001f, 0.0001f, 0.0001f};
  EXPECT_EQ(scan(r, 4, 3, 1.0f).npts, 4);
  // A small ordinate inside the hydrograph is not cut once the scan has met a larger one.
  std::vector<float> t = {0.0f, 0.0f, 1.0f, 0.0001f, 1.0f, 0.0001f};
  EXPECT_EQ(scan(t, 5, 1, 1.0f).npts, 4);
}

TEST(Convolution, VolumeEqualsTheExcessDepth) {
  const float dt = 5.0f / 60.0f;
  const runoff::NashUnitHydrograph uh = runoff::nashUnitHydrograph(50.0f, 3.0f, 1.0f, dt);
  std::vector<float> e(10, 0.0f);
  e[1] = 1.0f;
  e[3] = 2.0f; // 3 in/hr over 5 minutes in all: 0.25 inch
  std::vector<float> q(static_cast<std::size_t>(model::kMaxOrdinates) + 2, 0.0f);
  runoff::convolve(e, 4, uh.u, uh.nuh, dt, q);
  double sum = 0.0;
  for (float v : q) sum += v;
  EXPECT_NEAR(dt * sum / (50.0 * 1.00833), 0.25, 1e-5);
  // The first ordinate is the time origin; ordinate 2 carries only step 1.
  EXPECT_EQ(q[1], 0.0f);
  EXPECT_FLOAT_EQ(q[2], dt * uh.u[2] * 1.0f);
}

// One hour of 1 in/hr at 5-minute steps, with a runoff coefficient of 1.
class NashydCommand : public ::testing::Test {
protected:
  void SetUp() override { h.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f)); }
  Harness h;
};

TEST_F(NashydCommand, ComputeNashydInputBlockResultsAndSummary) {
  h.run("COMPUTE NASHYD      ID=[1], NHYD=[123], DT=[5], AREA=[100], PRINT=[0,0], CN/C=[-1], IA=[0],\n"
        "                    N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]\n");
  const std::vector<std::string> expected = {
      "----------------------",
      "|COMPUTE NASHYD      |   Area    (ac)=  100.00   Loss Coefficient   = 1.00",
      "| 01:000123 DT= 5.00 |   Ia      (in)=   0.000   # of Linear Res.(N)= 3.00",
      "----------------------   U.H. Tp(hrs)=   1.000",
      "",
      "     Unit Hyd Qpeak  (cfs)=   54.585",
      "",
      "     PEAK FLOW       (cfs)=   50.391 (i)",
      "     TIME TO PEAK    (hrs)=    1.500",
      "     RUNOFF VOLUME    (in)=    1.000",
      "     TOTAL RAINFALL   (in)=    1.000",
      "     RUNOFF COEFFICIENT   =    1.000",
      " ",
      "     (i) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.",
      " ",
  };
  EXPECT_EQ(h.out(), expected);
  const model::Hydrograph& s = h.ctx.store[1];
  EXPECT_EQ(s.NHYD, 123);
  EXPECT_EQ(s.BASE, 0.0f);
  EXPECT_NEAR(s.DT, 5.0f / 60.0f, 1e-7f);
  // 12 rain steps and 68 unit hydrograph ordinates; the tail below 0.0003528 cfs is cut.
  EXPECT_EQ(s.NPTS, 79);
  const std::vector<std::string> summary = {
      "     COMPUTE NASHYD     01:       123   100.00   50.391 No_date    1:30    1.001.000",
      "      [C =1.000: N= 3.00]",
      "      [Tp= 1.00:DT= 5.00]",
  };
  EXPECT_EQ(h.summary.lines, summary);
  EXPECT_EQ(h.summaryWindow.lines, summary);
}

TEST_F(NashydCommand, RunoffVolumeEqualsExcessDepthAcrossShapes) {
  // CN 80 on one inch of rain with Ia 0: P = 1, Q = 1/3.5 inch.
  for (const char* shape : {"N=[2], TP=[0.5]", "N=[3], TP=[1.0]", "N=[4.5], TP=[2.5]"}) {
    for (const char* area : {"10", "250", "4000"}) {
      Harness g;
      g.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
      g.run(std::string("CALIB NASHYD        ID=[2], NHYD=[7], DT=[5], AREA=[") + area +
            "], BASE=[0], CN=[80], IA=[0],\n                    " + shape + ", RAIN=[-1]\n");
      EXPECT_NEAR(g.ctx.store[2].RV, 1.0f / 3.5f, 2e-4f) << shape << " area " << area;
    }
  }
}

TEST_F(NashydCommand, PrintedUnitHydrographAndExcess) {
  h.run("COMPUTE NASHYD      ID=[1], NHYD=[1], DT=[5], AREA=[100], PRINT=[1,1], CN/C=[-0.4], IA=[0],\n"
        "                    N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]\n");
  const runoff::NashUnitHydrograph uh = runoff::nashUnitHydrograph(100.0f, 3.0f, 1.0f, 5.0f / 60.0f);
  // Ordinates 1..NUH-1 before the normalisation, then the excess per step.
  EXPECT_EQ(count(h.out(), "UNIT HYDROGRAPH ORDINATE("), uh.nuh - 1);
  EXPECT_TRUE(contains(h.out(), "UNIT HYDROGRAPH ORDINATE(  1) =      0.00"));
  EXPECT_TRUE(contains(h.out(), "UNIT HYDROGRAPH ORDINATE( 13) =     54.59"));
  EXPECT_EQ(count(h.out(), "RAINFALL EXCESS INCR.   ("), 12);
  EXPECT_TRUE(contains(h.out(), "RAINFALL EXCESS INCR.   ( 12) =     0.400"));
  // 40 % of the rain runs off; the summary shows C as 0.400.
  EXPECT_NEAR(h.ctx.store[1].RV, 0.4f, 2e-4f);
  EXPECT_EQ(h.summary.lines[1], "      [C =0.400: N= 3.00]");
}

TEST_F(NashydCommand, CurveNumberFormsAndDerivedIa) {
  // DESIGN SCSHYD: Ia = 0.2 S, N = 5; CN 80 gives Ia 0.5 inch.
  h.run("DESIGN SCSHYD       ID=[3], NHYD=[\"R3\"], DT=[5], AREA=[20], BASE=[1.5], CN=[80], TP=[1.5], RAIN=[-1]\n");
  EXPECT_TRUE(contains(h.out(), "| 03:R3     DT= 5.00 |   Ia      (in)=   0.500   # of Linear Res.(N)= 5.00"));
  EXPECT_TRUE(contains(h.out(), "|DESIGN SCSHYD       |   Area    (ac)=   20.00   Curve Number   (CN)=80.00"));
  EXPECT_EQ(from(h.out(), "     Ia as  0.2xS", 1), std::vector<std::string>{"     Ia as  0.2xS     (in)=    0.500"});
  const model::Hydrograph& s = h.ctx.store[3];
  EXPECT_EQ(s.NHYD, 0);
  EXPECT_EQ(s.HYDNAME.substr(0, 2), "R3");
  EXPECT_EQ(s.BASE, 1.5f);
  // P = 0.5 after the abstraction: Q = 0.25 / 3.0.
  EXPECT_NEAR(s.RV, 0.25f / 3.0f, 2e-4f);
  char actual[80];
  std::snprintf(actual, sizeof actual, "          ACTUAL QPEAK: PEAK(%8.3f) + QBASE( 1.500) =%8.3f  (cfs)", s.QPEAK,
                s.QPEAK + 1.5f);
  EXPECT_TRUE(contains(h.out(), actual));
  EXPECT_EQ(h.summary.lines[1], "      [CN= 80.0: N= 5.00]");
  EXPECT_EQ(h.summary.lines.at(0).substr(0, 40), "     DESIGN SCSHYD      03:R3           ");

  // DESIGN NASHYD takes Ia and N from the default values: 1.5 mm and 3.
  Harness g;
  g.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
  g.run("DESIGN NASHYD       ID=[4], NHYD=[4], DT=[5], AREA=[20], BASE=[0], CN=[80], TP=[1.5], RAIN=[-1]\n");
  EXPECT_TRUE(contains(g.out(), "| 04:000004 DT= 5.00 |   Ia      (in)=   0.059   # of Linear Res.(N)= 3.00"));
}

TEST_F(NashydCommand, TimeStepRules) {
  struct Case {
    const char* dt;
    float hours;
  };
  for (const Case& c : {Case{"0", 5.0f / 60.0f}, Case{"0.25", 0.25f}, Case{"15", 0.25f}}) {
    Harness g;
    g.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
    g.run(std::string("CALIB NASHYD        ID=[1], NHYD=[1], DT=[") + c.dt +
          "], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[2], RAIN=[-1]\n");
    EXPECT_NEAR(g.ctx.store[1].DT, c.hours, 1e-6f) << c.dt;
    EXPECT_NEAR(g.ctx.store[1].RV, 1.0f, 2e-4f) << c.dt;
  }
}

// A step that is neither a multiple nor a divisor of the storm's is adjusted
// to one; the whole storm (2 h of 1 in/hr in 10-minute steps) still runs off,
// whatever step was asked for.
TEST_F(NashydCommand, AdjustedStepKeepsTheWholeStorm) {
  struct Case {
    const char* dt;
    float minutes; // the step used
  };
  for (const Case& c : {Case{"15", 10.0f}, Case{"25", 20.0f}, Case{"7", 10.0f}, Case{"10", 10.0f}}) {
    Harness g;
    g.storm(10.0f / 60.0f, std::vector<float>(12, 1.0f));
    g.run(std::string("CALIB NASHYD        ID=[1], NHYD=[1], DT=[") + c.dt +
          "], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1], RAIN=[-1]\n");
    EXPECT_NEAR(g.ctx.store[1].DT * 60.0f, c.minutes, 1e-4f) << c.dt;
    EXPECT_NEAR(g.ctx.store[1].RV, 2.0f, 2e-3f) << c.dt;
  }
}

TEST_F(NashydCommand, StormBroughtToAFinerStepThenUsedAsDefined) {
  Harness g;
  g.storm(10.0f / 60.0f, {1.0f, 3.0f, 0.0f});
  g.run(
      "CALIB NASHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1], RAIN=[-1]\n");
  // Each 10-minute step is repeated twice at 5 minutes; the storm as defined stays.
  EXPECT_NEAR(g.ctx.storm.workDT, 5.0f / 60.0f, 1e-6f);
  EXPECT_EQ(g.ctx.storm.workSteps, 6);
  EXPECT_EQ(g.ctx.storm.work[2], 1.0f);
  EXPECT_EQ(g.ctx.storm.work[3], 3.0f);
  EXPECT_EQ(g.ctx.storm.NSTEP, 3);
  EXPECT_NEAR(g.ctx.store[1].RV, 4.0f / 6.0f, 2e-4f);
  g.run("CALIB NASHYD        ID=[2], NHYD=[2], DT=[10], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1], "
        "RAIN=[-1]\n");
  EXPECT_NEAR(g.ctx.storm.workDT, 10.0f / 60.0f, 1e-6f);
  EXPECT_EQ(g.ctx.storm.workSteps, 3);
  EXPECT_NEAR(g.ctx.store[2].RV, 4.0f / 6.0f, 2e-4f);
}

TEST_F(NashydCommand, TypedRainfallReplacesTheStorm) {
  h.run("CALIB NASHYD        ID=[1], NHYD=[1], DT=[10], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1],\n"
        "                    RAIN=[2.0, 4.0, 0.0, -1]\n");
  EXPECT_EQ(h.ctx.storm.NSTEP, 3);
  EXPECT_NEAR(h.ctx.storm.SDT, 10.0f / 60.0f, 1e-7f);
  EXPECT_NEAR(h.ctx.storm.PTOT, 1.0f, 1e-6f);
  EXPECT_EQ(h.ctx.storm.RAIN[2], 4.0f);
  EXPECT_TRUE(contains(h.out(), "New rainfall entered directly by user."));
  EXPECT_NEAR(h.ctx.store[1].RV, 1.0f, 2e-4f);
}

TEST_F(NashydCommand, MetricTypedRainfallAndUnits) {
  Harness m(2, 2);
  m.run("CALIB NASHYD        ID=[1], NHYD=[1], DT=[10], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1],\n"
        "                    RAIN=[25.4, 25.4, -1]\n");
  EXPECT_NEAR(m.ctx.storm.RAIN[1], 1.0f, 1e-6f);
  EXPECT_NEAR(m.ctx.store[1].DA, 24.71f, 1e-4f);
  EXPECT_TRUE(contains(m.out(), "|CALIB NASHYD        |   Area    (ha)=   10.00   Loss Coefficient   = 1.00"));
  EXPECT_TRUE(contains(m.out(), "     TOTAL RAINFALL   (mm)=    8.467"));
}

TEST_F(NashydCommand, MessagesAndRejectedShapes) {
  struct Case {
    const char* command;
    const char* message;
    int severity;
    bool slotChanged;
  };
  const std::vector<Case> cases = {
      // TP/2 < DT: a warning; the results stand.
      {"CALIB NASHYD        ID=[1], NHYD=[1], DT=[15], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[0.4], "
       "RAIN=[-1]",
       "*** WARNING: Time step is too large for value of TP.", 1, true},
      // A typed step count that disagrees with the storm.
      {"COMPUTE NASHYD      ID=[1], NHYD=[1], DT=[5], AREA=[10], PRINT=[0,0], CN=[-1], IA=[0], N=[3], TP=[1], "
       "NRAIN=[10], RAIN=[-1]",
       "*** ERROR: Check the number of rainfall increments!", 2, true},
      {"CALIB NASHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[1], TP=[1], RAIN=[-1]",
       "*** ERROR: N must be greater than 1,  COMMAND aborted.", 2, false},
      {"CALIB NASHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[0.5], TP=[1], "
       "RAIN=[-1]",
       "*** ERROR: N must be greater than 1,  COMMAND aborted.", 2, false},
      {"CALIB NASHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[0], RAIN=[-1]",
       "*** ERROR: TP must be greater than 0,  COMMAND aborted.", 2, false},
      {"CONTINUOUS NASHYD   ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[80], IA=[0], N=[3], TP=[1],\n"
       "                    IAREC=[6], SMIN=[-1], SMAX=[-1], SK=[0.1], IET=[12], GW=[-1]",
       "**** ERROR: The API array has not been computed.", 2, false},
  };
  for (const Case& c : cases) {
    Harness g;
    g.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
    g.run(std::string(c.command) + "\n");
    EXPECT_TRUE(contains(g.warnings.lines, c.message)) << c.command;
    EXPECT_EQ(static_cast<int>(g.ctx.run.severity), c.severity) << c.command;
    EXPECT_EQ(g.ctx.store[1].NPTS > 0, c.slotChanged) << c.command;
  }
  // No storm: time step 0 and no rainfall steps; the slot is untouched.
  Harness g;
  g.run(
      "CALIB NASHYD        ID=[1], NHYD=[1], DT=[0], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1], RAIN=[-1]\n");
  EXPECT_TRUE(contains(g.warnings.lines, "*** ERROR: Time step = 0,  COMMAND aborted."));
  EXPECT_TRUE(contains(g.warnings.lines, "*** ERROR: Rainfall increment = 0, COMMAND aborted."));
  EXPECT_EQ(g.out().back(), " ");
  EXPECT_EQ(g.ctx.store[1].NPTS, 0);
  EXPECT_EQ(g.summary.lines.size(), 0u);
}

TEST_F(NashydCommand, ContinuousNashydBlocksAndGroundwater) {
  h.api(5.0f / 60.0f, 0.0f, 12);
  h.run("CONTINUOUS NASHYD   ID=[1], NHYD=[1], DT=[5], AREA=[100], BASE=[0], CN=[80], IA=[0], N=[3], TP=[1],\n"
        "                    IAREC=[6], SMIN=[1.0], SMAX=[2.5], SK=[0.1], IET=[12], GW=[1], GWI=[0.5],\n"
        "                    GWFREC=[0.9], VHYDCON=[0.001], RAIN=[-1]\n");
  const std::vector<std::string> block = {
      "                         CONTINUOUS SIMULATION INPUT PARAMETERS:",
      "                         IaREC (hrs)=  6.00,",
      "                         SMIN   (in)=  1.00,  SMAX   (in)=  2.50,  SK =0.100",
      "                         InterEventTime (hrs)= 12.00",
      "",
      "                         BASEFLOW SIMULATION INPUT PARAMETERS: [Option= 1.]",
      "                         Initial groundwater reservoir volume   (in)=   0.50",
      "                         Baseflow recession constant, GWFREC (1/day)=.900000",
  };
  EXPECT_EQ(from(h.out(), "                         CONTINUOUS SIMULATION", block.size()), block);
  // Kstep = 0.9^(DT/24) with DT = 1/12 hour: exp(ln 0.9 / 288) = 0.999634.
  EXPECT_TRUE(contains(h.out(), "                                       per time step, GWFREC  (1/DT)=.999634"));
  EXPECT_TRUE(contains(h.out(), "                         Groundwater recharge rate,   VHYDCON(in/hr)= 0.0010"));
  // S stays at SMAX with an API of 0: the statistics line reports it.
  EXPECT_TRUE(contains(h.out(), "               S*max=  2.50, S*min=  2.50, S*avg=  2.50,  CNavg= 80.00"));
  // The groundwater outflow adds to the runoff of the same storm without it.
  Harness dry;
  dry.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
  dry.api(5.0f / 60.0f, 0.0f, 12);
  dry.run("CONTINUOUS NASHYD   ID=[1], NHYD=[1], DT=[5], AREA=[100], BASE=[0], CN=[80], IA=[0], N=[3], TP=[1],\n"
          "                    IAREC=[6], SMIN=[1.0], SMAX=[2.5], SK=[0.1], IET=[12], GW=[-1]\n");
  EXPECT_GT(h.ctx.store[1].Q[2], dry.ctx.store[1].Q[2]);
  EXPECT_GT(h.ctx.store[1].RV, dry.ctx.store[1].RV);
  EXPECT_EQ(h.summary.lines.at(3), "      [IaREC= 6.00: SMIN=  1.00: SMAX=  2.50: SK=0.100]");
  EXPECT_EQ(h.summary.lines.at(4), "      [InterEventTime=  12.00]");
}

TEST_F(NashydCommand, ContinuousScshydDoesNotDependOnThePreviousCommand) {
  const std::string values =
      "ID=[1], NHYD=[1], DT=[5], AREA=[100], BASE=[0], CN=[80], IA=[-1], N=[3], TP=[1],\n"
      "                    IAREC=[6], SMIN=[-1], SMAX=[-1], SK=[0.1], IET=[12], GW=[-1], RAIN=[-1]\n";
  std::vector<float> results;
  for (const char* before :
       {"DESIGN SCSHYD       ID=[2], NHYD=[2], DT=[5], AREA=[5], BASE=[0], CN=[70], TP=[1], RAIN=[-1]\n",
        "COMPUTE NASHYD      ID=[2], NHYD=[2], DT=[5], AREA=[5], PRINT=[0,0], CN=[70], IA=[0], N=[3], "
        "TP=[1], NRAIN=[0], RAIN=[-1]\n"}) {
    Harness g;
    g.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
    g.api(5.0f / 60.0f, 1.0f, 12);
    g.run(before);
    g.run("CONTINUOUS SCSHYD   " + values);
    EXPECT_TRUE(contains(g.out(), "|CONTINUOUS SCSHYD   |"));
    results.push_back(g.ctx.store[1].QPEAK);
  }
  Harness n;
  n.storm(5.0f / 60.0f, std::vector<float>(12, 1.0f));
  n.api(5.0f / 60.0f, 1.0f, 12);
  n.run("CONTINUOUS NASHYD   " + values);
  EXPECT_EQ(results[0], results[1]);
  EXPECT_EQ(results[0], n.ctx.store[1].QPEAK);
  EXPECT_GT(results[0], 0.0f);
}

// The poles of the gamma function are 0, -1, -2, ...: an argument within 1e-6
// of one fails, also just above 0, where 1/x would otherwise blow up.
TEST(Gamma, ArgumentsAtAPoleFailOnBothSides) {
  for (float x : {0.0f, 5e-7f, -5e-7f, -1.0f + 5e-7f, -3.0f}) {
    EXPECT_FALSE(runoff::gammaFunction(x).has_value()) << x;
  }
  // Close to a pole but not within 1e-6, and near the positive integer 1: values.
  EXPECT_NEAR(*runoff::gammaFunction(0.01f), 99.4326f, 0.01f);
  EXPECT_NEAR(*runoff::gammaFunction(-0.5f), -3.544908f, 1e-3f);
}

// Before the normalisation the ordinates are the Nash cascade itself,
// u(t) = A * 1.00833 / (K Gamma(N)) (t/K)^(N-1) e^(-t/K), and the fraction of
// the inch they hold at the stop is the gamma distribution's P(N, t/K).
TEST(NashUnitHydrograph, OrdinatesFollowTheCascadeOfLinearReservoirs) {
  struct Case {
    float n, tp, gamma;
  };
  // Gamma(2.5) = 0.75 sqrt(pi); Gamma(3) = 2; Gamma(4) = 6.
  const std::vector<Case> cases = {{2.5f, 1.5f, 1.3293404f}, {3.0f, 1.0f, 2.0f}, {4.0f, 2.4f, 6.0f}};
  const double area = 50.0, dt = 1.0 / 60.0;
  for (const Case& c : cases) {
    const runoff::NashUnitHydrograph uh = runoff::nashUnitHydrograph(50.0f, c.n, c.tp, 1.0f / 60.0f);
    const double k = c.tp / (c.n - 1.0);
    for (int j = 2; j <= uh.nuh; j += 7) {
      const double t = (j - 1) * dt;
      const double u = area * 1.00833 / (k * c.gamma) * std::pow(t / k, c.n - 1.0) * std::exp(-t / k);
      EXPECT_NEAR(uh.raw[static_cast<std::size_t>(j)], u, 2e-4 * u + 1e-6) << "N " << c.n << " j " << j;
    }
    if (c.n == 3.0f) {
      const double x = (uh.nuh - 1) * dt / k;
      EXPECT_NEAR(uh.f, 1.0 - std::exp(-x) * (1.0 + x + x * x / 2.0), 2e-4);
    }
    // It stopped by one of its two rules: 99.9 % held, or a last ordinate that
    // added less than 0.01 % (at one-minute steps the second comes first).
    double volume = 0.0;
    for (int j = 1; j <= uh.nuh; ++j) volume += dt * uh.raw[static_cast<std::size_t>(j)];
    const double before = volume - dt * uh.raw[static_cast<std::size_t>(uh.nuh)];
    EXPECT_TRUE(uh.f > 0.999f || before / volume > 0.9999) << c.n;
    // ... and at the first ordinate that met one: the one before met neither.
    const double earlier = before - dt * uh.raw[static_cast<std::size_t>(uh.nuh - 1)];
    EXPECT_FALSE(before / (area * 1.00833) > 0.999 || earlier / before > 0.9999) << c.n;
  }
}

// Published SCS curve-number runoff depths, with Ia = 0.2 S as DESIGN SCSHYD
// takes it: one hour of P in/hr at a one-hour step, Q = (P - 0.2S)^2 / (P + 0.8S).
TEST(NashydDepths, DesignScshydGivesThePublishedCurveNumberDepths) {
  struct Case {
    float p, cn, q;
  };
  const std::vector<Case> cases = {
      {3.0f, 80.0f, 1.25f},    // S = 2.5, Ia = 0.5: 2.5^2 / 5
      {5.0f, 70.0f, 2.03629f}, // S = 4.2857, Ia = 0.8571: 4.1429^2 / 8.4286
      {2.0f, 90.0f, 1.09402f}, // S = 1.1111, Ia = 0.2222: 1.7778^2 / 2.8889
      {0.4f, 80.0f, 0.0f},     // all of it held by Ia = 0.5
  };
  for (const Case& c : cases) {
    Harness g;
    g.storm(1.0f, {c.p});
    g.run("DESIGN SCSHYD       ID=[1], NHYD=[1], DT=[60], AREA=[100], BASE=[0], CN=[" + std::to_string(c.cn) +
          "], TP=[4], RAIN=[-1]\n");
    EXPECT_NEAR(g.ctx.store[1].RV, c.q, 5e-4f) << "P " << c.p << " CN " << c.cn;
  }
}

// The rainfall position left out reads as 0, which would start a typed list;
// the list stops at the values given, so nothing replaces the storm and the
// command ends on the no-rainfall error.
TEST_F(NashydCommand, RainfallLeftOutKeepsTheStormAndEndsTheCommand) {
  h.run("CALIB NASHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1]\n");
  EXPECT_EQ(h.ctx.storm.NSTEP, 12);
  EXPECT_EQ(h.ctx.storm.RAIN[12], 1.0f);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
  EXPECT_EQ(count(h.out(), "*** ERROR: Rainfall increment = 0, COMMAND aborted."), 1);
  EXPECT_EQ(count(h.out(), "New rainfall entered directly by user."), 0);
  EXPECT_EQ(h.ctx.store[1].NPTS, 0);
}

// Typed rain of zero depth: no runoff and a coefficient of 0, never 0/0.
TEST_F(NashydCommand, TypedRainOfZeroDepthHasACoefficientOfZero) {
  h.run("CALIB NASHYD        ID=[1], NHYD=[1], DT=[5], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[1],\n"
        "                    RAIN=[0, 0, 0, -1]\n");
  EXPECT_EQ(h.ctx.storm.NSTEP, 3);
  EXPECT_EQ(count(h.out(), "NaN"), 0);
  EXPECT_EQ(count(h.out(), "     RUNOFF COEFFICIENT   =    0.000"), 1);
}

} // namespace
