// fortran-format-check: runs the FORMAT engine over a file of recorded WRITE
// statements (JSON Lines: "format", "values", "lines") and compares every
// record it writes with the recorded one.
//
// Usage: fortran-format-check FILE.jsonl
// Prints the first few mismatches and ends with "N passed, M failed"; exits 0
// only when nothing failed. Each format is parsed once and reused, as the
// program itself does.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fortran/format.h"

namespace {

// --- A small JSON reader, enough for the vector layout ----------------------

struct Json {
  enum class Type { Null, Bool, Number, String, Array, Object };
  Type type = Type::Null;
  std::string str;  // String value, or the raw text of a Number
  bool boolean = false;
  std::vector<Json> items;                              // Array
  std::vector<std::pair<std::string, Json>> members;    // Object, in order

  const Json* get(const std::string& key) const {
    for (const auto& [k, v] : members)
      if (k == key) return &v;
    return nullptr;
  }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : s_(text) {}

  Json document() {
    Json v = value();
    space();
    if (p_ != s_.size()) fail("trailing text");
    return v;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw std::runtime_error("JSON: " + why + " at offset " + std::to_string(p_));
  }

  void space() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\r' || s_[p_] == '\n')) ++p_;
  }

  char peek() {
    space();
    return p_ < s_.size() ? s_[p_] : '\0';
  }

  void expect(char c) {
    if (peek() != c) fail(std::string("expected '") + c + "'");
    ++p_;
  }

  bool word(const char* w) {
    std::string_view sv(w);
    if (s_.compare(p_, sv.size(), sv) != 0) return false;
    p_ += sv.size();
    return true;
  }

  Json value() {
    Json v;
    char c = peek();
    if (c == '{') {
      v.type = Json::Type::Object;
      ++p_;
      if (peek() == '}') {
        ++p_;
        return v;
      }
      for (;;) {
        if (peek() != '"') fail("expected a key");
        std::string key = string();
        expect(':');
        v.members.emplace_back(std::move(key), value());
        if (peek() == ',') {
          ++p_;
          continue;
        }
        expect('}');
        return v;
      }
    }
    if (c == '[') {
      v.type = Json::Type::Array;
      ++p_;
      if (peek() == ']') {
        ++p_;
        return v;
      }
      for (;;) {
        v.items.push_back(value());
        if (peek() == ',') {
          ++p_;
          continue;
        }
        expect(']');
        return v;
      }
    }
    if (c == '"') {
      v.type = Json::Type::String;
      v.str = string();
      return v;
    }
    if (word("true") || word("false")) {
      v.type = Json::Type::Bool;
      v.boolean = s_[p_ - 1] == 'e' && s_[p_ - 2] == 'u';
      return v;
    }
    if (word("null")) return v;
    std::size_t start = p_;
    while (p_ < s_.size() && std::string_view("+-.0123456789eE").find(s_[p_]) != std::string_view::npos) ++p_;
    if (start == p_) fail("unexpected character");
    v.type = Json::Type::Number;
    v.str = s_.substr(start, p_ - start);
    return v;
  }

  unsigned hex4() {
    if (p_ + 4 > s_.size()) fail("short \\u escape");
    unsigned u = 0;
    for (int i = 0; i < 4; ++i) {
      char h = s_[p_++];
      u <<= 4;
      if (h >= '0' && h <= '9') u |= static_cast<unsigned>(h - '0');
      else if (h >= 'a' && h <= 'f') u |= static_cast<unsigned>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') u |= static_cast<unsigned>(h - 'A' + 10);
      else fail("bad \\u escape");
    }
    return u;
  }

