// The command reader: line kinds, recognition by columns 1-20 and every rule of
// the free-format value parser.
#include "run/reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_table.h"
#include "run/test_host.h"

namespace {

using run::ReaderStatus;
using testing_support::pad;
using testing_support::TestHost;

// A command line: the name padded to column 20, then the value text.
std::string cmd(const std::string& name, const std::string& values) { return pad(name, 20) + values; }

struct ValueCase {
  const char* what;
  std::string text;                 // the command's lines, '\n' separated
  std::vector<float> params;        // PARAM[1..]
  std::vector<std::string> strings; // STRING[1..] (trimmed)
};

class ReaderValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(ReaderValues, ParsesValues) {
  const ValueCase& c = GetParam();
  TestHost host;
  host.setInput(c.text);
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command) << c.what;
  for (std::size_t k = 0; k < c.params.size(); ++k)
    EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[k + 1], c.params[k]) << c.what << " position " << k + 1;
  for (std::size_t k = 0; k < c.strings.size(); ++k)
    EXPECT_EQ(host.ctx.cmd.STRING[k + 1], pad(c.strings[k], 90)) << c.what << " string " << k + 1;
  EXPECT_TRUE(host.warnings.lines.empty()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReaderValues,
    ::testing::Values(
        ValueCase{
            "labels around numbers", cmd("START", "TZERO=[0.0], METOUT=[2], NSTORM=[1], NRUN=[1]"), {0, 2, 1, 1}, {}},
        ValueCase{"quoted file name", cmd("READ STORM", "STORM_FILENAME=[\"STORM.001\"]"), {0}, {"STORM.001"}},
        ValueCase{"string then number", cmd("SHIFT HYD", "NHYD=[\"A1\"],DT=[5]"), {0, 5, 0, 0}, {"A1"}},
        ValueCase{"two strings with a blank", cmd("SHIFT HYD", "\"A\" \"B\" 7"), {0, 0, 7, 0}, {"A", "B"}},
        ValueCase{"number then blank then string", cmd("SHIFT HYD", "5 \"A\""), {5, 0, 0, 0}, {"A"}},
        ValueCase{"negative decimal", cmd("SHIFT HYD", "-2.5"), {-2.5f, 0, 0, 0}, {}},
        ValueCase{"sign inside a number", cmd("SHIFT HYD", "1-2"), {-12, 0, 0, 0}, {}},
        ValueCase{"no exponent notation", cmd("SHIFT HYD", "1.5E3"), {1.5f, 3, 0, 0}, {}},
        ValueCase{"digit in a label", cmd("SHIFT HYD", "Q2=[4]"), {2, 4, 0, 0}, {}},
        ValueCase{"sign without digits is forgotten", cmd("SHIFT HYD", "- 3 .x 4"), {3, 4, 0, 0}, {}},
        ValueCase{"leading point", cmd("SHIFT HYD", ".25"), {0.25f, 0, 0, 0}, {}},
        ValueCase{"continuation line", cmd("SHIFT HYD", "1 2") + "\n   3\n    4", {1, 2, 3, 4}, {}},
        ValueCase{"blank line continues", cmd("SHIFT HYD", "1") + "\n\n 2 3 4", {1, 2, 3, 4}, {}},
        ValueCase{"values past NPARAM are kept", cmd("SHIFT HYD", "1 2 3 4 5 6"), {1, 2, 3, 4, 5, 6}, {}},
        ValueCase{
            "string of exactly 60", cmd("SHIFT HYD", "\"" + std::string(60, 'x') + "\""), {0}, {std::string(60, 'x')}},
        ValueCase{"digits and signs inside quotes", cmd("SHIFT HYD", "\"-1.2.3\" 9"), {0, 9}, {"-1.2.3"}},
        ValueCase{"empty string", cmd("SHIFT HYD", "\"\" 9"), {0, 9}, {""}},
        ValueCase{"value at column 100 ends at the continuation", pad("SHIFT HYD", 99) + "7\n 8", {7, 8, 0, 0}, {}},
        // A quoted string open at column 100 and closed on the continuation
        // line keeps its position; its text, split by the line end, is blank.
        ValueCase{
            "short string across the line end is blank", pad("SHIFT HYD", 95) + "\"ABCD\n E\" 9", {0, 9, 0, 0}, {""}}));

