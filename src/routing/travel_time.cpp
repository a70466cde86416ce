// Travel-time tables from rating curves or from typed rows.
#include "routing/travel_time.h"

#include <algorithm>

namespace routing {

namespace {

constexpr float kSecondsPerHour = 3600.0f;
// Rows of a stored table that were not typed: depth and flow grow by this
// factor and the travel time shrinks by it.
constexpr float kGrowth = 1.1f;

// Flow and area of a curve at depth d, linear in depth between its rows.
void interpolate(const model::RatingCurve& c, float d, float& flow, float& area) {
  int r = 2;
  while (r < model::kRatingRows && c.depth[r] < d) ++r;
  const float span = c.depth[r] - c.depth[r - 1];
  const float f = span > 0.0f ? std::clamp((d - c.depth[r - 1]) / span, 0.0f, 1.0f) : 1.0f;
  flow = c.flow[r - 1] + (c.flow[r] - c.flow[r - 1]) * f;
  area = c.area[r - 1] + (c.area[r] - c.area[r - 1]) * f;
}

} // namespace

ComputedTravelTime computeTravelTime(std::span<const model::RatingCurve* const> sections, float length, float slope) {
  ComputedTravelTime out;
  model::TravelTimeTable& t = out.table;
  t.length = length;
  out.fall = slope * length;
  constexpr int n = model::kTravelRows;

  if (sections.size() < 2) {
    const model::RatingCurve& c = *sections.front();
    for (int k = 1; k <= n; ++k) {
      t.depth[k] = c.depth[k + 1];
      out.area[k] = c.area[k + 1];
      t.flow[k] = c.flow[k + 1];
    }
  } else {
    // The shallowest section limits the depth range; the least conveyance controls.
    float top = sections.front()->depth[model::kRatingRows];
    for (const model::RatingCurve* c : sections) top = std::min(top, c->depth[model::kRatingRows]);
    const float step = top / static_cast<float>(n);
    const float count = static_cast<float>(sections.size());
    for (int k = 1; k <= n; ++k) {
      const float d = step * static_cast<float>(k);
      float smallest = 0.0f, areaSum = 0.0f;
      for (std::size_t s = 0; s < sections.size(); ++s) {
        float flow = 0.0f, area = 0.0f;
        interpolate(*sections[s], d, flow, area);
        smallest = s == 0 ? flow : std::min(smallest, flow);
        areaSum += area;
      }
      t.depth[k] = d;
      t.flow[k] = smallest;
      out.area[k] = areaSum / count;
    }
  }

  // Water held below a level pool: the area integrated over the depth (by
  // trapezoids from the dry bottom), spread over depth/slope of reach.
  float integral = 0.0f, prevDepth = 0.0f, prevArea = 0.0f;
  for (int k = 1; k <= n; ++k) {
    const float a = out.area[k];
    const float q = t.flow[k];
    out.xVolume[k] = a * length;
    // No flow: no travel through the reach and no velocity (never a division by 0).
    t.time[k] = q > 0.0f ? a * length / kSecondsPerHour / q : 0.0f;
    out.velocity[k] = (q > 0.0f && a > 0.0f) ? q / a : 0.0f;
    integral += 0.5f * (a + prevArea) * (t.depth[k] - prevDepth);
    prevDepth = t.depth[k];
    prevArea = a;
    out.sVolume[k] = slope > 0.0f ? integral / slope : 0.0f;
    out.beyondReach[k] = t.depth[k] > out.fall;
  }
  t.defined = true;
  return out;
}

StoredTravelTime storeTravelTime(std::span<const TravelRow> rows, float length) {
  StoredTravelTime out;
  model::TravelTimeTable& t = out.table;
  t.length = length;
  const int typed = std::min(static_cast<int>(rows.size()), model::kTravelRows);
  for (int k = 1; k <= typed; ++k) {
    const TravelRow& r = rows[static_cast<std::size_t>(k - 1)];
    t.depth[k] = r.depth;
    t.flow[k] = r.flow;
    t.time[k] = r.time;
  }
  if (typed < model::kTravelRows) out.extrapolatedFrom = typed + 1;
  for (int k = std::max(typed + 1, 2); k <= model::kTravelRows; ++k) {
    t.depth[k] = t.depth[k - 1] * kGrowth;
    t.flow[k] = t.flow[k - 1] * kGrowth;
    t.time[k] = t.time[k - 1] / kGrowth;
  }
  t.defined = true;
  return out;
}

} // namespace routing
