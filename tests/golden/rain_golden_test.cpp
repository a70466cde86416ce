// End-to-end checks of the storm commands: the program runs as a user runs it,
// in a fresh working directory that is also the project and rainfall
// directory, with the date and time fixed. The block each command writes to
// the detailed output and its lines in the summary output are compared line
// by line with text worked out from the command descriptions: storm file
// (10-minute steps of 0.6, 1.2, 2.4, 1.8, 0.6 in/hr, 1.1 inches), the
// pointer file START writes, a CHICAGO STORM from a given curve, MODIFY STORM
// shifts, a MASS STORM at a coarser step and COMPUTE API.
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
using support::readLines;

// The storm file of most cases: five 10-minute steps, intensities in in/hr.
const Lines kFiveStepStorm = {"1", "Five step test storm", "10", "5", "0.6", "1.2", "2.4", "1.8", "0.6"};

// One program execution in its own directory.
struct StormRun : support::GoldenRun {
  explicit StormRun(const std::string& name)
      : GoldenRun(support::scratchRoot() / ("kestran-rain-golden-" + name + "-" + std::to_string(::getpid())),
                  {"Storm commands", "RUN1.DAT", "RUN1.OUT", "RUN1.SUM", "first comment", "second comment", ""}) {}
};

// Pieces shared by the expected blocks.
const std::string kTableHead = blanks(11) + "   TIME    RAIN |   TIME    RAIN |   TIME    RAIN |   TIME    RAIN";
const std::string kTableIn = blanks(11) + "    hrs   in/hr |    hrs   in/hr |    hrs   in/hr |    hrs   in/hr";
const std::string kTableMm = blanks(11) + "    hrs   mm/hr |    hrs   mm/hr |    hrs   mm/hr |    hrs   mm/hr";
std::string kPHeading(int n) {
  char text[16];
  std::snprintf(text, sizeof text, " 001:%04d", n);
  return text + dashes(76);
}
const std::string kStart = "START               TZERO=[0.0], METOUT=[1], NSTORM=[0], NRUN=[1]";

// READ STORM of the five-step file: the box shows the comment line under both
// labels, the table runs down four columns of R = (5 + 3) / 4 = 2 rows (steps
// 1, 3, 5, then 2, 4; short rows end with " |"), PTOT = 6.6 * 10/60 = 1.1 in.
TEST(RainGolden, ReadStormImperialThenComputeApi) {
  StormRun r("readstorm");
  r.file("FIVE.STM", kFiveStepStorm);
  ASSERT_EQ(r.run(1, {kStart, "READ STORM", "                    STORM_FILENAME=[\"FIVE.STM\"]", "COMPUTE API",
                      "                    APII=[0.5], APIK=[0.9]", "FINISH"}),
            0);
  const std::string comment = pad("Five step test storm", 40);
  expectLines(r.detailed(2),
              {
                  "--------------------",
                  "| READ STORM       |    Filename: " + comment,
                  "| Ptotal=   1.10 in|    Comments: " + comment,
                  "--------------------",
                  kTableHead,
                  kTableIn,
                  blanks(11) + "   0.17   0.600 |   0.50   2.400 |   0.83   0.600 |",
                  blanks(11) + "   0.33   1.200 |   0.67   1.800 |",
                  " ",
              },
              "READ STORM detailed");
  expectLines(r.summary(2),
              {
                  kPHeading(2),
                  "     READ STORM        ",
                  "      Filename = " + pad("FIVE.STM", 60),
                  "      Comment  = " + blanks(60),
                  "      [SDT=10.00:SDUR=   0.83:PTOT=   1.10]",
              },
              "READ STORM summary");

  // API with k = 0.9^(1/144) = 0.9992686 per 10-minute step: 0.5996, 0.7992,
  // 1.1986, 1.4977, 1.5966; average 5.6918 / 5 = 1.1384.
  expectLines(r.detailed(3),
              {
                  "--------------------",
                  "| COMPUTE API      |   Initial API  =   0.50 in",
                  "--------------------   APIk factor  =   0.90 /day",
                  "",
                  "          ANTECEDENT PRECIPITATION INDEX (API) STATISTICS:",
                  "               Initial  API value =    0.50 in",
                  "               End date API value =    1.60 in",
                  "               Maximum  API value =    1.60 in",
                  "               Minimum  API value =    0.60 in",
                  "               Average  API value =    1.14 in",
                  "               Total precipitation=    1.10 in",
              },
              "COMPUTE API detailed");
  expectLines(r.summary(3),
              {
                  kPHeading(3),
                  "     COMPUTE API       ",
                  "      [APIini=  0.50: APIkdy=0.9000: APIkdt=0.9993]",
                  "      {APImax=  1.60: APIavg=  1.14: APImin=  0.60}",
              },
              "COMPUTE API summary");
  EXPECT_TRUE(r.messages().empty());
}

