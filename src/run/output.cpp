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

void send(std::initializer_list<platform::LineSink*> sinks, const std::vector<std::string>& records) {
  for (platform::LineSink* sink : sinks) {
    for (const std::string& r : records) sink->line(r);
  }
}

}  // namespace

void put(platform::LineSink& sink, const fortran::Format& format, std::initializer_list<fortran::Value> items) {
  put({&sink}, format, items);
}

void put(std::initializer_list<platform::LineSink*> sinks, const fortran::Format& format,
         std::initializer_list<fortran::Value> items) {
  std::vector<std::string> records;
  format.write(std::span<const fortran::Value>(items.begin(), items.size()), records);
  send(sinks, records);
}

void putFree(platform::LineSink& sink, std::initializer_list<fortran::Value> items) {
  put({&sink}, listDirected(), items);
}

void putFree(std::initializer_list<platform::LineSink*> sinks, std::initializer_list<fortran::Value> items) {
  put(sinks, listDirected(), items);
}

}  // namespace run
