// SAVE HYD: the file form (name, comment, the printing routine in its save
// mode) and the switch of the automatic saving.
#include "hydrograph/save_hyd.h"

#include <string>
#include <vector>

#include "fortran/format.h"
#include "fortran/text.h"
#include "hydrograph/auto_save.h"
#include "hydrograph/print_hyd.h"
#include "hydrograph/producer.h"
#include "run/command.h"
#include "run/file_names.h"
#include "run/messages.h"
#include "run/output.h"

namespace hydrograph {

namespace {

using fortran::padded;

// The automatic file name of SAVE HYD: "H-", NHYD as six digits or the first
// six characters of HYDNAME, and the run extension.
std::string automaticName(const model::RunContext& ctx, int id) {
  static const fortran::Format kNumeric("('H-',I6.6)");
  const model::Hydrograph& h = ctx.store[id];
  const std::string stem = h.NHYD != 0 ? kNumeric.format({h.NHYD})[0] : "H-" + padded(h.HYDNAME, 6);
  return stem + runExtension(ctx);
}

// The switch of the automatic saving of every simulated hydrograph.
void saveAllSwitch(model::RunContext& ctx) {
  run::writeHeading(ctx, run::Heading::P);
  ctx.run.label = " SAVE HYD";
  const float code = ctx.cmd.PARAM[1];
  if (code == 2.0f) ctx.store.SVHYD = 1;
  if (code == -2.0f) ctx.store.SVHYD = 0;
  ctx.run.comment =
      padded(ctx.store.SVHYD == 1 ? "SAVE ALL SIMULATED HYDROGRAPHS" : "STOP SAVING ALL SIMULATED HYDROGRAPHS", 60);
  run::setMarker(ctx);
  run::putFree({ctx.out.detailed, ctx.out.summary, &ctx.platform.summaryWindow},
               {padded(ctx.run.marker, 3), padded(ctx.run.label, 19), ctx.run.comment});
}

} // namespace

void saveHyd(model::RunContext& ctx) {
  if (ctx.cmd.intParam(2) == 0) {
    saveAllSwitch(ctx);
    return;
  }
  run::writeHeading(ctx, run::Heading::H);
  const int id = ctx.cmd.intParam(1);
  if (id <= 0) {
    // An ID of 0 or less stops the whole program, not just the run; the main loop does
    // that after closing every output, so nothing written so far is lost.
    ctx.run.label = "SAVE HYD ";
    run::issue(ctx, msg::kSaveHydIdZero, run::Severity::Error);
    ctx.run.stopProgram = true;
    return;
  }
  ctx.run.label = "SAVE HYD";
  if (!checkSlot(ctx, id)) return;

  std::string name;
  std::string comment;
  if (ctx.cmd.PARAM[3] >= 0.0f) {
    name = automaticName(ctx, id);
    comment = ctx.cmd.stringBlank(1) ? linesAfterCommand(ctx, 1, false)[0] : ctx.cmd.text(1, 60);
  } else if (ctx.cmd.stringBlank(1)) {
    const std::vector<std::string> lines = linesAfterCommand(ctx, 2, false);
    name = lines[0];
    comment = lines[1];
  } else {
    name = ctx.cmd.text(1, 60);
    comment = ctx.cmd.text(2, 60);
  }
  ctx.run.fileName = completeFileName(ctx, name, true);
  ctx.run.comment = padded(comment, 60);
  // A name that leads out of the run's folders is refused before anything is
  // printed or written.
  if (!run::mayWrite(ctx, ctx.run.fileName)) return;
  printHydrograph(ctx, PrintMode::Save, id, ctx.run.fileName, ctx.run.comment);
}

} // namespace hydrograph
