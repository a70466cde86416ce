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

}  // namespace support
