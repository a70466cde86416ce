// Numbered warnings, errors and notes. A message is issued by number (the
// names are in run/message_numbers.h) with a destination and a severity: a
// note, a warning (summary line marked "*") or an error that ends the run
// after the command (marked "**").
#pragma once

#include <initializer_list>
#include <span>
#include <string_view>

#include "fortran/format.h"
#include "model/context.h"
#include "run/message_numbers.h"

namespace run {

struct MessageText {
  int number;
  std::span<const std::string_view> lines; // one to four lines of at most 70 characters
};

using model::Severity;

// Where a message's lines go.
enum class Destination {
  Warnings = 1, // the warnings window and the messages log
  Detailed = 2, // the detailed output
  Both = 3,     // all of them
};

// Issues a message; the command's severity becomes the higher of the one it
// had and the message's: a later warning or note never lowers an error, which
// ends the run after the command. `detail` (a file name and the reason it
// could not be used) follows the text, written in lines of 70 characters
// under it.
void issue(model::RunContext& ctx, int number, Severity severity, Destination destination = Destination::Both,
           std::string_view detail = {});

// Issues an error and answers false: the one line of a check that refuses a
// command's values (`if (bad) return refuse(ctx, msg::k...);`).
inline bool refuse(model::RunContext& ctx, int number) {
  issue(ctx, number, Severity::Error);
  return false;
}

// Issues a warning: the severity becomes a warning unless it is an error.
void warn(model::RunContext& ctx, int number, Destination destination = Destination::Both,
          std::string_view detail = {});

// Sets the severity that marks the next summary line of the command (a line
// unmarked after a marked one, say), but never clears an error: the run still
// ends on it.
void markNext(model::RunContext& ctx, Severity severity);

// The text of a message, or nullptr when the number has none.
const MessageText* findMessage(int number);

// The marker of a severity: "   ", "*  " or "** ".
std::string markerFor(Severity severity);

// Sets ctx.run.marker from the current message severity, as every routine does
// before it writes its summary lines.
void setMarker(model::RunContext& ctx);

// One formatted WRITE to the messages log: the log file and the run's copy of
// it that the end-of-run block lists.
void putLog(model::RunContext& ctx, const fortran::Format& format, std::initializer_list<fortran::Value> items = {});

} // namespace run
