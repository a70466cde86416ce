// READ AES DATA: the period, gaps and missing hours, the statistics and AESTEMP.STM.
#include "rain/hourly_records.h"

#include <cstdio>

#include "model/dates.h"
#include "rain/rain_fixture.h"
#include "rain/read_storm.h"

namespace rain {
namespace {

using testing::pad;

// One daily record "(I7,I4,I2,I2,I3,24(I6,1X))" with the given hours (1-based) set.
std::string record(int y, int m, int d, std::initializer_list<std::pair<int, int>> hours, int element = 123) {
  int v[25] = {};
  for (auto [h, value] : hours) v[h] = value;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%7d%4d%2d%2d%3d", 6158350, y, m, d, element);
  std::string line = buf;
  for (int h = 1; h <= 24; ++h) {
    std::snprintf(buf, sizeof buf, "%6d ", v[h]);
    line += buf;
  }
  return line;
}

class ReadAesTest : public testing::RainTest {
protected:
  // 1 March: 5.0 mm in hour 2, 3.0 mm in hour 3, hour 5 missing; no record
  // for 2 March; 3 March: 10.0 mm in hour 10.
  void marchFile() {
    writeFile("AES1.DAT", {record(2023, 3, 1, {{2, 50}, {3, 30}, {5, -99999}}), record(2023, 3, 3, {{10, 100}})});
  }
  void run(double type, double start, double end, const std::string& name = "AES1.DAT") {
    params({0, type, start, end});
    quoted(name);
    readAesData(ctx);
  }
};

TEST_F(ReadAesTest, MissingHourAndMissingDay) {
  marchFile();
  run(123, 2023.0301, 2023.0303);
  ASSERT_EQ(ctx.run.severity, model::Severity::Warning);
  const model::Storm& s = ctx.storm;
  EXPECT_EQ(s.NSTEP, 72);
  EXPECT_FLOAT_EQ(s.SDT, 1.0f);
  EXPECT_FLOAT_EQ(s.workDT, 1.0f);
  EXPECT_FLOAT_EQ(s.RAIN[2], 5.0f / 25.4f);
  EXPECT_FLOAT_EQ(s.RAIN[5], 0.0f);
  EXPECT_FLOAT_EQ(s.RAIN[48 + 10], 10.0f / 25.4f);
  EXPECT_NEAR(s.PTOT, 18.0f / 25.4f, 1e-6);
  EXPECT_EQ(s.stormDate, 20230301);
  EXPECT_TRUE(warned("*** WARNING: Missing rainfall increments were set to 0."));

  const std::vector<std::string> head = {
      "--------------------",
      "| READ AES DATA    |   AES filename = " + pad("AES1.DAT", 60),
      "--------------------   Data type    = 123 (hourly rainfall)",
      "                       Start date   = 2023.0301",
      "                       End date     = 2023.0303",
      "                       Time span    =    2 days",
      "                       Station ID   = 6158350",
      "",
  };
  EXPECT_EQ(std::vector<std::string>(detailed.lines.begin(), detailed.lines.begin() + head.size()), head);
  // 1 hour of 1 March and the 24 hours of 2 March.
  EXPECT_GE(find(detailed, "                    As such     25 rainfall increments were set to 0."), 0);
  const int stats = find(detailed, "      RAINFALL RECORD STATISTICS:");
  ASSERT_GT(stats, 0);
  const std::vector<std::string> tail = {
      "      RAINFALL RECORD STATISTICS:",
      "      Data read from 20230301 @  0hrs to the end of 20230303",
      "      Number of rainfall increments read=     72 (    3.0 days)",
      "      Total precipitation read=     18.0 mm",
      "      Maximum average rainfall intensities over",
      "        1 hr    2 hrs    3 hrs    6 hrs   12 hrs   24 hrs",
      // 10 mm in one hour on 3 March beats 5 + 3 mm on 1 March for every duration.
      "        10.0      5.0      3.3      1.7      0.8      0.4    mm/hr",
      "      20230303 20230303 20230303 20230303 20230303 20230303  date",
      "      Number of rainfall events per following interevent time",
      "        1 hr    2 hrs    3 hrs    6 hrs   12 hrs   24 hrs",
      // Dry spells of 1, 54 and 14 hours.
      "           3        2        2        2        2        1",
      "      Number of events with at least the following durations",
      "        1 hr    2 hrs    3 hrs    6 hrs   12 hrs   24 hrs",
      // Wet spells of 2 hours and 1 hour.
      "           2        1        0        0        0        0",
  };
  EXPECT_EQ(std::vector<std::string>(detailed.lines.begin() + stats, detailed.lines.end()), tail);

  const std::vector<std::string> sum = {
      "  *  READ AES DATA     ",
      "      [Filename  = " + pad("AES1.DAT", 60) + "]",
      "      [Start_date= 2023.0301: End_date= 2023.0303]",
      "      {DT= 60.min: Length=   72.hrs: WetHrs=    3: DryHrs=   69: PTOT=   0.71}",
  };
  ASSERT_EQ(summary.lines.size(), sum.size() + 10);
  EXPECT_EQ(std::vector<std::string>(summary.lines.begin(), summary.lines.begin() + 4), sum);
  EXPECT_EQ(std::vector<std::string>(summary.lines.begin() + 4, summary.lines.end()),
            std::vector<std::string>(tail.begin() + 4, tail.end()));
  EXPECT_EQ(summaryWindow.lines, summary.lines);
}

TEST_F(ReadAesTest, PeriodAdjustments) {
  marchFile();
  struct Case {
    const char* what;
    double start, end;
    int steps;
    const char* message;
    const char* line;
  };
  const std::vector<Case> cases = {
      {"late start", 2023.0227, 2023.0303, 72, "*** WARNING: Requested start date is less than",
       "                    (ie. 20230227 < 20230301 )"},
      {"early end", 2023.0301, 2023.0310, 72, "*** WARNING: Specified end date is beyond the end",
       "                    (ie. 20230310 > 20230303 )"},
      {"end as a number of days", 2023.0301, -1, 24, nullptr, "                       Time span    =    1 days"},
      {"one day", 2023.0303, 2023.0303, 24, nullptr, "                       End date     = 2023.0303"},
      // Far beyond any record: held at ten thousand years, no integer overflow.
      {"end at 10^12 days", 2023.0301, -1.0e12, 72, "*** WARNING: Specified end date is beyond the end",
       "                       Start date   = 2023.0301"},
  };
  for (const Case& c : cases) {
    nextCommand();
    run(123, c.start, c.end);
    EXPECT_EQ(ctx.storm.NSTEP, c.steps) << c.what;
    EXPECT_EQ(ctx.storm.stormDate, c.start == 2023.0303 ? 20230303 : 20230301) << c.what;
    if (c.message) {
      EXPECT_TRUE(warned(c.message)) << c.what;
    }
    EXPECT_GE(find(detailed, c.line), 0) << c.what;
    EXPECT_LT(ctx.run.severity, model::Severity::Error) << c.what;
  }
}

TEST_F(ReadAesTest, YearChangeStartsANewRow) {
  writeFile("NEWYEAR.DAT", {record(2022, 12, 31, {{24, 20}}), record(2023, 1, 1, {{1, 40}})});
  run(123, 2022.1231, 2023.0101, "NEWYEAR.DAT");
  EXPECT_EQ(ctx.run.severity, model::Severity::Note);
  const int at = find(detailed, "        1 hr    2 hrs    3 hrs    6 hrs   12 hrs   24 hrs");
  ASSERT_GT(at, 0);
  // 2022: 2.0 mm in the last hour; 2023: 4.0 mm, and (4 + 2) / 2 over the two hours.
  EXPECT_EQ(detailed.lines[at + 1].substr(0, 24), "         2.0      1.0   ");
  EXPECT_EQ(detailed.lines[at + 2].substr(0, 24), "      20221231 20221231 ");
  EXPECT_EQ(detailed.lines[at + 3].substr(0, 24), "         4.0      3.0   ");
  EXPECT_EQ(detailed.lines[at + 4].substr(0, 24), "      20230101 20230101 ");
  EXPECT_EQ(detailed.lines[at + 5], "      Number of rainfall events per following interevent time");
}

TEST_F(ReadAesTest, TooLongARecordEndsTheRun) {
  std::vector<std::string> lines;
  for (int day = 0; day < 4500; ++day) {
    const int date = model::gregorian::addDays(20000101, day);
    lines.push_back(record(date / 10000, date / 100 % 100, date % 100, {{1, 1}}));
  }
  writeFile("LONG.DAT", lines);
  run(123, 2000.0101, -4500, "LONG.DAT");
  EXPECT_EQ(ctx.run.severity, model::Severity::Error);
  EXPECT_TRUE(warned("**** ERROR: # of rainfall increments too large."));
}

// Type -123: the same storm, and AESTEMP.STM read back gives the same intensities.
TEST_F(ReadAesTest, TemporaryStormFileRoundTrip) {
  marchFile();
  run(-123, 2023.0301, 2023.0303);
  const model::Storm loaded = ctx.storm;
  ASSERT_EQ(loaded.NSTEP, 72);
  ASSERT_TRUE(std::filesystem::exists(dir / "AESTEMP.STM"));
  nextCommand();
  params({0});
  quoted("AESTEMP.STM");
  readStorm(ctx);
  ASSERT_EQ(ctx.storm.NSTEP, 72);
  EXPECT_FLOAT_EQ(ctx.storm.SDT, 1.0f);
  for (int i = 1; i <= 72; ++i) EXPECT_NEAR(ctx.storm.RAIN[i], loaded.RAIN[i], 1e-6) << i;
  EXPECT_EQ(ctx.storm.title.substr(0, 36), "STATION ID:6158350 START:20230301   ");
}

TEST_F(ReadAesTest, RejectedCommands) {
  marchFile();
  writeFile("TEMP.DAT", {record(2023, 3, 1, {}, 1)});
  struct Case {
    const char* what;
    double type, start, end;
    const char* name;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"no name", 123, 2023.0301, 2023.0303, "", "**** ERROR: AES data filename not provided."},
      {"end first", 123, 2023.0303, 2023.0301, "AES1.DAT", "**** ERROR: Starting date is later than ending date."},
      {"type", 124, 2023.0301, 2023.0303, "AES1.DAT", "**** ERROR: Incorrect type of AES file!.  Run ended."},
      {"element", 123, 2023.0301, 2023.0303, "TEMP.DAT", "**** ERROR: Incorrect type of AES file!.  Run ended."},
      {"missing file", 123, 2023.0301, 2023.0303, "NONE.DAT", "**** ERROR: AES data file cannot be read:"},
  };
  for (const Case& c : cases) {
    nextCommand();
    ctx.storm = model::Storm{};
    run(c.type, c.start, c.end, c.name);
    EXPECT_EQ(ctx.run.severity, model::Severity::Error) << c.what;
    EXPECT_TRUE(warned(c.message)) << c.what;
    EXPECT_EQ(ctx.storm.NSTEP, 0) << c.what;
  }
}

// One missing hour and nothing else: hour 5 given as -99999 is stored as 0
// and counted once; message 376 and its count line report 1 increment.
TEST_F(ReadAesTest, OneMissingHourIsReportedAsOneIncrement) {
  writeFile("ONE.DAT", {record(2023, 3, 1, {{4, 25}, {5, -99999}, {6, 15}})});
  run(123, 2023.0301, 2023.0301, "ONE.DAT");
  EXPECT_EQ(ctx.run.severity, model::Severity::Warning);
  ASSERT_EQ(ctx.storm.NSTEP, 24);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[4], 2.5f / 25.4f);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[5], 0.0f);
  EXPECT_FLOAT_EQ(ctx.storm.RAIN[6], 1.5f / 25.4f);
  EXPECT_TRUE(warned("*** WARNING: Missing rainfall increments were set to 0."));
  EXPECT_GE(find(detailed, "                    As such      1 rainfall increments were set to 0."), 0);
  // The missing hour counts as a dry hour: two wet hours (4 and 6) and 22
  // dry ones; 4.0 mm = 0.16 in.
  EXPECT_EQ(summary.lines.at(3), "      {DT= 60.min: Length=   24.hrs: WetHrs=    2: DryHrs=   22: PTOT=   0.16}");
}

