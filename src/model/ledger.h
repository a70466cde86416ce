// The water balance being gathered for the command that is running, and which
// command last produced each slot, so that a volume can be followed from the
// storm over a catchment to the run's outlets. Kept only while the run's
// results are wanted as data (`on`); the program's own outputs never read it.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/limits.h"
#include "model/recorder.h"

namespace model {

enum class LossKind { InitialAbstraction, Infiltration, DepressionStorage, Evaporation };

struct LedgerDraft {
  bool active = false;
  std::vector<LedgerFlow> inputs; // volumes in cubic feet while gathered
  std::vector<int> outputs;       // slots stored by the command, in order
  std::vector<int> sentSlots;     // of those, the ones sent elsewhere
  std::vector<int> storedSlots;   // every slot stored by the command, work slots too
  double inflow = 0.0;            // cubic feet from outside the store: rainfall, baseflow, a file
  std::array<double, 4> losses{}; // cubic feet, by LossKind
  double stored = 0.0;            // cubic feet left in storage
  float finestInputDt = 0.0f;     // hours, of the hydrographs read (0: none)
  std::vector<std::string> reasons;
};

struct LedgerState {
  bool on = false;
  int run = 0, lastCommand = 0; // of the last command seen
  // The command (of the current run) that last stored each slot; 0: none.
  std::array<int, kMaxSlotId - kMinSlotId + 1> producer{};
  LedgerDraft draft;
};

} // namespace model
