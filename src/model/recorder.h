// What a run reports as data besides its fixed-format files: every message,
// every summary row, every hydrograph a command produced, the storm each
// runoff command used and the files written. The program's own outputs do not
// need it (the pointer in the context stays null); the library gives a run a
// recorder and returns what it collected.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/run_state.h"

namespace model {

struct MessageRecord {
  int run = 0;     // NRUN
  int command = 0; // command counter within the run, 0 before the first command
  int number = 0;
  Severity severity = Severity::Note;
  std::vector<std::string> lines; // the text lines as written, detail included
};

// One summary line as data, in the output units of the run.
struct SummaryRecord {
  int run = 0, command = 0;
  std::string label;                // command label, trailing blanks removed
  std::string marker;               // "", "*" or "**"
  int id = 0;                       // slot
  int nhyd = 0;                     // numeric reference, 0 when `name` is used
  std::string name;                 // alphanumeric reference, trailing blanks removed
  float area = 0.0f;                // ac or ha
  float peak = 0.0f;                // with baseflow, cfs or cms
  float peakHours = 0.0f;           // time of peak on the run clock, hours
  std::string dateLabel;            // as printed: "YYYY.MMDD_hh:mm" or "No_date hhhhh:mm"
  float volume = 0.0f;              // runoff volume, in or mm
  std::optional<float> coefficient; // runoff coefficient where the line has one
};

// A hydrograph a command stored in a slot, in the output units of the run.
struct HydrographRecord {
  int run = 0, command = 0;
  std::string label;
  int id = 0, nhyd = 0;
  std::string name;
  float dtHours = 0.0f;
  float area = 0.0f;        // ac or ha
  float base = 0.0f;        // constant baseflow, cfs or cms
  double startHours = 0.0;  // time of the first ordinate on the run clock
  std::vector<float> flows; // ordinates without the baseflow, cfs or cms
  float peak = 0.0f;        // with baseflow, as on the summary line
  float peakHours = 0.0f;   // time of peak on the run clock, hours
  float volume = 0.0f;      // runoff volume, in or mm, as on the summary line
  int date = 0;             // YYYYMMDD of the storm in force (its day 0 on the run clock), 0 = none
  bool produced = true;     // stored by this command; false for an input whose line it repeats
};

// The storm in force when a runoff command ran, in the output units.
struct StormRecord {
  int run = 0, command = 0;
  std::string title;
  int date = 0; // YYYYMMDD, 0 = none
  float dtHours = 0.0f;
  std::vector<float> intensities; // in/hr or mm/hr
  float depth = 0.0f;             // in or mm
};

// One hydrograph that came into or left a command, for following volumes
// through the run.
struct LedgerFlow {
  int slot = 0;
  int command = 0;     // for an input: the command that produced it (0: unknown)
  double volume = 0.0; // m3, ordinates and baseflow
  bool sent = false;   // for an output: sent elsewhere (overflow, diversion)
};

// The water balance of one command that produced or moved hydrographs, in
// cubic metres: volumeIn = volumeOut + losses + stored + sent, up to the
// continuity error.
struct LedgerRecord {
  int run = 0, command = 0;
  std::string label;    // the command's name
  int id = 0, nhyd = 0; // the slot of its main output and its reference
  std::string name;
  std::vector<int> sources; // commands whose hydrographs came in; empty for runoff from rainfall
  double volumeIn = 0.0, volumeOut = 0.0;
  double initialAbstraction = 0.0, infiltration = 0.0, depressionStorage = 0.0, evaporation = 0.0;
  double stored = 0.0; // left in storage at the end: reservoirs, dual drainage, groundwater
  double sent = 0.0;   // sent elsewhere: overflow, diversions
  double errorPercent = 0.0;
  bool flagged = false; // |errorPercent| > 1
  std::string reason;   // why, where known, when flagged
  std::vector<LedgerFlow> inputs, outputs;
};

class RunRecorder {
public:
  virtual ~RunRecorder() = default;
  virtual void message(MessageRecord record) = 0;
  virtual void summary(SummaryRecord record) = 0;
  virtual void hydrograph(HydrographRecord record) = 0;
  virtual void storm(StormRecord record) = 0;
  virtual void fileWritten(const std::string& path) = 0;
  virtual void ledger(LedgerRecord) {}
  // Output units of the run as they are when a record is made.
  virtual void units(int METOUT) = 0;
};

} // namespace model
