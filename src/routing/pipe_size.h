// Full-flow capacity of circular and rectangular pipes by Manning's equation,
// and the smallest pipe that carries a required flow. Feet, cfs; the slope is
// a fraction. Callers reject a slope or Manning n of 0 or less before sizing.
#pragma once

namespace routing {

// Manning's constant of the imperial form Q = 1.486/n A R^(2/3) S^(1/2).
inline constexpr float kManning = 1.486f;

// True when a pipe can be sized and routed: length, Manning n and slope above 0.
bool pipeValuesUsable(float length, float n, float slope);

// Full-flow capacity of a circular pipe of diameter d (0 or less carries
// nothing). `pi` is the value of pi the calling command works with.
float circularCapacity(float d, float n, float slope, float pi);

// Diameter whose full-flow capacity equals q (above 0):
// (q n / 1.486 * 4^(5/3) / pi / sqrt(S))^(3/8).
float minimumDiameter(float q, float n, float slope, float pi);

// Full-flow capacity of a closed rectangular section, width by height, the
// wetted perimeter taken all round (2W + 2H).
float rectangularCapacity(float width, float height, float n, float slope);

struct RectangularSize {
  float width = 0.0f;
  float height = 0.0f;
};

// The rectangular section of the same width-to-height ratio whose full-flow
// capacity equals q (both dimensions above 0).
RectangularSize minimumRectangle(float q, float n, float slope, float ratio);

// A circular or rectangular pipe checked against the flow it must carry: when
// its capacity is below the required flow it is replaced by the minimum size.
struct SizedPipe {
  float width = 0.0f;  // diameter of a circular pipe, ft
  float height = 0.0f; // rectangular only, ft
  float capacity = 0.0f;
  bool enlarged = false;
};
SizedPipe sizeCircular(float d, float required, float n, float slope, float pi);
SizedPipe sizeRectangular(float width, float height, float required, float n, float slope);

} // namespace routing
