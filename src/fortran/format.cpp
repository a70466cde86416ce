// The FORMAT engine: parses a Fortran format text once into a flat list of
// edit operations, then lays out output lists against it.
//
// Parsing expands repeat counts and groups up front, so a write is a single
// forward walk over the operations with no recursion; the index where format
// reversion restarts is recorded while flattening. Every number is written
// from its exact binary value, correctly rounded with round-half-even on exact
// ties: ordinary F fields by exact integer arithmetic (the bulk of all output),
// everything else by std::to_chars, which rounds the same way and needs no
// locale or heap.
#include "fortran/format.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace fortran {
namespace {

enum class OpKind : std::uint8_t {
  Literal,  // text copied as it stands
  SkipX,    // nX: move n columns right
  TabTo,    // Tn: move to column n (1-based)
  TabLeft,  // TLn
  TabRight, // TRn
  Slash,    // end the record, start the next one
  Colon,    // stop here if the output list is exhausted
  Int,      // Iw or Iw.m (m < 0: no minimum)
  Fixed,    // Fw.d
  Expo,     // Ew.d
  Char,     // Aw, or bare A (w < 0)
};

struct Op {
  OpKind kind;
  int w = 0;        // width, or the count/column of a positioning op
  int d = 0;        // digits after the point (F, E) or minimum digits (I, -1 if absent)
  std::string text; // literal text
};

bool isData(OpKind k) { return k == OpKind::Int || k == OpKind::Fixed || k == OpKind::Expo || k == OpKind::Char; }

// Guards against formats such as 9999(9999(...)) that would expand without bound.
constexpr std::size_t kMaxExpansion = std::size_t{1} << 22;
constexpr int kMaxNumber = 1'000'000;
// Operations of most formats, reserved at once rather than grown one by one.
constexpr std::size_t kUsualOps = 16;
// Room for an output line of the usual length, so a record is not regrown field by field.
constexpr std::size_t kTypicalRecord = 136;

// ---------------------------------------------------------------------------
// Parsing

class Parser {
public:
  explicit Parser(std::string_view text) : full_(text) { compact(text); }

  // Parses "(list)" into the flattened operations and the reversion index.
  // Groups are expanded as they are read. A format that would expand too far
  // is reported only after the whole text has been checked, so that a text
  // that is also malformed reports its syntax first.
  void parse(std::vector<Op>& ops, std::size_t& reversion) {
    if (at() != '(') fail("a format must start with '('");
    ++pos_;
    reversion = 0;
    std::uint64_t budget = 0;
    ops.reserve(kUsualOps);
    parseList(ops, budget, &reversion);
    if (at() != ')') fail("missing ')' at the end of the format");
    ++pos_;
    if (pos_ != src_.size()) fail("text after the closing ')'");
    if (tooFar_) fail("the format expands too far");
  }

private:
  // Blanks outside character literals carry no meaning in a format, so they
  // are dropped before parsing; letters are folded to upper case likewise.
  // Written through a pointer into room for the whole text, then cut to length:
  // every format of the program passes through here at start-up.
  void compact(std::string_view text) {
    src_.resize(text.size());
    char* out = src_.data();
    char quote = 0;
    for (char c : text) {
      if (quote) {
        *out++ = c;
        if (c == quote) quote = 0; // a doubled quote reopens on the next char
      } else if (c == '\'' || c == '"') {
        quote = c;
        *out++ = c;
      } else if (c != ' ' && c != '\t') {
        *out++ = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      }
    }
    src_.resize(static_cast<std::size_t>(out - src_.data()));
  }

  [[noreturn]] void fail(const std::string& why) const {
    throw FormatError("bad format " + std::string(full_) + ": " + why);
  }

  char at() const { return pos_ < src_.size() ? src_[pos_] : '\0'; }
  static bool isDigit(char c) { return c >= '0' && c <= '9'; }

  // Reads an unsigned number if one stands here; returns -1 otherwise.
  int number() {
    if (!isDigit(at())) return -1;
    long v = 0;
    while (isDigit(at())) {
      v = v * 10 + (at() - '0');
      if (v > kMaxNumber) fail("number too large");
      ++pos_;
    }
    return static_cast<int>(v);
  }

  int requiredNumber(const char* what, int min) {
    int v = number();
    if (v < 0) fail(std::string("missing ") + what);
    if (v < min) fail(std::string(what) + " must be at least " + std::to_string(min));
    return v;
  }

