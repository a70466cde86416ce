// The bad-input sweep: every command given values out of range, missing and
// cut-short files and a directory where a file should be. Whatever the input,
// the run names the fault by a numbered message, closes through its
// end-of-run block, and reports a non-zero status exactly when it ended on an
// error.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kestran.h"
#include "support/files.h"

namespace fs = std::filesystem;

namespace {

// A dated start, a storm and a stored hydrograph in slot 1, so that each
// case reaches the check it is about.
const std::string kPrelude = " 2\n"
                             "START               TZERO=[2023.03010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
                             "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[10], OPTION=[1]\n"
                             "                    A=[1000], B=[6], C=[0.8]\n"
                             "STORE HYD           ID=[1], NHYD=[101], DT=[10], AREA=[12.5]\n"
                             "                    0.0  0.15  0.42  0.80  0.65  0.40  0.22  0.10  0.03  0.0  -1\n";

struct Case {
  const char* what;
  std::string commands; // the lines after the prelude, before FINISH
  int message;          // the numbered message the fault must bring
  bool error;           // the run ends on it (severity 2)
  // SAVE HYD with an ID below 1 stops the whole program at once, by design
  // without the end-of-run block: the message stands last in both outputs.
  bool stopsProgram = false;
};

// Side files of the cases: a storm cut short after its first intensity, a
// storm of one huge step, a hydrograph file cut after its first ordinate, a
// mass curve and a default-values file cut short, a mass curve of huge
// ordinates, a hydrograph file whose step runs backwards, and
// directories under the names of a storm file and the curve file.
void writeSideFiles(const fs::path& dir) {
  support::writeFile(dir / "CUT.STM", "2\nCut short\n10\n5\n12.0\n");
  support::writeFile(dir / "CUT.HYD", " 2\nCut short\n    10.00\n     12.5000\n     0.150000\n");
  support::writeFile(dir / "CUT.MAS", "Cut short\n5\n7\n0.1\n");
  support::writeFile(dir / "CUT.DV", "2\nCut short\n");
  support::writeFile(dir / "HUGE.STM", "1\nOne step of 1e37 in/hr\n60\n1\n" + std::string(37, '9') + "\n-1\n");
  support::writeFile(dir / "HUGE.MAS", "Ordinates of 1e38\n5\n2\n0.5\n1E38\n-1\n");
  support::writeFile(dir / "BACK.HYD", " 2\nA step of -1e38 hours\n -1E38\n 12.5\n 0.0\n 0.5\n 0.2\n -1\n");
  // Metric flows of 1e38 cms overflow single precision in cfs.
  support::writeFile(dir / "OVER.HYD", " 2\nFlows beyond single precision in cfs\n 10\n 12.5\n 0.0\n 1E38\n 0.5\n -1\n");
  fs::create_directory(dir / "DIR.STM");
  fs::create_directory(dir / "DIR.HYD");
  fs::create_directory(dir / "D_V_DWF.DAT");
  // The data files the whole-study fuzz target gives every study, so that
  // its regression inputs read what they read when they failed.
  const std::string storm = "2\nFive-step 10-minute storm, intensities in mm/hr\n10\n5\n12.0\n30.0\n60.0\n24.0\n6.0\n-1\n";
  support::writeFile(dir / "RAIN5.STM", storm);
  support::writeFile(dir / "FIVE.STM", storm);
  support::writeFile(dir / "H-000101.001", " 2\nInflow to the pond, typed in\n    10.00\n     12.5000\n     0.000000\n"
                                           "     0.150000\n     0.420000\n     0.800000\n     0.650000\n     0.400000\n"
                                           "     0.220000\n   -1.000\n");
}

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      // Slots: 0, 11 and -5 in the commands that take them.
      {"STORE HYD slot 0", "STORE HYD           ID=[0], NHYD=[1], DT=[10], AREA=[1]\n 1 2 -1\n", 920, true},
      {"STORE HYD slot 11", "STORE HYD           ID=[11], NHYD=[1], DT=[10], AREA=[1]\n 1 2 -1\n", 920, true},
      {"PRINT HYD slot -5", "PRINT HYD           ID=[-5], PCYC=[1]\n", 920, true},
      {"ADD HYD slot 11", "ADD HYD             IDout=[11], NHYD=[5], IDin=[1]\n", 920, true},
      {"SHIFT HYD slot 0", "SHIFT HYD           IDout=[0], NHYD=[5], IDin=[1], SHIFT=[10]\n", 920, true},
      {"DIVERT HYD slot -5", "DIVERT HYD          IDin=[-5], NOUT=[1], IDout=[2], NHYD=[2], 0 0 5 5\n", 920, true},
      {"ROUTE RESERVOIR slot 11",
       "ROUTE RESERVOIR     IDout=[11], NHYD=[2], IDin=[1], [0, 0, 1, 0.1, -1, -1], IDovf=[0], NHYDovf=[0]\n", 920,
       true},
      {"COMPUTE NASHYD slot 0",
       "COMPUTE NASHYD      ID=[0], NHYD=[1], DT=[5], AREA=[40], PRINT=[0,0], CN=[75],\n"
       "                    IA=[-1], N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n",
       920, true},
      {"EROSION INDEX slot 11", "EROSION INDEX       METHOD=[1], QCE=[2], ID=[11]\n", 920, true},
      {"COMPUTE VOLUME slot -5", "COMPUTE VOLUME      ID=[-5], StRate=[0.2], RelRate=[0.3]\n", 920, true},
      {"SAVE HYD slot 0 stops the program", "SAVE HYD            ID=[0], PCYC=[1], NAMEmode=[0]\n x\n", 2, true, true},
      {"SAVE HYD slot 11", "SAVE HYD            ID=[11], PCYC=[1], NAMEmode=[0]\n x\n", 920, true},
      {"COMPUTE DUALHYD slot 11",
       "COMPUTE DUALHYD     IDin=[1], CINLET=[1.5], NINLET=[2]\n MajID=[11], MajNHYD=[33], MinID=[4], MinNHYD=[44]\n",
       920, true},
      {"STORE RATING CURVE curve 0", "STORE RATING CURVE  NRC=[0], VSN=[1]\n 100 0 0   101 20 30   -1\n", 988, true},
      {"STORE RATING CURVE curve 99999", "STORE RATING CURVE  NRC=[99999], VSN=[1]\n 100 0 0   101 20 30   -1\n", 988,
       true},
      // Areas, steps, slopes and lengths of zero or below.
      {"NASHYD area 0",
       "COMPUTE NASHYD      ID=[2], NHYD=[1], DT=[5], AREA=[0], PRINT=[0,0], CN=[75],\n"
       "                    IA=[-1], N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n",
       955, true},
      {"NASHYD area -40",
       "COMPUTE NASHYD      ID=[2], NHYD=[1], DT=[5], AREA=[-40], PRINT=[0,0], CN=[75],\n"
       "                    IA=[-1], N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n",
       955, true},
      {"NASHYD N of 1",
       "COMPUTE NASHYD      ID=[2], NHYD=[1], DT=[5], AREA=[40], PRINT=[0,0], CN=[75],\n"
       "                    IA=[-1], N=[1], TP=[0.8], NRAIN=[0], RAIN=[-1]\n",
       960, true},
      {"NASHYD TP -1",
       "COMPUTE NASHYD      ID=[2], NHYD=[1], DT=[5], AREA=[40], PRINT=[0,0], CN=[75],\n"
       "                    IA=[-1], N=[3], TP=[-1], NRAIN=[0], RAIN=[-1]\n",
       961, true},
      {"NASHYD huge rain count",
       "COMPUTE NASHYD      ID=[2], NHYD=[1], DT=[5], AREA=[40], PRINT=[0,0], CN=[75],\n"
       "                    IA=[-1], N=[3], TP=[0.8], NRAIN=[99999999], RAIN=[1]\n",
       956, true},
      {"STANDHYD slope 0",
       "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[12], XIMP=[0.35],\n"
       "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[75], SLOPE=[0], RAIN=[-1]\n",
       965, true},
      {"STANDHYD loss method 7",
       "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[12], XIMP=[0.35],\n"
       "                    TIMP=[0.5], DWF=[0], LOSS=[7], CN=[75], SLOPE=[1], RAIN=[-1]\n",
       962, true},
      {"WILHYD K 0",
       "COMPUTE HYD         ID=[2], NHYD=[301], DT=[10], AREA=[100], BASE=[0], PRINT=[0],\n"
       "                    CN=[-0.5], IA=[0.1], K=[0], TP=[1.0], NRAIN=[0], RAIN=[-1]\n",
       966, true},
      {"CHICAGO step 0",
       "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[0], OPTION=[1]\n A=[1000], B=[6], C=[0.8]\n", 948, true},
      {"CHICAGO ratio 2",
       "CHICAGO STORM       IUNITS=[2], TD=[3], R=[2], DT=[10], OPTION=[1]\n A=[1000], B=[6], C=[0.8]\n", 949, true},
      {"CHICAGO huge duration",
       "CHICAGO STORM       IUNITS=[2], TD=[99999999999], R=[0.4], DT=[10], OPTION=[1]\n A=[1000], B=[6], C=[0.8]\n",
       220, false},
      {"MODIFY STORM case 9", "MODIFY STORM        ICASEms=[9], NSHIFT=[0], RFACT=[1]\n", 250, true},
      {"MODIFY STORM shift of -99999999", "MODIFY STORM        ICASEms=[1], NSHIFT=[-99999999], RFACT=[1]\n", 252,
       true},
      {"MODIFY STORM shift of 99999999", "MODIFY STORM        ICASEms=[1], NSHIFT=[99999999], RFACT=[1]\n", 253, false},
      {"ROUTE slope 0", "ROUTE               IDout=[2], NHYD=[2], IDin=[1], RDT=[5], SLOPE=[0], L=[3000], N=[0.035]\n",
       86, true},
      {"ROUTE CHANNEL length -2000",
       "ROUTE CHANNEL       IDout=[2], NHYD=[202], IDin=[1], RDT=[5],\n"
       "                    L=[-2000], CHSLP=[0.1], FPSLP=[0.2], VSN=[1], NSEG=[3]\n"
       "                    0.08 0   -0.03 20   0.08 42\n"
       "                    0 5  10 1  15 0  20 0  25 1  30 5\n",
       988, true},
      {"ROUTE RESERVOIR step above the inflow's",
       "ROUTE RESERVOIR     IDout=[2], NHYD=[2], IDin=[1], RDT=[60], [0, 0, 1, 0.1, -1, -1], IDovf=[0], NHYDovf=[0]\n",
       95, true},
      {"KINROUTE length 0",
       "KINROUTE            IDout=[3], NHYD=[303], PIPE=[8], D=[600], L=[0],\n"
       "                    n=[0.013], S=[0.005], IDin=[1], RDT=[0], Qx=[0]\n",
       992, true},
      {"ROUTE PIPE type 3",
       "ROUTE PIPE          TYPE=[3], IDout=[6], NHYD=[606], PIPE=[1], D=[600], L=[300],\n"
       "                    n=[0.013], S=[0.5], IDin=[1], RDT=[0], DLIM=[0]\n",
       994, true},
      {"CHICAGO exponent -1e35",
       "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[10], OPTION=[1]\n A=[1000], B=[6], C=[-" +
           std::string(35, '9') + "]\n",
       951, true},
      {"STANDHYD XIMP -1",
       "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[12], XIMP=[-1],\n"
       "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[75], SLOPE=[1.5], RAIN=[-1]\n",
       968, true},
      {"STANDHYD area -1",
       "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[-1], XIMP=[0.35],\n"
       "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[75], SLOPE=[1.5], RAIN=[-1]\n",
       955, true},
      {"CONTINUOUS WILHYD recession constant -1",
       "COMPUTE API         APII=[0], APIK=[1]\n"
       "CONTINUOUS WILHYD   ID=[4], NHYD=[401], DT=[10], AREA=[100], BASE=[-0.01],\n"
       "                    CN=[80], IA=[0.2], K=[1.0], TP=[1.0], IaREC=[24],\n"
       "                    SMIN=[1.0], SMAX=[2.5], SK=[0], IET=[6],\n"
       "                    GW=[1], GWINIT=[2.0], GWFREC=[-1], VHYDCON=[0.01], RAIN=[-1]\n",
       969, true},
      {"WILHYD huge rain count",
       "COMPUTE HYD         ID=[2], NHYD=[301], DT=[10], AREA=[100], BASE=[0], PRINT=[0],\n"
       "                    CN=[-0.5], IA=[0.1], K=[1.0], TP=[1.0], NRAIN=[2147483648], RAIN=[1]\n",
       956, true},
      {"COMPUTE RATING CURVE up to 1e35 m",
       "COMPUTE RATING CURVE NRC=[1], VSN=[7], NSEG=[1], EMIN=[0], EMAX=[" + std::string(35, '9') +
           "]\n"
           " CHSLP=[0.001], FPSLP=[0.002]\n N=[0.03], END=[30]\n 0 10   10 0   20 0   30 10\n"
           "COMPUTE TRAVEL TIME ID=[2], VSN=[2], N=[1], L=[2000], SLOPE=[0.001]\n",
       988, true},
      {"STORE TRAVEL TIME whose fall L x SLOPE overflows",
       "STORE TRAVEL TIME   ID=[2], VSN=[1], L=[" + std::string(35, '9') + "], SLOPE=[" + std::string(35, '9') +
           "]\n 0.2 5 0.5   -1\n",
       988, true},
      // Within a thousandth of the top of single precision a typed value
      // would overflow in its conversion of units: refused as it is read.
      {"STORE RATING CURVE of 1e38 cms",
       "STORE RATING CURVE  NRC=[2], VSN=[1]\n 100 0 0   101 20 " + std::string(38, '9') + "   -1\n", 912, true},
      {"ROUTE RESERVOIR storage beyond single precision at its step",
       "STORE HYD           ID=[3], NHYD=[103], DT=[0.0000000001], AREA=[12.5]\n 0 1 2 -1\n"
       "ROUTE RESERVOIR     IDout=[2], NHYD=[2], IDin=[3], RDT=[0.0000000001]\n [0, 0, 1, " +
           std::string(35, '9') + ", -1, -1]\n",
       989, true},
      {"MODIFY STORM factor XK * XL^XM beyond single precision",
       "MODIFY STORM        ICASEms=[2], NSHIFT=[0], XK=[1], XL=[10], XM=[99]\n", 958, true},
      {"MODIFY STORM shift of 2147483648", "MODIFY STORM        ICASEms=[1], NSHIFT=[2147483648], RFACT=[1]\n", 253,
       false},
      {"DIVERT HYD no outputs", "DIVERT HYD          IDin=[1], NOUT=[0]\n", 925, true},
      {"DIVERT HYD huge output count", "DIVERT HYD          IDin=[1], NOUT=[99999999], 2 2\n", 210, true},
      {"COMPUTE API recession 0", "COMPUTE API         APII=[10], APIK=[0]\n", 400, true},
      {"DWF+WWF step 0.5 minute",
       "COMPUTE DWF+WWF     ID=[1], NHYD=[1], DT=[0.5], AREA=[10], NDAYS=[1],\n"
       "                    POP=[100], ADFp=[50], PKFp=[0], XAcom=[0], ADFa=[0], PKFa=[0],\n"
       "                    XAgwf=[0], ADFg=[0], GWF=[0], C_DCON=[0], AVGLEN=[0],\n"
       "                    C_WEEP=[0], K_WEEP=[0], C_SLOW=[0], K_SLWi=[0], K_SLWii=[0]\n",
       457, true},
      {"AES end before start", "READ AES DATA       0, 123, 2023.0305, 2023.0301, \"AES.DAT\"\n", 371, true},
      {"a number beyond single precision",
       "SHIFT HYD           IDout=[2], NHYD=[5], IDin=[1],\n                    " + std::string(45, '9') + "\n", 912,
       true},
      // Missing and cut-short files, and a directory where a file should be.
      {"READ STORM missing", "READ STORM          \"NONE.STM\"\n", 940, true},
      {"READ STORM cut short", "READ STORM          \"CUT.STM\"\n", 941, true},
      {"READ STORM a directory", "READ STORM          \"DIR.STM\"\n", 940, true},
      {"MASS STORM missing", "MASS STORM          D=[50], DT=[5], \"NONE.MAS\"\n", 943, true},
      {"MASS STORM cut short", "MASS STORM          D=[50], DT=[5], \"CUT.MAS\"\n", 944, true},
      {"READ HYD missing", "READ HYD            ID=[2], NHYD=[2], \"NONE.HYD\"\n", 270, true},
      {"READ HYD cut short", "READ HYD            ID=[2], NHYD=[2], \"CUT.HYD\"\n", 924, false},
      {"READ HYD a directory", "READ HYD            ID=[2], NHYD=[2], \"DIR.HYD\"\n", 270, true},
      {"READ HYD a step of -1e38 hours", "READ HYD            ID=[2], NHYD=[2], \"BACK.HYD\"\n", 921, true},
      {"MASS STORM ordinates of 1e38", "MASS STORM          D=[50], DT=[5], \"HUGE.MAS\"\n", 959, true},
      {"READ AES DATA missing", "READ AES DATA       0, 123, 2023.0301, 2023.0305, \"NONE.AES\"\n", 946, true},
      {"DEFAULT VALUES missing", "DEFAULT VALUES      ICASEdv=[1], \"NONE.DV\"\n", 963, true},
      {"DEFAULT VALUES cut short", "DEFAULT VALUES      ICASEdv=[1], \"CUT.DV\"\n", 964, true},
      {"DWF curve file a directory",
       "COMPUTE DWF+WWF     ID=[1], NHYD=[1], DT=[60], AREA=[10], NDAYS=[1],\n"
       "                    POP=[100], ADFp=[50], PKFp=[-41], XAcom=[0], ADFa=[0], PKFa=[0],\n"
       "                    XAgwf=[0], ADFg=[0], GWF=[0], C_DCON=[0], AVGLEN=[0],\n"
       "                    C_WEEP=[0], K_WEEP=[0], C_SLOW=[0], K_SLWi=[0], K_SLWii=[0]\n",
       970, true},
      {"SAVE HYD into a directory", "SAVE HYD            ID=[1], PCYC=[1], NAMEmode=[-1], \"DIR.HYD\", \"x\"\n", 922,
       true},
  };
  return all;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The words a NaN or an infinity is written as, in any case ("NaN", "nan",
// "Inf", "inf", "Infinity"), right-justified in a field or standing alone
// ("Inflow" and "Cum.Inf." are labels).
bool hasNonFinite(const std::string& text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const std::string word : {"nan", "inf"}) {
    for (std::size_t at = lower.find(word); at != std::string::npos; at = lower.find(word, at + 1)) {
      const char before = at == 0 ? ' ' : lower[at - 1];
      std::size_t end = at + word.size();
      if (word == "inf" && lower.compare(end, 5, "inity") == 0) end += 5;
      const char after = end < lower.size() ? lower[end] : ' ';
      if (std::string_view(" =+-\n\r\t,(").find(before) != std::string_view::npos && !std::isalpha(after) &&
          after != '.')
        return true;
    }
  }
  return false;
}

