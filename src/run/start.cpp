// START and the run set-up (Initial). START also gives several runs in one
// input file: a START with a higher run number ends the run so far, rewinds
// the input and executes the whole file again under the new number.
#include "run/start.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "fortran/line_reader.h"
#include "fortran/record.h"
#include "fortran/text.h"
#include "platform/platform.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"

namespace run {

namespace {

using fortran::padded;
using fortran::trimRight;

// The storm file name of a storm line: columns 21-80, or the text between the
// first and the last quote of those columns when there is one (either kind).
std::string stormName(const std::string& line) {
  const std::string field = fortran::fixedWidth(line, 80).substr(20, 60);
  const std::size_t first = field.find_first_of("'\"");
  if (first == std::string::npos) return field;
  const std::size_t last = field.find_last_of("'\"");
  if (last == first) return std::string(60, ' '); // a lone quote encloses nothing
  return padded(std::string_view(field).substr(first + 1, last - first - 1), 60);
}

// Writes the pointer file STORM.kkk: " 99" and the storm file's name, with the
// rainfall directory in front of a name without a drive (its first 12
// characters). The file holds the whole path: with a deep directory it is
// longer than 60 characters and must not be cut, or the storm is not found.
void writePointerFile(model::RunContext& ctx, int k, const std::string& name) {
  static const fortran::Format kPointerName("('STORM.',I3.3)");
  static const fortran::Format kName("(A60)");
  const std::string fileName = kPointerName.format({k}).front();
  const std::string path = completeFileName(ctx.dirs.rainfall, name, NameLength::First12, ctx.out.workDir);
  if (!mayWrite(ctx, ctx.workPath(fileName))) return;
  platform::OutputFile file;
  if (auto error = file.open(ctx.workPath(fileName))) {
    issue(ctx, msg::kStormPointerNotWritten, Severity::Error, Destination::Both, *error);
    return;
  }
  ctx.fileWritten(ctx.workPath(fileName));
  putFree(file, {99});
  if (trimRight(path).size() <= 60) {
    put(file, kName, {padded(path, 60)});
  } else {
    file.line(trimRight(path));
  }
  if (auto error = file.close()) {
    issue(ctx, msg::kStormPointerNotWritten, Severity::Error, Destination::Both, *error);
  }
}

void writeStartBlocks(model::RunContext& ctx, int nstorm) {
  static const fortran::Format kEndOfRun("(2X,'** END OF RUN : ',I3,/)");
  static const fortran::Format kStars("(79('*'),/,/,/,/,/)");
  static const fortran::Format kRunCommand("(1X,'RUN:COMMAND#')");
  static const fortran::Format kNumber("(1X,I3.3,':',I4.4,76('-'))");
  static const fortran::Format kSummary(
      "(1X,A4,'START',/,6X,'[TZERO = ',F6.2,' hrs on ',I8,']',/,6X,'[METOUT= ',I3,4X,"
      "'(1=imperial, 2=metric output)]',/,6X,'[NSTORM= ',I3,' ]',/,6X,'[NRUN  = ',I3,' ]')");
  static const fortran::Format kDetailed(
      "(20('-'),/,'| START            |  Project  dir.: ',A60,/,20('-'),'  Rainfall dir.: ',A60,/,4X,"
      "'TZERO =',F6.2,' hrs on ',I8,/,4X,'METOUT= ',I3,A25,/,4X,'NRUN  = ',I3.3,/,4X,'NSTORM= ',I3)");
  const model::RunState& run = ctx.run;
  const model::Units& units = ctx.units;
  const double tzero = ctx.time.TZERO;
  const int date = ctx.time.startDate;
  if (run.NRUN >= 2) {
    put({ctx.out.detailed, ctx.out.summary}, kEndOfRun, {run.NRUN - 1});
    put({ctx.out.detailed, ctx.out.summary}, kStars);
  }
  platform::LineSink& window = ctx.platform.summaryWindow;
  putFree(window, {});
  put({&window, ctx.out.summary}, kRunCommand);
  put({&window, ctx.out.summary}, kNumber, {run.NRUN, run.commandCounter});
  put({ctx.out.summary, &window}, kSummary, {run.marker, tzero, date, units.METOUT, nstorm, run.NRUN});
  std::string unitsText;
  if (units.METOUT == 1) unitsText = " (output = IMPERIAL)";
  if (units.METOUT == 2) unitsText = " (output = METRIC)";
  put(*ctx.out.detailed, kDetailed,
      {padded(ctx.dirs.project, 60), padded(ctx.dirs.rainfall, 60), tzero, date, units.METOUT, padded(unitsText, 25),
       run.NRUN, nstorm});
}

} // namespace

int readUnitsLine(const std::string& line) {
  static const fortran::InputFormat kUnits("(I2)");
  const fortran::RecordResult r = kUnits.read(line);
  if (!r.ok()) return 0;
  const int value = r.record.integer(0);
  return value >= 3 ? value / 10 : value;
}

StartTime splitStartTime(double value) {
  if (value <= 1800.0) return {value, 0};
  // The year has four digits: a larger value (or a NaN) is no date the
  // integer parts below could hold; it is taken as the last minute of 9999.
  if (!(value < 10000.0)) value = 9999.12312359;
  // YYYY.MMDDhhmm: the date is the nearest integer of value*10^4, the rest
  // .hhmm; the minutes keep their fraction, as the value was typed.
  const double scaled = value * 10000.0;
  const int date = static_cast<int>(std::lround(scaled));
  const double rest = scaled - date;
  // .hhmm carries the rounding error of its decimal digits: 06:00 may arrive
  // as 5.99999... hours-and-minutes. Taking its integer part bare would read
  // 5 hours and 99.99 minutes; the small allowance reads 6 hours and 0
  // minutes, and a typed fraction of a minute is still kept.
  const double hhmm = rest * 100.0;
  const int hours = static_cast<int>(hhmm + 1.0e-6);
  double minutes = (hhmm - hours) * 100.0;
  if (minutes < 0.0) minutes = 0.0;
  return {hours + minutes / 60.0, date};
}

void startCommand(model::RunContext& ctx) {
  static const fortran::Format kStormLine("('           #',I3,'=',A60)");
  model::RunState& run = ctx.run;
  const model::CommandValues& cmd = ctx.cmd;
  run.commandCounter = 1;
  int n = cmd.intParam(4);
  if (n == 0) n = 1;
  const int nstorm = cmd.intParam(3);

  // An earlier run's START, or the current run's START met again after the
  // rewind, is skipped together with its storm lines.
  const bool accepted = n >= run.NRUN && (run.NRUN == 1 || n != run.NRUN);
  std::string line;
  if (!accepted) {
    for (int k = 1; k <= nstorm; ++k) {
      if (!ctx.input->next(line)) break;
    }
    return;
  }

  const StartTime start = splitStartTime(cmd.DPARAM[1]);
  ctx.time.TZERO = start.TZERO;
  ctx.time.startDate = start.startDate;
  ctx.units.METOUT = cmd.intParam(2);
  if (ctx.units.METOUT == 0) ctx.units.METOUT = ctx.units.METIN;
  run.NRUN = n;
  writeStartBlocks(ctx, nstorm);

  for (int k = 1; k <= nstorm; ++k) {
    // A file that ends inside the storm lines leaves the rest to the main
    // loop, which reports the missing FINISH.
    if (!ctx.input->next(line)) break;
    const std::string name = stormName(line);
    put(*ctx.out.detailed, kStormLine, {k, name});
    writePointerFile(ctx, k, name);
  }
  initial(ctx);

  if (run.NRUN >= 2) {
    // A later run of the file starts its own summary record file, as each run set does.
    if (ctx.runStarted != nullptr) ctx.runStarted(ctx);
    // Run the whole file again under the new run number; its first line is
    // the units line. It is read by the same rule as at the start of the run:
    // a one-column read would take the usual " 1" as 0 (metric) and turn the
    // imperial input of the third and later runs into metric.
    ctx.input->rewind();
    ctx.units.METIN = 0;
    if (ctx.input->next(line)) ctx.units.METIN = readUnitsLine(line);
  }
}

void setUnitSystem(model::RunContext& ctx) {
  for (int system = 1; system <= 2; ++system)
    for (int q = 1; q <= 10; ++q) ctx.units.labels[system][q] = model::kUnitLabels[system][q];

  // Imperial data need no conversion; any other unit system is metric.
  const auto factors = [](int system) {
    if (system == 1) return model::Factors{1.0f, 1.0f, 1.0f, 1.0f};
    const float cubic = static_cast<float>(std::pow(static_cast<double>(model::kFeetPerMetre), 3.0));
    return model::Factors{model::kFeetPerMetre, model::kAcresPerHectare, cubic, model::kMmPerInch};
  };
  ctx.units.in = factors(ctx.units.METIN);
  ctx.units.out = factors(ctx.units.METOUT);
}

void initial(model::RunContext& ctx) {
  setUnitSystem(ctx);

  for (int id = 1; id <= model::kMaxSlotId; ++id) ctx.store[id].clear();

  model::Storm& storm = ctx.storm;
  std::fill(storm.RAIN.begin(), storm.RAIN.end(), 0.0f);
  std::fill(storm.work.begin(), storm.work.end(), 0.0f);
  storm.NSTEP = 0;
  storm.workSteps = 0;
  storm.SDT = 0.0f;
  storm.workDT = 0.0f;
  storm.PTOT = 0.0f;
  // A storm of an earlier run must not lend its name or its date to this one:
  // READ STORM takes the date of START only while the storm date is 0, and
  // the automatic files and the summary record carry the title.
  storm.title.clear();
  storm.stormDate = 0;
  ctx.store.SVHYD = 0;
}

} // namespace run
