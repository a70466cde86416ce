// Formatted writes to line sinks.
#include "run/output.h"

#include <string>
#include <vector>

namespace run {

namespace {

const fortran::Format& listDirected() {
  static const fortran::Format kFree("*");
  return kFree;
}

// Room for the records of most WRITEs: a table row, a boxed heading.
constexpr std::size_t kTypicalWrite = 512;

} // namespace

void put(platform::LineSink& sink, const fortran::Format& format, std::initializer_list<fortran::Value> items) {
  put({&sink}, format, items);
}

void put(std::initializer_list<platform::LineSink*> sinks, const fortran::Format& format,
         std::initializer_list<fortran::Value> items) {
  // The records laid out once, in one buffer, and handed on whole.
  std::string block;
  block.reserve(kTypicalWrite);
  format.append(std::span<const fortran::Value>(items.begin(), items.size()), block);
  for (platform::LineSink* sink : sinks) sink->block(block);
}

void putFree(platform::LineSink& sink, std::initializer_list<fortran::Value> items) {
  put({&sink}, listDirected(), items);
}

void putFree(std::initializer_list<platform::LineSink*> sinks, std::initializer_list<fortran::Value> items) {
  put(sinks, listDirected(), items);
}

} // namespace run
