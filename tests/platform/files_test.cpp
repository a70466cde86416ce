// The file layer under faults a user's machine can produce: inputs that are
// not plain files or are far too large, outputs on a full disk, a rerun
// stopped part-way over the outputs of a longer run, and a run counter shared
// by runs started side by side.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fortran/line_reader.h"
#include "hydrograph/files.h"
#include "platform/platform.h"
#include "support/files.h"
#include "support/golden_run.h"

namespace {

using support::TempDir;

struct RefusedInput {
  const char* what;
  std::string path;
  std::size_t limit;
  const char* reason;
};

// Every input that cannot be used is refused at once with its reason: the
// read neither blocks (a FIFO without a writer) nor runs on for ever (a device).
TEST(InputFiles, RefusedWithReason) {
  TempDir dir(support::scratchRoot() / "kestran-platform-refused");
  const std::string fifo = (dir.path() / "pipe").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string big = (dir.path() / "big.dat").string();
  support::writeFile(big, std::string(64, 'x'));
  const std::vector<RefusedInput> cases = {
      {"missing", (dir.path() / "none.dat").string(), platform::kMaxInputFileBytes, "No such file"},
      {"directory", dir.path().string(), platform::kMaxInputFileBytes, "Is a directory"},
      {"fifo", fifo, platform::kMaxInputFileBytes, "not a regular file"},
      {"endless device", "/dev/zero", platform::kMaxInputFileBytes, "not a regular file"},
      {"over the bound", big, 63, "larger than"},
  };
  for (const RefusedInput& c : cases) {
    const platform::FileBytes got = platform::readFileBytes(c.path, c.limit);
    EXPECT_FALSE(got.ok()) << c.what;
    EXPECT_TRUE(got.bytes.empty()) << c.what;
    EXPECT_NE(got.error.find(c.path), std::string::npos) << c.what << ": " << got.error;
    EXPECT_NE(got.error.find(c.reason), std::string::npos) << c.what << ": " << got.error;
  }
  EXPECT_TRUE(platform::readFileBytes(big, 64).ok());
}

// A full disk: the failure shows at the latest when the file is closed.
TEST(OutputFiles, FullDiskIsReported) {
  platform::OutputFile file;
  ASSERT_FALSE(file.open("/dev/full"));
  for (int i = 0; i < 1000; ++i) file.line("a line that will never reach the disk");
  const auto error = file.close();
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("/dev/full"), std::string::npos) << *error;
  EXPECT_NE(error->find("No space left"), std::string::npos) << *error;
  EXPECT_NE(platform::writeBinaryFile("/dev/full", "bytes", false), std::nullopt);
}

