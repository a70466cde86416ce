// Units: the conversion constants of the system and the quantities its
// printed values carry. Internal values are feet, acres, cfs, inches and hours.
#pragma once

#include <array>
#include <string_view>

namespace model {

inline constexpr float kMmPerInch = 25.4f;
inline constexpr float kFeetPerMetre = 3.2808f;
inline constexpr float kAcresPerHectare = 2.471f;
// cfs per cms as hydrograph files are read back (3.2808 cubed, rounded).
inline constexpr float kCfsPerCms = 35.31338f;
// cfs-hours in one inch of runoff over one acre, as every volume rule writes it.
inline constexpr float kCfsHoursPerAcreInch = 1.00833f;
// The same, more precisely, as the groundwater baseflow of NASHYD uses it.
inline constexpr float kCfsHoursPerAcreInchPrecise = 1.0083333f;
inline constexpr float kSquareFeetPerAcre = 43560.0f;
inline constexpr float kMinutesPerHour = 60.0f;
inline constexpr float kSecondsPerHour = 3600.0f;
inline constexpr float kInchesPerFoot = 12.0f;

// The quantities a printed value can carry; each indexes a label and a factor.
enum class Quantity {
  Flow = 1,        // cfs / cms
  Area = 2,        // ac / ha
  Intensity = 3,   // in/hr / mm/hr
  Depth = 4,       // in / mm
  Volume = 5,      // ac.ft / ha.m
  Velocity = 6,    // ft/s / m/s
  Length = 7,      // ft / m
  Slope = 8,       // ft/ft / m/m
  CubicVolume = 9, // cu.ft / cu.m
  None = 10,       // blank label
};

// Seven-character labels by unit system (1 imperial, 2 metric) and quantity.
inline constexpr std::array<std::array<std::string_view, 11>, 3> kUnitLabels{{
    {},
    {"", "  (cfs)", "   (ac)", "(in/hr)", "   (in)", "(ac.ft)", " (ft/s)", "   (ft)", "(ft/ft)", "(cu.ft)", "       "},
    {"", "  (cms)", "   (ha)", "(mm/hr)", "   (mm)", "(ha.m.)", "  (m/s)", "    (m)", "  (m/m)", "(cu.m.)", "       "},
}};

inline constexpr std::size_t index(Quantity q) { return static_cast<std::size_t>(q); }

} // namespace model
