// End-to-end cases of the hydrograph store commands: STORE HYD, PRINT HYD,
// SAVE HYD (file form and the save-all switch) and READ HYD, run through the
// program itself in a fresh working directory. The command blocks of the
// detailed output, the summary lines of the summary output and the files the
// commands write are compared line by line (and byte by byte for the summary
// record file) with texts worked out by hand from the formats of the commands.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "support/golden_run.h"

namespace fs = std::filesystem;

namespace {

using support::expectLines;
using support::fileText;
using support::Lines;
using support::pad;
using support::readLines;

// One run of the program in its own short-named working directory (the paths
// printed in 60-column fields must fit), with the project and rainfall
// directories both set to that directory.
class HydCase : public support::GoldenRun {
public:
  HydCase(const std::string& name, const std::string& input)
      : GoldenRun(fs::path("/tmp") / ("khg" + std::to_string(::getpid()) + name),
                  {"Hydrograph golden case", "HYD.DAT", "HYD.OUT", "HYD.SUM", "", "", ""}),
        exitStatus_(run(input)) {}

  int exitStatus() const { return exitStatus_; }

private:
  int exitStatus_;
};

// Heading lines of the summary output for command n of run 1: the
// hydrograph heading and the plain one.
std::string headingH(const std::string& n) {
  return " 001:" + n + "---------------ID:NHYD-----------AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-";
}
std::string headingP(const std::string& n) { return " 001:" + n + std::string(76, '-'); }

// A summary line from its hand-formatted fields: marker (A4), label (A19),
// ID, NHYD (A10 / I10), area (F9.2), peak (F9.3), date (A15), R.V. (F8.2), R.C.
std::string sline(const std::string& marker, const std::string& label, const std::string& id, const std::string& nhyd,
                  const std::string& area, const std::string& peak, const std::string& date, const std::string& rv,
                  const std::string& rc = "  n/a") {
  return " " + marker + pad(label, 19) + id + ":" + nhyd + area + peak + " " + date + rv + rc;
}

const char* kStart1 = "START               TZERO=[0.0], METOUT=[1], NSTORM=[0], NRUN=[1]\n";
const char* kStart2 = "START               TZERO=[0.0], METOUT=[2], NSTORM=[0], NRUN=[1]\n";

const std::string kTimeHeader = "  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |  TIME    FLOW";
const std::string kCfs = "   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs |   hrs     cfs";
const std::string kCms = "   hrs     cms |   hrs     cms |   hrs     cms |   hrs     cms |   hrs     cms";
const std::string kPeakNote = "     (i)  PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.";
const std::string kRule = "--------------------";

// ---- STORE HYD ----

TEST(HydrographGolden, StoreHydImperial) {
  HydCase c("store", std::string(" 1\n") + kStart1 +
                         "STORE HYD           ID=[1], NHYD=[123], DT=[5], AREA=[10]\n"
                         "                    1.0 3.0 8.0 6.0 4.0 2.0 1.0 -1\n"
                         "STORE HYD           ID=[2], NHYD=[45], DT=[0.5], AREA=[3.5]\n"
                         "                    2.5 -1\n"
                         "STORE HYD           ID=[3], NHYD=[\"DRY\"], DT=[1], AREA=[1]\n"
                         "                    -1\n"
                         "PRINT HYD           ID=[3], PCYC=[0]\n"
                         "FINISH\n");
  ASSERT_EQ(c.exitStatus(), 0);

  // Seven flows of 5 minutes: two rows reading down the columns (1 3 5 7 / 2 4 6).
  expectLines(c.detailed(2),
              {kRule, "| STORE HYD        |   AREA       (ac)=  10.000",
               "| ID=01  (000123)  |   QPEAK     (cfs)=   8.000", "--------------------   TPEAK     (hrs)=   0.167",
               "                       VOLUME     (in)=   0.207", " ", kTimeHeader, kCfs,
               "  0.00    1.00 |  0.17    8.00 |  0.33    4.00 |  0.50    1.00 |",
               "  0.08    3.00 |  0.25    6.00 |  0.42    2.00 |"},
              "STORE HYD of seven flows");
  expectLines(c.summary(2),
              {headingH("0002"),
               sline("    ", "STORE HYD", "01", "       123", "    10.00", "    8.000", "No_date    0:10", "    0.21")},
              "summary of seven flows");

  // One flow: the block without a table; DT below 1 is in hours.
  expectLines(c.detailed(3),
              {kRule, "| STORE HYD        |   AREA       (ac)=   3.500",
               "| ID=02  (000045)  |   QPEAK     (cfs)=   2.500", "--------------------   TPEAK     (hrs)=   0.000",
               "                       VOLUME     (in)=   0.354", " "},
              "STORE HYD of one flow");
  expectLines(c.summary(3),
              {headingH("0003"),
               sline("    ", "STORE HYD", "02", "        45", "     3.50", "    2.500", "No_date    0:00", "    0.35")},
              "summary of one flow");

  // First value negative: no ordinates; a quoted reference shows its name.
  expectLines(c.detailed(4),
              {kRule, "| STORE HYD        |   AREA       (ac)=   1.000",
               "| ID=03  (DRY   )  |   QPEAK     (cfs)=   0.000", "--------------------   TPEAK     (hrs)=   0.000",
               "                       VOLUME     (in)=   0.000", " "},
              "STORE HYD of no flows");
  expectLines(c.summary(4),
              {headingH("0004"),
               sline("    ", "STORE HYD", "03", "DRY       ", "     1.00", "    0.000", "No_date    0:00", "    0.00")},
              "summary of no flows");

  // PRINT HYD of the dry slot: message 170 (a warning) and no table; the
  // warning marks the summary line with "*". DT given as 1 is one minute.
  expectLines(c.detailed(5),
              {kRule, "| PRINT HYD        |   AREA       (ac)=    1.000",
               "| ID=03 (DRY   )   |   QPEAK     (cfs)=    0.000 (i)",
               "| DT= 1.00 PCYC= 1 |   TPEAK     (hrs)=    0.000", "--------------------   VOLUME     (in)=    0.000",
               " ", kPeakNote, pad("      *** WARNING: This hydrograph is dry.", 76)},
              "PRINT HYD of a dry slot");
  expectLines(c.summary(5),
              {headingH("0005"),
               sline(" *  ", "PRINT HYD", "03", "DRY       ", "     1.00", "    0.000", "No_date    0:00", "    0.00")},
              "summary of PRINT HYD of a dry slot");
}

TEST(HydrographGolden, StoreHydMetricInImperialOutAndPrintCycleTwo) {
  HydCase c("metin", std::string(" 2\n") + kStart1 +
                         "STORE HYD           ID=[2], NHYD=[\"INFLOW-A\"], DT=[0.5], AREA=[10]\n"
                         "                    0.1 0.2 0.5 0.3 0.5 0.4 0.2 0.1 0.05 0.02 0.01 0.0 -1\n"
                         "PRINT HYD           ID=[2], PCYC=[2]\n"
                         "FINISH\n");
  ASSERT_EQ(c.exitStatus(), 0);

  // 10 ha are 24.71 acres; flows in cms become cfs (x 3.2808 cubed); twelve
  // flows make three rows; the first of the two equal peaks (hour 1) counts.
  expectLines(c.detailed(2),
              {kRule, "| STORE HYD        |   AREA       (ac)=  24.710",
               "| ID=02  (INFLOW)  |   QPEAK     (cfs)=  17.657", "--------------------   TPEAK     (hrs)=   1.000",
               "                       VOLUME     (in)=   1.687", " ", kTimeHeader, kCfs,
               "  0.00    3.53 |  1.50   10.59 |  3.00    7.06 |  4.50    0.71 |",
               "  0.50    7.06 |  2.00   17.66 |  3.50    3.53 |  5.00    0.35 |",
               "  1.00   17.66 |  2.50   14.13 |  4.00    1.77 |  5.50    0.00 |"},
              "STORE HYD, metric input");
  expectLines(c.summary(2),
              {headingH("0002"),
               sline("    ", "STORE HYD", "02", "INFLOW-A  ", "    24.71", "   17.657", "No_date    1:00", "    1.69")},
              "summary, metric input");

  // PRINT HYD cuts the zero tail ordinate (12 -> 11), then PCYC 2 gives
  // R = (10 + 11) / 10 = 2 rows from ordinates 1 and 3, stride 4.
  expectLines(c.detailed(3),
              {kRule, "| PRINT HYD        |   AREA       (ac)=   24.710",
               "| ID=02 (INFLOW)   |   QPEAK     (cfs)=   17.657 (i)",
               "| DT=30.00 PCYC= 2 |   TPEAK     (hrs)=    1.000", "--------------------   VOLUME     (in)=    1.687",
               " ", kPeakNote, kTimeHeader, kCfs, "   0.00   3.531|   2.00  17.657|   4.00   1.766|",
               "   1.00  17.657|   3.00   7.063|   5.00   0.353|"},
              "PRINT HYD with PCYC 2");
  expectLines(c.summary(3),
              {headingH("0003"),
               sline("    ", "PRINT HYD", "02", "INFLOW-A  ", "    24.71", "   17.657", "No_date    1:00", "    1.69")},
              "summary of PRINT HYD");
}

// ---- PRINT HYD ----

TEST(HydrographGolden, PrintHydCycles) {
  HydCase c("print", std::string(" 1\n") + "START               TZERO=[1.5], METOUT=[1], NSTORM=[0], NRUN=[1]\n"
                                           "STORE HYD           ID=[4], NHYD=[9], DT=[10], AREA=[5]\n"
                                           "                    2 4 6 8 10 8 6 4 2 1 0.0003 0 -1\n"
                                           "PRINT HYD           ID=[4], PCYC=[1]\n"
                                           "STORE HYD           ID=[5], NHYD=[20], DT=[5], AREA=[1]\n"
                                           "                    1 2 3 4 5 6 7 8 9 10 10 9 8 7 6 5 4 3 2 1 -1\n"
                                           "PRINT HYD           ID=[5], PCYC=[2]\n"
                                           "PRINT HYD           ID=[5], PCYC=[-1]\n"
                                           "FINISH\n");
  ASSERT_EQ(c.exitStatus(), 0);

  // The two tail ordinates at or below 0.0003528 cfs are cut: 10 remain,
  // PCYC 1 prints three rows (1 4 7 10 / 2 5 8 / 3 6 9); times start at TZERO.
  expectLines(c.detailed(3),
              {kRule, "| PRINT HYD        |   AREA       (ac)=    5.000",
               "| ID=04 (000009)   |   QPEAK     (cfs)=   10.000 (i)",
               "| DT=10.00 PCYC= 1 |   TPEAK     (hrs)=    2.167", "--------------------   VOLUME     (in)=    1.686",
               " ", kPeakNote, kTimeHeader, kCfs, "   1.50   2.000|   2.00   8.000|   2.50   6.000|   3.00   1.000|",
               "   1.67   4.000|   2.17  10.000|   2.67   4.000|", "   1.83   6.000|   2.33   8.000|   2.83   2.000|"},
              "PRINT HYD with PCYC 1");
  expectLines(c.summary(3),
              {headingH("0003"),
               sline("    ", "PRINT HYD", "04", "         9", "     5.00", "   10.000", "No_date    2:10", "    1.69")},
              "summary of PCYC 1");

  // Twenty ordinates, PCYC 2: rows from ordinates 1, 3 and 5, every 6th.
  expectLines(c.detailed(5),
              {kRule, "| PRINT HYD        |   AREA       (ac)=    1.000",
               "| ID=05 (000020)   |   QPEAK     (cfs)=   10.000 (i)",
               "| DT= 5.00 PCYC= 2 |   TPEAK     (hrs)=    2.250", "--------------------   VOLUME     (in)=    9.091",
               " ", kPeakNote, kTimeHeader, kCfs, "   1.50   1.000|   2.00   7.000|   2.50   8.000|   3.00   2.000|",
               "   1.67   3.000|   2.17   9.000|   2.67   6.000|", "   1.83   5.000|   2.33  10.000|   2.83   4.000|"},
              "PRINT HYD with PCYC 2");

  // A negative PCYC is printed as given and no table follows.
  expectLines(c.detailed(6),
              {kRule, "| PRINT HYD        |   AREA       (ac)=    1.000",
               "| ID=05 (000020)   |   QPEAK     (cfs)=   10.000 (i)",
               "| DT= 5.00 PCYC=-1 |   TPEAK     (hrs)=    2.250", "--------------------   VOLUME     (in)=    9.091",
               " ", kPeakNote},
              "PRINT HYD with PCYC -1");
  expectLines(c.summary(6),
              {headingH("0006"),
               sline("    ", "PRINT HYD", "05", "        20", "     1.00", "   10.000", "No_date    2:15", "    9.09")},
              "summary of PCYC -1");
}

// ---- SAVE HYD and READ HYD ----

TEST(HydrographGolden, SaveAndReadImperial) {
  HydCase c("imp", std::string(" 1\n") + kStart1 +
                       "STORE HYD           ID=[1], NHYD=[123], DT=[5], AREA=[10]\n"
                       "                    1.0 3.0 8.0 6.0 4.0 2.0 1.0 -1\n"
                       "SAVE HYD            ID=[1], PCYC=[-1], ICASE=[-1]\n"
                       "  FILENAME          flow1.hyd\n"
                       "  COMMENT           round trip imperial\n"
                       "READ HYD            ID=[3], NHYD=[456], \"flow1.hyd\"\n"
                       "READ HYD            ID=[4], NHYD=[457]\n"
                       "  FILE              flow1.hyd\n"
                       "FINISH\n");
  ASSERT_EQ(c.exitStatus(), 0);
  const std::string file = c.path("flow1.hyd");
  const std::string comment = "round trip imperial";

  // Name and comment from columns 21-80 of the two lines after the command.
  expectLines(c.detailed(3),
              {kRule, "| SAVE HYD         |   AREA       (ac)=   10.000",
               "| ID=01 (000123)   |   QPEAK     (cfs)=    8.000 (i)",
               "| DT= 5.00 PCYC=-1 |   TPEAK     (hrs)=    0.167", "--------------------   VOLUME     (in)=    0.207",
               "  Filename: " + pad(file, 60), "  Comments: " + pad(comment, 60), " ", kPeakNote},
              "SAVE HYD block");
  expectLines(c.summary(3),
              {headingH("0003"),
               sline("    ", "SAVE HYD", "01", "       123", "    10.00", "    8.000", "No_date    0:10", "    0.21"),
               "      fname :" + pad(file, 60), "      remark:" + pad(comment, 60)},
              "SAVE HYD summary");
  expectLines(readLines(file),
              {" 1", pad(comment, 60), "     5.00", "     10.0000", "     1.000000", "     3.000000", "     8.000000",
               "     6.000000", "     4.000000", "     2.000000", "     1.000000", "   -1.000"},
              "hydrograph file");

  // READ HYD prints the slot with a blank peak mark and every ordinate.
  expectLines(c.detailed(4),
              {kRule, "| READ HYD         |   AREA       (ac)=   10.000",
               "| ID=03 (000456)   |   QPEAK     (cfs)=    8.000    ",
               "| DT= 5.00 PCYC= 1 |   TPEAK     (hrs)=    0.167", "--------------------   VOLUME     (in)=    0.207",
               "  Filename: " + pad(file, 60), "  Comments: " + pad(comment, 60), " ", kTimeHeader, kCfs,
               "   0.00   1.000|   0.17   8.000|   0.33   4.000|   0.50   1.000|",
               "   0.08   3.000|   0.25   6.000|   0.42   2.000|"},
              "READ HYD block");
  expectLines(c.summary(4),
              {headingH("0004"),
               sline("    ", "READ HYD", "03", "       456", "    10.00", "    8.000", "No_date    0:10", "    0.21"),
               "      Filename = " + pad(file, 60), "      Comment  = " + pad(comment, 60)},
              "READ HYD summary");

  // The file name on the line after the command line.
  expectLines(c.summary(5),
              {headingH("0005"),
               sline("    ", "READ HYD", "04", "       457", "    10.00", "    8.000", "No_date    0:10", "    0.21"),
               "      Filename = " + pad(file, 60), "      Comment  = " + pad(comment, 60)},
              "READ HYD summary, name on the next line");
}

TEST(HydrographGolden, SaveAndReadMetric) {
  HydCase c("met", std::string(" 1\n") + kStart2 +
                       "STORE HYD           ID=[2], NHYD=[\"INFLOW-A\"], DT=[5], AREA=[2.471]\n"
                       "                    3.5 7 14 7 3.5 -1\n"
                       "SAVE HYD            ID=[2], PCYC=[1], ICASE=[0]\n"
                       "  COMMENT           metric trip\n"
                       "READ HYD            ID=[6], NHYD=[\"BACK\"]\n"
                       "FILE                H-INFLOW.001\n"
                       "FINISH\n");
  ASSERT_EQ(c.exitStatus(), 0);
  // Automatic name: "H-", the first six characters of the name, ".001".
  const std::string file = c.path("H-INFLOW.001");
  const std::string comment = "metric trip";

  expectLines(c.detailed(3),
              {kRule, "| SAVE HYD         |   AREA       (ha)=    1.000",
               "| ID=02 (INFLOW)   |   QPEAK     (cms)=    0.396 (i)",
               "| DT= 5.00 PCYC= 1 |   TPEAK     (hrs)=    0.167", "--------------------   VOLUME     (mm)=   29.733",
               "  Filename: " + pad(file, 60), "  Comments: " + pad(comment, 60), " ", kPeakNote, kTimeHeader, kCms,
               "   0.00   0.099|   0.17   0.396|   0.33   0.099|", "   0.08   0.198|   0.25   0.198|"},
              "SAVE HYD block, metric");
  expectLines(c.summary(3),
              {headingH("0003"),
               sline("    ", "SAVE HYD", "02", "INFLOW-A  ", "     1.00", "    0.396", "No_date    0:10", "   29.73"),
               "      fname :" + pad(file, 60), "      remark:" + pad(comment, 60)},
              "SAVE HYD summary, metric");
  // The file is in the output units: flag 2, hectares, cms.
  expectLines(readLines(file),
              {" 2", pad(comment, 60), "     5.00", "      1.0000", "     0.099113", "     0.198225", "     0.396450",
               "     0.198225", "     0.099113", "   -1.000"},
              "metric hydrograph file");

  // Read back with the file factors (35.31338, 2.471) and printed in metric.
  expectLines(c.detailed(4),
              {kRule, "| READ HYD         |   AREA       (ha)=    1.000",
               "| ID=06 (BACK  )   |   QPEAK     (cms)=    0.396    ",
               "| DT= 5.00 PCYC= 1 |   TPEAK     (hrs)=    0.167", "--------------------   VOLUME     (mm)=   29.733",
               "  Filename: " + pad(file, 60), "  Comments: " + pad(comment, 60), " ", kTimeHeader, kCms,
               "   0.00   0.099|   0.17   0.396|   0.33   0.099|", "   0.08   0.198|   0.25   0.198|"},
              "READ HYD block, metric");
  expectLines(c.summary(4),
              {headingH("0004"),
               sline("    ", "READ HYD", "06", "BACK      ", "     1.00", "    0.396", "No_date    0:10", "   29.73"),
               "      Filename = " + pad(file, 60), "      Comment  = " + pad(comment, 60)},
              "READ HYD summary, metric");
  // The name line was taken by READ HYD: FINISH is command 5.
  EXPECT_EQ(c.summary(5).front(), headingP("0005"));
}

// ---- Saving of all simulated hydrographs ----

void appendInt(std::string& b, std::int32_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xFF));
}
void appendReal(std::string& b, float v) {
  std::int32_t bits;
  std::memcpy(&bits, &v, 4);
  appendInt(b, bits);
}

