// Hydrograph files: the one place that writes them (SAVE HYD and the automatic
// saving of every produced hydrograph) and reads them back (READ HYD).
//
// A file holds one value per line: the unit flag (1 imperial, 2 metric), a
// 60-character comment, the time step in minutes, the area, the ordinates in
// the output units and an end mark of -1.
#pragma once

#include <string>
#include <vector>

#include "fortran/line_reader.h"
#include "model/context.h"
#include "platform/platform.h"

namespace hydrograph {

// The two kinds of file. SAVE HYD writes the flows with the baseflow added,
// "(F13.6)", and ends with "(F9.3)"; the automatic file writes them without
// the baseflow, "(E10.5)", and ends with "(F5.1)". Both begin with "(I2)",
// "(A60)", "(F9.2)" and "(F12.4)".
enum class FileKind { Saved, Automatic };

// Writes slot `h` to `file` (already open; a closed file takes nothing), in
// the output units of the run, under `comment`.
void writeHydrographFile(const model::RunContext& ctx, platform::OutputFile& file, const model::Hydrograph& h,
                         const std::string& comment, FileKind kind);

// What was read from a hydrograph file, in internal units (hours, acres, cfs).
struct FileHydrograph {
  std::string comment = std::string(60, ' ');
  float dt = 0.0f;                                    // hours
  float area = 0.0f;                                  // acres
  std::vector<float> q = std::vector<float>(1, 0.0f); // cfs, 1-based
  std::string error;                                  // empty when the file was read
  bool endMark = false;                               // false when the file ends before its negative end mark
};

// Reads a hydrograph file. Values are read list-directed (the first number of
// a line); a unit flag other than 1 is metric, turned into cfs and acres. A
// step of 1 or more is in minutes, below 1 in hours. The ordinates end at the
// first negative value, at the end of the file or at the ordinate limit.
FileHydrograph readHydrographFile(fortran::LineReader& in);

} // namespace hydrograph