TEST(Reader, MissingValuesAreZeroAndTheNextCommandIsReadNormally) {
  TestHost host;
  // Stale values of an earlier command must not survive in positions 3 and 4.
  host.ctx.cmd.PARAM[3] = 9.0f;
  host.ctx.cmd.PARAM[4] = 9.0f;
  host.setInput(cmd("SHIFT HYD", "1 2") + "\n" + cmd("START", "3 4 5 6") + "\n");
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(static_cast<int>(host.ctx.cmd.id), 20);
  EXPECT_EQ(host.ctx.cmd.NPARAM, 4);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[3], 0.0f);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[4], 0.0f);
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(static_cast<int>(host.ctx.cmd.id), 1);
  EXPECT_DOUBLE_EQ(host.ctx.cmd.DPARAM[4], 6.0);
}

TEST(Reader, DoublePrecisionCopiesForStartOnly) {
  TestHost host;
  host.setInput(cmd("START", "2011.06151230 2 0 1") + "\n" + cmd("SHIFT HYD", "2011.06151230") + "\n");
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_NEAR(host.ctx.cmd.DPARAM[1], 2011.0615123, 1e-9);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[1], 2011.0615123f);
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(host.ctx.cmd.DPARAM[1], 0.0); // zeroed at every call, not kept for SHIFT HYD
}

TEST(Reader, KeepsTheLinesOfTheCommandItRead) {
  // The command line and its continuation lines, never the next command's.
  TestHost host;
  host.setInput(cmd("SAVE HYD", "1 2 -1") + "\n" + pad(" name", 20) + "FILE.HYD\n" + pad(" remark", 20) + "TEXT\n" +
                cmd("FINISH", "") + "\n");
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  ASSERT_EQ(host.ctx.cmd.lines.size(), 3u);
  EXPECT_EQ(host.ctx.cmd.lines[1].substr(20, 8), "FILE.HYD");
  EXPECT_EQ(host.ctx.cmd.lines[2].substr(20, 4), "TEXT");
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(host.ctx.cmd.lines.size(), 1u); // FINISH alone
}

TEST(Reader, OverlongListsAreDroppedSafely) {
  TestHost host;
  // Twelve strings and eight numbers on one START line: beyond ten strings and
  // ten DPARAM entries nothing is written, but positions still advance.
  std::string values;
  for (int i = 0; i < 12; ++i) values += "\"s" + std::to_string(i) + "\" ";
  for (int i = 0; i < 8; ++i) values += "7 ";
  host.setInput(cmd("START", values));
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(host.ctx.cmd.STRING[10], pad("s9", 90));
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[13], 7.0f);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[20], 7.0f);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[21], 0.0f);
  EXPECT_EQ(host.ctx.cmd.DPARAM[4], 0.0); // a string's position
}

TEST(Reader, StoreHydReadsItsWholeListAcrossLines) {
  TestHost host;
  // Values 1..1050 over continuation lines of 25 values each (value k is
  // k % 7 + 1). The line that passes position 999 is read to its end, so
  // position 1000 is filled; the lines after it are not read at all.
  std::string text = pad("STORE HYD", 20) + "\n";
  int n = 0;
  while (n < 1050) {
    std::string line = " ";
    for (int i = 0; i < 25; ++i, ++n) line += std::to_string((n + 1) % 7 + 1) + " ";
    text += line + "\n";
  }
  host.setInput(text);
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[1], 2.0f);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[999], 6.0f);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[1000], 7.0f);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[1001], 0.0f);
  EXPECT_EQ(host.input->lineNumber(), 41u);
}

TEST(Reader, BlankAndCommentLines) {
  TestHost host;
  host.setInput("\n" + std::string(100, ' ') + "\n*% silent\n*# to the summary\n* detailed only\n");
  const auto table = kestran::commandTable();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(run::readCommand(host.ctx, table), ReaderStatus::Skip);
  EXPECT_EQ(run::readCommand(host.ctx, table), ReaderStatus::EndOfInput);
  EXPECT_EQ(host.summary.lines, std::vector<std::string>{pad("# to the summary", 79)});
  EXPECT_EQ(host.summaryWindow.lines, std::vector<std::string>{pad("# to the summary", 79)});
  EXPECT_EQ(host.detailed.lines, (std::vector<std::string>{pad("*# to the summary", 80), pad("* detailed only", 80)}));
  EXPECT_TRUE(host.log.lines.empty());
  EXPECT_EQ(static_cast<int>(host.ctx.cmd.id), 0);
}