TEST(HydrographGolden, SaveAllSwitchWritesAutomaticFilesAndRecords) {
  HydCase c("all", std::string(" 1\n") + kStart1 +
                       "SAVE HYD            CODE=[2], PCYC=[0]\n"
                       "STORE HYD           ID=[5], NHYD=[\"AUTOMATIC1\"], DT=[10], AREA=[2]\n"
                       "                    0.5 1.5 1.0 -1\n"
                       "STORE HYD           ID=[6], NHYD=[77], DT=[10], AREA=[2]\n"
                       "                    0.5 -1\n"
                       "SAVE HYD            CODE=[-2], PCYC=[0]\n"
                       "SAVE HYD            CODE=[5], PCYC=[0]\n"
                       "STORE HYD           ID=[7], NHYD=[8], DT=[10], AREA=[2]\n"
                       "                    0.5 -1\n"
                       "READ HYD            ID=[8], NHYD=[88], \"AUTOMATI.001\"\n"
                       "FINISH\n");
  ASSERT_EQ(c.exitStatus(), 0);
  const std::string on = " " + std::string(3, ' ') + pad(" SAVE HYD", 19) + pad("SAVE ALL SIMULATED HYDROGRAPHS", 60);
  const std::string off =
      " " + std::string(3, ' ') + pad(" SAVE HYD", 19) + pad("STOP SAVING ALL SIMULATED HYDROGRAPHS", 60);

  expectLines(c.detailed(2), {on}, "switch on, detailed");
  expectLines(c.summary(2), {headingP("0002"), on}, "switch on, summary");
  expectLines(c.detailed(5), {off}, "switch off, detailed");
  expectLines(c.summary(5), {headingP("0005"), off}, "switch off, summary");
  // Any other code leaves the flag and names its state.
  expectLines(c.summary(6), {headingP("0006"), off}, "code 5, summary");

  // A named slot: the file is named by the first 8 characters of the name.
  const std::string named = c.path("AUTOMATI.001");
  expectLines(c.detailed(3),
              {"  IN SVHYD=1, HYDFILE= " + pad(named, 80), kRule, "| STORE HYD        |   AREA       (ac)=   2.000",
               "| ID=05  (AUTOMA)  |   QPEAK     (cfs)=   1.500", "--------------------   TPEAK     (hrs)=   0.167",
               "                       VOLUME     (in)=   0.248", " ", kTimeHeader, kCfs,
               "  0.00    0.50 |  0.17    1.50 |  0.33    1.00 |"},
              "STORE HYD while saving all");
  expectLines(
      readLines(named),
      {" 1", std::string(60, ' '), "    10.00", "      2.0000", ".50000E+00", ".15000E+01", ".10000E+01", " -1.0"},
      "automatic file of a named slot");

  // A numeric slot: the file is named as SAVE HYD names it, "H-" and six digits.
  const std::string numbered = c.path("H-000077.001");
  EXPECT_EQ(c.detailed(4).front(), "  IN SVHYD=1, HYDFILE= " + pad(numbered, 80));
  expectLines(readLines(numbered), {" 1", std::string(60, ' '), "    10.00", "      2.0000", ".50000E+00", " -1.0"},
              "automatic file of a numeric slot");

  // Saving is off again: no announcement.
  EXPECT_EQ(c.detailed(7).front(), kRule);

  // READ HYD takes the automatic file back: exponent-form ordinates, a blank
  // comment and the short end mark.
  expectLines(c.summary(8),
              {headingH("0008"),
               sline("    ", "READ HYD", "08", "        88", "     2.00", "    1.500", "No_date    0:10", "    0.25"),
               "      Filename = " + pad(named, 60), "      Comment  = " + std::string(60, ' ')},
              "READ HYD of an automatic file");

  // The summary record file: the 90-byte directory header and two records.
  std::string want = pad(c.project(), 90);
  appendInt(want, 1001);
  want += std::string(90, ' ');
  want += pad("STORE HYD", 19);
  appendInt(want, 5);
  want += "AUTOMATIC1";
  appendReal(want, 10.0f);
  appendReal(want, 2.0f);
  appendReal(want, 1.5f);
  want += "No_date    0:10";
  appendReal(want, 0.247934714f); // 3 cfs x 1/6 h / (2 ac x 1.00833)
  appendInt(want, 3);
  appendInt(want, 1001);
  want += std::string(90, ' ');
  want += pad("STORE HYD", 19);
  appendInt(want, 6);
  want += std::string(10, ' ');
  appendReal(want, 10.0f);
  appendReal(want, 2.0f);
  appendReal(want, 0.5f);
  want += "No_date    0:00";
  appendReal(want, 0.0413224511f); // 0.5 cfs x 1/6 h / (2 ac x 1.00833)
  appendInt(want, 1);
  ASSERT_EQ(want.size(), 90u + 2u * 162u);
  const std::string got = fileText(c.path("SUMMARY.sbo"));
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) ASSERT_EQ(got[i], want[i]) << "SUMMARY.sbo byte " << i;
}