  static void utf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  std::string string() {
    expect('"');
    std::string out;
    for (;;) {
      if (p_ >= s_.size()) fail("unterminated string");
      char c = s_[p_++];
      if (c == '"') return out;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (p_ >= s_.size()) fail("unterminated escape");
      char e = s_[p_++];
      switch (e) {
        case '"': out.push_back('"'); break;
        case '\\': out.push_back('\\'); break;
        case '/': out.push_back('/'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'n': out.push_back('\n'); break;
        case 'r': out.push_back('\r'); break;
        case 't': out.push_back('\t'); break;
        case 'u': {
          unsigned cp = hex4();
          // A surrogate pair stands for one code point above U+FFFF.
          if (cp >= 0xD800 && cp < 0xDC00 && s_.compare(p_, 2, "\\u") == 0) {
            p_ += 2;
            unsigned lo = hex4();
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          utf8(out, cp);
          break;
        }
        default: fail("bad escape");
      }
    }
  }

  const std::string& s_;
  std::size_t p_ = 0;
};

// --- One vector ---------------------------------------------------------------

// Value holds string_views, so the strings it points at live here.
struct Vector {
  std::string format;
  std::vector<std::string> texts;
  std::vector<fortran::Value> values;
  std::vector<std::string> describe;  // "r4:2.675" etc., for the failure report
  std::vector<std::string> lines;
};

const std::string& need(const Json* j, Json::Type t, const char* what) {
  if (!j || j->type != t) throw std::runtime_error(std::string("missing or mistyped \"") + what + "\"");
  return j->str;
}

// strtof/strtod read "inf", "-inf", "nan" and "-0" themselves.
template <typename T>
T parseReal(const std::string& s, T (*conv)(const char*, char**)) {
  char* end = nullptr;
  T v = conv(s.c_str(), &end);
  if (end == s.c_str() || *end != '\0') throw std::runtime_error("bad real \"" + s + "\"");
  return v;
}

Vector readVector(const std::string& line) {
  Json doc = JsonReader(line).document();
  if (doc.type != Json::Type::Object) throw std::runtime_error("a line is not a JSON object");
  Vector vec;
  vec.format = need(doc.get("format"), Json::Type::String, "format");
  const Json* values = doc.get("values");
  const Json* lines = doc.get("lines");
  if (!values || values->type != Json::Type::Array) throw std::runtime_error("missing \"values\"");
  if (!lines || lines->type != Json::Type::Array) throw std::runtime_error("missing \"lines\"");

  // Reserve so that string_views into `texts` stay valid while it fills.
  vec.texts.reserve(values->items.size());
  for (const Json& item : values->items) {
    const std::string& type = need(item.get("type"), Json::Type::String, "type");
    const std::string& v = need(item.get("v"), Json::Type::String, "v");
    vec.describe.push_back(type == "str" ? "str:\"" + v + "\"" : type + ":" + v);
    if (type == "i4" || type == "i8") {
      char* end = nullptr;
      errno = 0;
      long long i = std::strtoll(v.c_str(), &end, 10);
      if (end == v.c_str() || *end != '\0' || errno == ERANGE) throw std::runtime_error("bad integer \"" + v + "\"");
      vec.values.emplace_back(i);
    } else if (type == "r4") {
      vec.values.emplace_back(parseReal<float>(v, std::strtof));
    } else if (type == "r8") {
      vec.values.emplace_back(parseReal<double>(v, std::strtod));
    } else if (type == "str") {
      vec.texts.push_back(v);
      vec.values.emplace_back(std::string_view(vec.texts.back()));
    } else {
      throw std::runtime_error("unknown value type \"" + type + "\"");
    }
  }
  for (const Json& l : lines->items) vec.lines.push_back(need(&l, Json::Type::String, "lines[]"));
  return vec;
}

// Quotes a record so blanks at either end show.
std::string quoted(const std::string& s) { return "\"" + s + "\""; }

void report(const Vector& vec, const std::vector<std::string>& got, const std::string& error) {
  std::cout << "FAIL " << vec.format << "\n  values:";
  for (const std::string& d : vec.describe) std::cout << ' ' << d;
  std::cout << '\n';
  if (!error.empty()) std::cout << "  error: " << error << '\n';
  std::size_t n = std::max(vec.lines.size(), got.size());
  for (std::size_t i = 0; i < n; ++i) {
    std::string want = i < vec.lines.size() ? quoted(vec.lines[i]) : "(no record)";
    std::string have = i < got.size() ? quoted(got[i]) : "(no record)";
    std::cout << "  record " << i + 1 << (want == have ? "  ok" : "  MISMATCH") << "\n    expected " << want
              << "\n    actual   " << have << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fortran-format-check FILE.jsonl\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "fortran-format-check: cannot open " << argv[1] << '\n';
    return 2;
  }

  constexpr int kShown = 10;
  std::map<std::string, std::unique_ptr<fortran::Format>, std::less<>> formats;
  long passed = 0, failed = 0, lineNo = 0;
  std::string line;
  std::vector<std::string> got;
  while (std::getline(in, line)) {
    ++lineNo;
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    Vector vec;
    try {
      vec = readVector(line);
    } catch (const std::exception& e) {
      // A vector that cannot be read counts as failed rather than stopping the run.
      ++failed;
      if (failed <= kShown) std::cout << "FAIL line " << lineNo << ": " << e.what() << '\n';
      continue;
    }
    got.clear();
    std::string error;
    try {
      auto it = formats.find(vec.format);
      if (it == formats.end())
        it = formats.emplace(vec.format, std::make_unique<fortran::Format>(vec.format)).first;
      it->second->write(vec.values, got);
    } catch (const std::exception& e) {
      error = e.what();
    }
    if (error.empty() && got == vec.lines) {
      ++passed;
    } else {
      ++failed;
      if (failed <= kShown) report(vec, got, error);
    }
  }
  if (failed > kShown) std::cout << "(" << failed - kShown << " more failures not shown)\n";
  std::cout << passed << " passed, " << failed << " failed\n";
  return failed == 0 ? 0 : 1;
}
