// The water-balance ledger against balances worked out by hand, and the CSV
// export against the hydrograph file SAVE HYD writes in the same run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "kestran.h"
#include "results/csv_export.h"
#include "support/files.h"

namespace fs = std::filesystem;

namespace {

// Metric input and output; a 40-minute block storm of 12 mm/hr: 8 mm.
const char* const kHead = " 2\n"
                          "START               TZERO=[0], METOUT=[2], NSTORM=[0], NRUN=[1]\n";
const char* const kStorm = "2\nBlock storm\n10\n4\n12.0\n12.0\n12.0\n12.0\n";
// A triangle on a 10-minute step: 0, 1, 2, 1, 0 cms hold 4 x 600 = 2400 m3.
const char* const kTriangle = "STORE HYD           ID=[1], NHYD=[1], DT=[10], AREA=[10]\n"
                              "                    0.0 1.0 2.0 1.0 0.0 -1\n";
const char* const kTriangleNoArea = "STORE HYD           ID=[1], NHYD=[1], DT=[10], AREA=[0]\n"
                                    "                    0.0 1.0 2.0 1.0 0.0 -1\n";

kestran::RunResult runStudy(const std::string& body, const fs::path& dir) {
  fs::create_directories(dir);
  std::ofstream(dir / "BLOCK.STM") << kStorm;
  kestran::RunOptions o;
  o.text = std::string(kHead) + body + "FINISH\n";
  o.workDir = dir;
  o.baseDir = dir;
  o.clock = platform::DateTime{2026, 1, 2, 3, 4, 5};
  return kestran::run(o);
}

const model::LedgerRecord* recordOf(const kestran::RunResult& r, const std::string& label) {
  for (const model::LedgerRecord& l : r.ledger) {
    if (l.label == label) return &l;
  }
  return nullptr;
}

double lost(const model::LedgerRecord& l) {
  return l.initialAbstraction + l.infiltration + l.depressionStorage + l.evaporation;
}

struct BalanceCase {
  const char* what;
  std::string body;
  const char* command;                     // the record checked
  double in;                               // m3, by hand
  double out;                              // m3 by hand, or < 0: only the balance
  double sent;                             // m3 by hand, or < 0: only the balance
  double initialAbstraction, infiltration; // m3 by hand (runoff), or < 0
  bool stores;                             // storage left at the end must be above 0
  int error = 0; // the numbered error that refuses the command (the run ends with status 1), 0: none
};

std::vector<BalanceCase> balanceCases() {
  std::vector<BalanceCase> cases = {
      // Rain 8 mm over 10 ha = 800 m3; Ia 2 mm takes 200 m3, the coefficient
      // 0.5 lets half of the other 6 mm run off: 300 m3 out, 300 m3 infiltrated.
      {"runoff coefficient",
       "READ STORM          \"BLOCK.STM\"\n"
       "COMPUTE NASHYD      ID=[1], NHYD=[1], DT=[10], AREA=[10], PRINT=[0,0], CN=[-0.5], IA=[2],\n"
       "                    N=[3], TP=[0.5], NRAIN=[0], RAIN=[-1]\n",
       "COMPUTE NASHYD", 800.0, 300.0, 0.0, 200.0, 300.0, false},
      // A pond of 500 m3 passing 0.5 cms and 1000 m3 passing 1 cms, full past
      // that: the triangle spills part of its 2400 m3.
      {"pond with overflow",
       std::string(kTriangle) +
           "ROUTE RESERVOIR     IDout=[2], NHYD=[2], IDin=[1], RDT=[1],\n"
           "                    [OUTFLOW, STORAGE]=[0, 0,  0.5, 0.05,  1.0, 0.1,  -1, -1], IDovf=[3], NHYDovf=[3]\n",
       "ROUTE RESERVOIR", 2400.0, -1.0, -1.0, -1.0, -1.0, false},
      // The first output takes the inflow up to 1 cms, the second the rest:
      // 0, 1, 1, 1, 0 (1800 m3) and 0, 0, 1, 0, 0 (600 m3 sent).
      {"diversion",
       std::string(kTriangle) + "DIVERT HYD          IDin=[1], NOUT=[2], IDout=[4], NHYD=[4], IDout=[5], NHYD=[5]\n"
                                "                    0 0 0   1 0 1   1 9 10   -1 -1 -1\n",
       "DIVERT HYD", 2400.0, 1800.0, 600.0, -1.0, -1.0, false},
      // Two inlets of 0.5 cms: the minor system carries 0, 1, 1, 1, 0 (1800
      // m3), the major system the 600 m3 above the inlets.
      {"dual drainage",
       std::string(kTriangle) + "COMPUTE DUALHYD     IDin=[1], CINLET=[0.5], NINLET=[2]\n"
                                "                    MajID=[3], MajNHYD=[3], MinID=[4], MinNHYD=[4]\n"
                                "                    TMJSTO=[0]\n",
       "COMPUTE DUALHYD", 2400.0, 1800.0, 600.0, -1.0, -1.0, false},
      // With major-system storage the split moves but the total stays.
      {"dual drainage with storage",
       std::string(kTriangle) + "COMPUTE DUALHYD     IDin=[1], CINLET=[0.5], NINLET=[2]\n"
                                "                    MajID=[3], MajNHYD=[3], MinID=[4], MinNHYD=[4]\n"
                                "                    TMJSTO=[300]\n",
       "COMPUTE DUALHYD", 2400.0, -1.0, -1.0, -1.0, -1.0, false},
      // A nearly flat reach (a fall of 0.6 mm over 600 m): no routing step
      // converges until the reach has filled, and those steps take the
      // table's coefficient, so the triangle's 2400 m3 all come out.
      {"nearly flat channel",
       std::string(kTriangle) +
           "ROUTE CHANNEL       IDout=[2], NHYD=[2], IDin=[1], RDT=[5],\n"
           "                    L=[600], CHSLP=[0.0001], FPSLP=[0.2], VSN=[1], NSEG=[3]\n"
           "                    0.08 0   -0.03 20   0.08 42\n"
           "                    -22 4   -20 2   0 2   2 0   18 0   20 2   40 2   42 4\n",
       "ROUTE CHANNEL", 2400.0, 2400.0, 0.0, -1.0, -1.0, false},
      // An inflow without an area still carries its water through a reach
      // and a pipe (it once came out dry).
      {"channel inflow without an area",
       std::string(kTriangleNoArea) +
           "ROUTE CHANNEL       IDout=[2], NHYD=[2], IDin=[1], RDT=[5],\n"
           "                    L=[600], CHSLP=[0.001], FPSLP=[0.2], VSN=[1], NSEG=[3]\n"
           "                    0.08 0   -0.03 20   0.08 42\n"
           "                    -22 4   -20 2   0 2   2 0   18 0   20 2   40 2   42 4\n",
       "ROUTE CHANNEL", 2400.0, 2400.0, 0.0, -1.0, -1.0, false},
      {"pipe inflow without an area",
       std::string(kTriangleNoArea) +
           "ROUTE PIPE          TYPE=[1], IDout=[2], NHYD=[2], PIPE=[1], D=[1200], L=[300],\n"
           "                    n=[0.013], S=[0.005], IDin=[1], RDT=[0], DLIM=[0]\n",
       "ROUTE PIPE", 2400.0, -1.0, 0.0, -1.0, -1.0, false},
      // A base flow of 1e30 cms added to the triangle: single precision cannot
      // hold the inflow above it (the outflow came out 0), so the command is refused.
      {"pipe under a base flow of 1e30",
       std::string(kTriangle) +
           "KINROUTE            IDout=[2], NHYD=[2], PIPE=[1], D=[1200], L=[300],\n"
           "                    n=[0.013], S=[0.005], IDin=[1], RDT=[0],\n"
           "                    Qx=[1000000000000000000000000000000]\n",
       "KINROUTE", 2400.0, -1.0, -1.0, -1.0, -1.0, false, 974},
      // Rain 8 mm over 100 ha = 8000 m3 and a groundwater reservoir that
      // starts with 10 mm = 10000 m3; most of it is still there at the end.
      {"continuous with groundwater",
       "READ STORM          \"BLOCK.STM\"\n"
       "COMPUTE API         APII=[0], APIK=[1]\n"
       "CONTINUOUS NASHYD   ID=[1], NHYD=[1], DT=[10], AREA=[100], BASE=[0], CN=[80], IA=[0], N=[3], TP=[1],\n"
       "                    IAREC=[6], SMIN=[25], SMAX=[60], SK=[0.1], IET=[12], GW=[1], GWI=[10],\n"
       "                    GWFREC=[0.9], VHYDCON=[0.01], RAIN=[-1]\n",
       "CONTINUOUS NASHYD", 18000.0, -1.0, 0.0, -1.0, -1.0, true},
  };
  // Runoff of 8 mm on 1000 ha (the coefficient 0.5 and Ia 2 mm leave 30000
  // m3) on top of a base flow, through the 42 m trapezoid and the 1200 mm
  // pipe: the reach starts and ends holding the base flow, whatever its size.
  const std::string runoff = "READ STORM          \"BLOCK.STM\"\n"
                             "CALIB NASHYD        ID=[1], NHYD=[1], DT=[10], AREA=[1000], BASE=[";
  const std::string rest = "], CN=[-0.5], IA=[2],\n"
                           "                    N=[3], TP=[0.5], RAIN=[-1]\n";
  const struct {
    const char *base, *channel, *pipe;
  } bases[] = {
      {"0", "channel without a base flow", "pipe without a base flow"},
      {"2", "channel under a base flow of 2", "pipe under a base flow of 2"},
      {"100", "channel under a base flow of 100", "pipe under a base flow of 100"},
      {"10000", "channel under a base flow of 1e4", "pipe under a base flow of 1e4"},
  };
  for (const auto& b : bases) {
    cases.push_back({b.channel, runoff + b.base + rest +
                         "ROUTE CHANNEL       IDout=[2], NHYD=[2], IDin=[1], RDT=[5],\n"
                         "                    L=[600], CHSLP=[0.001], FPSLP=[0.2], VSN=[1], NSEG=[3]\n"
                         "                    0.08 0   -0.03 20   0.08 42\n"
                         "                    -22 4   -20 2   0 2   2 0   18 0   20 2   40 2   42 4\n",
                     "ROUTE CHANNEL", -1.0, -1.0, 0.0, -1.0, -1.0, false});
    cases.push_back({b.pipe, runoff + b.base + rest +
                         "ROUTE PIPE          TYPE=[1], IDout=[2], NHYD=[2], PIPE=[1], D=[1200], L=[300],\n"
                         "                    n=[0.013], S=[0.005], IDin=[1], RDT=[0], DLIM=[0]\n",
                     "ROUTE PIPE", -1.0, -1.0, 0.0, -1.0, -1.0, false});
  }
  // Ia of 100 mm takes the whole storm: the inflow is its base flow alone,
  // which passes unrouted (it was dropped with the dry inflow).
  const std::string baseOnly = "READ STORM          \"BLOCK.STM\"\n"
                               "CALIB NASHYD        ID=[1], NHYD=[1], DT=[10], AREA=[1000], BASE=[2], CN=[-0.5],\n"
                               "                    IA=[100], N=[3], TP=[0.5], RAIN=[-1]\n";
  cases.push_back({"channel with a base flow alone",
                   baseOnly + "ROUTE CHANNEL       IDout=[2], NHYD=[2], IDin=[1], RDT=[5],\n"
                              "                    L=[600], CHSLP=[0.001], FPSLP=[0.2], VSN=[1], NSEG=[3]\n"
                              "                    0.08 0   -0.03 20   0.08 42\n"
                              "                    -22 4   -20 2   0 2   2 0   18 0   20 2   40 2   42 4\n",
                   "ROUTE CHANNEL", -1.0, -1.0, 0.0, -1.0, -1.0, false});
  cases.push_back({"pipe with a base flow alone",
                   baseOnly + "ROUTE PIPE          TYPE=[1], IDout=[2], NHYD=[2], PIPE=[1], D=[1200], L=[300],\n"
                              "                    n=[0.013], S=[0.005], IDin=[1], RDT=[0], DLIM=[0]\n",
                   "ROUTE PIPE", -1.0, -1.0, 0.0, -1.0, -1.0, false});
  return cases;
}

TEST(WaterBalance, HandComputedBalancesHoldToPrintPrecision) {
  support::TempDir root(support::scratchRoot() / ("kbal" + std::to_string(::getpid())));
  int k = 0;
  for (const BalanceCase& c : balanceCases()) {
    SCOPED_TRACE(c.what);
    const kestran::RunResult r = runStudy(c.body, root.path() / std::to_string(k++));
    if (c.error != 0) {
      // Refused: the run ends on the error and the command stores nothing.
      EXPECT_EQ(r.status, 1);
      EXPECT_TRUE(std::any_of(r.messages.begin(), r.messages.end(), [&](const model::MessageRecord& m) {
        return m.number == c.error && m.severity == model::Severity::Error;
      }));
      EXPECT_EQ(recordOf(r, c.command), nullptr);
      continue;
    }
    ASSERT_EQ(r.status, 0);
    const model::LedgerRecord* l = recordOf(r, c.command);
    ASSERT_NE(l, nullptr);
    // Print precision: three significant figures of a volume.
    const auto near = [](double expected) { return std::max(0.5, std::fabs(expected) * 1e-3); };
    if (c.in >= 0.0) {
      EXPECT_NEAR(l->volumeIn, c.in, near(c.in));
    }
    if (c.out >= 0.0) {
      EXPECT_NEAR(l->volumeOut, c.out, near(c.out));
    }
    if (c.sent >= 0.0) {
      EXPECT_NEAR(l->sent, c.sent, near(c.sent));
    }
    if (c.initialAbstraction >= 0.0) {
      EXPECT_NEAR(l->initialAbstraction, c.initialAbstraction, near(c.in));
    }
    if (c.infiltration >= 0.0) {
      EXPECT_NEAR(l->infiltration, c.infiltration, near(c.in));
    }
    // What came in left, was lost or stays: within 1 % and unflagged.
    EXPECT_NEAR(l->volumeOut + l->sent + lost(*l) + l->stored, l->volumeIn, l->volumeIn * 0.01);
    EXPECT_LT(std::fabs(l->errorPercent), 1.0);
    EXPECT_FALSE(l->flagged) << l->reason;
    if (c.stores) {
      EXPECT_GT(l->stored, 0.0);
    }
    // A routed wave keeps its own volume, apart from the base flow it rides
    // on (under a large base flow the ledger's 1 % would hide all of it).
    const std::string command = c.command;
    if (command == "ROUTE CHANNEL" || command == "ROUTE PIPE") {
      const auto net = [](const model::HydrographRecord& h) {
        double sum = 0.0;
        for (const float q : h.flows) sum += q;
        return sum * h.dtHours * 3600.0;
      };
      // Every routing row takes ID 1 into ID 2.
      const auto produced = [&](int id) {
        return std::find_if(r.hydrographs.begin(), r.hydrographs.end(),
                            [&](const model::HydrographRecord& h) { return h.produced && h.id == id; });
      };
      const auto in = produced(1), out = produced(2);
      ASSERT_NE(out, r.hydrographs.end());
      ASSERT_NE(in, r.hydrographs.end());
      EXPECT_NEAR(net(*out), net(*in), near(net(*in)));
      EXPECT_EQ(out->base, in->base);
    }
    if (std::string(c.command) == "ROUTE RESERVOIR") {
      EXPECT_GT(l->sent, 0.0); // it did spill
    }
    // Water from the store names the command it came from.
    if (std::string(c.body).rfind("STORE HYD", 0) == 0) {
      EXPECT_EQ(l->sources, std::vector<int>{2});
    } else if (std::string(c.body).rfind("READ STORM", 0) == 0 && !l->inputs.empty()) {
      EXPECT_EQ(l->sources, std::vector<int>{3});
    } else {
      EXPECT_TRUE(l->sources.empty());
    }
  }
}

// The run's balance follows the triangle through the pond to its two outlets.
TEST(WaterBalance, RunBalanceFollowsTheWaterToTheOutlets) {
  support::TempDir root(support::scratchRoot() / ("krun" + std::to_string(::getpid())));
  const kestran::RunResult r = runStudy(balanceCases()[1].body, root.path());
  ASSERT_EQ(r.balance.size(), 1u);
  const results::CatchmentBalance& b = r.balance.front();
  EXPECT_EQ(b.label, "STORE HYD");
  EXPECT_NEAR(b.runoff, 2400.0, 2.4);
  EXPECT_EQ(b.path, std::vector<int>{3});
  const model::LedgerRecord& pond = *recordOf(r, "ROUTE RESERVOIR");
  EXPECT_NEAR(b.atOutlets, pond.volumeOut + pond.sent, 1e-6);
}

// An inflow of 100 daily steps routed on one-minute steps needs 144,000
// ordinates: the outflow is cut at 105,408 and the pond's record, not the
// inflow's, shows the loss and says why.
TEST(WaterBalance, AnOutflowCutAtTheOrdinateLimitIsFlaggedWhereItHappens) {
  support::TempDir root(support::scratchRoot() / ("kcut" + std::to_string(::getpid())));
  std::string flows;
  for (int k = 0; k < 100; ++k) flows += k % 10 == 9 ? " 1.0\n                   " : " 1.0";
  const kestran::RunResult r =
      runStudy("STORE HYD           ID=[1], NHYD=[1], DT=[1440], AREA=[100]\n                   " + flows +
                   " -1\n"
                   "ROUTE RESERVOIR     IDout=[2], NHYD=[2], IDin=[1], RDT=[1],\n"
                   "                    [OUTFLOW, STORAGE]=[0, 0,  10, 1,  -1, -1]\n",
               root.path());
  const model::LedgerRecord* store = recordOf(r, "STORE HYD");
  const model::LedgerRecord* pond = recordOf(r, "ROUTE RESERVOIR");
  ASSERT_NE(store, nullptr);
  ASSERT_NE(pond, nullptr);
  EXPECT_FALSE(store->flagged);
  // 100 x 86,400 m3 in; about 105,408 minutes of 1 cms out: near 27 % short.
  EXPECT_NEAR(pond->volumeIn, 8.64e6, 8.64e3);
  EXPECT_TRUE(pond->flagged);
  EXPECT_GT(pond->errorPercent, 20.0);
  EXPECT_NE(pond->reason.find("cut at the maximum number of ordinates"), std::string::npos) << pond->reason;
}

// 100 daily flows of 1 to 100 cms (86,400 m3 each per cms) shifted by whole
// days: ordinates pushed past 105,408 are lost with message 914 (a warning:
// the run goes on), the output's peak and volume are those of the ordinates
// kept, and the command's record misses exactly the volume cut.
TEST(WaterBalance, AShiftPastTheOrdinateLimitWarnsAndTheLedgerMissesTheCut) {
  support::TempDir root(support::scratchRoot() / ("kshift" + std::to_string(::getpid())));
  std::string store = "STORE HYD           ID=[1], NHYD=[1], DT=[1440], AREA=[100]\n";
  for (int k = 1; k <= 100; ++k) {
    if (k % 10 == 1) store += "                   ";
    store += ' ';
    store += std::to_string(k);
    if (k % 10 == 0) store += '\n';
  }
  store += "                    -1\n";
  const struct {
    const char* what;
    const char* lagMinutes;
    int cut;          // ordinates lost
    float peak;       // cms
    double peakHours; // on the run clock
  } cases[] = {
      {"fits exactly", "151643520", 0, 100.0f, (105308 + 99) * 24.0},     // 105,308 days
      {"thirty days past", "151686720", 30, 70.0f, (105338 + 69) * 24.0}, // 105,338 days
      {"every ordinate past", "99999999999", 100, 0.0f, 0.0},
  };
  int k = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string study = store;
    study += "SHIFT HYD           IDout=[2], NHYD=[2], IDin=[1], LAG=[";
    study += c.lagMinutes;
    study += "]\n";
    const kestran::RunResult r = runStudy(study, root.path() / std::to_string(k++));
    ASSERT_EQ(r.status, 0);
    double kept = 0.0, cut = 0.0; // cms-days
    for (int q = 1; q <= 100; ++q) (q <= 100 - c.cut ? kept : cut) += q;
    const model::MessageRecord* warning = nullptr;
    for (const model::MessageRecord& m : r.messages) {
      if (m.number == 914) warning = &m;
    }
    ASSERT_EQ(warning != nullptr, c.cut > 0);
    if (warning != nullptr) {
      EXPECT_EQ(warning->severity, model::Severity::Warning);
      // How many ordinates and the volume they held, in m3 and as a depth.
      ASSERT_FALSE(warning->lines.empty());
      int n = 0;
      double m3 = 0.0, mm = 0.0;
      ASSERT_EQ(std::sscanf(warning->lines.back().c_str(), " %d ordinates, %lf cu.m (%lf mm)", &n, &m3, &mm), 3)
          << warning->lines.back();
      EXPECT_EQ(n, c.cut);
      EXPECT_NEAR(m3, cut * 86400.0, cut * 86400.0 * 1e-5);
      EXPECT_NEAR(mm, cut * 86.4, cut * 86.4 * 1e-3);
    }
    const model::SummaryRecord& out = r.summary.back();
    EXPECT_EQ(out.id, 2);
    EXPECT_FLOAT_EQ(out.peak, c.peak);
    EXPECT_NEAR(out.peakHours, c.peakHours, 1e-3);
    // mm over 100 ha, through cfs and acres in single precision.
    EXPECT_NEAR(out.volume, kept * 86.4, kept * 86.4 * 1e-4);
    const model::LedgerRecord* shift = recordOf(r, "SHIFT HYD");
    ASSERT_NE(shift, nullptr);
    EXPECT_NEAR(shift->volumeIn - shift->volumeOut, cut * 86400.0, cut * 86400.0 * 1e-4);
    EXPECT_EQ(shift->flagged, c.cut > 0);
    if (c.cut > 0) {
      EXPECT_NE(shift->reason.find("cut at the maximum number of ordinates"), std::string::npos) << shift->reason;
    }
  }
}

