// Writing formatted records to the run's outputs. Every line of the program goes
// through a fortran::Format; these helpers send the records of one WRITE to one
// or several destinations in the order given.
#pragma once

#include <cmath>
#include <initializer_list>

#include "fortran/format.h"
#include "platform/platform.h"

namespace run {

// One formatted WRITE to one destination.
void put(platform::LineSink& sink, const fortran::Format& format, std::initializer_list<fortran::Value> items = {});

// The same records to several destinations, in order (formatted once).
void put(std::initializer_list<platform::LineSink*> sinks, const fortran::Format& format,
         std::initializer_list<fortran::Value> items = {});

// Long tables are laid out in one buffer (fortran::Format::append) and handed
// to their destination in large pieces: once `block` holds a few tens of
// kilobytes it goes to `sink` and is emptied.
inline void handOn(platform::LineSink& sink, std::string& block) {
  constexpr std::size_t kPieceBytes = std::size_t{1} << 14;
  if (block.size() >= kPieceBytes) {
    sink.block(block);
    block.clear();
  }
}

// A derived figure (a factor, a ratio, a shift in minutes) that went beyond
// single precision shows as a full field of asterisks, like any value too
// wide for its field, never as an infinity or a NaN.
inline fortran::Value starredIfNotFinite(float v) {
  if (std::isfinite(v)) return v;
  return 1.0e300;
}

// A list-directed ("free format") WRITE: one record, a leading blank, then the items.
void putFree(platform::LineSink& sink, std::initializer_list<fortran::Value> items);
void putFree(std::initializer_list<platform::LineSink*> sinks, std::initializer_list<fortran::Value> items);

} // namespace run
