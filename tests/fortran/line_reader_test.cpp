// Line splitting, stepping back, rewinding and opening files for LineReader.
#include "fortran/line_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/files.h"

namespace fortran {
namespace {

std::vector<std::string> allLines(LineReader& in) {
  std::vector<std::string> lines;
  std::string line;
  while (in.next(line)) lines.push_back(line);
  return lines;
}

TEST(LineReaderTest, SplitsTextIntoLines) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a\nb\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},       // last line without a line end
      {"a\r\nb\r\n", {"a", "b"}}, // DOS line ends
      {"a\r\r\n", {"a\r"}},       // only the one '\r' of the line end goes
      {"\n\n", {"", ""}},
      {"  x\ty  \n", {"  x\ty  "}}, // blanks and tabs kept as they are
  };
  for (const auto& [text, expected] : cases) {
    LineReader in = LineReader::fromText(text);
    EXPECT_EQ(in.lineCount(), expected.size());
    EXPECT_EQ(allLines(in), expected) << '"' << text << '"';
    EXPECT_TRUE(in.atEnd());
  }
}

// The next line, or "<eof>" at end of file.
std::string nextOf(LineReader& in) {
  std::string line;
  return in.next(line) ? line : "<eof>";
}

TEST(LineReaderTest, StepsBackAndRewinds) {
  LineReader in = LineReader::fromText("one\ntwo\nthree\n");
  in.back(); // at the start: nothing to step over
  EXPECT_EQ(nextOf(in), "one");
  EXPECT_EQ(nextOf(in), "two");
  EXPECT_EQ(nextOf(in), "three");
  EXPECT_EQ(in.lineNumber(), 3u);
  EXPECT_TRUE(in.atEnd());

  in.back(); // once: the line just read comes again
  EXPECT_FALSE(in.atEnd());
  EXPECT_EQ(nextOf(in), "three");
  in.back(); // twice: two lines back
  in.back();
  EXPECT_EQ(in.lineNumber(), 1u);
  EXPECT_EQ(nextOf(in), "two");
  for (int i = 0; i < 3; ++i) in.back(); // one more than was read
  EXPECT_EQ(in.lineNumber(), 0u);
  EXPECT_EQ(nextOf(in), "one");

  EXPECT_EQ(nextOf(in), "two");
  EXPECT_EQ(nextOf(in), "three");
  std::string line = "kept";
  EXPECT_FALSE(in.next(line));
  EXPECT_EQ(line, "kept");
  in.back(); // after end of file the last line comes again
  EXPECT_EQ(nextOf(in), "three");

  in.rewind();
  EXPECT_EQ(in.lineNumber(), 0u);
  EXPECT_EQ(allLines(in), (std::vector<std::string>{"one", "two", "three"}));
}

TEST(LineReaderTest, FixedWidthLinesArePaddedOrCut) {
  EXPECT_EQ(fixedWidth("ab", 5), "ab   ");
  EXPECT_EQ(fixedWidth("abcdefg", 5), "abcde");
  EXPECT_EQ(fixedWidth("", 3), "   ");

  LineReader in = LineReader::fromText("START\tX\n" + std::string(120, 'z') + "\n");
  std::string line;
  ASSERT_TRUE(in.next(line, 100));
  EXPECT_EQ(line, "START\tX" + std::string(93, ' '));
  ASSERT_TRUE(in.next(line, 100));
  EXPECT_EQ(line, std::string(100, 'z'));
  EXPECT_FALSE(in.next(line, 100));
}

TEST(LineReaderTest, OpensFilesAndReportsFailures) {
  const support::TempDir scratch(support::scratchRoot() / "kestran_line_reader_test");
  const std::filesystem::path& dir = scratch.path();
  const std::filesystem::path file = dir / "storm.001";
  std::ofstream(file, std::ios::binary) << " 1\r\nTitle\r\n5";

  LineReader::Opened ok = LineReader::open(file);
  ASSERT_TRUE(ok) << ok.error;
  EXPECT_EQ(ok.reader->name(), file.string());
  EXPECT_EQ(allLines(*ok.reader), (std::vector<std::string>{" 1", "Title", "5"}));

  const LineReader::Opened missing = LineReader::open(dir / "no_such_file");
  EXPECT_FALSE(missing);
  EXPECT_NE(missing.error.find("no_such_file"), std::string::npos) << missing.error;
  EXPECT_NE(missing.error.find("No such file"), std::string::npos) << missing.error;

  const LineReader::Opened directory = LineReader::open(dir);
  EXPECT_FALSE(directory);
  EXPECT_FALSE(directory.error.empty());
}

} // namespace
} // namespace fortran
