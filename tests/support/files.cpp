// Whole-file reading and writing and scratch directories for the tests.
#include "files.h"

#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

namespace support {

Lines readLines(const std::filesystem::path& path) {
  Lines lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeLines(const std::filesystem::path& path, const Lines& lines) {
  std::ofstream out(path, std::ios::binary);
  for (const std::string& l : lines) out << l << '\n';
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TempDir::TempDir(std::filesystem::path path) : path_(std::move(path)) {
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  // Never throw from here: a file still open elsewhere only leaves litter.
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path scratchRoot() {
  std::error_code ec;
  if (std::filesystem::is_directory("/tmp", ec)) return "/tmp";
  return std::filesystem::temp_directory_path();
}

} // namespace support