// An output replaces whatever file stands at its path: it ends up holding
// exactly what was written, whether the old file was longer, shorter or
// missing, and keeps its permissions. A file of several names is changed
// under every name, and a symbolic link still leads to the file it names.
// Rewinding gives what opening the path afresh would.
TEST(OutputFiles, OverwriteLeavesExactlyWhatWasWritten) {
  TempDir dir(support::scratchRoot() / "kestran-platform-overwrite");
  const std::string longOld(40000, 'o');
  // An old file that begins as the new text does (a rerun) is cut to that
  // first byte; one that begins otherwise is emptied.
  const std::string sameStart = "s" + longOld;
  const std::string keptStart = "k" + longOld;
  enum class Names { One, HardLink, SymbolicLink };
  struct Case {
    const char* what;
    const char* old; // nullptr: no file
    std::vector<std::string> before; // written, then rewound
    std::vector<std::string> lines;
    Names names;
  };
  const std::vector<Case> cases = {
      {"missing", nullptr, {}, {"first", "second"}, Names::One},
      {"longer before", longOld.c_str(), {}, {"short"}, Names::HardLink},
      {"longer before, one name", longOld.c_str(), {}, {"short"}, Names::One},
      {"longer before, through a link", longOld.c_str(), {}, {"short"}, Names::SymbolicLink},
      {"longer, same first byte", sameStart.c_str(), {}, {"short"}, Names::HardLink},
      {"longer, same first byte, one name", sameStart.c_str(), {}, {"short"}, Names::One},
      {"longer, same first byte, through a link", sameStart.c_str(), {}, {"short"}, Names::SymbolicLink},
      {"shorter before", "x\n", {}, {std::string(70000, 'n'), "end"}, Names::HardLink},
      {"shorter before, one name", "x\n", {}, {std::string(70000, 'n'), "end"}, Names::One},
      {"same length", "abcd\n", {}, {"wxyz"}, Names::HardLink},
      {"nothing written", "old\n", {}, {}, Names::HardLink},
      {"nothing written, one name", "old\n", {}, {}, Names::One},
      {"rewound", "old\n", {"dropped line", std::string(20000, 'd')}, {"kept"}, Names::HardLink},
      {"rewound, one name", "old\n", {"dropped line", std::string(20000, 'd')}, {"kept"}, Names::One},
      {"rewound, same first byte", keptStart.c_str(), {"kept then dropped"}, {"kept"}, Names::One},
  };
  for (const Case& c : cases) {
    const auto path = dir.path() / "out.txt";
    const auto other = dir.path() / "other-name.txt";
    std::filesystem::remove(path);
    std::filesystem::remove(other);
    std::string expected;
    for (const std::string& l : c.lines) expected += l + "\n";
    if (c.old != nullptr) {
      // With a symbolic link the output path is the link, the file the other name.
      const auto& file = c.names == Names::SymbolicLink ? other : path;
      support::writeFile(file, c.old);
      ::chmod(file.c_str(), 0640);
      if (c.names == Names::HardLink) std::filesystem::create_hard_link(path, other);
      if (c.names == Names::SymbolicLink) std::filesystem::create_symlink(other.filename(), path);
    }
    platform::OutputFile file;
    ASSERT_FALSE(file.open(path.string())) << c.what;
    std::string flushed;
    for (const std::string& l : c.before) {
      file.line(l);
      flushed += l + "\n";
    }
    if (!c.before.empty()) {
      ASSERT_FALSE(file.flush()) << c.what;
      // What reached the file so far is the new text alone, never followed
      // by the rest of the old file.
      EXPECT_EQ(support::fileText(path), flushed) << c.what;
      file.rewind();
    }
    for (const std::string& l : c.lines) file.line(l);
    ASSERT_FALSE(file.close()) << c.what;
    EXPECT_EQ(support::fileText(path), expected) << c.what;
    if (c.old != nullptr) {
      if (c.names != Names::One) {
        EXPECT_EQ(support::fileText(other), expected) << c.what;
      }
      if (c.names == Names::SymbolicLink) {
        EXPECT_TRUE(std::filesystem::is_symlink(path)) << c.what;
      }
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u) << c.what;
    }
  }
}

// ---- A rerun stopped part-way ----

// How a complete output shows that it is complete: the text that ends it.
enum class Ending {
  ReportBlock, // the detailed and summary outputs: "Simulation ended" and the closing line
  LogEnd,      // the messages log: its " END" line
  EndMark,     // hydrograph and storm files: the negative end mark on the last line
  LastLine,    // a storm pointer file: the storm file's name on its last line
  None,        // SUMMARY.sbo, a stream of records with no mark by its layout
  Atomic,      // the CSV files: only ever the old file or the whole new one
  Counter,     // kestran.CNT: the old count or the next one
};

struct WatchedOutput {
  const char* name;
  Ending ending;
  bool hydrograph; // read back as READ HYD reads it
};

const std::vector<WatchedOutput>& watchedOutputs() {
  static const std::vector<WatchedOutput> outputs = {
      {"study.out", Ending::ReportBlock, false},
      {"study.sum", Ending::ReportBlock, false},
      {"MESSAGES.LOG", Ending::LogEnd, false},
      {"OUTLET.HYD", Ending::EndMark, true},
      {"URBAN.001", Ending::EndMark, true},
      {"H-000202.001", Ending::EndMark, true},
      {"SUM.001", Ending::EndMark, true},
      {"DERIVED.STM", Ending::EndMark, false},
      {"STORM.001", Ending::LastLine, false},
      {"SUMMARY.sbo", Ending::None, false},
      {"csv/summary.csv", Ending::Atomic, false},
      {"csv/ledger.csv", Ending::Atomic, false},
      {"csv/balance.csv", Ending::Atomic, false},
      {"csv/study_r01_c0004_URBAN.csv", Ending::Atomic, false},
      {"csv/study_r01_c0006_SUM.csv", Ending::Atomic, false},
      {"kestran.CNT", Ending::Counter, false},
  };
  return outputs;
}

