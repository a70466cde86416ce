// The default parameter list: built-in values, the default-values file in
// either unit system, and the printout in either output unit system.
#include "run/default_values.h"

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

using model::kFeetPerMetre;
using model::kMmPerInch;
constexpr int kFileLines = 16;

// One "(A60,F10.4)" value line.
bool readValue(const std::string& line, int number, float& value, std::string& error) {
  static const fortran::InputFormat kValue("(A60,F10.4)");
  const fortran::RecordResult r = kValue.read(line);
  if (!r.ok()) {
    error = "line " + std::to_string(number) + ": " + r.error;
    return false;
  }
  value = r.record.real(1);
  return true;
}

void printValues(model::RunContext& ctx, const model::Defaults& dv) {
  static const fortran::Format kTitle(
      "(6X,'FileTitle= ',A60,/,17X,A60,/,6X,'Horton',A1,'s infiltration equation parameters:')");
  static const fortran::Format kHortonIn(
      "(6X,'[Fo=',F6.2,' in/hr] [Fc=',F5.2,' in/hr]',' [DCAY=',F5.2,' /hr] [F=',F5.2,' in]')");
  static const fortran::Format kHortonMm(
      "(6X,'[Fo=',F6.2,' mm/hr] [Fc=',F5.2,' mm/hr]',' [DCAY=',F5.2,' /hr] [F=',F5.2,' mm]')");
  static const fortran::Format kPervious("(6X,'Parameters for PERVIOUS surfaces in STANDHYD:')");
  static const fortran::Format kPerviousIn("(6X,'[IAper=',F7.2,' in] [LGP=',F5.2,' ft] [MNP=',F5.3,']')");
  static const fortran::Format kPerviousMm("(6X,'[IAper=',F7.2,' mm] [LGP=',F5.2,' m] [MNP=',F5.3,']')");
  static const fortran::Format kImpervious("(6X,'Parameters for IMPERVIOUS surfaces in STANDHYD:')");
  static const fortran::Format kImperviousIn("(6X,'[IAimp=',F7.2,' in] [CLI=',F5.2,']    [MNI=',F5.3,']')");
  static const fortran::Format kImperviousMm("(6X,'[IAimp=',F7.2,' mm] [CLI=',F5.2,']   [MNI=',F5.3,']')");
  static const fortran::Format kNashyd("(6X,'Parameters used in NASHYD:')");
  static const fortran::Format kNashydIn("(6X,'[Ia=',F7.2,' in] [N=',F5.2,']')");
  static const fortran::Format kNashydMm("(6X,'[Ia=',F7.2,' mm] [N=',F5.2,']')");

  const auto& v = dv.values;
  const std::initializer_list<platform::LineSink*> sinks{&ctx.platform.summaryWindow, ctx.out.detailed,
                                                         ctx.out.summary};
  put(sinks, kTitle, {dv.title[0], dv.title[1], "'"});
  if (ctx.units.METOUT == 2) {
    put(sinks, kHortonMm, {v[1] * kMmPerInch, v[2] * kMmPerInch, v[3], v[4] * kMmPerInch});
    put(sinks, kPervious);
    put(sinks, kPerviousMm, {v[5] * kMmPerInch, v[6] / kFeetPerMetre, v[7]});
    put(sinks, kImpervious);
    put(sinks, kImperviousMm, {v[8] * kMmPerInch, v[9], v[10]});
    put(sinks, kNashyd);
    put(sinks, kNashydMm, {v[11] * kMmPerInch, v[12]});
  } else {
    put(sinks, kHortonIn, {v[1], v[2], v[3], v[4]});
    put(sinks, kPervious);
    put(sinks, kPerviousIn, {v[5], v[6], v[7]});
    put(sinks, kImpervious);
    put(sinks, kImperviousIn, {v[8], v[9], v[10]});
    put(sinks, kNashyd);
    put(sinks, kNashydIn, {v[11], v[12]});
  }
}

} // namespace

const std::array<std::string, 2> kBuiltInDefaultsTitle{
    padded("Internal values are based on various model calibration", 70),
    padded("exercises on urban and rural catchments of a humid temperate region.", 70)};

void setBuiltInDefaults(model::Defaults& defaults) {
  auto& v = defaults.values;
  v[1] = 50.0f / kMmPerInch;    // Fo, in/hr
  v[2] = 7.5f / kMmPerInch;     // Fc, in/hr
  v[3] = 2.0f;                  // DCAY, 1/hr
  v[4] = 0.0f;                  // F, in
  v[5] = 1.5f / kMmPerInch;     // IAper, in
  v[6] = 40.0f * kFeetPerMetre; // LGP, ft
  v[7] = 0.25f;                 // MNP
  v[8] = 0.8f / kMmPerInch;     // IAimp, in
  v[9] = 1.5f;                  // CLI, length-to-width ratio
  v[10] = 0.013f;               // MNI
  v[11] = 1.5f / kMmPerInch;    // Ia, in
  v[12] = 3.0f;                 // N
  defaults.title = kBuiltInDefaultsTitle;
  defaults.fileName = padded("", 60);
}

