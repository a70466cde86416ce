// The output fields of the FORMAT engine, each written straight into its w
// columns of the record.
//
// Ordinary F fields (a finite value whose scaled, rounded value stays below
// 10^18) are converted by exact integer arithmetic: a binary value is m * 2^e,
// so v * 10^d rounded half-even is one multiplication and one shift. Every
// other value goes through std::to_chars, which rounds the same way and needs
// no locale or heap.
#include "fortran/fields.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace fortran::fields {
namespace {

using detail::digitCount;
using detail::digitsBackward;
using detail::fixedFromScaled;
using detail::kPow10;
using detail::kPow10Int;

// Writes s right-justified in w columns (s must fit).
void rightJustified(char* p, int w, const char* s, std::size_t n) {
  const std::size_t pad = static_cast<std::size_t>(w) - n;
  fill(p, ' ', pad);
  std::memcpy(p + pad, s, n);
}

// Scratch space for one number: on the stack for every usual width, on the
// heap only for absurdly wide fields.
class Scratch {
public:
  explicit Scratch(std::size_t n) {
    if (n > sizeof(local_)) {
      heap_.resize(n);
      p_ = heap_.data();
    }
  }
  char* data() { return p_; }

private:
  char local_[160];
  std::string heap_;
  char* p_ = local_;
};

// Infinity and NaN in F and E fields.
void nonFinite(char* p, int w, double v) {
  const char* s = std::isnan(v) ? "NaN" : v > 0 ? "Infinity" : "-Infinity";
  std::size_t n = std::strlen(s);
  if (static_cast<std::size_t>(w) < n && n > 3) n = v > 0 ? 3 : 4; // "Inf" or "-Inf"
  if (static_cast<std::size_t>(w) < n) {
    stars(p, w);
  } else {
    rightJustified(p, w, s, n);
  }
}

// True when a >= 10^w: w or more integer digits can never fit. Checking first
// keeps the conversion short for huge values.
bool tooWide(double a, int w) { return w <= 22 ? a >= kPow10[w] : (w <= 308 && a >= std::pow(10.0, w)); }

// A finite a >= 0 is m * 2^e exactly, so a * 10^d rounded half-even is an
// integer division by a power of two, done exactly in 128 bits. Applies while
// a * 10^d stays below 10^18; returns false otherwise.
bool scaledRound(double a, int d, std::uint64_t& n) {
  if (d > 18 || !(a < kPow10[18 - d])) return false;
  const std::uint64_t bits = std::bit_cast<std::uint64_t>(a);
  const int biased = static_cast<int>(bits >> 52);
  std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
  int e = -1074;
  if (biased != 0) {
    m |= std::uint64_t{1} << 52;
    e = biased - 1075;
  }
  if (m == 0) {
    n = 0;
    return true;
  }
  // Most values printed are single-precision: without their trailing zero
  // bits they have at most 24, and with up to nine decimals the product fits
  // in 64 bits, so the exact rounding below needs no 128-bit arithmetic.
  const int tz = std::countr_zero(m);
  m >>= tz;
  e += tz;
  if (d <= 9 && m < (std::uint64_t{1} << 34) && e < 0 && e > -64) {
    const std::uint64_t p = m * kPow10Int[d]; // below 2^64
    const int k = -e;
    const std::uint64_t q = p >> k;
    const std::uint64_t r = p & ((std::uint64_t{1} << k) - 1);
    const std::uint64_t half = std::uint64_t{1} << (k - 1);
    // Branch-free: which way a value rounds is unpredictable in real output.
    n = q + static_cast<std::uint64_t>((r > half) | ((r == half) & (q & 1)));
    return true;
  }
  using u128 = unsigned __int128;
  const u128 p = static_cast<u128>(m) * kPow10Int[d]; // below 2^117
  if (e >= 0) {
    n = static_cast<std::uint64_t>(p << e); // a is an integer below 10^18
  } else if (e <= -118) {
    n = 0; // p / 2^-e is below one half
  } else {
    const int k = -e;
    const u128 q = p >> k;
    const u128 r = p - (q << k);
    const u128 half = u128{1} << (k - 1);
    n = static_cast<std::uint64_t>(q);
    n += static_cast<std::uint64_t>((r > half) | ((r == half) & (n & 1)));
  }
  return true;
}

// Fw.d of a finite a = |v| below 10^w by std::to_chars.
void fixedByConversion(char* p, int w, int d, double a, bool neg) {
  const std::size_t width = static_cast<std::size_t>(w);
  Scratch buf(width + static_cast<std::size_t>(d) + 8);
  char* first = buf.data() + 1; // one byte kept free in front for the sign
  char* last = std::to_chars(first, first + w + d + 6, a, std::chars_format::fixed, d).ptr;
  std::size_t intLen = d > 0 ? static_cast<std::size_t>(last - first) - 1 - static_cast<std::size_t>(d)
                             : static_cast<std::size_t>(last - first);
  if (d == 0) *last++ = '.'; // the conversion leaves out the point when there are no decimals
  std::size_t len = static_cast<std::size_t>(last - first) + (neg ? 1 : 0);
  if (d > 0 && intLen == 1 && *first == '0' && len > width) {
    ++first; // drop the optional leading zero
    --len;
  }
  if (len > width) {
    stars(p, w);
    return;
  }
  if (neg) *--first = '-';
  rightJustified(p, w, first, len);
}

} // namespace

