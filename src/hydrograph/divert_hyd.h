// DIVERT HYD: one inflow hydrograph split into up to five outputs by a table
// of the flow each output receives at a series of total inflows.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/context.h"

namespace hydrograph {

inline constexpr int kMaxDivertOutputs = 5;
inline constexpr int kMaxDivertRows = 20;

// A table row: the flow of each output, then the total inflow at which they
// apply (cfs).
struct DivertRow {
  std::vector<float> flows;
  float total = 0.0f;
};

// PARAM: 1 inflow slot, 2 number of outputs, then a slot and an NHYD per
// output (0: named by the output's STRING entry), then the table row by row.
struct DivertHydValues {
  int idIn = 0;
  int outputs = 0;
  std::array<int, kMaxDivertOutputs> idOut{};
  std::array<int, kMaxDivertOutputs> nhyd{};
  std::vector<DivertRow> table; // read only when the number of outputs is valid
};

DivertHydValues readDivertHydValues(const model::CommandValues& cmd, float flowFactor);

// Flow events (ordinates above 0 after an ordinate of 0) and wet steps.
struct FlowStatistics {
  int events = 0;
  int wetSteps = 0;
  void count(float q, float previous);
};

struct DivertHydResult {
  bool dry = false;      // the inflow holds no runoff: nothing is diverted
  bool exceeded = false; // an inflow ordinate lay above the table's last total
  std::vector<model::Hydrograph> outs;
  FlowStatistics inflow;
  std::vector<FlowStatistics> outflow;
};

// Splits `in` (its baseflow included in every ordinate diverted) by `table`.
// Inflows above the last total take the last row's flows.
DivertHydResult computeDivertHyd(const model::Hydrograph& in, const std::vector<DivertRow>& table);

void divertHyd(model::RunContext& ctx);

} // namespace hydrograph
