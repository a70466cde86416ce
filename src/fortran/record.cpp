// Fixed-format and list-directed reading of input records; see record.h.
#include "fortran/record.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace fortran {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string inQuotes(std::string_view s) {
  std::string out;
  out.reserve(s.size() + 2);
  out += '"';
  out += s;
  out += '"';
  return out;
}

// ---- numbers -------------------------------------------------------------
// Both kinds of input share the syntax of a numeric constant; fixed-format
// fields have their blanks removed before they get here.

// Reads an integer constant: optional sign, then digits only. Returns an empty
// string on success, otherwise why the text is not an integer.
std::string parseInteger(std::string_view s, std::int32_t& value) {
  std::size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) ++i;
  if (i == s.size()) return "no digits";
  // The magnitude of the most negative 32-bit integer is one more than the
  // largest positive one, so the limit depends on the sign.
  const long long limit = negative ? 2147483648LL : 2147483647LL;
  long long magnitude = 0;
  bool tooLarge = false;
  for (; i < s.size(); ++i) {
    if (!isDigit(s[i])) return std::string("invalid character '") + s[i] + "'";
    magnitude = magnitude * 10 + (s[i] - '0');
    if (magnitude > limit) {
      tooLarge = true;
      magnitude = limit; // keep scanning for bad characters without overflowing
    }
  }
  if (tooLarge) return "integer out of range";
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return {};
}

// Reads a real constant: optional sign, digits with at most one decimal point,
// then an optional exponent written as E or D (either case) with an optional
// sign, or as a bare sign, followed by digits ("1.5E3", "1.5D+3", "1.5+3").
// Without a decimal point the last `impliedDecimals` mantissa digits are the
// fraction, as under Fw.d. Returns an empty string on success.
std::string parseReal(std::string_view s, int impliedDecimals, double& dvalue, float& fvalue) {
  std::size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) ++i;

  std::string digits;
  bool point = false;
  long long fractionDigits = 0;
  for (; i < s.size(); ++i) {
    if (isDigit(s[i])) {
      digits += s[i];
      if (point) ++fractionDigits;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits.empty()) return i < s.size() ? std::string("invalid character '") + s[i] + "'" : "no digits";

  long long exponent = 0;
  if (i < s.size()) {
    const char c = s[i];
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      ++i;
    } else if (c != '+' && c != '-') {
      return std::string("invalid character '") + c + "'";
    }
    bool negativeExponent = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negativeExponent = s[i++] == '-';
    if (i == s.size()) return "exponent without digits";
    for (; i < s.size(); ++i) {
      if (!isDigit(s[i])) return std::string("invalid character '") + s[i] + "'";
      // Saturate: anything this large over- or underflows whatever follows.
      if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
    }
    if (negativeExponent) exponent = -exponent;
  }

  const double signedZero = negative ? -0.0 : 0.0;
  const std::size_t firstNonZero = digits.find_first_not_of('0');
  if (firstNonZero == std::string::npos) {
    dvalue = signedZero;
    fvalue = static_cast<float>(signedZero);
    return {};
  }
  digits.erase(0, firstNonZero);
  const long long scale = exponent - (point ? fractionDigits : impliedDecimals);

  // Converting the decimal text straight to each precision rounds once, as a
  // READ into a REAL or a DOUBLE PRECISION variable does; narrowing the
  // double would round twice.
  const std::string text = digits + "e" + std::to_string(scale);
  // The value lies between 10^(magnitude-1) and 10^magnitude, so an
  // out-of-range result with magnitude <= 0 is an underflow.
  const bool tiny = static_cast<long long>(digits.size()) + scale <= 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();

  double d = 0.0;
  if (std::from_chars(first, last, d).ec == std::errc::result_out_of_range) {
    if (!tiny) return "number out of range";
    d = 0.0;
  }
  float f = 0.0f;
  if (std::from_chars(first, last, f).ec == std::errc::result_out_of_range) {
    // Reals are held in single precision: a value beyond its range would be
    // infinity and poison every result computed from it, so it is refused.
    if (!tiny) return "number beyond single precision";
    f = 0.0f;
  }
  dvalue = negative ? -d : d;
  fvalue = negative ? -f : f;
  return {};
}

