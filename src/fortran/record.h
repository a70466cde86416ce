// Reading input records the way the program's Fortran-style READ statements do.
//
// Two kinds of READ are used on the data files:
//
//  * Fixed-format, e.g. "(A20,A60)" or "(I7,I4,I2,I2,I3,24(I6,1X))": every field
//    sits in fixed columns. An InputFormat is parsed once from the format text
//    and then splits lines into fields. The usual rules of formatted input
//    apply: a short line is padded with blanks, a blank numeric field is zero,
//    blanks inside a numeric field are ignored, and under Fw.d a number written
//    without a decimal point has one implied d digits from its right end.
//
//  * List-directed ("free format"), where a line holds numbers separated by
//    blanks and/or commas and the program only wants the first one. Blank lines
//    before it are skipped.
//
// Bad data never throws: reads report an error text naming the line or field,
// so that the caller can issue its own message. A malformed format text is a
// programming error and throws FormatError when the InputFormat is built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fortran/format.h" // FormatError
#include "fortran/line_reader.h"

namespace fortran {

enum class ReadStatus { Ok, EndOfFile, Error };

// The fields of one record read with an InputFormat, numbered from 0 in the
// order of the data edit descriptors (I, F, E, D, A) of the format. Asking for
// a field that does not exist, or as the wrong kind, throws std::logic_error.
class InputRecord {
public:
  enum class Kind { Integer, Real, Text };

  std::size_t size() const { return fields_.size(); }
  Kind kind(std::size_t k) const;

  std::int32_t integer(std::size_t k) const;    // I field
  float real(std::size_t k) const;              // F/E/D field as single precision
  double realDouble(std::size_t k) const;       // F/E/D field as double precision
  const std::string& text(std::size_t k) const; // A field: exactly w characters

private:
  friend class InputFormat;
  struct Field {
    Kind kind = Kind::Integer;
    std::int32_t integer = 0;
    float real = 0.0f;
    double realDouble = 0.0;
    std::string text;
  };
  const Field& field(std::size_t k, Kind wanted) const;

  std::vector<Field> fields_;
};

// Outcome of a fixed-format read. `record` is meaningful only when ok();
// `error` says what went wrong when status is Error.
struct RecordResult {
  ReadStatus status = ReadStatus::Error;
  InputRecord record;
  std::string error;

  bool ok() const { return status == ReadStatus::Ok; }
};

class InputFormat {
public:
  // `text` is the format as written, outer parentheses included, e.g. "(A60,F10.4)".
  // Supported: Iw[.m], Fw.d, Ew.d[Ee], Dw.d (E and D read exactly like F),
  // Aw, nX, Tn, TLn, TRn, repeat counts on descriptors and on parenthesised
  // groups. Throws FormatError for anything else.
  explicit InputFormat(std::string_view text);

  // Reads one line (one record). Columns past the end of the line read as
  // blanks; columns past the end of the format are ignored.
  RecordResult read(std::string_view line) const;

  std::size_t fieldCount() const { return fieldCount_; }
  const std::string& text() const { return text_; }

private:
  enum class EditKind { Integer, Real, Text, Skip, TabTo, TabLeft };
  struct Edit {
    EditKind kind;
    char letter;  // descriptor letter as written, for messages
    int width;    // field width, or the column count of X/T/TL
    int decimals; // d of Fw.d
  };

  std::string text_;
  std::vector<Edit> edits_; // groups and repeats already expanded
  std::size_t fieldCount_ = 0;
};

// Next line of `in` read with `format`; EndOfFile when no line is left.
// Error texts begin with the line number.
RecordResult readRecord(LineReader& in, const InputFormat& format);

// ---- list-directed input -------------------------------------------------

template <typename T> struct ListResult {
  ReadStatus status = ReadStatus::Error;
  T value{};
  std::string error;

  bool ok() const { return status == ReadStatus::Ok; }
};

// Skips blank lines, then reads the first value of the next line: the first
// item of a free-format number list, e.g. "3", "-1", "2.5", ".5", "+4", "1e3",
// "1.5D2", "2*0.5"; items end at a blank, tab, comma or slash. EndOfFile when
// the file ends first; Error (text beginning with the line number) when the
// line does not start with a number.
ListResult<double> readListNumber(LineReader& in);

} // namespace fortran