// A design study over two catchments whose every kind of output is written:
// the detailed and summary outputs, the log, a storm pointer file, DERIVED.STM
// (a negative storm step), automatic hydrograph files with SUMMARY.sbo, a
// SAVE HYD file and, with --csv, the CSV files. The old run is two days at a
// one-minute step with two more catchments (more summary lines, warnings,
// records and rows); the rerun three hours at five minutes, so that every
// file of the old run is the longer.
std::string interruptedStudy(bool old) {
  const std::string dt = old ? "1" : "5";
  std::string text = std::string(" 2                  ") + (old ? "old run" : "new run") + "\n" +
                     "START               TZERO=[0], METOUT=[2], NSTORM=[1], NRUN=[1]\n"
                     "                    \"" + (old ? "OLDSTORM.STM" : "RAIN1.STM") + "\"\n"
                     "SAVE HYD            CODE=[2], PCYC=[0]\n"
                     "CHICAGO STORM       IUNITS=[2], TD=[" + (old ? "48" : "3") + "], R=[0.4], DT=[-" + dt +
                     "], OPTION=[1]\n"
                     "                    A=[1000], B=[6], C=[0.8]\n"
                     "DESIGN STANDHYD     ID=[1], NHYD=[\"URBAN\"], DT=[" + dt + "], AREA=[12], XIMP=[0.35],\n"
                     "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[80], SLOPE=[1.5], RAIN=[-1]\n"
                     "COMPUTE NASHYD      ID=[2], NHYD=[202], DT=[" + dt + "], AREA=[40], PRINT=[0,0], CN=[75], "
                     "IA=[-1],\n"
                     "                    N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
                     "ADD HYD             IDout=[3], NHYD=[\"SUM\"], IDin=[1,2]\n"
                     "SAVE HYD            ID=[3], PCYC=[1], NAMEmode=[-1], \"OUTLET.HYD\", \"" +
                     (old ? "the old outlet" : "the new outlet") + "\"\n";
  if (old) {
    for (const char* id : {"4", "5"}) {
      text += std::string("DESIGN STANDHYD     ID=[") + id + "], NHYD=[\"EXTRA" + id +
              "\"], DT=[10], AREA=[12], XIMP=[0.35],\n"
              "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[80], SLOPE=[1.5], RAIN=[-1]\n";
    }
  }
  return text + "FINISH\n";
}

using Snapshot = std::map<std::string, std::string>; // output name -> bytes; missing outputs absent

Snapshot snapshot(const std::filesystem::path& dir) {
  Snapshot s;
  for (const WatchedOutput& o : watchedOutputs()) {
    if (std::filesystem::exists(dir / o.name)) s[o.name] = support::fileText(dir / o.name);
  }
  return s;
}

// Puts the old run's outputs back, as the folder stood before the rerun.
void restore(const std::filesystem::path& dir, const Snapshot& old) {
  for (const WatchedOutput& o : watchedOutputs()) std::filesystem::remove(dir / o.name);
  for (const auto& [name, bytes] : old) support::writeFile(dir / name, bytes);
}

struct Interruption {
  rlim_t fileSizeLimit = RLIM_INFINITY; // the largest file the run may write
  int signal = 0;                       // sent after `delay`
  std::chrono::microseconds delay{0};
};

