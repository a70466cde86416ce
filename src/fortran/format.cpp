// The FORMAT engine: parses a Fortran format text once into a flat list of
// edit operations, then lays out output lists against it.
//
// Parsing expands repeat counts and groups up front, so a write is a single
// forward walk over the operations with no recursion; the index where format
// reversion restarts is recorded while flattening. A parsed format is one
// block of memory: a header, the operations, the text of its literals and the
// format text itself. The program keeps several hundred formats, each parsed
// when its statement first runs, so parsing works in stack scratch and
// allocates once.
//
// Most formats only ever move right (literals, fields, nX, Tn to a later
// column): their records are laid down in one pass into a stack buffer and
// copied out whole. The few that tab left, or hold a bare A whose width is the
// value's, go through the general record that can move and overwrite.
#include "fortran/format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "fortran/fields.h"

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

// A literal's w is its length and d where its text starts among the
// format's literal characters.
struct Op {
  OpKind kind;
  int w; // width, or the count/column of a positioning op, or a literal's length
  int d; // digits after the point (F, E), minimum digits (I, -1 if absent), or a literal's offset
};

bool isData(OpKind k) { return k == OpKind::Int || k == OpKind::Fixed || k == OpKind::Expo || k == OpKind::Char; }

// Guards against formats such as 9999(9999(...)) that would expand without bound.
constexpr std::size_t kMaxExpansion = std::size_t{1} << 22;
constexpr int kMaxNumber = 1'000'000;
// Longest record laid down in one pass on the stack; the program's longest
// lines are 133 columns.
constexpr int kLinearRecord = 400;
// Room for an output line of the usual length, so a record is not regrown field by field.
constexpr std::size_t kTypicalRecord = 136;

