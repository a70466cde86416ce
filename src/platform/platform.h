// The program's view of its host: three titled text windows, the local clock and
// the files it opens. Nothing here knows any hydrology; tests swap in a fixed
// clock and in-memory windows.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Anything that takes finished text lines: a window, an output file, a log.
class LineSink {
public:
  virtual ~LineSink() = default;
  virtual void line(std::string_view text) = 0;
  // Several lines at once, each ended by '\n' (a long table built in one
  // buffer). Sinks that can take the text whole, such as files, do.
  virtual void block(std::string_view text);
};

// A scrolling text window with a title. The console build writes the lines of
// a command to a stream and shows them when the command ends; the in-memory
// one keeps them for tests.
class TextWindow : public LineSink {
public:
  explicit TextWindow(std::string title) : title_(std::move(title)) {}
  const std::string& title() const { return title_; }
  // Shows what the window holds: called when a command ends.
  virtual void show() {}

private:
  std::string title_;
};

class StreamWindow : public TextWindow {
public:
  StreamWindow(std::string title, std::FILE* stream) : TextWindow(std::move(title)), stream_(stream) {}
  void line(std::string_view text) override;
  void block(std::string_view text) override;
  void show() override;

private:
  std::FILE* stream_;
};

class MemoryWindow : public TextWindow {
public:
  using TextWindow::TextWindow;
  void line(std::string_view text) override { lines.emplace_back(text); }
  std::vector<std::string> lines;
};

// Local date and time as the headers and the end-of-run line print them.
struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
public:
  virtual ~Clock() = default;
  virtual DateTime now() const = 0;
};

class SystemClock : public Clock {
public:
  DateTime now() const override;
};

class FixedClock : public Clock {
public:
  explicit FixedClock(DateTime t) : t_(t) {}
  DateTime now() const override { return t_; }

private:
  DateTime t_;
};

// A text file written line by line. Opening never throws: a file that cannot be
// created leaves the object closed with an error text saying why.
class OutputFile : public LineSink {
public:
  OutputFile() = default;
  ~OutputFile() override;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates `path`, or replaces the file that stands there (see the file
  // layer in platform.cpp): a run stopped part-way leaves the old file whole
  // or what it wrote so far, never its start followed by the old file's end.
  // Returns an error text on failure.
  std::optional<std::string> open(const std::string& path);
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  void line(std::string_view text) override;
  void block(std::string_view text) override;
  // Starts the file again, empty: the path is opened afresh.
  void rewind();
  // Both return the first write failure of the file so far (a full disk, a
  // lost device): the text names the file and the reason.
  std::optional<std::string> flush();
  std::optional<std::string> close();
  // The first failure of a write, flush or close since the file was opened.
  const std::optional<std::string>& error() const { return error_; }

private:
  // Large blocks: the longest outputs (a twelve-year hydrograph) run to megabytes.
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 14;

  void fail(const char* what, int err);
  void append(std::string_view text);
  void drain();
  bool put(const char* data, std::size_t size);

  int fd_ = -1;
  int oldFirst_ = -1; // first byte of the old file at the path, until it is cut
  std::unique_ptr<char[]> buffer_; // bytes not yet handed to the system
  std::size_t used_ = 0;
  off_t written_ = 0; // bytes handed to the system since the file was opened
  std::string path_;
  std::optional<std::string> error_;
};

// The largest data file the program reads. The longest legitimate inputs (a
// 105408-ordinate hydrograph file, twelve years of hourly records) hold a few
// megabytes; anything far beyond this cannot be used and is refused rather
// than read until memory runs out.
inline constexpr std::size_t kMaxInputFileBytes = std::size_t{64} << 20;

// The bytes of a whole input file. Only regular files are read: a directory, a
// FIFO or a device (which may never end, or block the open) is refused, as is
// a file larger than `limit`; `error` names the file and the reason.
struct FileBytes {
  std::string bytes;
  std::string error; // empty when the file was read
  bool ok() const { return error.empty(); }
};
FileBytes readFileBytes(const std::string& path, std::size_t limit = kMaxInputFileBytes);

// Reads a whole text file into lines (without their line ends). Returns an error
// text naming the file when it is missing, unreadable or too large.
struct TextFile {
  std::vector<std::string> lines;
  std::string error; // empty when the file was read
  bool ok() const { return error.empty(); }
};
TextFile readTextFile(const std::string& path);

// Writes bytes to a binary file, replacing it as OutputFile does (or
// appending). Returns an error text.
std::optional<std::string> writeBinaryFile(const std::string& path, const std::string& bytes, bool append);

// Replaces `path` atomically: writes a temporary file of a unique name beside
// it and renames it over, so concurrent writers never share a temporary file.
std::optional<std::string> replaceFileAtomically(const std::string& path, const std::string& contents);

// The most of a small shared file that updateSmallFile reads.
inline constexpr std::size_t kSmallFileBytes = 64;

// Replaces the contents of the small file `path` (created when missing) with
// what `next` makes of its first kSmallFileBytes bytes, under an exclusive
// lock on the file: several runs started side by side in one folder each see
// the others' change, none is lost. The file is rewritten in place, never
// replaced. Returns an error text when the file cannot be opened for
// reading and writing, is not a plain file, or the write fails.
std::optional<std::string> updateSmallFile(const std::string& path,
                                           const std::function<std::string(std::string_view)>& next);

// Holds an exclusive advisory lock on the existing file or directory `path`
// for its lifetime: a read-modify-replace of a small shared file by several
// processes at once (the run counter) is done under a lock on its folder, so
// no lock file is left behind. `error` is set when the lock could not be
// taken; the work may then still go on unlocked.
class FileLock {
public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  const std::optional<std::string>& error() const { return error_; }

private:
  int fd_ = -1;
  std::optional<std::string> error_;
};

bool fileExists(const std::string& path);

// The windows and clock the program runs with.
struct Platform {
  TextWindow& mainWindow;     // "Special Messages"
  TextWindow& warningsWindow; // "KESTRANv4.05 / Warnings & Errors"
  TextWindow& summaryWindow;  // "KESTRANv4.05 / Summary output"
  const Clock& clock;
};

} // namespace platform