// START writes STORM.001 (99 and the rainfall directory in front of the
// name); READ STORM of "STORM.001" follows it to the real file. Metric
// output: 1.1 in = 27.94 mm, 0.6 in/hr = 15.240 mm/hr.
TEST(RainGolden, ReadStormThroughTheStartPointerFileMetric) {
  StormRun r("pointer");
  r.file("FIVE.STM", kFiveStepStorm);
  ASSERT_EQ(r.run(1, {"START               TZERO=[0.0], METOUT=[2], NSTORM=[1], NRUN=[1]",
                      "                    \"FIVE.STM\"", "READ STORM", "                    \"STORM.001\"", "FINISH"}),
            0);
  EXPECT_EQ(readLines(r.dir() / "STORM.001"), (Lines{" 99", pad(r.dir().string() + "/FIVE.STM", 60)}));
  const std::string comment = pad("Five step test storm", 40);
  expectLines(r.detailed(2),
              {
                  "--------------------",
                  "| READ STORM       |    Filename: " + comment,
                  "| Ptotal=  27.94 mm|    Comments: " + comment,
                  "--------------------",
                  kTableHead,
                  kTableMm,
                  blanks(11) + "   0.17  15.240 |   0.50  60.960 |   0.83  15.240 |",
                  blanks(11) + "   0.33  30.480 |   0.67  45.720 |",
                  " ",
              },
              "READ STORM detailed");
  expectLines(r.summary(2),
              {
                  kPHeading(2),
                  "     READ STORM        ",
                  "      Filename = " + pad("STORM.001", 60),
                  "      Comment  = " + blanks(60),
                  "      [SDT=10.00:SDUR=   0.83:PTOT=  27.94]",
              },
              "READ STORM summary");
}

// CHICAGO STORM from A = 40, B = 8, C = 0.75 (in/hr, minutes), 2 hours,
// R = 0.4, 10-minute steps: TD = 120, N = 12, peak p = 4.8 + 0.5 -> 5 with
// I(10) = 40 / 18^0.75 = 4.577. Before the peak, step k = 4 is
// (14 I(35) - 4 I(10)) / 10 = 1.504, ...; after it, step 6 is
// (16 I(26.67) - 6 I(10)) / 10 = 1.733, ... Total 12.6059 * 10/60 = 2.10 in.
TEST(RainGolden, ChicagoStormFromAGivenCurve) {
  StormRun r("chicago");
  ASSERT_EQ(r.run(1, {kStart, "CHICAGO STORM", "                    UNITS=[1], TD=[2], R=[0.4], DT=[10], OPTION=[1]",
                      "                    A=[40], B=[8], C=[0.75]", "FINISH"}),
            0);
  expectLines(r.detailed(2),
              {
                  "--------------------",
                  "| CHICAGO STORM    |    IDF curve parameters: A=  40.000",
                  "| Ptotal=  2.10 in |                          B=   8.000",
                  "--------------------                          C=   0.750",
                  blanks(24) + "used in:   INTENSITY =  A / (t + B)^C",
                  "",
                  blanks(24) + "Duration of storm  =  2.00 hrs",
                  blanks(24) + "Storm time step    = 10.00 min",
                  blanks(24) + "Time to peak ratio =  0.40",
                  "",
                  kTableHead,
                  kTableIn,
                  // 3 rows: steps 1, 4, 7, 10 / 2, 5, 8, 11 / 3, 6, 9, 12.
                  blanks(11) + "   0.17   0.375 |   0.67   1.504 |   1.17   0.943 |   1.67   0.421",
                  blanks(11) + "   0.33   0.487 |   0.83   4.577 |   1.33   0.658 |   1.83   0.360",
                  blanks(11) + "   0.50   0.719 |   1.00   1.733 |   1.50   0.511 |   2.00   0.316",
                  " ",
              },
              "CHICAGO STORM detailed");
  expectLines(r.summary(2),
              {
                  kPHeading(2),
                  "     CHICAGO STORM     ",
                  "      [SDT=10.00:SDUR=   2.00:PTOT=   2.10]",
                  "      [A/B/C=  40.000/   8.000/   0.750]",
              },
              "CHICAGO STORM summary");
}