// Runs the built program on study.dat in `dir` (with --csv csv), stopped as
// `stop` says. Returns the wait status.
int runInterrupted(const std::filesystem::path& dir, const Interruption& stop) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.c_str()) != 0) ::_exit(126);
    ::setenv("KESTRAN_FIXED_CLOCK", support::kGoldenClock, 1);
    const int devnull = ::open("/dev/null", O_WRONLY);
    ::dup2(devnull, 1);
    ::dup2(devnull, 2);
    // SIGXFSZ as a shell leaves it: the process is stopped at the write that
    // would pass the limit.
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit limit{stop.fileSizeLimit, stop.fileSizeLimit};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(125);
    ::execl(KESTRAN_BINARY, "kestran", "--csv", "csv", "study.dat", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  if (stop.signal != 0) {
    std::this_thread::sleep_for(stop.delay);
    ::kill(pid, stop.signal);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return status;
}

// What a file cut short must lack: the text that ends the whole file.
std::string endingText(const WatchedOutput& o, const std::string& whole) {
  switch (o.ending) {
  case Ending::ReportBlock:
    return whole.substr(whole.rfind("   Simulation ended"));
  case Ending::LogEnd:
    return " END\n";
  case Ending::EndMark:
  case Ending::LastLine:
    return whole.substr(whole.rfind('\n', whole.size() - 2) + 1);
  default:
    return "";
  }
}

// Each output after a stopped rerun is the old file whole, the new run's
// whole file, absent, or the start of the new run's file without the text
// that ends it (a hydrograph file then reads as one without its end mark),
// never the new run's start followed by the old run's end. Stopped by a file
// size limit at many lengths, and by SIGKILL and SIGTERM at random moments.
TEST(OutputFiles, InterruptedRerunLeavesNoMixture) {
  TempDir dir(support::scratchRoot() / "kestran-platform-interrupted");
  const std::filesystem::path& d = dir.path();
  std::filesystem::create_directories(d / "csv");
  support::writeLines(d / "RAIN1.STM",
                      {" 2", " a storm file", "    10.00", "   4", "    1.0", "    5.0", "    2.0", "    0.5", " -1"});
  const auto resetCounter = [&] { support::writeFile(d / "kestran.CNT", "000041\n"); };

  // The old run, long; then the rerun whole, as the reference of its outputs.
  support::writeFile(d / "study.dat", interruptedStudy(true));
  resetCounter();
  ASSERT_EQ(runInterrupted(d, {}), 0);
  const Snapshot old = snapshot(d);
  support::writeFile(d / "study.dat", interruptedStudy(false));
  resetCounter();
  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(runInterrupted(d, {}), 0);
  const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
  const Snapshot fresh = snapshot(d);
  for (const WatchedOutput& o : watchedOutputs()) {
    ASSERT_TRUE(old.count(o.name) && fresh.count(o.name)) << o.name << " was not written";
    // A storm pointer file is of one length whatever its storm: it differs.
    if (o.ending != Ending::Counter) {
      ASSERT_NE(old.at(o.name), fresh.at(o.name)) << o.name;
      ASSERT_GE(old.at(o.name).size(), fresh.at(o.name).size()) << o.name << ": the old file must be the longer";
    }
    if (o.ending != Ending::Counter && o.ending != Ending::LastLine) {
      ASSERT_GT(old.at(o.name).size(), fresh.at(o.name).size()) << o.name << ": the old file must be the longer";
    }
  }

  // Limits from a few lines up to the longest file of the rerun, each of
  // which stops the rerun at the write that would pass it.
  std::size_t longest = 0;
  for (const auto& [name, bytes] : fresh) longest = std::max(longest, bytes.size());
  std::vector<Interruption> stops;
  for (double limit = 40; limit < static_cast<double>(longest); limit *= 1.15) {
    stops.push_back({static_cast<rlim_t>(limit), 0, {}});
  }
  // Signals at random moments over the time a whole rerun took (the start
  // of the program included), as a scheduler or a user stops a run.
  std::mt19937 random(7);
  std::uniform_int_distribution<long long> moment(0, took.count() + took.count() / 4);
  for (int k = 0; k < 30; ++k) {
    stops.push_back({RLIM_INFINITY, k % 3 == 2 ? SIGTERM : SIGKILL, std::chrono::microseconds(moment(random))});
  }

  int cut = 0;
  for (const Interruption& stop : stops) {
    restore(d, old);
    resetCounter();
    const int status = runInterrupted(d, stop);
    const std::string how = stop.signal != 0 ? "signal " + std::to_string(stop.signal) + " after " +
                                                   std::to_string(stop.delay.count()) + " us"
                                             : "file size limit " + std::to_string(stop.fileSizeLimit);
    if (stop.signal == 0) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << how;
    }
    for (const WatchedOutput& o : watchedOutputs()) {
      const auto path = d / o.name;
      if (!std::filesystem::exists(path)) continue;
      const std::string got = support::fileText(path);
      const std::string& was = o.ending == Ending::Counter ? "000041\n" : old.at(o.name);
      const std::string& whole = fresh.at(o.name);
      if (got == was || got == whole) continue;
      ++cut;
      ASSERT_NE(o.ending, Ending::Atomic) << o.name << " after " << how << ": neither the old nor the new file";
      ASSERT_NE(o.ending, Ending::Counter) << o.name << " after " << how << ": holds " << got;
      ASSERT_EQ(whole.compare(0, got.size(), got), 0)
          << o.name << " after " << how << ": not the start of the new run's file (" << got.size() << " bytes)";
      const std::string ending = endingText(o, whole);
      if (!ending.empty()) {
        EXPECT_EQ(got.find(ending), std::string::npos) << o.name << " after " << how << " reads as complete";
      }
      if (o.hydrograph) {
        fortran::LineReader::Opened in = fortran::LineReader::open(path);
        ASSERT_TRUE(in) << o.name;
        const hydrograph::FileHydrograph h = hydrograph::readHydrographFile(*in.reader);
        EXPECT_TRUE(!h.endMark || !h.error.empty()) << o.name << " after " << how << " reads with its end mark";
      }
    }
  }
  // The limits must have cut files part-way, or nothing was tested.
  EXPECT_GT(cut, 10);
}

