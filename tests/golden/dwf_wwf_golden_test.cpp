// End-to-end cases of COMPUTE DWF+WWF, one data folder each under
// golden/dwf_wwf: the command input RUN1.DAT with any side files it reads, and
// the expected command block of the detailed output ("expected.N.out") and of
// the summary output ("expected.N.sum") for command N. The expected texts were
// worked out by hand from the command's rules in single precision, never
// taken from the program's output.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/golden_run.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCases = fs::path(KESTRAN_GOLDEN_DIR) / "dwf_wwf";

std::vector<std::string> caseNames() {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(kCases)) {
    if (e.is_directory()) names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class DwfWwfGolden : public ::testing::TestWithParam<std::string> {};

TEST_P(DwfWwfGolden, CommandBlocksMatch) {
  const fs::path dir = kCases / GetParam();
  support::GoldenRun run(fs::path("/tmp") / ("kdw" + std::to_string(::getpid()) + GetParam().substr(0, 8)),
                         {"Sewer flow golden case", "RUN1.DAT", "RUN1.OUT", "RUN1.SUM", "", "", ""});
  int compared = 0;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("expected.", 0) != 0 && name != "RUN1.DAT") run.file(name, support::readLines(e.path()));
  }
  run.run(support::fileText(dir / "RUN1.DAT"));
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("expected.", 0) != 0) continue;
    // expected.N.out / expected.N.sum: command N's block of either output.
    const std::string rest = name.substr(9);
    const int command = std::stoi(rest);
    const bool detailed = rest.substr(rest.find('.')) == ".out";
    support::expectLines(detailed ? run.detailed(command) : run.summary(command), support::readLines(e.path()), name);
    ++compared;
  }
  EXPECT_GE(compared, 2) << "a case compares both outputs";
}

INSTANTIATE_TEST_SUITE_P(Cases, DwfWwfGolden, ::testing::ValuesIn(caseNames()));

} // namespace
