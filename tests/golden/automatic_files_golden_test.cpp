// Automatic hydrograph files of numeric hydrographs: each keeps a file of its
// own, named "H-" and six digits, that READ HYD takes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/golden_run.h"

namespace {

using support::Lines;
using support::pad;

TEST(AutomaticFilesGolden, TwoNumericHydrographsKeepTwoReadableFiles) {
  support::GoldenRun c(std::filesystem::path("/tmp") / ("kaf" + std::to_string(::getpid())),
                       {"Automatic files", "HYD.DAT", "HYD.OUT", "HYD.SUM", "", "", ""});
  ASSERT_EQ(
      c.run(1, {"START               TZERO=[0.0], METOUT=[1], NSTORM=[0], NRUN=[1]",
                "SAVE HYD            CODE=[2], PCYC=[0]", "STORE HYD           ID=[1], NHYD=[11], DT=[10], AREA=[2]",
                "                    1.0 3.0 -1", "STORE HYD           ID=[2], NHYD=[12], DT=[10], AREA=[2]",
                "                    2.0 0.5 -1", "SAVE HYD            CODE=[-2], PCYC=[0]",
                "READ HYD            ID=[3], NHYD=[21], \"H-000011.001\"",
                "READ HYD            ID=[4], NHYD=[22], \"H-000012.001\"", "FINISH"}),
      0);
  const std::string blank(60, ' ');
  EXPECT_EQ(support::readLines(c.path("H-000011.001")),
            (Lines{" 1", blank, "    10.00", "      2.0000", ".10000E+01", ".30000E+01", " -1.0"}));
  EXPECT_EQ(support::readLines(c.path("H-000012.001")),
            (Lines{" 1", blank, "    10.00", "      2.0000", ".20000E+01", ".50000E+00", " -1.0"}));
  // Read back: peaks 3.0 at 0:10 and 2.0 at 0:00; volumes 4 and 2.5 cfs x 1/6 h over 2 ac.
  const std::string head = "---------------ID:NHYD-----------AREA----QPEAK-TpeakDate_hh:mm----R.V.-R.C.-";
  EXPECT_EQ(c.summary(6).at(1), "     READ HYD           03:        21     2.00    3.000 No_date    0:10    0.33  n/a");
  EXPECT_EQ(c.summary(7).at(1), "     READ HYD           04:        22     2.00    2.000 No_date    0:00    0.21  n/a");
  EXPECT_EQ(c.summary(6).front(), " 001:0006" + head);
}

} // namespace