// ---- format text -----------------------------------------------------------

// Recursive-descent parser of a format text into a flat list of edits, with
// groups and repeat counts expanded so that reading is a single pass.
template <typename Edit, typename EditKind> class FormatParser {
public:
  explicit FormatParser(std::string_view text) : original_(text) {
    // Blanks are insignificant in a format and letters may be in either case.
    for (char c : text) {
      if (c != ' ' && c != '\t') s_ += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }

  std::vector<Edit> parse() {
    if (peek() != '(') fail("must begin with '('");
    ++pos_;
    std::vector<Edit> edits = group();
    if (pos_ != s_.size()) fail("unexpected text after the closing parenthesis");
    return edits;
  }

private:
  // Keeps a mistyped repeat count from expanding into an enormous edit list.
  static constexpr long kMaxEdits = 100000;

  [[noreturn]] void fail(const std::string& why) const {
    throw FormatError("input format " + inQuotes(original_) + ": " + why);
  }

  char peek() const { return pos_ < s_.size() ? s_[pos_] : '\0'; }

  std::optional<long> number() {
    if (!isDigit(peek())) return std::nullopt;
    long n = 0;
    while (isDigit(peek())) {
      n = n * 10 + (s_[pos_++] - '0');
      if (n > kMaxEdits) fail("number too large");
    }
    return n;
  }

  int positive(const char* what) {
    const std::optional<long> n = number();
    if (!n || *n == 0) fail(std::string(what) + " needs a positive width");
    return static_cast<int>(*n);
  }

  // Items up to and including the closing parenthesis of the current group.
  std::vector<Edit> group() {
    std::vector<Edit> edits;
    if (peek() == ')') {
      ++pos_;
      return edits;
    }
    for (;;) {
      item(edits);
      if (peek() == ',') {
        ++pos_;
      } else if (peek() == ')') {
        ++pos_;
        return edits;
      } else if (peek() == '\0') {
        fail("missing ')'");
      } else {
        fail(std::string("unexpected '") + peek() + "'");
      }
    }
  }

  void append(std::vector<Edit>& edits, const std::vector<Edit>& items, long times) {
    if (static_cast<long>(edits.size()) + static_cast<long>(items.size()) * times > kMaxEdits) {
      fail("too many edits");
    }
    for (long r = 0; r < times; ++r) edits.insert(edits.end(), items.begin(), items.end());
  }

  void item(std::vector<Edit>& edits) {
    const std::optional<long> count = number();
    if (count && *count == 0) fail("repeat count of zero");
    const long repeat = count.value_or(1);
    const char c = peek();
    if (c == '\0') fail("unexpected end");
    ++pos_;
    switch (c) {
    case '(':
      append(edits, group(), repeat);
      return;
    case 'I': {
      const int w = positive("I");
      if (peek() == '.') { // Iw.m: the minimum digit count matters on output only
        ++pos_;
        if (!number()) fail("I needs digits after '.'");
      }
      append(edits, {Edit{EditKind::Integer, 'I', w, 0}}, repeat);
      return;
    }
    case 'F':
    case 'E':
    case 'D': {
      const char name[] = {c, '\0'};
      const int w = positive(name);
      if (peek() != '.') fail(std::string(name) + " needs the form " + name + "w.d");
      ++pos_;
      const std::optional<long> d = number();
      if (!d) fail(std::string(name) + " needs digits after '.'");
      if (c == 'E' && peek() == 'E') { // Ew.dEe: the exponent width matters on output only
        ++pos_;
        if (!number()) fail("E needs digits after the exponent letter");
      }
      append(edits, {Edit{EditKind::Real, c, w, static_cast<int>(*d)}}, repeat);
      return;
    }
    case 'A':
      // A plain "A" takes its width from the variable, which a record
      // read here does not have, so the width must be written.
      append(edits, {Edit{EditKind::Text, 'A', positive("A"), 0}}, repeat);
      return;
    case 'X':
      // In nX the number is the column count, not a repeat.
      append(edits, {Edit{EditKind::Skip, 'X', static_cast<int>(repeat), 0}}, 1);
      return;
    case 'T': {
      if (count) fail("T cannot have a repeat count");
      if (peek() == 'L' || peek() == 'R') {
        const bool left = s_[pos_++] == 'L';
        append(edits, {Edit{left ? EditKind::TabLeft : EditKind::Skip, 'T', positive("TL/TR"), 0}}, 1);
      } else {
        append(edits, {Edit{EditKind::TabTo, 'T', positive("T"), 0}}, 1);
      }
      return;
    }
    default:
      fail(std::string("unsupported edit descriptor '") + c + "'");
    }
  }

  std::string_view original_;
  std::string s_;
  std::size_t pos_ = 0;
};

// ---- list-directed items ---------------------------------------------------

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isBlankLine(std::string_view line) {
  for (char c : line) {
    if (!isBlank(c)) return false;
  }
  return true;
}

// The first value of a list-directed line, with a repeat prefix "r*" removed
// (every copy of a repeated value is the same, and only the first is wanted).
// Returns an empty string on success, else why there is no value. A leading
// comma or a bare "r*" is a null value, and a slash ends the list: neither
// gives a number.
std::string firstItem(std::string_view line, std::string_view& item) {
  std::size_t start = 0;
  while (start < line.size() && isBlank(line[start])) ++start;
  if (start == line.size()) return "blank line";
  if (line[start] == ',' || line[start] == '/') return "no value before " + inQuotes(line.substr(start, 1));
  std::size_t end = start;
  while (end < line.size() && !isBlank(line[end]) && line[end] != ',' && line[end] != '/') ++end;
  item = line.substr(start, end - start);

  const std::size_t star = item.find('*');
  if (star != std::string_view::npos) {
    const std::string_view count = item.substr(0, star);
    bool digits = !count.empty();
    for (char c : count) digits = digits && isDigit(c);
    if (digits && count.find_first_not_of('0') != std::string_view::npos) {
      if (star + 1 == item.size()) return inQuotes(item) + " is a null value";
      item.remove_prefix(star + 1);
    }
  }
  return {};
}

std::string listReal(std::string_view line, double& value) {
  std::string_view item;
  if (std::string why = firstItem(line, item); !why.empty()) return why;
  float unused;
  if (std::string why = parseReal(item, 0, value, unused); !why.empty()) {
    return inQuotes(item) + " is not a number (" + why + ")";
  }
  return {};
}

template <typename T> ListResult<T> readList(LineReader& in, std::string (*parse)(std::string_view, T&)) {
  ListResult<T> result;
  std::string line;
  for (;;) {
    if (!in.next(line)) {
      result.status = ReadStatus::EndOfFile;
      return result;
    }
    if (!isBlankLine(line)) break;
  }
  if (std::string why = parse(line, result.value); !why.empty()) {
    result.status = ReadStatus::Error;
    result.error = "line " + std::to_string(in.lineNumber()) + ": " + why;
    return result;
  }
  result.status = ReadStatus::Ok;
  return result;
}

} // namespace

