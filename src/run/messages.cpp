// The message routine and the message table: every warning, error and note the
// program can issue, with the heading that introduces each command's messages
// in the warnings window and the messages log.
#include "run/messages.h"

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
    {1, {"*** ERROR: RECALL HYD is not longer supported."}},
    {2, {"*** ERROR: SAVE HYD, ID =0.  Run aborted."}},
    {3, {"*** WARNING: PLOT HYD is no longer supported.", "             Use the GRAFVUE utility program."}},
    {20, {"*** ERROR: Command not found in the line below."}},
    {21, {"*** ERROR: Need a space before the quote in:"}},
    {22, {"*** ERROR: String too long. Check for quotes in input."}},
    {23, {"*** ERROR: Check NEGATIVE SIGNS in line below."}},
    {24, {"*** ERROR: Check the DECIMALS in the line below."}},
    {30, {"*** ERROR: Time step = 0,  COMMAND aborted."}},
    {31, {"*** ERROR: Rainfall increment = 0, COMMAND aborted."}},
    {32, {"*** NOTE: User defined Storage Coefficients were used", "          for Unit Hydrograph calculations."}},
    {33, {"*** WARNING: Storage Coefficient is smaller than DT!", "             Use a smaller DT or a larger area."}},
    {34, {"*** ERROR: XIMP cannot be larger than TIMP.", "           XIMP was forced to equal TIMP."}},
    {35, {"*** WARNING: For areas with impervious ratios below", "             20%, this routine may not be applicable."}},
    {36, {"*** ERROR: Check the number of rainfall increments!"}},
    {37, {"*** NOTE: The impervious area has no runoff."}},
    {38, {"*** NOTE: The pervious area has no runoff."}},
    {41, {"*** ERROR: Time step = 0,  COMMAND aborted."}},
    {42, {"*** ERROR: Rainfall increment = 0, COMMAND aborted."}},
    {43, {"**** ERROR: The API array has not been computed.", "            The continuous simulation was aborted.", "            Use the COMPUTE API command to compute", "            the Antecedent Precipitation Index."}},
    {44, {"*** WARNING: Time step is too large for value of TP.", "             R.V. may be ok.  Peak flow could be off."}},
    {45, {"*** ERROR: Check the number of rainfall increments!"}},
    {50, {"*** ERROR: Time step = 0,  COMMAND aborted."}},
    {51, {"*** ERROR: Rainfall increment = 0, COMMAND aborted."}},
    {52, {"*** WARNING: N did not converge after 50 iterations."}},
    {53, {"*** WARNING: Time step is too large for value of TP.", "             R.V. may be ok.  Peak flow could be off."}},
    {54, {"*** ERROR: Check the number of rainfall increments!"}},
    {70, {"*** WARNING: Selected routing time step was denied."}},
    {71, {"*** WARNING: Given pipe size was too small."}},
    {72, {"*** WARNING: Hydrograph was cut.  Check the volume."}},
    {73, {"*** WARNING: Routing time step should be reduced."}},
    {80, {"*** WARNING: Inflow hydrograph is dry!  Routing not done!"}},
    {81, {"*** WARNING: Requested routing DT > than inflow DT.", "             Routing DT set to inflow hydrograph DT."}},
    {82, {"*** WARNING: Routing time step was adjusted."}},
    {83, {"*** WARNING: TRAVEL TIME TABLE was exceeded"}},
    {84, {"*** WARNING: Hydrograph was cut.  Check the volume."}},
    {85, {"*** WARNING: Over 5% of computations failed to converge.", "             Check outflow hydrograph for instabilities.", "             Or try using a smaller RDT or larger slope."}},
    {86, {"**** ERROR: Slope is -ve or zero.  Run aborted."}},
    {90, {"**** NOTE: DWF was added to inflow before routing.", "           As a result the R.V. has changed."}},
    {91, {"**** ERROR: Inflow ID cannot be equal to Outflow ID.", "            The simulation was terminated."}},
    {92, {"*** WARNING: First OUTFLOW value in table should be ZERO."}},
    {93, {"**** ERROR: Check the OUTFLOW-STORAGE table."}},
    {94, {"**** ERROR: OVERFLOW ID cannot = IDin or IDout.", "           The simulation was terminated."}},
    {95, {"**** ERROR: Routing time step must be less than inflow", "            hydrograph DT.", "            RDT was set equal to inflow hydrograph DT."}},
    {96, {"*** WARNING: STORAGE-Q values were extrapolated.", "             Increase curve or use overflow option."}},
    {97, {"*** WARNING: Inflow hydrograph is dry."}},
    {98, {"*** WARNING: Outflow hydrograph was cut due to change", "             in time step.  Check Volume."}},
    {99, {"*** WARNING: Inflow peak was not reduced!", "             Check OUTFLOW/STORAGE table or reduce DT."}},
    {100, {"*** WARNING: Outflow volume is less than inflow volume."}},
    {110, {"*** WARNING: New pipe size used for routing."}},
    {111, {"*** WARNING: New pipe size used for routing."}},
    {120, {"*** WARNING: Hydrograph was not shifted."}},
    {150, {"*** WARNING: Rating curve was extrapolated."}},
    {160, {"*** WARNING: Travel time table was extrapolated."}},
    {170, {"*** WARNING: This hydrograph is dry."}},
    {180, {"*** WARNING: Minor & Major system hydrographs are dry."}},
    {181, {"*** WARNING: Major System storage did not empty.", "             Some runoff volume may have been lost.", "             The minor system AREA & R.V. were adjusted."}},
    {182, {"*** WARNING: Baseflow was left in minor system."}},
    {183, {"*** NOTE: Use the new COMPUTE DUALHYD command and you", "          can enter NHYD values for both the major and", "          minor hydrographs.  A variable for the use of", "          major system storage is also available."}},
    {200, {"*** WARNING: No storage required, RelRate > Inflow Qp."}},
    {201, {"*** ERROR: RelRate < StRate, command aborted."}},
    {202, {"*** WARNING: Calculated volume may not be the maximum."}},
    {210, {"*** ERROR: No. of output hydrographs exceeds 5."}},
    {211, {"*** NOTE: Inflow hyd. is dry and cannot be diverted."}},
    {212, {"*** WARNING: Outflow tables were exceeded."}},
    {213, {"*** WARNING: The DWF was added before the diversion."}},
    {220, {"*** WARNING: No. of time steps exceeds the max. allowed.", "             Duration of the storm was reduced."}},
    {230, {"*** WARNING: The sum of the coordinates does not equal 1."}},
    {232, {"*** ERROR: Mass curve ordinates must be incremental.", "           Check mass curve file."}},
    {233, {"*** ERROR: Requested storm time step is too large."}},
    {234, {"*** WARNING: Using a storm DT which is larger than the", "             the mass curve DT may produce a storm with", "             lower intensities.  Check the hyetograph."}},
    {250, {"*** ERROR:  MODIFY STORM, ICASEms must be 1 or 2!"}},
    {251, {"*** WARNING: Rainfall was eliminated because RFACT=0."}},
    {252, {"*** ERROR: Rainfall eliminated, NSHIFT too large."}},
    {253, {"*** WARNING: NSHIFT may have caused rain to be lost."}},
    {254, {"*** WARNING: Duration of storm was reduced."}},
    {255, {"*** WARNING: Total rainfall volume has changed."}},
    {270, {"*** ERROR: Hydrograph filename not found."}},
    {271, {"*** NOTE: The hydrograph which was read is dry."}},
    {340, {"*** ERROR:  UNITS OF INPUT DATA WERE NOT SPECIFIED."}},
    {370, {"**** ERROR: AES data filename not provided."}},
    {371, {"**** ERROR: Starting date is later than ending date."}},
    {372, {"**** ERROR: Incorrect type of AES file!.  Run ended."}},
    {373, {"*** WARNING: Requested start date is less than", "             start date in file."}},
    {374, {"**** ERROR: # of rainfall increments too large.", "            Reduce the time span to read."}},
    {375, {"*** WARNING: Specified end date is beyond the end", "             date in file."}},
    {376, {"*** WARNING: Missing rainfall increments were set to 0."}},
    {400, {"**** ERROR: Invalid APII or APIK values."}},
    {401, {"**** ERROR: No rainfall to analyze! Simulation ended."}},
    {410, {"*** WARNING: Selected hydrograph is dry."}},
    {430, {"**** ERROR: SMIN cannot be greater than SMAX."}},
    {450, {"**** ERROR: The value of ADFp cannot be 0 if POP<>0."}},
    {451, {"**** ERROR: The value of ADFa cannot be 0 if XAcom<>0."}},
    {452, {"**** ERROR: The value of ADFg cannot be 0 if XAgwf<>0."}},
    {453, {"**** ERROR: The last digit of PKFp must be a 1."}},
    {454, {"**** ERROR: The last digit of PKFa must be a 2."}},
    {455, {"**** ERROR: XAcom cannot be > 1.0."}},
    {456, {"**** ERROR: XAgwf cannot be > 1.0."}},
    {457, {"**** ERROR: Time step must be greater than 1.0 minute."}},
    {458, {"**** ERROR: Time step must be an equal fraction or", "            an equal multiple of 5 minutes."}},
    {459, {"**** ERROR: Time step must be an equal fraction of a day."}},
    {460, {"**** ERROR: A value for NDAYS must be provided."}},
    {461, {"**** ERROR: To make use of internal Variable DWF curves,", "         the 2nd integer in PKFp must be a 1,2,3,4 or 5."}},
    {462, {"**** ERROR: To make use of internal Variable DWF curves,", "         the 2nd integer in PKFa must be a 1,2,3,4 or 5."}},
    {463, {"**** ERROR: Starting date required in the START command."}},
    {464, {"**** ERROR: Selected VarDWF curve not in V_D_DWF.dat file"}},
    // Run control: side files, input files and the commands of this build.
    {900, {"*** ERROR: The input file ended before a FINISH command."}},
    {901, {"*** ERROR: This command is not available in this build."}},
    {902, {"*** ERROR: The directory file kestran.DIR cannot be used:"}},
    {903, {"*** ERROR: The run list kestran.RUN cannot be used:"}},
    {904, {"*** ERROR: The run list kestran.RUN ended before a FINISH line."}},
    {905, {"*** ERROR: The input file cannot be read:"}},
    {906, {"*** ERROR: An output file cannot be created:"}},
    {907, {"*** WARNING: The run counter could not be saved in kestran.CNT:"}},
    {908, {"*** ERROR: The run list kestran.RUN ends inside a run set."}},
    {909, {"*** ERROR: A storm pointer file cannot be written:"}},
    // Hydrograph store and hydrograph files.
    {920, {"*** ERROR: Hydrograph ID must be from 1 to 10.  Command aborted."}},
    {921, {"*** ERROR: Hydrograph file cannot be read:"}},
    {922, {"*** ERROR: Hydrograph file cannot be written:"}},
    {923, {"*** WARNING: Automatic hydrograph file cannot be written:"}},
    // Rainfall: storm, mass curve and AES files, and CHICAGO STORM values.
    {940, {"*** ERROR: Storm file cannot be read:"}},
    {941, {"*** ERROR: Storm file ended before its rainfall was complete:"}},
    {942, {"*** ERROR: No storm or mass curve filename was given."}},
    {943, {"*** ERROR: Mass curve file cannot be read:"}},
    {944, {"*** ERROR: Mass curve file ended before its ordinates were complete:"}},
    {945, {"*** WARNING: The storm was cut to 105408 time steps."}},
    {946, {"**** ERROR: AES data file cannot be read:"}},
    {947, {"*** WARNING: Storm side file cannot be written:"}},
    {948, {"*** ERROR: CHICAGO STORM, time step must be above 0.", "           Command abandoned, storm unchanged."}},
    {949, {"*** ERROR: CHICAGO STORM, R must lie from 0 to 1, and not be", "           0 or 1 where steps lie on that side of the peak."}},
    {950, {"*** ERROR: CHICAGO STORM, the peak falls before step 1.", "           Increase R or reduce the time step."}},
    {951, {"*** ERROR: CHICAGO STORM, the IDF curve is undefined: table", "           intensities must be positive and t + B above 0."}},
    {952, {"*** ERROR: CHICAGO STORM, more than 20 IDF table pairs."}},
    {953, {"**** ERROR: Unreadable record in AES data file:"}},
    // Runoff generation: values the unit hydrographs and loss models cannot use.
    {960, {"*** ERROR: N must be greater than 1,  COMMAND aborted."}},
    {961, {"*** ERROR: TP must be greater than 0,  COMMAND aborted."}},
    {962, {"*** ERROR: LOSS must be 1, 2 or 3,  COMMAND aborted."}},
    {963, {"*** ERROR: The default values file cannot be read:"}},
    {964, {"*** ERROR: The default values file has fewer than 16 lines:"}},
    {965, {"*** ERROR: Surface slopes must be greater than 0,  COMMAND aborted."}},
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

