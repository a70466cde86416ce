// One output field of the FORMAT engine: the F, E, I and A edit descriptors.
//
// Each writer fills exactly w characters at `p` (the caller provides the
// room), so a record is laid out by moving one pointer along it. Numbers are
// written from their exact binary value, rounded half-even on exact ties; a
// value too wide for its field gives w asterisks.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace fortran::fields {

// Fw.d. Ordinary values (the bulk of all output) by exact integer arithmetic,
// everything else by the general decimal conversion.
void fixed(char* p, int w, int d, double v);

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

// The conversion of ordinary F fields, kept inline for the float fields of
// long tables.
namespace detail {

// Powers of ten that are exact in a double.
inline constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr std::uint64_t kPow10Int[] = {1ull,
                                              10ull,
                                              100ull,
                                              1000ull,
                                              10000ull,
                                              100000ull,
                                              1000000ull,
                                              10000000ull,
                                              100000000ull,
                                              1000000000ull,
                                              10000000000ull,
                                              100000000000ull,
                                              1000000000000ull,
                                              10000000000000ull,
                                              100000000000000ull,
                                              1000000000000000ull,
                                              10000000000000000ull,
                                              100000000000000000ull,
                                              1000000000000000000ull,
                                              10000000000000000000ull};

// "00" to "99", so digits can be produced two at a time.
inline constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                                      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                                      "8081828384858687888990919293949596979899";

// Number of decimal digits of n, none for 0: the bit length times log10(2)
// gives it to within one, and one comparison settles which.
inline int digitCount(std::uint64_t n) {
  if (n == 0) return 0;
  const int t = (static_cast<int>(std::bit_width(n)) * 1233) >> 12;
  return t + 1 - (n < kPow10Int[t] ? 1 : 0);
}

// The `count` lowest decimal digits of n written right to left, ending just
// before `q` (zeros once n runs out); n is left divided by 10^count. Four
// digits at a time: one 64-bit division by a constant, then 32-bit halves.
[[gnu::always_inline]] inline char* digitsBackward(char* q, std::uint64_t& n, int count) {
  for (; count >= 4; count -= 4) {
    const std::uint64_t high = n / 10000;
    const auto four = static_cast<std::uint32_t>(n - high * 10000);
    const std::uint32_t hundreds = (four * 5243) >> 19; // four / 100 for four < 43699
    q -= 4;
    std::memcpy(q, kDigitPairs + 2 * hundreds, 2);
    std::memcpy(q + 2, kDigitPairs + 2 * (four - hundreds * 100), 2);
    n = high;
  }
  if (count >= 2) {
    q -= 2;
    std::memcpy(q, kDigitPairs + 2 * (n % 100), 2);
    n /= 100;
  }
  if (count & 1) {
    *--q = static_cast<char>('0' + n % 10);
    n /= 10;
  }
  return q;
}

// Fw.d once |v| * 10^d is rounded to the integer n (below 10^19). Everything
// is measured before anything is written, then the field is built right to
// left: decimals, point, integer digits, sign, blanks.
inline void fixedFromScaled(char* p, int w, int d, bool neg, std::uint64_t n) {
  const int digits = digitCount(n);
  const int intDigits = digits > d ? digits - d : 0;
  int len = (neg ? 1 : 0) + intDigits + 1 + d;
  const bool zero = intDigits == 0 && (d == 0 || len < w);
  if (zero) ++len;
  if (len > w) {
    fill(p, '*', static_cast<std::size_t>(w));
    return;
  }
  char* q = digitsBackward(p + w, n, d);
  *--q = '.';
  q = digitsBackward(q, n, intDigits);
  if (zero) *--q = '0';
  if (neg) *--q = '-';
  fill(p, ' ', static_cast<std::size_t>(q - p));
}

} // namespace detail

// A float has 24 significant bits and 5^d at most 28 for d <= 12, so v * 10^d
// is exact in double precision, and adding then taking away 2^52 rounds it to
// an integer half-even (in the default rounding mode, which the program never
// changes): the usual single-precision value is scaled without integer
// arithmetic.
inline void fixed(char* p, int w, int d, float v) {
  if (d <= 12) {
    const double x = std::fabs(static_cast<double>(v)) * detail::kPow10[d];
    if (x < 1e18) { // false for infinity and NaN
      constexpr double kTwo52 = 4503599627370496.0;
      const double r = x < kTwo52 ? (x + kTwo52) - kTwo52 : x;
      detail::fixedFromScaled(p, w, d, std::signbit(v), static_cast<std::uint64_t>(r));
      return;
    }
  }
  fixed(p, w, d, static_cast<double>(v));
}

} // namespace fortran::fields
