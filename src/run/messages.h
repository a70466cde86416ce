// Numbered warnings, errors and notes. A message is issued by number with a
// destination and a severity: 0 note, 1 warning (summary line marked "*"),
// 2 error that ends the run after the command (marked "**").
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "fortran/format.h"
#include "model/context.h"

namespace run {

struct MessageText {
  int number;
  std::span<const std::string_view> lines;  // one to four lines of at most 70 characters
};

// Destinations: 1 warnings window and log, 2 detailed output, 3 both.
void issue(model::RunContext& ctx, int number, int severity, int destination = 3);

// The same, followed by a variable detail (a file name and the reason it could
// not be used), written in lines of 70 characters under the message's text.
void issue(model::RunContext& ctx, int number, int severity, int destination, std::string_view detail);

// The text of a message, or nullptr when the number has none.
const MessageText* findMessage(int number);

// The marker of the current severity: "   ", "*  " or "** ".
std::string markerFor(int severity);

// Sets ctx.run.marker from the current message severity, as every routine does
// before it writes its summary lines.
void setMarker(model::RunContext& ctx);

// One formatted WRITE to the messages log: the log file and the run's copy of
// it that the end-of-run block lists.
void putLog(model::RunContext& ctx, const fortran::Format& format,
            std::initializer_list<fortran::Value> items = {});

}  // namespace run