  // The expansion counts one unit per operation and per literal character;
  // past the limit nothing more is expanded and the format is refused.
  bool spend(std::uint64_t& budget, std::uint64_t units) {
    budget += units;
    if (budget > kMaxExpansion) tooFar_ = true;
    return !tooFar_;
  }

  // list := item { [','] item }, where the comma may be left out next to a
  // literal, '/' or ':' (as Fortran allows). Each item is expanded into `ops`
  // at once; `reversion` is given for the outermost list only, whose groups
  // set where format reversion restarts.
  void parseList(std::vector<Op>& ops, std::uint64_t& budget, std::size_t* reversion) {
    if (at() == ')') fail("empty parentheses");
    for (;;) {
      const bool free = parseItem(ops, budget, reversion);
      char c = at();
      if (c == ')') return;
      if (c == ',') {
        ++pos_;
        if (at() == ')') fail("',' before ')'");
        continue;
      }
      if (c == '\0') fail("missing ')'");
      bool nextFree = c == '\'' || c == '"' || c == '/' || c == ':';
      if (!free && !nextFree) fail(std::string("expected ',' before '") + c + "'");
    }
  }

  // One item, expanded into `ops`. Returns whether a comma may be left out
  // after it (a literal, '/' or ':').
  bool parseItem(std::vector<Op>& ops, std::uint64_t& budget, std::size_t* reversion) {
    int count = number();
    if (count == 0) fail("a repeat count must be at least 1");
    char c = at();
    if (c == '(') {
      ++pos_;
      std::vector<Op> inner;
      inner.reserve(kUsualOps);
      std::uint64_t innerBudget = 0;
      parseList(inner, innerBudget, nullptr);
      ++pos_; // the ')' that parseList stopped at
      const int repeat = count < 0 ? 1 : count;
      if (reversion) {
        // Reversion restarts at the last top-level group, repeat count included.
        *reversion = ops.size();
        mergeBarrier_ = ops.size();
      }
      if (!spend(budget, innerBudget * static_cast<std::uint64_t>(repeat))) return false;
      if (inner.size() == 1 && inner.front().kind == OpKind::Literal) {
        // A rule such as 85('-'): the literal repeated is one literal.
        Op line{OpKind::Literal, 0, 0, {}};
        const std::string& unit = inner.front().text;
        if (unit.size() == 1) {
          line.text.assign(static_cast<std::size_t>(repeat), unit.front()); // a rule: one fill
        } else {
          line.text.reserve(unit.size() * static_cast<std::size_t>(repeat));
          for (int r = 0; r < repeat; ++r) line.text += unit;
        }
        push(line, ops, reversion != nullptr);
        return false;
      }
      for (int r = 0; r < repeat; ++r) {
        for (const Op& op : inner) push(op, ops, reversion != nullptr);
      }
      return false;
    }
    Op op{OpKind::Literal, 0, 0, {}};
    int repeat = 1;
    if (c == '\'' || c == '"') {
      if (count >= 0) fail("a repeat count needs parentheses around a literal");
      op.text = literal(c);
    } else {
      repeat = descriptor(c, count, op);
    }
    if (spend(budget, (1 + op.text.size()) * static_cast<std::uint64_t>(repeat))) {
      for (int r = 0; r < repeat; ++r) push(op, ops, reversion != nullptr);
    }
    return op.kind == OpKind::Literal || op.kind == OpKind::Slash || op.kind == OpKind::Colon;
  }

