// Pipe capacity and minimum pipe size by Manning's equation for a pipe flowing
// full as an open channel (hydraulic radius D/4 for a circle).
#include "routing/pipe_size.h"

#include <cmath>

namespace routing {

namespace {

constexpr float kTwoThirds = 2.0f / 3.0f;
constexpr float kFourToFiveThirds = 10.079368f; // 4^(5/3)
constexpr float kThreeEighths = 0.375f;

} // namespace

bool pipeValuesUsable(float length, float n, float slope) {
  // Written so that a NaN fails as well.
  return length > 0.0f && n > 0.0f && slope > 0.0f;
}

float circularCapacity(float d, float n, float slope, float pi) {
  if (d <= 0.0f) return 0.0f;
  const float area = pi * d * d / 4.0f;
  return kManning * area / n * std::pow(d / 4.0f, kTwoThirds) * std::sqrt(slope);
}

float minimumDiameter(float q, float n, float slope, float pi) {
  return std::pow(q * n / kManning * kFourToFiveThirds / pi / std::sqrt(slope), kThreeEighths);
}

float rectangularCapacity(float width, float height, float n, float slope) {
  if (width <= 0.0f || height <= 0.0f) return 0.0f;
  const float area = width * height;
  const float perimeter = 2.0f * height + 2.0f * width;
  return kManning * area / n * std::pow(area / perimeter, kTwoThirds) * std::sqrt(slope);
}

RectangularSize minimumRectangle(float q, float n, float slope, float ratio) {
  // Q = 1.486/n (r H^2) (r H^2 / ((2r + 2) H))^(2/3) S^(1/2) solved for H.
  const float height = std::pow(q * n / kManning / std::sqrt(slope) * std::pow(2.0f * ratio + 2.0f, kTwoThirds) /
                                    std::pow(ratio, 5.0f / 3.0f),
                                kThreeEighths);
  return {ratio * height, height};
}

SizedPipe sizeCircular(float d, float required, float n, float slope, float pi) {
  SizedPipe p{d, 0.0f, circularCapacity(d, n, slope, pi), false};
  if (required > p.capacity) {
    p.width = minimumDiameter(required, n, slope, pi);
    p.capacity = circularCapacity(p.width, n, slope, pi);
    p.enlarged = true;
  }
  return p;
}

SizedPipe sizeRectangular(float width, float height, float required, float n, float slope) {
  SizedPipe p{width, height, rectangularCapacity(width, height, n, slope), false};
  if (required > p.capacity) {
    const RectangularSize s = minimumRectangle(required, n, slope, width / height);
    p.width = s.width;
    p.height = s.height;
    p.capacity = rectangularCapacity(p.width, p.height, n, slope);
    p.enlarged = true;
  }
  return p;
}

} // namespace routing
