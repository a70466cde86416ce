// Fuzzes a file of hourly rainfall records read by READ AES DATA (which also writes AESTEMP.STM), then continuous
// runoff.
#include <cstdint>

#include "harness.h"

namespace {

constexpr const char* kStudy =
    " 2\n"
    "START               TZERO=[2023.03010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
    "READ AES DATA       NA=[0], TYPE=[-123], START=[0], END=[-4], \"FUZZ.AES\"\n"
    "COMPUTE API         APII=[10], APIK=[0.9]\n"
    "CONTINUOUS NASHYD   ID=[1], NHYD=[1], DT=[60], AREA=[100], BASE=[0], CN=[80], IA=[0], N=[3], TP=[1],\n"
    "                    IAREC=[6], SMIN=[-1], SMAX=[-1], SK=[0.1], IET=[12], GW=[-1]\n"
    "READ STORM          \"AESTEMP.STM\"\n"
    "FINISH\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::runStudy(kStudy, {{"FUZZ.AES", fuzz::textOf(data, size)}});
  return 0;
}