// MODIFY STORM: +2 steps at factor 1 (0, 0, 0.6, 1.2, 2.4, 1.8, 0.6; total
// unchanged), then -3 steps at factor 2 (2.4, 4.8, 3.6, 1.2; 12 * 10/60 = 2 in).
TEST(RainGolden, ModifyStormShiftsLaterAndEarlier) {
  StormRun r("modify");
  r.file("FIVE.STM", kFiveStepStorm);
  ASSERT_EQ(r.run(1, {kStart, "READ STORM", "                    \"FIVE.STM\"", "MODIFY STORM",
                      "                    ICASEms=[1], NSHIFT=[2], RFACT=[1.0]", "MODIFY STORM",
                      "                    ICASEms=[1], NSHIFT=[-3], RFACT=[2.0]", "FINISH"}),
            0);
  const std::string transformedTitle = blanks(31) + "---- TRANSFORMED HYETOGRAPH ----";
  const std::string transformedHead = blanks(15) + "  TIME    RAIN |  TIME    RAIN |  TIME    RAIN |  TIME    RAIN";
  const std::string transformedUnits = blanks(15) + "   hrs   in/hr |   hrs   in/hr |   hrs   in/hr |   hrs   in/hr";
  expectLines(r.detailed(3),
              {
                  dashes(22),
                  "|MODIFY STORM        |    MODIFYING PARAMETERS:",
                  "| ICASEms= 1         |    Multiplication Factor,   RFACT=  1.00",
                  "| NSHIFT =  2 x SDT  |    Corresponding time shift (min)=  20.00",
                  dashes(22),
                  blanks(26) + "New rainfall volume =   1.10   (in)",
                  "",
                  transformedTitle,
                  transformedHead,
                  transformedUnits,
                  // 7 steps in 2 rows: 1, 3, 5, 7 and 2, 4, 6.
                  blanks(15) + "   0.17   0.00 |   0.50   0.60 |   0.83   2.40 |   1.17   0.60",
                  blanks(15) + "   0.33   0.00 |   0.67   1.20 |   1.00   1.80 |",
                  " ",
              },
              "MODIFY STORM +2 detailed");
  expectLines(r.summary(3),
              {
                  kPHeading(3),
                  "     MODIFY STORM      ",
                  "      [RFACT=  1.00:TSHIFT=  20.00 min]",
                  "      [SDT=10.00:SDUR=   1.17:PTOT=   1.10]",
              },
              "MODIFY STORM +2 summary");
  expectLines(r.detailed(4),
              {
                  dashes(22),
                  "|MODIFY STORM        |    MODIFYING PARAMETERS:",
                  "| ICASEms= 1         |    Multiplication Factor,   RFACT=  2.00",
                  "| NSHIFT = -3 x SDT  |    Corresponding time shift (min)= -30.00",
                  dashes(22),
                  blanks(26) + "New rainfall volume =   2.00   (in)",
                  "",
                  transformedTitle,
                  transformedHead,
                  transformedUnits,
                  blanks(15) + "   0.17   2.40 |   0.33   4.80 |   0.50   3.60 |   0.67   1.20",
                  " ",
              },
              "MODIFY STORM -3 detailed");
  expectLines(r.summary(4),
              {
                  kPHeading(4),
                  "     MODIFY STORM      ",
                  "      [RFACT=  2.00:TSHIFT= -30.00 min]",
                  "      [SDT=10.00:SDUR=   0.67:PTOT=   2.00]",
              },
              "MODIFY STORM -3 summary");
}

// MASS STORM: a curve of six 5-minute steps (0.1, 0.3, 0.6, 0.8, 0.9, 1.0),
// 1.2 inches at 10-minute steps: k = 2, three steps of
// 0.3, 0.5 and 0.2 of 1.2 in over 1/6 hour = 2.16, 3.60, 1.44 in/hr, and the
// warning about a storm step coarser than the curve's (message 234).
TEST(RainGolden, MassStormAtACoarserStep) {
  StormRun r("mass");
  r.file("MASS.DAT", {"Test mass curve", "5", "6", "0.1", "0.3", "0.6", "0.8", "0.9", "1.0"});
  ASSERT_EQ(r.run(1, {kStart, "MASS STORM", "                    PTOT=[1.2], DT=[10], \"MASS.DAT\"", "FINISH"}), 0);
  const Lines warning = {
      "      " + pad("*** WARNING: Using a storm DT which is larger than the", 70),
      "      " + pad("             the mass curve DT may produce a storm with", 70),
      "      " + pad("             lower intensities.  Check the hyetograph.", 70),
  };
  Lines want = {
      "--------------------",
      "| MASS STORM       |    Filename: " + pad("MASS.DAT", 40),
      "| Ptotal=  1.20 in.|    Comments: " + pad("Test mass curve", 40),
      "--------------------",
      blanks(24) + "Duration of storm        =    0.50 hrs",
      blanks(24) + "Mass curve time step     =    5.00 min",
  };
  want.insert(want.end(), warning.begin(), warning.end());
  for (const std::string& l : Lines{
           blanks(24) + "Selected storm time step =   10.00 min",
           blanks(24) + "Volume of derived storm  =    1.20 in.",
           "",
           kTableHead,
           kTableIn,
           blanks(11) + "   0.17   2.160 |   0.33   3.600 |   0.50   1.440 |",
           " ",
       })
    want.push_back(l);
  expectLines(r.detailed(2), want, "MASS STORM detailed");
  expectLines(r.summary(2), {kPHeading(2), "  *  MASS STORM        "}, "MASS STORM summary");
  // The messages log, copied at the end: the command's heading, then the text.
  Lines log = {pad(" 001:0002 MASS STORM", 70)};
  for (const std::string& l : warning) log.push_back(l.substr(0, 70));
  expectLines(r.messages(), log, "messages");
}

