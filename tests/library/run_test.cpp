// The library: a run returns its results as data, runs side by side on
// threads give exactly what they give one at a time, and calls that cannot
// start are refused with a reason.
#include "kestran.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/files.h"

namespace fs = std::filesystem;

namespace {

// A design study: a Chicago storm over a rural and an urban catchment, every
// hydrograph also saved automatically. `k` varies the storm and the land.
std::string study(int k) {
  const std::string cn = std::to_string(60 + 3 * k);
  const std::string td = std::to_string(2 + k % 3);
  return " 2\n"
         "START               TZERO=[2011.09150600], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
         "SAVE HYD            SAVEALL=[2], PCYC=[0]\n"
         "CHICAGO STORM       IUNITS=[2], TD=[" +
         td +
         "], R=[0.4], DT=[10], OPTION=[1]\n"
         "                    A=[1000], B=[6], C=[0.8]\n"
         "COMPUTE NASHYD      ID=[1], NHYD=[\"RURAL\"], DT=[5], AREA=[40], PRINT=[0,0], CN=[" +
         cn +
         "],\n"
         "                    IA=[-1], N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
         "DESIGN STANDHYD     ID=[2], NHYD=[" +
         std::to_string(200 + k) +
         "], DT=[5], AREA=[12], XIMP=[0.35],\n"
         "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[" +
         cn +
         "], SLOPE=[1.5], RAIN=[-1]\n"
         "FINISH\n";
}

std::map<std::string, std::string> filesOf(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = support::fileText(e.path());
  return files;
}

kestran::RunOptions options(int k, const fs::path& dir) {
  kestran::RunOptions o;
  o.text = study(k);
  o.workDir = dir;
  o.clock = platform::DateTime{2026, 1, 2, 3, 4, 5};
  return o;
}

TEST(Library, ThreadsGiveTheSerialResultsByteForByte) {
  support::TempDir root(support::scratchRoot() / ("klib" + std::to_string(::getpid())));
  constexpr int kStudies = 8;
  std::vector<kestran::RunResult> serial(kStudies), parallel(kStudies);
  for (int k = 0; k < kStudies; ++k) serial[k] = kestran::run(options(k, root.path() / ("s" + std::to_string(k))));
  std::vector<std::thread> threads;
  for (int k = 0; k < kStudies; ++k)
    threads.emplace_back([&, k] { parallel[k] = kestran::run(options(k, root.path() / ("p" + std::to_string(k)))); });
  for (std::thread& t : threads) t.join();

  for (int k = 0; k < kStudies; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(serial[k].status, 0);
    EXPECT_EQ(parallel[k].status, serial[k].status);
    const auto a = filesOf(root.path() / ("s" + std::to_string(k)));
    const auto b = filesOf(root.path() / ("p" + std::to_string(k)));
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [name, text] : a) {
      ASSERT_TRUE(b.count(name)) << name;
      // The outputs print the work directory's path: compare with it replaced.
      std::string other = b.at(name);
      const std::string from = (root.path() / ("p" + std::to_string(k))).string();
      const std::string to = (root.path() / ("s" + std::to_string(k))).string();
      for (std::size_t at = other.find(from); at != std::string::npos; at = other.find(from, at + to.size()))
        other.replace(at, from.size(), to);
      EXPECT_EQ(other, text) << name;
    }
    ASSERT_EQ(parallel[k].hydrographs.size(), serial[k].hydrographs.size());
    for (std::size_t h = 0; h < serial[k].hydrographs.size(); ++h)
      EXPECT_EQ(parallel[k].hydrographs[h].flows, serial[k].hydrographs[h].flows);
  }
  // The studies differ, so equal outputs are not one study repeated.
  EXPECT_NE(serial[0].summary.at(0).peak, serial[1].summary.at(0).peak);
}