// Every text file the run wrote (outputs, hydrograph and storm files, the
// messages log), the unformatted summary records aside.
bool anyFileNonFinite(const kestran::RunResult& r, std::string& which) {
  for (const std::string& f : r.files) {
    if (fs::path(f).extension() == ".sbo" || !fs::is_regular_file(f)) continue;
    if (hasNonFinite(support::fileText(f))) {
      which = f;
      return true;
    }
  }
  return false;
}

struct Outcome {
  kestran::RunResult result;
  std::string out, sum;
};

Outcome runStudy(const fs::path& dir, const std::string& text) {
  fs::create_directories(dir);
  writeSideFiles(dir);
  kestran::RunOptions o;
  o.text = text;
  o.workDir = dir;
  o.baseDir = dir;
  o.clock = platform::DateTime{2026, 1, 2, 3, 4, 5};
  Outcome r{kestran::run(o), {}, {}};
  r.out = support::fileText(r.result.detailedOutput);
  r.sum = support::fileText(r.result.summaryOutput);
  return r;
}

// The closing of a run: the end-of-run block in both outputs, the premature
// end noted and the status non-zero exactly when it ended on an error.
void expectClosed(const Outcome& r, bool error, const std::string& what) {
  EXPECT_TRUE(has(r.out, "Simulation ended on") && has(r.sum, "Simulation ended on")) << what << ": run not closed";
  EXPECT_EQ(has(r.out, "RUN TERMINATED PREMATURELY"), error) << what;
  std::vector<int> numbers;
  for (const auto& m : r.result.messages) numbers.push_back(m.number);
  EXPECT_EQ(r.result.status != 0, error) << what << ": status " << r.result.status << ", messages "
                                         << testing::PrintToString(numbers);
  // An error is never lowered by a later message: whenever one is printed
  // the run ends on it. (RECALL HYD's message 1 says ERROR at severity 1, by
  // design: the command is merely ignored.)
  for (const auto& m : r.result.messages) {
    const bool saysError = !m.lines.empty() && has(m.lines.front(), "ERROR");
    if (saysError && m.number != 1) {
      EXPECT_NE(r.result.status, 0) << what << ": message " << m.number << " printed, yet status 0";
    }
  }
  EXPECT_FALSE(hasNonFinite(r.out) || hasNonFinite(r.sum)) << what << ": NaN or infinity in an output";
  std::string file;
  EXPECT_FALSE(anyFileNonFinite(r.result, file)) << what << ": NaN or infinity in " << file;
}

