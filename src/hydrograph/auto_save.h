// Automatic hydrograph files and the summary record file SUMMARY.sbo. While
// saving of all simulated hydrographs is on, every producer hands its slot here:
// a fixed-length binary record is appended to SUMMARY.sbo and the whole
// hydrograph is written to a text file named after the slot's HYDNAME.
#pragma once

#include <string>

#include "model/context.h"

namespace hydrograph {

// Length of the header and of one record of SUMMARY.sbo, in bytes.
inline constexpr std::size_t kSummaryHeaderBytes = 90;
inline constexpr std::size_t kSummaryRecordBytes = 162;

// The project directory with its trailing blanks removed.
std::string projectDirectory(const model::RunContext& ctx);

// The run extension: NRUN / 1000 written "(F4.3)", so run 1 gives ".001".
std::string runExtension(const model::RunContext& ctx);

// Path of the run's summary record file: the project directory and "SUMMARY.sbo".
std::string summaryRecordPath(const model::RunContext& ctx);

// Creates (replaces) the summary record file and writes its 90-byte header, the
// project directory. Called once per run, after the output headers.
void createSummaryRecordFile(model::RunContext& ctx);

// The 162-byte record of slot `id`, exactly as it is appended to SUMMARY.sbo.
std::string summaryRecord(const model::RunContext& ctx, int id);

// Path of the automatic hydrograph file of slot `id`: the project directory,
// then "H-" and NHYD in six digits for a numeric reference, or the first
// eight characters of HYDNAME for a named one, then the run extension after
// the last non-blank character.
std::string automaticFilePath(const model::RunContext& ctx, int id);

// Appends the record of slot `id` to SUMMARY.sbo and writes its automatic
// hydrograph file, announcing the file on the detailed output.
void writeAutomaticFile(model::RunContext& ctx, int id);

} // namespace hydrograph