void stars(char* p, int w) { fill(p, '*', static_cast<std::size_t>(w > 0 ? w : 0)); }

// The minus sign follows the sign bit, even when the value rounds to zero; the
// zero before the point is dropped when the field is one column short (never
// when d is 0); a value that does not fit gives w asterisks.
void fixed(char* p, int w, int d, double v) {
  if (!std::isfinite(v)) {
    nonFinite(p, w, v);
    return;
  }
  const double a = std::fabs(v);
  std::uint64_t n;
  if (tooWide(a, w)) {
    stars(p, w);
  } else if (scaledRound(a, d, n)) {
    fixedFromScaled(p, w, d, std::signbit(v), n);
  } else {
    fixedByConversion(p, w, d, a, std::signbit(v)); // many decimals or a large value
  }
}

void fixedGeneral(char* p, int w, int d, double v) {
  if (!std::isfinite(v)) {
    nonFinite(p, w, v);
  } else if (tooWide(std::fabs(v), w)) {
    stars(p, w);
  } else {
    fixedByConversion(p, w, d, std::fabs(v), std::signbit(v));
  }
}

// The optional 0 before the point appears only when there is a spare column.
void exponent(char* p, int w, int d, double v) {
  if (!std::isfinite(v)) {
    nonFinite(p, w, v);
    return;
  }
  const bool neg = std::signbit(v);
  const double a = std::fabs(v);
  // Without the optional zero: sign, point, d digits and four exponent columns.
  const std::size_t need = (neg ? 1u : 0u) + 1u + static_cast<std::size_t>(d) + 4u;
  if (need > static_cast<std::size_t>(w)) {
    stars(p, w);
    return;
  }
  // d significant digits as "D.DDDe+XX" (no point when d is 1); a rounding
  // carry is already in the exponent.
  Scratch buf(static_cast<std::size_t>(d) + 24);
  char* sci = buf.data();
  const char* end = std::to_chars(sci, sci + d + 24, a, std::chars_format::scientific, d - 1).ptr;
  const char* mark = sci + (d > 1 ? d + 1 : 1); // the 'e'
  int exp10 = 0;
  std::from_chars(mark[1] == '+' ? mark + 2 : mark + 1, end, exp10);
  if (a != 0.0) exp10 += 1; // 0.DDD rather than D.DD; zero keeps E+00

  std::size_t pad = static_cast<std::size_t>(w) - need;
  const bool zero = pad > 0;
  if (zero) --pad;
  fill(p, ' ', pad);
  p += pad;
  if (neg) *p++ = '-';
  if (zero) *p++ = '0';
  *p++ = '.';
  *p++ = sci[0];
  std::memcpy(p, sci + 2, static_cast<std::size_t>(d - 1));
  p += d - 1;
  unsigned e = static_cast<unsigned>(exp10 < 0 ? -exp10 : exp10);
  if (e <= 99) {
    *p++ = 'E';
    *p++ = exp10 < 0 ? '-' : '+';
  } else {
    *p++ = exp10 < 0 ? '-' : '+';
    *p++ = static_cast<char>('0' + e / 100);
    e %= 100;
  }
  *p++ = static_cast<char>('0' + e / 10);
  *p = static_cast<char>('0' + e % 10);
}

void integer(char* p, int w, int m, long long v) {
  const bool neg = v < 0;
  std::uint64_t u = neg ? 0ull - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  // A zero has one digit, none under Iw.0; leading zeros make up m digits.
  const int own = u == 0 ? (m == 0 ? 0 : 1) : digitCount(u);
  const int shown = own > m ? own : m;
  if ((neg ? 1 : 0) + shown > w) {
    stars(p, w);
    return;
  }
  char* q = digitsBackward(p + w, u, shown);
  if (neg) *--q = '-';
  fill(p, ' ', static_cast<std::size_t>(q - p));
}

void text(char* p, int w, std::string_view s) {
  const auto width = static_cast<std::size_t>(w);
  if (s.size() >= width) {
    std::memcpy(p, s.data(), width);
  } else {
    rightJustified(p, w, s.data(), s.size());
  }
}

} // namespace fortran::fields
