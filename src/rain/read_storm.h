// The storm record's loader: the READ STORM command, storm files (with their
// units flag and one level of pointer file) and the helper every storm command
// uses to install a new hyetograph as the current storm.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fortran/line_reader.h"
#include "model/context.h"

namespace rain {

// The READ STORM command routine.
void readStorm(model::RunContext& ctx);

// Loads the storm file at `path` into ctx.storm and prints it (mode 1). On a
// missing, unreadable or short file it issues an error naming the
// file, leaves the storm unchanged and returns false.
bool loadStormFile(model::RunContext& ctx, const std::string& path);

// READ STORM's name resolution: names holding a ':' and names whose first six
// characters are drawn from the letters of "STORM." (or "storm.") stand as
// they are; any other name becomes the rainfall directory (trailing blanks
// removed) followed by the first 12 characters of the name.
// A name holding ':' that is no absolute path lies in the work directory
// `workDir` (see run::completeFileName).
std::string resolveStormName(std::string_view name, std::string_view rainfallDir, std::string_view workDir = {});
// The rule for MASS STORM and READ AES DATA: every name without a ':' gets the
// rainfall directory in front of its first 12 characters.
std::string resolveRainfallName(std::string_view name, std::string_view rainfallDir, std::string_view workDir = {});

// A storm file as read, before it becomes the current storm.
struct StormFile {
  int unitsFlag = 1;       // of the file the data came from
  std::string comment;     // line 2, 60 characters
  float sdt = 0.0f;        // hours
  int steps = 0;           // values stored
  std::vector<float> rain; // in/hr, 1-based, entries 1..steps
  float ptot = 0.0f;       // inches
  std::string pointedTo;   // the real file when the first one was a pointer
  std::string error;       // empty on success; says what went wrong
  bool endedEarly = false; // the error is an early end of file
  bool ok() const { return error.empty(); }
};

// Reads a storm file, following one level of pointer file.
StormFile parseStormFile(const std::string& path);

// Makes rain[1..steps] (in/hr, step sdt hours) the current storm: RAIN, the
// working copy, NSTEP, SDT, the working step and PTOT. Storage beyond the
// steps is left as it is.
void installStorm(model::Storm& storm, float sdt, const std::vector<float>& rain, int steps, float ptot);

// Makes room in the storm's RAIN and working copy for steps 1..steps (at most
// the step limit). They only grow: storage is sized to the longest storm of
// the run rather than to the limit, which a single event never comes near.
// Readers stop at NSTEP and the working step count, which never exceed it.
void reserveStorm(model::Storm& storm, int steps);

// The summary line shared by the storm commands:
// "(6X,'[SDT=',F5.2,':SDUR=',F7.2,':PTOT=',F7.2,']')" to the summary output
// file and the summary window.
void writeStormLine(model::RunContext& ctx);

// "(1X,A4,A18)" with the message marker and the command name, to the summary
// output file and the summary window (in the order given by `windowFirst`).
void writeCommandLine(model::RunContext& ctx, std::string_view name, bool windowFirst = false);

// Issues one of the rain file errors (an error that ends the run) and names
// the file on a second line in the message's destinations.
void fileError(model::RunContext& ctx, int number, const std::string& path);
// The same as a warning that keeps an error already raised in the command.
void fileWarning(model::RunContext& ctx, int number, const std::string& path);

} // namespace rain
