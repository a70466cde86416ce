// A run context over memory: three in-memory windows, a fixed clock, memory
// sinks for the outputs and the log, and an input file given as text.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "fortran/line_reader.h"
#include "model/context.h"
#include "platform/platform.h"

namespace testing_support {

struct TestHost {
  platform::MemoryWindow mainWindow{"Special Messages"};
  platform::MemoryWindow warnings{"KESTRANv4.05 / Warnings & Errors"};
  platform::MemoryWindow summaryWindow{"KESTRANv4.05 / Summary output"};
  platform::FixedClock clock{platform::DateTime{2024, 3, 5, 14, 7, 9}};
  platform::Platform platform{mainWindow, warnings, summaryWindow, clock};
  model::MemorySink detailed;
  model::MemorySink summary;
  model::MemorySink log;
  std::unique_ptr<model::RunContext> ctx;
  std::optional<fortran::LineReader> input;

  TestHost() : ctx(std::make_unique<model::RunContext>(platform)) {
    ctx->out.detailed = &detailed;
    ctx->out.summary = &summary;
    ctx->out.log = &log;
  }

  void setInput(const std::string& text) {
    input.emplace(fortran::LineReader::fromText(text));
    ctx->input = &*input;
  }
};

// `text` blank-padded to `width` characters, as fixed-width fields hold it.
inline std::string pad(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

}  // namespace testing_support