TEST(BadInput, NamedByANumberedMessageAndTheRunCloses) {
  support::TempDir root(support::scratchRoot() / ("kbad" + std::to_string(::getpid())));
  int k = 0;
  for (const Case& c : cases()) {
    const Outcome r = runStudy(root.path() / std::to_string(++k), kPrelude + c.commands + "FINISH\n");
    std::vector<int> numbers;
    for (const auto& m : r.result.messages) numbers.push_back(m.number);
    EXPECT_NE(std::find(numbers.begin(), numbers.end(), c.message), numbers.end())
        << c.what << ": message " << c.message << " not issued; got " << testing::PrintToString(numbers);
    if (!c.stopsProgram) {
      expectClosed(r, c.error, c.what);
      continue;
    }
    EXPECT_NE(r.result.status, 0) << c.what;
    EXPECT_TRUE(has(r.out, "*** ERROR: SAVE HYD, ID =0.  Run aborted.")) << c.what;
    EXPECT_FALSE(has(r.out, "Simulation ended on")) << c.what;
  }
}

// Errors a later warning or note of the same command once lowered, so that
// the run went on and ended with status 0: each ends the run now, with
// status 1 and its command's summary line marked "**".
TEST(BadInput, AnErrorIsNeverLoweredByALaterMessage) {
  struct Row {
    const char* what;
    std::string commands;
    std::vector<int> messages; // issued in this order: the error, then the later one
    const char* line;          // the label of the summary line marked "**"
  };
  const Row rows[] = {
      {"READ HYD of a file whose flows overflow (then: the hydrograph read is dry)",
       "READ HYD            ID=[2], NHYD=[2], \"OVER.HYD\"\n", {913, 271}, "READ HYD"},
      {"SAVE HYD of an empty slot into a directory (then: the hydrograph is dry)",
       "SAVE HYD            ID=[3], PCYC=[1], NAMEmode=[-1], \"DIR.HYD\", \"x\"\n", {922, 170}, "SAVE HYD"},
  };
  support::TempDir root(support::scratchRoot() / ("klow" + std::to_string(::getpid())));
  int k = 0;
  for (const Row& row : rows) {
    const Outcome r = runStudy(root.path() / std::to_string(++k), kPrelude + row.commands + "FINISH\n");
    std::vector<int> numbers;
    for (const auto& m : r.result.messages) numbers.push_back(m.number);
    EXPECT_EQ(numbers, row.messages) << row.what;
    EXPECT_EQ(r.result.status, 1) << row.what;
    expectClosed(r, true, row.what);
    EXPECT_TRUE(has(r.sum, std::string("\n  ** ") + row.line)) << row.what << ": summary line not marked **";
  }
}