// A growable array of a trivially copyable T that stays on the stack while it
// holds at most N elements: parsing an ordinary format allocates nothing.
template <class T, std::size_t N> class LocalVector {
public:
  LocalVector() = default;
  LocalVector(const LocalVector&) = delete;
  LocalVector& operator=(const LocalVector&) = delete;

  std::size_t size() const { return size_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T& operator[](std::size_t i) { return data_[i]; }
  T& back() { return data_[size_ - 1]; }

  // New elements are left as they are: the caller writes them.
  void resize(std::size_t n) {
    if (n > capacity_) grow(n);
    size_ = n;
  }
  void push_back(T v) {
    resize(size_ + 1);
    data_[size_ - 1] = v;
  }
  // Appends a copy of elements [from, from + n), which already stand in the array.
  void appendOwn(std::size_t from, std::size_t n) {
    const std::size_t at = size_;
    resize(size_ + n);
    std::memcpy(data_ + at, data_ + from, n * sizeof(T));
  }

private:
  void grow(std::size_t n) {
    std::vector<T> bigger(std::max(n, 2 * capacity_));
    std::memcpy(bigger.data(), data_, size_ * sizeof(T));
    heap_.swap(bigger);
    data_ = heap_.data();
    capacity_ = heap_.size();
  }

  T local_[N];
  std::vector<T> heap_;
  T* data_ = local_;
  std::size_t size_ = 0;
  std::size_t capacity_ = N;
};

// ---------------------------------------------------------------------------
// Parsing

class Parser {
public:
  explicit Parser(std::string_view text) : full_(text) { compact(text); }

  // Parses "(list)" into the flattened operations and the reversion index.
  // Groups are expanded as they are read. A format that would expand too far
  // is reported only after the whole text has been checked, so that a text
  // that is also malformed reports its syntax first.
  void parse() {
    if (at() != '(') fail("a format must start with '('");
    ++pos_;
    std::uint64_t budget = 0;
    parseList(budget, true);
    if (at() != ')') fail("missing ')' at the end of the format");
    ++pos_;
    if (pos_ != size_) fail("text after the closing ')'");
    if (tooFar_) fail("the format expands too far");
  }

  const LocalVector<Op, 96>& ops() const { return ops_; }
  const LocalVector<char, 512>& literals() const { return literals_; }
  std::size_t reversion() const { return reversion_; }

private:
  // Blanks outside character literals carry no meaning in a format, so they
  // are dropped before parsing; letters are folded to upper case likewise. A
  // literal is copied as one run. A '\0' after the text stands for its end.
  void compact(std::string_view text) {
    src_.resize(text.size() + 1);
    char* out = src_.data();
    const char* c = text.data();
    const char* const last = c + text.size();
    while (c < last) {
      if (*c == '\'' || *c == '"') {
        // Up to and including the closing quote (a doubled quote reopens at once).
        const void* close = std::memchr(c + 1, *c, static_cast<std::size_t>(last - c - 1));
        const char* stop = close ? static_cast<const char*>(close) + 1 : last;
        std::memcpy(out, c, static_cast<std::size_t>(stop - c));
        out += stop - c;
        c = stop;
      } else {
        if (*c != ' ' && *c != '\t') *out++ = *c >= 'a' && *c <= 'z' ? static_cast<char>(*c - 'a' + 'A') : *c;
        ++c;
      }
    }
    *out = '\0';
    src_.resize(static_cast<std::size_t>(out - src_.data()) + 1);
    size_ = src_.size() - 1;
  }

  [[noreturn, gnu::cold, gnu::noinline]] void fail(const std::string& why) const {
    throw FormatError("bad format " + std::string(full_) + ": " + why);
  }

  char at() const { return src_.data()[pos_]; } // never past the closing '\0'
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
    const int v = number();
    if (v < min) badNumber(what, min, v); // min >= 0, so a missing number (-1) lands here too
    return v;
  }

  // Fw.d and Ew.d: a width, a point, then the digits after the point.
  void realField(Op& op, OpKind kind, const char* widthName, const char* needsPoint, const char* digitsName,
                 int minDigits) {
    op.kind = kind;
    op.w = requiredNumber(widthName, 1);
    if (at() != '.') fail(needsPoint);
    ++pos_;
    op.d = requiredNumber(digitsName, minDigits);
  }

  // The messages are built only when a format is refused.
  [[noreturn, gnu::cold, gnu::noinline]] void badNumber(const char* what, int min, int v) const {
    if (v < 0) fail(std::string("missing ") + what);
    fail(std::string(what) + " must be at least " + std::to_string(min));
  }

  // The expansion counts one unit per operation and per literal character;
  // past the limit nothing more is expanded and the format is refused.
  bool spend(std::uint64_t& budget, std::uint64_t units) {
    budget += units;
    if (budget > kMaxExpansion) tooFar_ = true;
    return !tooFar_;
  }

  // list := item { [','] item }, where the comma may be left out next to a
  // literal, '/' or ':' (as Fortran allows). Each item is expanded at once;
  // the groups of the outermost list set where format reversion restarts.
  void parseList(std::uint64_t& budget, bool outermost) {
    if (at() == ')') fail("empty parentheses");
    for (;;) {
      const bool free = parseItem(budget, outermost);
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

  // One item, expanded onto the operations. Returns whether a comma may be
  // left out after it (a literal, '/' or ':').
  bool parseItem(std::uint64_t& budget, bool outermost) {
    int count = number();
    if (count == 0) fail("a repeat count must be at least 1");
    char c = at();
    if (c == '(') {
      ++pos_;
      parseGroup(count < 0 ? 1 : count, budget, outermost);
      return false;
    }
    if (c == '\'' || c == '"') {
      if (count >= 0) fail("a repeat count needs parentheses around a literal");
      const std::size_t from = literals_.size();
      literal(c);
      const std::size_t n = literals_.size() - from;
      if (spend(budget, 1 + n)) {
        pushLiteral(from, n);
      } else {
        literals_.resize(from);
      }
      return true;
    }
    Op op{OpKind::Literal, 0, 0};
    const int repeat = descriptor(c, count, op);
    if (spend(budget, static_cast<std::uint64_t>(repeat))) {
      for (int r = 0; r < repeat; ++r) ops_.push_back(op);
    }
    return op.kind == OpKind::Slash || op.kind == OpKind::Colon;
  }

  // "n(list)": the list is parsed in place, then copied n - 1 more times.
  // Nothing inside a group merges with what stands before it, so the group
  // is exactly the operations from `start` on.
  void parseGroup(int repeat, std::uint64_t& budget, bool outermost) {
    const std::size_t start = ops_.size();
    const std::size_t textStart = literals_.size();
    const std::size_t outerBarrier = barrier_;
    barrier_ = start;
    std::uint64_t inner = 0;
    parseList(inner, false);
    ++pos_; // the ')' that parseList stopped at
    // Reversion restarts at the last top-level group, repeat count included,
    // and literals are never merged across that point.
    barrier_ = outermost ? start : outerBarrier;
    if (outermost) reversion_ = start;
    if (!spend(budget, inner * static_cast<std::uint64_t>(repeat))) {
      ops_.resize(start);
      literals_.resize(textStart);
      return;
    }
    const std::size_t end = ops_.size();
    if (end - start == 1 && ops_[start].kind == OpKind::Literal &&
        static_cast<std::size_t>(ops_[start].d + ops_[start].w) == literals_.size()) {
      // A rule such as 85('-'): the literal repeated is one literal.
      Op& only = ops_[start];
      const auto unit = static_cast<std::size_t>(only.w);
      const auto from = static_cast<std::size_t>(only.d);
      literals_.resize(from + unit * static_cast<std::size_t>(repeat));
      char* text = literals_.data() + from;
      if (unit == 1) {
        std::memset(text + 1, text[0], static_cast<std::size_t>(repeat) - 1); // a rule: one fill
      } else {
        for (int r = 1; r < repeat; ++r) std::memcpy(text + unit * static_cast<std::size_t>(r), text, unit);
      }
      only.w *= repeat;
      return;
    }
    // The copies never merge into the group itself, which is being copied.
    const std::size_t after = barrier_;
    barrier_ = end;
    for (int r = 1; r < repeat; ++r) {
      for (std::size_t k = start; k < end; ++k) push(ops_[k]);
    }
    barrier_ = after;
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
    default:
      dataDescriptor(c, op);
      return count < 0 ? 1 : count;
    }
  }

  // I, F, E and A with their width and digits.
  void dataDescriptor(char c, Op& op) {
    switch (c) {
    case 'I':
      op.kind = OpKind::Int;
      op.w = requiredNumber("I width", 1);
      op.d = -1;
      if (at() == '.') {
        ++pos_;
        op.d = requiredNumber("I minimum digits", 0);
        if (op.d > op.w) fail("I minimum digits exceed the width");
      }
      return;
    case 'F':
      realField(op, OpKind::Fixed, "F width", "F needs w.d", "F decimals", 0);
      return;
    case 'E':
      realField(op, OpKind::Expo, "E width", "E needs w.d", "E digits", 1);
      return;
    case 'A':
      op.kind = OpKind::Char;
      op.w = number();
      if (op.w == 0) fail("A width must be at least 1");
      return;
    default:
      fail(std::string("unknown edit descriptor '") + c + "'");
    }
  }

  // A literal in apostrophes or quotes, appended to the literal text; the
  // delimiter doubled stands for itself.
  void literal(char quote) {
    ++pos_;
    for (;;) {
      const char* rest = src_.data() + pos_;
      const void* close = std::memchr(rest, quote, size_ - pos_);
      if (!close) fail("unterminated character literal");
      const auto n = static_cast<std::size_t>(static_cast<const char*>(close) - rest);
      const std::size_t end = literals_.size();
      literals_.resize(end + n);
      std::memcpy(literals_.data() + end, rest, n);
      pos_ += n + 1;
      if (at() != quote) return;
      literals_.push_back(quote);
      ++pos_;
    }
  }

  // Adjacent literals become one copy, e.g. 77('-'), but never across the
  // barrier (the start of the group being read, or where reversion restarts).
  void pushLiteral(std::size_t from, std::size_t n) {
    if (ops_.size() > barrier_) {
      Op& last = ops_.back();
      if (last.kind == OpKind::Literal && static_cast<std::size_t>(last.d + last.w) == from) {
        last.w += static_cast<int>(n);
        return;
      }
    }
    ops_.push_back(Op{OpKind::Literal, static_cast<int>(n), static_cast<int>(from)});
  }

  // A copy of an operation already read; a literal's text is copied too.
  void push(Op op) {
    if (op.kind != OpKind::Literal) {
      ops_.push_back(op);
      return;
    }
    const std::size_t from = literals_.size();
    literals_.appendOwn(static_cast<std::size_t>(op.d), static_cast<std::size_t>(op.w));
    pushLiteral(from, static_cast<std::size_t>(op.w));
  }

  std::string_view full_;
  LocalVector<char, 256> src_; // the compacted text and its closing '\0'
  std::size_t size_ = 0;       // length of the compacted text
  LocalVector<Op, 96> ops_;
  LocalVector<char, 512> literals_;
  std::size_t pos_ = 0;
  std::size_t reversion_ = 0;
  std::size_t barrier_ = 0;
  bool tooFar_ = false;
};

// The longest record of a format whose every record is laid down left to
// right, in one pass; -1 when one moves left (TL, T to an earlier column) or
// holds a bare A, or would not fit the stack buffer. A record starts at the
// first operation, after a slash, or where reversion restarts.
int linearRecordLength(const Op* ops, std::size_t n, std::size_t reversion) {
  int longest = 0;
  for (const std::size_t begin : {std::size_t{0}, reversion}) {
    int column = 0;
    for (std::size_t i = begin; i < n; ++i) {
      const Op& op = ops[i];
      switch (op.kind) {
      case OpKind::TabTo:
        if (op.w - 1 < column) return -1;
        column = op.w - 1;
        break;
      case OpKind::TabLeft:
        return -1;
      case OpKind::Slash:
        column = 0;
        break;
      case OpKind::Colon:
        break;
      case OpKind::Char:
        if (op.w < 0) return -1;
        column += op.w;
        break;
      default: // literals, fields, nX and TRn move right by w
        column += op.w;
        break;
      }
      if (column > kLinearRecord) return -1;
      longest = std::max(longest, column);
    }
  }
  return longest;
}

// ---------------------------------------------------------------------------
// Output

// The general record, built at the end of `text` from `start` on. `pos` is
// the current column (0-based) and may lie beyond the written text after X or
// T; the gap becomes blanks only when something is written there, and the
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
};

