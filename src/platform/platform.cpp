// Console windows, the system clock and the plain file layer.
#include "platform/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
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

bool writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

// Opens `path` for writing, keeping an existing file where it stands: its
// contents are overwritten from the start and whatever is left beyond the new
// end is cut off when the file is closed (see OutputFile::close). A study is
// usually rerun in its own folder, and the outputs of a rerun are much the
// size they were; overwriting in place reuses the blocks already on the disk.
// Emptying the file first (or removing it and creating it afresh) would hand
// its blocks back to the filesystem and take new ones, and on ext4 an emptied
// file is forced to the disk when it is closed: on a disk mounted with
// discard every rerun would wait for the device several times. A file that is
// also known by other names is changed for all of them, as emptying it would.
int openForOverwrite(const std::string& path, off_t& oldSize, bool& regular) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return fd;
  struct stat st {};
  regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  oldSize = regular ? st.st_size : 0;
  return fd;
}

} // namespace

OutputFile::~OutputFile() { close(); }

std::optional<std::string> OutputFile::open(const std::string& path) {
  close();
  error_.reset();
  const int fd = openForOverwrite(path, oldSize_, regular_);
  if (fd < 0) {
    return "cannot create file " + path + ": " + std::strerror(errno);
  }
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
  used_ = 0;
  written_ = 0;
  fd_ = fd;
  path_ = path;
  return std::nullopt;
}

void OutputFile::fail(const char* what, int err) {
  // Only the first failure is kept: it is the cause, later ones follow from it.
  if (!error_) error_ = std::string("cannot ") + what + " file " + path_ + ": " + std::strerror(err);
}

// Hands the buffered bytes to the system. After a failure nothing more is
// written: the file is already incomplete and the first error says why.
void OutputFile::drain() {
  if (used_ == 0) return;
  if (!error_ && !writeAll(fd_, buffer_.get(), used_)) fail("write", errno);
  written_ += static_cast<off_t>(used_);
  used_ = 0;
}

void OutputFile::append(std::string_view text) {
  if (text.size() > kBufferBytes - used_) {
    drain();
    // A piece larger than the buffer (a long table built in one block) goes
    // out as it stands, without being copied.
    if (text.size() >= kBufferBytes) {
      if (!error_ && !writeAll(fd_, text.data(), text.size())) fail("write", errno);
      written_ += static_cast<off_t>(text.size());
      return;
    }
  }
  std::memcpy(buffer_.get() + used_, text.data(), text.size());
  used_ += text.size();
}

void OutputFile::line(std::string_view text) {
  if (fd_ < 0) return;
  append(text);
  append("\n");
}

void OutputFile::block(std::string_view text) {
  if (fd_ < 0) return;
  append(text);
}

void OutputFile::rewind() {
  if (fd_ < 0) return;
  used_ = 0;
  if (written_ == 0) return;
  // What was written is cut off at close unless written over again.
  oldSize_ = std::max(oldSize_, written_);
  written_ = 0;
  if (regular_ && ::lseek(fd_, 0, SEEK_SET) != 0) fail("write", errno);
}

std::optional<std::string> OutputFile::flush() {
  if (fd_ >= 0) drain();
  return error_;
}

std::optional<std::string> OutputFile::close() {
  if (fd_ >= 0) {
    drain();
    // What is left of the file's former contents beyond the new end goes.
    if (regular_ && written_ < oldSize_ && ::ftruncate(fd_, written_) != 0) fail("write", errno);
    if (::close(fd_) != 0) fail("close", errno);
    fd_ = -1;
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
  off_t oldSize = 0;
  bool regular = false;
  const int fd = append ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666)
                        : openForOverwrite(path, oldSize, regular);
  if (fd < 0) return "cannot write file " + path + ": " + std::strerror(errno);
  bool ok = writeAll(fd, bytes.data(), bytes.size());
  const auto size = static_cast<off_t>(bytes.size());
  if (ok && regular && size < oldSize) ok = ::ftruncate(fd, size) == 0;
  const int writeErr = errno;
  const bool closed = ::close(fd) == 0;
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

std::optional<std::string> updateSmallFile(const std::string& path,
                                           const std::function<std::string(std::string_view)>& next) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return "cannot update file " + path + ": " + std::strerror(errno);
  const std::unique_ptr<const int, FdCloser> guard(new int(fd));
  struct stat st {};
  if (::fstat(fd, &st) != 0) return "cannot update file " + path + ": " + std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "cannot update file " + path + ": not a regular file";
  // The lock is on the file itself: it is changed in place and never
  // replaced, so every run locks the same file. Closing it releases the lock.
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX);
  } while (rc != 0 && errno == EINTR);
  char old[kSmallFileBytes];
  ssize_t got;
  do {
    got = ::pread(fd, old, sizeof old, 0);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return "cannot update file " + path + ": " + std::strerror(errno);
  const std::string contents = next(std::string_view(old, static_cast<std::size_t>(got)));
  // A few bytes in the first block of the file: written at once, in place.
  ssize_t put;
  do {
    put = ::pwrite(fd, contents.data(), contents.size(), 0);
  } while (put < 0 && errno == EINTR);
  if (put != static_cast<ssize_t>(contents.size())) {
    return "cannot update file " + path + ": " + std::strerror(put < 0 ? errno : ENOSPC);
  }
  if (static_cast<off_t>(contents.size()) < st.st_size && ::ftruncate(fd, static_cast<off_t>(contents.size())) != 0) {
    return "cannot update file " + path + ": " + std::strerror(errno);
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
