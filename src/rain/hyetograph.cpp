// The hyetograph printers: the box or heading of the calling command with the
// four-column table of the storm, the storm file DERIVED.STM, and the table of
// the transformed working copy. Both tables share one layout routine.
#include "rain/hyetograph.h"

#include <algorithm>
#include <string>

#include "platform/platform.h"
#include "rain/read_storm.h"
#include "run/file_names.h"
#include "run/message_numbers.h"
#include "run/output.h"

namespace rain {

namespace {

// The unit word of the boxes: three characters after the value.
const char* unitWord(const model::RunContext& ctx) { return ctx.units.METOUT == 1 ? " in" : " mm"; }

// DERIVED.STM: the layout of a storm file in output units, readable by READ STORM.
void writeDerived(model::RunContext& ctx) {
  static const fortran::Format kUnits("(I2)");
  static const fortran::Format kTitle("(A60)");
  static const fortran::Format kStep("(F9.2)");
  static const fortran::Format kCount("(I4)");
  // A count that does not fit I4 would print as asterisks and make the file
  // unreadable; such long storms get a wider field instead.
  static const fortran::Format kWideCount("(I6)");
  static const fortran::Format kValue("(F12.5)");
  static const fortran::Format kEnd("(I3)");

  const std::string path = ctx.workPath("DERIVED.STM");
  if (!run::mayWrite(ctx, path)) return;
  platform::OutputFile file;
  if (file.open(path)) {
    fileWarning(ctx, msg::kStormSideFileNotWritten, path);
    return;
  }
  ctx.fileWritten(path);
  const model::Storm& s = ctx.storm;
  const float factor = ctx.units.out.depth;
  run::put(file, kUnits, {ctx.units.METOUT});
  run::put(file, kTitle, {s.title});
  run::put(file, kStep, {s.SDT * 60.0f});
  run::put(file, s.NSTEP > 9999 ? kWideCount : kCount, {s.NSTEP});
  for (int i = 1; i <= s.NSTEP; ++i) run::put(file, kValue, {s.RAIN[i] * factor});
  run::put(file, kEnd, {-1});
  if (file.close()) fileWarning(ctx, msg::kStormSideFileNotWritten, path);
}

// The layout of one hyetograph table: heading, unit lines and row format.
struct TableLayout {
  const fortran::Format& head;
  const fortran::Format& unitsIn;
  const fortran::Format& unitsMm;
  const fortran::Format& row;
};

// The one hyetograph table: heading, units and `rows` rows of four steps read
// down the columns (row r holds steps r, r+rows, r+2 rows, r+3 rows as far as
// they are <= n), step i ending at i * dt hours with intensity rain[i] in the
// output unit; then a blank line.
void writeTable(model::RunContext& ctx, const TableLayout& layout, const std::vector<float>& rain, int n, float dt,
                int rows) {
  static const fortran::Format kBlank("(' ')");
  platform::LineSink& out = *ctx.out.detailed;
  const float factor = ctx.units.out.depth;
  run::put(out, layout.head);
  run::put(out, ctx.units.METOUT == 1 ? layout.unitsIn : layout.unitsMm);
  auto t = [&](int i) { return static_cast<float>(i) * dt; };
  auto v = [&](int i) { return rain[static_cast<std::size_t>(i)] * factor; };
  for (int r = 1; r <= rows && r <= n; ++r) {
    const int b = r + rows, c = r + 2 * rows, d = r + 3 * rows;
    if (d <= n) {
      run::put(out, layout.row, {t(r), v(r), t(b), v(b), t(c), v(c), t(d), v(d)});
    } else if (c <= n) {
      run::put(out, layout.row, {t(r), v(r), t(b), v(b), t(c), v(c)});
    } else if (b <= n) {
      run::put(out, layout.row, {t(r), v(r), t(b), v(b)});
    } else {
      run::put(out, layout.row, {t(r), v(r)});
    }
  }
  run::put(out, kBlank);
}

// The storm as defined.
void writeStormTable(model::RunContext& ctx) {
  static const fortran::Format kHead("(T12,'   TIME    RAIN |   TIME    RAIN |','   TIME    RAIN |   TIME    RAIN')");
  static const fortran::Format kUnitsIn(
      "(T12,'    hrs   in/hr |    hrs   in/hr |','    hrs   in/hr |    hrs   in/hr')");
  static const fortran::Format kUnitsMm(
      "(T12,'    hrs   mm/hr |    hrs   mm/hr |','    hrs   mm/hr |    hrs   mm/hr')");
  static const fortran::Format kRow("(T12,3(F7.2,F8.3,' |'),F7.2,F8.3)");
  const model::Storm& s = ctx.storm;
  writeTable(ctx, {kHead, kUnitsIn, kUnitsMm, kRow}, s.RAIN, s.NSTEP, s.SDT, hyetographRows(s.NSTEP));
}

} // namespace

void printHyetograph(model::RunContext& ctx, int mode, std::string_view comment) {
  static const fortran::Format kRule("(20('-'))");
  static const fortran::Format kBoxName("('| READ STORM       |',4X,'Filename: ',A40)");
  static const fortran::Format kBoxTotal("('| Ptotal=',F7.2,A3,'|',4X,'Comments: ',A40)");
  static const fortran::Format kHeadComment("(T32,A60)");
  static const fortran::Format kHeadStep("(T32,'TIME STEP=',F5.2,' min',3X,'# of STEPS= ',I3)");
  static const fortran::Format kHeadTotal("(T32,'DURATION =',F5.2,' hrs',3X,'TOTAL RAIN= ',F6.2,A3,/)");

  platform::LineSink& out = *ctx.out.detailed;
  const model::Storm& s = ctx.storm;
  const float total = s.PTOT * ctx.units.out.depth;
  // Left-justified texts: A edit descriptors right-justify short values.
  std::string text(comment);
  text.resize(60, ' ');

  if (mode == 1) {
    std::string title = s.title;
    title.resize(40, ' ');
    run::put(out, kRule);
    run::put(out, kBoxName, {title});
    run::put(out, kBoxTotal, {total, unitWord(ctx), text.substr(0, 40)});
    run::put(out, kRule);
  } else if (mode == 2) {
    run::put(out, kHeadComment, {text});
    run::put(out, kHeadStep, {s.SDT * 60.0f, s.NSTEP});
    run::put(out, kHeadTotal, {static_cast<float>(s.NSTEP) * s.SDT, total, unitWord(ctx)});
  }
  writeStormTable(ctx);
  if (mode == -3) writeDerived(ctx);
}

void printTransformedHyetograph(model::RunContext& ctx) {
  static const fortran::Format kTitle("(T32,'---- TRANSFORMED HYETOGRAPH ----')");
  static const fortran::Format kHead("(T16,'  TIME    RAIN |  TIME    RAIN |','  TIME    RAIN |  TIME    RAIN')");
  static const fortran::Format kUnitsIn("(T16,'   hrs   in/hr |   hrs   in/hr |','   hrs   in/hr |   hrs   in/hr')");
  static const fortran::Format kUnitsMm("(T16,'   hrs   mm/hr |   hrs   mm/hr |','   hrs   mm/hr |   hrs   mm/hr')");
  static const fortran::Format kRow("(T16,3(F7.2,1X,F6.2,' |'),F7.2,1X,F6.2)");
  const model::Storm& s = ctx.storm;
  const int n = s.workSteps;
  // The rows follow the storm's own step count; a finer working step has more
  // steps than those rows hold, and they take the rows the working copy needs
  // so that no step drops out of the printout.
  int rows = hyetographRows(s.NSTEP);
  if (4 * rows < n) rows = hyetographRows(n);
  run::put(*ctx.out.detailed, kTitle);
  writeTable(ctx, {kHead, kUnitsIn, kUnitsMm, kRow}, s.work, n, s.workDT, rows);
}

} // namespace rain
