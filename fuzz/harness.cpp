// The fuzz harness: every run goes through kestran::run in the process's own
// scratch directory (several fuzzing processes may share the machine), with a
// fixed clock so that two runs of one input write the same files.
#include "harness.h"

#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "kestran.h"
#include "platform/paths.h"

namespace fuzz {

namespace fs = std::filesystem;

namespace {

const fs::path& scratchDir() {
  static const fs::path dir = [] {
    const char* base = std::getenv("KESTRAN_FUZZ_SCRATCH");
    fs::path root = base != nullptr ? fs::path(base) : fs::temp_directory_path();
    fs::path d = root / ("kestran-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

bool isLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// The words the FORMAT engine writes for non-finite values: "NaN", "Inf",
// "Infinity", right-justified in a field (after a blank, a sign or the start
// of a line) and not part of a word or label like "Inflow" or "Cum.Inf.".
bool hasNonFiniteWord(std::string_view s) {
  for (std::string_view word : {"NaN", "Infinity", "Inf"}) {
    for (std::size_t at = s.find(word); at != std::string_view::npos; at = s.find(word, at + 1)) {
      const std::size_t end = at + word.size();
      const char before = at > 0 ? s[at - 1] : ' ';
      const bool fieldStart = before == ' ' || before == '-' || before == '+' || before == '\n' || before == '=';
      const bool wordEnd = end >= s.size() || (!isLetter(s[end]) && s[end] != '.');
      if (fieldStart && wordEnd) return true;
    }
  }
  return false;
}

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "kestran fuzz: %s\n", what.c_str());
  std::abort();
}

void checkFinite(float v, const char* what) {
  if (!std::isfinite(v)) fail(std::string("non-finite value in a record: ") + what);
}

void checkRecords(const kestran::RunResult& r) {
  for (const auto& s : r.summary) {
    checkFinite(s.area, "summary area");
    checkFinite(s.peak, "summary peak");
    checkFinite(s.peakHours, "summary time of peak");
    checkFinite(s.volume, "summary volume");
    if (s.coefficient) checkFinite(*s.coefficient, "summary coefficient");
  }
  for (const auto& h : r.hydrographs) {
    checkFinite(h.dtHours, "hydrograph step");
    checkFinite(h.area, "hydrograph area");
    checkFinite(h.base, "hydrograph baseflow");
    checkFinite(h.peak, "hydrograph peak");
    checkFinite(h.volume, "hydrograph volume");
    for (float q : h.flows) checkFinite(q, "hydrograph ordinate");
  }
  for (const auto& s : r.storms) {
    checkFinite(s.dtHours, "storm step");
    checkFinite(s.depth, "storm depth");
    for (float i : s.intensities) checkFinite(i, "storm intensity");
  }
}

// An input that holds the letters anywhere may see them echoed into an
// output with the bytes around them made blanks.
bool spellsNonFinite(std::string_view s) {
  return s.find("NaN") != std::string_view::npos || s.find("Inf") != std::string_view::npos;
}

} // namespace

void runStudy(std::string_view study, const std::vector<DataFile>& files) {
  const fs::path& dir = scratchDir();
  // Files of the previous input must not feed this one.
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
  bool inputsSpellNonFinite = spellsNonFinite(study);
  for (const DataFile& f : files) {
    std::ofstream(dir / f.name, std::ios::binary)
        .write(f.contents.data(), static_cast<std::streamsize>(f.contents.size()));
    inputsSpellNonFinite = inputsSpellNonFinite || spellsNonFinite(f.contents);
  }
  kestran::RunOptions o;
  o.text = std::string(study);
  o.workDir = dir;
  o.baseDir = dir;
  o.clock = platform::DateTime{2026, 1, 2, 3, 4, 5};
  kestran::RunResult r;
  try {
    r = kestran::run(o);
  } catch (const kestran::RunError&) {
    return; // no study to run (an empty text): refused before it starts
  }
  checkRecords(r);
  // Every file a run writes lies in a folder it was given: a path relative to
  // whatever directory the process stands in, or one that a name led out of
  // the folder (".." or a drive that climbs out), is a fault.
  for (const std::string& f : r.files) {
    if (f.empty() || f.front() != '/' || !platform::writesInside(f, {dir.string()}))
      fail("a file written outside the run's folders: " + f);
  }
  if (inputsSpellNonFinite) return; // an echoed input line may say "NaN"
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file() || e.path().filename() == "study.dat") continue;
    if (e.path().extension() == ".sbo") continue; // unformatted records
    if (hasNonFiniteWord(fileText(e.path()))) fail("NaN or infinity in " + e.path().filename().string());
  }
}

} // namespace fuzz
