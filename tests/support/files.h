// Files and directories for the tests: whole files read as lines or bytes,
// files written from them, and scratch directories that vanish afterwards.
#pragma once

#include <filesystem>
#include <string>

#include "text.h"

namespace support {

// The lines of a file without their line ends (none when it is missing).
Lines readLines(const std::filesystem::path& path);
// The bytes of a file (empty when it is missing).
std::string fileText(const std::filesystem::path& path);
// Replaces a file by `lines`, each ended by a newline.
void writeLines(const std::filesystem::path& path, const Lines& lines);
// Replaces a file by exactly `text`.
void writeFile(const std::filesystem::path& path, const std::string& text);

// A fresh directory at `path` (anything left there by an earlier run is
// removed first), removed with everything in it when the object goes.
// The directory scratch directories go in. The program prints paths in
// 60-column fields and expected texts hold them, so the root stays short
// whatever TMPDIR says: /tmp where it exists, the system's temporary
// directory otherwise.
std::filesystem::path scratchRoot();

class TempDir {
public:
  explicit TempDir(std::filesystem::path path);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The directory as the program is given one: ending with a separator.
  std::string prefix() const { return path_.string() + "/"; }

private:
  std::filesystem::path path_;
};

} // namespace support
