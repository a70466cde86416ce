// The rainfall set-up of the runoff commands: the number of steps of the storm
// at the command's time step.
#include "runoff/rainfall.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Steps at DT: the integer part of NSTEP * SDT / DT + 0.55, so a count whose
// fraction is 0.45 or more rounds up and one below 0.45 rounds down.
TEST(StormStepCount, TakesTheIntegerPartAfterAddingFiftyFiveHundredths) {
  struct Case {
    int nstep;
    float sdt, dt; // hours
    int expected;
  };
  for (const Case& c : std::vector<Case>{
           {6, 1.0f, 1.0f, 6},                         // same step: 6.55 -> 6
           {5, 1.0f / 6.0f, 0.05f, 17},                // 16.667 + 0.55 = 17.217 -> 17
           {9, 1.0f, 2.0f, 5},                         // 4.5 + 0.55 = 5.05 -> 5 (rounds up from .45)
           {147, 1.0f, 100.0f, 2},                     // 1.47 + 0.55 = 2.02 -> 2 (+0.5 would give 1)
           {111, 1.0f, 25.0f, 4},                      // 4.44 + 0.55 = 4.99 -> 4
           {3, 1.0f / 6.0f, 0.4f, 1},                  // 1.25 + 0.55 = 1.8 -> 1
           {0, 1.0f, 1.0f, 0},                         // no storm: 0.55 -> 0
           {10, 1.0f, 0.0f, 0},                        // no step
           {105408, 1.0f, 0.5f, model::kMaxRainSteps}, // capped at the rainfall step limit
       }) {
    model::Storm s;
    s.NSTEP = c.nstep;
    s.SDT = c.sdt;
    EXPECT_EQ(runoff::stormStepCount(s, c.dt), c.expected) << c.nstep << " x " << c.sdt << " / " << c.dt;
  }
}

} // namespace
