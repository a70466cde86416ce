// PRINT HYD and the printing routine it shares with SAVE HYD and READ HYD.
//
// The printing routine writes a boxed block, the notes on baseflow and a table
// of every PCYC-th ordinate; in the save mode it writes the hydrograph file as
// well: one value per line in the output units, baseflow included.
#include "hydrograph/print_hyd.h"

#include <algorithm>
#include <array>
#include <optional>

#include "fortran/format.h"
#include "fortran/line_reader.h"
#include "fortran/text.h"
#include "hydrograph/auto_save.h"
#include "hydrograph/files.h"
#include "hydrograph/producer.h"
#include "platform/platform.h"
#include "run/command.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"

namespace hydrograph {

namespace {

using fortran::padded;
using fortran::trimmed;

} // namespace

std::string completeFileName(const model::RunContext& ctx, const std::string& typed, bool cutTo12) {
  const std::string typedName = trimmed(typed);
  const run::NameLength length = cutTo12 ? run::NameLength::First12 : run::NameLength::Whole;
  std::string path = run::completeFileName(ctx.dirs.project, typedName, length, ctx.out.workDir);
  // Only the name itself is searched for a point: a point in a directory name
  // is no extension.
  const std::string name = run::countedName(typedName, length);
  const std::size_t slash = name.find_last_of("/\\:");
  const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.find('.') == std::string::npos) path += runExtension(ctx);
  return path;
}

std::vector<std::string> linesAfterCommand(model::RunContext& ctx, int count, bool readOn) {
  std::vector<std::string> texts(static_cast<std::size_t>(count), std::string(60, ' '));
  const std::vector<std::string>& kept = ctx.cmd.lines;
  std::string line;
  for (std::size_t k = 0; k < texts.size(); ++k) {
    // The continuation lines the reader took with the command come first;
    // lines it left for the next command are taken only when the caller
    // allows it: such a line may be the next command itself.
    if (k + 1 < kept.size()) {
      line = kept[k + 1];
    } else if (!readOn || ctx.input == nullptr || !ctx.input->next(line)) {
      break;
    }
    // "(A20,A60)": columns 1-20 are a label, columns 21-80 the text.
    texts[k] = fortran::fixedWidth(line, 80).substr(20, 60);
  }
  return texts;
}

namespace {

// The print cycle of this call: PRINT HYD and SAVE HYD take it from value 2
// and first cut the trailing ordinates at or below the tail flow from the slot
// itself; the print after READ HYD starts from 0, which means every ordinate.
struct Cycle {
  int printed = 1; // as shown in the box
  int used = 1;    // a negative cycle prints no table
  bool dry = false;
};

Cycle printCycle(const model::RunContext& ctx, PrintMode mode, model::Hydrograph& h) {
  Cycle c;
  int pcyc = 0;
  if (mode != PrintMode::AfterRead) {
    pcyc = ctx.cmd.intParam(2);
    if (h.NPTS == 0) {
      c.dry = true;
    } else {
      for (int i = h.NPTS; i >= 1; --i) {
        if (h.Q[i] > kTailFlow) {
          h.NPTS = i;
          break;
        }
      }
    }
  }
  if (pcyc == 0) pcyc = 1;
  c.printed = pcyc;
  c.used = pcyc < 0 ? h.NPTS : pcyc;
  return c;
}

void printBox(model::RunContext& ctx, PrintMode mode, int id, const model::Hydrograph& h, int printedCycle) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kArea("('| ',A17,'|',3X,'AREA    ',A7,'=',F9.3)");
  static const fortran::Format kPeakNumeric("('| ID=',I2.2,' (',I6.6,')   |',3X,'QPEAK   ',A7,'=',F9.3,A4)");
  static const fortran::Format kPeakNamed("('| ID=',I2.2,' (',A6,')   |',3X,'QPEAK   ',A7,'=',F9.3,A4)");
  static const fortran::Format kStep("('| DT=',F5.2,' PCYC=',I2,' |',3X,'TPEAK     (hrs)=',F9.3)");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Factors& f = ctx.units.out;
  const std::string mark = mode == PrintMode::AfterRead ? "    " : " (i)";
  run::put(out, kRule);
  run::put(out, kArea, {padded(ctx.run.label, 17), ctx.units.label(model::Quantity::Area), h.DA / f.area});
  if (h.NHYD != 0) {
    run::put(out, kPeakNumeric, {id, h.NHYD, ctx.units.label(model::Quantity::Flow), h.QPEAK / f.flow, mark});
  } else {
    run::put(out, kPeakNamed,
             {id, padded(h.HYDNAME, 6), ctx.units.label(model::Quantity::Flow), h.QPEAK / f.flow, mark});
  }
  run::put(out, kStep, {h.DT * 60.0f, printedCycle, h.TPEAK});
}

