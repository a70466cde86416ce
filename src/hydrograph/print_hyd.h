// PRINT HYD, and the printing routine it shares with SAVE HYD and READ HYD:
// a boxed block, the notes on baseflow and a table of every PCYC-th ordinate,
// written to a hydrograph file as well when saving.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/context.h"

namespace hydrograph {

// Modes of the printing routine.
enum class PrintMode { Print = 1, Save = 2, AfterRead = 3 };

// PRINT HYD: PARAM 1 ID, 2 PCYC (0 means 1, negative prints no table).
void printHyd(model::RunContext& ctx);

// The printing routine. Modes Print and Save take the slot's ID and PCYC from
// PARAM 1 and 2 and trim trailing near-zero ordinates from the slot; mode Save
// writes the hydrograph file `fileName`. Modes Save and AfterRead print the
// file name and `comment` (60 characters each).
void printHydrograph(model::RunContext& ctx, PrintMode mode, int id, const std::string& fileName,
                     const std::string& comment);

// A hydrograph file name completed as SAVE HYD and READ HYD do: without a
// colon it is taken in the project directory (SAVE HYD keeps its first 12
// characters, `cutTo12`); without a point it receives the run extension.
std::string completeFileName(const model::RunContext& ctx, const std::string& typed, bool cutTo12);

// Columns 21-80 of the `count` input lines that follow the command line of the
// current command: the continuation lines the command reader kept with it and,
// when `readOn` is set, further lines read on from the input. Lines not
// available are blank.
std::vector<std::string> linesAfterCommand(model::RunContext& ctx, int count, bool readOn);

} // namespace hydrograph