// ---- InputRecord -------------------------------------------------------------

const InputRecord::Field& InputRecord::field(std::size_t k, Kind wanted) const {
  static const char* const names[] = {"integer", "real", "text"};
  if (k >= fields_.size()) {
    throw std::out_of_range("record field " + std::to_string(k) + " requested, record has " +
                            std::to_string(fields_.size()));
  }
  const Field& f = fields_[k];
  if (f.kind != wanted) {
    throw std::logic_error("record field " + std::to_string(k) + " is " + names[static_cast<int>(f.kind)] + ", not " +
                           names[static_cast<int>(wanted)]);
  }
  return f;
}

InputRecord::Kind InputRecord::kind(std::size_t k) const {
  if (k >= fields_.size()) throw std::out_of_range("record field " + std::to_string(k) + " requested");
  return fields_[k].kind;
}

std::int32_t InputRecord::integer(std::size_t k) const { return field(k, Kind::Integer).integer; }
float InputRecord::real(std::size_t k) const { return field(k, Kind::Real).real; }
double InputRecord::realDouble(std::size_t k) const { return field(k, Kind::Real).realDouble; }
const std::string& InputRecord::text(std::size_t k) const { return field(k, Kind::Text).text; }

// ---- InputFormat -------------------------------------------------------------

InputFormat::InputFormat(std::string_view text) : text_(text) {
  edits_ = FormatParser<Edit, EditKind>(text).parse();
  for (const Edit& e : edits_) {
    if (e.kind == EditKind::Integer || e.kind == EditKind::Real || e.kind == EditKind::Text) ++fieldCount_;
  }
}

