// EROSION INDEX figures of one hydrograph: the strict threshold, the
// duration in days/hours/minutes, the average flow, and what counts as dry.
#include "hydrograph/erosion_index.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

model::Hydrograph hydrograph(const std::vector<float>& q, float dtHours, float area, float peak, float rv) {
  model::Hydrograph h;
  h.resize(static_cast<int>(q.size()));
  for (std::size_t i = 0; i < q.size(); ++i) h.Q[i + 1] = q[i];
  h.NPTS = static_cast<int>(q.size());
  h.DT = dtHours;
  h.DA = area;
  h.QPEAK = peak;
  h.RV = rv;
  return h;
}

TEST(ErosionIndex, FiguresPerHydrograph) {
  struct Case {
    const char* what;
    model::Hydrograph h;
    float qce;
    bool dry;
    int count, days, hours, minutes;
    float duration, qavg, erosive, exceedance;
  };
  const float five = 5.0f / 60.0f;
  // RV chosen so that DA x RV x 1.00833 is a round volume in cfs-hours.
  const Case cases[] = {
      // Ordinates 2 and 3 equal Qce = 2 and 3: only those strictly above count.
      {"equal is not erosive", hydrograph({1, 2, 3, 2, 1}, 0.5f, 1.0f, 3.0f, 4.5f / 1.00833f), 2.0f, false, 1, 0, 2, 30,
       2.5f, 1.8f, 0.5f, 20.0f},
      // 288 five-minute ordinates: 24 hours, printed as one day and 00:00.
      {"one day", hydrograph(std::vector<float>(288, 1.0f), five, 2.0f, 1.0f, 12.0f / 1.00833f), 0.5f, false, 288, 1, 0,
       0, 24.0f, 1.0f, 24.0f, 100.0f},
      // 30 ten-minute ordinates: 5 hours.
      {"hours and minutes", hydrograph(std::vector<float>(31, 0.0f), 10.0f / 60.0f, 1.0f, 1.0f, 1.0f), 0.0f, false, 0,
       0, 5, 10, 31.0f / 6.0f, 1.00833f * 6.0f / 31.0f, 0.0f, 0.0f},
      {"no area is dry even with flows", hydrograph({1, 5, 1}, 0.5f, 0.0f, 5.0f, 0.0f), 2.0f, true, 0, 0, 0, 0, 0.0f,
       0.0f, 0.0f, 0.0f},
      {"no peak is dry", hydrograph({0, 0}, 0.5f, 3.0f, 0.0f, 0.0f), 0.0f, true, 0, 0, 0, 0, 0.0f, 0.0f, 0.0f, 0.0f},
      // A peak without ordinates would divide by a zero duration.
      {"no ordinates is dry", hydrograph({}, 0.5f, 3.0f, 2.0f, 1.0f), 0.0f, true, 0, 0, 0, 0, 0.0f, 0.0f, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const hydrograph::ErosionFigures f = hydrograph::computeErosion(c.h, c.qce);
    EXPECT_EQ(f.dry, c.dry);
    EXPECT_EQ(f.count, c.count);
    EXPECT_EQ(f.days, c.days);
    EXPECT_EQ(f.hours, c.hours);
    EXPECT_EQ(f.minutes, c.minutes);
    EXPECT_NEAR(f.duration, c.duration, 1e-5);
    EXPECT_NEAR(f.qavg, c.qavg, 1e-5);
    EXPECT_NEAR(f.erosiveHours, c.erosive, 1e-5);
    EXPECT_NEAR(f.exceedance, c.exceedance, 1e-4);
  }
}

} // namespace
