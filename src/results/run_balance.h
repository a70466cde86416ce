// The run's water balance: the storm over each catchment followed, command by
// command through the `sources` of the ledger, to the hydrographs that no
// later command took (the run's outlets).
#pragma once

#include <string>
#include <vector>

#include "model/recorder.h"

namespace results {

struct CatchmentBalance {
  int run = 0, command = 0; // the runoff command of the catchment
  std::string label;
  int id = 0, nhyd = 0;
  std::string name;
  double rainfall = 0.0;  // m3 that came in: storm over the area (and baseflow, starting groundwater)
  double losses = 0.0;    // m3 lost on the catchment, all kinds
  double stored = 0.0;    // m3 the catchment itself kept (groundwater)
  double runoff = 0.0;    // m3 that left the catchment as hydrographs
  double atOutlets = 0.0; // m3 of its water in hydrographs no later command took
  // m3 of its runoff that stayed in storage or was lost on the way (runoff - atOutlets)
  double onTheWay = 0.0;
  std::vector<int> path; // the commands that carried its water, in order
};

// One entry per ledger record without hydrograph inputs (a runoff command,
// and also typed or read hydrographs, which bring water in the same way);
// each downstream record carries its inputs' catchments in the shares their
// volumes hold of all it received.
std::vector<CatchmentBalance> runBalance(const std::vector<model::LedgerRecord>& ledger);

} // namespace results
