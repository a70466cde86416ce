// The command reader on an input of any bytes: every command it recognises is
// read with its values, an unknown name or malformed values stop it with a
// message, and it never reads past the end nor loops without consuming lines.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "command_table.h"
#include "harness.h"
#include "run/reader.h"
#include "support/context_host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  support::ContextHost host;
  host.setUnits(2, 2);
  host.setInput(std::string(fuzz::textOf(data, size)));
  // Each call consumes at least one line, so the lines bound the calls.
  const std::size_t bound = size + 2;
  for (std::size_t calls = 0;; ++calls) {
    if (calls > bound) std::abort();
    host.ctx.run.severity = model::Severity::Note;
    host.ctx.run.marker = "   ";
    const run::ReaderStatus s = run::readCommand(host.ctx, kestran::commandTable());
    if (s == run::ReaderStatus::Stop || s == run::ReaderStatus::EndOfInput) break;
  }
  return 0;
}
