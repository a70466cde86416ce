// READ HYD: reads a hydrograph file into a slot.
//
// The file holds one value per line: the unit flag (1 imperial, anything else
// metric), a 60-character comment, the time step (minutes when 1 or more, else
// hours), the area, then the ordinates up to the first negative value. Values
// are read list-directed (the first number of a line); metric files are turned
// into cfs and acres with the file factors 35.31338 and 2.471.
#include "hydrograph/read_hyd.h"

#include <string>
#include <vector>

#include "fortran/format.h"
#include "fortran/line_reader.h"
#include "fortran/record.h"
#include "fortran/text.h"
#include "hydrograph/files.h"
#include "hydrograph/print_hyd.h"
#include "hydrograph/producer.h"
#include "model/limits.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/summary_line.h"
#include "run/water_balance.h"

namespace hydrograph {

using fortran::isBlank;
using fortran::padded;

void readHyd(model::RunContext& ctx) {
  static const fortran::Format kFileName("(6X,'Filename = ',A60)");
  static const fortran::Format kComment("(6X,'Comment  = ',A60)");

  ctx.run.label = "READ HYD";
  const int id = ctx.cmd.intParam(1);
  if (!checkSlot(ctx, id)) return;
  model::Hydrograph& h = ctx.store[id];
  h.NHYD = ctx.cmd.intParam(2);

  // The file name: the next quoted string, or columns 21-80 of the input line
  // that follows the command line.
  const int nameString = h.NHYD == 0 ? 2 : 1;
  if (h.NHYD == 0) h.HYDNAME = ctx.cmd.text(1, 10);
  const std::string typed =
      ctx.cmd.stringBlank(nameString) ? linesAfterCommand(ctx, 1, true)[0] : ctx.cmd.text(nameString, 60);
  std::string fileName;
  std::string comment(60, ' ');
  if (isBlank(typed)) {
    run::issue(ctx, msg::kHydrographFileNotFound, run::Severity::Error);
    fileName = std::string(60, ' ');
  } else {
    fileName = completeFileName(ctx, typed, false);
  }

  h.QPEAK = 0.0f;
  h.DA = 0.0f;
  h.TPEAK = 0.0f;
  h.RV = 0.0f;
  h.BASE = 0.0f;

  if (ctx.run.severity == run::Severity::Note) {
    fortran::LineReader::Opened opened = fortran::LineReader::open(fileName);
    if (!opened) {
      // A missing or unreadable file ends the run like a missing name, and
      // says which file it was.
      run::issue(ctx, msg::kHydrographFileNotFound, run::Severity::Error, run::Destination::Both, fileName);
    } else {
      FileHydrograph r = readHydrographFile(*opened.reader);
      if (!r.error.empty()) {
        run::issue(ctx, msg::kHydrographFileUnreadable, run::Severity::Error, run::Destination::Both,
                   fileName + ": " + r.error);
      } else {
        // A file cut by a full disk or a killed run lacks its end mark: the
        // ordinates it holds are kept, but the run says the file is incomplete.
        if (!r.endMark) run::warn(ctx, msg::kHydrographFileWithoutEndMark, run::Destination::Both, fileName);
        comment = r.comment;
        Produced p;
        p.nhyd = h.NHYD;
        p.q = std::move(r.q);
        p.dt = r.dt;
        p.da = r.area;
        // A file with an area of 0 holds no depth of runoff: RV stays 0.
        const Totals t = storeProduced(ctx, id, std::move(p));
        // Flows read from a file come from outside the store.
        run::ledgerInflow(ctx, run::slotVolume(h));
        const float flowHours = h.DT * t.sum;
        if (flowHours <= 0.0f) {
          // A dry file keeps its (zero) flow-hours as the volume.
          h.RV = flowHours;
          run::issue(ctx, msg::kReadHydrographDry, run::Severity::Warning);
        }
      }
    }
  }

  reportProduced(ctx, id, Source::Other, AutoFile::Skip);
  printHydrograph(ctx, PrintMode::AfterRead, id, fileName, comment);
  // A file name that is the word BLANK is not repeated on the summary output.
  const std::size_t first = typed.find_first_not_of(' ');
  const std::size_t end = typed.find_last_not_of(' ');
  const bool wordBlank = first != std::string::npos && typed.substr(first, end - first + 1) == "BLANK";
  if (!wordBlank) {
    run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kFileName, {padded(fileName, 60)});
  }
  run::put({ctx.out.summary, &ctx.platform.summaryWindow}, kComment, {padded(comment, 60)});
}

} // namespace hydrograph
