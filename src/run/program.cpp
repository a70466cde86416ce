// The program: start-up, the run list (or a single input file named on the
// command line), one run per run set, and the exit status.
#include "run/program.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fortran/line_reader.h"
#include "run/default_values.h"
#include "run/file_names.h"
#include "run/headers.h"
#include "run/main_loop.h"
#include "run/messages.h"
#include "run/output.h"
#include "run/run_list.h"
#include "run/start.h"

namespace run {

namespace {

constexpr const char* kLogName = "MESSAGES.LOG";

const char* const kHelp = "KESTRAN Ver 4.05 (Sept 2011) - single event and continuous hydrologic simulation\n"
                          "\n"
                          "Usage:\n"
                          "  kestran            run the run list of the working directory\n"
                          "  kestran INPUT      run the command input file INPUT alone\n"
                          "  kestran --csv DIR [INPUT]\n"
                          "                     also write into DIR one CSV file per hydrograph a command\n"
                          "                     produced, summary.csv, ledger.csv and balance.csv\n"
                          "  kestran --balance [INPUT]\n"
                          "                     also print the water balance of every command and of the\n"
                          "                     run to standard output (both options may be given)\n"
                          "  kestran --help     show this text\n"
                          "  kestran --version  show the version\n"
                          "\n"
                          "Without arguments the working directory must hold two side files:\n"
                          "  kestran.DIR  line 1: the project directory, line 2: the rainfall directory\n"
                          "               (each ending with a path separator, at most 90 characters);\n"
                          "  kestran.RUN  run sets of lines: a heading, the input file, the detailed\n"
                          "               output file, the summary output file and three user comments.\n"
                          "               A first line \"$BATCH RUN\" runs every set up to an input name\n"
                          "               FINISH; otherwise only the first set is run. File names without\n"
                          "               ':' are taken from the project directory (first 12 characters).\n"
                          "\n"
                          "With INPUT, no side files are read: the project and rainfall directories are\n"
                          "the input's own directory, and the detailed and summary outputs are written\n"
                          "beside it as the input's name with \".out\" and \".sum\".\n"
                          "\n"
                          "Both ways write MESSAGES.LOG, the run counter kestran.CNT and the storm\n"
                          "pointer files STORM.001... in the working directory. Runs started side by\n"
                          "side in one folder each advance the counter (it is locked), but they share\n"
                          "the messages log and the storm pointer files: give each study its own folder.\n"
                          "\n"
                          "The exit status is 0 when every run ended normally, 1 when a run ended on\n"
                          "an error (or a side file or input file could not be used) and 2 when the\n"
                          "command line itself is wrong.\n"
                          "\n"
                          "Testing aid: KESTRAN_FIXED_CLOCK=\"YYYY-MM-DD hh:mm:ss\" makes every date and\n"
                          "time the program prints that one.\n";

// An error outside any run (a side file): its lines go to the warnings window
// and the messages log, with no command heading.
void reportOutsideRun(model::RunContext& ctx, int number, const std::string& detail) {
  static const fortran::Format kLine("(6X,A70)");
  std::vector<std::string> lines;
  if (const MessageText* m = findMessage(number)) lines.assign(m->lines.begin(), m->lines.end());
  for (std::size_t at = 0; at < detail.size(); at += 58) lines.push_back("      " + detail.substr(at, 58));
  for (std::string& line : lines) {
    line.resize(70, ' ');
    put(ctx.platform.warningsWindow, kLine, {line});
    putLog(ctx, kLine, {line});
  }
}

struct Program {
  model::RunContext& ctx;
  const ProgramSetup& setup;
  platform::OutputFile log;
  platform::OutputFile detailed;
  platform::OutputFile summary;

  // Each run starts with an empty messages log, so that the copy at its end
  // holds that run's messages only. When the log leads out of the run's
  // folders (a link in the work directory) it is not written, and the
  // reason is returned for the run to report.
  std::optional<std::string> openLog() {
    ctx.out.logLines.clear();
    const std::string path = ctx.workPath(kLogName);
    if (log.isOpen() && log.path() == path) {
      log.rewind();
      return std::nullopt;
    }
    if (auto why = outsideFolders(ctx, path)) {
      ctx.out.log = &ctx.nullSink;
      return why;
    }
    if (auto error = log.open(path)) {
      ctx.out.log = &ctx.nullSink;
      static const fortran::Format kLine("(6X,A)");
      put(ctx.platform.warningsWindow, kLine, {"*** WARNING: " + *error});
      return std::nullopt;
    }
    ctx.fileWritten(path);
    ctx.out.log = &log;
    return std::nullopt;
  }