// Whether a field of this kind can write the item.
bool accepts(OpKind field, Value::Kind item) {
  switch (field) {
  case OpKind::Int:
    return item == Value::Kind::Int;
  case OpKind::Fixed:
  case OpKind::Expo:
    return item == Value::Kind::Real4 || item == Value::Kind::Real8;
  default:
    return item == Value::Kind::Text;
  }
}

// Writes the item into the op.w columns at p, when the field can write it
// (not a bare A); false when it cannot.
inline bool writeField(const Op& op, const Value& v, char* p) {
  switch (op.kind) {
  case OpKind::Int:
    if (v.kind != Value::Kind::Int) return false;
    fields::integer(p, op.w, op.d, v.i);
    return true;
  case OpKind::Fixed:
    if (v.kind == Value::Kind::Real4) {
      fields::fixed(p, op.w, op.d, v.f);
    } else if (v.kind == Value::Kind::Real8) {
      fields::fixed(p, op.w, op.d, v.d);
    } else {
      return false;
    }
    return true;
  case OpKind::Expo:
    if (v.kind == Value::Kind::Real4) {
      fields::exponent(p, op.w, op.d, static_cast<double>(v.f));
    } else if (v.kind == Value::Kind::Real8) {
      fields::exponent(p, op.w, op.d, v.d);
    } else {
      return false;
    }
    return true;
  default:
    if (v.kind != Value::Kind::Text) return false;
    fields::text(p, op.w, v.s);
    return true;
  }
}

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

