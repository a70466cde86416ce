// The side files of the working directory: the directory file kestran.DIR
// (project and rainfall directories) and the run list kestran.RUN (the run
// sets: input, detailed output and summary output names and three user
// comments), with the completion of file names by the project directory.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace run {

// The files of one run.
struct RunSet {
  std::array<std::string, 3> shown;    // input, detailed, summary names as printed (60 characters)
  std::array<std::string, 3> paths;    // the files actually opened (whole directory path)
  std::array<std::string, 3> comments; // three user comment lines, 79 characters
};

struct RunList {
  std::string projectDir;  // first line of kestran.DIR (90 characters at most)
  std::string rainfallDir; // second line
  bool batch = false;      // "$BATCH RUN": every run set, not just the first
  std::vector<RunSet> sets;
  // Set when a side file could not be used (number 902/903/904/908 and a
  // detail naming the file or the problem). The complete run sets read before
  // the problem are still in `sets`.
  int errorNumber = 0;
  std::string errorDetail;
};

// A file name of the run list completed with the project directory by the
// rule of every file name (run/file_names.h).
struct CompletedName {
  std::string shown; // as printed: cut at 60 characters
  std::string path;  // as opened: never cut
};
CompletedName completeName(const std::string& projectDir, const std::string& name);

// Reads the directory file and the run list from the texts of the two files.
RunList parseRunList(const std::vector<std::string>& dirLines, const std::vector<std::string>& runLines);

// Reads kestran.DIR and kestran.RUN from `workDir` ("" for the working directory).
RunList readRunList(const std::string& workDir);

// The run set of a single input file given on the command line: the project
// and rainfall directories are the input's directory, and the outputs are the
// input's stem with ".out" and ".sum" beside it.
RunList singleInput(const std::string& input);

} // namespace run