TEST(Reader, RecognitionIsByColumnsOneToTwenty) {
  const auto table = kestran::commandTable();
  struct Case {
    std::string line;
    int icomm; // 0: not recognised
  } cases[] = {
      {pad("START", 20), 1},
      {pad("ROUTE", 20) + "1 2 3 4", 12},
      {pad("ROUTE CHANNEL", 20) + "ROUTE", 33},
      {pad("FINISH", 20) + "whatever follows", 22},
      {pad("COMPUTE DWF+WWF", 20), 46},
      // Whatever follows column 20 never takes part in the name.
      {pad("ROUTE", 20) + "CHANNEL", 12},
      {pad("ROUTE CHANNEL", 20) + "RESERVOIR 1 2", 33},
      {"ROUTE CHANNEL", 33}, // a short line is blank-padded to column 20
      {pad("start", 20), 0},
      {" START", 0},
      {"ROUTEX", 0},
  };
  for (const Case& c : cases) {
    TestHost host;
    host.setInput(c.line + "\n 1 2 3 4\n");
    const ReaderStatus status = run::readCommand(host.ctx, table);
    EXPECT_EQ(static_cast<int>(host.ctx.cmd.id), c.icomm) << c.line;
    EXPECT_EQ(status, c.icomm == 0 ? ReaderStatus::Stop : ReaderStatus::Command) << c.line;
  }
}

TEST(Reader, CommentEchoesStopAtColumnEighty) {
  // Columns 81-100 of a comment are never written: "*" lines give columns
  // 1-80 to the detailed output, "*#" lines give columns 2-80 (79 characters)
  // to the summary output and window as well, "*%" lines give nothing.
  const std::string body = "0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ-tail-";
  const std::string plain = "* " + body; // column 81 is the "I" of the fourth group
  const std::string summaryLine = "*#" + body;
  TestHost host;
  host.setInput(plain + "\n" + summaryLine + "\n" + "*%" + body + "\n");
  const auto table = kestran::commandTable();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(run::readCommand(host.ctx, table), ReaderStatus::Skip);
  const std::string plain80 = "* 0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGH";
  const std::string summary80 = "*#0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGH";
  const std::string summary79 = "#0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGHIJ0123456789ABCDEFGH";
  ASSERT_EQ(plain80.size(), 80u);
  ASSERT_EQ(summary80.size(), 80u);
  ASSERT_EQ(summary79.size(), 79u);
  EXPECT_EQ(host.detailed.lines, (std::vector<std::string>{plain80, summary80}));
  EXPECT_EQ(host.summary.lines, std::vector<std::string>{summary79});
  EXPECT_EQ(host.summaryWindow.lines, std::vector<std::string>{summary79});
  EXPECT_TRUE(host.warnings.lines.empty());
}

TEST(Reader, BlankToColumnHundredIsABlankLineWhateverFollows) {
  // Only 100 columns are read: text from column 101 on does not make a line.
  TestHost host;
  host.setInput(std::string(100, ' ') + "FINISH\n" + pad("FINISH", 20) + "\n");
  const auto table = kestran::commandTable();
  EXPECT_EQ(run::readCommand(host.ctx, table), ReaderStatus::Skip);
  EXPECT_EQ(run::readCommand(host.ctx, table), ReaderStatus::Command);
  EXPECT_EQ(static_cast<int>(host.ctx.cmd.id), 22);
  EXPECT_TRUE(host.detailed.lines.empty());
  EXPECT_TRUE(host.warnings.lines.empty());
}

TEST(Reader, ReadAesDataKeepsDoublePrecisionCopies) {
  // Command 27 is the other command whose values keep full precision; the
  // positions it does not give are 0 in both lists.
  TestHost host;
  host.setInput(cmd("READ AES DATA", "\"rain.aes\" 19990615.25") + "\n" + pad("FINISH", 20) + "\n");
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(static_cast<int>(host.ctx.cmd.id), 27);
  EXPECT_EQ(host.ctx.cmd.STRING[1], pad("rain.aes", 90));
  EXPECT_EQ(host.ctx.cmd.DPARAM[1], 0.0);
  EXPECT_DOUBLE_EQ(host.ctx.cmd.DPARAM[2], 19990615.25);
  EXPECT_FLOAT_EQ(host.ctx.cmd.PARAM[2], 19990615.25f);
  EXPECT_EQ(host.ctx.cmd.DPARAM[3], 0.0);
  EXPECT_EQ(host.ctx.cmd.PARAM[4], 0.0f);
}

TEST(Reader, FinishReadsNoFurtherLine) {
  TestHost host;
  host.setInput(pad("FINISH", 20) + "\n 1 2\n");
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(host.ctx.cmd.NPARAM, 0);
  EXPECT_EQ(host.input->lineNumber(), 1u);
}