// Studies the fuzzer found crashing, hanging or printing NaN, cut down to the
// line that did it.
struct Finding {
  const char* what;
  std::string study;
  bool error;
};

TEST(BadInput, FuzzFindingsRunToTheirEnd) {
  int k = 0;
  const Finding findings[] = {
      {"TZERO far beyond a four-digit year",
       " 2\nSTART               TZERO=[111111111111111111111111], METOUT=[2], NSTORM=[0], NRUN=[1]\nFINISH\n", false},
      {"flows near the top of single precision over a tiny area",
       " 2\nSTART               TZERO=[0], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
       "STORE HYD           ID=[1], NHYD=[101], DT=[10], AREA=[0.000001]\n"
       "                    0  99999999999999999999999999999999999  99999999999999999999999999999999999  -1\n"
       "PRINT HYD           ID=[1], PCYC=[1]\nFINISH\n",
       true},
      {"a start time far before year 0 on the summary line",
       " 2\nSTART               TZERO=[-111111111111111111111111], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
       "STORE HYD           ID=[1], NHYD=[101], DT=[10], AREA=[12.5]\n 0.0  0.15  0.42  0.80  -1\nFINISH\n",
       false},
  };
  const std::string huge(35, '9'); // 1e35, within single precision
  const Finding extremes[] = {
      {"an urban area of 1e35 ha (its flow length overflowed)",
       "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[" + huge +
           "], XIMP=[0.35],\n"
           "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[75], SLOPE=[1], RAIN=[-1]\n",
       false},
      {"a rectangular pipe with n of 1e35 (its size overflowed)",
       "ROUTE PIPE          TYPE=[2], IDout=[6], NHYD=[606], PIPE=[1], W=[0.1], H=[0.1], L=[1],\n"
       "                    n=[" +
           huge + "], S=[0.0000001], IDin=[1], RDT=[0], DLIM=[0]\n",
       true},
      {"KINROUTE with n of 1e35 (an undefined celerity)",
       "KINROUTE            IDout=[3], NHYD=[303], PIPE=[8], D=[0.001], L=[0.001],\n"
       "                    n=[" +
           huge + "], S=[0.0000001], IDin=[1], RDT=[0], Qx=[0]\n",
       true},
      {"a storm total changed by 2e36 inches",
       "READ STORM          \"HUGE.STM\"\nMODIFY STORM        ICASEms=[1], NSHIFT=[0], RFACT=[1.2]\n", false},
      {"a channel routing step of 1e-29 minutes",
       "ROUTE CHANNEL       IDout=[2], NHYD=[202], IDin=[1], RDT=[0.00000000000000000000000000001],\n"
       "                    L=[2000], CHSLP=[0.1], FPSLP=[0.2], VSN=[1], NSEG=[3]\n"
       "                    0.08 0   -0.03 20   0.08 42\n"
       "                    0 5  10 1  15 0  20 0  25 1  30 5\n",
       false},
      {"a runoff step of 1e-29 minutes",
       "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[0.00000000000000000000000000001], AREA=[12], XIMP=[0.35],\n"
       "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[75], SLOPE=[1.5], RAIN=[-1]\n",
       false},
      {"a major system reference at the top of the integers",
       "COMPUTE DUHYD       IDin=[1], NHYD=[" + huge +
           "],\n"
           "                    CINLET=[0.05], NINLET=[2], MajID=[3], MinID=[4]\n",
       false},
      // Values whose products overflow: each printed figure beyond single
      // precision shows as asterisks, never as an infinity.
      {"a population of 1e35 at 1e35 L/cap/day (its dry-weather peak overflowed)",
       "COMPUTE DWF+WWF     ID=[3], NHYD=[\"TOWN\"], DT=[15], AREA=[100], NDAYS=[1],\n"
       "                    POP=[" + huge + "], ADFp=[" + huge + "], PKFp=[0.5], XAcom=[0.2], ADFa=[2000],\n"
       "                    PKFa=[1.5], XAgwf=[0.5], ADFg=[500], GWF=[1.2], C_DCON=[0.5], AVGLEN=[2],\n"
       "                    C_WEEP=[0.1], K_WEEP=[0.2], C_SLOW=[0.1], K_SLWi=[0.3], K_SLWii=[0.4]\n",
       true},
      {"CALIB WILHYD of a typed rain of 1e35 in/hr (its excess overflowed)",
       "CALIB WILHYD        ID=[2], NHYD=[302], DT=[0], AREA=[50], BASE=[0.5], PRINT=[1],\n"
       "                    CN=[80], IA=[-1], K=[0.5], TP=[1.0], RAIN=[" + huge + "]\n",
       true},
      {"CONTINUOUS WILHYD of a typed rain of 1e35 in/hr (its water budget overflowed)",
       "COMPUTE API         APII=[0], APIK=[1]\n"
       "CONTINUOUS WILHYD   ID=[4], NHYD=[401], DT=[10], AREA=[100], BASE=[-0.01],\n"
       "                    CN=[80], IA=[0.2], K=[1.0], TP=[1.0], IaREC=[24],\n"
       "                    SMIN=[1.0], SMAX=[2.5], SK=[0.1], IET=[6],\n"
       "                    GW=[0], RAIN=[" + huge + ", 0.001, 0.01, -1]\n",
       true},
      {"CONTINUOUS WILHYD with SMAX of 1e35 at a step of 1e-29 minutes (its average S overflowed)",
       "COMPUTE API         APII=[0], APIK=[1]\n"
       "CONTINUOUS WILHYD   ID=[4], NHYD=[401], DT=[0.00000000000000000000000000001], AREA=[100], BASE=[-0.01],\n"
       "                    CN=[80], IA=[0.2], K=[1.0], TP=[1.0], IaREC=[24],\n"
       "                    SMIN=[1.0], SMAX=[" + huge + "], SK=[0.1], IET=[6],\n"
       "                    GW=[1], GWINIT=[2.0], GWFREC=[0.001], VHYDCON=[0.01], RAIN=[-1]\n",
       false},
      {"COMPUTE DUALHYD of steps of 3.39e35 minutes (the storage content overflowed; refused, 981)",
       "STORE HYD           ID=[5], NHYD=[105], DT=[339" + std::string(33, '0') + "], AREA=[5]\n"
       "                    0 2 6 10 6 3 2 0 -1\n"
       "COMPUTE DUALHYD     IDin=[5], CINLET=[0], NINLET=[2]\n"
       "                    MajID=[3], MajNHYD=[301], MinID=[4], MinNHYD=[401], TMJSTO=[600]\n"
       "SAVE HYD            ID=[3], PCYC=[1], NAMEmode=[-1], \"OUT3.HYD\", \"x\"\n",
       true},
      {"COMPUTE DUALHYD of steps of 3.39e35 minutes (its overflow volume beyond single precision in cubic feet)",
       "STORE HYD           ID=[5], NHYD=[105], DT=[339" + std::string(33, '0') + "], AREA=[5]\n"
       "                    0 0.2 0.4 0.4 0.4 0.2 0 -1\n"
       "COMPUTE DUALHYD     IDin=[5], CINLET=[0], NINLET=[2]\n"
       "                    MajID=[3], MajNHYD=[301], MinID=[4], MinNHYD=[401], TMJSTO=[0.001]\n"
       "SAVE HYD            ID=[3], PCYC=[1], NAMEmode=[-1], \"OUT3.HYD\", \"x\"\n",
       false},
      {"1e35 inlets of 1e35 cms (their capacity overflowed)",
       "COMPUTE DUALHYD     IDin=[1], CINLET=[" + huge + "], NINLET=[" + huge +
           "]\n"
           "                    MajID=[3], MajNHYD=[33], MinID=[4], MinNHYD=[44]\n",
       false},
  };
  support::TempDir root(support::scratchRoot() / ("kfz" + std::to_string(::getpid())));
  for (const Finding& f : extremes)
    expectClosed(runStudy(root.path() / std::to_string(++k), kPrelude + f.study + "FINISH\n"), f.error, f.what);
  for (const Finding& f : findings) expectClosed(runStudy(root.path() / std::to_string(++k), f.study), f.error, f.what);
}

// Every input the fuzzers once failed on (fuzz/regressions/study) runs to
// its end: closed, finite, and its status non-zero exactly when it says the
// run was terminated.
TEST(BadInput, FuzzRegressionFilesRunToTheirEnd) {
  const fs::path dir = fs::path(KESTRAN_GOLDEN_DIR) / ".." / ".." / "fuzz" / "regressions" / "study";
  ASSERT_TRUE(fs::is_directory(dir)) << dir;
  support::TempDir root(support::scratchRoot() / ("kfr" + std::to_string(::getpid())));
  int k = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    const Outcome r = runStudy(root.path() / std::to_string(++k), support::fileText(e.path()));
    expectClosed(r, has(r.out, "RUN TERMINATED PREMATURELY"), e.path().filename().string());
  }
  EXPECT_GE(k, 1);
}

} // namespace