  // An edit descriptor; returns how many times it stands in the list.
  int descriptor(char c, int count, Op& op) {
    if (c == '\0') fail("unexpected end of format");
    ++pos_;
    switch (c) {
    case '/':
      op.kind = OpKind::Slash;
      return count < 0 ? 1 : count;
    case ':':
      if (count >= 0) fail("a count before ':'");
      op.kind = OpKind::Colon;
      return 1;
    case 'X':
      // nX: the number is the distance, not a repeat count; a bare X moves one.
      op.kind = OpKind::SkipX;
      op.w = count < 0 ? 1 : count;
      return 1;
    case 'T':
      if (count >= 0) fail("a count before T");
      if (at() == 'L' || at() == 'R') {
        op.kind = at() == 'L' ? OpKind::TabLeft : OpKind::TabRight;
        ++pos_;
        op.w = requiredNumber("tab distance", 0);
      } else {
        op.kind = OpKind::TabTo;
        op.w = requiredNumber("tab column", 1);
      }
      return 1;
    case 'I':
      op.kind = OpKind::Int;
      op.w = requiredNumber("I width", 1);
      op.d = -1;
      if (at() == '.') {
        ++pos_;
        op.d = requiredNumber("I minimum digits", 0);
        if (op.d > op.w) fail("I minimum digits exceed the width");
      }
      break;
    case 'F':
      op.kind = OpKind::Fixed;
      op.w = requiredNumber("F width", 1);
      if (at() != '.') fail("F needs w.d");
      ++pos_;
      op.d = requiredNumber("F decimals", 0);
      break;
    case 'E':
      op.kind = OpKind::Expo;
      op.w = requiredNumber("E width", 1);
      if (at() != '.') fail("E needs w.d");
      ++pos_;
      op.d = requiredNumber("E digits", 1);
      break;
    case 'A':
      op.kind = OpKind::Char;
      op.w = number();
      if (op.w == 0) fail("A width must be at least 1");
      break;
    default:
      fail(std::string("unknown edit descriptor '") + c + "'");
    }
    return count < 0 ? 1 : count;
  }

  // A literal in apostrophes or quotes; the delimiter doubled stands for itself.
  std::string literal(char quote) {
    std::string out;
    ++pos_;
    for (;;) {
      const std::size_t close = src_.find(quote, pos_);
      if (close == std::string::npos) fail("unterminated character literal");
      out.append(src_, pos_, close - pos_);
      pos_ = close + 1;
      if (at() != quote) return out;
      out.push_back(quote);
      ++pos_;
    }
  }

  // Adjacent literals become one copy, e.g. 77('-'), but never across the
  // point where reversion restarts (in the outermost list).
  void push(const Op& op, std::vector<Op>& ops, bool outermost) {
    const std::size_t barrier = outermost ? mergeBarrier_ : 0;
    if (op.kind == OpKind::Literal && ops.size() > barrier && ops.back().kind == OpKind::Literal) {
      ops.back().text += op.text;
      return;
    }
    ops.push_back(op);
  }

  std::string_view full_;
  std::string src_;
  std::size_t pos_ = 0;
  std::size_t mergeBarrier_ = 0;
  bool tooFar_ = false;
};

// ---------------------------------------------------------------------------
// Output

// The record being built at the end of `text`, from `start` on. `pos` is the
// current column (0-based) and may lie beyond the written text after X or T;
// the gap becomes blanks only when something is written there, and the
// record ends at its last written char.
struct Record {
  std::string& text;
  std::size_t start = 0;
  std::size_t pos = 0;

  // Returns room for n characters at the current column and moves past them.
  // Tabbing left then writing overwrites what was there.
  char* field(std::size_t n) {
    const std::size_t at = start + pos;
    if (at > text.size()) text.append(at - text.size(), ' ');
    if (at + n > text.size()) text.resize(at + n);
    char* p = text.data() + at;
    pos += n;
    return p;
  }

  void put(const char* s, std::size_t n) {
    if (start + pos == text.size()) {
      // The usual case, writing at the end of the record: one append.
      text.append(s, n);
      pos += n;
      return;
    }
    std::memcpy(field(n), s, n);
  }

  // A field too narrow for its value. Long tables have whole columns of them
  // (times past 9999.99 hours in F7.2), so the usual widths are one copy.
  void stars(int w) {
    static constexpr char kStars[] = "********************************";
    const auto n = static_cast<std::size_t>(w > 0 ? w : 0);
    if (n < sizeof(kStars)) {
      put(kStars, n);
    } else {
      std::memset(field(n), '*', n);
    }
  }

  // Writes s right-justified in w columns (s must fit).
  void rightJustified(int w, const char* s, std::size_t n) {
    char* p = field(static_cast<std::size_t>(w));
    std::size_t pad = static_cast<std::size_t>(w) - n;
    std::memset(p, ' ', pad);
    std::memcpy(p + pad, s, n);
  }
};

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
void writeNonFinite(Record& rec, int w, double v) {
  if (std::isnan(v)) {
    if (w >= 3)
      rec.rightJustified(w, "NaN", 3);
    else
      rec.stars(w);
    return;
  }
  if (v > 0) {
    if (w >= 8)
      rec.rightJustified(w, "Infinity", 8);
    else if (w >= 3)
      rec.rightJustified(w, "Inf", 3);
    else
      rec.stars(w);
  } else {
    if (w >= 9)
      rec.rightJustified(w, "-Infinity", 9);
    else if (w >= 4)
      rec.rightJustified(w, "-Inf", 4);
    else
      rec.stars(w);
  }
}

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
                                       1000000000000000000ull};

