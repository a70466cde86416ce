// Fuzzes a hydrograph file read by READ HYD, then printed, routed through a pond and saved.
#include <cstdint>

#include "harness.h"

namespace {

constexpr const char* kStudy =
    " 2\n"
    "START               TZERO=[2023.03010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
    "READ HYD            ID=[1], NHYD=[101], \"FUZZ.HYD\"\n"
    "PRINT HYD           ID=[1], PCYC=[1]\n"
    "ROUTE RESERVOIR     IDout=[2], NHYD=[202], IDin=[1],\n"
    "                    [OUTFLOW, STORAGE]=[0, 0,  1, 0.5,  5, 1, 20, 4], IDovf=[3], NHYDovf=[203]\n"
    "ADD HYD             IDsum=[4], NHYD=[404], IDs to add=[1, 2]\n"
    "SAVE HYD            ID=[4], PCYC=[1], NAMEmode=[0]\n"
    "                    the sum\n"
    "FINISH\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::runStudy(kStudy, {{"FUZZ.HYD", fuzz::textOf(data, size)}});
  return 0;
}