// Runs started at the same moment in one folder each advance the counter
// once: none is lost and no temporary or lock file is left behind.
TEST(RunCounter, ConcurrentRunsEachAdvanceIt) {
  TempDir dir(support::scratchRoot() / "kestran-platform-counter");
  constexpr int kRounds = 6;
  constexpr int kSideBySide = 4;
  for (int k = 0; k < kSideBySide; ++k) {
    support::writeLines(dir.path() / ("run" + std::to_string(k) + ".dat"), {" 1", "FINISH"});
  }
  for (int round = 0; round < kRounds; ++round) {
    std::vector<std::thread> runs;
    for (int k = 0; k < kSideBySide; ++k) {
      runs.emplace_back([&dir, k] {
        const auto sub = dir.path() / ("out" + std::to_string(k));
        std::filesystem::create_directories(sub);
        // Each run writes its own outputs; the counter of the folder is shared.
        const std::string cmd = "cd '" + dir.path().string() + "' && '" + KESTRAN_BINARY + "' run" + std::to_string(k) +
                                ".dat > /dev/null 2>&1";
        (void)std::system(cmd.c_str());
      });
    }
    for (std::thread& t : runs) t.join();
  }
  const support::Lines counter = support::readLines(dir.path() / "kestran.CNT");
  ASSERT_EQ(counter.size(), 1u);
  EXPECT_EQ(std::stoi(counter[0]), kRounds * kSideBySide);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename().string().find("kestran.CNT."), std::string::npos)
        << "left behind: " << entry.path();
  }
}

} // namespace

// The console window takes a block in one write; what reaches the stream must
// be what the same text would give line by line, whatever its last line.
TEST(ConsoleWindow, BlockWritesWhatLinesWould) {
  const std::vector<std::string> blocks = {"", "a\n", "a\nb\n", "a\nb", "\n", "a\n\n\nb\n", " x "};
  for (const std::string& text : blocks) {
    std::string viaBlock;
    std::string viaLines;
    for (std::string* out : {&viaBlock, &viaLines}) {
      std::FILE* f = std::tmpfile();
      ASSERT_NE(f, nullptr);
      platform::StreamWindow window("t", f);
      if (out == &viaBlock) {
        window.block(text);
      } else {
        window.platform::LineSink::block(text);
      }
      std::fflush(f);
      std::rewind(f);
      for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) out->push_back(static_cast<char>(c));
      std::fclose(f);
    }
    EXPECT_EQ(viaBlock, viaLines) << '"' << text << '"';
  }
}
