// Array limits shared by every subsystem.
#pragma once

namespace model {

inline constexpr int kMaxRainSteps = 105408;   // rainfall steps of one storm
inline constexpr int kMaxOrdinates = 105408;   // ordinates of one hydrograph
inline constexpr int kMaxSlotId = 10;          // user slots are 1..10
inline constexpr int kMinSlotId = -1;          // -1 is the ADD HYD work slot
inline constexpr int kParamCapacity = 1200;    // PARAM positions (the table needs 999)
inline constexpr int kStrings = 10;            // quoted strings per command
inline constexpr int kStringLength = 60;       // longest quoted string

}  // namespace model