TEST(Reader, FinishLineIsNeverScanned) {
  // FINISH takes no values, so text after its name that would stop any other
  // command (signs, points, a quote touching a digit) raises no message.
  TestHost host;
  host.setInput(pad("FINISH", 20) + "-1-2 1.2.3 5\"x\"\n");
  ASSERT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_EQ(static_cast<int>(host.ctx.cmd.id), 22);
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Note);
  EXPECT_TRUE(host.warnings.lines.empty());
  EXPECT_TRUE(host.detailed.lines.empty());
}

// Messages 20-24: text, heading, severity 2, and the echo of the line
// (except for 22) to the four destinations.
struct ErrorCase {
  int message;
  std::string line;
  std::string text;
  bool echoed;
};

class ReaderErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ReaderErrors, StopsTheRunWithTheMessage) {
  const ErrorCase& c = GetParam();
  TestHost host;
  host.ctx.run.NRUN = 1;
  host.ctx.run.commandCounter = 4;
  host.ctx.run.label = "PRINT HYD";
  host.setInput(c.line + "\n");
  EXPECT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::Stop);
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Error);
  const std::string heading = " 001:0004 " + pad("PRINT HYD", 19);
  const std::string message = "      " + pad(c.text, 70);
  const std::string echo = " " + pad(c.line, 80).substr(0, 80);
  std::vector<std::string> expectLog{heading, message};
  std::vector<std::string> expectDetailed{message};
  std::vector<std::string> expectSummary;
  if (c.echoed) {
    expectLog.push_back(echo);
    expectDetailed.push_back(echo);
    expectSummary.push_back(echo);
  }
  EXPECT_EQ(host.log.lines, expectLog);
  EXPECT_EQ(host.ctx.out.logLines, expectLog);
  EXPECT_EQ(host.warnings.lines, expectLog);
  EXPECT_EQ(host.detailed.lines, expectDetailed);
  EXPECT_EQ(host.summary.lines, expectSummary);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ReaderErrors,
    ::testing::Values(
        ErrorCase{20, "start               TZERO=[0]", "*** ERROR: Command not found in the line below.", true},
        ErrorCase{20, " START", "*** ERROR: Command not found in the line below.", true},
        ErrorCase{21, cmd("SHIFT HYD", "\"A\"\"B\""), "*** ERROR: Need a space before the quote in:", true},
        ErrorCase{21, cmd("SHIFT HYD", "5\"A\""), "*** ERROR: Need a space before the quote in:", true},
        ErrorCase{22, cmd("SHIFT HYD", "\"" + std::string(61, 'x') + "\""),
                  "*** ERROR: String too long. Check for quotes in input.", false},
        // A quote left open near column 100 and closed far along the next line:
        // the string runs over 100 columns, so it is too long, not a string
        // taken from the columns of the second line.
        ErrorCase{22, pad("SHIFT HYD", 94) + "\"ABCDE\n" + pad(" ", 95) + "PQ\" 9",
                  "*** ERROR: String too long. Check for quotes in input.", false},
        ErrorCase{23, cmd("SHIFT HYD", "-1-2"), "*** ERROR: Check NEGATIVE SIGNS in line below.", true},
        ErrorCase{24, cmd("SHIFT HYD", "1.2.3"), "*** ERROR: Check the DECIMALS in the line below.", true},
        // Beyond single precision the value would be infinity, then NaN results.
        ErrorCase{912, cmd("SHIFT HYD", "1 " + std::string(40, '9') + " 2"),
                  "*** ERROR: A number in the line below is too large.", true},
        ErrorCase{20, std::string(100, 'Z') + "tail beyond column 100",
                  "*** ERROR: Command not found in the line below.", true}));

TEST(Reader, EndOfInputIsReportedNotCrashed) {
  TestHost host;
  host.setInput("");
  EXPECT_EQ(run::readCommand(host.ctx, kestran::commandTable()), ReaderStatus::EndOfInput);
  TestHost partial;
  partial.setInput(cmd("SHIFT HYD", "1"));
  EXPECT_EQ(run::readCommand(partial.ctx, kestran::commandTable()), ReaderStatus::Command);
  EXPECT_FLOAT_EQ(partial.ctx.cmd.PARAM[2], 0.0f);
  EXPECT_EQ(run::readCommand(partial.ctx, kestran::commandTable()), ReaderStatus::EndOfInput);
}

} // namespace
