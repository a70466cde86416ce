// End-to-end cases of the runoff commands, run through the program itself in a
// fresh working directory (project and rainfall directory both that
// directory, the clock fixed): a short storm read from a file, COMPUTE NASHYD
// with a constant runoff coefficient, DESIGN STANDHYD with curve-number losses
// on the pervious surface, and DEFAULT VALUES printing the built-in values in
// metric. Every expected line was worked out from the command descriptions with
// an independent step-by-step calculation (the intermediate values are given
// beside each case), never taken from the program's own output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/golden_run.h"

namespace fs = std::filesystem;

namespace {

using support::blanks;
using support::dashes;
using support::expectLines;
using support::Lines;
using support::pad;

// Five 10-minute steps of 0.6, 1.2, 2.4, 1.8, 0.6 in/hr: PTOT = 6.6 / 6 = 1.1 in.
const Lines kFiveStepStorm = {"1", "Five step test storm", "10", "5", "0.6", "1.2", "2.4", "1.8", "0.6"};

// One program execution in its own directory.
struct RunoffRun : support::GoldenRun {
  explicit RunoffRun(const std::string& name)
      : GoldenRun(fs::path("/tmp") / ("krg" + std::to_string(::getpid()) + name),
                  {"Runoff commands", "RUN1.DAT", "RUN1.OUT", "RUN1.SUM", "first comment", "second comment", ""}) {}
};

std::string hHeading(int n) {
  char text[16];
  std::snprintf(text, sizeof text, " 001:%04d", n);
  return text + dashes(15) + "ID:NHYD" + dashes(11) + "AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-";
}
std::string pHeading(int n) {
  char text[16];
  std::snprintf(text, sizeof text, " 001:%04d", n);
  return text + dashes(76);
}

const std::string kStart = "START               TZERO=[0.0], METOUT=[1], NSTORM=[0], NRUN=[1]";

// COMPUTE NASHYD, 100 acres, DT 10 min, C = 0.5 after Ia = 0.1 in, N = 3, TP = 1 h.
//   Excess: step 1 fills Ia exactly (x = 0, no excess); then P = 0.2, 0.6, 0.9,
//   1.0 in and Q = P/2, so e = 0.6, 1.2, 0.9, 0.3 in/hr (0.5 in of excess).
//   Gamma(3) = 2, K = 0.5 h, Upk = 100 * 1.00833 * 4 e^-2 / (2 * 0.5) = 54.585 cfs.
//   Unit hydrograph ordinates at t = (j-1)/6 h until 99.9 % of the inch is held
//   (j = 35, f = 0.999155), then divided by f. Convolution of the four excess
//   steps: largest ordinate 26.561 cfs at ordinate 9, t = 8/6 = 1.333 h.
//   R.V. = 0.500 in (the unit hydrograph holds one inch), R.C. = 0.5/1.1 = 0.455.
// DESIGN STANDHYD, 25 acres, XIMP 0.3, TIMP 0.5, LOSS 2 with CN 80, slope 2 %,
// surfaces from the built-in defaults (IAper 1.5 mm, LGP 40 m, MNP 0.25, IAimp
// 0.8 mm, CLI 1.5, MNI 0.013): LGI = sqrt(25 * 43560 / 1.5) = 852.06 ft.
//   Pervious multiplier 1 + 0.2/0.5 = 1.4; S = 2.5 in. Impervious excess
//   0.411, 1.2, 2.4, 1.8, 0.6 in/hr (1.0685 in); pervious excess 0.0152,
//   0.2580, 1.2143, 1.3213, 0.4967 in/hr.
//   Impervious K: trial 1 imax 2.4 -> K = 0.07474 h (diff 0.0919); trial 2
//   imax 2.1 (diff larger) -> K = 4.48 min, n_s = 1, tp = 10 min (K < DT:
//   message 33). Pervious K (plus the impervious K): trial 1 imax 1.3213 ->
//   0.2678 h, trial 2 imax 1.2678 -> 0.2598 h (closer to 2 DT), trial 3 worse;
//   K = 15.59 min, n_s = int(1.559 + 0.5) = 2, tp = 20 min, window 20 min.
//   Unit peaks 25 * 0.3 * 1.00833 c = 40.50 and 25 * 0.5 * 1.00833 c = 28.95 cfs
//   (the pervious shape is renormalised: its ordinates summed to 5.664, not 6).
//   Surface peaks 17.10 cfs at 0.50 h and 11.02 cfs at 0.83 h; total 23.711 cfs
//   at 0.667 h. Volumes 1.07 and 0.55 in over each surface, 0.596 in in all.
TEST(RunoffGolden, StormThenComputeNashydAndDesignStandhyd) {
  RunoffRun r("nash");
  r.file("FIVE.STM", kFiveStepStorm);
  ASSERT_EQ(r.run(1, {kStart, "READ STORM", "                    \"FIVE.STM\"",
                      "COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[10], AREA=[100], PRINT=[0,0],",
                      "                    CN=[-0.5], IA=[0.1], N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]",
                      "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[10], AREA=[25], XIMP=[0.3], TIMP=[0.5],",
                      "                    DWF=[0], LOSS=[2], CN=[80], SLP=[2], RAIN=[-1]", "FINISH"}),
            0);

  expectLines(r.detailed(3),
              {
                  dashes(22),
                  "|COMPUTE NASHYD      |   Area    (ac)=  100.00   Loss Coefficient   = 0.50",
                  "| 01:000101 DT=10.00 |   Ia      (in)=   0.100   # of Linear Res.(N)= 3.00",
                  dashes(22) + "   U.H. Tp(hrs)=   1.000",
                  "",
                  "     Unit Hyd Qpeak  (cfs)=   54.585",
                  "",
                  "     PEAK FLOW       (cfs)=   26.561 (i)",
                  "     TIME TO PEAK    (hrs)=    1.333",
                  "     RUNOFF VOLUME    (in)=    0.500",
                  "     TOTAL RAINFALL   (in)=    1.100",
                  "     RUNOFF COEFFICIENT   =    0.455",
                  " ",
                  "     (i) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.",
                  " ",
              },
              "COMPUTE NASHYD detailed");
  expectLines(r.summary(3),
              {
                  hHeading(3),
                  "     COMPUTE NASHYD     01:       101   100.00   26.561 No_date    1:20    0.500.455",
                  "      [C =0.500: N= 3.00]",
                  "      [Tp= 1.00:DT=10.00]",
              },
              "COMPUTE NASHYD summary");

  const std::string warning33a = pad("      *** WARNING: Storage Coefficient is smaller than DT!", 76);
  const std::string warning33b = pad("                   Use a smaller DT or a larger area.", 76);
  expectLines(r.detailed(4),
              {
                  dashes(22),
                  "|DESIGN STANDHYD     |   Area    (ac)=   25.00",
                  "| 02:000202 DT=10.00 |   Total Imp(%)=   50.00   Dir. Conn.(%)=   30.00",
                  dashes(22),
                  blanks(30) + "IMPERVIOUS    PERVIOUS (i)",
                  "     Surface Area     (ac)=      12.50        12.50",
                  "     Dep. Storage     (in)=       0.03         0.06",
                  "     Average Slope     (%)=       2.00         2.00",
                  "     Length           (ft)=     852.06       131.23",
                  "     Mannings n           =      0.013        0.250",
                  "",
                  "     Max.eff.Inten.(in/hr)=       2.40         1.27",
                  blanks(16) + "over (min)       10.00        20.00",
                  "     Storage Coeff.  (min)=       4.48 (ii)   15.59 (ii)",
                  "     Unit Hyd. Tpeak (min)=      10.00        20.00",
                  "     Unit Hyd. peak  (cfs)=      40.50        28.95",
                  blanks(57) + "  *TOTALS*",
                  "     PEAK FLOW       (cfs)=      17.10        11.02         23.711 (iii)",
                  "     TIME TO PEAK    (hrs)=       0.50         0.83          0.667",
                  "     RUNOFF VOLUME    (in)=       1.07         0.55          0.596",
                  "     TOTAL RAINFALL   (in)=       1.10         1.10          1.100",
                  "     RUNOFF COEFFICIENT   =       0.97         0.50          0.542",
                  " ",
                  "       (i) CN PROCEDURE SELECTED FOR PERVIOUS LOSSES:",
                  "           CN* =  80.0    Ia = Dep. Storage  (Above)",
                  "      (ii) TIME STEP (DT) SHOULD BE SMALLER OR EQUAL",
                  "           THAN THE STORAGE COEFFICIENT.",
                  "     (iii) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.",
                  " ",
                  warning33a,
                  warning33b,
              },
              "DESIGN STANDHYD detailed");
  // Message 33 (severity 1) marks the summary line with "*".
  expectLines(r.summary(4),
              {
                  hHeading(4),
                  "  *  DESIGN STANDHYD    02:       202    25.00   23.711 No_date    0:40    0.600.542",
                  "      [XIMP=.30:TIMP=.50]",
                  "      [SLP=2.00:DT=10.00]",
                  "      [LOSS= 2 :CN= 80.0]",
              },
              "DESIGN STANDHYD summary");
  expectLines(r.messages(), {pad(" 001:0004 DESIGN STANDHYD", 70), pad(warning33a, 70), pad(warning33b, 70)},
              "messages");
}

// DEFAULT VALUES with ICASEdv 3 and metric output prints the built-in list:
// 50/25.4 in/hr * 25.4 = 50.00 mm/hr, 7.50 mm/hr, DCAY 2.00, F 0.00 mm,
// IAper 1.50 mm, LGP 40 * 3.2808 / 3.2808 = 40.00 m, MNP 0.250, IAimp 0.80 mm,
// CLI 1.50, MNI 0.013, Ia 1.50 mm, N 3.00, under the file name
// "*** internal values ***" and the built-in title note (its second line is
// this program's own wording, cut to 60 columns by A60).
TEST(RunoffGolden, DefaultValuesPrintsTheBuiltInListInMetric) {
  RunoffRun r("dv");
  ASSERT_EQ(r.run(2, {"START               TZERO=[0.0], METOUT=[2], NSTORM=[0], NRUN=[1]",
                      "DEFAULT VALUES      ICASEDV=[3]", "FINISH"}),
            0);
  const Lines values = {
      "      FileTitle= " + pad("Internal values are based on various model calibration", 60),
      blanks(17) + "exercises on urban and rural catchments of a humid temperate",
      "      Horton's infiltration equation parameters:",
      "      [Fo= 50.00 mm/hr] [Fc= 7.50 mm/hr] [DCAY= 2.00 /hr] [F= 0.00 mm]",
      "      Parameters for PERVIOUS surfaces in STANDHYD:",
      "      [IAper=   1.50 mm] [LGP=40.00 m] [MNP=0.250]",
      "      Parameters for IMPERVIOUS surfaces in STANDHYD:",
      "      [IAimp=   0.80 mm] [CLI= 1.50]   [MNI=0.013]",
      "      Parameters used in NASHYD:",
      "      [Ia=   1.50 mm] [N= 3.00]",
  };
  Lines detailed = {
      dashes(22),
      "|DEFAULT VALUES      |  Filename: " + pad("*** internal values ***", 60),
      dashes(22) + "  ICASEdv = 3 (print current values)",
  };
  detailed.insert(detailed.end(), values.begin(), values.end());
  expectLines(r.detailed(2), detailed, "DEFAULT VALUES detailed");

  Lines summary = {
      pHeading(2),
      "     DEFAULT VALUES    ",
      "      Filename = " + pad("*** internal values ***", 60),
      "      ICASEdv  = 3 (print current values)",
  };
  summary.insert(summary.end(), values.begin(), values.end());
  expectLines(r.summary(2), summary, "DEFAULT VALUES summary");
  EXPECT_TRUE(r.messages().empty());
}

// The same COMPUTE NASHYD after a START whose TZERO holds the date 2020-06-15
// 00:00: READ STORM gives the storm that date, so the peak 1.333 h into the day
// is shown as 2020.0615 (F9.4), "_", the hour " 1" (I2) and ":20" both under
// TIME TO PEAK ("or on") and in the summary line.
TEST(RunoffGolden, DatedStormShowsThePeakAsDateAndTime) {
  RunoffRun r("date");
  r.file("FIVE.STM", kFiveStepStorm);
  ASSERT_EQ(r.run(1, {"START               TZERO=[2020.0615], METOUT=[1], NSTORM=[0], NRUN=[1]", "READ STORM",
                      "                    \"FIVE.STM\"",
                      "COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[10], AREA=[100], PRINT=[0,0],",
                      "                    CN=[-0.5], IA=[0.1], N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]", "FINISH"}),
            0);
  const Lines block = r.detailed(3);
  ASSERT_GE(block.size(), 10u);
  EXPECT_EQ(block[8], "     TIME TO PEAK    (hrs)=    1.333");
  EXPECT_EQ(block[9], "                     or on  2020.0615_ 1:20");
  EXPECT_EQ(r.summary(3).at(1), "     COMPUTE NASHYD     01:       101   100.00   26.561 2020.0615_ 1:20    0.500.455");
}

// The storm of 10-minute steps used at 5 minutes and then at 10 minutes again.
// COMPUTE NASHYD with DT = -0.0833333 (a negative step is in hours and asks
// for the transformed hyetograph): k = int(2 + 0.1) = 2, DT = 10/2 = 5 min,
// N' = int(2 * 5 + 0.55) = 10 working steps, each storm step twice, total
// 13.2 / 12 = 1.1 in unchanged (no message). The storm's own 5 steps need 2
// rows, too few for 10 working steps, so the printout takes (10 + 3) / 4 = 3
// rows: steps 1, 4, 7, 10 / 2, 5, 8 / 3, 6, 9 at i/12 hours. The excess is the
// same as at 10 minutes (0.05 + 0.05 fill Ia = 0.1, then half of the remaining
// 1.0 in), so RV = 0.500. The next COMPUTE NASHYD at DT 10 works from the
// storm as defined again and gives exactly the 10-minute results worked out
// for StormThenComputeNashydAndDesignStandhyd (26.561 cfs at 1.333 h).
TEST(RunoffGolden, StormAtAFinerStepThenAsDefinedAgain) {
  RunoffRun r("fine");
  r.file("FIVE.STM", kFiveStepStorm);
  ASSERT_EQ(r.run(1, {kStart, "READ STORM", "                    \"FIVE.STM\"",
                      "COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[-0.0833333], AREA=[100], PRINT=[0,0],",
                      "                    CN=[-0.5], IA=[0.1], N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]",
                      "COMPUTE NASHYD      ID=[2], NHYD=[102], DT=[10], AREA=[100], PRINT=[0,0],",
                      "                    CN=[-0.5], IA=[0.1], N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]", "FINISH"}),
            0);
  const Lines fine = r.detailed(3);
  const Lines transformed = {
      blanks(31) + "---- TRANSFORMED HYETOGRAPH ----",
      blanks(15) + "  TIME    RAIN |  TIME    RAIN |  TIME    RAIN |  TIME    RAIN",
      blanks(15) + "   hrs   in/hr |   hrs   in/hr |   hrs   in/hr |   hrs   in/hr",
      blanks(15) + "   0.08   0.60 |   0.33   1.20 |   0.58   1.80 |   0.83   0.60",
      blanks(15) + "   0.17   0.60 |   0.42   2.40 |   0.67   1.80 |",
      blanks(15) + "   0.25   1.20 |   0.50   2.40 |   0.75   0.60 |",
      " ",
  };
  std::size_t at = 0;
  while (at < fine.size() && fine[at] != transformed[0]) ++at;
  ASSERT_LT(at + transformed.size(), fine.size()) << "no transformed hyetograph";
  expectLines(Lines(fine.begin() + static_cast<long>(at), fine.begin() + static_cast<long>(at + transformed.size())),
              transformed, "transformed hyetograph");
  EXPECT_TRUE(support::contains(fine, "     RUNOFF VOLUME    (in)=    0.500"));
  EXPECT_TRUE(support::contains(fine, "| 01:000101 DT= 5.00 |   Ia      (in)=   0.100   # of Linear Res.(N)= 3.00"));
  EXPECT_TRUE(r.messages().empty());

  expectLines(r.detailed(4),
              {
                  dashes(22),
                  "|COMPUTE NASHYD      |   Area    (ac)=  100.00   Loss Coefficient   = 0.50",
                  "| 02:000102 DT=10.00 |   Ia      (in)=   0.100   # of Linear Res.(N)= 3.00",
                  dashes(22) + "   U.H. Tp(hrs)=   1.000",
                  "",
                  "     Unit Hyd Qpeak  (cfs)=   54.585",
                  "",
                  "     PEAK FLOW       (cfs)=   26.561 (i)",
                  "     TIME TO PEAK    (hrs)=    1.333",
                  "     RUNOFF VOLUME    (in)=    0.500",
                  "     TOTAL RAINFALL   (in)=    1.100",
                  "     RUNOFF COEFFICIENT   =    0.455",
                  " ",
                  "     (i) PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.",
                  " ",
              },
              "COMPUTE NASHYD at the storm's own step");
}

// Values the runoff commands cannot use end the run with a numbered error
// (exit status 1) instead of reading past the unit hydrograph (AREA 0), a
// gamma recurrence that never ends (N of 2^25), NaN (N 30), an allocation
// failure (NRAIN -200 or 3e9); a storm of no depth brought to a finer step
// gives runoff coefficients of 0, and a warning after "XIMP cannot be larger
// than TIMP" keeps the error.
TEST(RunoffGolden, UnusableValuesAndEmptyStormsNeverGiveNaNOrSuccess) {
  struct Case {
    const char* name;
    Lines command;
    const char* storm; // file read before the command
    int exitStatus;
    const char* expected; // a line of the detailed output
  };
  const std::string kStep = "                    ";
  const std::vector<Case> cases = {
      {"area0",
       {"COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[10], AREA=[0], PRINT=[0,0],",
        kStep + "CN=[75], IA=[0.1], N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]"},
       "FIVE.STM",
       1,
       "      *** ERROR: AREA must be greater than 0,  COMMAND aborted."},
      {"areaneg",
       {"CALIB NASHYD        ID=[2], NHYD=[102], DT=[10], AREA=[-5], QBASE=[0.5],",
        kStep + "CN=[85], IA=[0.1], N=[3], TP=[0.7], RAIN=[-1]"},
       "FIVE.STM",
       1,
       "      *** ERROR: AREA must be greater than 0,  COMMAND aborted."},
      {"nhuge",
       {"COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[10], AREA=[100], PRINT=[0,0],",
        kStep + "CN=[75], IA=[0.1], N=[33554432], TP=[1.0], NRAIN=[0], RAIN=[-1]"},
       "FIVE.STM",
       1,
       "      *** ERROR: N must not be greater than 25,  COMMAND aborted."},
      {"n30",
       {"COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[10], AREA=[100], PRINT=[0,0],",
        kStep + "CN=[75], IA=[0.1], N=[30], TP=[1.0], NRAIN=[0], RAIN=[-1]"},
       "FIVE.STM",
       1,
       "      *** ERROR: N must not be greater than 25,  COMMAND aborted."},
      {"nrainneg",
       {"COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[10], AREA=[100], PRINT=[0,0],",
        kStep + "CN=[75], IA=[0.1], N=[3], TP=[1.0], NRAIN=[-200], RAIN=[-1]"},
       "FIVE.STM",
       1,
       "      *** ERROR: NRAIN must be from 0 to 105408,  COMMAND aborted."},
      {"nrainhuge",
       {"COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[10], AREA=[100], PRINT=[0,0],",
        kStep + "CN=[75], IA=[0.1], N=[3], TP=[1.0], NRAIN=[3000000000], RAIN=[-1]"},
       "FIVE.STM",
       1,
       "      *** ERROR: NRAIN must be from 0 to 105408,  COMMAND aborted."},
      {"urbnrain",
       {"COMPUTE URBHYD      ID=[1], NHYD=[201], DT=[10], AREA=[25], X=[0], XIMP=[30],",
        kStep + "TIMP=[50], NRAIN=[-300], FO=[-1], CN=[80], IA=[0.2], F=[0], IAI=[0.05],",
        kStep + "IAP=[0.1], SCI=[0], SCP=[0], S=[2], L=[100], N=[0.015], S=[3], L=[50],", kStep + "N=[0.3], RAIN=[-1]"},
       "FIVE.STM",
       1,
       "      *** ERROR: NRAIN must be from 0 to 105408,  COMMAND aborted."},
      // A storm of no depth at 10 minutes brought to 5: PTOT 0 after the change of step.
      {"nashdry",
       {"COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[5], AREA=[100], PRINT=[0,0],",
        kStep + "CN=[75], IA=[0.1], N=[3], TP=[1.0], NRAIN=[0], RAIN=[-1]"},
       "DRY.STM",
       0,
       "     RUNOFF COEFFICIENT   =    0.000"},
      {"urbdry",
       {"COMPUTE URBHYD      ID=[1], NHYD=[201], DT=[5], AREA=[25], X=[0], XIMP=[30],",
        kStep + "TIMP=[50], NRAIN=[0], FO=[-1], CN=[80], IA=[0.2], F=[0], IAI=[0.05],",
        kStep + "IAP=[0.1], SCI=[0], SCP=[0], S=[2], L=[100], N=[0.015], S=[3], L=[50],", kStep + "N=[0.3], RAIN=[-1]"},
       "DRY.STM",
       0,
       "     RUNOFF COEFFICIENT   =       0.00         0.00          0.000"},
      // XIMP 0.15 above TIMP 0.10, then the warning on TIMP below 0.2.
      {"ximp",
       {"CALIB STANDHYD      ID=[1], NHYD=[301], DT=[10], AREA=[25], XIMP=[15], TIMP=[10],",
        kStep + "DWF=[0.2], LOSS=[2], CN=[80], IAP=[0.2], SLP=[2], LGP=[40], MNP=[0.25],",
        kStep + "SCP=[0], IAI=[0.05], SLI=[1], LGI=[200], MNI=[0.013], SCI=[0], RAIN=[-1]"},
       "FIVE.STM",
       1,
       " **** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunoffRun r(std::string("bad") + c.name);
    r.file("FIVE.STM", kFiveStepStorm);
    r.file("DRY.STM", {"1", "Dry storm", "10", "3", "0", "0", "0"});
    Lines input = {kStart, "READ STORM", kStep + "\"" + c.storm + "\""};
    input.insert(input.end(), c.command.begin(), c.command.end());
    input.push_back("FINISH");
    EXPECT_EQ(r.run(1, input), c.exitStatus);
    EXPECT_TRUE(support::contains(r.out, c.expected));
    for (const Lines* lines : {&r.out, &r.sum}) {
      for (const std::string& line : *lines) {
        EXPECT_EQ(line.find("NaN"), std::string::npos) << line;
        EXPECT_EQ(line.find("Inf"), std::string::npos) << line;
      }
    }
  }
}

} // namespace
