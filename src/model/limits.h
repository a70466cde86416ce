// Array limits shared by every subsystem.
#pragma once

namespace model {

inline constexpr int kMaxRainSteps = 105408; // rainfall steps of one storm
inline constexpr int kMaxOrdinates = 105408; // ordinates of one hydrograph
inline constexpr int kMaxSlotId = 10;        // user slots are 1..10
inline constexpr int kMinSlotId = -1;        // -1 is the ADD HYD work slot
inline constexpr int kParamCapacity = 1200;  // PARAM positions (the table needs 999)
inline constexpr int kStrings = 10;          // quoted strings per command
inline constexpr int kStringLength = 60;     // longest quoted string

// The integer part of a real, as the system takes counts, indices and steps by
// truncation; beyond the range of int it saturates (a NaN gives 0), so that a
// huge or mistyped value reaches the range checks instead of an undefined
// conversion.
constexpr int truncatedInt(float v) {
  if (!(v == v)) return 0;
  if (v >= 2147483648.0f) return 2147483647;
  if (v <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(v);
}

} // namespace model
