// A whole command input file, end to end through the library: the run must
// close with its end-of-run block and write no NaN or infinity. The storm and
// hydrograph files the seeds name are there for the study to read.
#include <cstdint>

#include "harness.h"

namespace {

constexpr const char* kStorm =
    "2\nFive-step 10-minute storm, intensities in mm/hr\n10\n5\n12.0\n30.0\n60.0\n24.0\n6.0\n-1\n";
constexpr const char* kHydrograph =
    " 2\nInflow to the pond, typed in\n    10.00\n     12.5000\n     0.000000\n     0.150000\n"
    "     0.420000\n     0.800000\n     0.650000\n     0.400000\n     0.220000\n   -1.000\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::runStudy(fuzz::textOf(data, size),
                 {{"RAIN5.STM", kStorm}, {"FIVE.STM", kStorm}, {"H-000101.001", kHydrograph}});
  return 0;
}
