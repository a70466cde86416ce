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

// Powers of ten that are exact in a double.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr std::uint64_t kPow10Int[] = {1ull,
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
constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

// Number of decimal digits of n, none for 0: the bit length times log10(2)
// gives it to within one, and one comparison settles which.
int digitCount(std::uint64_t n) {
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

// A float has 24 significant bits and 5^d at most 28 for d <= 12, so v * 10^d
// is exact in double precision, and adding then taking away 2^52 rounds it to
// an integer half-even: the usual single-precision value needs no integer
// arithmetic to be scaled.
void fixed(char* p, int w, int d, float v) {
  if (d <= 12) {
    const double x = std::fabs(static_cast<double>(v)) * kPow10[d];
    if (x < 1e18) { // false for infinity and NaN
      constexpr double kTwo52 = 4503599627370496.0;
      const double r = x < kTwo52 ? (x + kTwo52) - kTwo52 : x;
      fixedFromScaled(p, w, d, std::signbit(v), static_cast<std::uint64_t>(r));
      return;
    }
  }
  fixed(p, w, d, static_cast<double>(v));
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
