// RunContext gathers all the state of a program execution: the platform, the
// run's outputs and every record the commands share. It is passed by reference
// to every command routine; there is no other shared state.
#pragma once

#include <string>
#include <vector>

#include "model/command_values.h"
#include "model/defaults.h"
#include "model/ledger.h"
#include "model/recorder.h"
#include "model/routing_tables.h"
#include "model/run_state.h"
#include "model/store.h"
#include "model/storm.h"
#include "platform/platform.h"

namespace fortran {
class LineReader;
}

namespace model {

// A sink that drops everything, so an output that is not open is never a null pointer.
class NullSink : public platform::LineSink {
public:
  void line(std::string_view) override {}
};

// A sink that keeps its lines in memory (tests, the messages log copy).
class MemorySink : public platform::LineSink {
public:
  void line(std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

// The run's output units. The program points them at its open files; tests at memory.
struct Outputs {
  platform::LineSink* detailed;      // detailed output file
  platform::LineSink* summary;       // summary output file
  platform::LineSink* log;           // messages log "MESSAGES.LOG"
  std::vector<std::string> logLines; // the log lines of this run, for the end-of-run copy
  std::string workDir;               // where the pointer files, DERIVED.STM and other side files go ("" = current)
  // The folders a library run may write to (its work directory, its project
  // directory); empty on the command line, where typed paths stand as typed.
  std::vector<std::string> writeFolders;
};

struct RunContext {
  explicit RunContext(platform::Platform& p) : platform(p) {
    out.detailed = &nullSink;
    out.summary = &nullSink;
    out.log = &nullSink;
  }
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  platform::Platform& platform;
  NullSink nullSink;
  Outputs out;
  CommandValues cmd;
  RunState run;
  Units units;
  TimeOrigin time;
  Directories dirs;
  Defaults defaults;
  Storm storm;
  ApiSeries api;
  Store store;
  RoutingTables tables;
  fortran::LineReader* input = nullptr; // the command input file of the run
  RunRecorder* recorder = nullptr;      // set when the run's results are also wanted as data
  LedgerState ledger;                   // the water balance, gathered only with a recorder
  // Prepares the record files of a run (the summary record file); called when
  // a run set begins and again when START begins a later run of the file.
  void (*runStarted)(RunContext&) = nullptr;

  // Path of a side file written in the working directory.
  std::string workPath(const std::string& name) const { return out.workDir + name; }

  // Every file the run writes is named here once it is open, for the run's results.
  void fileWritten(const std::string& path) {
    if (recorder != nullptr) recorder->fileWritten(path);
  }
};

} // namespace model
