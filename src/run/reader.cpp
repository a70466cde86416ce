// The command reader. A command is a name in columns 1-20 followed by values
// on its line and on continuation lines (column 1 blank). Values are free
// format: any character that cannot belong to a number separates them, so
// labels such as TZERO=[...] are for the human reader only.
#include "run/reader.h"

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "fortran/line_reader.h"
#include "fortran/text.h"
#include "run/messages.h"
#include "run/output.h"

namespace run {

namespace {

using fortran::isBlank;

constexpr std::size_t kLineWidth = 100; // input lines are read as "(100A1)"
constexpr std::size_t kNameWidth = 20;  // the command name fills columns 1-20
// The largest magnitude a typed value may have: a thousandth of the top of
// single precision, room for any conversion of units.
constexpr double kLargestValue = static_cast<double>(std::numeric_limits<float>::max()) / 1000.0;

// State of the value scan, carried from one line of a command to the next.
struct Scan {
  int index = 1;       // next PARAM position
  int stringIndex = 1; // next STRING entry
  double accumulator = 0.0;
  bool inNumber = false;
  double sign = 1.0;
  bool signSeen = false;
  int decimals = 0; // 1 for the first digit after the point, then 2, ...
  bool decimalSeen = false;
  int stringStart = 0; // column after the opening quote, 0 outside a string
  // Characters of the open string on earlier lines of the command. A string
  // is measured over every line it spans: only its start column would make a
  // quote left open near column 100 and closed far along the next line look
  // short, and its text would then come from the wrong columns.
  int carried = 0;
  bool fromEarlierLine = false;
  bool keepDoubles = false; // the command's values are also kept in DPARAM
};

// 10^k, exact for the digits a line can hold; the accumulator adds d / 10^k
// so that a value such as a YYYY.MMDDhhmm date keeps its last digits.
double powerOfTen(int k) {
  static const std::array<double, 23> kPowers = [] {
    std::array<double, 23> p{};
    p[0] = 1.0;
    for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10.0;
    return p;
  }();
  if (k >= 0 && k < static_cast<int>(kPowers.size())) return kPowers[static_cast<std::size_t>(k)];
  return std::pow(10.0, k);
}

void writeChars(std::initializer_list<platform::LineSink*> sinks, std::string_view chars) {
  // "(80A1)": one single-character item per column.
  static const fortran::Format kChars("(80A1)");
  std::vector<fortran::Value> items;
  items.reserve(chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i) items.emplace_back(chars.substr(i, 1));
  std::vector<std::string> records;
  kChars.write(items, records);
  for (platform::LineSink* sink : sinks)
    for (const std::string& r : records) sink->line(r);
}

// Comment lines: "*%" is silent, "*#" also goes to the summary output, any
// other "*" line only to the detailed output.
void echoComment(model::RunContext& ctx, const std::string& line) {
  const std::string_view text(line);
  if (line[1] == '%') return;
  if (line[1] == '#') writeChars({ctx.out.summary, &ctx.platform.summaryWindow}, text.substr(1, 79));
  writeChars({ctx.out.detailed}, text.substr(0, 80));
}

// Stores the number just ended at the next PARAM position. Positions past
// the capacity of PARAM (or the ten DPARAM entries) are dropped, so that no
// line, however long, writes outside the lists.
bool storeNumber(model::CommandValues& cmd, Scan& s) {
  const double value = s.sign * s.accumulator;
  // Values are held in single precision and converted to the internal units
  // (a flow in cms is 35.3 cfs, a storage in hectare-metres about 98
  // cfs-hours): a value within a thousandth of the top of the range would
  // turn into infinity on the way, and every result computed from it into NaN.
  if (std::fabs(value) > kLargestValue) return false;
  const auto at = static_cast<std::size_t>(s.index);
  if (at < cmd.PARAM.size()) cmd.PARAM[at] = static_cast<float>(value);
  if (s.keepDoubles && at < cmd.DPARAM.size()) cmd.DPARAM[at] = value;
  ++s.index;
  s.accumulator = 0.0;
  s.inNumber = false;
  return true;
}

// A quoted string ends at `end` (1-based column before the closing quote).
// False when it is longer than a STRING entry holds.
bool storeString(model::CommandValues& cmd, Scan& s, const std::string& line, int end) {
  const int length = s.carried + end - s.stringStart + 1;
  if (length > model::kStringLength) return false;
  std::string text;
  // A string that began on an earlier line is split by the line end and the
  // blank column 1 of the continuation; it is kept blank rather than pieced
  // together.
  if (!s.fromEarlierLine && length > 0)
    text = line.substr(static_cast<std::size_t>(s.stringStart - 1), static_cast<std::size_t>(length));
  text.resize(90, ' ');
  // More than ten strings: the extra ones still take their PARAM position.
  if (s.stringIndex < static_cast<int>(cmd.STRING.size())) cmd.STRING[static_cast<std::size_t>(s.stringIndex)] = text;
  ++s.stringIndex;
  s.accumulator = 0.0;
  s.inNumber = true; // the next separator gives the string's position the value 0
  s.stringStart = 0;
  s.carried = 0;
  s.fromEarlierLine = false;
  return true;
}

enum class ScanResult { Ok, Failed };

ScanResult fail(model::RunContext& ctx, int number, const std::string& line, bool echo) {
  issue(ctx, number, Severity::Error);
  if (echo) echoLine(ctx, line);
  return ScanResult::Failed;
}

// Scans columns 1-100 of one line, adding its values to PARAM and STRING.
ScanResult scanLine(model::RunContext& ctx, const std::string& line, Scan& s) {
  model::CommandValues& cmd = ctx.cmd;
  for (std::size_t col = 0; col < kLineWidth; ++col) {
    const char ch = line[col];
    if (ch == '"' || s.stringStart > 0) {
      if (s.stringStart == 0) {
        // A number touching an opening quote would lose its own position.
        if (s.inNumber) return fail(ctx, msg::kSpaceBeforeQuote, line, true);
        s.stringStart = static_cast<int>(col) + 2;
      } else if (ch == '"') {
        if (!storeString(cmd, s, line, static_cast<int>(col))) return fail(ctx, msg::kStringTooLong, line, false);
      }
      continue;
    }
    if (ch == '-') {
      if (s.signSeen && s.inNumber) return fail(ctx, msg::kCheckNegativeSigns, line, true);
      s.sign = -1.0;
      s.signSeen = true;
    } else if (ch == '.') {
      if (s.decimalSeen) return fail(ctx, msg::kCheckDecimals, line, true);
      s.decimals = 1;
      s.decimalSeen = true;
    } else if (ch >= '0' && ch <= '9') {
      const int digit = ch - '0';
      s.inNumber = true;
      if (!s.decimalSeen) {
        s.accumulator = s.accumulator * 10.0 + digit;
      } else {
        s.accumulator = s.accumulator + digit / powerOfTen(s.decimals);
        ++s.decimals;
      }
    } else {
      // A separator ends the number being read, if any, and forgets any
      // sign or decimal point that was not followed by digits.
      if (s.inNumber && !storeNumber(cmd, s)) return fail(ctx, msg::kNumberTooLarge, line, true);
      s.decimals = 0;
      s.decimalSeen = false;
      s.signSeen = false;
      s.sign = 1.0;
    }
  }
  // A string still open at column 100 goes on from column 1 of the next line.
  if (s.stringStart > 0) {
    s.carried += static_cast<int>(kLineWidth) - s.stringStart + 1;
    s.stringStart = 1;
    s.fromEarlierLine = true;
  }
  return ScanResult::Ok;
}

// Positions the command did not give are 0; the routine decides what 0 means.
void zeroRemaining(model::CommandValues& cmd, const Scan& s) {
  for (int k = s.index; k <= cmd.NPARAM; ++k) {
    const auto at = static_cast<std::size_t>(k);
    if (at < cmd.PARAM.size()) cmd.PARAM[at] = 0.0f;
    if (s.keepDoubles && at < cmd.DPARAM.size()) cmd.DPARAM[at] = 0.0;
  }
}

} // namespace

void echoLine(model::RunContext& ctx, std::string_view line) {
  std::string text(line.substr(0, 80));
  text.resize(80, ' ');
  putFree({ctx.out.detailed, ctx.out.summary, &ctx.platform.warningsWindow}, {text});
  static const fortran::Format kFree("*");
  putLog(ctx, kFree, {text});
}

ReaderStatus readCommand(model::RunContext& ctx, CommandTable table) {
  model::CommandValues& cmd = ctx.cmd;
  cmd.id = CommandId::None;
  cmd.lines.clear();
  for (std::string& s : cmd.STRING) s.assign(90, ' ');
  cmd.DPARAM.fill(0.0);

  std::string line;
  if (ctx.input == nullptr || !ctx.input->next(line, kLineWidth)) return ReaderStatus::EndOfInput;
  if (isBlank(line)) return ReaderStatus::Skip;
  if (line[0] == '*') {
    echoComment(ctx, line);
    return ReaderStatus::Skip;
  }

  // The name must fill columns 1-20 exactly, blanks included: "ROUTE" and
  // "ROUTE CHANNEL" are different commands, and case matters.
  const std::string_view name(line.data(), kNameWidth);
  const Command* found = nullptr;
  for (const Command& row : table) {
    std::string padded(row.name);
    padded.resize(kNameWidth, ' ');
    if (padded == name) {
      found = &row;
      break;
    }
  }
  if (found == nullptr) {
    issue(ctx, msg::kCommandNotFound, Severity::Error);
    echoLine(ctx, line);
    return ReaderStatus::Stop;
  }
  cmd.id = found->id;
  cmd.lines.push_back(line);
  cmd.NPARAM = found->NPARAM;
  ctx.run.commandName = std::string(found->name);
  cmd.given = 0;
  if (cmd.NPARAM == 0) return ReaderStatus::Command;

  Scan scan;
  scan.keepDoubles = found->precision == Precision::Double;
  while (true) {
    if (scanLine(ctx, line, scan) == ScanResult::Failed) return ReaderStatus::Stop;
    // Commands with open-ended lists (STORE HYD) stop at the values given.
    cmd.given = scan.index - 1;
    if (scan.index > cmd.NPARAM) return ReaderStatus::Command;
    // A continuation line has a blank column 1; anything else belongs to what
    // follows and is read again by the next call. At the end of the file the
    // command simply ends here; the main loop then finds no further command.
    if (!ctx.input->next(line, kLineWidth)) {
      zeroRemaining(cmd, scan);
      return ReaderStatus::Command;
    }
    if (line[0] != ' ') {
      ctx.input->back();
      zeroRemaining(cmd, scan);
      return ReaderStatus::Command;
    }
    cmd.lines.push_back(line);
  }
}

} // namespace run
