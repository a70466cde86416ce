// The command table: the one place that knows the routine of every command.
// The main loop receives it as an argument, so run control never depends on
// the subsystems above it.
#include "command_table.h"

#include <array>

#include "hydrograph/add_hyd.h"
#include "hydrograph/auto_save.h"
#include "hydrograph/divert_hyd.h"
#include "hydrograph/dual_drainage.h"
#include "hydrograph/erosion_index.h"
#include "hydrograph/print_hyd.h"
#include "hydrograph/read_hyd.h"
#include "hydrograph/save_hyd.h"
#include "hydrograph/shift_hyd.h"
#include "hydrograph/storage_volume.h"
#include "hydrograph/store_hyd.h"
#include "rain/antecedent_index.h"
#include "rain/chicago.h"
#include "rain/hourly_records.h"
#include "rain/mass_storm.h"
#include "rain/modify_storm.h"
#include "rain/read_storm.h"
#include "routing/compute_rating_curve.h"
#include "routing/compute_travel_time.h"
#include "routing/kinroute.h"
#include "routing/pipe.h"
#include "routing/reservoir.h"
#include "routing/route.h"
#include "routing/route_channel.h"
#include "routing/store_rating_curve.h"
#include "routing/store_travel_time.h"
#include "run/default_values.h"
#include "run/main_loop.h"
#include "run/start.h"
#include "runoff/dwf_wwf.h"
#include "runoff/nashyd.h"
#include "runoff/standhyd.h"
#include "runoff/wilhyd.h"

