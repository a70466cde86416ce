// The STANDHYD family: window intensities, the iterative storage coefficient,
// the surface unit hydrographs and their volume, the forward peak scan, and
// each command's layout, output lines, notes and messages.
#include "runoff/standhyd.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "hydrograph/producer.h"
#include "runoff_fixture.h"

namespace {

using runofftest::contains;
using runofftest::from;
using runofftest::Harness;

constexpr float kDt = 5.0f / 60.0f;

// The kinematic-wave storage coefficient K = 0.00775 (nL)^0.6 i^-0.4 S^-0.3 hours.
double kinematicK(double n, double length, double imax, double slope) {
  return 0.00775 * std::pow(n * length, 0.6) * std::pow(imax, -0.4) * std::pow(slope, -0.3);
}

TEST(StandhydWindows, LargestAverageOverConsecutiveSteps) {
  // excess[1..3] = 0, 2, 4 (entry 0 unused); the steps after them hold 0.
  const std::vector<float> e{0.0f, 0.0f, 2.0f, 4.0f};
  EXPECT_FLOAT_EQ(runoff::windowIntensity(e, 3, 400, 1), 4.0f);
  EXPECT_FLOAT_EQ(runoff::windowIntensity(e, 3, 400, 2), 3.0f);
  EXPECT_FLOAT_EQ(runoff::windowIntensity(e, 3, 400, 3), 2.0f);
  EXPECT_FLOAT_EQ(runoff::windowIntensity(e, 3, 400, 8), 0.75f);
  EXPECT_FLOAT_EQ(runoff::windowIntensity(e, 3, 400, 400), 0.015f);
}

TEST(StorageCoefficient, IterationStopsAtTheClosestStepCount) {
  // Constant excess: imax = 1 for every window, so K is fixed at about 0.3 h
  // and n_s * DT comes closest at n_s = 4 (20 minutes).
  const std::vector<float> e = [] {
    std::vector<float> v(41, 0.0f);
    for (int i = 1; i <= 40; ++i) v[i] = 1.0f;
    return v;
  }();
  const runoff::SurfaceShape shape{0.013f, 3408.0f, 0.01f, 0.0f};
  const double k = kinematicK(0.013, 3408.0, 1.0, 0.01);
  runoff::StorageCoefficient sc = runoff::storageCoefficient(e, 40, kDt, shape, 0.0f, false, false);
  ASSERT_TRUE(sc.runoff);
  EXPECT_NEAR(sc.k, k, 1e-4);
  EXPECT_EQ(sc.ns, 4);
  EXPECT_NEAR(sc.tp, 4.0f * kDt, 1e-6f);
  EXPECT_FLOAT_EQ(sc.imax, 1.0f);
  // The pervious surface adds the impervious K (0.1 h): closest at 5 steps,
  // then the step count is taken from K itself: int(K/DT + 0.5) = 5.
  sc = runoff::storageCoefficient(e, 40, kDt, shape, 0.1f, true, false);
  EXPECT_NEAR(sc.k, k + 0.1, 1e-4);
  EXPECT_EQ(sc.ns, static_cast<int>((k + 0.1) / kDt + 0.5));
  // The older layout stops after the first trial.
  sc = runoff::storageCoefficient(e, 40, kDt, shape, 0.0f, false, true);
  EXPECT_EQ(sc.ns, 1);
  EXPECT_NEAR(sc.k, k, 1e-4);
  // A given coefficient of 5 minutes at DT = 5 minutes: one step, tp = 5 minutes.
  const runoff::SurfaceShape given{0.013f, 3408.0f, 0.01f, kDt};
  sc = runoff::storageCoefficient(e, 40, kDt, given, 0.0f, false, false);
  EXPECT_EQ(sc.ns, 1);
  EXPECT_FLOAT_EQ(sc.k, kDt);
  EXPECT_FLOAT_EQ(sc.tp, kDt);
  // No excess at all: the surface produces no runoff.
  const std::vector<float> dry(41, 0.0f);
  EXPECT_FALSE(runoff::storageCoefficient(dry, 40, kDt, shape, 0.0f, false, false).runoff);
}

TEST(SurfaceUnitHydrograph, ShapeAndOneInchOverTheSurface) {
  for (float tpSteps : {1.0f, 3.0f}) {
    for (float kMin : {2.0f, 10.0f, 45.0f}) {
      for (float area : {1.0f, 50.0f, 800.0f}) {
        const float tp = tpSteps * kDt, k = kMin / 60.0f;
        const runoff::SurfaceUnitHydrograph uh = runoff::surfaceUnitHydrograph(area, 0.4f, tp, k, kDt, 1.0f, true);
        double volume = 0.0;
        for (int j = 1; j <= uh.nuh; ++j) volume += kDt * uh.ord[static_cast<std::size_t>(j)];
        EXPECT_NEAR(volume / (area * 0.4 * 1.00833), 1.0, 0.002) << tpSteps << " " << kMin << " " << area;
        // The peak ordinate stands at t = tp.
        EXPECT_NEAR(uh.ord[static_cast<std::size_t>(tpSteps) + 1], uh.peak, 1e-3f * uh.peak);
      }
    }
  }
  // Without the normalisation the peak per unit area is (1 - e^(-tp/K)) / tp.
  const runoff::SurfaceUnitHydrograph raw = runoff::surfaceUnitHydrograph(10.0f, 1.0f, kDt, 0.1f, kDt, 1.0f, false);
  EXPECT_NEAR(raw.c, (1.0 - std::exp(-kDt / 0.1)) / kDt, 1e-5);
  EXPECT_NEAR(raw.ord[2], 10.0 * 1.00833 * raw.c, 1e-4);
}

TEST(StandhydScan, EarliestOfEqualHighestTotals) {
  const std::vector<float> q = {0.0f, 0.0f, 3.0f, 7.0f, 2.0f, 7.0f, 1.0f};
  const hydrograph::Totals s = hydrograph::totals(q, 6, 0.5f, 1.0f, hydrograph::PeakRule::First,
                                                  hydrograph::SumOrder::FromEnd, hydrograph::AreaRule::Positive);
  EXPECT_EQ(s.qpeak, 7.0f);
  EXPECT_FLOAT_EQ(s.peakTime, 1.0f); // ordinate 3
  EXPECT_FLOAT_EQ(s.sum, 20.0f);
}

// A 30-minute storm at 5-minute steps with a peak in step 3: 0.5417 inch.
const std::vector<float> kStorm = {0.5f, 1.0f, 3.0f, 1.0f, 0.5f, 0.5f};

const char* kCalib = "CALIB STANDHYD      ID=[1], NHYD=[101], DT=[5], AREA=[10], XIMP=[0.3], TIMP=[0.5], DWF=[0],\n"
                     "                    LOSS=[3], C=[100.5], IAPER=[0], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0],\n"
                     "                    IAIMP=[0], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0], RAIN=[-1]\n";

TEST(StandhydCommand, CalibStandhydBlockResultsNotesAndSummary) {
  Harness h;
  h.storm(kDt, kStorm);
  h.run(kCalib);
  // Impervious: K = 0.00775 (0.013*200)^0.6 3^-0.4 0.01^-0.3 = 2.12 min, one
  // step. Pervious (1.4 times the rain, half of it lost): 6.57 min with the
  // impervious K added, one step. Volumes: 1.0 of the rain on the impervious
  // surface, 0.7 on the pervious one, 0.3 + 0.35 = 0.65 of it in all.
  const std::vector<std::string> expected = {
      "----------------------",
      "|CALIB STANDHYD      |   Area    (ac)=   10.00",
      "| 01:000101 DT= 5.00 |   Total Imp(%)=   50.00   Dir. Conn.(%)=   30.00",
      "----------------------",
      "                              IMPERVIOUS    PERVIOUS (i)",
      "     Surface Area     (ac)=       5.00         5.00",
      "     Dep. Storage     (in)=       0.00         0.00",
      "     Average Slope     (%)=       1.00         2.00",
      "     Length           (ft)=     200.00        40.00",
      "     Mannings n           =      0.013        0.250",
      "",
      "     Max.eff.Inten.(in/hr)=       3.00         2.10",
      "                over (min)        5.00         5.00",
      "     Storage Coeff.  (min)=       2.12 (ii)    6.57 (ii)",
      "     Unit Hyd. Tpeak (min)=       5.00         5.00",
      "     Unit Hyd. peak  (cfs)=      32.88        32.25",
      "                                                           *TOTALS*",
      "     PEAK FLOW       (cfs)=       8.49         6.73         15.218 (iii)",
      "     TIME TO PEAK    (hrs)=       0.25         0.25          0.250",
      "     RUNOFF VOLUME    (in)=       0.54         0.38          0.352",
      "     TOTAL RAINFALL   (in)=       0.54         0.54          0.542",
      "     RUNOFF COEFFICIENT   =       1.00         0.70          0.650",
      " ",
      "       (i) PROPORTIONAL LOSS FACTOR APPLIED TO RAINFALL:",
      "            CIMP = 1.00    CPER = 0.50",
      "      (ii) TIME STEP (DT) SHOULD BE SMALLER OR EQUAL",
      "           THAN THE STORAGE COEFFICIENT.",
      "     (iii) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.",
      " ",
      // Message lines are written "(6X,A70)": 76 columns.
      runofftest::pad("      *** WARNING: Storage Coefficient is smaller than DT!", 76),
      runofftest::pad("                   Use a smaller DT or a larger area.", 76),
  };
  EXPECT_EQ(h.out(), expected);
  const std::vector<std::string> summary = {
      "  *  CALIB STANDHYD     01:       101    10.00   15.218 No_date    0:15    0.350.650",
      "      [XIMP=.30:TIMP=.50]",
      "      [PLC: i=1.00:p=0.50]",
      "      [Pervious     area: IAper= 0.00:SLPP=2.00:LGP=  40.:MNP=.250:SCP=  0.0]",
      "      [Impervious   area: IAimp= 0.00:SLPI=1.00:LGI= 200.:MNI=.013:SCI=  0.0]",
  };
  EXPECT_EQ(h.summary.lines, summary);
  EXPECT_EQ(h.ctx.store[1].NPTS, 22);
}

// Runs a CALIB STANDHYD with LOSS 3 and returns the slot.
model::Hydrograph calib(Harness& h, const std::string& fractions, const std::string& coefficient,
                        const std::string& surfaces = "IAPER=[0], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0], "
                                                      "IAIMP=[0], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0]") {
  h.run("CALIB STANDHYD      ID=[1], NHYD=[1], DT=[5], AREA=[10], " + fractions + ", DWF=[0], LOSS=[3], C=[" +
        coefficient + "], " + surfaces + ", RAIN=[-1]\n");
  return h.ctx.store[1];
}

TEST(StandhydCommand, RunoffVolumeFollowsTheSurfacesAndTheirLosses) {
  struct Case {
    const char* fractions;
    const char* coefficient;
    float share; // RV as a share of the rain
  };
  const std::vector<Case> cases = {
      // XIMP = TIMP: the pervious surface gets its own rain only (multiplier 1).
      {"XIMP=[0.5], TIMP=[0.5]", "100.5", 0.5f + 0.5f * 0.5f},
      // TIMP 0.5, XIMP 0.3: 1 + 0.2/0.5 = 1.4 times the rain on the pervious part.
      {"XIMP=[0.3], TIMP=[0.5]", "100.5", 0.3f + 0.5f * 1.4f * 0.5f},
      // Percentages; CIMP 0.9 and CPER 0.25.
      {"XIMP=[40], TIMP=[60]", "90.25", 0.4f * 0.9f + 0.4f * 1.5f * 0.25f},
      // CIMP in tenths of a percent above 100: 950 -> 0.95.
      {"XIMP=[0.2], TIMP=[0.2]", "950.1", 0.2f * 0.95f + 0.8f * 0.1f},
  };
  for (const Case& c : cases) {
    Harness h;
    h.storm(kDt, kStorm);
    const model::Hydrograph s = calib(h, c.fractions, c.coefficient);
    EXPECT_NEAR(s.RV, c.share * h.ctx.storm.PTOT, 0.005f * h.ctx.storm.PTOT) << c.fractions;
  }
}

TEST(StandhydCommand, SurfacesWithoutExcess) {
  {
    // All of the rain held in IAimp: message 37, runoff from the pervious surface only.
    Harness h;
    h.storm(kDt, kStorm);
    const model::Hydrograph s = calib(h, "XIMP=[0.3], TIMP=[0.5]", "100.5",
                                      "IAPER=[0], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0], "
                                      "IAIMP=[5], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0]");
    EXPECT_TRUE(contains(h.warnings.lines, "*** NOTE: The impervious area has no runoff."));
    EXPECT_NEAR(s.RV, 0.5f * 1.4f * 0.5f * h.ctx.storm.PTOT, 0.005f);
  }
  {
    // Horton losses larger than the rain: message 38.
    Harness h;
    h.storm(kDt, kStorm);
    h.run("CALIB STANDHYD      ID=[1], NHYD=[1], DT=[5], AREA=[10], XIMP=[0.3], TIMP=[0.5], DWF=[0], LOSS=[1],\n"
          "                    FO=[10], FC=[10], DCAY=[2], F=[0], IAPER=[0], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0],\n"
          "                    IAIMP=[0], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0], RAIN=[-1]\n");
    EXPECT_TRUE(contains(h.warnings.lines, "*** NOTE: The pervious area has no runoff."));
    EXPECT_NEAR(h.ctx.store[1].RV, 0.3f * h.ctx.storm.PTOT, 0.005f);
    EXPECT_TRUE(contains(h.out(), "       (i) HORTONS EQUATION SELECTED FOR PERVIOUS LOSSES:"));
    EXPECT_TRUE(contains(h.out(), "            Fo   (in/hr)= 10.00           K  (1/hr)=  2.00"));
    EXPECT_TRUE(contains(h.out(), "            Fc   (in/hr)= 10.00     Cum.Inf.   (in)=  0.00"));
    EXPECT_TRUE(contains(h.summary.lines, "      [Horton parameters: Fo= 10.00:Fc= 10.00:DCAY=2.00:  F=0.00]"));
  }
  {
    // TIMP = 1: no pervious surface at all, and no NaN anywhere.
    Harness h;
    h.storm(kDt, kStorm);
    const model::Hydrograph s = calib(h, "XIMP=[1.0], TIMP=[1.0]", "100.5");
    EXPECT_NEAR(s.RV, h.ctx.storm.PTOT, 0.005f);
    EXPECT_FALSE(std::isnan(s.QPEAK));
    EXPECT_TRUE(contains(h.warnings.lines, "*** NOTE: The pervious area has no runoff."));
  }
  {
    // TIMP = 1 with XIMP below it: with no pervious surface to drain onto, all
    // of the impervious area drains directly and no runoff is lost.
    Harness h;
    h.storm(kDt, kStorm);
    const model::Hydrograph s = calib(h, "XIMP=[0.3], TIMP=[1.0]", "100.5");
    EXPECT_NEAR(s.RV, h.ctx.storm.PTOT, 0.005f);
    // F3.2 has no room for 1.00: both fractions print as asterisks.
    EXPECT_TRUE(contains(h.summary.lines, "      [XIMP=***:TIMP=***]"));
  }
  {
    // Neither surface has excess: an empty hydrograph.
    Harness h;
    h.storm(kDt, kStorm);
    const model::Hydrograph s = calib(h, "XIMP=[0.3], TIMP=[0.5]", "100.0",
                                      "IAPER=[9], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0], "
                                      "IAIMP=[9], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0]");
    EXPECT_EQ(s.NPTS, 0);
    EXPECT_EQ(s.QPEAK, 0.0f);
    EXPECT_EQ(s.RV, 0.0f);
  }
}

TEST(StandhydCommand, GivenCoefficientXimpAboveTimpAndLowImperviousness) {
  Harness h;
  h.storm(kDt, kStorm);
  calib(h, "XIMP=[0.15], TIMP=[0.1]", "100.5",
        "IAPER=[0], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0], IAIMP=[0], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[5]");
  // SCI 5 minutes at DT 5 minutes: K and tp are 5 minutes.
  EXPECT_TRUE(contains(h.out(), "     Storage Coeff.  (min)=       5.00 (ii)"));
  EXPECT_TRUE(contains(h.out(), "     Unit Hyd. Tpeak (min)=       5.00"));
  EXPECT_TRUE(contains(h.out(), "| 01:000001 DT= 5.00 |   Total Imp(%)=   10.00   Dir. Conn.(%)=   10.00"));
  std::vector<std::string> messages = {
      "      *** NOTE: User defined Storage Coefficients were used",
      "                for Unit Hydrograph calculations.",
      "      *** ERROR: XIMP cannot be larger than TIMP.",
      "                 XIMP was forced to equal TIMP.",
      "      *** WARNING: For areas with impervious ratios below",
      "                   20%, this routine may not be applicable.",
  };
  for (std::string& m : messages) m = runofftest::pad(m, 76);
  EXPECT_EQ(from(h.warnings.lines, "      *** NOTE: User defined", messages.size()), messages);
}

TEST(StandhydCommand, DesignStandhydTakesTheDefaultValues) {
  Harness h;
  h.storm(kDt, kStorm);
  h.run("DESIGN STANDHYD     ID=[2], NHYD=[\"URB\"], DT=[5], AREA=[10], XIMP=[0.4], TIMP=[0.6], DWF=[0.5],\n"
        "                    LOSS=[2], CN=[80], SLOPE=[1.5], RAIN=[-1]\n");
  // IAper 1.5 mm, IAimp 0.8 mm, LGP 40 m, MNP 0.25, MNI 0.013 and
  // LGI = sqrt(10 * 43560 / 1.5) = 538.89 ft.
  const std::vector<std::string> table = {
      "     Surface Area     (ac)=       6.00         4.00", "     Dep. Storage     (in)=       0.03         0.06",
      "     Average Slope     (%)=       1.50         1.50", "     Length           (ft)=     538.89       131.23",
      "     Mannings n           =      0.013        0.250",
  };
  EXPECT_EQ(from(h.out(), "     Surface Area", table.size()), table);
  EXPECT_TRUE(contains(h.out(), "| 02:URB    DT= 5.00 |"));
  EXPECT_TRUE(contains(h.out(), "           CN* =  80.0    Ia = Dep. Storage  (Above)"));
  EXPECT_EQ(h.ctx.store[2].BASE, 0.5f);
  EXPECT_TRUE(contains(h.out(), "            ACTUAL QPEAK: PEAK("));
  const std::vector<std::string> summary = {"      [XIMP=.40:TIMP=.60]", "      [SLP=1.50:DT= 5.00]",
                                            "      [LOSS= 2 :CN= 80.0]"};
  EXPECT_EQ(std::vector<std::string>(h.summary.lines.begin() + 1, h.summary.lines.end()), summary);
}

TEST(StandhydCommand, CurveNumberWithDerivedIaAndComputeUrbhyd) {
  Harness h;
  h.storm(kDt, kStorm);
  h.run("CALIB STANDHYD      ID=[1], NHYD=[1], DT=[5], AREA=[10], XIMP=[0.3], TIMP=[0.5], DWF=[0], LOSS=[2],\n"
        "                    CN=[80], IAPER=[-1], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0],\n"
        "                    IAIMP=[-1], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0], RAIN=[-1]\n");
  // Ia = 0.2 S = 0.5 inch; IAimp from the slope: 0.0303 * 1^-0.49.
  EXPECT_TRUE(contains(h.out(), "           CN* =  80.0    Ia = 0.2 x S =  0.50   (in)"));
  EXPECT_TRUE(contains(h.out(), "     Dep. Storage     (in)=       0.03        -1.00"));

  // The older layout: Horton losses, NRAIN, a baseflow from a negative F, lengths by default.
  Harness u;
  u.storm(kDt, kStorm);
  u.run("COMPUTE URBHYD      ID=[3], NHYD=[3], DT=[5], AREA=[10], X=[0], XIMP=[0.3], TIMP=[0.5], NRAIN=[6],\n"
        "                    FO=[3], FC=[0.5], DCAY=[4], F=[-2], IAIMP=[0], IAPER=[0.1], SCI=[0], SCP=[0],\n"
        "                    SLPI=[1], LGI=[0], MNI=[0], SLPP=[2], LGP=[0], MNP=[0], RAIN=[-1]\n");
  EXPECT_EQ(u.ctx.store[3].BASE, 2.0f);
  EXPECT_TRUE(contains(u.out(), "     Length           (ft)=     538.89       538.89"));
  EXPECT_TRUE(contains(u.out(), "     Mannings n           =      0.013        0.250"));
  EXPECT_TRUE(contains(u.out(), "     Unit Hyd. Tpeak (min)=       5.00         5.00"));
  EXPECT_EQ(u.summary.lines.at(2), "      [LOSS= 1 : HORTONS]");
  EXPECT_FALSE(contains(u.warnings.lines, "Check the number of rainfall increments"));
}

TEST(StandhydCommand, ContinuousStandhydNeedsTheApiAndPrintsItsParameters) {
  const std::string command =
      "CONTINUOUS STANDHYD ID=[1], NHYD=[1], DT=[5], AREA=[10], XIMP=[0.3], TIMP=[0.5], DWF=[0], LOSS=[2],\n"
      "                    CN=[80], IAPER=[0.2], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0],\n"
      "                    IAIMP=[0.03], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0], IARECPER=[6], IARECIMP=[2],\n"
      "                    SMIN=[1], SMAX=[4], SK=[0.05], IET=[12], RAIN=[-1]\n";
  Harness none;
  none.storm(kDt, kStorm);
  none.run(command);
  EXPECT_TRUE(contains(none.warnings.lines, "**** ERROR: The API array has not been computed."));
  EXPECT_EQ(none.ctx.store[1].NPTS, 0);

  Harness h;
  h.storm(kDt, kStorm);
  h.api(kDt, 0.0f, 6);
  h.run(command);
  const std::vector<std::string> block = {
      "               CONTINUOUS SIMULATION INPUT PARAMETERS:",
      "               IaRECimp (hrs)=  2.00, IaRECper (hrs)=  6.00,",
      "               SMIN      (in)=  1.00, SMAX      (in)=  4.00, SK=0.050",
      "               InterEventTime  (hrs)= 12.00",
      "",
  };
  EXPECT_EQ(from(h.out(), "               CONTINUOUS SIMULATION", block.size()), block);
  // With an API of 0, S stays at SMAX.
  EXPECT_TRUE(contains(h.out(), "               S*max=  4.00, S*min=  4.00, S*avg=  4.00,  CNavg= 71.43"));
  EXPECT_TRUE(contains(h.summary.lines, "      [IaRECimp=   2.00: IaRECper=   6.00]"));
  EXPECT_TRUE(contains(h.summary.lines, "      [SMIN=  1.00: SMAX=  4.00: SK=0.050]"));
  EXPECT_GT(h.ctx.store[1].RV, 0.0f);
}

TEST(StandhydCommand, TimeStepZeroAndRejectedValues) {
  Harness h;
  h.run("CALIB STANDHYD      ID=[1], NHYD=[1], DT=[0], AREA=[10], XIMP=[0.3], TIMP=[0.5], DWF=[0], LOSS=[3]\n");
  EXPECT_TRUE(contains(h.warnings.lines, "**** ERROR: Time step must be greater than 1.0 minute."));
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
  EXPECT_FALSE(contains(h.out(), "|CALIB STANDHYD"));

  Harness flat;
  flat.storm(kDt, kStorm);
  calib(flat, "XIMP=[0.3], TIMP=[0.5]", "100.5",
        "IAPER=[0], SLPP=[0], LGP=[40], MNP=[0.25], SCP=[0], IAIMP=[0], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0]");
  EXPECT_TRUE(contains(flat.warnings.lines, "*** ERROR: Surface slopes must be greater than 0,  COMMAND aborted."));
  EXPECT_EQ(flat.ctx.store[1].NPTS, 0);

  Harness loss;
  loss.storm(kDt, kStorm);
  loss.run("CALIB STANDHYD      ID=[1], NHYD=[1], DT=[5], AREA=[10], XIMP=[0.3], TIMP=[0.5], DWF=[0], LOSS=[4]\n");
  EXPECT_TRUE(contains(loss.warnings.lines, "*** ERROR: LOSS must be 1, 2 or 3,  COMMAND aborted."));
}

// Forty one-hour steps of 1 in/hr: the excess is exactly the same every step
// (depths are whole inches, or halves of them), so once the unit hydrographs
// are wholly inside the storm every total ordinate sums the same terms in the
// same order and the hydrograph has a flat top of exactly equal highest
// ordinates, the last of them ordinate 41 (40 hours). STANDHYD takes the
// earliest of them as the peak, NASHYD the latest.
TEST(StandhydCommand, FlatTopPeakTimeAgainstNashyd) {
  const std::vector<float> rain(40, 1.0f);
  Harness s;
  s.storm(1.0f, rain);
  s.run("CALIB STANDHYD      ID=[1], NHYD=[1], DT=[60], AREA=[10], XIMP=[0.5], TIMP=[0.5], DWF=[0], LOSS=[3],\n"
        "                    C=[100.5], IAPER=[0], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0],\n"
        "                    IAIMP=[0], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0], RAIN=[-1]\n");
  const model::Hydrograph& u = s.ctx.store[1];
  const int top = static_cast<int>(u.TPEAK + 0.5f) + 1; // ordinate of the peak
  ASSERT_GT(top, 1);
  ASSERT_LT(top, 41);
  EXPECT_EQ(u.Q[static_cast<std::size_t>(top)], u.QPEAK);
  EXPECT_EQ(u.Q[41], u.QPEAK); // the flat top reaches the end of the rain
  EXPECT_LT(u.Q[static_cast<std::size_t>(top - 1)], u.QPEAK);
  EXPECT_FLOAT_EQ(u.TPEAK, static_cast<float>(top - 1));

  Harness n;
  n.storm(1.0f, rain);
  n.run("CALIB NASHYD        ID=[1], NHYD=[1], DT=[60], AREA=[10], BASE=[0], CN=[-1], IA=[0], N=[3], TP=[3],\n"
        "                    RAIN=[-1]\n");
  const model::Hydrograph& r = n.ctx.store[1];
  EXPECT_EQ(r.Q[41], r.QPEAK);
  EXPECT_EQ(r.Q[30], r.QPEAK); // well inside the flat top
  EXPECT_LT(r.Q[42], r.QPEAK);
  EXPECT_FLOAT_EQ(r.TPEAK, 40.0f);
}

} // namespace
