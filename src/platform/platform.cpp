// Console windows, the system clock and the plain file layer.
#include "platform/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>

namespace platform {

void LineSink::block(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    line(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

void StreamWindow::line(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream_);
  std::fputc('\n', stream_);
}

// A block is already lines ended by '\n': one write, with the newline of a
// last line that lacks one added, as line by line would.
void StreamWindow::block(std::string_view text) {
  if (text.empty()) return;
  std::fwrite(text.data(), 1, text.size(), stream_);
  if (text.back() != '\n') std::fputc('\n', stream_);
}

// The lines of each command go out when it ends, so a long run still shows its
// progress, without a write to the console for every line.
void StreamWindow::show() { std::fflush(stream_); }

DateTime SystemClock::now() const {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

namespace {

// Opens `path` for writing as an empty file. An existing plain file with no
// other name, which this process may write, is removed and created afresh
// rather than truncated: ext4 and its kin make a truncation wait until the old
// contents are on the disk, so a study rerun in its folder would wait for the
// disk at every output it replaces (tens of milliseconds on a busy machine),
// while the pending writes of a removed file are simply dropped. The new file
// keeps the old one's permissions. Anything else (a link, a device, a file
// with several names) is truncated in place as before.
std::FILE* openReplacing(const std::string& path, const char* mode) {
  struct stat st {};
  const bool replace = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_size > 0 &&
                       ::access(path.c_str(), W_OK) == 0 && ::unlink(path.c_str()) == 0;
  std::FILE* f = std::fopen(path.c_str(), mode);
  if (f != nullptr && replace) ::fchmod(::fileno(f), st.st_mode & 07777);
  return f;
}

} // namespace

OutputFile::~OutputFile() { close(); }

std::optional<std::string> OutputFile::open(const std::string& path) {
  close();
  error_.reset();
  std::FILE* f = openReplacing(path, "w");
  if (f == nullptr) {
    return "cannot create file " + path + ": " + std::strerror(errno);
  }
  // Large blocks: the longest outputs (a twelve-year hydrograph) run to megabytes.
  constexpr std::size_t kBufferBytes = std::size_t{1} << 15;
  buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  std::setvbuf(f, buffer_.get(), _IOFBF, kBufferBytes);
  file_ = f;
  path_ = path;
  return std::nullopt;
}

void OutputFile::fail(const char* what, int err) {
  // Only the first failure is kept: it is the cause, later ones follow from it.
  if (!error_) error_ = std::string("cannot ") + what + " file " + path_ + ": " + std::strerror(err);
}

void OutputFile::line(std::string_view text) {
  if (file_ == nullptr) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fputc('\n', file_) == EOF) {
    fail("write", errno);
  }
}

void OutputFile::block(std::string_view text) {
  if (file_ == nullptr) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) fail("write", errno);
}

std::optional<std::string> OutputFile::flush() {
  if (file_ != nullptr && std::fflush(file_) != 0) fail("write", errno);
  return error_;
}

std::optional<std::string> OutputFile::close() {
  if (file_ != nullptr) {
    // A buffered write that fails on a full disk only shows here.
    if (std::fflush(file_) != 0) fail("write", errno);
    if (std::fclose(file_) != 0) fail("close", errno);
    file_ = nullptr;
  }
  return error_;
}

namespace {

struct FdCloser {
  void operator()(const int* fd) const {
    ::close(*fd);
    delete fd;
  }
};

} // namespace

FileBytes readFileBytes(const std::string& path, std::size_t limit) {
  FileBytes result;
  // Opened without blocking, so a FIFO with no writer cannot hang the run; the
  // type is checked on the open descriptor, not on the name.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.error = "cannot open file " + path + ": " + std::strerror(errno);
    return result;
  }
  const std::unique_ptr<const int, FdCloser> guard(new int(fd));
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    result.error = "cannot read file " + path + ": " + std::strerror(errno);
    return result;
  }
  if (S_ISDIR(st.st_mode)) {
    result.error = "cannot read file " + path + ": " + std::strerror(EISDIR);
    return result;
  }
  if (!S_ISREG(st.st_mode)) {
    result.error = "cannot read file " + path + ": not a regular file";
    return result;
  }
  const auto tooLarge = [&] {
    result.bytes.clear();
    result.error =
        "cannot read file " + path + ": larger than " + std::to_string(limit >> 20) + " MiB, more than a run can use";
  };
  if (static_cast<std::size_t>(st.st_size) > limit) {
    tooLarge();
    return result;
  }
  result.bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      result.bytes.clear();
      result.error = "cannot read file " + path + ": " + std::strerror(errno);
      return result;
    }
    // A file that grows while it is read is still held to the bound.
    if (result.bytes.size() + static_cast<std::size_t>(got) > limit) {
      tooLarge();
      return result;
    }
    result.bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return result;
}

TextFile readTextFile(const std::string& path) {
  TextFile result;
  FileBytes file = readFileBytes(path);
  if (!file.ok()) {
    result.error = std::move(file.error);
    return result;
  }
  const std::string& text = file.bytes;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    result.lines.emplace_back(text, start, stop - start);
    start = end + 1;
  }
  return result;
}

std::optional<std::string> writeBinaryFile(const std::string& path, const std::string& bytes, bool append) {
  std::FILE* f = append ? std::fopen(path.c_str(), "ab") : openReplacing(path, "wb");
  if (f == nullptr) return "cannot write file " + path + ": " + std::strerror(errno);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int writeErr = errno;
  const bool closed = std::fclose(f) == 0;
  if (!ok) return "cannot write file " + path + ": " + std::strerror(writeErr);
  if (!closed) return "cannot write file " + path + ": " + std::strerror(errno);
  return std::nullopt;
}

std::optional<std::string> replaceFileAtomically(const std::string& path, const std::string& contents) {
  // mkstemp gives each writer its own temporary name beside the target, so
  // the rename stays on one filesystem and two runs never clobber each other.
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return "cannot write file " + path + ": " + std::strerror(errno);
  ::close(fd);
  if (auto err = writeBinaryFile(temp, contents, false)) {
    std::remove(temp.c_str());
    return err;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    std::remove(temp.c_str());
    return "cannot replace file " + path + ": " + std::strerror(err);
  }
  return std::nullopt;
}

FileLock::FileLock(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = "cannot lock file " + path + ": " + std::strerror(errno);
    return;
  }
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) error_ = "cannot lock file " + path + ": " + std::strerror(errno);
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_); // closing the descriptor releases the lock
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

} // namespace platform
