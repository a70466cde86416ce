// The command table: the one place that knows the routine of every command.
// The main loop receives it as an argument, so run control never depends on
// the subsystems above it.
#include "commands.h"

#include <array>

#include "hydrograph/gethyd.h"
#include "hydrograph/prnthyd.h"
#include "hydrograph/readhyd.h"
#include "hydrograph/storehyd.h"
#include "rain/chicago.h"
#include "rain/compapi.h"
#include "rain/fixrain.h"
#include "rain/mass_stm.h"
#include "rain/read_aes.h"
#include "rain/readstm.h"
#include "run/default_values.h"
#include "run/main_loop.h"
#include "run/start.h"
#include "runoff/nashyd.h"
#include "runoff/standhyd.h"

namespace kestran {

namespace {

using run::Heading;
using run::notAvailable;

// Rows in command-number order; the reader matches columns 1-20 of a line
// against the names, the first match wins.
constexpr std::array<run::Command, 46> kCommands{{
    {"START", 1, 4, Heading::None, run::startCommand},
    {"STORE HYD", 2, 999, Heading::H, hydrograph::storeHyd},
    {"RECALL HYD", 3, 610, Heading::H, run::recallHyd},
    {"COMPUTE HYD", 4, 610, Heading::H, notAvailable},
    {"PRINT HYD", 5, 3, Heading::H, hydrograph::printHyd},
    {"DEFAULT VALUES", 6, 3, Heading::P, run::defaultValues},
    {"ADD HYD", 7, 12, Heading::H, notAvailable},
    {"STORE RATING CURVE", 8, 100, Heading::P, notAvailable},
    {"COMPUTE RATING CURVE", 9, 310, Heading::P, notAvailable},
    {"STORE TRAVEL TIME", 10, 100, Heading::P, notAvailable},
    {"COMPUTE TRAVEL TIME", 11, 5, Heading::P, notAvailable},
    {"ROUTE", 12, 4, Heading::H, notAvailable},
    {"ROUTE RESERVOIR", 13, 100, Heading::H, notAvailable},
    {"DESIGN STANDHYD", 14, 610, Heading::H, runoff::designStandhyd},
    {"DESIGN NASHYD", 15, 610, Heading::H, runoff::designNashyd},
    {"COMPUTE URBHYD", 16, 610, Heading::H, runoff::computeUrbhyd},
    {"COMPUTE NASHYD", 17, 610, Heading::H, runoff::computeNashyd},
    {"COMPUTE DUHYD", 18, 8, Heading::H, notAvailable},
    {"KINROUTE", 19, 10, Heading::H, notAvailable},
    {"SHIFT HYD", 20, 4, Heading::H, notAvailable},
    {"COMPUTE VOLUME", 21, 3, Heading::H, notAvailable},
    {"FINISH", 22, 0, Heading::None, nullptr},
    {"DESIGN SCSHYD", 23, 610, Heading::H, runoff::designScshyd},
    {"DIVERT HYD", 24, 120, Heading::H, notAvailable},
    {"READ STORM", 25, 1, Heading::P, rain::readStorm},
    {"CALIB STANDHYD", 26, 610, Heading::H, runoff::calibStandhyd},
    {"READ AES DATA", 27, 4, Heading::P, rain::readAesData},
    {"CALIB NASHYD", 28, 610, Heading::H, runoff::calibNashyd},
    {"SAVE HYD", 29, 6, Heading::None, hydrograph::saveHyd},
    {"CALIB WILHYD", 30, 610, Heading::H, notAvailable},
    {"READ HYD", 31, 6, Heading::H, hydrograph::readHyd},
    {"MODIFY STORM", 32, 5, Heading::P, rain::modifyStorm},
    {"ROUTE CHANNEL", 33, 125, Heading::H, notAvailable},
    {"CHICAGO STORM", 34, 50, Heading::P, rain::chicagoStorm},
    {"MASS STORM", 35, 4, Heading::P, rain::massStorm},
    {"COMPUTE API", 36, 3, Heading::P, rain::computeApi},
    {"PLOT HYD", 37, 10, Heading::P, run::plotHyd},
    {"PAUSE", 38, 1, Heading::None, run::pauseCommand},
    {"ROUTE PIPE", 39, 13, Heading::H, notAvailable},
    {"CONTINUOUS STANDHYD", 40, 30, Heading::H, runoff::continuousStandhyd},
    {"CONTINUOUS NASHYD", 41, 610, Heading::H, runoff::continuousNashyd},
    {"CONTINUOUS WILHYD", 42, 610, Heading::H, notAvailable},
    {"CONTINUOUS SCSHYD", 43, 30, Heading::H, runoff::continuousScshyd},
    {"COMPUTE DUALHYD", 44, 9, Heading::H, notAvailable},
    {"EROSION INDEX", 45, 15, Heading::E, notAvailable},
    {"COMPUTE DWF+WWF", 46, 23, Heading::H, notAvailable},
}};

}  // namespace

run::CommandTable commandTable() { return kCommands; }

run::ProgramSetup programSetup() {
  // The summary record file is created once per run, after the headers.
  return run::ProgramSetup{kCommands, hydrograph::createSummaryRecordFile};
}

}  // namespace kestran
