// Reading the run list and completing file names.
#include "run/run_list.h"

#include <filesystem>

#include "fortran/line_reader.h"
#include "fortran/text.h"
#include "platform/platform.h"
#include "run/file_names.h"

namespace run {

namespace {

using fortran::trimRight;

constexpr std::size_t kDirWidth = 90;  // "(A90)"
constexpr std::size_t kNameWidth = 60; // "(A60)"

// The run list is read line by line, each line cut or padded to 60 columns.
class Lines {
public:
  explicit Lines(const std::vector<std::string>& lines) : lines_(lines) {}
  bool next(std::string& line) {
    if (at_ >= lines_.size()) return false;
    line = fortran::fixedWidth(lines_[at_++], kNameWidth);
    return true;
  }

private:
  const std::vector<std::string>& lines_;
  std::size_t at_ = 0;
};

bool isFinish(const std::string& name) {
  const std::string n = trimRight(name);
  return n == "FINISH" || n == "finish";
}

} // namespace

CompletedName completeName(const std::string& projectDir, const std::string& name) {
  const std::string full = completeFileName(projectDir, name);
  return {full.substr(0, kNameWidth), full};
}

RunList parseRunList(const std::vector<std::string>& dirLines, const std::vector<std::string>& runLines) {
  RunList list;
  if (dirLines.size() < 2) {
    list.errorNumber = 902;
    list.errorDetail = "kestran.DIR must hold the project directory and the rainfall directory on two lines.";
    return list;
  }
  list.projectDir = trimRight(fortran::fixedWidth(dirLines[0], kDirWidth));
  list.rainfallDir = trimRight(fortran::fixedWidth(dirLines[1], kDirWidth));

  Lines in(runLines);
  std::string heading;
  if (!in.next(heading)) {
    list.errorNumber = 904;
    return list;
  }
  if (trimRight(heading) == "$BATCH RUN") {
    list.batch = true;
    if (!in.next(heading)) {
      list.errorNumber = 904;
      return list;
    }
  }
  while (true) {
    std::string input, detailed, summary;
    if (!in.next(input)) {
      list.errorNumber = 904;
      return list;
    }
    if (isFinish(input)) return list;
    if (!in.next(detailed) || !in.next(summary)) {
      list.errorNumber = 908;
      list.errorDetail = "The run set of " + trimRight(input) + " has no detailed or summary output name.";
      return list;
    }
    RunSet set;
    const std::array<const std::string*, 3> names{&input, &detailed, &summary};
    for (std::size_t i = 0; i < 3; ++i) {
      const CompletedName c = completeName(list.projectDir, *names[i]);
      set.shown[i] = c.shown;
      set.paths[i] = c.path;
    }
    // Comment lines that are missing at the end of the list read as blank.
    for (std::string& comment : set.comments) {
      if (!in.next(comment)) comment.clear();
      comment.resize(79, ' ');
    }
    list.sets.push_back(std::move(set));
    // Without "$BATCH RUN" only the first run set is made; the rest of the
    // list is not read.
    if (!list.batch) return list;
    if (!in.next(heading)) {
      list.errorNumber = 904;
      return list;
    }
  }
}

RunList readRunList(const std::string& workDir) {
  const platform::TextFile dir = platform::readTextFile(workDir + "kestran.DIR");
  if (!dir.ok()) {
    RunList list;
    list.errorNumber = 902;
    list.errorDetail = dir.error;
    return list;
  }
  const platform::TextFile runs = platform::readTextFile(workDir + "kestran.RUN");
  if (!runs.ok()) {
    RunList list;
    list.errorNumber = 903;
    list.errorDetail = runs.error;
    return list;
  }
  return parseRunList(dir.lines, runs.lines);
}

RunList singleInput(const std::string& input) {
  const std::filesystem::path path(input);
  std::string dir = path.parent_path().string();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  RunList list;
  list.projectDir = dir.empty() ? "./" : dir;
  list.rainfallDir = list.projectDir;
  RunSet set;
  const std::string stem = dir + path.stem().string();
  const std::array<std::string, 3> names{input, stem + ".out", stem + ".sum"};
  for (std::size_t i = 0; i < 3; ++i) {
    set.shown[i] = names[i].substr(0, kNameWidth);
    set.paths[i] = names[i];
  }
  for (std::string& comment : set.comments) comment.assign(79, ' ');
  list.sets.push_back(std::move(set));
  return list;
}

} // namespace run