// A second run started by START: the automatic files carry the extension
// .002 and the records METOUT * 1000 + NRUN; metric output writes cms and ha.
TEST(HydrographGolden, SecondRunExtensionAndMetricAutomaticFile) {
  HydCase c("run2", std::string(" 1\n") + kStart1 +
                        "SAVE HYD            CODE=[2], PCYC=[0]\n"
                        "STORE HYD           ID=[1], NHYD=[\"RUNS\"], DT=[5], AREA=[1]\n"
                        "                    3.5 -1\n"
                        "START               TZERO=[0.0], METOUT=[2], NSTORM=[0], NRUN=[2]\n"
                        "FINISH\n");
  ASSERT_EQ(c.exitStatus(), 0);
  const std::string first = c.path("RUNS.001");
  const std::string second = c.path("RUNS.002");
  EXPECT_EQ(c.detailed(3, 1).front(), "  IN SVHYD=1, HYDFILE= " + pad(first, 80));
  EXPECT_EQ(c.detailed(3, 2).front(), "  IN SVHYD=1, HYDFILE= " + pad(second, 80));
  expectLines(readLines(first), {" 1", std::string(60, ' '), "     5.00", "      1.0000", ".35000E+01", " -1.0"},
              "automatic file of run 1");
  // 1 acre is 0.4047 ha; 3.5 cfs are 0.0991126 cms (3.2808 cubed in single precision).
  expectLines(readLines(second), {" 2", std::string(60, ' '), "     5.00", "      0.4047", ".99113E-01", " -1.0"},
              "automatic file of run 2");

  // Run 2 starts its own summary record file: the header and its one record.
  std::string want;
  appendInt(want, 2002);
  want += std::string(90, ' ');
  want += pad("STORE HYD", 19);
  appendInt(want, 1);
  want += "RUNS      ";
  appendReal(want, 5.0f);
  appendReal(want, 0.404694468f);
  appendReal(want, 0.0991125703f);
  want += "No_date    0:00";
  appendReal(want, 7.34713221f); // 3.5 cfs x 1/12 h / (1 ac x 1.00833) x 25.4
  appendInt(want, 1);
  const std::string got = fileText(c.path("SUMMARY.sbo"));
  ASSERT_EQ(got.size(), 90u + 162u);
  EXPECT_EQ(got.substr(0, 90), pad(c.project(), 90));
  const std::string last = got.substr(got.size() - 162u);
  for (std::size_t i = 0; i < want.size(); ++i) ASSERT_EQ(last[i], want[i]) << "record byte " << i;
}

