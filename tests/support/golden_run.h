// Runs of the built program as a user runs it, for the end-to-end tests: a
// fresh working directory with its kestran.DIR and kestran.RUN, the clock
// fixed through KESTRAN_FIXED_CLOCK, and the blocks one command wrote cut out
// of the detailed and summary outputs.
#pragma once

#include <filesystem>
#include <string>

#include "files.h"
#include "text.h"

namespace support {

// The date and time the end-to-end cases fix the program's clock to.
inline constexpr const char* kGoldenClock = "2026-01-02 03:04:05";

// Runs the program in `dir` with the command-line `args` and the clock fixed
// at `clock`; its standard output and error go to stdout.txt and stderr.txt
// there. Returns its exit status, -1 when it did not exit by itself.
int runProgram(const std::filesystem::path& dir, const std::string& args = "", const std::string& clock = kGoldenClock);

// Expects `got` to equal `want` line by line, each difference named by
// `what` and the line number, then the numbers of lines.
void expectLines(const Lines& got, const Lines& want, const std::string& what);

// One execution of the program in its own working directory, which
// kestran.DIR names as both the project and the rainfall directory.
class GoldenRun {
public:
  // `runList` holds the lines of kestran.RUN: the title, the input, detailed
  // output and summary output file names, then the comment lines.
  GoldenRun(std::filesystem::path dir, Lines runList);

  const std::filesystem::path& dir() const { return dir_.path(); }
  // The project directory as kestran.DIR gives it: the path and a "/".
  std::string project() const { return dir_.prefix(); }
  std::string path(const std::string& name) const { return project() + name; }
  // Writes a side file of the case (a storm, a mass curve, ...).
  void file(const std::string& name, const Lines& lines) const;

  // Runs the program on the input file `input`, then reads both outputs into
  // `out` and `sum`. Returns the exit status.
  int run(const std::string& input);
  // The same with an input of the units line (" 1" or " 2") and `lines`.
  int run(int units, const Lines& lines);

  // The detailed output of a command: the lines after its numbered dashed
  // line up to the dashed line that opens the next command.
  Lines detailed(int command, int runNumber = 1) const;
  // The summary output of a command: its heading line and the lines up to the
  // next heading of the run (the copied messages log also has lines that begin
  // like a heading, followed by a blank, and they belong to the block).
  Lines summary(int command, int runNumber = 1) const;
  // The copied messages log near the end of the summary output.
  Lines messages() const;

  Lines out, sum;

private:
  TempDir dir_;
  Lines runList_;
};

} // namespace support
