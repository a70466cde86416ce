// Fuzzes the daily variation curve file read by COMPUTE DWF+WWF for its curves 4 and 5.
#include <cstdint>

#include "harness.h"

namespace {

constexpr const char* kStudy =
    " 2\n"
    "START               TZERO=[2023.03010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
    "COMPUTE DWF+WWF     ID=[1], NHYD=[101], DT=[15], AREA=[50], NDAYS=[2],\n"
    "                    POP=[5000], ADFp=[350], PKFp=[-41], XAcom=[0.1], ADFa=[25000],\n"
    "                    PKFa=[-51], XAgwf=[1], ADFg=[2000], GWF=[0.5], C_DCON=[0], AVGLEN=[0],\n"
    "                    C_WEEP=[0], K_WEEP=[0], C_SLOW=[0], K_SLWi=[0], K_SLWii=[0]\n"
    "FINISH\n";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::runStudy(kStudy, {{"D_V_DWF.DAT", fuzz::textOf(data, size)}});
  return 0;
}