// The hydrograph file of SAVE HYD. False when it could not be opened (reported).
bool saveHydrographFile(model::RunContext& ctx, platform::OutputFile& file, const model::Hydrograph& h,
                        const std::string& fileName, const std::string& comment) {
  if (auto error = file.open(fileName)) {
    run::issue(ctx, msg::kHydrographFileNotWritten, run::Severity::Error, run::Destination::Both, *error);
    return false;
  }
  ctx.fileWritten(fileName);
  writeHydrographFile(ctx, file, h, comment, FileKind::Saved);
  return true;
}

void printNotes(model::RunContext& ctx, PrintMode mode, const model::Hydrograph& h, const std::string& fileName,
                const std::string& comment) {
  static const fortran::Format kVolume("('--------------------',3X,'VOLUME  ',A7,'=',F9.3)");
  static const fortran::Format kFileName("(2X,'Filename: ',A60)");
  static const fortran::Format kComments("(2X,'Comments: ',A60)");
  static const fortran::Format kBlank("(' ')");
  static const fortran::Format kPeakNote("(5X,'(i)  PEAK FLOW DOES NOT INCLUDE BASEFLOW IF ANY.')");
  static const fortran::Format kBaseNote("(10X,'HOWEVER THE TABLE BELOW AND HYDROGRAPH FILES DO.')");
  static const fortran::Format kActualPeak(
      "(10X,'ACTUAL PEAK FLOW: PEAK (',F9.3,') + BASE (',F9.3,') = ',F9.3,A7,'.')");
  platform::LineSink& out = *ctx.out.detailed;
  const model::Factors& f = ctx.units.out;
  run::put(out, kVolume, {ctx.units.label(model::Quantity::Depth), h.RV * f.depth});
  if (mode != PrintMode::Print) {
    run::put(out, kFileName, {padded(fileName, 60)});
    run::put(out, kComments, {padded(comment, 60)});
  }
  run::put(out, kBlank);
  if (mode == PrintMode::AfterRead) return;
  run::put(out, kPeakNote);
  if (h.BASE > 0.0f) {
    run::put(out, kBaseNote);
    run::put(out, kActualPeak,
             {h.QPEAK / f.flow, h.BASE / f.flow, (h.QPEAK + h.BASE) / f.flow, ctx.units.label(model::Quantity::Flow)});
  }
}