// "00" to "99", so digits can be produced two at a time.
constexpr char kDigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
                               "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
                               "8081828384858687888990919293949596979899";

// The common case of fixed conversion without the general algorithm: a
// finite a >= 0 is m * 2^e exactly, so a * 10^d rounded half-even is an
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
    // Branch-free: which way a value rounds is unpredictable in real output.
    n += static_cast<std::uint64_t>((r > half) | ((r == half) & (n & 1)));
  }
  return true;
}

// Fw.d. The minus sign follows the sign bit, even when the value rounds to
// zero; the zero before the point is dropped when the field is one column
// short (never when d is 0); a value that does not fit gives w asterisks.
void writeFixed(Record& rec, int w, int d, double v) {
  if (!std::isfinite(v)) {
    writeNonFinite(rec, w, v);
    return;
  }
  const bool neg = std::signbit(v);
  const double a = std::fabs(v);
  const std::size_t width = static_cast<std::size_t>(w);
  // Anything of w or more integer digits cannot fit; checking first keeps the
  // conversion short for huge values.
  if (w <= 22 ? a >= kPow10[w] : (w <= 308 && a >= std::pow(10.0, w))) {
    rec.stars(w);
    return;
  }

  std::uint64_t n;
  if (scaledRound(a, d, n)) {
    // Built right to left: decimals, point, integer digits.
    char tmp[48];
    char* const end = tmp + sizeof(tmp);
    char* q = end;
    int i = 0;
    for (; i + 1 < d; i += 2) {
      q -= 2;
      std::memcpy(q, kDigitPairs + 2 * (n % 100), 2);
      n /= 100;
    }
    if (i < d) {
      *--q = static_cast<char>('0' + n % 10);
      n /= 10;
    }
    *--q = '.';
    const bool intZero = n == 0;
    while (n >= 10) {
      q -= 2;
      std::memcpy(q, kDigitPairs + 2 * (n % 100), 2);
      n /= 100;
    }
    if (n) *--q = static_cast<char>('0' + n);
    std::size_t len = static_cast<std::size_t>(end - q) + (neg ? 1 : 0);
    if (intZero && (d == 0 || len < width)) {
      *--q = '0';
      ++len;
    }
    if (len > width) {
      rec.stars(w);
      return;
    }
    if (neg) *--q = '-';
    if (width <= sizeof(tmp)) {
      // The blanks in front are laid in the same scratch: one copy into the record.
      char* const first = end - width;
      while (q > first) *--q = ' ';
      rec.put(first, width);
    } else {
      rec.rightJustified(w, q, len);
    }
    return;
  }

  // Many decimals or a large value: the general conversion.
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
    rec.stars(w);
    return;
  }
  if (neg) *--first = '-';
  rec.rightJustified(w, first, len);
}

