// The message routine and the message table: every warning, error and note the
// program can issue, with the heading that introduces each command's messages
// in the warnings window and the messages log.
#include "run/messages.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "run/output.h"

namespace run {

namespace {

// One row of the table: the message number and its one to four text lines,
// each written exactly as it must appear (continuation lines start with
// blanks so that they align under the first line's text).
struct Entry {
  int number;
  std::array<std::string_view, 4> lines;
};

// Several numbers share one text: each caller family has its own number.
// Numbers 900 and above are this program's own additions (file and input
// problems the messages below do not cover), in the same style.
constexpr Entry kTable[] = {
    {msg::kRecallHydNotSupported, {"*** ERROR: RECALL HYD is not longer supported."}},
    {msg::kSaveHydIdZero, {"*** ERROR: SAVE HYD, ID =0.  Run aborted."}},
    {msg::kPlotHydNotSupported,
     {"*** WARNING: PLOT HYD is no longer supported.", "             Use the GRAFVUE utility program."}},
    {msg::kCommandNotFound, {"*** ERROR: Command not found in the line below."}},
    {msg::kSpaceBeforeQuote, {"*** ERROR: Need a space before the quote in:"}},
    {msg::kStringTooLong, {"*** ERROR: String too long. Check for quotes in input."}},
    {msg::kCheckNegativeSigns, {"*** ERROR: Check NEGATIVE SIGNS in line below."}},
    {msg::kCheckDecimals, {"*** ERROR: Check the DECIMALS in the line below."}},
    {msg::kStandhydTimeStepZero, {"*** ERROR: Time step = 0,  COMMAND aborted."}},
    {msg::kStandhydNoRainfallSteps, {"*** ERROR: Rainfall increment = 0, COMMAND aborted."}},
    {msg::kStandhydGivenCoefficients,
     {"*** NOTE: User defined Storage Coefficients were used", "          for Unit Hydrograph calculations."}},
    {msg::kStandhydCoefficientBelowStep,
     {"*** WARNING: Storage Coefficient is smaller than DT!", "             Use a smaller DT or a larger area."}},
    {msg::kStandhydXimpAboveTimp,
     {"*** ERROR: XIMP cannot be larger than TIMP.", "           XIMP was forced to equal TIMP."}},
    {msg::kStandhydLowImperviousness,
     {"*** WARNING: For areas with impervious ratios below", "             20%, this routine may not be applicable."}},
    {msg::kStandhydStepCountDiffers, {"*** ERROR: Check the number of rainfall increments!"}},
    {msg::kStandhydImperviousDry, {"*** NOTE: The impervious area has no runoff."}},
    {msg::kStandhydPerviousDry, {"*** NOTE: The pervious area has no runoff."}},
    {msg::kNashydTimeStepZero, {"*** ERROR: Time step = 0,  COMMAND aborted."}},
    {msg::kNashydNoRainfallSteps, {"*** ERROR: Rainfall increment = 0, COMMAND aborted."}},
    {msg::kApiNotComputed,
     {"**** ERROR: The API array has not been computed.", "            The continuous simulation was aborted.",
      "            Use the COMPUTE API command to compute", "            the Antecedent Precipitation Index."}},
    {msg::kNashydStepTooLarge,
     {"*** WARNING: Time step is too large for value of TP.", "             R.V. may be ok.  Peak flow could be off."}},
    {msg::kNashydStepCountDiffers, {"*** ERROR: Check the number of rainfall increments!"}},
    {msg::kWilhydTimeStepZero, {"*** ERROR: Time step = 0,  COMMAND aborted."}},
    {msg::kWilhydNoRainfallSteps, {"*** ERROR: Rainfall increment = 0, COMMAND aborted."}},
    {msg::kWilhydNotConverged, {"*** WARNING: N did not converge after 50 iterations."}},
    {msg::kWilhydStepTooLarge,
     {"*** WARNING: Time step is too large for value of TP.", "             R.V. may be ok.  Peak flow could be off."}},
    {msg::kWilhydStepCountDiffers, {"*** ERROR: Check the number of rainfall increments!"}},
    {msg::kKinrouteStepDenied, {"*** WARNING: Selected routing time step was denied."}},
    {msg::kKinroutePipeTooSmall, {"*** WARNING: Given pipe size was too small."}},
    {msg::kKinrouteHydrographCut, {"*** WARNING: Hydrograph was cut.  Check the volume."}},
    {msg::kKinrouteStepShouldBeReduced, {"*** WARNING: Routing time step should be reduced."}},
    {msg::kKinrouteDivisionCapped,
     {"*** WARNING: Pipe sub-reaches and sub-steps were capped: the travel", "             time through the pipe is approximate."}},
    {msg::kKinrouteTailCut,
     {"*** WARNING: Outflow tail ended at the routing work limit.", "             Check the volume."}},
    {msg::kChannelInflowDry, {"*** WARNING: Inflow hydrograph is dry!  Routing not done!"}},
    {msg::kChannelStepAboveInflowStep,
     {"*** WARNING: Requested routing DT > than inflow DT.", "             Routing DT set to inflow hydrograph DT."}},
    {msg::kChannelStepAdjusted, {"*** WARNING: Routing time step was adjusted."}},
    {msg::kChannelTravelTimeTableExceeded, {"*** WARNING: TRAVEL TIME TABLE was exceeded"}},
    {msg::kChannelHydrographCut, {"*** WARNING: Hydrograph was cut.  Check the volume."}},
    {msg::kChannelNotConverged,
     {"*** WARNING: Over 5% of computations failed to converge.",
      "             Check outflow hydrograph for instabilities.",
      "             Or try using a smaller RDT or larger slope."}},
    {msg::kChannelSlopeNotPositive, {"**** ERROR: Slope is -ve or zero.  Run aborted."}},
    {msg::kReservoirDwfAdded,
     {"**** NOTE: DWF was added to inflow before routing.", "           As a result the R.V. has changed."}},
    {msg::kReservoirInflowIsOutflow,
     {"**** ERROR: Inflow ID cannot be equal to Outflow ID.", "            The simulation was terminated."}},
    {msg::kReservoirFirstOutflowNotZero, {"*** WARNING: First OUTFLOW value in table should be ZERO."}},
    {msg::kReservoirBadOutflowStorageTable, {"**** ERROR: Check the OUTFLOW-STORAGE table."}},
    {msg::kReservoirOverflowIdClash,
     {"**** ERROR: OVERFLOW ID cannot = IDin or IDout.", "           The simulation was terminated."}},
    {msg::kReservoirStepAboveInflowStep,
     {"**** ERROR: Routing time step must be less than inflow", "            hydrograph DT.",
      "            RDT was set equal to inflow hydrograph DT."}},
    {msg::kReservoirTableExtrapolated,
     {"*** WARNING: STORAGE-Q values were extrapolated.", "             Increase curve or use overflow option."}},
    {msg::kReservoirInflowDry, {"*** WARNING: Inflow hydrograph is dry."}},
    {msg::kReservoirOutflowCut,
     {"*** WARNING: Outflow hydrograph was cut due to change", "             in time step.  Check Volume."}},
    {msg::kReservoirPeakNotReduced,
     {"*** WARNING: Inflow peak was not reduced!", "             Check OUTFLOW/STORAGE table or reduce DT."}},
    {msg::kReservoirVolumeLost, {"*** WARNING: Outflow volume is less than inflow volume."}},
    {msg::kPipeNewSize, {"*** WARNING: New pipe size used for routing."}},
    {msg::kPipeNewSizeFull, {"*** WARNING: New pipe size used for routing."}},
    {msg::kHydrographNotShifted, {"*** WARNING: Hydrograph was not shifted."}},
    {msg::kShiftedOrdinatesCut,
     {"*** WARNING: The shifted hydrograph was cut at 105408 steps;", "             the ordinates past it are lost:"}},
    {msg::kRatingCurveExtrapolated, {"*** WARNING: Rating curve was extrapolated."}},
    {msg::kTravelTimeExtrapolated, {"*** WARNING: Travel time table was extrapolated."}},
    {msg::kPrintedHydrographDry, {"*** WARNING: This hydrograph is dry."}},
    {msg::kDualHydrographsDry, {"*** WARNING: Minor & Major system hydrographs are dry."}},
    {msg::kMajorStorageNotEmptied,
     {"*** WARNING: Major System storage did not empty.", "             Some runoff volume may have been lost.",
      "             The minor system AREA & R.V. were adjusted."}},
    {msg::kBaseflowLeftInMinor, {"*** WARNING: Baseflow was left in minor system."}},
    {msg::kUseComputeDualhyd,
     {"*** NOTE: Use the new COMPUTE DUALHYD command and you", "          can enter NHYD values for both the major and",
      "          minor hydrographs.  A variable for the use of", "          major system storage is also available."}},
    {msg::kVolumeNoStorageRequired, {"*** WARNING: No storage required, RelRate > Inflow Qp."}},
    {msg::kVolumeReleaseBelowStart, {"*** ERROR: RelRate < StRate, command aborted."}},
    {msg::kVolumeMayNotBeMaximum, {"*** WARNING: Calculated volume may not be the maximum."}},
    {msg::kDivertTooManyOutflows, {"*** ERROR: No. of output hydrographs exceeds 5."}},
    {msg::kDivertInflowDry, {"*** NOTE: Inflow hyd. is dry and cannot be diverted."}},
    {msg::kDivertTablesExceeded, {"*** WARNING: Outflow tables were exceeded."}},
    {msg::kDivertDwfAdded, {"*** WARNING: The DWF was added before the diversion."}},
    {msg::kChicagoStormCut,
     {"*** WARNING: No. of time steps exceeds the max. allowed.", "             Duration of the storm was reduced."}},
    {msg::kMassCurveSumNotOne, {"*** WARNING: The sum of the coordinates does not equal 1."}},
    {msg::kMassCurveNotIncremental,
     {"*** ERROR: Mass curve ordinates must be incremental.", "           Check mass curve file."}},
    {msg::kMassStormStepTooLarge, {"*** ERROR: Requested storm time step is too large."}},
    {msg::kMassStormStepAboveCurveStep,
     {"*** WARNING: Using a storm DT which is larger than the",
      "             the mass curve DT may produce a storm with",
      "             lower intensities.  Check the hyetograph."}},
    {msg::kModifyStormBadCase, {"*** ERROR:  MODIFY STORM, ICASEms must be 1 or 2!"}},
    {msg::kModifyStormRainEliminated, {"*** WARNING: Rainfall was eliminated because RFACT=0."}},
    {msg::kModifyStormShiftTooLarge, {"*** ERROR: Rainfall eliminated, NSHIFT too large."}},
    {msg::kModifyStormShiftMayLoseRain, {"*** WARNING: NSHIFT may have caused rain to be lost."}},
    {msg::kModifyStormDurationReduced, {"*** WARNING: Duration of storm was reduced."}},
    {msg::kModifyStormVolumeChanged, {"*** WARNING: Total rainfall volume has changed."}},
    {msg::kModifiedStormOverflow,
     {"**** ERROR: RFACT or the modified intensities are beyond single",
      "            precision.  The storm was left as it was."}},
    {msg::kMassStormOverflow,
     {"**** ERROR: The derived storm's intensities are beyond single",
      "            precision.  No storm was derived."}},
    {msg::kHydrographFileNotFound, {"*** ERROR: Hydrograph filename not found."}},
    {msg::kReadHydrographDry, {"*** NOTE: The hydrograph which was read is dry."}},
    {msg::kUnitsNotSpecified, {"*** ERROR:  UNITS OF INPUT DATA WERE NOT SPECIFIED."}},
    {msg::kAesFileNameMissing, {"**** ERROR: AES data filename not provided."}},
    {msg::kAesStartAfterEnd, {"**** ERROR: Starting date is later than ending date."}},
    {msg::kAesWrongFileType, {"**** ERROR: Incorrect type of AES file!.  Run ended."}},
    {msg::kAesStartBeforeFile, {"*** WARNING: Requested start date is less than", "             start date in file."}},
    {msg::kAesTooManySteps,
     {"**** ERROR: # of rainfall increments too large.", "            Reduce the time span to read."}},
    {msg::kAesEndAfterFile, {"*** WARNING: Specified end date is beyond the end", "             date in file."}},
    {msg::kAesMissingStepsZero, {"*** WARNING: Missing rainfall increments were set to 0."}},
    {msg::kApiBadConstants, {"**** ERROR: Invalid APII or APIK values."}},
    {msg::kApiNoRainfall, {"**** ERROR: No rainfall to analyze! Simulation ended."}},
    {msg::kErosionHydrographDry, {"*** WARNING: Selected hydrograph is dry."}},
    {msg::kSminAboveSmax, {"**** ERROR: SMIN cannot be greater than SMAX."}},
    {msg::kDwfPopulationFactorZero, {"**** ERROR: The value of ADFp cannot be 0 if POP<>0."}},
    {msg::kDwfCommercialFactorZero, {"**** ERROR: The value of ADFa cannot be 0 if XAcom<>0."}},
    {msg::kDwfGroundwaterFactorZero, {"**** ERROR: The value of ADFg cannot be 0 if XAgwf<>0."}},
    {msg::kDwfPopulationPeakDigit, {"**** ERROR: The last digit of PKFp must be a 1."}},
    {msg::kDwfCommercialPeakDigit, {"**** ERROR: The last digit of PKFa must be a 2."}},
    {msg::kDwfCommercialFractionAboveOne, {"**** ERROR: XAcom cannot be > 1.0."}},
    {msg::kDwfGroundwaterFractionAboveOne, {"**** ERROR: XAgwf cannot be > 1.0."}},
    {msg::kTimeStepBelowOneMinute, {"**** ERROR: Time step must be greater than 1.0 minute."}},
    {msg::kDwfStepNotFiveMinuteFraction,
     {"**** ERROR: Time step must be an equal fraction or", "            an equal multiple of 5 minutes."}},
    {msg::kDwfStepNotDayFraction, {"**** ERROR: Time step must be an equal fraction of a day."}},
    {msg::kDwfDaysMissing, {"**** ERROR: A value for NDAYS must be provided."}},
    {msg::kDwfPopulationCurveDigit,
     {"**** ERROR: To make use of internal Variable DWF curves,",
      "         the 2nd integer in PKFp must be a 1,2,3,4 or 5."}},
    {msg::kDwfCommercialCurveDigit,
     {"**** ERROR: To make use of internal Variable DWF curves,",
      "         the 2nd integer in PKFa must be a 1,2,3,4 or 5."}},
    {msg::kDwfStartDateMissing, {"**** ERROR: Starting date required in the START command."}},
    {msg::kDwfCurveNotInFile, {"**** ERROR: Selected VarDWF curve not in D_V_DWF.DAT file"}},
    // Run control: side files, input files and the commands of this build.
    {msg::kInputEndedBeforeFinish, {"*** ERROR: The input file ended before a FINISH command."}},
    {msg::kCommandNotAvailable, {"*** ERROR: This command is not available in this build."}},
    {msg::kDirectoryFileUnusable, {"*** ERROR: The directory file kestran.DIR cannot be used:"}},
    {msg::kRunListUnusable, {"*** ERROR: The run list kestran.RUN cannot be used:"}},
    {msg::kRunListEndedBeforeFinish, {"*** ERROR: The run list kestran.RUN ended before a FINISH line."}},
    {msg::kInputFileUnreadable, {"*** ERROR: The input file cannot be read:"}},
    {msg::kOutputFileNotCreated, {"*** ERROR: An output file cannot be created:"}},
    {msg::kRunCounterNotSaved, {"*** WARNING: The run counter could not be saved in kestran.CNT:"}},
    {msg::kRunListEndsInsideSet, {"*** ERROR: The run list kestran.RUN ends inside a run set."}},
    {msg::kStormPointerNotWritten, {"*** ERROR: A storm pointer file cannot be written:"}},
    {msg::kInternalFailure, {"*** ERROR: The command failed inside the program:"}},
    {msg::kOutputNotWritten, {"*** ERROR: An output file could not be written to its end:"}},
    {msg::kNumberTooLarge, {"*** ERROR: A number in the line below is too large."}},
    {msg::kResultTooLarge,
     {"*** ERROR: The hydrograph's values overflow single precision;", "           those out of range were set to 0."}},
    {msg::kWriteOutsideFolders,
     {"*** ERROR: A file would be written outside the run's folders;", "           it was not written:"}},
    // Hydrograph store and hydrograph files.
    {msg::kSlotOutOfRange, {"*** ERROR: Hydrograph ID must be from 1 to 10.  Command aborted."}},
    {msg::kHydrographFileUnreadable, {"*** ERROR: Hydrograph file cannot be read:"}},
    {msg::kHydrographFileNotWritten, {"*** ERROR: Hydrograph file cannot be written:"}},
    {msg::kAutomaticFileNotWritten, {"*** WARNING: Automatic hydrograph file cannot be written:"}},
    {msg::kHydrographFileWithoutEndMark,
     {"*** WARNING: Hydrograph file ends before its end mark; it may be",
      "             incomplete. Its ordinates were kept:"}},
    {msg::kDivertOutputCountBelowOne, {"*** ERROR: No. of output hydrographs must be from 1 to 5."}},
    {msg::kVolumeStorageNeverEmptied,
     {"*** WARNING: The inflow stays above RelRate after its peak: the",
      "             storage was counted up to its last ordinate."}},
    {msg::kDualCapacityNegative,
     {"*** ERROR: Inlet capacity, number of inlets and major system", "           storage must not be below 0."}},
    {msg::kDualStepVolumeOverflow,
     {"*** ERROR: The inflow's volume in one step and the major system",
      "           storage are beyond single precision. COMMAND aborted."}},
    // Rainfall: storm, mass curve and AES files, and CHICAGO STORM values.
    {msg::kStormFileUnreadable, {"*** ERROR: Storm file cannot be read:"}},
    {msg::kStormFileEndedEarly, {"*** ERROR: Storm file ended before its rainfall was complete:"}},
    {msg::kStormFileNameMissing, {"*** ERROR: No storm or mass curve filename was given."}},
    {msg::kMassCurveFileUnreadable, {"*** ERROR: Mass curve file cannot be read:"}},
    {msg::kMassCurveFileEndedEarly, {"*** ERROR: Mass curve file ended before its ordinates were complete:"}},
    {msg::kStormCutToLimit, {"*** WARNING: The storm was cut to 105408 time steps."}},
    {msg::kAesFileUnreadable, {"**** ERROR: AES data file cannot be read:"}},
    {msg::kStormSideFileNotWritten, {"*** WARNING: Storm side file cannot be written:"}},
    {msg::kChicagoStepNotPositive,
     {"*** ERROR: CHICAGO STORM, time step must be above 0.", "           Command abandoned, storm unchanged."}},
    {msg::kChicagoBadRatio,
     {"*** ERROR: CHICAGO STORM, R must lie from 0 to 1, and not be",
      "           0 or 1 where steps lie on that side of the peak."}},
    {msg::kChicagoPeakBeforeFirstStep,
     {"*** ERROR: CHICAGO STORM, the peak falls before step 1.", "           Increase R or reduce the time step."}},
    {msg::kChicagoIdfUndefined,
     {"*** ERROR: CHICAGO STORM, the IDF curve is undefined: table",
      "           intensities must be positive and t + B above 0."}},
    {msg::kChicagoTooManyPairs, {"*** ERROR: CHICAGO STORM, more than 20 IDF table pairs."}},
    {msg::kAesRecordUnreadable, {"**** ERROR: Unreadable record in AES data file:"}},
    // Runoff generation: values the unit hydrographs and loss models cannot use.
    {msg::kNashydNNotAboveOne, {"*** ERROR: N must be greater than 1,  COMMAND aborted."}},
    {msg::kNashydTpNotPositive, {"*** ERROR: TP must be greater than 0,  COMMAND aborted."}},
    {msg::kNashydAreaNotPositive, {"*** ERROR: AREA must be greater than 0,  COMMAND aborted."}},
    {msg::kGroundwaterRecessionNegative, {"*** ERROR: GWFREC must not be below 0,  COMMAND aborted."}},
    {msg::kStandhydImperviousnessOutOfRange,
     {"*** ERROR: XIMP and TIMP must be from 0 to 1 (or 0 to 100 %),", "           COMMAND aborted."}},
    {msg::kRainStepsOutOfRange, {"*** ERROR: NRAIN must be from 0 to 105408,  COMMAND aborted."}},
    {msg::kNashydNTooLarge, {"*** ERROR: N must not be greater than 25,  COMMAND aborted."}},
    {msg::kStandhydBadLossMethod, {"*** ERROR: LOSS must be 1, 2 or 3,  COMMAND aborted."}},
    {msg::kDefaultValuesUnreadable, {"*** ERROR: The default values file cannot be read:"}},
    {msg::kDefaultValuesTooShort, {"*** ERROR: The default values file has fewer than 16 lines:"}},
    {msg::kSurfaceSlopeNotPositive, {"*** ERROR: Surface slopes must be greater than 0,  COMMAND aborted."}},
    {msg::kWilhydKNotPositive, {"*** ERROR: K must be greater than 0,  COMMAND aborted."}},
    {msg::kWilhydTpNotPositive, {"*** ERROR: TP must be greater than 0,  COMMAND aborted."}},
    // Routing: reservoir tables and inflows the routing cannot use.
    {msg::kReservoirNoEndPair,
     {"**** ERROR: The OUTFLOW-STORAGE table has 20 points and no",
      "            end pair.  The simulation was terminated."}},
    {msg::kReservoirSinglePoint,
     {"**** ERROR: STORAGE-Q values cannot be extrapolated from a",
      "            table of one point.  Use the overflow option."}},
    {msg::kReservoirNoInflowStep,
     {"**** ERROR: Inflow hydrograph time step must be above 0.", "            The simulation was terminated."}},
    {msg::kReservoirOverflow,
     {"**** ERROR: The OUTFLOW-STORAGE table or the routing through it is",
      "            beyond single precision.  The simulation was terminated."}},
    // Sewer flows: the daily variation curve file and the length of the days.
    {msg::kDwfCurveFileUnusable, {"**** ERROR: The daily variation curve file cannot be used:"}},
    {msg::kDwfDaysCut, {"*** WARNING: The simulated days were cut to 105408 time steps."}},
    // Channel routing: the reach against the inflow's rise, and steps that
    // took the travel-time table's coefficient.
    {msg::kChannelReachTooLong,
     {"**** NOTE: Travel time at the peak is long against the",
      "           inflow's rise: the outflow peak may be too low",
      "           and too early."}},
    {msg::kChannelTableCoefficient,
     {"*** WARNING: Steps before the first converged one took",
      "             the travel time table's coefficient."}},
    // Routing: a base flow so large that the inflow vanishes below its resolution.
    {msg::kRoutingBaseSwampsInflow,
     {"**** ERROR: The base flow is too large against the inflow:",
      "            single precision would lose it.  Command aborted."}},
    // Routing: section, rating-curve, travel-time and reach values.
    {msg::kChannelValuesUnusable, {"**** ERROR: Channel values cannot be used.  Command aborted:"}},
    // Routing through pipes: values Manning's equation cannot use.
    {msg::kPipeValuesNotPositive,
     {"**** ERROR: Pipe length, slope and Manning n must be above 0.", "            Command aborted."}},
    {msg::kPipeSizeOverflow,
     {"**** ERROR: The pipe size the peak needs is beyond single precision.", "            Command aborted."}},
    {msg::kPipeNoDiameter,
     {"**** ERROR: No pipe diameter was given and the inflow peak is 0:",
      "            the pipe cannot be sized.  Command aborted."}},
    {msg::kPipeBadShape,
     {"**** ERROR: Pipe type must be 1 (circular) or 2 (rectangular), and a",
      "            rectangular pipe needs a width and a height above 0."}},
};

// The table as spans of its non-empty lines, built once.
const std::vector<MessageText>& texts() {
  static const std::vector<MessageText> kTexts = [] {
    std::vector<MessageText> v;
    v.reserve(std::size(kTable));
    for (const Entry& e : kTable) {
      std::size_t n = 0;
      while (n < e.lines.size() && !e.lines[n].empty()) ++n;
      v.push_back({e.number, std::span<const std::string_view>(e.lines.data(), n)});
    }
    return v;
  }();
  return kTexts;
}

// The message lines are 70-character fields: shorter texts are padded on the
// right, as the fixed-length line buffer holds them.
std::string field70(std::string_view text) {
  std::string s(text.substr(0, 70));
  s.resize(70, ' ');
  return s;
}

void writeLine(model::RunContext& ctx, std::string_view text, Destination destination) {
  static const fortran::Format kLine("(6X,A70)");
  const std::string line = field70(text);
  if (destination != Destination::Detailed) {
    put(ctx.platform.warningsWindow, kLine, {line});
    putLog(ctx, kLine, {line});
  }
  if (destination != Destination::Warnings) put(*ctx.out.detailed, kLine, {line});
}

} // namespace

const MessageText* findMessage(int number) {
  for (const MessageText& m : texts()) {
    if (m.number == number) return &m;
  }
  return nullptr;
}

void putLog(model::RunContext& ctx, const fortran::Format& format, std::initializer_list<fortran::Value> items) {
  std::vector<std::string> records;
  format.write(std::span<const fortran::Value>(items.begin(), items.size()), records);
  for (const std::string& r : records) {
    ctx.out.log->line(r);
    ctx.out.logLines.push_back(r);
  }
}

void issue(model::RunContext& ctx, int number, Severity severity, Destination destination, std::string_view detail) {
  static const fortran::Format kHeading("(1X,I3.3,':',I4.4,1X,A19)");
  model::RunState& run = ctx.run;
  // The heading introduces the messages of one command; only the command
  // counter is compared, so it appears once per command.
  if (run.commandCounter != run.lastHeadingCommand) {
    if (destination != Destination::Detailed) {
      std::string label = run.label.substr(0, 19);
      label.resize(19, ' ');
      put(ctx.platform.warningsWindow, kHeading, {run.NRUN, run.commandCounter, label});
      putLog(ctx, kHeading, {run.NRUN, run.commandCounter, label});
    }
    run.lastHeadingCommand = run.commandCounter;
  }
  std::vector<std::string> lines;
  if (const MessageText* m = findMessage(number)) {
    lines.assign(m->lines.begin(), m->lines.end());
  } else {
    // Callers only issue numbers of the table; a missing one is still shown.
    lines.push_back("*** ERROR: Message " + std::to_string(number) + " has no text.");
  }
  for (std::size_t at = 0; at < detail.size(); at += 58) {
    // A detail (a path, a reason) may be longer than a line: it wraps,
    // indented under the message text, in pieces that stay inside the 70
    // columns the end-of-run copy keeps, so nothing of it is cut.
    lines.push_back(std::string(6, ' ').append(detail.substr(at, 58)));
  }
  for (const std::string& line : lines) writeLine(ctx, line, destination);
  run.severity = std::max(run.severity, severity);
  if (ctx.recorder != nullptr) {
    ctx.recorder->message({run.NRUN, run.commandCounter, number, severity, std::move(lines)});
  }
}

void warn(model::RunContext& ctx, int number, Destination destination, std::string_view detail) {
  issue(ctx, number, Severity::Warning, destination, detail);
}

void markNext(model::RunContext& ctx, Severity severity) {
  if (ctx.run.severity != Severity::Error) ctx.run.severity = severity;
}

std::string markerFor(Severity severity) {
  if (severity == Severity::Warning) return "*  ";
  if (severity == Severity::Error) return "** ";
  return "   ";
}

void setMarker(model::RunContext& ctx) { ctx.run.marker = markerFor(ctx.run.severity); }

} // namespace run