  void closeOutputs() {
    ctx.out.detailed = &ctx.nullSink;
    ctx.out.summary = &ctx.nullSink;
    ctx.input = nullptr;
    detailedError = detailed.close();
    summaryError = summary.close();
  }

  // Before the end-of-run block: an output that could not be written so far
  // (a full disk) is reported as an error, in the outputs that still take
  // lines, so that a cut file never reads as a finished run.
  bool reportWriteFailures() {
    bool ok = true;
    for (platform::OutputFile* file : {&detailed, &summary, &log}) {
      if (auto error = file->flush()) {
        issue(ctx, msg::kOutputNotWritten, Severity::Error, Destination::Both, *error);
        ok = false;
      }
    }
    return ok;
  }

  // After the outputs are closed only the warnings window is left to say that
  // their last lines were lost.
  bool reportCloseFailures() {
    const auto logError = log.close();
    bool ok = true;
    for (const std::optional<std::string>& error : {detailedError, summaryError, logError}) {
      if (!error) continue;
      ctx.out.log = &ctx.nullSink;
      reportOutsideRun(ctx, msg::kOutputNotWritten, *error);
      ok = false;
    }
    return ok;
  }

  std::optional<std::string> detailedError = std::nullopt;
  std::optional<std::string> summaryError = std::nullopt;

  enum class Outcome { Normal, Failed, Stopped };

  Outcome runSet(const RunSet& set) {
    model::RunState& run = ctx.run;
    run.commandCounter = 0;
    run.NRUN = 1;
    run.severity = Severity::Note;
    run.lastHeadingCommand = 0; // messages before the first command (340) carry no heading
    run.label.clear();
    run.stopProgram = false;
    run.writeRefused = false;
    const std::optional<std::string> logRefused = openLog();

    for (platform::OutputFile* file : {&detailed, &summary}) {
      const std::string& path = file == &detailed ? set.paths[1] : set.paths[2];
      if (auto why = outsideFolders(ctx, path)) {
        reportOutsideRun(ctx, msg::kWriteOutsideFolders, *why);
        closeOutputs();
        return Outcome::Failed;
      }
      if (auto error = file->open(path)) {
        reportOutsideRun(ctx, msg::kOutputFileNotCreated, *error);
        closeOutputs();
        return Outcome::Failed;
      }
      ctx.fileWritten(path);
    }
    ctx.out.detailed = &detailed;
    ctx.out.summary = &summary;

    fortran::LineReader::Opened input = fortran::LineReader::open(set.paths[0]);
    ctx.units.METIN = 0;
    std::string first;
    if (input && input.reader->next(first)) ctx.units.METIN = readUnitsLine(first);
    // Until START chooses the output units, the run works in the units of its
    // input: a command placed before START (or a file whose START is
    // misspelt) then computes with real factors instead of zeros.
    ctx.units.METOUT = ctx.units.METIN;
    setUnitSystem(ctx);

    HeaderInfo info{set.shown, set.comments, static_cast<bool>(input)};
    writeHeaders(ctx, info);
    // A log refused out of the run's folders ends the run before its first command.
    if (logRefused) {
      issue(ctx, msg::kWriteOutsideFolders, Severity::Error, Destination::Both, *logRefused);
      run.writeRefused = true;
    }
    RunEnd end = RunEnd::Ended;
    if (!input) {
      issue(ctx, msg::kInputFileUnreadable, Severity::Error, Destination::Both, input.error);
    } else {
      ctx.input = &*input.reader;
      if (ctx.runStarted != nullptr) ctx.runStarted(ctx);
      end = runCommands(ctx, setup.table);
    }
    if (end == RunEnd::ProgramStopped) {
      // Nothing written so far is lost: every output is flushed and closed.
      ctx.platform.mainWindow.line("Stop - Program terminated.");
      closeOutputs();
      reportCloseFailures();
      return Outcome::Stopped;
    }
    const bool flushed = reportWriteFailures();
    endOfRun(ctx);
    closeOutputs();
    const bool closed = reportCloseFailures();
    return end == RunEnd::Finished && flushed && closed ? Outcome::Normal : Outcome::Failed;
  }
};

} // namespace

int programMain(int argc, char** argv, const ProgramSetup& setup, platform::Platform& platform,
                model::RunRecorder* recorder) {
  ProgramOptions options;
  options.recorder = recorder;
  if (argc > 2) {
    std::fputs("kestran: too many arguments (see kestran --help)\n", stderr);
    return 2;
  }
  if (argc == 2) {
    const std::string_view arg(argv[1]);
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::fputs("KESTRAN Ver 4.05 (Sept 2011)\n", stdout);
      return 0;
    }
    if (arg.size() > 1 && arg.front() == '-') {
      std::fprintf(stderr, "kestran: unknown option %s (see kestran --help)\n", argv[1]);
      return 2;
    }
    options.input = argv[1];
  }
  return runProgram(options, setup, platform);
}

