// The file layer under faults a user's machine can produce: inputs that are
// not plain files or are far too large, outputs on a full disk, and a run
// counter shared by runs started side by side.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <thread>
#include <vector>

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

// An output is written over whatever file stands at its path: it ends up
// holding exactly what was written, whether the old file was longer, shorter
// or missing, keeps its permissions, and is changed under every name it has.
// Rewinding gives what opening the path afresh would.
TEST(OutputFiles, OverwriteLeavesExactlyWhatWasWritten) {
  TempDir dir(support::scratchRoot() / "kestran-platform-overwrite");
  const std::string longOld(40000, 'o');
  struct Case {
    const char* what;
    const char* old; // nullptr: no file
    std::vector<std::string> before; // written, then rewound
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"missing", nullptr, {}, {"first", "second"}},
      {"longer before", longOld.c_str(), {}, {"short"}},
      {"shorter before", "x\n", {}, {std::string(70000, 'n'), "end"}},
      {"same length", "abcd\n", {}, {"wxyz"}},
      {"nothing written", "old\n", {}, {}},
      {"rewound", "old\n", {"dropped line", std::string(20000, 'd')}, {"kept"}},
  };
  for (const Case& c : cases) {
    const auto path = dir.path() / "out.txt";
    const auto link = dir.path() / "other-name.txt";
    std::filesystem::remove(path);
    std::filesystem::remove(link);
    std::string expected;
    for (const std::string& l : c.lines) expected += l + "\n";
    if (c.old != nullptr) {
      support::writeFile(path, c.old);
      ::chmod(path.c_str(), 0640);
      std::filesystem::create_hard_link(path, link);
    }
    platform::OutputFile file;
    ASSERT_FALSE(file.open(path.string())) << c.what;
    for (const std::string& l : c.before) file.line(l);
    if (!c.before.empty()) {
      ASSERT_FALSE(file.flush()) << c.what;
      file.rewind();
    }
    for (const std::string& l : c.lines) file.line(l);
    ASSERT_FALSE(file.close()) << c.what;
    EXPECT_EQ(support::fileText(path), expected) << c.what;
    if (c.old != nullptr) {
      EXPECT_EQ(support::fileText(link), expected) << c.what;
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u) << c.what;
    }
  }
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
