// Sequential line-by-line reading of a text input file, the way the program's
// Fortran-style READ statements see it: one record per line, with the ability
// to step back over records already read (BACKSPACE) and to start again from
// the top (REWIND).
//
// The whole file is read into memory when it is opened. Input files are small
// (a command file, a storm file, a few thousand hydrograph ordinates), and
// holding them as a vector of lines makes stepping back trivial and exact.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fortran {

// `line` cut or padded with blanks to exactly `width` characters, as a
// fixed-width character read such as "(100A1)" sees it.
std::string fixedWidth(std::string_view line, std::size_t width);

class LineReader {
public:
  struct Opened;

  // Reads the file at `path`. A missing or unreadable file is reported through
  // Opened::error rather than thrown, so callers can issue their own message.
  static Opened open(const std::filesystem::path& path);

  // A reader over in-memory text, split into lines exactly as a file would be.
  static LineReader fromText(std::string text, std::string name = "<text>");

  // Next line without its line end; false (and `line` untouched) at end of file.
  bool next(std::string& line);
  // Next line cut or padded with blanks to exactly `width` characters.
  bool next(std::string& line, std::size_t width);

  // Steps back over the line last read, so that next() returns it again. Each
  // call steps back one more line; at the first line it does nothing.
  void back();
  // Positions the reader before the first line again.
  void rewind();

  // Number of lines consumed so far, which is also the 1-based number of the
  // line next() returned last (0 before the first read).
  std::size_t lineNumber() const { return pos_; }
  bool atEnd() const { return pos_ >= lines_.size(); }
  std::size_t lineCount() const { return lines_.size(); }
  // The path the reader was opened from (or the name given to fromText), for messages.
  const std::string& name() const { return name_; }

private:
  LineReader(std::string name, std::vector<std::string> lines);

  std::string name_;
  std::vector<std::string> lines_;
  std::size_t pos_ = 0;
};

// Result of LineReader::open: `reader` is set on success, `error` otherwise.
struct LineReader::Opened {
  std::optional<LineReader> reader;
  std::string error;

  explicit operator bool() const { return reader.has_value(); }
};

} // namespace fortran