// The data agree with the fixed-format outputs of the same run.
TEST(Library, ResultsMatchTheirOutputs) {
  support::TempDir root(support::scratchRoot() / ("klibr" + std::to_string(::getpid())));
  const kestran::RunResult r = kestran::run(options(1, root.path()));
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.units, 2);
  ASSERT_EQ(r.summary.size(), 2u);
  ASSERT_EQ(r.hydrographs.size(), 2u);
  ASSERT_EQ(r.storms.size(), 2u);
  const std::string sum = support::fileText(r.summaryOutput);
  for (std::size_t i = 0; i < r.summary.size(); ++i) {
    const auto& s = r.summary[i];
    const auto& h = r.hydrographs[i];
    EXPECT_EQ(s.id, h.id);
    // The summary peak includes the baseflow; the ordinates do not.
    const float top = *std::max_element(h.flows.begin(), h.flows.end());
    EXPECT_NEAR(s.peak, top + h.base, 1e-6f * s.peak);
    EXPECT_NE(sum.find(s.dateLabel), std::string::npos) << s.dateLabel;
    ASSERT_TRUE(s.coefficient.has_value());
  }
  EXPECT_EQ(r.summary[0].name, "RURAL");
  EXPECT_EQ(r.summary[1].nhyd, 201);
  EXPECT_EQ(r.storms[0].title, "CHICAGO STORM");
  for (const char* name : {"study.out", "study.sum", "MESSAGES.LOG", "kestran.CNT", "SUMMARY.sbo"}) {
    const std::string path = (root.path() / name).string();
    EXPECT_NE(std::find(r.files.begin(), r.files.end(), path), r.files.end()) << name;
  }
  for (const std::string& f : r.files) EXPECT_TRUE(fs::exists(f)) << f;
}

TEST(Library, RunsEndingOnAnErrorReturnTheirMessages) {
  support::TempDir root(support::scratchRoot() / ("klibe" + std::to_string(::getpid())));
  kestran::RunOptions o;
  o.text = " 1\nSTART               TZERO=[0], METOUT=[1], NSTORM=[0], NRUN=[1]\nSTORE HYD           ID=[11]\nFINISH\n";
  o.workDir = root.path();
  const kestran::RunResult r = kestran::run(o);
  EXPECT_FALSE(r.ok());
  ASSERT_FALSE(r.messages.empty());
  EXPECT_EQ(r.messages.back().severity, model::Severity::Error);
  EXPECT_EQ(r.messages.back().command, 2);
}

TEST(Library, CallsThatCannotStartAreRefused) {
  support::TempDir root(support::scratchRoot() / ("klibx" + std::to_string(::getpid())));
  support::writeFile(root.path() / "afile", "x");
  kestran::RunOptions missing;
  missing.input = root.path() / "none.dat";
  EXPECT_THROW(kestran::run(missing), kestran::RunError);
  kestran::RunOptions fileAsDir;
  fileAsDir.text = " 1\nFINISH\n";
  fileAsDir.workDir = root.path() / "afile";
  EXPECT_THROW(kestran::run(fileAsDir), kestran::RunError);
  kestran::RunOptions nothing;
  EXPECT_THROW(kestran::run(nothing), kestran::RunError);
}