// Each run set of a batch starts its own summary record file: after two
// sets that each save one hydrograph, the file holds the header and the one
// record of the second set, while both automatic files stay.
TEST(HydrographGolden, EachRunSetRecreatesTheSummaryRecordFile) {
  support::TempDir dir(fs::path("/tmp") / ("khg" + std::to_string(::getpid()) + "sets"));
  const std::string project = dir.prefix();
  support::writeLines(dir.path() / "kestran.DIR", {project, project});
  support::writeLines(dir.path() / "kestran.RUN", {"$BATCH RUN", "first", "A.DAT", "A.OUT", "A.SUM", "", "", "",
                                                   "second", "B.DAT", "B.OUT", "B.SUM", "", "", "", "end", "FINISH"});
  const auto input = [](const std::string& name, int id) {
    return std::string(" 1\n") + kStart1 + "SAVE HYD            CODE=[2], PCYC=[0]\n" + "STORE HYD           ID=[" +
           std::to_string(id) + "], NHYD=[\"" + name + "\"], DT=[5], AREA=[1]\n" + "                    1.0 2.0 -1\n" +
           "FINISH\n";
  };
  support::writeFile(dir.path() / "A.DAT", input("FIRST", 1));
  support::writeFile(dir.path() / "B.DAT", input("SECOND", 2));
  ASSERT_EQ(support::runProgram(dir.path()), 0);

  EXPECT_TRUE(fs::exists(dir.path() / "FIRST.001"));
  EXPECT_TRUE(fs::exists(dir.path() / "SECOND.001"));
  const std::string got = fileText(dir.path() / "SUMMARY.sbo");
  ASSERT_EQ(got.size(), 90u + 162u);
  EXPECT_EQ(got.substr(0, 90), pad(project, 90));
  std::string head;
  appendInt(head, 1001); // METOUT 1 x 1000 + NRUN 1
  EXPECT_EQ(got.substr(90, 4), head);
  EXPECT_EQ(got.substr(184, 19), pad("STORE HYD", 19));
  std::string id;
  appendInt(id, 2);
  EXPECT_EQ(got.substr(203, 4), id);
  EXPECT_EQ(got.substr(207, 10), "SECOND    ");
  EXPECT_EQ(got.substr(229, 15), "No_date    0:05"); // the second ordinate, 5 minutes on
  std::string npts;
  appendInt(npts, 2);
  EXPECT_EQ(got.substr(248, 4), npts);
}

