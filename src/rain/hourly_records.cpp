// READ AES DATA: hourly rainfall from daily AES records for a period, as the
// current storm with a one-hour step, with the yearly maximum average
// intensities over 1 to 24 hours and the counts of dry and wet spells.
#include "rain/hourly_records.h"

#include <algorithm>
#include <cmath>

#include "fortran/record.h"
#include "model/dates.h"
#include "model/limits.h"
#include "platform/platform.h"
#include "rain/read_storm.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"

namespace rain {

namespace {

constexpr int kHourlyRain = 123; // AES element number of hourly rainfall

// Running statistics of the hourly record, kept hour by hour while storing.
class Statistics {
public:
  explicit Statistics(AesRecordResult& r) : r_(r) {}

  void hour(int tenths, int date) {
    const float mm = static_cast<float>(tenths) / 10.0f; // mm in the hour = mm/hr
    // The last 24 hours, newest first, are last_[head_ .. head_ + 23]: each
    // hour is kept twice, 24 places apart, so no index wraps around.
    head_ = head_ == 0 ? 23 : head_ - 1;
    last_[head_] = mm;
    last_[head_ + 24] = mm;
    ++hours_;
    zeroHours_ = tenths == 0 ? zeroHours_ + 1 : 0;

    // The row of the record's year: looked up once per day of 24 hours.
    if (date != date_) {
      date_ = date;
      const int year = date / 10000;
      if (r_.years.empty() || r_.years.back().year != year) {
        r_.years.push_back(AesYear{});
        r_.years.back().year = year;
        rowAllWet_ = false;
      }
    }
    if (zeroHours_ >= 24) {
      dryWindow(date);
    } else {
      wetWindow(date);
    }

    if (tenths > 0) {
      dry_ = 0;
      ++wet_;
      ++r_.wetHours;
      count(wet_, r_.wetSpells);
    } else {
      wet_ = 0;
      ++dry_;
      ++r_.dryHours;
      count(dry_, r_.drySpells);
    }
  }

private:
  // Moving averages over 1 to 24 hours that end with this hour, kept as
  // yearly maxima; on ties the later date wins. Out of line, so that the
  // bookkeeping of every hour stays small enough to be inlined where the
  // hours are stored.
  [[gnu::noinline]] void wetWindow(int date) {
    const float* recent = last_ + head_;
    auto h = [recent](int back) { return recent[back]; };
    // Each average is built from the next shorter one.
    float a[6];
    a[0] = h(0);
    a[1] = (a[0] + h(1)) / 2.0f;
    a[2] = (2.0f * a[1] + h(2)) / 3.0f;
    const float a4 = (3.0f * a[2] + h(3)) / 4.0f;
    a[3] = (4.0f * a4 + h(4) + h(5)) / 6.0f;
    float s = 6.0f * a[3];
    for (int j = 6; j <= 11; ++j) s += h(j);
    a[4] = s / 12.0f;
    s = 12.0f * a[4];
    for (int j = 12; j <= 23; ++j) s += h(j);
    a[5] = s / 24.0f;
    AesYear& row = r_.years.back();
    for (int k = 0; k < 6; ++k) {
      // An average counts once that many hours exist.
      if (hours_ >= kAesDurations[k] && a[k] >= row.max[k]) {
        row.max[k] = a[k];
        row.date[k] = date;
      }
    }
  }

  // A whole day without rain: every average is 0, which only matters to a
  // maximum still at 0 (its date moves on). Once every maximum of the year is
  // above 0, the dry hours of that year change nothing.
  [[gnu::noinline]] void dryWindow(int date) {
    if (rowAllWet_) return;
    AesYear& row = r_.years.back();
    rowAllWet_ = true;
    for (int k = 0; k < 6; ++k) {
      if (hours_ >= kAesDurations[k] && 0.0f >= row.max[k]) row.date[k] = date;
      rowAllWet_ = rowAllWet_ && row.max[k] > 0.0f;
    }
  }

  // A spell reaching exactly 1, 2, 3, 6, 12 or 24 hours counts once more.
  static void count(int run, std::array<int, 6>& spells) {
    static constexpr std::array<signed char, 25> kDurationIndex{-1, 0,  1,  2,  -1, -1, 3,  -1, -1, -1, -1, -1, 4,
                                                                -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 5};
    if (run <= 24 && kDurationIndex[static_cast<std::size_t>(run)] >= 0) {
      ++spells[static_cast<std::size_t>(kDurationIndex[static_cast<std::size_t>(run)])];
    }
  }

