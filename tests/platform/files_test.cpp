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