// A library run writes only inside its work directory and its project
// directory: a name in the study that leads out of them ("..", an absolute
// path, a drive that climbs out, a link) is refused with message 996 and the
// run ends on that error, nothing written there; the option that allows
// outside paths lets them write where they lead. Names that stay inside, by
// whatever route, write as before.
TEST(Library, WritesStayInTheRunsFolders) {
  support::TempDir root(support::scratchRoot() / ("klibw" + std::to_string(::getpid())));
  const fs::path r = root.path();
  const std::string prelude = " 2\n"
                              "START               TZERO=[0], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
                              "STORE HYD           ID=[1], NHYD=[101], DT=[10], AREA=[12.5]\n"
                              "                    0.0  0.15  0.42  0.80  0.65  0.40  0.22  0.10  0.03  0.0  -1\n";
  const auto save = [](const std::string& name) {
    return "SAVE HYD            ID=[1], PCYC=[1], NAMEmode=[-1], \"" + name + "\", \"kept\"\n";
  };
  const struct {
    const char* what;
    std::string commands;
    fs::path target; // where the file would land
    bool refused;
    bool allowOutside = false;
  } cases[] = {
      {"a plain name", save("IN.HYD"), r / "p" / "IN.HYD", false},
      {"\"..\" that stays in the project directory", save("s/../IN2.HYD"), r / "p" / "IN2.HYD", false},
      {"a drive that stays in the work directory", save("C:/IN3.HYD"), r / "w" / "C:" / "IN3.HYD", false},
      {"\"..\" out of the project directory", save("../ESC1.HYD"), r / "ESC1.HYD", true},
      {"an absolute name", save((r / "ESC2:.HYD").string()), r / "ESC2:.HYD", true},
      {"a drive that climbs out of the work directory", save("C:/../../E3.H"), r / "E3.H", true},
      {"a link to a file outside", save("LINK.HYD"), r / "out" / "T4.HYD", true},
      {"a folder that is a link outside", save("ld/T5.HYD"), r / "out" / "T5.HYD", true},
      {"an automatic file named with \"..\"",
       "SAVE HYD            SAVEALL=[2], PCYC=[0]\nADD HYD             IDout=[2], NHYD=[\"../A6\"], IDin=[1]\n",
       r / "A6.001", true},
      {"a drive name with backslashes, one name here", save("C:\\..\\E8.HYD"), r / "w" / "C:\\..\\E8.HYD", false},
      {"the messages log linked outside", "", r / "out" / "T9.LOG", true},
      {"the run counter linked outside", "", r / "out" / "T10.CNT", true},
      {"a side file of the work directory linked outside",
       "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[-10], OPTION=[1]\n"
       "                    A=[1000], B=[6], C=[0.8]\n",
       r / "out" / "T7.STM", true},
      // Outside paths allowed: as on the command line.
      {"\"..\" allowed", save("../OK1.HYD"), r / "OK1.HYD", false, true},
      {"a link allowed", save("LINK2.HYD"), r / "out" / "OK2.HYD", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(r / "w");
    fs::remove_all(r / "p");
    fs::remove_all(r / "out");
    for (const char* dir : {"w/C:", "p/s", "out"}) fs::create_directories(r / dir);
    fs::create_symlink(r / "out" / "T4.HYD", r / "p" / "LINK.HYD");
    fs::create_symlink(r / "out" / "OK2.HYD", r / "p" / "LINK2.HYD");
    fs::create_directory_symlink(r / "out", r / "p" / "ld");
    fs::create_symlink(r / "out" / "T7.STM", r / "w" / "DERIVED.STM");
    if (c.target.filename() == "T9.LOG") fs::create_symlink(c.target, r / "w" / "MESSAGES.LOG");
    if (c.target.filename() == "T10.CNT") fs::create_symlink(c.target, r / "w" / "kestran.CNT");
    kestran::RunOptions o;
    o.text = prelude + c.commands + "FINISH\n";
    o.workDir = r / "w";
    o.baseDir = r / "p";
    o.allowOutsidePaths = c.allowOutside;
    o.clock = platform::DateTime{2026, 1, 2, 3, 4, 5};
    const kestran::RunResult result = kestran::run(o);
    const bool refused = std::any_of(result.messages.begin(), result.messages.end(), [](const auto& m) {
      return m.number == 996 && m.severity == model::Severity::Error;
    });
    EXPECT_EQ(refused, c.refused);
    EXPECT_EQ(result.status != 0, c.refused);
    EXPECT_EQ(fs::exists(c.target), !c.refused) << c.target;
    const std::string out = support::fileText(result.detailedOutput);
    EXPECT_NE(out.find("Simulation ended on"), std::string::npos);
    EXPECT_EQ(out.find("RUN TERMINATED PREMATURELY") != std::string::npos, c.refused);
    // Nothing but the two folders (and the link targets' folder) appeared.
    for (const auto& e : fs::directory_iterator(r)) {
      const std::string name = e.path().filename().string();
      EXPECT_TRUE(name == "w" || name == "p" || name == "out" || (c.allowOutside && e.path() == c.target)) << name;
    }
    for (const auto& e : fs::directory_iterator(r / "out"))
      EXPECT_TRUE(c.allowOutside && e.path() == c.target) << e.path();
    fs::remove(c.target);
  }
}

} // namespace