void writeLine(model::RunContext& ctx, std::string_view text, int destination) {
  static const fortran::Format kLine("(6X,A70)");
  const std::string line = field70(text);
  if (destination == 1 || destination == 3) {
    put(ctx.platform.warningsWindow, kLine, {line});
    putLog(ctx, kLine, {line});
  }
  if (destination == 2 || destination == 3) put(*ctx.out.detailed, kLine, {line});
}

}  // namespace

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

void issue(model::RunContext& ctx, int number, int severity, int destination) {
  issue(ctx, number, severity, destination, {});
}

void issue(model::RunContext& ctx, int number, int severity, int destination, std::string_view detail) {
  static const fortran::Format kHeading("(1X,I3.3,':',I4.4,1X,A19)");
  model::RunState& run = ctx.run;
  // The heading introduces the messages of one command; only the command
  // counter is compared, so it appears once per command.
  if (run.commandCounter != run.lastHeadingCommand) {
    if (destination == 1 || destination == 3) {
      std::string label = run.label.substr(0, 19);
      label.resize(19, ' ');
      put(ctx.platform.warningsWindow, kHeading, {run.NRUN, run.commandCounter, label});
      putLog(ctx, kHeading, {run.NRUN, run.commandCounter, label});
    }
    run.lastHeadingCommand = run.commandCounter;
  }
  if (const MessageText* m = findMessage(number)) {
    for (std::string_view line : m->lines) writeLine(ctx, line, destination);
  } else {
    // Callers only issue numbers of the table; a missing one is still shown.
    writeLine(ctx, "*** ERROR: Message " + std::to_string(number) + " has no text.", destination);
  }
  for (std::size_t at = 0; at < detail.size(); at += 58) {
    // A detail (a path, a reason) may be longer than a line: it wraps,
    // indented under the message text, in pieces that stay inside the 70
    // columns the end-of-run copy keeps, so nothing of it is cut.
    writeLine(ctx, std::string(6, ' ').append(detail.substr(at, 58)), destination);
  }
  run.severity = severity;
}

std::string markerFor(int severity) {
  if (severity == 1) return "*  ";
  if (severity == 2) return "** ";
  return "   ";
}

void setMarker(model::RunContext& ctx) { ctx.run.marker = markerFor(ctx.run.severity); }

}  // namespace run