  AesRecordResult& r_;
  float last_[48] = {};
  int head_ = 0;
  int hours_ = 0;
  int dry_ = 0, wet_ = 0;
  int date_ = 0;        // the date of the last hour
  int zeroHours_ = 0;   // hours without rain up to this one
  bool rowAllWet_ = false; // every maximum of the year's row above 0
};

// One daily record: station, year, month, day, element and the 24 hourly values.
struct DailyRecord {
  std::array<int, 29> fields{};
};

// One integer field as the general reader reads it: blanks inside the field
// are ignored and a blank field is 0. Anything but an optional sign followed
// by digits gives false.
bool readIntegerField(std::string_view field, int& out) {
  // Most hours of a record are dry.
  if (field == "     0") {
    out = 0;
    return true;
  }
  bool negative = false, sign = false, digits = false;
  int value = 0; // at most seven digits: no overflow
  for (char c : field) {
    if (c == ' ') continue;
    if ((c == '-' || c == '+') && !sign && !digits) {
      sign = true;
      negative = c == '-';
    } else if (c >= '0' && c <= '9') {
      digits = true;
      value = value * 10 + (c - '0');
    } else {
      return false;
    }
  }
  if (sign && !digits) return false;
  out = negative ? -value : value;
  return true;
}

// The fixed layout "(I7,I4,I2,I2,I3,24(I6,1X))" read directly, the way the
// general reader reads it: columns past the end of the line are blanks,
// blanks inside a field are ignored and a blank field is 0. A field holding
// anything but an optional sign followed by digits makes this return false,
// and the line goes to the general reader, whose message names the fault.
// Twelve years of records are 4383 lines of 29 fields: read field by field
// through the general reader they took a tenth of a study's run time.
bool readDailyLayout(std::string_view line, DailyRecord& out) {
  constexpr int kWidths[5] = {7, 4, 2, 2, 3};
  std::size_t column = 0;
  for (std::size_t k = 0; k < out.fields.size(); ++k) {
    const std::size_t width = k < 5 ? static_cast<std::size_t>(kWidths[k]) : 6;
    const std::string_view field = column < line.size() ? line.substr(column, width) : std::string_view();
    column += k < 5 ? width : width + 1; // each hourly value is followed by one skipped column
    if (!readIntegerField(field, out.fields[k])) return false;
  }
  return true;
}

// A record through the general reader, for lines the direct reading leaves.
std::string readDailyGeneral(std::string_view line, DailyRecord& out) {
  static const fortran::InputFormat kRecord("(I7,I4,I2,I2,I3,24(I6,1X))");
  fortran::RecordResult rec = kRecord.read(line);
  if (!rec.ok()) return rec.error;
  for (std::size_t k = 0; k < out.fields.size(); ++k) out.fields[k] = rec.record.integer(k);
  return {};
}

// One hour of the record, stored at the end of it; false (message 374) when
// the record would be longer than a storm can be.
bool storeHour(AesRecordResult& r, Statistics& stats, int tenths, int date, bool missing) {
  if (r.steps >= model::kMaxRainSteps) {
    r.tooLong = true;
    return false;
  }
  if (missing) {
    ++r.missing;
    tenths = 0;
  }
  const float depth = static_cast<float>(tenths) / 10.0f / model::kMmPerInch; // inches in the hour
  r.ptot += depth;
  ++r.steps;
  r.rain.push_back(depth);
  r.tenths.push_back(tenths);
  stats.hour(tenths, date);
  return true;
}

// One line of the file as a daily record: empty when it was read and its date
// exists, otherwise why not.
std::string readDailyRecord(std::string_view line, DailyRecord& f) {
  if (!readDailyLayout(line, f)) {
    if (std::string why = readDailyGeneral(line, f); !why.empty()) return why;
  }
  if (!model::gregorian::validDate(f.fields[1], f.fields[2], f.fields[3])) return "not a valid date";
  return {};
}

} // namespace

AesRecordResult readAesRecords(const std::vector<std::string>& lines, int start, int end, int relativeDays) {
  AesRecordResult r;
  r.start = start;
  r.end = end;
  // Entry 0 is unused; about one line a day, 24 hours a line.
  const std::size_t expected = std::min<std::size_t>(lines.size() * 24, model::kMaxRainSteps) + 1;
  r.rain.reserve(expected);
  r.tenths.reserve(expected);
  r.rain.push_back(0.0f);
  r.tenths.push_back(0);
  Statistics stats(r);
  bool first = true, stored = false, passedEnd = false;
  int lastDay = 0;
  auto store = [&](int tenths, int date, bool missing) { return storeHour(r, stats, tenths, date, missing); };

  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    DailyRecord f;
    if (std::string why = readDailyRecord(line, f); !why.empty()) {
      r.error = "line " + std::to_string(n + 1) + ": " + why;
      return r;
    }
    const int date = f.fields[1] * 10000 + f.fields[2] * 100 + f.fields[3];
    if (first) {
      r.station = f.fields[0];
      r.firstElement = f.fields[4];
      first = false;
    }
    r.lastDate = date;
    if (r.start == 0) {
      r.start = date; // no start asked for: the record begins with the file
      if (relativeDays >= 0) r.end = model::gregorian::addDays(date, relativeDays);
    }
    if (date < r.start) continue;
    if (date > r.end) {
      passedEnd = true;
      break;
    }
    const int day = model::gregorian::dayNumber(date);
    if (!stored) {
      if (date > r.start) {
        r.lateStart = true;
        r.start = date;
      }
    } else {
      // A record that repeats or goes back in time would misplace every hour after it.
      if (day <= lastDay) continue;
      for (int gap = lastDay + 1; gap < day; ++gap) {
        const int gapDate = model::gregorian::dateFromDayNumber(gap);
        for (int h = 0; h < 24; ++h) {
          if (!store(0, gapDate, true)) return r;
        }
      }
    }
    for (int h = 0; h < 24; ++h) {
      const int v = f.fields[5 + static_cast<std::size_t>(h)];
      if (!store(v, date, v < 0)) return r;
    }
    stored = true;
    lastDay = day;
  }
  if (!passedEnd && r.lastDate < r.end) {
    r.earlyEnd = true;
    r.end = r.lastDate;
  }
  return r;
}

