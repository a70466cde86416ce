// Daily variation curves of dry-weather sewage flow: the factor by which the
// average daily flow is multiplied at each time of day, one set of values for
// weekdays and one for weekend days. Curves 1 to 3 are built in; curves 4 and 5
// are read from the user's curve file "D_V_DWF.DAT".
#pragma once

#include <string>
#include <vector>

namespace runoff {

// A curve as defined: piecewise-constant factors, value i holding from minute
// (i - 1) * step to i * step after midnight, covering the whole day.
struct DailyCurve {
  int number = 0;
  float stepMinutes = 60.0f;
  std::vector<float> weekday;
  std::vector<float> weekend;
};

// Built-in curves 1 to 3 (hourly values); nullptr for other numbers.
const DailyCurve* builtInCurve(int number);

// Name of the curve file, completed with the project directory like every
// other side file.
inline constexpr const char* kCurveFileName = "D_V_DWF.DAT";

// The result of looking for curve `number` in the lines of a curve file.
struct CurveLookup {
  enum class Status { Found, Missing, Malformed };
  Status status = Status::Missing;
  DailyCurve curve;
  std::string problem; // what is wrong with the file (Malformed)
};
CurveLookup findCurveInFile(const std::vector<std::string>& lines, int number);

// The curve brought to a step of `dtMinutes`: per step of the day, the mean of
// the curve over that step (for a step of a day or longer, the daily mean).
// Index [0] weekday, [1] weekend; values per step 1..n in entries 0..n-1.
struct StepCurve {
  std::vector<float> values[2];
  float peak() const; // the largest value of either set
};
StepCurve resampleCurve(const DailyCurve& curve, float dtMinutes);

} // namespace runoff
