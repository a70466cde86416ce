// The FORMAT engine: every output line of the program is produced here from a
// Fortran-style format description and a list of values, exactly as a Fortran
// runtime would lay it out (field widths, rounding of the exact binary value,
// asterisks on overflow, record breaks, format reversion).
//
// A Format is parsed once, when it is constructed; call sites keep it in a
// function-local `static const fortran::Format` so the text can be read against
// the format it reproduces and is never parsed again on the hot path.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fortran {

// One item of an output list, held in the caller's own type: a float is
// formatted from its exact single-precision value, a double from its double
// value. Small and trivially copyable, as long tables build one per number.
struct Value {
  enum class Kind : std::uint8_t { Int, Real4, Real8, Text };
  Kind kind;
  union { // the member named by `kind`
    long long i;
    float f;
    double d;
    std::string_view s;
  };

  Value(int v) : kind(Kind::Int), i(v) {}
  Value(long v) : kind(Kind::Int), i(v) {}
  Value(long long v) : kind(Kind::Int), i(v) {}
  Value(float v) : kind(Kind::Real4), f(v) {}
  Value(double v) : kind(Kind::Real8), d(v) {}
  Value(std::string_view v) : kind(Kind::Text), s(v) {}
  Value(const char* v) : kind(Kind::Text), s(v) {}
  Value(const std::string& v) : kind(Kind::Text), s(v) {}
};

// A malformed format text is a programmer error, reported when the Format is built.
class FormatError : public std::logic_error {
public:
  using std::logic_error::logic_error;
};

class Format {
public:
  // `text` is the format exactly as quoted, outer parentheses included, or "*"
  // for list-directed output.
  explicit Format(std::string_view text);
  ~Format();
  Format(Format&&) noexcept;
  Format& operator=(Format&&) noexcept;
  Format(const Format&) = delete;
  Format& operator=(const Format&) = delete;

  // One WRITE statement: appends every record it writes to `records`.
  void write(std::span<const Value> items, std::vector<std::string>& records) const;

  // The same WRITE appended to `block`, each record ended by a newline: long
  // tables are built in one buffer and handed on in large pieces.
  void append(std::span<const Value> items, std::string& block) const;
  void append(std::initializer_list<Value> items, std::string& block) const {
    append(std::span<const Value>(items.begin(), items.size()), block);
  }

  // Convenience for tests and one-off lines.
  std::vector<std::string> format(std::initializer_list<Value> items = {}) const;

  // The format text as it was given.
  std::string_view text() const;

private:
  struct Impl;
  Impl* impl_;
};

} // namespace fortran
