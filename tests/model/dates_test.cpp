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
