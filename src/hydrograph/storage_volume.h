// COMPUTE VOLUME: the storage needed to cut the peak of a hydrograph down to a
// release rate, the outflow rising linearly from a start rate while the
// storage fills.
#pragma once

#include "model/context.h"

namespace hydrograph {

// PARAM: 1 slot, 2 start rate, 3 release rate; each a flow in the input unit,
// or a percentage of the peak when negative. A start rate of exactly -100
// searches 101 start rates for the largest storage.
struct StorageVolumeValues {
  int id = 0;
  float startTyped = 0.0f;
  float releaseTyped = 0.0f;
  bool search() const { return startTyped == -100.0f; }
};

StorageVolumeValues readStorageVolumeValues(const model::CommandValues& cmd);

// Start rate S or release rate R in cfs from its typed value.
float rateFromTyped(float typed, float peak, float flowFactor);

struct StorageTrial {
  float start = 0.0f;        // S, cfs
  float release = 0.0f;      // R, cfs
  float t1 = 0.0f;           // start of control, hours after ordinate 1
  float t2 = 0.0f;           // end of control, hours after ordinate 1
  float storage = 0.0f;      // cubic feet
  bool controlled = false;   // the inflow rose above the start rate
  bool neverEmptied = false; // it did not fall to the release rate after its peak
};

// One trial: control starts when the inflow rises through S and stops when,
// past the peak, it falls through R. A hydrograph that never falls to R is
// counted to its last ordinate; one that never rises above S stores nothing.
StorageTrial storageTrial(const model::Hydrograph& h, float start, float release);

// The kept trial: the given start rate alone, or the largest storage over the
// start rates 0, 1, ..., 100 % of R.
StorageTrial requiredStorage(const model::Hydrograph& h, float start, float release, bool search);

void computeVolume(model::RunContext& ctx);

} // namespace hydrograph