// A mass curve that goes down is an error that ends the run, even though the
// command then warns that the curve does not end at 1: the summary line is
// marked "**", the storm is still built from the ordinates as read, and the
// run stops before the next command is read.
TEST(RainGolden, DecreasingMassCurveEndsTheRun) {
  StormRun r("massdown");
  r.file("DOWN.DAT", {"Curve going down", "10", "3", "0.5", "0.4", "0.9"});
  ASSERT_EQ(r.run(1, {kStart, "MASS STORM", "                    PTOT=[1.0], DT=[10], \"DOWN.DAT\"", "COMPUTE API",
                      "                    APII=[0.5], APIK=[0.9]", "FINISH"}),
            1); // a run that ended on an error
  expectLines(r.summary(2), {kPHeading(2), "  ** MASS STORM        "}, "MASS STORM summary");
  const Lines detailed = r.detailed(2);
  ASSERT_GE(detailed.size(), 2u);
  EXPECT_EQ(detailed[0], "      " + pad("*** ERROR: Mass curve ordinates must be incremental.", 70));
  EXPECT_EQ(detailed[1], "      " + pad("           Check mass curve file.", 70));
  // Three 10-minute steps of 0.5, -0.1 and 0.5 of 1 inch: 3.00, -0.60, 3.00 in/hr.
  EXPECT_EQ(detailed[detailed.size() - 2], blanks(11) + "   0.17   3.000 |   0.33  -0.600 |   0.50   3.000 |");
  bool terminated = false, apiRan = false;
  for (const std::string& l : r.sum) {
    terminated =
        terminated || l.find("**** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES.") != std::string::npos;
    apiRan = apiRan || l.find("COMPUTE API") != std::string::npos;
  }
  EXPECT_TRUE(terminated);
  EXPECT_FALSE(apiRan);
}

} // namespace

namespace {

// Each run's storm carries that run's START date: run 1 reads the storm on
// 1999-06-15, run 2 starts on 1999-12-31 and reads it again, and its peak 30
// hours into the run falls on 2000-01-01 at 6:00 (not on run 1's date). Run 3
// starts without a date: its storm has none and its peak shows hours.
TEST(RainGolden, EachRunDatesItsPeaksWithItsOwnStart) {
  StormRun r("rundates");
  r.file("FIVE.STM", kFiveStepStorm);
  const std::string store = "STORE HYD           ID=[1], NHYD=[7], DT=[600], AREA=[10]";
  ASSERT_EQ(r.run(1, {"START               TZERO=[1999.0615], METOUT=[1], NSTORM=[0], NRUN=[1]",
                      "READ STORM          \"FIVE.STM\"", store, "                    0 1 2 5 -1",
                      "START               TZERO=[1999.1231], METOUT=[1], NSTORM=[0], NRUN=[2]",
                      "READ STORM          \"FIVE.STM\"", store, "                    0 1 2 5 -1",
                      "START               TZERO=[0], METOUT=[1], NSTORM=[0], NRUN=[3]", store,
                      "                    0 1 2 5 -1", "FINISH"}),
            0);
  const auto peakLabel = [&](int runNumber) {
    const Lines lines = r.summary(3, runNumber);
    for (const std::string& line : lines)
      if (line.find("STORE HYD") != std::string::npos) return line.substr(line.find("  5.000") + 7, 16);
    return std::string("(no summary line)");
  };
  EXPECT_EQ(peakLabel(1), " 1999.0616_ 6:00");
  EXPECT_EQ(peakLabel(2), " 2000.0101_ 6:00");
  EXPECT_EQ(peakLabel(3), " No_date   30:00");
}

} // namespace
