// Automatic hydrograph files and the summary record file SUMMARY.sbo.
//
// SUMMARY.sbo is an unformatted stream: a 90-byte header (the project
// directory) followed by one 162-byte record per saved hydrograph, values back
// to back with no record markers; integers and reals are 32-bit little-endian,
// texts fixed-width and blank-padded. The automatic file is a text file of one
// value per line that READ HYD can read back.
#include "hydrograph/auto_save.h"
#include "hydrograph/files.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "fortran/format.h"
#include "fortran/text.h"
#include "platform/platform.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"

namespace hydrograph {

namespace {

using fortran::padded;
using fortran::trimRight;

// An automatic file or the summary record file could not be written: a warning
// naming the file, so a lost file is never silent; the run goes on.

// Little-endian byte images of 32-bit values, whatever the host's byte order.
void appendInt(std::string& bytes, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>((u >> (8 * k)) & 0xFFu));
}

void appendReal(std::string& bytes, float v) { appendInt(bytes, std::bit_cast<std::int32_t>(v)); }

void appendText(std::string& bytes, const std::string& text, std::size_t width) { bytes += padded(text, width); }

} // namespace

std::string projectDirectory(const model::RunContext& ctx) { return trimRight(ctx.dirs.project); }

namespace {

std::string recordsDirectory(const model::RunContext& ctx) {
  return ctx.dirs.records.empty() ? projectDirectory(ctx) : trimRight(ctx.dirs.records);
}

} // namespace

std::string runExtension(const model::RunContext& ctx) {
  static const fortran::Format kExtension("(F4.3)");
  return kExtension.format({static_cast<float>(ctx.run.NRUN) / 1000.0f})[0];
}

std::string summaryRecordPath(const model::RunContext& ctx) { return recordsDirectory(ctx) + "SUMMARY.sbo"; }

void createSummaryRecordFile(model::RunContext& ctx) {
  std::string header;
  appendText(header, ctx.dirs.project, kSummaryHeaderBytes);
  if (!run::mayWrite(ctx, summaryRecordPath(ctx))) return;
  if (auto error = platform::writeBinaryFile(summaryRecordPath(ctx), header, false)) {
    run::warn(ctx, msg::kAutomaticFileNotWritten, run::Destination::Both, *error);
  } else {
    ctx.fileWritten(summaryRecordPath(ctx));
  }
}

std::string summaryRecord(const model::RunContext& ctx, int id) {
  const model::Hydrograph& h = ctx.store[id];
  std::string bytes;
  bytes.reserve(kSummaryRecordBytes);
  // Units and run number in one integer; a METOUT typed far out of its range
  // saturates rather than overflowing the record's four bytes.
  const long long unitsAndRun = static_cast<long long>(ctx.units.METOUT) * 1000 + ctx.run.NRUN;
  appendInt(bytes, static_cast<std::int32_t>(
                       std::clamp<long long>(unitsAndRun, std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max())));
  appendText(bytes, ctx.storm.title, 90);
  appendText(bytes, ctx.run.label, 19);
  appendInt(bytes, id);
  appendText(bytes, h.HYDNAME, 10);
  appendReal(bytes, h.DT * 60.0f);
  appendReal(bytes, h.DA / ctx.units.out.area);
  // The record's peak includes the baseflow, as the summary line prints it.
  appendReal(bytes, (h.QPEAK + h.BASE) / ctx.units.out.flow);
  appendText(bytes, run::dateLabel(ctx.storm.stormDate, h.TPEAK), 15);
  appendReal(bytes, h.RV * ctx.units.out.depth);
  appendInt(bytes, h.NPTS);
  return bytes;
}

std::string automaticFilePath(const model::RunContext& ctx, int id) {
  static const fortran::Format kNumeric("('H-',I6.6)");
  const model::Hydrograph& h = ctx.store[id];
  // A numeric reference names its file as SAVE HYD's automatic name does
  // ("H-" and six digits), so every numeric hydrograph keeps a file of its
  // own instead of all of them overwriting one file named by the extension.
  if (h.NHYD != 0) return recordsDirectory(ctx) + kNumeric.format({h.NHYD})[0] + runExtension(ctx);
  const std::string stem = recordsDirectory(ctx) + padded(h.HYDNAME, 8);
  return trimRight(stem) + runExtension(ctx);
}

void writeAutomaticFile(model::RunContext& ctx, int id) {
  const model::Hydrograph& h = ctx.store[id];
  const std::string record = summaryRecord(ctx, id);
  const std::string path = automaticFilePath(ctx, id);
  // A name (HYDNAME) that leads out of the run's folders, or a record file
  // that does, writes neither.
  if (!run::mayWrite(ctx, summaryRecordPath(ctx)) || !run::mayWrite(ctx, path)) return;
  const std::optional<std::string> recordError = platform::writeBinaryFile(summaryRecordPath(ctx), record, true);

  run::putFree(*ctx.out.detailed, {" IN SVHYD=1, HYDFILE= ", padded(path, 80)});

  platform::OutputFile file;
  if (auto error = file.open(path)) {
    run::warn(ctx, msg::kAutomaticFileNotWritten, run::Destination::Both, *error);
  } else {
    ctx.fileWritten(path);
  }
  // Under the storm's title, without the baseflow. A file that could not be
  // opened takes nothing.
  writeHydrographFile(ctx, file, h, ctx.storm.title, FileKind::Automatic);
  if (auto error = file.close()) {
    run::warn(ctx, msg::kAutomaticFileNotWritten, run::Destination::Both, *error);
  }
  if (recordError) run::warn(ctx, msg::kAutomaticFileNotWritten, run::Destination::Both, *recordError);
}

} // namespace hydrograph