// Ew.d: [-][0].d1...dd followed by E+nn, or +nnn when the exponent needs
// three digits. The optional 0 appears only when there is a spare column.
void writeExpo(Record& rec, int w, int d, double v) {
  if (!std::isfinite(v)) {
    writeNonFinite(rec, w, v);
    return;
  }
  const bool neg = std::signbit(v);
  const double a = std::fabs(v);
  // Without the optional zero: sign, point, d digits and four exponent columns.
  const std::size_t need = (neg ? 1u : 0u) + 1u + static_cast<std::size_t>(d) + 4u;
  if (need > static_cast<std::size_t>(w)) {
    rec.stars(w);
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

  char* p = rec.field(static_cast<std::size_t>(w));
  std::size_t pad = static_cast<std::size_t>(w) - need;
  const bool zero = pad > 0;
  if (zero) --pad;
  std::memset(p, ' ', pad);
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

// Iw or Iw.m: at least m digits (zeros in front); Iw.0 writes a zero as blanks.
void writeInt(Record& rec, int w, int m, long long v) {
  const bool neg = v < 0;
  unsigned long long u = neg ? 0ull - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
  char digits[24];
  auto res = std::to_chars(digits, digits + sizeof(digits), u);
  std::size_t n = static_cast<std::size_t>(res.ptr - digits);
  if (m == 0 && u == 0) n = 0;
  std::size_t minDigits = m < 0 ? 1 : static_cast<std::size_t>(m);
  std::size_t zeros = minDigits > n ? minDigits - n : 0;
  std::size_t len = (neg ? 1 : 0) + zeros + n;
  if (len > static_cast<std::size_t>(w)) {
    rec.stars(w);
    return;
  }
  char* p = rec.field(static_cast<std::size_t>(w));
  std::memset(p, ' ', static_cast<std::size_t>(w) - len);
  p += static_cast<std::size_t>(w) - len;
  if (neg) *p++ = '-';
  std::memset(p, '0', zeros);
  std::memcpy(p + zeros, digits, n);
}

// Aw: right-justified when shorter, its leftmost w characters when longer.
// Bare A writes the value as it stands.
void writeChar(Record& rec, int w, std::string_view s) {
  if (w < 0) {
    rec.put(s.data(), s.size());
  } else if (s.size() >= static_cast<std::size_t>(w)) {
    rec.put(s.data(), static_cast<std::size_t>(w));
  } else {
    rec.rightJustified(w, s.data(), s.size());
  }
}

double realOf(const Value& v) { return v.kind == Value::Kind::Real4 ? static_cast<double>(v.f) : v.d; }

const char* kindName(Value::Kind k) {
  switch (k) {
  case Value::Kind::Int:
    return "an integer";
  case Value::Kind::Real4:
  case Value::Kind::Real8:
    return "a real";
  case Value::Kind::Text:
    return "a character";
  }
  return "an unknown";
}

// List-directed reals: the value rounded to 9 significant digits for REAL(4)
// and 17 for REAL(8) (enough to read the same binary value back). Decimal
// exponents -1 to digits-2 are written in fixed notation (1.50000000,
// 0.100000001), others as d.dddE+nn. No blanks are padded after the value, so
// reals are laid out the same way as integers.
void appendListReal(std::string& out, double v, int sig) {
  if (std::isnan(v)) {
    out += "NaN";
    return;
  }
  if (std::isinf(v)) {
    out += v < 0 ? "-Infinity" : "Infinity";
    return;
  }
  if (std::signbit(v)) out.push_back('-');
  char sci[48]; // "d.ddd...e+nnn"; the rounding carry is already in the exponent
  char* end = std::to_chars(sci, sci + sizeof(sci), std::fabs(v), std::chars_format::scientific, sig - 1).ptr;
  char* e = std::find(sci, end, 'e');
  int exp10 = 0;
  std::from_chars(e[1] == '+' ? e + 2 : e + 1, end, exp10);
  std::string digits;
  digits.push_back(sci[0]);
  digits.append(sci + 2, e);
  if (exp10 >= -1 && exp10 < sig - 1) {
    if (exp10 == -1) {
      out += "0.";
      out += digits;
    } else {
      out.append(digits, 0, static_cast<std::size_t>(exp10) + 1);
      out.push_back('.');
      out.append(digits, static_cast<std::size_t>(exp10) + 1);
    }
  } else {
    out.append(sci, e);
    out.push_back('E');
    out.append(e + 1, end);
  }
}

} // namespace

struct Format::Impl {
  std::string text;
  bool listDirected = false;
  std::vector<Op> ops;
  std::size_t reversion = 0;     // where the format restarts when items remain
  bool reversionHasData = false; // false: leftover items could never be consumed

  void writeList(std::span<const Value> items, std::vector<std::string>& records) const;
  // Lays out the records in `rec.text` from `rec.start` on; `endRecord` is
  // called at the end of each.
  template <class EndRecord> void writeFormatted(std::span<const Value> items, Record& rec, EndRecord endRecord) const;
};

Format::Format(std::string_view text) : impl_(new Impl) {
  impl_->text = std::string(text);
  try {
    std::string_view t = text;
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    if (t == "*") {
      impl_->listDirected = true;
      return;
    }
    Parser(text).parse(impl_->ops, impl_->reversion);
    for (std::size_t i = impl_->reversion; i < impl_->ops.size(); ++i)
      if (isData(impl_->ops[i].kind)) impl_->reversionHasData = true;
  } catch (...) {
    delete impl_;
    throw;
  }
}

Format::~Format() { delete impl_; }
Format::Format(Format&& other) noexcept : impl_(std::exchange(other.impl_, nullptr)) {}
Format& Format::operator=(Format&& other) noexcept {
  std::swap(impl_, other.impl_);
  return *this;
}

const std::string& Format::text() const { return impl_->text; }

std::vector<std::string> Format::format(std::initializer_list<Value> items) const {
  std::vector<std::string> records;
  write(std::span<const Value>(items.begin(), items.size()), records);
  return records;
}

void Format::write(std::span<const Value> items, std::vector<std::string>& records) const {
  if (impl_->listDirected) {
    impl_->writeList(items, records);
    return;
  }
  std::string text;
  text.reserve(kTypicalRecord);
  Record rec{text};
  impl_->writeFormatted(items, rec, [&] {
    records.emplace_back(text);
    text.clear();
  });
}

void Format::append(std::span<const Value> items, std::string& block) const {
  if (impl_->listDirected) {
    std::vector<std::string> records;
    impl_->writeList(items, records);
    for (const std::string& r : records) {
      block += r;
      block.push_back('\n');
    }
    return;
  }
  Record rec{block, block.size()};
  impl_->writeFormatted(items, rec, [&] {
    block.push_back('\n');
    rec.start = block.size();
  });
}

// List-directed output is one record: a leading blank, text items as they
// stand with nothing between them, numbers each preceded by a blank unless
// they come first (the leading blank serves). An empty list writes "".
void Format::Impl::writeList(std::span<const Value> items, std::vector<std::string>& records) const {
  std::string out;
  if (!items.empty()) out.push_back(' ');
  bool first = true;
  for (const Value& v : items) {
    switch (v.kind) {
    case Value::Kind::Text:
      out.append(v.s);
      break;
    case Value::Kind::Int: {
      if (!first) out.push_back(' ');
      char buf[24];
      out.append(buf, static_cast<std::size_t>(std::to_chars(buf, buf + sizeof(buf), v.i).ptr - buf));
      break;
    }
    case Value::Kind::Real4:
      if (!first) out.push_back(' ');
      appendListReal(out, static_cast<double>(v.f), 9);
      break;
    case Value::Kind::Real8:
      if (!first) out.push_back(' ');
      appendListReal(out, v.d, 17);
      break;
    }
    first = false;
  }
  records.push_back(std::move(out));
}

template <class EndRecord>
void Format::Impl::writeFormatted(std::span<const Value> items, Record& rec, EndRecord endRecordOf) const {
  std::size_t next = 0; // next item to write
  std::size_t i = 0;    // next operation
  const std::size_t nOps = ops.size();

  auto endRecord = [&] {
    endRecordOf();
    rec.pos = 0;
  };

  for (;;) {
    if (i == nOps) {
      if (next == items.size()) break;
      if (!reversionHasData) throw FormatError("format " + text + " has no field left for the remaining items");
      endRecord(); // reversion starts a new record
      i = reversion;
      continue;
    }
    const Op& op = ops[i++];
    switch (op.kind) {
    case OpKind::Literal:
      rec.put(op.text.data(), op.text.size());
      continue;
    case OpKind::SkipX:
    case OpKind::TabRight:
      rec.pos += static_cast<std::size_t>(op.w);
      continue;
    case OpKind::TabTo:
      rec.pos = static_cast<std::size_t>(op.w - 1);
      continue;
    case OpKind::TabLeft:
      rec.pos -= std::min(rec.pos, static_cast<std::size_t>(op.w));
      continue;
    case OpKind::Slash:
      endRecord();
      continue;
    case OpKind::Colon:
      if (next == items.size()) break;
      continue;
    default:
      break;
    }
    // A data field, or a colon with no items left.
    if (next == items.size()) break;
    const Value& v = items[next++];
    bool ok = true;
    switch (op.kind) {
    case OpKind::Int:
      ok = v.kind == Value::Kind::Int;
      if (ok) writeInt(rec, op.w, op.d, v.i);
      break;
    case OpKind::Fixed:
      ok = v.kind == Value::Kind::Real4 || v.kind == Value::Kind::Real8;
      if (ok) writeFixed(rec, op.w, op.d, realOf(v));
      break;
    case OpKind::Expo:
      ok = v.kind == Value::Kind::Real4 || v.kind == Value::Kind::Real8;
      if (ok) writeExpo(rec, op.w, op.d, realOf(v));
      break;
    case OpKind::Char:
      ok = v.kind == Value::Kind::Text;
      if (ok) writeChar(rec, op.w, v.s);
      break;
    default:
      break;
    }
    if (!ok)
      throw FormatError("format " + text + ": item " + std::to_string(next) + " is " + kindName(v.kind) +
                        " value, which its field cannot write");
  }
  endRecord();
}

} // namespace fortran
