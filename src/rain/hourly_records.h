// READ AES DATA: a long record of hourly rainfall from a file of daily records
// in the Atmospheric Environment Service layout, for a chosen period, with its
// yearly maximum intensities and dry/wet spell counts.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/context.h"

namespace rain {

// The READ AES DATA command routine.
void readAesData(model::RunContext& ctx);

// Moving-average durations and spell lengths of the statistics, hours.
inline constexpr std::array<int, 6> kAesDurations{1, 2, 3, 6, 12, 24};

struct AesYear {
  int year = 0;
  std::array<float, 6> max{}; // mm/hr
  std::array<int, 6> date{};  // YYYYMMDD where reached
};

struct AesRecordResult {
  int station = 0;
  int start = 0, end = 0; // period actually read
  bool lateStart = false; // message 373
  bool earlyEnd = false;  // message 375
  bool tooLong = false;   // message 374
  int missing = 0;        // hours set to 0 (message 376)
  int lastDate = 0;
  std::vector<float> rain; // in/hr, 1-based
  std::vector<int> tenths; // the hourly values as read (tenths of mm, missing = 0), 1-based
  int steps = 0;
  float ptot = 0.0f; // inches
  std::vector<AesYear> years;
  std::array<int, 6> drySpells{}, wetSpells{};
  int wetHours = 0, dryHours = 0;
  int firstElement = 0; // data type of the first record read
  std::string error;    // unreadable file or record
};

// Reads the period start..end (YYYYMMDD, inclusive) from the lines of an AES
// file. `start` 0 takes the first record's date; `relativeDays` >= 0 then
// places the end that many days after the start found. The days follow the
// record calendar (model::gregorian).
AesRecordResult readAesRecords(const std::vector<std::string>& lines, int start, int end, int relativeDays = -1);

} // namespace rain