// ---- Slot numbers outside 1..10 and missing files ----

struct BadCommand {
  const char* name;
  const char* lines;
  const char* label;
  const char* message;
};

TEST(HydrographGolden, SlotOutsideOneToTenEndsTheRun) {
  const BadCommand cases[] = {
      {"s11", "STORE HYD           ID=[11], NHYD=[1], DT=[5], AREA=[1]\n                    1 -1\n", "STORE HYD",
       "*** ERROR: Hydrograph ID must be from 1 to 10.  Command aborted."},
      {"p0", "PRINT HYD           ID=[0], PCYC=[1]\n", "PRINT HYD",
       "*** ERROR: Hydrograph ID must be from 1 to 10.  Command aborted."},
      {"r11", "READ HYD            ID=[11], NHYD=[1], \"x.hyd\"\n", "READ HYD",
       "*** ERROR: Hydrograph ID must be from 1 to 10.  Command aborted."},
      {"v11", "SAVE HYD            ID=[11], PCYC=[1], ICASE=[0]\n", "SAVE HYD",
       "*** ERROR: Hydrograph ID must be from 1 to 10.  Command aborted."},
  };
  for (const BadCommand& bad : cases) {
    SCOPED_TRACE(bad.name);
    HydCase c(bad.name, std::string(" 1\n") + kStart1 + bad.lines + "FINISH\n");
    EXPECT_EQ(c.exitStatus(), 1);
    expectLines(c.detailed(2), {pad(std::string("      ") + bad.message, 76)}, "detailed");
    expectLines(c.summary(2), {headingH("0002")}, "summary");
    // The run ends at once: command 3 is the end-of-run block.
    expectLines(c.summary(3),
                {headingP("0003"), "      FINISH", " **** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES.",
                 std::string(85, '-'), std::string(85, '*'), "     WARNINGS / ERRORS / NOTES",
                 "     -------------------------", pad(std::string(" 001:0002 ") + bad.label, 70),
                 pad(std::string("      ") + bad.message, 70), "   Simulation ended on 2026-01-02     at 03:04:05",
                 std::string(85, '='), ""},
                "end of run");
  }
}

