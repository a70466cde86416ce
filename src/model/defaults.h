// The default loss and surface parameters read by the runoff commands, held in
// internal units (in/hr, 1/hr, inches, feet).
#pragma once

#include <array>
#include <string>

namespace model {

struct Defaults {
  // values[1..12]: Fo, Fc, DCAY, F, IAper, LGP, MNP, IAimp, CLI, MNI, Ia, N.
  std::array<float, 13> values{};
  std::array<std::string, 2> title; // two 70-character title lines
  std::string fileName;             // 60 characters
};

} // namespace model
