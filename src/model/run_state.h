// Run control state: run and command numbering, message severity and marker,
// units, the time origin and the side-file directories.
#pragma once

#include <array>
#include <string>

namespace model {

// Severity of a message: a note, a warning (the command's summary line is
// marked "*") or an error that ends the run after the command ("**").
enum class Severity { Note = 0, Warning = 1, Error = 2 };

struct RunState {
  int NRUN = 1;              // run number
  int commandCounter = 0;    // number of the current command in the run
  Severity severity = Severity::Note;  // severity of the last message
  std::string label;         // command label, 19 characters where printed
  std::string commandName;   // table name of the command being carried out
  std::string marker = "   ";  // message marker: blanks, "*" or "**"
  std::string fileName;      // file name of PRINT/SAVE/READ HYD front ends (60)
  std::string comment;       // comment of the same front ends (60)
  int lastHeadingCommand = 0;   // command counter of the last message heading
  int runCounter = 0;        // the counter kept in kestran.CNT
  bool stopProgram = false;  // SAVE HYD with ID below 1 stops everything
};

// Unit system and conversion factors. Internal values are feet, acres, cfs,
// inches and hours; input values are multiplied by the input length, area and
// flow factors (depths divided by the depth factor), printed values divided by
// the output factors (depths multiplied).
struct Factors {
  float length = 0.0f;  // 1.0 or 3.2808 ft per m
  float area = 0.0f;    // 1.0 or 2.471 ac per ha
  float flow = 0.0f;    // 1.0 or 3.2808**3 cfs per cms
  float depth = 0.0f;   // 1.0 or 25.4 mm per in
};

struct Units {
  int METIN = 0;   // input units: 1 imperial, otherwise metric
  int METOUT = 0;  // output units: 1 imperial, 2 metric
  Factors in;
  Factors out;
  // Label table: [system 1..2][quantity 1..10], seven characters each.
  std::array<std::array<std::string, 11>, 3> labels{};
  // Label of quantity q in the output system (1 flow, 2 area, 3 intensity,
  // 4 depth, 5 volume, 6 velocity, 7 length, 8 slope, 9 cubic volume, 10 none).
  const std::string& label(int q) const { return labels[METOUT == 1 ? 1 : 2][q]; }
};

struct TimeOrigin {
  double TZERO = 0.0;  // start of the simulation, hours
  int startDate = 0;   // YYYYMMDD from START, 0 when TZERO was given in hours
};

struct Directories {
  std::string project;   // joined before names without a ':' (up to 90 characters)
  std::string rainfall;  // joined before storm names without a ':'
};

}  // namespace model
