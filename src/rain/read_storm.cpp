// READ STORM and the storm record's loader: storm files with their units flag
// and one level of pointer file, the helpers that install a new storm, and the
// summary lines the storm commands share.
#include "rain/read_storm.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "fortran/record.h"
#include "fortran/text.h"
#include "model/limits.h"
#include "rain/hyetograph.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"

namespace rain {

namespace {

// The largest count a storm file may give; a count of 0 or beyond the step
// limit reads up to this many values (one below the limit, as the files have
// always been read).
constexpr int kMaxFileSteps = model::kMaxRainSteps - 1;

constexpr const char* kBeyondSinglePrecision = "a value is beyond single precision";

using fortran::trimRight;

// True when every one of the first six characters is one of the letters of
// `letters` (the pointer files are named STORM.nnn).
bool drawnFrom(std::string_view name, std::string_view letters) {
  std::string head(name.substr(0, std::min<std::size_t>(6, name.size())));
  head.resize(6, ' ');
  return std::all_of(head.begin(), head.end(), [&](char c) { return letters.find(c) != std::string_view::npos; });
}

// One numeric line of a storm file; an early end and an unreadable line are
// both reported in `file`.
bool readNumber(fortran::LineReader& in, StormFile& file, double& value) {
  const fortran::ListResult<double> r = fortran::readListNumber(in);
  if (r.ok()) {
    value = r.value;
    return true;
  }
  file.endedEarly = r.status == fortran::ReadStatus::EndOfFile;
  file.error = file.endedEarly ? "ends before its data are complete" : r.error;
  return false;
}

// Intensities or a step near the top of single precision give a total, a
// duration or a step in minutes beyond it, and metric outputs print depths
// and intensities in millimetres: a storm of infinities.
bool storeableStorm(const StormFile& f) {
  if (!std::isfinite(f.ptot * model::kMmPerInch) || !std::isfinite(f.sdt * 60.0f) ||
      !std::isfinite(static_cast<float>(f.steps) * f.sdt))
    return false;
  return std::all_of(f.rain.begin(), f.rain.end(), [](float v) { return std::isfinite(v * model::kMmPerInch); });
}

} // namespace

std::string resolveStormName(std::string_view name, std::string_view rainfallDir, std::string_view workDir) {
  const std::string given = trimRight(name);
  if (given.find(':') != std::string::npos) return run::completeFileName(rainfallDir, given, run::NameLength::Whole, workDir);
  if (drawnFrom(given, "STORM.") || drawnFrom(given, "storm.")) return given;
  return resolveRainfallName(given, rainfallDir, workDir);
}

std::string resolveRainfallName(std::string_view name, std::string_view rainfallDir, std::string_view workDir) {
  return run::completeFileName(rainfallDir, name, run::NameLength::First12, workDir);
}

StormFile parseStormFile(const std::string& path) {
  StormFile file;
  auto opened = fortran::LineReader::open(path);
  if (!opened) {
    file.error = opened.error.empty() ? "cannot be opened" : opened.error;
    return file;
  }
  fortran::LineReader* in = &*opened.reader;
  double value = 0.0;
  if (!readNumber(*in, file, value)) return file;
  file.unitsFlag = model::truncatedInt(static_cast<float>(value));

  // A pointer file names the real storm file on its second line; only one
  // level is followed, so a 99 in the second file counts as millimetres.
  std::optional<fortran::LineReader> target;
  if (file.unitsFlag == 99) {
    std::string line;
    if (!in->next(line)) {
      file.endedEarly = true;
      file.error = "ends before the storm file name";
      return file;
    }
    // START writes names longer than 60 characters whole, so the whole line counts.
    file.pointedTo = trimRight(line);
    auto next = fortran::LineReader::open(file.pointedTo);
    if (!next) {
      file.error = "names a storm file that cannot be read: " + file.pointedTo;
      return file;
    }
    target = std::move(next.reader);
    in = &*target;
    if (!readNumber(*in, file, value)) return file;
    file.unitsFlag = model::truncatedInt(static_cast<float>(value));
  }
  const float divisor = file.unitsFlag == 1 ? 1.0f : model::kMmPerInch;

  std::string line;
  if (!in->next(line)) {
    file.endedEarly = true;
    file.error = "ends before its comment line";
    return file;
  }
  file.comment = fortran::fixedWidth(line, 60);

  if (!readNumber(*in, file, value)) return file;
  float step = static_cast<float>(value);
  if (step >= 1.0f) step /= 60.0f; // minutes; below 1 the step is in hours
  file.sdt = step;

  if (!readNumber(*in, file, value)) return file;
  int n = model::truncatedInt(static_cast<float>(value));
  if (n <= 0 || n > model::kMaxRainSteps) n = kMaxFileSteps;

  file.rain.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  float sum = 0.0f;
  int stored = 0;
  for (int i = 1; i <= n; ++i) {
    if (!readNumber(*in, file, value)) return file;
    const float v = static_cast<float>(value);
    if (v < 0.0f) break;
    file.rain[i] = v / divisor;
    sum += file.rain[i];
    stored = i;
  }
  file.steps = stored;
  file.ptot = file.sdt * sum;
  if (!storeableStorm(file)) file.error = kBeyondSinglePrecision;
  return file;
}

void reserveStorm(model::Storm& storm, int steps) {
  const std::size_t size = static_cast<std::size_t>(std::clamp(steps, 0, model::kMaxRainSteps)) + 1;
  if (storm.RAIN.size() < size) storm.RAIN.resize(size, 0.0f);
  if (storm.work.size() < size) storm.work.resize(size, 0.0f);
}

namespace {

// RAIN[1..steps] (or the working copy) from `rain`; entry 0 and anything past
// the steps stay as they were. A shorter array is not cleared first: every
// entry it grows by is overwritten.
void copySteps(std::vector<float>& to, const std::vector<float>& rain, int steps) {
  const auto size = static_cast<std::size_t>(steps) + 1;
  if (to.size() < size) {
    if (to.empty()) to.push_back(0.0f);
    to.resize(1);
    to.insert(to.end(), rain.begin() + 1, rain.begin() + static_cast<std::ptrdiff_t>(size));
    return;
  }
  std::copy_n(rain.begin() + 1, steps, to.begin() + 1);
}

} // namespace

void installStorm(model::Storm& storm, float sdt, const std::vector<float>& rain, int steps, float ptot) {
  steps = std::clamp(steps, 0, model::kMaxRainSteps);
  reserveStorm(storm, 0);
  if (steps > 0) {
    copySteps(storm.RAIN, rain, steps);
    copySteps(storm.work, rain, steps);
  }
  storm.SDT = sdt;
  storm.NSTEP = steps;
  storm.PTOT = ptot;
  storm.workDT = sdt;
  storm.workSteps = steps;
}

bool loadStormFile(model::RunContext& ctx, const std::string& path) {
  StormFile file = parseStormFile(path);
  if (!file.ok()) {
    const std::string& named = file.pointedTo.empty() ? path : file.pointedTo;
    fileError(ctx, file.endedEarly ? msg::kStormFileEndedEarly : msg::kStormFileUnreadable,
              file.error == kBeyondSinglePrecision ? named + ": " + file.error : named);
    return false;
  }
  model::Storm& s = ctx.storm;
  installStorm(s, file.sdt, file.rain, file.steps, file.ptot);
  s.title = file.comment;
  s.title.resize(90, ' ');
  printHyetograph(ctx, 1, s.title);
  if (s.stormDate == 0 && ctx.time.startDate != 0) s.stormDate = ctx.time.startDate;
  return true;
}

void writeStormLine(model::RunContext& ctx) {
  static const fortran::Format kStorm("(6X,'[SDT=',F5.2,':SDUR=',F7.2,':PTOT=',F7.2,']')");
  const model::Storm& s = ctx.storm;
  run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kStorm,
           {s.SDT * 60.0f, static_cast<float>(s.NSTEP) * s.SDT, s.PTOT * ctx.units.out.depth});
}