namespace {

void writeTempStorm(model::RunContext& ctx, const AesRecordResult& r) {
  static const fortran::Format kUnits("(I2)");
  static const fortran::Format kComment("('STATION ID:',I7,' START:',I8)");
  static const fortran::Format kStep("(I3)");
  static const fortran::Format kCount("(I6)");
  static const fortran::Format kValue("(F7.3)");
  static const fortran::Format kEnd("(I3)");
  const std::string path = ctx.workPath("AESTEMP.STM");
  if (!run::mayWrite(ctx, path)) return;
  platform::OutputFile file;
  if (file.open(path)) {
    fileWarning(ctx, msg::kStormSideFileNotWritten, path);
    return;
  }
  ctx.fileWritten(path);
  run::put(file, kUnits, {2});
  run::put(file, kComment, {r.station, r.start});
  run::put(file, kStep, {60});
  // "Read up to the terminator"; a longer record gives its own count so that
  // READ STORM takes every hour of it.
  run::put(file, kCount, {r.steps > 99999 ? r.steps : 99999});
  // A WRITE is given a batch of hours at a time: its format, used up by each,
  // begins a new line for the next, as one WRITE per hour would.
  constexpr std::size_t kBatch = 64;
  std::vector<fortran::Value> batch(kBatch, fortran::Value(0.0f));
  std::size_t n = 0;
  std::string block;
  for (int i = 1; i <= r.steps; ++i) {
    batch[n++] = fortran::Value(static_cast<float>(r.tenths[i]) / 10.0f);
    if (n == kBatch || i == r.steps) {
      kValue.append(std::span<const fortran::Value>(batch.data(), n), block);
      n = 0;
      run::handOn(file, block);
    }
  }
  file.block(block);
  run::put(file, kEnd, {-1});
  if (file.close()) fileWarning(ctx, msg::kStormSideFileNotWritten, path);
}

void printStatistics(model::RunContext& ctx, const AesRecordResult& r, const std::string& name) {
  static const fortran::Format kTitle("(6X,'RAINFALL RECORD STATISTICS:')");
  static const fortran::Format kRange("(6X,'Data read from ',I8,' @ ',I2,'hrs to the end of ',I8)");
  static const fortran::Format kCount("(6X,'Number of rainfall increments read= ',I6,' (',F7.1,' days)')");
  static const fortran::Format kTotal("(6X,'Total precipitation read= ',F8.1,' mm')");
  static const fortran::Format kFile("(6X,'[Filename  = ',A60,']')");
  static const fortran::Format kDates("(6X,'[Start_date= ',F9.4,': End_date= ',F9.4,']')");
  static const fortran::Format kLength(
      "(6X,'{DT=',F4.0,'min: Length=',F6.0,'hrs: WetHrs=',I5,': DryHrs=',I5,': PTOT=',F7.2,'}')");
  static const fortran::Format kMaxTitle("(6X,'Maximum average rainfall intensities over')");
  static const fortran::Format kDurations("(6X,'  1 hr    2 hrs    3 hrs    6 hrs   12 hrs   24 hrs')");
  static const fortran::Format kMaxRow("(6X,6(F6.1,3X),' mm/hr')");
  static const fortran::Format kDateRow("(6X,6(I8,1X),' date')");
  static const fortran::Format kDryTitle("(6X,'Number of rainfall events per following interevent',' time')");
  static const fortran::Format kSpells("(6X,6(I6,3X))");
  static const fortran::Format kWetTitle("(6X,'Number of events with at least the following ','durations')");

  platform::LineSink& out = *ctx.out.detailed;
  const model::Storm& s = ctx.storm;
  run::put(out, kTitle);
  run::put(out, kRange, {r.start, 0, r.end});
  run::put(out, kCount, {s.NSTEP, static_cast<float>(s.NSTEP) / 24.0f});
  run::put(out, kTotal, {s.PTOT * model::kMmPerInch});

  std::string shown = name;
  shown.resize(60, ' ');
  std::initializer_list<platform::LineSink*> summary{ctx.out.summary, &ctx.platform.summaryWindow};
  writeCommandLine(ctx, "READ AES DATA");
  run::put(summary, kFile, {shown});
  run::put(summary, kDates, {static_cast<double>(r.start) / 10000.0, static_cast<double>(r.end) / 10000.0});
  run::put(summary, kLength,
           {s.SDT * 60.0f, static_cast<float>(s.NSTEP), r.wetHours, r.dryHours, s.PTOT * ctx.units.out.depth});

  std::initializer_list<platform::LineSink*> all{ctx.out.detailed, ctx.out.summary, &ctx.platform.summaryWindow};
  run::put(all, kMaxTitle);
  run::put(all, kDurations);
  for (const AesYear& y : r.years) {
    run::put(all, kMaxRow, {y.max[0], y.max[1], y.max[2], y.max[3], y.max[4], y.max[5]});
    run::put(all, kDateRow, {y.date[0], y.date[1], y.date[2], y.date[3], y.date[4], y.date[5]});
  }
  const auto& d = r.drySpells;
  const auto& w = r.wetSpells;
  run::put(all, kDryTitle);
  run::put(all, kDurations);
  run::put(all, kSpells, {d[0], d[1], d[2], d[3], d[4], d[5]});
  run::put(all, kWetTitle);
  run::put(all, kDurations);
  run::put(all, kSpells, {w[0], w[1], w[2], w[3], w[4], w[5]});
}

} // namespace

