// The command loop of a run and the end-of-run block.
#include "run/main_loop.h"

#include <exception>
#include <string>

#include "run/messages.h"
#include "run/output.h"
#include "run/reader.h"
#include "run/water_balance.h"

namespace run {

namespace {

const Command* rowOf(CommandTable table, CommandId id) {
  for (const Command& row : table) {
    if (row.id == id) return &row;
  }
  return nullptr;
}

void dispatch(model::RunContext& ctx, const Command& row) {
  writeHeading(ctx, row.heading);
  if (!row.label.empty()) ctx.run.label = row.label;
  if (row.run == nullptr) return;
  beginLedger(ctx);
  try {
    row.run(ctx);
  } catch (const std::exception& e) {
    // A failure inside the program (a FORMAT it cannot use, memory) must not
    // end the program without its end-of-run block: it becomes an error that
    // ends the run, naming what failed.
    issue(ctx, msg::kInternalFailure, Severity::Error, Destination::Both, e.what());
  }
  endLedger(ctx, row.name);
  for (platform::TextWindow* w :
       {&ctx.platform.mainWindow, &ctx.platform.warningsWindow, &ctx.platform.summaryWindow}) {
    w->show();
  }
}

// Before each attempt to read a command: blank marker and front-end fields.
void prepareCommand(model::RunContext& ctx) {
  ctx.run.marker = "   ";
  ctx.run.fileName.assign(60, ' ');
  ctx.run.comment.assign(60, ' ');
}

} // namespace

RunEnd runCommands(model::RunContext& ctx, CommandTable table) {
  static const fortran::Format kDashes("(85('-'))");
  static const fortran::Format kNumber("(I3.3,':',I4.4,77('-'))");
  model::RunState& run = ctx.run;
  while (true) {
    put(*ctx.out.detailed, kDashes);
    ++run.commandCounter;
    put(*ctx.out.detailed, kNumber, {run.NRUN, run.commandCounter});

    // Blank and comment lines are read without a new command number.
    ReaderStatus status;
    do {
      prepareCommand(ctx);
      // A write refused out of the run's folders ends the run, even when a
      // warning later in the command took the place of its error.
      if (run.writeRefused) run.severity = Severity::Error;
      if (run.severity == Severity::Error) return RunEnd::Ended;
      run.severity = Severity::Note;
      // The runoff coefficient divides by the storm depth: never by zero.
      if (ctx.storm.PTOT == 0.0f) ctx.storm.PTOT = 1.0e-6f;
      status = readCommand(ctx, table);
    } while (status == ReaderStatus::Skip);

    if (status == ReaderStatus::Stop) return RunEnd::Ended;
    if (status == ReaderStatus::EndOfInput) {
      issue(ctx, msg::kInputEndedBeforeFinish, Severity::Error);
      return RunEnd::Ended;
    }
    if (ctx.cmd.id == CommandId::Finish) return RunEnd::Finished;
    if (const Command* row = rowOf(table, ctx.cmd.id)) dispatch(ctx, *row);
    if (run.stopProgram) return RunEnd::ProgramStopped;
  }
}

void endOfRun(model::RunContext& ctx) {
  static const fortran::Format kNumber("(1X,I3.3,':',I4.4,76('-'))");
  static const fortran::Format kDashes("(85('-'))");
  static const fortran::Format kStars("(85('*'))");
  static const fortran::Format kFree("*");
  static const fortran::Format kCopy("(A70)");
  static const fortran::Format kEnded("(3X,'Simulation ended on ',I4,'-',I2.2,'-',I2.2,5X,'at ',2(I2.2,':'),I2.2)");
  static const fortran::Format kClosing("(85('='),/)");
  const model::RunState& run = ctx.run;
  const platform::DateTime t = ctx.platform.clock.now();

  platform::LineSink* const outputs[] = {&ctx.platform.summaryWindow, ctx.out.detailed, ctx.out.summary};
  for (platform::LineSink* sink : outputs) {
    if (sink != ctx.out.detailed) put(*sink, kNumber, {run.NRUN, run.commandCounter});
    putFree(*sink, {"     FINISH"});
    if (run.severity == Severity::Error)
      putFree(*sink, {"**** ERROR: RUN TERMINATED PREMATURELY, CHECK ERROR MESSAGES."});
    put(*sink, kDashes);
  }
  putLog(ctx, kFree, {"END"});

  put({ctx.out.summary, ctx.out.detailed}, kStars);
  putFree({ctx.out.summary, ctx.out.detailed}, {"    WARNINGS / ERRORS / NOTES"});
  putFree({ctx.out.summary, ctx.out.detailed}, {"    -------------------------"});
  // The log is read back as 70-column records up to its " END" line.
  for (const std::string& record : ctx.out.logLines) {
    std::string line = record.substr(0, 70);
    line.resize(70, ' ');
    if (line.find_last_not_of(' ') == 3 && line.compare(0, 4, " END") == 0) break;
    put({ctx.out.summary, ctx.out.detailed}, kCopy, {line});
  }
  for (platform::LineSink* sink : {ctx.out.summary, ctx.out.detailed}) {
    put(*sink, kEnded, {t.year, t.month, t.day, t.hour, t.minute, t.second});
    put(*sink, kClosing);
  }
}

void recallHyd(model::RunContext& ctx) {
  putFree({&ctx.platform.summaryWindow, ctx.out.detailed, ctx.out.summary}, {" **  RECALL HYD"});
  ctx.run.label = "RECALL HYD";
  issue(ctx, msg::kRecallHydNotSupported, Severity::Warning);
}

void plotHyd(model::RunContext& ctx) {
  ctx.run.label = " *  PLOT HYD";
  putFree({&ctx.platform.summaryWindow, ctx.out.detailed, ctx.out.summary}, {ctx.run.label});
  issue(ctx, msg::kPlotHydNotSupported, Severity::Warning);
}

void pauseCommand(model::RunContext& ctx) {
  // The run does not wait: the mark in the summary window is all PAUSE does.
  ctx.run.label = " *  PAUSE";
  putFree(ctx.platform.summaryWindow, {ctx.run.label});
}

} // namespace run