// The century rule of the hourly-record calendar: 29 February exists in years
// divisible by 4, except centuries not divisible by 400. A record on a day that
// does not exist makes the file unreadable.
TEST(AesCalendar, TwentyNinthOfFebruaryFollowsTheCenturyRule) {
  struct Case {
    int year;
    bool exists;
  };
  for (const Case& c : std::vector<Case>{
           {1900, false}, {2000, true}, {2100, false}, {2400, true}, {2024, true}, {2023, false}, {1996, true}}) {
    const AesRecordResult r = readAesRecords({record(c.year, 2, 29, {{1, 10}})}, 0, 0);
    EXPECT_EQ(r.error.empty(), c.exists) << c.year << ": " << r.error;
    if (c.exists) {
      EXPECT_EQ(r.start, c.year * 10000 + 229) << c.year;
    }
  }
}

// A whole dry day leaves every moving average at 0: maxima already above 0
// keep their dates, maxima still at 0 take the later date (ties go to it).
// 3.0 mm in the last hour of 30 December averages 3.0, 1.5, 1.0, 0.5, 0.25
// and 0.125 mm/hr over 1 to 24 hours; every average but the hourly one is
// still reached in the first hour of 31 December. 2023 has no rain at all.
TEST(AesStatistics, DryDaysMoveOnlyTheDatesOfMaximaAtZero) {
  const AesRecordResult r = readAesRecords({record(2022, 12, 30, {{24, 30}}), record(2022, 12, 31, {}),
                                            record(2023, 1, 1, {}), record(2023, 1, 2, {})},
                                           0, 20231231);
  ASSERT_TRUE(r.error.empty()) << r.error;
  ASSERT_EQ(r.years.size(), 2u);
  const std::array<float, 6> wet{3.0f, 1.5f, 1.0f, 0.5f, 0.25f, 0.125f};
  for (std::size_t k = 0; k < 6; ++k) {
    EXPECT_EQ(r.years[0].max[k], wet[k]) << k;
    EXPECT_EQ(r.years[0].date[k], k == 0 ? 20221230 : 20221231) << k;
    EXPECT_EQ(r.years[1].max[k], 0.0f) << k;
    EXPECT_EQ(r.years[1].date[k], 20230102) << k;
  }
}