namespace {

// What the command asks for: the data type, whether the record is also
// written as a storm file, and the period (YYYYMMDD; an end counted in days
// from the start when `relativeDays` >= 0).
struct AesRequest {
  double type = 0.0;
  bool keep = false;
  int start = 0, end = 0;
  int relativeDays = -1;
};

AesRequest readRequest(model::RunContext& ctx) {
  const auto& dp = ctx.cmd.DPARAM;
  AesRequest q;
  q.type = dp[2];
  q.keep = q.type < 0.0;
  // Dates are typed as yyyy.mmdd; times 10000, rounded, they are YYYYMMDD. A
  // value outside the four-digit years is held at their ends, and a relative
  // end at ten thousand years: beyond any record, and far from the limits of
  // the integer date arithmetic.
  auto toDate = [](double v) { return static_cast<int>(std::clamp(v, 0.0, 9999.1231) * 10000.0 + 0.5); };
  constexpr double kMaxRelativeDays = 3652425.0;
  q.start = dp[3] == 0.0 ? ctx.time.startDate : toDate(dp[3]);
  if (dp[4] < 0.0) {
    q.relativeDays = static_cast<int>(std::min(std::fabs(dp[4]), kMaxRelativeDays) + 0.5);
    if (q.start != 0) q.end = model::gregorian::addDays(q.start, q.relativeDays);
  } else {
    q.end = toDate(dp[4]);
  }
  if (q.start != 0) {
    ctx.storm.stormDate = q.start;
    ctx.time.TZERO = 0.0;
  }
  return q;
}

// Messages 370 and 371; false when the command ends here.
bool acceptRequest(model::RunContext& ctx, const AesRequest& q) {
  bool rejected = false;
  if (ctx.cmd.stringBlank(1)) {
    run::issue(ctx, msg::kAesFileNameMissing, run::Severity::Error);
    rejected = true;
  }
  if (q.start != 0 && q.end < q.start) {
    run::issue(ctx, msg::kAesStartAfterEnd, run::Severity::Error);
    rejected = true;
  }
  if (rejected) writeCommandLine(ctx, "READ AES DATA");
  return !rejected;
}

// The record becomes the storm: hourly steps from the start of the period,
// with the warnings about the period and the missing hours, the statistics
// and, on request, the storm file.
void installRecord(model::RunContext& ctx, const AesRequest& q, const AesRecordResult& r, const std::string& given) {
  static const fortran::Format kStation("(23X,'Station ID   = ',I7,/)");
  static const fortran::Format kLate("(20X,'(ie. ',I8,' < ',I8,' )')");
  static const fortran::Format kEarly("(20X,'(ie. ',I8,' > ',I8,' )')");
  static const fortran::Format kMissing("(20X,'As such ',I6,' rainfall increments were set to 0.')");
  platform::LineSink& out = *ctx.out.detailed;
  model::Storm& s = ctx.storm;
  run::put(out, kStation, {r.station});
  if (r.lateStart) {
    run::warn(ctx, msg::kAesStartBeforeFile);
    run::put(out, kLate, {q.start, r.start});
  }
  if (r.tooLong) {
    run::issue(ctx, msg::kAesTooManySteps, run::Severity::Error);
    installStorm(s, 1.0f, r.rain, 0, 0.0f);
    writeCommandLine(ctx, "READ AES DATA");
    return;
  }
  if (r.earlyEnd) {
    run::warn(ctx, msg::kAesEndAfterFile);
    run::put(out, kEarly, {q.end, r.lastDate});
  }
  if (r.start != 0) s.stormDate = r.start;
  installStorm(s, 1.0f, r.rain, r.steps, r.ptot);
  if (r.missing > 0) {
    run::warn(ctx, msg::kAesMissingStepsZero);
    run::put(out, kMissing, {r.missing});
  }
  printStatistics(ctx, r, given);
  if (q.keep) writeTempStorm(ctx, r);
}

} // namespace

