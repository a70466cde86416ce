// COMPUTE DUALHYD and COMPUTE DUHYD: a total runoff hydrograph split into the
// flow the street inlets take (minor system) and the rest (major system), with
// an optional major-system storage that drains back into the minor system.
#pragma once

#include <string>

#include "model/context.h"

namespace hydrograph {

// The values of either command in internal units.
struct DualValues {
  int idTotal = 0;
  float cinlet = 0.0f; // CINLET, average inlet capacity, cfs
  int ninlet = 0;      // NINLET, number of inlets
  int idMajor = 0, idMinor = 0;
  int nhydMajor = 0, nhydMinor = 0; // 0: the name below is the reference
  std::string nameMajor = std::string(10, ' ');
  std::string nameMinor = std::string(10, ' ');
  float tmjsto = 0.0f; // TMJSTO, major system storage, cubic feet (0: none)
};

// COMPUTE DUALHYD: 1 total ID, 2 CINLET, 3 NINLET, 4 major ID, 5 its NHYD,
// 6 minor ID, 7 its NHYD, 8 TMJSTO (input volume unit).
DualValues readDualhydValues(const model::CommandValues& cmd, const model::Units& units);
// COMPUTE DUHYD: 1 total ID, 2 major NHYD, 3 CINLET, 4 NINLET, 5 major ID,
// 6 minor ID; the minor NHYD is the major's + 100000 and there is no storage.
DualValues readDuhydValues(const model::CommandValues& cmd, const model::Units& units);

struct DualResult {
  model::Hydrograph major, minor; // ordinates, DT, DA, NPTS, BASE, QPEAK, TPEAK, RV
  double capacity = 0.0;          // NINLET x CINLET, cfs
  float storageLeft = 0.0f;       // cubic feet still stored after the last step
  float maxStorage = 0.0f;        // cubic feet
  int overflowEvents = 0;         // major ordinates above 0 after one of 0
  int overflowSteps = 0;          // major ordinates above 0
  bool dry = false;               // the total carries no runoff volume
};

// Splits `total` (which is not changed) at the inlet capacity; `tzero` is the
// run's time origin added to the peak times.
DualResult splitDualDrainage(const model::Hydrograph& total, const DualValues& v, double tzero);

// The commands. Both print the input block, the two outputs, the peak notes
// and three summary lines.
void computeDualhyd(model::RunContext& ctx);
void computeDuhyd(model::RunContext& ctx);

} // namespace hydrograph
