// The header block of a run and the run counter.
#include "run/headers.h"

#include "fortran/record.h"
#include "fortran/text.h"
#include "platform/platform.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"

namespace run {

namespace {

using fortran::isBlank;
using fortran::padded;

constexpr int kCounterLimit = 999999; // what "(I6.6)" can show

// The banner: the program's name in block letters with the version in large
// digits, and the version and date at the right.
void writeBanner(platform::LineSink& sink) {
  static const fortran::Format kBanner[] = {
      fortran::Format("(1X,'K   K EEEEE  SSS  TTTTT RRRR    A   N   N      44     000  55555')"),
      fortran::Format("(1X,'K  K  E     S   S   T   R   R  A A  NN  N     4 4    0   0 5')"),
      fortran::Format("(1X,'K K   E     S       T   R   R A   A N N N    4  4    0  00 5555    Ver  4.05')"),
      fortran::Format("(1X,'KK    EEEE   SSS    T   RRRR  A   A N N N   4   4    0 0 0     5')"),
      fortran::Format("(1X,'K K   E         S   T   R R   AAAAA N N N   44444    00  0     5   Sept 2011')"),
      fortran::Format("(1X,'K  K  E     S   S   T   R  R  A   A N  NN       4    0   0 5   5')"),
      fortran::Format("(1X,'K   K EEEEE  SSS    T   R   R A   A N   N       4 ##  000   555')"),
  };
  for (const fortran::Format& line : kBanner) put(sink, line);
}

void writeBox(platform::LineSink& sink) {
  static const fortran::Format kStars("(1X,79('*'))");
  static const fortran::Format kName("(1X,29('*'),' KESTRAN Ver/4.05  ',30('*'))");
  static const fortran::Format kPurpose(
      "(1X,9('*'),'  A single event and continuous hydrologic simulation',' model  ',9('*'))");
  static const fortran::Format kDimensions("(1X,9('*'),11X,'++++++ PROGRAM ARRAY DIMENSIONS ++++++',12X,9('*'))");
  static const fortran::Format kIds("(1X,9('*'),11X,'Maximum value for ID numbers  : ',I6,12X,9('*'))");
  static const fortran::Format kRain("(1X,9('*'),11X,'Max. number of rainfall points: ',I6,12X,9('*'))");
  static const fortran::Format kFlow("(1X,9('*'),11X,'Max. number of flow points    : ',I6,12X,9('*'))");
  put(sink, kStars);
  put(sink, kName);
  put(sink, kPurpose);
  put(sink, kStars);
  put(sink, kDimensions);
  put(sink, kIds, {model::kMaxSlotId});
  put(sink, kRain, {model::kMaxRainSteps});
  put(sink, kFlow, {model::kMaxOrdinates});
  put(sink, kStars);
}

void writeLegend(platform::LineSink& sink) {
  static const fortran::Format kLegend(
      "(1X,5('*'),' DESCRIPTION SUMMARY TABLE HEADERS (units ','depend on METOUT in START) ',5('*'),/,"
      "1X,5('*'),69('-'),5('*'),/,"
      "1X,5('*'),'    ID:  Hydrograph IDentification numbers, (1-10).',18X,5('*'),/,"
      "1X,5('*'),'  NHYD:  Hydrograph reference numbers, (6 digits or ','characters).',5X,5('*'),/,"
      "1X,5('*'),'  AREA:  Drainage area associated with hydrograph, ','(ac.) or (ha.).',3X,5('*'),/,"
      "1X,5('*'),' QPEAK:  Peak flow of simulated hydrograph, (ft^3/s) ','or (m^3/s).',5X,5('*'),/,"
      "1X,5('*'),' TpeakDate_hh:mm is the date and time of the peak ','flow.',14X,5('*'),/,"
      "1X,5('*'),'  R.V.:  Runoff Volume of simulated hydrograph, (in) ','or (mm).',8X,5('*'),/,"
      "1X,5('*'),'  R.C.:  Runoff Coefficient of simulated hydrograph, ','(ratio).',8X,5('*'),/,"
      "1X,5('*'),'     *:  see WARNING or NOTE message printed at end ','of run.',10X,5('*'),/,"
      "1X,5('*'),'    **:  see  ERROR  message printed at end of run.',18X,5('*'),/,"
      "1X,79('*'),/,1X,79('*'),/,/,81(':'),/,/,1X,79('*'))");
  put(sink, kLegend);
}

enum class Output { Detailed, Summary, Window };

void writeBlock(model::RunContext& ctx, platform::LineSink& sink, Output which, const HeaderInfo& info,
                const platform::DateTime& t, int counter) {
  static const fortran::Format kTop("(81('='),/)");
  static const fortran::Format kSummaryTitle("(/,1X,23('*'),3X,'S U M M A R Y   O U T P U T',3X,23('*'),/,1X,79('*'))");
  static const fortran::Format kDetailedTitle(
      "(/,1X,22('*'),3X,'D E T A I L E D   O U T P U T',3X,22('*'),/,1X,79('*'))");
  static const fortran::Format kDate(
      "(1X,'*',9X,'DATE: ',I4,'-',I2.2,'-',I2.2,5X,'TIME: ',2(I2.2,':'),I2.2,5X,'RUN COUNTER: ',I6.6,9X,'*',/,"
      "1X,79('*'))");
  static const fortran::Format kNames(
      "(1X,'* Input   filename: ',A58,'*',/,1X,'* Output  filename: ',A58,'*',/,1X,'* Summary filename: ',A58,"
      "'*')");
  static const fortran::Format kCommentsTitle("(1X,'* User comments:',62X,'*')");
  static const fortran::Format kComment("(1X,'* ',I1,':',A74,'*')");
  static const fortran::Format kNoComment("(1X,'* ',I1,':',74('_'),'*')");
  static const fortran::Format kBoxEnd("(1X,79('*'),/)");

  put(sink, kTop);
  writeBanner(sink);
  writeBox(sink);
  if (which != Output::Detailed) writeLegend(sink);
  if (which == Output::Summary) put(sink, kSummaryTitle);
  if (which == Output::Detailed) put(sink, kDetailedTitle);
  put(sink, kDate, {t.year, t.month, t.day, t.hour, t.minute, t.second, counter});
  put(sink, kNames, {padded(info.names[0], 60), padded(info.names[1], 60), padded(info.names[2], 60)});
  put(sink, kCommentsTitle);
  for (int i = 1; i <= 3; ++i) {
    const std::string comment = padded(info.comments[static_cast<std::size_t>(i - 1)], 79);
    if (isBlank(comment)) {
      put(sink, kNoComment, {i});
    } else {
      put(sink, kComment, {i, comment});
    }
  }
  put(sink, kBoxEnd);
  if (!info.checkUnits) return;
  if (ctx.units.METIN == 1 || ctx.units.METIN == 2) {
    if (which != Output::Detailed) putFree(sink, {});
  } else {
    issue(ctx, msg::kUnitsNotSpecified, Severity::Error);
  }
}

// The counter that follows the one a counter file holds: a missing or
// unreadable counter starts again at 1, and the counter wraps after the
// largest value its six digits can show.
int nextCounter(std::string_view firstLine) {
  static const fortran::InputFormat kRead("(I6)");
  int counter = 0;
  if (!firstLine.empty()) {
    const fortran::RecordResult r = kRead.read(std::string(firstLine));
    if (r.ok()) counter = r.record.integer(0) + 1;
  }
  return counter <= 0 || counter > kCounterLimit ? 1 : counter;
}

std::string_view firstLine(std::string_view text) {
  text = text.substr(0, text.find('\n'));
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  return text;
}

} // namespace

int advanceRunCounter(model::RunContext& ctx) {
  static const fortran::Format kWrite("(I6.6)");
  const std::string path = ctx.workPath("kestran.CNT");
  if (!mayWrite(ctx, path, Destination::Warnings)) return 1;
  // Runs started side by side in one folder each read, add one and write the
  // counter back under a lock, so no increment is lost and no two runs print
  // the same counter. The counter is rewritten in place.
  int counter = 1;
  auto error = platform::updateSmallFile(path, [&](std::string_view old) {
    counter = nextCounter(firstLine(old));
    return kWrite.format({counter}).front() + "\n";
  });
  if (error) {
    // A counter this process may read but not write (a read-only file in a
    // folder it may write) is replaced whole, under a lock on its folder.
    // Without a lock the run goes on.
    const platform::FileLock lock(ctx.out.workDir.empty() ? "." : ctx.out.workDir);
    const platform::TextFile file = platform::readTextFile(path);
    counter = nextCounter(file.ok() && !file.lines.empty() ? std::string_view(file.lines.front()) : "");
    error = platform::replaceFileAtomically(path, kWrite.format({counter}).front() + "\n");
  }
  if (error) {
    issue(ctx, msg::kRunCounterNotSaved, Severity::Note, Destination::Warnings, *error);
  } else {
    ctx.fileWritten(path);
  }
  return counter;
}

void writeHeaders(model::RunContext& ctx, const HeaderInfo& info) {
  const platform::DateTime t = ctx.platform.clock.now();
  const int counter = advanceRunCounter(ctx);
  ctx.run.runCounter = counter;
  writeBlock(ctx, *ctx.out.detailed, Output::Detailed, info, t, counter);
  writeBlock(ctx, *ctx.out.summary, Output::Summary, info, t, counter);
  writeBlock(ctx, ctx.platform.summaryWindow, Output::Window, info, t, counter);
}

} // namespace run