TEST(HydrographGolden, SaveHydIdZeroStopsTheProgram) {
  HydCase c("v0", std::string(" 1\n") + kStart1 +
                      "STORE HYD           ID=[1], NHYD=[1], DT=[5], AREA=[1]\n"
                      "                    1 -1\n"
                      "SAVE HYD            ID=[0], PCYC=[1], ICASE=[0]\n"
                      "FINISH\n");
  EXPECT_EQ(c.exitStatus(), 1);
  EXPECT_NE(fileText(c.path("stdout.txt")).find("Stop - Program terminated."), std::string::npos);
  // The message, and nothing after it: no end-of-run block.
  ASSERT_FALSE(c.out.empty());
  EXPECT_EQ(c.out.back(), pad("      *** ERROR: SAVE HYD, ID =0.  Run aborted.", 76));
  EXPECT_EQ(c.sum.back(), headingH("0003"));
  const Lines log = readLines(c.path("MESSAGES.LOG"));
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], pad(" 001:0003 SAVE HYD ", 29));
  EXPECT_EQ(log[1], pad("      *** ERROR: SAVE HYD, ID =0.  Run aborted.", 76));
}

TEST(HydrographGolden, ReadHydOfAMissingFile) {
  HydCase c("miss", std::string(" 1\n") + kStart1 + "READ HYD            ID=[1], NHYD=[5], \"nofile\"\n" + "FINISH\n");
  EXPECT_EQ(c.exitStatus(), 1);
  // Without a point the name gets the run extension.
  const std::string file = c.path("nofile.001");
  const Lines block = c.detailed(2);
  ASSERT_GE(block.size(), 2u);
  EXPECT_EQ(block[0], pad("      *** ERROR: Hydrograph filename not found.", 76));
  // The slot is printed in its cleared state; the time step of a fresh slot is 0.
  const Lines rest(block.begin() + static_cast<std::ptrdiff_t>(block.size() - 8), block.end());
  expectLines(rest,
              {kRule, "| READ HYD         |   AREA       (ac)=    0.000",
               "| ID=01 (000005)   |   QPEAK     (cfs)=    0.000    ",
               "| DT= 0.00 PCYC= 1 |   TPEAK     (hrs)=    0.000", "--------------------   VOLUME     (in)=    0.000",
               "  Filename: " + pad(file, 60), "  Comments: " + std::string(60, ' '), " "},
              "READ HYD block of a missing file");
  expectLines(c.summary(2),
              {headingH("0002"),
               sline(" ** ", "READ HYD", "01", "         5", "     0.00", "    0.000", "No_date    0:00", "    0.00"),
               "      Filename = " + pad(file, 60), "      Comment  = " + std::string(60, ' ')},
              "READ HYD summary of a missing file");
}

} // namespace

namespace {

// A command before any START works in the input units of the run: 4 ha and
// flows of 0.5, 2 and 1 cms at 10 minutes give back 4 ha, a 2 cms peak at
// 0:10 and 3.5 cms x 600 s over 40,000 m2 = 52.5 mm (not NaN from zero factors).
TEST(HydrographGolden, CommandsBeforeStartUseTheInputUnits) {
  HydCase c("nostart", " 2\n"
                       "STORE HYD           ID=[1], NHYD=[5], DT=[10], AREA=[4]\n"
                       "                    0.5 2.0 1.0 -1\n"
                       "FINISH\n");
  EXPECT_EQ(c.exitStatus(), 0);
  ASSERT_GE(c.summary(1).size(), 2u);
  EXPECT_EQ(c.summary(1)[1],
            sline("    ", "STORE HYD", "01", "         5", "     4.00", "    2.000", "No_date    0:10", "   52.50"));
}

} // namespace
