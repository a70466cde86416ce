// Writing and reading hydrograph files.
#include "hydrograph/files.h"

#include <cmath>

#include <optional>
#include <span>
#include <vector>

#include "fortran/format.h"
#include "fortran/record.h"
#include "fortran/text.h"
#include "model/limits.h"
#include "model/units.h"
#include "run/output.h"

namespace hydrograph {

void writeHydrographFile(const model::RunContext& ctx, platform::OutputFile& file, const model::Hydrograph& h,
                         const std::string& comment, FileKind kind) {
  static const fortran::Format kUnits("(I2)");
  static const fortran::Format kComment("(A60)");
  static const fortran::Format kStep("(F9.2)");
  static const fortran::Format kArea("(F12.4)");
  static const fortran::Format kSavedFlow("(F13.6)");
  static const fortran::Format kSavedEnd("(F9.3)");
  static const fortran::Format kAutomaticFlow("(E10.5)");
  static const fortran::Format kAutomaticEnd("(F5.1)");
  const model::Factors& f = ctx.units.out;
  const bool saved = kind == FileKind::Saved;
  run::put(file, kUnits, {ctx.units.METOUT});
  run::put(file, kComment, {fortran::padded(comment, 60)});
  run::put(file, kStep, {h.DT * 60.0f});
  run::put(file, kArea, {h.DA / f.area});
  // A twelve-year hydrograph is over a hundred thousand lines: they are laid
  // out in one buffer and written in large pieces. A WRITE is given a batch
  // of values at a time: its format, used up by each, begins a new line for
  // the next, so the lines are those of one WRITE per value.
  const fortran::Format& flow = saved ? kSavedFlow : kAutomaticFlow;
  constexpr std::size_t kBatch = 64;
  std::vector<fortran::Value> batch(kBatch, fortran::Value(0.0f));
  std::size_t n = 0;
  std::string block;
  for (int i = 1; i <= h.NPTS; ++i) {
    batch[n++] = fortran::Value(saved ? (h.Q[i] + h.BASE) / f.flow : h.Q[i] / f.flow);
    if (n == kBatch || i == h.NPTS) {
      flow.append(std::span<const fortran::Value>(batch.data(), n), block);
      n = 0;
      run::handOn(file, block);
    }
  }
  file.block(block);
  run::put(file, saved ? kSavedEnd : kAutomaticEnd, {-1.0f});
}

namespace {

// One list-directed value, the first number of the next non-blank line. The
// end of the file ends the ordinates like the end mark (nullopt, no error).
std::optional<float> nextValue(fortran::LineReader& in, FileHydrograph& result) {
  const fortran::ListResult<double> v = fortran::readListNumber(in);
  if (v.status == fortran::ReadStatus::Ok) return static_cast<float>(v.value);
  if (v.status == fortran::ReadStatus::Error) result.error = v.error;
  return std::nullopt;
}

} // namespace

FileHydrograph readHydrographFile(fortran::LineReader& in) {
  FileHydrograph r;
  const std::optional<float> flag = nextValue(in, r);
  if (!flag) {
    if (r.error.empty()) r.error = "the file is empty";
    return r;
  }
  const bool metric = model::truncatedInt(*flag) != 1;
  const float flowFactor = metric ? model::kCfsPerCms : 1.0f;
  const float areaFactor = metric ? model::kAcresPerHectare : 1.0f;
  std::string line;
  if (in.next(line)) r.comment = fortran::fixedWidth(line, 60);

  const std::optional<float> dt = nextValue(in, r);
  const std::optional<float> area = dt ? nextValue(in, r) : std::nullopt;
  if (!dt || !area) {
    if (r.error.empty()) r.error = "the file ends before its time step and area";
    return r;
  }
  // The 1.0 rule: a step of 1 or more is in minutes, below 1 in hours.
  r.dt = *dt >= 1.0f ? *dt / 60.0f : *dt;
  r.area = *area * areaFactor;
  // A step below 0 runs the hydrograph backwards; a step or an area near the
  // top of single precision overflows in minutes or hectares and in every
  // time and volume computed from it.
  if (!(r.dt >= 0.0f) || !std::isfinite(r.dt * 60.0f) || !std::isfinite(r.area)) {
    r.error = "its time step is below 0, or its time step or area is beyond single precision";
    return r;
  }
  while (static_cast<int>(r.q.size()) - 1 < model::kMaxOrdinates) {
    const std::optional<float> v = nextValue(in, r);
    if (!v || *v < 0.0f) {
      r.endMark = v.has_value();
      return r;
    }
    r.q.push_back(*v * flowFactor);
  }
  // A full store of ordinates: the mark should follow at once.
  const std::optional<float> v = nextValue(in, r);
  r.endMark = v && *v < 0.0f;
  return r;
}

} // namespace hydrograph
