// Shared by the fuzz targets: one scratch directory per fuzzing process, a
// study run through the library with the clock pinned, and the checks every
// run must pass (no non-finite number in any output or record).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fuzz {

// The bytes libFuzzer gives, as text.
inline std::string_view textOf(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// A data file the study reads, written into the scratch directory first.
struct DataFile {
  std::string name;
  std::string_view contents;
};

// Runs `study` (a whole command input file, its first line the input units) in
// this process's scratch directory after writing `files` there, then aborts
// when an output file or a record holds a NaN or an infinity that the inputs
// did not already spell out.
void runStudy(std::string_view study, const std::vector<DataFile>& files = {});

} // namespace fuzz