void writeCommandLine(model::RunContext& ctx, std::string_view name, bool windowFirst) {
  static const fortran::Format kName("(1X,A4,A18)");
  run::setMarker(ctx);
  std::string label(name);
  label.resize(18, ' ');
  if (windowFirst) {
    run::put({&ctx.platform.summaryWindow, ctx.out.summary}, kName, {ctx.run.marker, label});
  } else {
    run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kName, {ctx.run.marker, label});
  }
}

void fileError(model::RunContext& ctx, int number, const std::string& path) {
  run::issue(ctx, number, run::Severity::Error, run::Destination::Both, path);
}

void fileWarning(model::RunContext& ctx, int number, const std::string& path) {
  run::warn(ctx, number, run::Destination::Both, path);
}

void readStorm(model::RunContext& ctx) {
  static const fortran::Format kFileName("(6X,'Filename = ',A60)");
  static const fortran::Format kComment("(6X,'Comment  = ',A60)");
  ctx.run.label = "READ STORM";
  model::Storm& s = ctx.storm;

  // Without a quoted name one more input line is read (a 20-character label
  // and a 60-character field, neither used) and the previous storm file name
  // stays in force.
  if (!ctx.cmd.stringBlank(1)) {
    s.fileName = ctx.cmd.text(1, 60);
  } else if (ctx.input != nullptr) {
    std::string extra;
    ctx.input->next(extra);
  }

  if (trimRight(s.fileName).empty()) {
    run::issue(ctx, msg::kStormFileNameMissing, run::Severity::Error);
  } else {
    std::string path = resolveStormName(s.fileName, ctx.dirs.rainfall, ctx.out.workDir);
    // The pointer files START writes lie in the working directory.
    if (path.find(':') == std::string::npos && !path.empty() && path.front() != '/' &&
        (drawnFrom(path, "STORM.") || drawnFrom(path, "storm."))) {
      path = ctx.workPath(path);
    }
    loadStormFile(ctx, path);
  }

  std::string name = s.fileName;
  name.resize(60, ' ');
  writeCommandLine(ctx, "READ STORM");
  run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kFileName, {name});
  run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kComment, {std::string(60, ' ')});
  writeStormLine(ctx);
}

} // namespace rain
