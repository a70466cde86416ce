// The heading lines the main loop writes before a command, and the routine of
// the commands this build cannot carry out yet.
#include "run/command.h"

#include "run/messages.h"
#include "run/output.h"

namespace run {

void writeHeading(model::RunContext& ctx, Heading kind) {
  static const fortran::Format kHydrograph(
      "(1X,I3.3,':',I4.4,15('-'),'ID:NHYD',11('-'),'AREA----QPEAK','-TpeakDate_hh:mm----R.V.-R.C.-')");
  static const fortran::Format kPlain("(1X,I3.3,':',I4.4,76('-'))");
  static const fortran::Format kErosion(
      "(1X,I3.3,':',I4.4,15('-'),'ID:NHYD',10('-'),'QPEAK------QAVG--DUR.HRS--ERO.HRS-----EXC.%-')");
  const fortran::Format* format = nullptr;
  switch (kind) {
  case Heading::H:
    format = &kHydrograph;
    break;
  case Heading::P:
    format = &kPlain;
    break;
  case Heading::E:
    format = &kErosion;
    break;
  case Heading::None:
    return;
  }
  put({&ctx.platform.summaryWindow, ctx.out.summary}, *format, {ctx.run.NRUN, ctx.run.commandCounter});
}

void notAvailable(model::RunContext& ctx) {
  // The command's name heads the message, so the reader sees which one it is.
  ctx.run.label = ctx.run.commandName;
  issue(ctx, msg::kCommandNotAvailable, Severity::Error);
}

} // namespace run
