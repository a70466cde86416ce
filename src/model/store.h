// The hydrograph store: slots -1 to 10, each holding one hydrograph in internal
// units (cfs, acres, inches, hours). Slot -1 is the work slot of ADD HYD.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/limits.h"

namespace model {

struct Hydrograph {
  int NHYD = 0;                                       // numeric reference; 0 means HYDNAME is used
  std::string HYDNAME = std::string(10, ' ');         // alphanumeric reference, 10 characters
  float DT = 0.0f;                                    // time step, hours
  float DA = 0.0f;                                    // drainage area, acres
  int NPTS = 0;                                       // number of ordinates
  std::vector<float> Q = std::vector<float>(1, 0.0f); // Q[1..NPTS], cfs, baseflow excluded
  float BASE = 0.0f;                                  // constant baseflow, cfs
  float QPEAK = 0.0f;                                 // largest ordinate, cfs
  float TPEAK = 0.0f;                                 // time of QPEAK on the run clock, hours
  float RV = 0.0f;                                    // runoff volume, inches over DA

  // Empties the slot as every run begins: reference, area, ordinates, peak and
  // volume are cleared; the time step DT keeps its value.
  void clear() {
    const float dt = DT;
    *this = Hydrograph{};
    DT = dt;
  }

  // Makes room for ordinates 1..n (entry 0 stays unused).
  void resize(int n) { Q.assign(static_cast<std::size_t>(n) + 1, 0.0f); }
};

struct Store {
  std::array<Hydrograph, kMaxSlotId - kMinSlotId + 1> slots{};
  int SVHYD = 0; // 1 while every produced hydrograph is saved automatically

  static bool userSlot(int id) { return id >= 1 && id <= kMaxSlotId; }
  Hydrograph& operator[](int id) { return slots[static_cast<std::size_t>(id - kMinSlotId)]; }
  const Hydrograph& operator[](int id) const { return slots[static_cast<std::size_t>(id - kMinSlotId)]; }
};

} // namespace model