// The header of a parsed format's one block; its operations, the text of its
// literals and the format text follow it in the same allocation.
struct Format::Impl {
  std::uint32_t opCount = 0;
  std::uint32_t literalSize = 0;
  std::uint32_t textSize = 0;
  std::uint32_t reversion = 0; // where the format restarts when items remain
  int linearRecord = -1;       // longest record when laid down in one pass, or -1
  bool listDirected = false;
  bool reversionHasData = false; // false: leftover items could never be consumed

  const Op* ops() const { return reinterpret_cast<const Op*>(this + 1); }
  const char* literals() const { return reinterpret_cast<const char*>(ops() + opCount); }
  std::string_view text() const { return {literals() + literalSize, textSize}; }

  // The operations follow the header without padding.
  static_assert(alignof(Op) <= alignof(std::uint32_t));

  static Impl* make(std::string_view text, const Op* ops, std::size_t opCount, const char* literals,
                    std::size_t literalSize);

  void writeList(std::span<const Value> items, std::vector<std::string>& records) const;
  // Lays out the records in `rec.text` from `rec.start` on; `endRecord` is
  // called at the end of each.
  template <class EndRecord> void writeFormatted(std::span<const Value> items, Record& rec, EndRecord endRecord) const;
  // Lays out each record in a stack buffer and hands it to `emit(first, last)`,
  // which may write one more character at `last`.
  template <class Emit> void writeLinear(std::span<const Value> items, Emit emit) const;
  [[noreturn]] void mismatch(std::size_t item, Value::Kind kind) const;
  [[noreturn]] void noFieldLeft() const;
};

