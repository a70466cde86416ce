// Fuzzes a mass curve file read by MASS STORM, which writes DERIVED.STM, then rural runoff from the storm.
#include <cstdint>

#include "harness.h"

namespace {

constexpr const char* kStudy =
    " 2\n"
    "START               TZERO=[2023.03010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
    "MASS STORM          D=[50], DT=[-5], \"FUZZ.MAS\"\n"
    "COMPUTE NASHYD      ID=[1], NHYD=[\"RURAL\"], DT=[5], AREA=[40], PRINT=[0,0], CN=[75],\n"
    "                    IA=[-1], N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
    "READ STORM          \"DERIVED.STM\"\n"
    "FINISH\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::runStudy(kStudy, {{"FUZZ.MAS", fuzz::textOf(data, size)}});
  return 0;
}