// The daily records are read column by column as "(I7,I4,I2,I2,I3,24(I6,1X))"
// reads them: blanks inside a field ignored, a blank field 0, a sign only in
// front, the column after each hour skipped, columns past the end blank.
// Hour 1 sits in columns 19-24, column 25 is skipped, hour 2 in 26-31.
TEST(AesRecordLayout, FieldsReadAsTheRecordFormatReadsThem) {
  struct Case {
    const char* name;
    std::string hours; // the text from column 19 on
    int hour;          // the hour checked (1-based), when the line is read
    int tenths;        // its value as stored (missing hours are 0)
    int missing;
    const char* error; // part of the message when the line cannot be read
  };
  const std::string head = "61583502023 3 1123";
  const std::vector<Case> cases{
      {"blanks inside a field", "  1 2 ", 1, 12, 0, nullptr},
      {"a plus sign", "+    7", 1, 7, 0, nullptr},
      {"a zero at the left of its field", "0         9", 2, 9, 0, nullptr},
      {"a sign apart from its digits", "-   5 ", 1, 0, 1, nullptr},
      {"the skipped column holds anything", "    10x    20", 2, 20, 0, nullptr},
      {"a line that stops after hour 1", "    30", 2, 0, 0, nullptr},
      {"a sign with no digits", "     -", 0, 0, 0, "field 6 (I6, columns 19-24) holds \"     -\": no digits"},
      {"a letter", "     0    1a ", 0, 0, 0, "field 7 (I6, columns 26-31) holds \"   1a \": invalid character 'a'"},
      {"a sign after a digit", "  1-2 ", 0, 0, 0, "invalid character '-'"},
      {"a tab is no blank", "\t    4", 0, 0, 0, "field 6 (I6, columns 19-24)"},
  };
  for (const Case& c : cases) {
    const AesRecordResult r = readAesRecords({head + c.hours}, 0, 20231231);
    if (c.error != nullptr) {
      EXPECT_NE(r.error.find(c.error), std::string::npos) << c.name << ": " << r.error;
      continue;
    }
    ASSERT_TRUE(r.error.empty()) << c.name << ": " << r.error;
    ASSERT_EQ(r.steps, 24) << c.name;
    EXPECT_EQ(r.tenths[static_cast<std::size_t>(c.hour)], c.tenths) << c.name;
    EXPECT_EQ(r.missing, c.missing) << c.name;
    EXPECT_EQ(r.station, 6158350) << c.name;
  }
}

} // namespace
} // namespace rain
