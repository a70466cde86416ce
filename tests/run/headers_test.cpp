// The header block and the run counter.
#include "run/headers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/platform.h"
#include "run/test_host.h"
#include "support/files.h"

namespace {

using testing_support::pad;
using testing_support::TestHost;

class Headers : public ::testing::Test {
protected:
  void SetUp() override { host.ctx.out.workDir = scratch.prefix(); }

  void writeCounter(const std::string& text) { std::ofstream((dir / "kestran.CNT").string()) << text; }
  std::string counterFile() {
    const platform::TextFile f = platform::readTextFile((dir / "kestran.CNT").string());
    return f.lines.empty() ? "" : f.lines.front();
  }

  support::TempDir scratch{
      support::scratchRoot() /
      ("kestran-headers-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))};
  const std::filesystem::path dir = scratch.path();
  TestHost host;
};

TEST_F(Headers, CounterStartsAtOneAndAdvances) {
  EXPECT_EQ(run::advanceRunCounter(host.ctx), 1);
  EXPECT_EQ(counterFile(), "000001");
  EXPECT_EQ(run::advanceRunCounter(host.ctx), 2);
  EXPECT_EQ(counterFile(), "000002");
  EXPECT_FALSE(std::filesystem::exists(dir / "kestran.CNT.tmp"));
}

TEST_F(Headers, CounterFromAnExistingFile) {
  struct Case {
    const char* text;
    int next;
    const char* after; // the whole file, rewritten in place
  } cases[] = {{"000041\n", 42, "000042\n"},
               {"    41", 42, "000042\n"},
               {"garbage", 1, "000001\n"},
               {"", 1, "000001\n"},
               {"999999\n", 1, "000001\n"},
               {"000000", 1, "000001\n"},
               {"000007\r\n", 8, "000008\n"},
               {"000010\na second line, longer than the counter\n", 11, "000011\n"}};
  for (const Case& c : cases) {
    writeCounter(c.text);
    EXPECT_EQ(run::advanceRunCounter(host.ctx), c.next) << c.text;
    EXPECT_EQ(support::fileText(dir / "kestran.CNT"), c.after) << c.text;
  }
}

TEST_F(Headers, BlockOnTheDetailedOutput) {
  writeCounter("000006\n");
  host.ctx.units.METIN = 2;
  run::HeaderInfo info{{"/p/RUN1.DAT", "/p/RUN1.OUT", "/p/RUN1.SUM"},
                       {pad("Storm study", 79), pad("", 79), pad("third", 79)}};
  run::writeHeaders(host.ctx, info);
  const std::vector<std::string>& d = host.detailed.lines;
  ASSERT_EQ(d.size(), 32u);
  EXPECT_EQ(d[0], std::string(81, '='));
  EXPECT_EQ(d[1], "");
  EXPECT_EQ(d[9], " " + std::string(79, '*'));
  EXPECT_EQ(d[10], " " + std::string(29, '*') + " KESTRAN Ver/4.05  " + std::string(30, '*'));
  EXPECT_EQ(d[11], " " + std::string(9, '*') + "  A single event and continuous hydrologic simulation model  " +
                       std::string(9, '*'));
  EXPECT_EQ(d[13], " " + std::string(9, '*') + std::string(11, ' ') + "++++++ PROGRAM ARRAY DIMENSIONS ++++++" +
                       std::string(12, ' ') + std::string(9, '*'));
  EXPECT_EQ(d[14], " " + std::string(9, '*') + std::string(11, ' ') + "Maximum value for ID numbers  :     10" +
                       std::string(12, ' ') + std::string(9, '*'));
  EXPECT_EQ(d[15], " " + std::string(9, '*') + std::string(11, ' ') + "Max. number of rainfall points: 105408" +
                       std::string(12, ' ') + std::string(9, '*'));
  EXPECT_EQ(d[18], "");
  EXPECT_EQ(d[19], " " + std::string(22, '*') + "   D E T A I L E D   O U T P U T   " + std::string(22, '*'));
  EXPECT_EQ(d[21], " *         DATE: 2024-03-05     TIME: 14:07:09     RUN COUNTER: 000007         *");
  EXPECT_EQ(d[23], " * Input   filename: " + pad("/p/RUN1.DAT", 58) + "*");
  EXPECT_EQ(d[26], " * User comments:" + std::string(62, ' ') + "*");
  EXPECT_EQ(d[27], " * 1:" + pad("Storm study", 74) + "*");
  EXPECT_EQ(d[28], " * 2:" + std::string(74, '_') + "*");
  EXPECT_EQ(d[29], " * 3:" + pad("third", 74) + "*");
  EXPECT_EQ(d[30], " " + std::string(79, '*'));
  EXPECT_EQ(d[31], "");
  // The banner: seven lines at most 81 columns wide, with the version and date.
  std::string banner;
  for (int i = 2; i <= 8; ++i) {
    EXPECT_LE(d[static_cast<std::size_t>(i)].size(), 81u);
    banner += d[static_cast<std::size_t>(i)] + "\n";
  }
  EXPECT_NE(banner.find("Ver  4.05"), std::string::npos);
  EXPECT_NE(banner.find("Sept 2011"), std::string::npos);
  EXPECT_EQ(counterFile(), "000007");
}

TEST_F(Headers, SummaryHasTheLegendAndABlankLine) {
  host.ctx.units.METIN = 1;
  run::writeHeaders(host.ctx, {{"a", "b", "c"}, {"", "", ""}});
  const std::vector<std::string>& s = host.summary.lines;
  EXPECT_EQ(s[18], " ***** DESCRIPTION SUMMARY TABLE HEADERS (units depend on METOUT in START) *****");
  EXPECT_EQ(s[19], " *****" + std::string(69, '-') + "*****");
  EXPECT_EQ(s[24], " ***** TpeakDate_hh:mm is the date and time of the peak flow." + std::string(14, ' ') + "*****");
  EXPECT_EQ(s[30], " " + std::string(79, '*'));
  EXPECT_EQ(s[31], "");
  EXPECT_EQ(s[32], std::string(81, ':'));
  EXPECT_EQ(s[33], "");
  EXPECT_EQ(s[35], "");
  EXPECT_EQ(s[36], " " + std::string(23, '*') + "   S U M M A R Y   O U T P U T   " + std::string(23, '*'));
  EXPECT_EQ(s.back(), "");
  EXPECT_EQ(s[s.size() - 2], "");
  // The window has the same block without the output title.
  EXPECT_EQ(host.summaryWindow.lines.size(), s.size() - 3);
  EXPECT_TRUE(host.warnings.lines.empty());
}

TEST_F(Headers, UnspecifiedUnitsIssueMessage340ForEachOutput) {
  host.ctx.units.METIN = 0;
  run::writeHeaders(host.ctx, {{"a", "b", "c"}, {"", "", ""}});
  const std::string text = "      " + pad("*** ERROR:  UNITS OF INPUT DATA WERE NOT SPECIFIED.", 70);
  EXPECT_EQ(host.ctx.run.severity, model::Severity::Error);
  // Before the first command no command has had a heading, so none is written.
  EXPECT_EQ(host.log.lines, (std::vector<std::string>{text, text, text}));
  EXPECT_EQ(std::count(host.detailed.lines.begin(), host.detailed.lines.end(), text), 3);
  EXPECT_EQ(host.detailed.lines.back(), text);
  EXPECT_EQ(std::count(host.summary.lines.begin(), host.summary.lines.end(), text), 0);
}

} // namespace
