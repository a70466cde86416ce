// Running the built program in a scratch directory and slicing its outputs.
#include "golden_run.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace support {

namespace {

// "001:0002": the run and command numbers that open each command's output.
std::string number(int command, int runNumber) {
  char text[16];
  std::snprintf(text, sizeof text, "%03d:%04d", runNumber, command);
  return text;
}

Lines notFound(int command, int runNumber) { return {"(command " + number(command, runNumber) + " not found)"}; }

} // namespace

int runProgram(const std::filesystem::path& dir, const std::string& args, const std::string& clock) {
  const std::string command = "cd '" + dir.string() + "' && KESTRAN_FIXED_CLOCK='" + clock + "' '" + KESTRAN_BINARY +
                              "' " + args + " > stdout.txt 2> stderr.txt";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void expectLines(const Lines& got, const Lines& want, const std::string& what) {
  const std::size_t n = std::min(got.size(), want.size());
  for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(got[i], want[i]) << what << ", line " << i + 1;
  EXPECT_EQ(got.size(), want.size()) << what << ": number of lines";
}

GoldenRun::GoldenRun(std::filesystem::path dir, Lines runList) : dir_(std::move(dir)), runList_(std::move(runList)) {
  writeLines(dir_.path() / "kestran.DIR", {project(), project()});
  writeLines(dir_.path() / "kestran.RUN", runList_);
}

void GoldenRun::file(const std::string& name, const Lines& lines) const { writeLines(dir_.path() / name, lines); }

int GoldenRun::run(const std::string& input) {
  writeFile(dir_.path() / runList_.at(1), input);
  const int status = runProgram(dir_.path());
  out = readLines(dir_.path() / runList_.at(2));
  sum = readLines(dir_.path() / runList_.at(3));
  return status;
}

int GoldenRun::run(int units, const Lines& lines) {
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on literal + string here.
  std::string input(1, ' ');
  input += std::to_string(units);
  input += '\n';
  for (const std::string& l : lines) input += l + '\n';
  return run(input);
}

Lines GoldenRun::detailed(int command, int runNumber) const {
  const std::string head = number(command, runNumber) + dashes(77);
  Lines block;
  bool in = false;
  for (const std::string& l : out) {
    if (in && l == dashes(85)) return block;
    if (in) block.push_back(l);
    if (l == head) in = true;
  }
  return in ? block : notFound(command, runNumber);
}

Lines GoldenRun::summary(int command, int runNumber) const {
  // Built by appending: GCC 12 warns falsely (-Wrestrict) on literal + string here.
  std::string head(1, ' ');
  head += number(command, runNumber);
  const std::string runHead = head.substr(0, 5);
  Lines block;
  bool in = false;
  for (const std::string& l : sum) {
    if (in && l.rfind(runHead, 0) == 0 && l.size() > 9 && l[9] == '-') return block;
    if (l.rfind(head, 0) == 0) in = true;
    if (in) block.push_back(l);
  }
  return in ? block : notFound(command, runNumber);
}

Lines GoldenRun::messages() const {
  Lines block;
  bool in = false;
  for (const std::string& l : sum) {
    if (l.rfind("   Simulation ended on", 0) == 0) break;
    if (in) block.push_back(l);
    if (l == "     -------------------------") in = true;
  }
  return block;
}

} // namespace support
