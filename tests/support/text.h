// Small text helpers shared by the tests: fixed-width fields as the program's
// formats fill them, and searches over captured output lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace support {

using Lines = std::vector<std::string>;

// `text` blank-padded (or cut) to `width` characters, as an A field holds it.
inline std::string pad(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

inline std::string blanks(std::size_t n) { return std::string(n, ' '); }
inline std::string dashes(std::size_t n) { return std::string(n, '-'); }

// True when some line holds `text`.
inline bool contains(const Lines& lines, const std::string& text) {
  for (const std::string& l : lines) {
    if (l.find(text) != std::string::npos) return true;
  }
  return false;
}

// True when `text` appears in the lines read as one text: each line without
// its leading and trailing blanks, joined. Messages wrap a long detail such as
// a file path over several indented lines, at a column that depends on the
// path's length, so a name may be split between two lines.
inline bool containsWrapped(const Lines& lines, const std::string& text) {
  std::string joined;
  for (const std::string& l : lines) {
    if (l.find(text) != std::string::npos) return true;
    const std::size_t first = l.find_first_not_of(' ');
    if (first != std::string::npos) joined += l.substr(first, l.find_last_not_of(' ') - first + 1);
  }
  return joined.find(text) != std::string::npos;
}

} // namespace support
