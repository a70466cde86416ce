// One output field of the FORMAT engine: the F, E, I and A edit descriptors.
//
// Each writer fills exactly w characters at `p` (the caller provides the
// room), so a record is laid out by moving one pointer along it. Numbers are
// written from their exact binary value, rounded half-even on exact ties; a
// value too wide for its field gives w asterisks.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace fortran::fields {

// Fw.d. Ordinary values (the bulk of all output) by exact integer arithmetic,
// everything else by the general decimal conversion.
void fixed(char* p, int w, int d, double v);
void fixed(char* p, int w, int d, float v);

// Fw.d always by the general decimal conversion: the slow path of fixed(),
// kept callable so that the two can be checked against each other.
void fixedGeneral(char* p, int w, int d, double v);

// Ew.d: [-][0].d1...dd followed by E+nn, or +nnn for a three-digit exponent.
void exponent(char* p, int w, int d, double v);

// Iw, or Iw.m when m >= 0 (at least m digits; Iw.0 writes a zero as blanks).
void integer(char* p, int w, int m, long long v);

// Aw: right-justified when shorter, its leftmost w characters when longer.
void text(char* p, int w, std::string_view s);

// w asterisks: the value does not fit.
void stars(char* p, int w);

// n copies of c at p. Fields and gaps are short: a few overlapping stores
// rather than a call.
inline void fill(char* p, char c, std::size_t n) {
  const std::uint64_t eight = 0x0101010101010101ull * static_cast<unsigned char>(c);
  if (n > 16) {
    std::memset(p, c, n);
  } else if (n >= 8) {
    std::memcpy(p, &eight, 8);
    std::memcpy(p + n - 8, &eight, 8);
  } else if (n >= 4) {
    std::memcpy(p, &eight, 4);
    std::memcpy(p + n - 4, &eight, 4);
  } else {
    for (std::size_t k = 0; k < n; ++k) p[k] = c;
  }
}

// n characters from s copied to p (not overlapping), short ones inline.
inline void copy(char* p, const char* s, std::size_t n) {
  if (n < 4) {
    for (std::size_t k = 0; k < n; ++k) p[k] = s[k];
  } else if (n > 16) {
    std::memcpy(p, s, n);
  } else if (n >= 8) {
    std::uint64_t a, b;
    std::memcpy(&a, s, 8);
    std::memcpy(&b, s + n - 8, 8);
    std::memcpy(p, &a, 8);
    std::memcpy(p + n - 8, &b, 8);
  } else {
    std::uint32_t a, b;
    std::memcpy(&a, s, 4);
    std::memcpy(&b, s + n - 4, 4);
    std::memcpy(p, &a, 4);
    std::memcpy(p + n - 4, &b, 4);
  }
}

} // namespace fortran::fields
