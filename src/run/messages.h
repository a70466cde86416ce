// Numbered warnings, errors and notes. A message is issued by number with a
// destination and a severity: 0 note, 1 warning (summary line marked "*"),
// 2 error that ends the run after the command (marked "**").
#pragma once

#include <span>
#include <string_view>

#include "model/context.h"

namespace run {

struct MessageText {
  int number;
  std::span<const std::string_view> lines;  // one to four lines of at most 70 characters
};

// Destinations: 1 warnings window and log, 2 detailed output, 3 both.
void issue(model::RunContext& ctx, int number, int severity, int destination = 3);

// The text of a message, or nullptr when the number has none.
const MessageText* findMessage(int number);

// The marker of the current severity: "   ", "*  " or "** ".
std::string markerFor(int severity);

// Sets ctx.run.marker from the current message severity, as every routine does
// before it writes its summary lines.
void setMarker(model::RunContext& ctx);

}  // namespace run