std::vector<std::vector<std::string>> readCsv(const fs::path& path) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(support::fileText(path));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (std::size_t k = 0; k < line.size(); ++k) {
      const char c = line[k];
      if (quoted && c == '"' && k + 1 < line.size() && line[k + 1] == '"') {
        field += '"';
        ++k;
      } else if (c == '"') {
        quoted = !quoted;
      } else if (c == ',' && !quoted) {
        row.push_back(field);
        field.clear();
      } else {
        field += c;
      }
    }
    row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

// The routed hydrograph's CSV holds the flows of its SAVE HYD file (written
// to six decimals), then only the tail the file leaves out.
TEST(CsvExport, HydrographMatchesTheSavedHydrographFile) {
  support::TempDir root(support::scratchRoot() / ("kcsv" + std::to_string(::getpid())));
  const kestran::RunResult r =
      runStudy("READ STORM          \"BLOCK.STM\"\n"
               "COMPUTE NASHYD      ID=[1], NHYD=[\"A,B\"], DT=[5], AREA=[10], PRINT=[0,0], CN=[-0.5], IA=[2],\n"
               "                    N=[3], TP=[0.5], NRAIN=[0], RAIN=[-1]\n"
               "SAVE HYD            ID=[1], PCYC=[1], NAMEmode=[-1], \"SAVED.HYD\", \"The catchment\"\n",
               root.path());
  ASSERT_EQ(r.status, 0);
  const auto written = results::writeCsv(r, root.path() / "csv", "study");
  const fs::path csv = root.path() / "csv" / "study_r01_c0003_A_B.csv";
  ASSERT_TRUE(fs::exists(csv));
  const auto rows = readCsv(csv);
  ASSERT_GT(rows.size(), 1u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"time (hours)", "flow (m3/s)"}));

  std::istringstream saved(support::fileText(root.path() / "SAVED.HYD"));
  std::string line;
  for (int k = 0; k < 4; ++k) std::getline(saved, line); // units, comment, step, area
  std::vector<double> flows;
  double q = 0.0;
  while (saved >> q && q != -1.0) flows.push_back(q);
  ASSERT_FALSE(flows.empty());
  ASSERT_GE(rows.size() - 1, flows.size());
  for (std::size_t i = 0; i < rows.size() - 1; ++i) {
    const double t = std::stod(rows[i + 1][0]);
    const double flow = std::stod(rows[i + 1][1]);
    EXPECT_NEAR(t, static_cast<double>(i) * (5.0 / 60.0), 1e-6) << i;
    if (i < flows.size()) {
      EXPECT_NEAR(flow, flows[i], 5.1e-7) << i;
    } else {
      EXPECT_LE(flow, 1.0e-5) << i; // the tail below 0.0003528 cfs
    }
  }
  // The name with a comma is quoted in the tables and kept out of file names.
  const auto summary = readCsv(root.path() / "csv" / "summary.csv");
  ASSERT_GE(summary.size(), 2u);
  EXPECT_EQ(summary[1][6], "A,B");
  EXPECT_NE(support::fileText(root.path() / "csv" / "ledger.csv").find(",\"A,B\","), std::string::npos);
}

TEST(CsvExport, FieldsAreQuotedAsRfc4180Asks) {
  const struct {
    const char* text;
    const char* field;
  } cases[] = {
      {"plain", "plain"},
      {"", ""},
      {"A,B", "\"A,B\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"two\nlines", "\"two\nlines\""},
      {"cr\rhere", "\"cr\rhere\""},
  };
  for (const auto& c : cases) EXPECT_EQ(results::csvField(c.text), c.field) << c.text;
  // Nine significant digits give back every single-precision value.
  for (float v : {0.1f, 1.0f / 3.0f, 123456.789f, 3.4e-38f, 0.0003528f}) {
    EXPECT_EQ(std::stof(results::csvNumber(v)), v);
  }
  EXPECT_EQ(results::csvNumber(std::nan("")), "");
}

} // namespace
