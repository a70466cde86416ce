// The storm calendar (leap year every fourth year) and the record calendar
// (the civil rule with its centuries).
#include "model/dates.h"

#include <algorithm>

namespace model {

namespace {

constexpr int kMonthDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Days from 1 March of year 0 in the civil calendar (that day was a
// Wednesday): the year starts in March so that February's length only matters
// at its end.
long long daysFromMarchOfYearZero(int y, int m, int d) {
  if (m <= 2) --y;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

// 1 January 1970 counted from 1 March of year 0.
constexpr long long kEpoch = 719468;

} // namespace

namespace four_year_rule {

// The century rule is not applied.
int februaryDays(int year) { return (year > 0 && year % 4 == 0) ? 29 : 28; }

int dayOfYear(int day, int month, int year) {
  int doy = day;
  for (int m = 1; m < month && m <= 12; ++m) doy += (m == 2) ? februaryDays(year) : kMonthDays[m];
  return doy;
}

namespace {

// Day `d` of year `y` as YYYYMMDD. A day past the end of its year rolls over
// as many years as it spans (a peak years after the storm's start), each year
// with its own February; one before the first day rolls back the same way.
// The month lookup then uses the February of the year it landed in.
int dateFromYearAndDay(int y, int d) {
  while (d > 337 + februaryDays(y)) {
    d -= 337 + februaryDays(y);
    ++y;
  }
  while (d < 1 && y > 0) {
    --y;
    d += 337 + februaryDays(y);
  }
  int m = 1;
  while (m < 12) {
    const int len = (m == 2) ? februaryDays(y) : kMonthDays[m];
    if (d <= len) break;
    d -= len;
    ++m;
  }
  return y * 10000 + m * 100 + d;
}

} // namespace

int dateFromPacked(int packed) {
  if (packed < 2) return 0;
  const int y = packed / 1000;
  return dateFromYearAndDay(y, packed - y * 1000);
}

int addDays(int yyyymmdd, int days) {
  const SplitDate s = split(yyyymmdd);
  // The day of the year and the days added are kept apart from the year: a
  // packed year*1000 + day would carry a day number of 1000 or more into the
  // year.
  return dateFromYearAndDay(s.year, s.packed - s.year * 1000 + days);
}

SplitDate split(int yyyymmdd) {
  SplitDate s{};
  s.year = yyyymmdd / 10000;
  s.month = (yyyymmdd - s.year * 10000) / 100;
  s.day = yyyymmdd - s.year * 10000 - s.month * 100;
  if (s.day < 1) s.day = 24;
  if (s.month < 1) s.month = 6;
  if (s.year < 1) s.year = 60;
  s.packed = s.year * 1000 + dayOfYear(s.day, s.month, s.year);
  return s;
}

} // namespace four_year_rule

namespace gregorian {

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m) { return m == 2 && leapYear(y) ? 29 : kMonthDays[m]; }

bool validDate(int y, int m, int d) { return y > 0 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m); }

int dayNumber(int yyyymmdd) {
  return static_cast<int>(daysFromMarchOfYearZero(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100) - kEpoch);
}

int dateFromDayNumber(int z) {
  z += static_cast<int>(kEpoch);
  const int era = (z >= 0 ? z : z - 146096) / 146097;
  const int doe = z - era * 146097;
  const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int mp = (5 * doy + 2) / 153;
  const int d = doy - (153 * mp + 2) / 5 + 1;
  const int m = mp + (mp < 10 ? 3 : -9);
  const int y = yoe + era * 400 + (m <= 2);
  return y * 10000 + m * 100 + d;
}

int addDays(int yyyymmdd, int days) { return dateFromDayNumber(dayNumber(yyyymmdd) + days); }

int dayOfWeek(int yyyymmdd) {
  const int m = std::clamp(yyyymmdd / 100 % 100, 1, 12);
  const int d = std::clamp(yyyymmdd % 100, 1, 31);
  const long long days = daysFromMarchOfYearZero(yyyymmdd / 10000, m, d); // 0: a Wednesday
  return static_cast<int>(((days + 3) % 7 + 7) % 7) + 1;
}

} // namespace gregorian

} // namespace model