void readAesData(model::RunContext& ctx) {
  static const fortran::Format kBox(
      "(20('-'),/,'| READ AES DATA    |',3X,'AES filename = ',A60,/,20('-'),3X,'Data type    = 123 (hourly "
      "rainfall)',/,23X,'Start date   = ',F9.4,/,23X,'End date     = ',F9.4,/,23X,'Time span    =',I5,' days')");

  ctx.run.label = "READ AES DATA";
  const AesRequest q = readRequest(ctx);
  if (!acceptRequest(ctx, q)) return;

  const std::string given = ctx.cmd.text(1, 60);
  const int span = q.start != 0 ? model::gregorian::dayNumber(q.end) - model::gregorian::dayNumber(q.start) : 0;
  run::put(*ctx.out.detailed, kBox,
           {given, static_cast<double>(q.start) / 10000.0, static_cast<double>(q.end) / 10000.0, span});

  const std::string path = resolveRainfallName(given, ctx.dirs.rainfall, ctx.out.workDir);
  AesRecordResult r;
  {
    // The lines of the file are let go before the record becomes the storm:
    // a twelve-year file would otherwise double the memory the command needs.
    platform::TextFile file = platform::readTextFile(path);
    if (!file.ok()) {
      fileError(ctx, msg::kAesFileUnreadable, path);
      writeCommandLine(ctx, "READ AES DATA");
      return;
    }
    r = readAesRecords(file.lines, q.start, q.end, q.relativeDays);
  }
  if (static_cast<int>(std::fabs(q.type) + 0.5) != kHourlyRain ||
      (r.firstElement != 0 && r.firstElement != kHourlyRain)) {
    run::issue(ctx, msg::kAesWrongFileType, run::Severity::Error);
    writeCommandLine(ctx, "READ AES DATA");
    return;
  }
  if (!r.error.empty()) {
    fileError(ctx, msg::kAesRecordUnreadable, path + " (" + r.error + ")");
    writeCommandLine(ctx, "READ AES DATA");
    return;
  }
  installRecord(ctx, q, r, given);
}

} // namespace rain
