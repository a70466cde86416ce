// The two calendars of the system, each named by its leap-year rule. Dates
// are integers YYYYMMDD throughout.
//
// - The storm calendar (`four_year_rule`): every year divisible by four is a
//   leap year, with no century rule. It dates the storm, the run clock and the
//   peaks of the summary lines; the storms of the system lie between 1901 and
//   2099, where it agrees with the civil calendar.
// - The record calendar (`gregorian`): the civil rule, a century year being a
//   leap year only when divisible by 400. It walks the hourly rainfall records
//   day by day (1900 has no 29 February there, 2000 has one) and gives the day
//   of the week of the sewer-flow command.
#pragma once

namespace model {

namespace four_year_rule {

// Days in February: 29 when the year is positive and divisible by 4.
int februaryDays(int year);

// Day of the year of day/month/year (month values above 12 count as 12).
int dayOfYear(int day, int month, int year);

// A packed date year*1000 + day of year as YYYYMMDD. A day number past the
// end of its year (or below 1) rolls over into the years after (or before) it;
// packed values below 2 give 0.
int dateFromPacked(int packed);

// A date YYYYMMDD split into year, month, day and the packed year*1000 + day
// of year. A day below 1 reads as 24, a month below 1 as 6 and a year below 1
// as 60 (the values the storm date had before it was set).
struct SplitDate {
  int year, month, day, packed;
};
SplitDate split(int yyyymmdd);

// The date `days` whole days after (before, when negative) YYYYMMDD as split
// reads it, over as many years as the days span, each with its own February.
int addDays(int yyyymmdd, int days);

} // namespace four_year_rule

namespace gregorian {

bool leapYear(int year);
int daysInMonth(int year, int month); // month 1..12
bool validDate(int year, int month, int day);

// Days since 1 January 1970 (negative before it), and back.
int dayNumber(int yyyymmdd);
int dateFromDayNumber(int days);
int addDays(int yyyymmdd, int days);

// Day of the week, Sunday = 1 ... Saturday = 7; a month outside 1..12 or a
// day outside 1..31 is held at the nearer end first.
int dayOfWeek(int yyyymmdd);

} // namespace gregorian

} // namespace model
