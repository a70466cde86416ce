// Line reader over a whole text file held in memory; see line_reader.h.
#include "fortran/line_reader.h"

#include "platform/platform.h"

#include <utility>

namespace fortran {

namespace {

// Splits on '\n'. A '\r' before it is dropped so that files written with DOS
// line ends read the same as Unix ones; a final line without '\n' still counts,
// while a final '\n' does not start an extra empty line.
std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  return lines;
}

} // namespace

std::string fixedWidth(std::string_view line, std::size_t width) {
  std::string out(line.substr(0, width));
  out.resize(width, ' ');
  return out;
}

LineReader::LineReader(std::string name, std::vector<std::string> lines)
    : name_(std::move(name)), lines_(std::move(lines)) {}

LineReader::Opened LineReader::open(const std::filesystem::path& path) {
  Opened result;
  const std::string name = path.string();
  // Read with a bound: a device, a FIFO or a file far larger than any input the
  // program can use is refused with a reason instead of exhausting memory.
  platform::FileBytes file = platform::readFileBytes(name);
  if (!file.ok()) {
    result.error = std::move(file.error);
    return result;
  }
  result.reader = LineReader(name, splitLines(file.bytes));
  return result;
}

LineReader LineReader::fromText(std::string text, std::string name) {
  return LineReader(std::move(name), splitLines(text));
}

bool LineReader::next(std::string& line) {
  if (atEnd()) return false;
  line = lines_[pos_++];
  return true;
}

bool LineReader::next(std::string& line, std::size_t width) {
  if (atEnd()) return false;
  line = fixedWidth(lines_[pos_++], width);
  return true;
}

void LineReader::back() {
  if (pos_ > 0) --pos_;
}

void LineReader::rewind() { pos_ = 0; }

} // namespace fortran
