// Run control state: run and command numbering, message severity and marker,
// units, the time origin and the side-file directories.
#pragma once

#include <array>
#include <string>

#include "model/units.h"

namespace model {

// Severity of a message: a note, a warning (the command's summary line is
// marked "*") or an error that ends the run after the command ("**").
enum class Severity { Note = 0, Warning = 1, Error = 2 };

struct RunState {
  int NRUN = 1;                       // run number
  int commandCounter = 0;             // number of the current command in the run
  Severity severity = Severity::Note; // highest severity of the command's messages
  std::string label;                  // command label, 19 characters where printed
  std::string commandName;            // table name of the command being carried out
  std::string marker = "   ";         // message marker: blanks, "*" or "**"
  std::string fileName;               // file name of PRINT/SAVE/READ HYD front ends (60)
  std::string comment;                // comment of the same front ends (60)
  int lastHeadingCommand = 0;         // command counter of the last message heading
  int runCounter = 0;                 // the counter kept in kestran.CNT
  bool stopProgram = false;           // SAVE HYD with ID below 1 stops everything
  bool writeRefused = false;          // a write out of the run's folders was refused: the run ends
};

// Unit system and conversion factors. Internal values are feet, acres, cfs,
// inches and hours; input values are multiplied by the input length, area and
// flow factors (depths divided by the depth factor), printed values divided by
// the output factors (depths multiplied).
struct Factors {
  float length = 0.0f; // 1.0 or kFeetPerMetre
  float area = 0.0f;   // 1.0 or kAcresPerHectare
  float flow = 0.0f;   // 1.0 or kFeetPerMetre cubed, cfs per cms
  float depth = 0.0f;  // 1.0 or kMmPerInch

  // The factor of a quantity: depths and intensities share one, velocities
  // take the length's, volumes acre-feet per hectare-metre, cubic volumes the
  // flow's; slopes and blank quantities have none.
  float of(Quantity q) const {
    switch (q) {
    case Quantity::Flow:
      return flow;
    case Quantity::Area:
      return area;
    case Quantity::Intensity:
    case Quantity::Depth:
      return depth;
    case Quantity::Volume:
      return area * length;
    case Quantity::Velocity:
    case Quantity::Length:
      return length;
    case Quantity::CubicVolume:
      return flow;
    case Quantity::Slope:
    case Quantity::None:
      return 1.0f;
    }
    return 1.0f;
  }
};

struct Units {
  int METIN = 0;  // input units: 1 imperial, otherwise metric
  int METOUT = 0; // output units: 1 imperial, 2 metric
  Factors in;
  Factors out;
  // Label table: [system 1..2][quantity], seven characters each, filled from
  // kUnitLabels when a run begins.
  std::array<std::array<std::string, 11>, 3> labels{};
  // Label of a quantity in the output system.
  const std::string& label(Quantity q) const { return labels[METOUT == 1 ? 1 : 2][index(q)]; }
  // Label of a quantity in unit system 1 (imperial) or 2 (metric).
  const std::string& label(int system, Quantity q) const { return labels[system][index(q)]; }
};

struct TimeOrigin {
  double TZERO = 0.0; // start of the simulation, hours
  int startDate = 0;  // YYYYMMDD from START, 0 when TZERO was given in hours
};

struct Directories {
  std::string project;  // joined before names without a ':' (up to 90 characters)
  std::string rainfall; // joined before storm names without a ':'
  // Where the automatic hydrograph files and the summary record file go;
  // empty = the project directory (a library run keeps them in its work
  // directory, so that runs side by side never share them).
  std::string records;
};

} // namespace model
