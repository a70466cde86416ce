// Fuzzes a storm file read by READ STORM, then rural and urban runoff and a storm change from it.
#include <cstdint>

#include "harness.h"

namespace {

constexpr const char* kStudy =
    " 2\n"
    "START               TZERO=[2023.03010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
    "READ STORM          \"FUZZ.STM\"\n"
    "COMPUTE NASHYD      ID=[1], NHYD=[\"RURAL\"], DT=[5], AREA=[40], PRINT=[0,0], CN=[75],\n"
    "                    IA=[-1], N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
    "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[12], XIMP=[0.35],\n"
    "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[75], SLOPE=[1.5], RAIN=[-1]\n"
    "MODIFY STORM        ICASEms=[1], NSHIFT=[2], RFACT=[1.2]\n"
    "COMPUTE API         APII=[10], APIK=[0.9]\n"
    "FINISH\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::runStudy(kStudy, {{"FUZZ.STM", fuzz::textOf(data, size)}});
  return 0;
}