RecordResult InputFormat::read(std::string_view line) const {
  RecordResult result;
  InputRecord& record = result.record;
  record.fields_.reserve(fieldCount_);
  std::size_t column = 0; // 0-based position of the next character to read
  for (const Edit& e : edits_) {
    const auto width = static_cast<std::size_t>(e.width);
    switch (e.kind) {
    case EditKind::Skip:
      column += width;
      continue;
    case EditKind::TabTo:
      column = width - 1;
      continue;
    case EditKind::TabLeft:
      column = column > width ? column - width : 0;
      continue;
    default:
      break;
    }

    // Columns beyond the end of the line read as blanks.
    const std::string raw = fixedWidth(column < line.size() ? line.substr(column) : std::string_view(), width);
    InputRecord::Field field;
    std::string why;
    if (e.kind == EditKind::Text) {
      field.kind = InputRecord::Kind::Text;
      field.text = raw;
    } else {
      // Blanks inside a numeric field are ignored, so a blank field is zero.
      std::string compact;
      for (char c : raw) {
        if (c != ' ') compact += c;
      }
      if (e.kind == EditKind::Integer) {
        field.kind = InputRecord::Kind::Integer;
        if (!compact.empty()) why = parseInteger(compact, field.integer);
      } else {
        field.kind = InputRecord::Kind::Real;
        if (!compact.empty()) why = parseReal(compact, e.decimals, field.realDouble, field.real);
      }
    }
    if (!why.empty()) {
      // Built by appending: GCC 12 warns falsely (-Wrestrict) on literal + temporary chains here.
      std::string& msg = result.error;
      msg = "field ";
      msg += std::to_string(record.fields_.size() + 1);
      msg += " (";
      msg += e.letter;
      msg += std::to_string(e.width);
      if (e.kind == EditKind::Real) {
        msg += '.';
        msg += std::to_string(e.decimals);
      }
      msg += ", columns ";
      msg += std::to_string(column + 1);
      msg += '-';
      msg += std::to_string(column + width);
      msg += ") holds ";
      msg += inQuotes(raw);
      msg += ": ";
      msg += why;
      result.record = InputRecord();
      return result;
    }
    record.fields_.push_back(std::move(field));
    column += width;
  }
  result.status = ReadStatus::Ok;
  return result;
}

RecordResult readRecord(LineReader& in, const InputFormat& format) {
  std::string line;
  if (!in.next(line)) {
    RecordResult result;
    result.status = ReadStatus::EndOfFile;
    return result;
  }
  RecordResult result = format.read(line);
  if (!result.ok()) result.error = "line " + std::to_string(in.lineNumber()) + ": " + result.error;
  return result;
}

// ---- list-directed -------------------------------------------------------------

ListResult<double> readListNumber(LineReader& in) { return readList<double>(in, listReal); }

} // namespace fortran
