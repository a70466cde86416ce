// Helpers for the fixed-width, blank-padded texts the program reads and writes.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace fortran {

// `s` cut or padded with blanks to exactly `width` characters (an Aw field
// right-justifies a shorter value, so held texts are padded by hand).
inline std::string padded(std::string_view s, std::size_t width) {
  std::string t(s.substr(0, std::min(s.size(), width)));
  t.resize(width, ' ');
  return t;
}

// `s` without its trailing blanks.
inline std::string trimRight(std::string_view s) {
  const std::size_t end = s.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(s.substr(0, end + 1));
}

// `s` without its leading and trailing blanks.
inline std::string trimmed(std::string_view s) {
  const std::size_t begin = s.find_first_not_of(' ');
  if (begin == std::string_view::npos) return {};
  const std::size_t end = s.find_last_not_of(' ');
  return std::string(s.substr(begin, end - begin + 1));
}

// True when `s` holds nothing but blanks (or nothing).
inline bool isBlank(std::string_view s) { return s.find_first_not_of(' ') == std::string_view::npos; }

} // namespace fortran
