// ADD HYD: up to nine hydrographs of the store summed into one output slot.
// Inputs of different time steps are summed on the finest step, a coarser
// input being resampled by linear interpolation in its own slot first.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "hydrograph/producer.h"
#include "model/context.h"

namespace hydrograph {

inline constexpr int kAddHydInputs = 9;

// PARAM: 1 output slot, 2 NHYD of the output (0: named by STRING 1), 3 to 11
// the input slots (0: no input in that position).
struct AddHydValues {
  int idOut = 0;
  int nhyd = 0;
  std::array<int, kAddHydInputs> idIn{};
};

AddHydValues readAddHydValues(const model::CommandValues& cmd);

struct AddHydResult {
  // Every listed input is dry (no area and no peak): the output is dry too
  // and carries the smallest input step.
  bool dry = false;
  // The output: ordinates, step, area and baseflow of the sum, with its peak,
  // peak time and runoff volume (reference fields untouched).
  model::Hydrograph sum;
  // The totals the peak and volume come from (when not dry), by the rules
  // the sum is stored with.
  Totals totals;
  // Coarser inputs resampled onto the finer step, by slot: their ordinates,
  // NPTS and DT change, their peak and volume stay as they were.
  std::vector<std::pair<int, model::Hydrograph>> resampled;
};

// Merges the listed inputs of `store` pairwise in list order. The running sum
// is held apart from the store, so an output slot that is also an input gives
// what distinct slots would give. `tzero` is the run's time origin (hours).
AddHydResult computeAddHyd(const model::Store& store, const std::array<int, kAddHydInputs>& idIn, double tzero);

// Resamples `h` in place onto the finer step `dt` (hours) by linear
// interpolation between its ordinates; ordinate 1 stays.
void resampleOntoStep(model::Hydrograph& h, float dt);

void addHyd(model::RunContext& ctx);

} // namespace hydrograph