// Every pcyc-th ordinate with the baseflow added, in five columns that read
// down. The slot's own ordinates are never touched.
void printTable(model::RunContext& ctx, const model::Hydrograph& h, int pcyc) {
  static const fortran::Format kHeader(
      "('  TIME    FLOW |  TIME    FLOW |  TIME    FLOW |','  TIME    FLOW |  TIME    FLOW')");
  static const fortran::Format kUnitsCfs(
      "('   hrs     cfs |   hrs     cfs |   hrs     cfs |','   hrs     cfs |   hrs     cfs')");
  static const fortran::Format kUnitsCms(
      "('   hrs     cms |   hrs     cms |   hrs     cms |','   hrs     cms |   hrs     cms')");
  static const fortran::Format kRow("(4(F7.2,F8.3,'|'),F7.2,F8.3)");
  const int last = h.NPTS;
  if (!(pcyc < last)) return;
  platform::LineSink& out = *ctx.out.detailed;
  const model::Factors& f = ctx.units.out;
  run::put(out, kHeader);
  run::put(out, ctx.units.METOUT == 1 ? kUnitsCfs : kUnitsCms);
  const int rows = (5 * pcyc + last) / (5 * pcyc);
  const int stride = pcyc * rows;
  // The time of ordinate i is TZERO with DT added i - 1 times in single
  // precision, as the clock runs. Each of the five columns keeps its own
  // running clock, so no table of every time is needed.
  std::array<float, 5> clock{};
  std::array<int, 5> at{};
  float t = static_cast<float>(ctx.time.TZERO);
  for (int c = 0, i = 1; c < 5; ++c) {
    for (; i < 1 + c * stride && i <= last; ++i) t += h.DT;
    clock[c] = t;
    at[c] = i;
  }
  // One row's time and flow pairs, overwritten row after row.
  std::array<fortran::Value, 10> items{0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  const float dt = h.DT, base = h.BASE, flow = f.flow;
  const float* q = h.Q.data();
  std::string block;
  for (int r = 1; r <= rows; ++r) {
    std::size_t n = 0;
    int c = 0;
    for (int i = 1 + (r - 1) * pcyc; i <= last && c < 5; i += stride, ++c) {
      float time = clock[c];
      for (int a = at[c]; a < i; ++a) time += dt;
      clock[c] = time;
      at[c] = i;
      items[n++] = fortran::Value(time);
      items[n++] = fortran::Value((q[i] + base) / flow);
    }
    kRow.append(std::span<const fortran::Value>(items.data(), n), block);
    run::handOn(out, block);
  }
  out.block(block);
}

} // namespace

void printHydrograph(model::RunContext& ctx, PrintMode mode, int id, const std::string& fileName,
                     const std::string& comment) {
  static const fortran::Format kFname("(6X,'fname :',A60)");
  static const fortran::Format kRemark("(6X,'remark:',A60)");
  model::Hydrograph& h = ctx.store[id];
  if (mode == PrintMode::Print) ctx.run.label = "PRINT HYD";
  if (mode == PrintMode::Save) ctx.run.label = "SAVE HYD";
  const Cycle cycle = printCycle(ctx, mode, h);
  printBox(ctx, mode, id, h, cycle.printed);
  platform::OutputFile file;
  const bool writing = mode == PrintMode::Save && saveHydrographFile(ctx, file, h, fileName, comment);
  printNotes(ctx, mode, h, fileName, comment);
  if (cycle.dry) run::issue(ctx, msg::kPrintedHydrographDry, run::Severity::Warning);
  printTable(ctx, h, cycle.used);

  if (mode != PrintMode::AfterRead) run::outsum(ctx, id, h.NHYD != 0 ? 3 : 4);
  if (mode == PrintMode::Save) {
    run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kFname, {padded(fileName, 60)});
    run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kRemark, {padded(comment, 60)});
  }
  // A full disk shows at the latest when the file is closed: the file is then
  // incomplete, and the run must not read as a success.
  if (writing) {
    if (auto error = file.close()) {
      run::issue(ctx, msg::kHydrographFileNotWritten, run::Severity::Error, run::Destination::Both, *error);
    }
  }
}

void printHyd(model::RunContext& ctx) {
  ctx.run.label = "PRINT HYD";
  ctx.run.fileName = std::string(60, ' ');
  ctx.run.comment = std::string(60, ' ');
  const int id = ctx.cmd.intParam(1);
  if (!checkSlot(ctx, id)) return;
  printHydrograph(ctx, PrintMode::Print, id, ctx.run.fileName, ctx.run.comment);
}

} // namespace hydrograph
