// The two calendars, one table per rule: the storm calendar (a leap year every
// fourth year, no century rule) and the record calendar (the civil rule).
#include "model/dates.h"

#include <gtest/gtest.h>

namespace {

namespace storm = model::four_year_rule;
namespace record = model::gregorian;

TEST(StormCalendar, SplitterAndDayOfYear) {
  const storm::SplitDate june = storm::split(19990615);
  EXPECT_EQ(june.year, 1999);
  EXPECT_EQ(june.month, 6);
  EXPECT_EQ(june.day, 15);
  EXPECT_EQ(june.packed, 1999166);

  // Missing parts become day 24, month 6, year 60 (a leap year).
  const storm::SplitDate none = storm::split(0);
  EXPECT_EQ(none.year, 60);
  EXPECT_EQ(none.month, 6);
  EXPECT_EQ(none.day, 24);
  EXPECT_EQ(none.packed, 60176);

  EXPECT_EQ(storm::dayOfYear(1, 3, 2000), 61);
  EXPECT_EQ(storm::dayOfYear(1, 3, 1999), 60);
  EXPECT_EQ(storm::dayOfYear(31, 12, 1999), 365);
  EXPECT_EQ(storm::dayOfYear(1, 3, 1900), 61); // no century rule
  EXPECT_EQ(storm::dateFromPacked(1), 0);      // packed dates below 2 give 0
  EXPECT_EQ(storm::dateFromPacked(2000060), 20000229);
  EXPECT_EQ(storm::dateFromPacked(1900060), 19000229);
  EXPECT_EQ(storm::dateFromPacked(1999060), 19990301);
  EXPECT_EQ(storm::dateFromPacked(1999366), 20000101);
  EXPECT_EQ(storm::dateFromPacked(2000366), 20001231);
  EXPECT_EQ(storm::dateFromPacked(2000367), 20010101); // past the end of a leap year
  EXPECT_EQ(storm::dateFromPacked(1999731), 20001231); // two years' days
  EXPECT_EQ(storm::dateFromPacked(2000000), 19991231); // day 0: the last of the year before
}

// Whole days after a storm date, counted on the storm calendar: a day number
// that spans several years rolls over each of them (a peak years after the
// start of a long record), and one before the first day rolls back.
TEST(StormCalendar, DaysAfterADateRollOverAsManyYearsAsTheySpan) {
  const struct {
    int start, days, expected;
  } cases[] = {
      {20000101, 0, 20000101},
      {20000101, 365, 20001231},
      {20000101, 366, 20010101},
      {20000101, 1799, 20041204},
      {20000101, 2496, 20061101},
      {20000101, 4382, 20111231},
      {20000101, 4383, 20120101},
      {20000101, 1520, 20040229},
      {20000101, 1521, 20040301},
      {19990701, 3000, 20070917},
      {20031231, 1, 20040101},
      {20040229, 365, 20050228},
      {20040229, 1461, 20080229},
      {20040229, 1462, 20080301},
      {20080301, -1, 20080229},
      {20050101, -1, 20041231},
      {20050101, -366, 20040101},
      {20050101, -367, 20031231},
      {20120101, -4383, 20000101},
      {20991231, 1, 21000101},
      {19600624, 36524, 20600623},
      // No century rule: 1900, 2100 and 2200 have 366 days.
      {18990101, 730, 19001231},
      {19000101, 59, 19000229},
      {21000101, 365, 21001231},
      {21000101, 366, 21010101},
      {20000101, 99999, 22731013},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(storm::addDays(c.start, c.days), c.expected) << c.start << " + " << c.days;
  }
  // Between 1901 and 2099 the storm calendar is the civil one: every day of
  // twelve years and more after (and before) dates around leap days and year
  // ends lands where the record calendar puts it.
  for (const int start : {19991231, 20000101, 20000229, 20010228, 20041231, 19500615, 20881130}) {
    for (int days = -4500; days <= 4500; ++days) {
      const int civil = record::addDays(start, days);
      if (civil < 19010101 || civil > 20991231) continue;
      ASSERT_EQ(storm::addDays(start, days), civil) << start << " + " << days;
    }
  }
}

// The century rule: 1900 has no 29 February, 2000 (divisible by 400) has one.
TEST(RecordCalendar, DaysFollowTheCenturyRule) {
  const struct {
    int date, days, expected;
  } cases[] = {{20230301, -1, 20230228}, {20240228, 1, 20240229}, {20001231, 1, 20010101},   {19000228, 1, 19000301},
               {20000228, 1, 20000229},  {21000228, 1, 21000301}, {20230101, 365, 20240101}, {19700101, 0, 19700101}};
  for (const auto& c : cases) {
    EXPECT_EQ(record::addDays(c.date, c.days), c.expected) << c.date << " + " << c.days;
  }
  EXPECT_EQ(record::dayNumber(19700101), 0);
  EXPECT_FALSE(record::validDate(1900, 2, 29));
  EXPECT_TRUE(record::validDate(2000, 2, 29));
  EXPECT_FALSE(record::validDate(2023, 4, 31));
  EXPECT_FALSE(record::validDate(2023, 13, 1));
}

TEST(RecordCalendar, DayOfWeekSundayIsOne) {
  const struct {
    int date, day;
  } dates[] = {{20111231, 7}, {20240305, 3}, {20000101, 7}, {19000301, 5}, {20260104, 1}, {20110615, 4}};
  for (const auto& d : dates) EXPECT_EQ(record::dayOfWeek(d.date), d.day) << d.date;
}

} // namespace