namespace kestran {

namespace {

using run::Heading;
using run::notAvailable;
using run::Precision;
using Id = run::CommandId;

// Rows in command-number order; the reader matches columns 1-20 of a line
// against the names, the first match wins. The label column is what the loop
// gives the commands whose messages and summary lines carry it.
constexpr std::array<run::Command, 46> kCommands{{
    {"START", Id::Start, 4, Heading::None, "", Precision::Double, run::startCommand},
    {"STORE HYD", Id::StoreHyd, 999, Heading::H, "", Precision::Single, hydrograph::storeHyd},
    {"RECALL HYD", Id::RecallHyd, 610, Heading::H, "", Precision::Single, run::recallHyd},
    {"COMPUTE HYD", Id::ComputeHyd, 610, Heading::H, "", Precision::Single, runoff::computeHyd},
    {"PRINT HYD", Id::PrintHyd, 3, Heading::H, "", Precision::Single, hydrograph::printHyd},
    {"DEFAULT VALUES", Id::DefaultValues, 3, Heading::P, "DEFAULT VALUES", Precision::Single, run::defaultValues},
    {"ADD HYD", Id::AddHyd, 12, Heading::H, "", Precision::Single, hydrograph::addHyd},
    {"STORE RATING CURVE", Id::StoreRatingCurve, 100, Heading::P, "", Precision::Single,
     routing::storeRatingCurveCommand},
    {"COMPUTE RATING CURVE", Id::ComputeRatingCurve, 310, Heading::P, "", Precision::Single,
     routing::computeRatingCurveCommand},
    {"STORE TRAVEL TIME", Id::StoreTravelTime, 100, Heading::P, "", Precision::Single, routing::storeTravelTimeCommand},
    {"COMPUTE TRAVEL TIME", Id::ComputeTravelTime, 5, Heading::P, "", Precision::Single,
     routing::computeTravelTimeCommand},
    {"ROUTE", Id::Route, 7, Heading::H, "", Precision::Single, routing::routeCommand},
    {"ROUTE RESERVOIR", Id::RouteReservoir, 100, Heading::H, "", Precision::Single, routing::routeReservoir},
    {"DESIGN STANDHYD", Id::DesignStandhyd, 610, Heading::H, "", Precision::Single, runoff::designStandhyd},
    {"DESIGN NASHYD", Id::DesignNashyd, 610, Heading::H, "", Precision::Single, runoff::designNashyd},
    {"COMPUTE URBHYD", Id::ComputeUrbhyd, 610, Heading::H, "", Precision::Single, runoff::computeUrbhyd},
    {"COMPUTE NASHYD", Id::ComputeNashyd, 610, Heading::H, "", Precision::Single, runoff::computeNashyd},
    {"COMPUTE DUHYD", Id::ComputeDuhyd, 8, Heading::H, "COMPUTE DUHYD", Precision::Single, hydrograph::computeDuhyd},
    {"KINROUTE", Id::Kinroute, 10, Heading::H, "KINROUTE        ->", Precision::Single, routing::kinroute},
    {"SHIFT HYD", Id::ShiftHyd, 4, Heading::H, "", Precision::Single, hydrograph::shiftHyd},
    {"COMPUTE VOLUME", Id::ComputeVolume, 3, Heading::H, "COMPUTE VOLUME", Precision::Single,
     hydrograph::computeVolume},
    {"FINISH", Id::Finish, 0, Heading::None, "", Precision::Single, nullptr},
    {"DESIGN SCSHYD", Id::DesignScshyd, 610, Heading::H, "", Precision::Single, runoff::designScshyd},
    {"DIVERT HYD", Id::DivertHyd, 120, Heading::H, "", Precision::Single, hydrograph::divertHyd},
    {"READ STORM", Id::ReadStorm, 1, Heading::P, "READ STORM", Precision::Single, rain::readStorm},
    {"CALIB STANDHYD", Id::CalibStandhyd, 610, Heading::H, "", Precision::Single, runoff::calibStandhyd},
    {"READ AES DATA", Id::ReadAesData, 4, Heading::P, "READ AES DATA", Precision::Double, rain::readAesData},
    {"CALIB NASHYD", Id::CalibNashyd, 610, Heading::H, "", Precision::Single, runoff::calibNashyd},
    {"SAVE HYD", Id::SaveHyd, 6, Heading::None, "", Precision::Single, hydrograph::saveHyd},
    {"CALIB WILHYD", Id::CalibWilhyd, 610, Heading::H, "", Precision::Single, runoff::calibWilhyd},
    {"READ HYD", Id::ReadHyd, 6, Heading::H, "", Precision::Single, hydrograph::readHyd},
    {"MODIFY STORM", Id::ModifyStorm, 5, Heading::P, "", Precision::Single, rain::modifyStorm},
    {"ROUTE CHANNEL", Id::RouteChannel, 125, Heading::H, "ROUTE CHANNEL   ->", Precision::Single,
     routing::routeChannelCommand},
    {"CHICAGO STORM", Id::ChicagoStorm, 50, Heading::P, "CHICAGO STORM", Precision::Single, rain::chicagoStorm},
    {"MASS STORM", Id::MassStorm, 4, Heading::P, "MASS STORM", Precision::Single, rain::massStorm},
    {"COMPUTE API", Id::ComputeApi, 3, Heading::P, "COMPUTE API", Precision::Single, rain::computeApi},
    {"PLOT HYD", Id::PlotHyd, 10, Heading::P, "", Precision::Single, run::plotHyd},
    {"PAUSE", Id::Pause, 1, Heading::None, "", Precision::Single, run::pauseCommand},
    {"ROUTE PIPE", Id::RoutePipe, 13, Heading::H, "ROUTE PIPE      ->", Precision::Single, routing::routePipe},
    {"CONTINUOUS STANDHYD", Id::ContinuousStandhyd, 30, Heading::H, "", Precision::Single, runoff::continuousStandhyd},
    {"CONTINUOUS NASHYD", Id::ContinuousNashyd, 610, Heading::H, "", Precision::Single, runoff::continuousNashyd},
    {"CONTINUOUS WILHYD", Id::ContinuousWilhyd, 610, Heading::H, "", Precision::Single, runoff::continuousWilhyd},
    {"CONTINUOUS SCSHYD", Id::ContinuousScshyd, 30, Heading::H, "", Precision::Single, runoff::continuousScshyd},
    {"COMPUTE DUALHYD", Id::ComputeDualhyd, 9, Heading::H, "COMPUTE DUALHYD", Precision::Single,
     hydrograph::computeDualhyd},
    {"EROSION INDEX", Id::ErosionIndex, 15, Heading::E, "", Precision::Single, hydrograph::erosionIndex},
    {"COMPUTE DWF+WWF", Id::ComputeDwfWwf, 23, Heading::H, "COMPUTE DWF+WWF", Precision::Single, runoff::computeDwfWwf},
}};

} // namespace

run::CommandTable commandTable() { return kCommands; }

run::ProgramSetup programSetup() {
  // The summary record file is created once per run, after the headers.
  return run::ProgramSetup{kCommands, hydrograph::createSummaryRecordFile};
}

} // namespace kestran