Format::Impl* Format::Impl::make(std::string_view text, const Op* ops, std::size_t opCount, const char* literals,
                                 std::size_t literalSize) {
  const std::size_t opBytes = opCount * sizeof(Op);
  void* block = ::operator new(sizeof(Impl) + opBytes + literalSize + text.size());
  Impl* impl = new (block) Impl;
  impl->opCount = static_cast<std::uint32_t>(opCount);
  impl->literalSize = static_cast<std::uint32_t>(literalSize);
  impl->textSize = static_cast<std::uint32_t>(text.size());
  char* bytes = reinterpret_cast<char*>(impl + 1);
  if (opBytes) std::memcpy(bytes, ops, opBytes);
  if (literalSize) std::memcpy(bytes + opBytes, literals, literalSize);
  if (!text.empty()) std::memcpy(bytes + opBytes + literalSize, text.data(), text.size());
  return impl;
}

Format::Format(std::string_view text) {
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (t == "*") {
    impl_ = Impl::make(text, nullptr, 0, nullptr, 0);
    impl_->listDirected = true;
    return;
  }
  Parser parser(text);
  parser.parse();
  const auto& ops = parser.ops();
  impl_ = Impl::make(text, ops.data(), ops.size(), parser.literals().data(), parser.literals().size());
  impl_->reversion = static_cast<std::uint32_t>(parser.reversion());
  for (std::size_t i = parser.reversion(); i < ops.size(); ++i)
    if (isData(ops.data()[i].kind)) impl_->reversionHasData = true;
  impl_->linearRecord = linearRecordLength(ops.data(), ops.size(), parser.reversion());
}

