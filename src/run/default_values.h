// DEFAULT VALUES: the default loss and surface parameters the runoff commands
// read (Horton values, depression storages, flow lengths and roughness for the
// urban surfaces; initial abstraction and reservoir count for the rural ones),
// their built-in values, and the command that reads them from a file or prints them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/context.h"

namespace run {

// Fills the list with the built-in values (whole metric figures held in
// imperial units). Called once at program start.
void setBuiltInDefaults(model::Defaults& defaults);

// The two lines of the built-in title note.
extern const std::array<std::string, 2> kBuiltInDefaultsTitle;

// A default-values file read from its lines: values 1..12 in internal units.
struct DefaultsFile {
  int units = 0;                    // 1 imperial, 2 metric (others: no conversion)
  std::array<std::string, 2> title; // 70 characters each
  std::array<float, 13> values{};   // values[1..12]
  std::string error;                // empty when the file was read
  bool tooShort = false;            // fewer than 16 lines
  bool ok() const { return error.empty() && !tooShort; }
};
DefaultsFile parseDefaultsFile(const std::vector<std::string>& lines);

// The DEFAULT VALUES command: PARAM 1 ICASEdv (1 read and print, 2 read only,
// 3 print only), PARAM 2 where the file-name line is when STRING 1 is blank.
void defaultValues(model::RunContext& ctx);

} // namespace run
