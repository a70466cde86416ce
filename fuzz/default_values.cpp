// Fuzzes a default-values file read by DEFAULT VALUES, then the runoff commands that take their parameters from it.
#include <cstdint>

#include "harness.h"

namespace {

constexpr const char* kStudy =
    " 2\n"
    "START               TZERO=[2023.03010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
    "DEFAULT VALUES      ICASEdv=[1], \"FUZZ.DV\"\n"
    "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[10], OPTION=[1]\n"
    "                    A=[1000], B=[6], C=[0.8]\n"
    "COMPUTE NASHYD      ID=[1], NHYD=[\"RURAL\"], DT=[5], AREA=[40], PRINT=[0,0], CN=[75],\n"
    "                    IA=[-1], N=[-1], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
    "DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[12], XIMP=[0.35],\n"
    "                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[75], SLOPE=[1.5], RAIN=[-1]\n"
    "DEFAULT VALUES      ICASEdv=[3]\n"
    "FINISH\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::runStudy(kStudy, {{"FUZZ.DV", fuzz::textOf(data, size)}});
  return 0;
}