Format::~Format() { ::operator delete(impl_); }
Format::Format(Format&& other) noexcept : impl_(std::exchange(other.impl_, nullptr)) {}
Format& Format::operator=(Format&& other) noexcept {
  std::swap(impl_, other.impl_);
  return *this;
}

std::string_view Format::text() const { return impl_->text(); }

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
  if (impl_->linearRecord >= 0) {
    impl_->writeLinear(items, [&](const char* first, char* last) {
      records.emplace_back(first, static_cast<std::size_t>(last - first));
    });
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
  if (impl_->linearRecord >= 0) {
    impl_->writeLinear(items, [&](const char* first, char* last) {
      *last = '\n';
      block.append(first, static_cast<std::size_t>(last - first) + 1);
    });
    return;
  }
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

void Format::Impl::mismatch(std::size_t item, Value::Kind kind) const {
  throw FormatError("format " + std::string(text()) + ": item " + std::to_string(item) + " is " + kindName(kind) +
                    " value, which its field cannot write");
}

void Format::Impl::noFieldLeft() const {
  throw FormatError("format " + std::string(text()) + " has no field left for the remaining items");
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

template <class Emit> void Format::Impl::writeLinear(std::span<const Value> items, Emit emit) const {
  char buf[kLinearRecord + 1]; // one more for the newline `emit` may add
  char* at = buf;              // the current column
  char* end = buf;             // just past the last character written
  std::size_t next = 0;        // next item to write
  std::size_t i = 0;           // next operation
  const Op* const all = ops();
  const char* const text = literals();

  for (;;) {
    if (i == opCount) {
      if (next == items.size()) break;
      if (!reversionHasData) noFieldLeft();
      emit(buf, end); // reversion starts a new record
      at = end = buf;
      i = reversion;
      continue;
    }
    const Op& op = all[i++];
    if (op.kind == OpKind::Fixed && next < items.size() && items[next].kind == Value::Kind::Real4) {
      fields::fixed(at, op.w, op.d, items[next++].f); // most of all output
      end = at += op.w;
      continue;
    }
    switch (op.kind) {
    case OpKind::Literal:
      fields::copy(at, text + op.d, static_cast<std::size_t>(op.w));
      end = at += op.w;
      continue;
    case OpKind::SkipX:
    case OpKind::TabRight:
      // Blanks laid now count only once something is written after them.
      fields::fill(at, ' ', static_cast<std::size_t>(op.w));
      at += op.w;
      continue;
    case OpKind::TabTo:
      fields::fill(at, ' ', static_cast<std::size_t>(buf + op.w - 1 - at));
      at = buf + op.w - 1;
      continue;
    case OpKind::Slash:
      emit(buf, end);
      at = end = buf;
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
    if (!writeField(op, v, at)) mismatch(next, v.kind);
    end = at += op.w;
  }
  emit(buf, end);
}

template <class EndRecord>
void Format::Impl::writeFormatted(std::span<const Value> items, Record& rec, EndRecord endRecordOf) const {
  std::size_t next = 0; // next item to write
  std::size_t i = 0;    // next operation
  const Op* const all = ops();

  auto endRecord = [&] {
    endRecordOf();
    rec.pos = 0;
  };

  for (;;) {
    if (i == opCount) {
      if (next == items.size()) break;
      if (!reversionHasData) noFieldLeft();
      endRecord(); // reversion starts a new record
      i = reversion;
      continue;
    }
    const Op& op = all[i++];
    switch (op.kind) {
    case OpKind::Literal:
      rec.put(literals() + op.d, static_cast<std::size_t>(op.w));
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
    if (!accepts(op.kind, v.kind)) mismatch(next, v.kind); // before the record grows
    if (op.kind == OpKind::Char && op.w < 0) {
      rec.put(v.s.data(), v.s.size()); // bare A: the value as it stands
    } else {
      writeField(op, v, rec.field(static_cast<std::size_t>(op.w)));
    }
  }
  endRecord();
}

} // namespace fortran
