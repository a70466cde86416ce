// ROUTE RESERVOIR: level-pool routing of a hydrograph through a pond described
// by an outflow-storage table, by the storage-indication method on sub-steps
// of the inflow step, with an optional overflow hydrograph for the flow the
// table cannot pass.
//
// The computation (table reading, routing, volumes and areas) needs no run
// context: it works in internal units (cfs, cfs-hours, hours, acres, inches)
// on plain values, so it can be reused and tested on its own.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "model/context.h"

namespace routing {

// Cfs-hours in one acre-foot of storage.
inline constexpr float kCfsHoursPerAcreFoot = 12.1f;
// The table holds at most this many points.
inline constexpr int kMaxTablePoints = 20;

// The outflow-storage table as read from the command's values, in internal
// units: outflow in cfs, storage in cfs-hours. Points 1..n (entry 0 unused).
struct ReservoirTable {
  std::vector<float> outflow = std::vector<float>(kMaxTablePoints + 2, 0.0f);
  std::vector<float> storage = std::vector<float>(kMaxTablePoints + 2, 0.0f);
  int n = 0;
  int badPairs = 0;         // pairs with a negative or decreasing storage
  bool endPairFound = true; // false: 20 points and no end pair after them
  int overflowId = 0;       // the number after the end pair
  int overflowNhyd = 0;     // the number after that
};

// Reads the table from `param` (1-based values, as the command reader leaves
// them) starting at position `first`; only positions up to `last` hold values
// (later positions count as 0). Each point is an outflow and a storage; the
// table ends at the first following pair whose outflow is negative or smaller
// than the last outflow read (the end pair). The two numbers after the end
// pair are the overflow slot and its reference. Values past `last` end the
// table as an end pair would.
// Outflows are multiplied by the input flow factor, storages (acre-feet or
// hectare-metres) by the input length and area factors and by 12.1.
ReservoirTable readReservoirTable(std::span<const float> param, int first, int last, float flowFactor,
                                  float lengthFactor, float areaFactor);

// What the routing needs: the inflow ordinates q[1..npts] (entry 0 unused) at
// step `inflowDt` hours, the routing step requested (hours, above 0) and the
// table; `overflow` sends what the table cannot pass to an overflow hydrograph
// instead of extrapolating the table.
struct ReservoirRouting {
  std::span<const float> inflow;
  int npts = 0;
  float inflowDt = 0.0f;
  float requestedDt = 0.0f;
  const ReservoirTable* table = nullptr;
  bool overflow = false;
};

enum class ReservoirStatus {
  Routed,
  SinglePointBeyondTable, // one-point table and the storage went past it
  NoInflowStep,           // the inflow hydrograph has no time step
  Overflow,               // the indication, a flow or a volume went beyond single precision
};

struct ReservoirResult {
  ReservoirStatus status = ReservoirStatus::Routed;
  int nsub = 1;                // routing sub-steps per inflow step
  bool stepDenied = false;     // the requested step was longer than the inflow step
  bool cut = false;            // the sub-stepped inflow exceeded the ordinate limit
  bool extrapolated = false;   // the storage went beyond the table (no overflow slot)
  float dt = 0.0f;             // routing step used, hours
  std::vector<float> outflow;  // ordinates 1..npts (entry 0 unused), cfs
  std::vector<float> overflow; // ordinates 1..overflowNpts, cfs (empty without the option)
  int npts = 0;
  int overflowNpts = 0;
  float outflowSum = 0.0f; // sum of outflow ordinates 2..npts, cfs
  float overflowSum = 0.0f;
  float outflowPeak = 0.0f;
  int outflowPeakAt = 1; // ordinate of the peak
  float overflowPeak = 0.0f;
  int overflowPeakAt = 1;
  int overflowEvents = 0;     // separate runs of overflowing steps
  float overflowSteps = 0.0f; // number of overflowing steps
  float maxStorage = 0.0f;    // largest storage held, cfs-hours
  float endStorage = 0.0f;    // storage still held after the last step, cfs-hours
};

// Routes the inflow through the table. Bounded: at most 105,408 steps.
ReservoirResult routeThroughReservoir(const ReservoirRouting& in);

// Areas and depths of the outflow and overflow from their flow sums: the
// overflow takes the share of the inflow area that its volume is of the inflow
// volume, the outflow keeps the rest; each depth is its volume over its own area.
struct ReservoirVolumes {
  float outflowArea = 0.0f, outflowRv = 0.0f;
  float overflowArea = 0.0f, overflowRv = 0.0f;
};
ReservoirVolumes reservoirVolumes(const ReservoirResult& r, float inflowArea, float inflowRv, bool overflow);

// The command: reads its values, routes slot IDin into slot IDout (and the
// overflow slot), prints its block and writes its summary lines.
void routeReservoir(model::RunContext& ctx);

} // namespace routing