DefaultsFile parseDefaultsFile(const std::vector<std::string>& lines) {
  static const fortran::InputFormat kUnits("(I1)");
  static const fortran::InputFormat kText("(A70)");
  DefaultsFile f;
  if (lines.size() < static_cast<std::size_t>(kFileLines)) {
    f.tooShort = true;
    return f;
  }
  const fortran::RecordResult units = kUnits.read(lines[0]);
  if (!units.ok()) {
    f.error = "line 1: " + units.error;
    return f;
  }
  f.units = units.record.integer(0);
  for (int k = 0; k < 2; ++k)
    f.title[static_cast<std::size_t>(k)] = kText.read(lines[static_cast<std::size_t>(k + 1)]).record.text(0);
  // Lines 4..13 hold values 1..10; line 14 is a heading; lines 15 and 16 values 11 and 12.
  for (int k = 1; k <= 12; ++k) {
    const int line = k <= 10 ? k + 3 : k + 4;
    if (!readValue(lines[static_cast<std::size_t>(line - 1)], line, f.values[static_cast<std::size_t>(k)], f.error)) {
      return f;
    }
  }
  if (f.units == 2) {
    for (int k : {1, 2, 4, 5, 8, 11}) f.values[static_cast<std::size_t>(k)] /= kMmPerInch;
    f.values[6] *= kFeetPerMetre;
  }
  return f;
}

void defaultValues(model::RunContext& ctx) {
  static const fortran::Format kDetailed("(22('-'),/,'|',A20,'|  Filename: ',A60,/,22('-'),2X,'ICASEdv = ',I1,1X,A22)");
  static const fortran::Format kSummary("(5X,A18,/,6X,'Filename = ',A60,/,6X,'ICASEdv  = ',I1,1X,A22)");
  static const fortran::InputFormat kNameLine("(A20,A60)");

  ctx.run.label = "DEFAULT VALUES";
  model::Defaults& dv = ctx.defaults;
  dv.title = kBuiltInDefaultsTitle;
  dv.fileName = padded("", 60);
  const int icase = ctx.cmd.intParam(1);

  if (icase == 1 || icase == 2) {
    std::string name;
    if (!ctx.cmd.stringBlank(1)) {
      name = ctx.cmd.text(1, 60);
    } else if (ctx.input != nullptr) {
      // The name stands in columns 21-80 of the last line the reader consumed
      // (PARAM 2 = 0) or of the next line.
      if (ctx.cmd.PARAM[2] == 0.0f) ctx.input->back();
      const fortran::RecordResult r = fortran::readRecord(*ctx.input, kNameLine);
      if (r.ok()) name = r.record.text(1);
    }
    name = padded(name, 60);
    // Names without a ':' lie in the project directory.
    const std::string path = completeFileName(ctx.dirs.project, name, NameLength::First12, ctx.out.workDir);
    const platform::TextFile file = platform::readTextFile(path);
    if (!file.ok()) {
      issue(ctx, msg::kDefaultValuesUnreadable, Severity::Error, Destination::Both,
            file.error.empty() ? path : file.error);
      return;
    }
    const DefaultsFile f = parseDefaultsFile(file.lines);
    if (f.tooShort) {
      issue(ctx, msg::kDefaultValuesTooShort, Severity::Error, Destination::Both, path);
      return;
    }
    if (!f.ok()) {
      issue(ctx, msg::kDefaultValuesUnreadable, Severity::Error, Destination::Both, path + ": " + f.error);
      return;
    }
    dv.values = f.values;
    dv.title = f.title;
    dv.fileName = name;
  }
  if (trimRight(dv.fileName).empty()) dv.fileName = padded("*** internal values ***", 60);
  std::string text;
  if (icase == 1) text = "(read and print data)";
  if (icase == 2) text = "(read values only)";
  if (icase == 3) text = "(print current values)";
  text = padded(text, 22);

  put(*ctx.out.detailed, kDetailed, {padded("DEFAULT VALUES", 20), dv.fileName, icase, text});
  put({ctx.out.summary, &ctx.platform.summaryWindow}, kSummary,
      {padded("DEFAULT VALUES", 18), dv.fileName, icase, text});
  if (icase != 2) printValues(ctx, dv);
}

} // namespace run