namespace {

// A directory as the side files and the run list join it: "" stays the
// working directory, anything else ends with a separator.
std::string asDirectory(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

// The run list of a single input, with its outputs moved to `outputDir`.
RunList singleInputIn(const ProgramOptions& o) {
  RunList list = singleInput(o.input);
  if (!o.outputDir.empty()) {
    for (RunSet& set : list.sets) {
      for (int k = 1; k <= 2; ++k) {
        const std::string name = std::filesystem::path(set.paths[k]).filename().string();
        set.paths[k] = asDirectory(o.outputDir) + name;
        set.shown[k] = set.paths[k].substr(0, 60);
      }
    }
  }
  if (o.projectDir) list.projectDir = asDirectory(*o.projectDir);
  if (o.rainfallDir) list.rainfallDir = asDirectory(*o.rainfallDir);
  return list;
}

} // namespace

int runProgram(const ProgramOptions& options, const ProgramSetup& setup, platform::Platform& platform) {
  auto context = std::make_unique<model::RunContext>(platform);
  model::RunContext& ctx = *context;
  ctx.runStarted = setup.runStarted;
  ctx.recorder = options.recorder;
  ctx.out.workDir = asDirectory(options.workDir);
  // Each folder once: the message that refuses a write names them.
  const auto mayWriteIn = [&ctx](const std::string& folder) {
    std::vector<std::string>& folders = ctx.out.writeFolders;
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  };
  if (options.confineWrites) {
    mayWriteIn(ctx.out.workDir.empty() ? "./" : ctx.out.workDir);
    for (const std::string& folder : {options.outputDir, options.recordsDir})
      if (!folder.empty()) mayWriteIn(asDirectory(folder));
  }
  Program program{ctx, setup, {}, {}, {}, std::nullopt, std::nullopt};
  program.openLog(); // a log refused out of the run's folders is reported by each run
  // The default parameter list lasts for the whole execution; START does not reset it.
  setBuiltInDefaults(ctx.defaults);

  const RunList list = options.input.empty() ? readRunList(ctx.out.workDir) : singleInputIn(options);
  ctx.dirs.project = list.projectDir;
  // The files a study names itself (SAVE HYD) lie in its project directory.
  if (options.confineWrites) mayWriteIn(list.projectDir.empty() ? "./" : list.projectDir);
  ctx.dirs.rainfall = list.rainfallDir;
  ctx.dirs.records = options.recordsDir.empty() ? std::string() : asDirectory(options.recordsDir);

  bool failed = false;
  for (const RunSet& set : list.sets) {
    const auto outcome = program.runSet(set);
    if (outcome == Program::Outcome::Stopped) return 1;
    if (outcome == Program::Outcome::Failed) failed = true;
  }
  if (list.errorNumber != 0) {
    // After runs the log holds the last run's messages and stays as it is;
    // the problem with the run list is shown in the warnings window.
    if (!list.sets.empty()) ctx.out.log = &ctx.nullSink;
    reportOutsideRun(ctx, list.errorNumber, list.errorDetail);
    failed = true;
  }
  program.log.close();
  return failed ? 1 : 0;
}

} // namespace run
