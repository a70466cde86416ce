// DEFAULT VALUES: the built-in list and its printout in both output unit
// systems, files in either unit system, the three ICASEdv cases, and files
// that are missing or too short.
#include "run/default_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/context_host.h"
#include "support/text.h"

namespace {

using support::pad;

// Metric or imperial output, the built-in values, and the project directory
// holding the test data's default values files.
struct Harness : support::ContextHost {
  explicit Harness(int metout) {
    setUnits(1, metout);
    run::setBuiltInDefaults(ctx.defaults);
    ctx.dirs.project = std::string(KESTRAN_TEST_DATA) + "/runoff/";
    ctx.run.commandCounter = 3;
  }

  void run(const std::string& text) {
    ASSERT_EQ(readCommand(text), run::ReaderStatus::Command);
    run::defaultValues(ctx);
  }
};

const std::string kTitle1 = "Internal values are based on various model calibration";

TEST(DefaultValues, BuiltInValuesPrintedInMetric) {
  Harness h(2);
  h.run("DEFAULT VALUES      ICASEdv=[3]\n");
  const std::vector<std::string> values = {
      pad("      FileTitle= " + kTitle1, 77),
      pad("                 " + h.ctx.defaults.title[1].substr(0, 60), 77),
      "      Horton's infiltration equation parameters:",
      "      [Fo= 50.00 mm/hr] [Fc= 7.50 mm/hr] [DCAY= 2.00 /hr] [F= 0.00 mm]",
      "      Parameters for PERVIOUS surfaces in STANDHYD:",
      "      [IAper=   1.50 mm] [LGP=40.00 m] [MNP=0.250]",
      "      Parameters for IMPERVIOUS surfaces in STANDHYD:",
      "      [IAimp=   0.80 mm] [CLI= 1.50]   [MNI=0.013]",
      "      Parameters used in NASHYD:",
      "      [Ia=   1.50 mm] [N= 3.00]",
  };
  std::vector<std::string> detailed = {
      "----------------------",
      "|DEFAULT VALUES      |  Filename: " + pad("*** internal values ***", 60),
      "----------------------  ICASEdv = 3 (print current values)",
  };
  detailed.insert(detailed.end(), values.begin(), values.end());
  EXPECT_EQ(h.detailed.lines, detailed);
  std::vector<std::string> summary = {
      "     DEFAULT VALUES    ",
      "      Filename = " + pad("*** internal values ***", 60),
      "      ICASEdv  = 3 (print current values)",
  };
  summary.insert(summary.end(), values.begin(), values.end());
  EXPECT_EQ(h.summary.lines, summary);
  EXPECT_EQ(h.summaryWindow.lines, summary);
}

TEST(DefaultValues, BuiltInValuesPrintedInImperial) {
  Harness h(1);
  h.run("DEFAULT VALUES      ICASEdv=[3]\n");
  // 50 mm/hr = 1.97 in/hr, 7.5 mm/hr = 0.30 in/hr, 40 m = 131.23 ft (too wide for F5.2).
  const std::vector<std::string> expected = {
      "      [Fo=  1.97 in/hr] [Fc= 0.30 in/hr] [DCAY= 2.00 /hr] [F= 0.00 in]",
      "      Parameters for PERVIOUS surfaces in STANDHYD:",
      "      [IAper=   0.06 in] [LGP=***** ft] [MNP=0.250]",
      "      Parameters for IMPERVIOUS surfaces in STANDHYD:",
      "      [IAimp=   0.03 in] [CLI= 1.50]    [MNI=0.013]",
      "      Parameters used in NASHYD:",
      "      [Ia=   0.06 in] [N= 3.00]",
  };
  EXPECT_EQ(std::vector<std::string>(h.detailed.lines.begin() + 6, h.detailed.lines.end()), expected);
}

TEST(DefaultValues, MetricFileIsConvertedAndPrintedBack) {
  Harness h(2);
  h.run("DEFAULT VALUES      ICASEdv=[1], \"dvmetric.dat\"\n");
  const auto& v = h.ctx.defaults.values;
  EXPECT_FLOAT_EQ(v[1], 60.0f / 25.4f);
  EXPECT_FLOAT_EQ(v[2], 10.0f / 25.4f);
  EXPECT_FLOAT_EQ(v[3], 3.0f);
  EXPECT_FLOAT_EQ(v[4], 5.0f / 25.4f);
  EXPECT_FLOAT_EQ(v[5], 2.0f / 25.4f);
  EXPECT_FLOAT_EQ(v[6], 25.0f * 3.2808f);
  EXPECT_FLOAT_EQ(v[7], 0.3f);
  EXPECT_FLOAT_EQ(v[8], 1.0f / 25.4f);
  EXPECT_FLOAT_EQ(v[9], 2.0f);
  EXPECT_FLOAT_EQ(v[10], 0.015f);
  EXPECT_FLOAT_EQ(v[11], 2.0f / 25.4f);
  EXPECT_FLOAT_EQ(v[12], 4.0f);
  EXPECT_EQ(h.detailed.lines[1], "|DEFAULT VALUES      |  Filename: " + pad("dvmetric.dat", 60));
  EXPECT_EQ(h.detailed.lines[2], "----------------------  ICASEdv = 1 (read and print data) ");
  EXPECT_EQ(h.detailed.lines[3], pad("      FileTitle= Metric defaults for the test catchments", 77));
  EXPECT_EQ(h.detailed.lines[8], "      [IAper=   2.00 mm] [LGP=25.00 m] [MNP=0.300]");
}

TEST(DefaultValues, ReadOnlyWritesTheHeadingsAndChangesTheValuesSilently) {
  Harness h(1);
  h.run("DEFAULT VALUES      ICASEdv=[2], \"dvimper.dat\"\n");
  EXPECT_EQ(h.detailed.lines.size(), 3u);
  EXPECT_EQ(h.summary.lines.size(), 3u);
  EXPECT_EQ(h.summary.lines[2], "      ICASEdv  = 2 (read values only)    ");
  EXPECT_FLOAT_EQ(h.ctx.defaults.values[6], 100.0f);
  EXPECT_FLOAT_EQ(h.ctx.defaults.values[11], 0.08f);
}

TEST(DefaultValues, FileNameFromTheNextLine) {
  Harness h(1);
  h.run("DEFAULT VALUES      ICASEdv=[2], NEXT=[1]\n"
        "FILE                dvimper.dat\n"
        "FINISH\n");
  EXPECT_FLOAT_EQ(h.ctx.defaults.values[1], 2.0f);
  std::string line;
  ASSERT_TRUE(h.input->next(line));
  EXPECT_EQ(line, "FINISH");
}

TEST(DefaultValues, MissingOrShortFilesAreErrorsNamingTheFile) {
  struct Case {
    const char* name;
    const char* message;
  };
  for (const Case& c : {Case{"nosuch.dat", "*** ERROR: The default values file cannot be read:"},
                        Case{"dvshort.dat", "*** ERROR: The default values file has fewer than 16 lines:"}}) {
    Harness h(1);
    const float before = h.ctx.defaults.values[1];
    h.run(std::string("DEFAULT VALUES      ICASEdv=[1], \"") + c.name + "\"\n");
    EXPECT_EQ(h.ctx.run.severity, model::Severity::Error) << c.name;
    ASSERT_GE(h.warnings.lines.size(), 3u) << c.name;
    EXPECT_EQ(h.warnings.lines[1], pad(std::string("      ") + c.message, 76)) << c.name;
    EXPECT_TRUE(support::containsWrapped(h.warnings.lines, c.name)) << c.name;
    EXPECT_EQ(h.ctx.defaults.values[1], before) << c.name;
  }
}

} // namespace
