// Fuzzes the rating curves and travel-time tables: the bytes stand where a
// study types its table commands (STORE RATING CURVE, STORE TRAVEL TIME,
// COMPUTE RATING CURVE, COMPUTE TRAVEL TIME), between a stored inflow and the
// routing commands that use the tables.
#include <cstdint>
#include <string>

#include "harness.h"

namespace {

constexpr const char* kBefore = " 2\n"
                                "START               TZERO=[0], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
                                "STORE HYD           ID=[1], NHYD=[101], DT=[10], AREA=[12.5]\n"
                                "                    0.0  0.15  0.42  0.80  0.65  0.40  0.22  0.10  0.03  0.0  -1\n";
constexpr const char* kAfter =
    "\n"
    "ROUTE               IDout=[2], NHYD=[202], IDin=[1], RDT=[5], SLOPE=[0.2], L=[3000], N=[0.035]\n"
    "ROUTE               IDout=[4], NHYD=[404], IDin=[1], RDT=[0], SLOPE=[0.2], L=[3000], N=[0.035]\n"
    "FINISH\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string study = kBefore;
  study.append(fuzz::textOf(data, size));
  study += kAfter;
  fuzz::runStudy(study);
  return 0;
}
