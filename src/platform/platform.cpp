// Console windows, the system clock and the plain file layer.
#include "platform/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
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

// An output is replaced so that a run stopped part-way (killed, out of
// memory, over a file-size limit) never leaves the start of its text followed
// by the end of the last run's, which would read as a finished run: what
// stands at the path is the old file whole, or this run's text so far, which
// lacks the end-of-run block or end mark.
//
// The file is kept and cut in place, as late as can be: when the first bytes
// of the new text are written. A study is usually rerun in its own folder and
// its outputs begin as they did, so the old file is cut to its first byte,
// which is also the new text's first byte, and the new text written over it.
// Cut to a length above 0, ext4 treats the file as an ordinary overwrite.
// Emptied (O_TRUNC), ext4 forces the file to the disk as it is closed (its
// guard for data at a crash), and so it does with a file renamed over
// another: on this disk, mounted with discard, that took 1 to 3 ms for each
// output, in a study that takes about a millisecond in all. Removing the old
// file and creating a new one cost 0.1 to 0.2 ms of system time for each
// output. Kept in place, the file also keeps its other names (a hard link),
// its permissions and its owner. An old file that begins otherwise is
// emptied. The price: the first block is written over in place, so a power
// cut before the system has written its cache out can leave old bytes in it.
//
// The old file is opened for reading too, to see its first byte: a plain file
// this process may write but not read is emptied at once; anything not a
// plain file (a device, a FIFO) is opened for writing only, as it stands.
struct Replacing {
  int fd = -1;
  int oldFirst = -1; // the first byte of an old file not cut yet, or -1
};

Replacing openReplacing(const std::string& path) {
  Replacing r;
  // Without O_NONBLOCK the open of a FIFO would wait for a reader here; it
  // changes nothing for a plain file.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  struct stat st {};
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    ::close(fd);
    fd = -1;
  }
  if (fd < 0) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return r;
    r.fd = fd;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return r;
  } else {
    r.fd = fd;
    unsigned char first = 0;
    if (st.st_size == 0) return r;
    if (::pread(fd, &first, 1, 0) == 1) {
      r.oldFirst = first;
      return r;
    }
  }
  if (::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    errno = err;
    r.fd = -1;
  }
  return r;
}

// Cuts the old file before the first new byte `first` is written at its start.
bool cutOldFile(int fd, int& oldFirst, char first) {
  if (oldFirst < 0) return true;
  const off_t keep = static_cast<unsigned char>(first) == oldFirst ? 1 : 0;
  oldFirst = -1;
  return ::ftruncate(fd, keep) == 0;
}

} // namespace

OutputFile::~OutputFile() { close(); }

std::optional<std::string> OutputFile::open(const std::string& path) {
  close();
  error_.reset();
  const Replacing opened = openReplacing(path);
  const int fd = opened.fd;
  if (fd < 0) {
    return "cannot create file " + path + ": " + std::strerror(errno);
  }
  oldFirst_ = opened.oldFirst;
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
bool OutputFile::put(const char* data, std::size_t size) {
  return cutOldFile(fd_, oldFirst_, data[0]) && writeAll(fd_, data, size);
}

void OutputFile::drain() {
  if (used_ == 0) return;
  if (!error_ && !put(buffer_.get(), used_)) fail("write", errno);
  written_ += static_cast<off_t>(used_);
  used_ = 0;
}

void OutputFile::append(std::string_view text) {
  if (text.size() > kBufferBytes - used_) {
    drain();
    // A piece larger than the buffer (a long table built in one block) goes
    // out as it stands, without being copied.
    if (text.size() >= kBufferBytes) {
      if (!error_ && !put(text.data(), text.size())) fail("write", errno);
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

// The path is opened afresh, so that the text of the run before is cut as
// any old file is when the new text begins.
void OutputFile::rewind() {
  if (fd_ < 0) return;
  used_ = 0;
  if (written_ == 0) return;
  const std::string path = path_;
  const std::optional<std::string> earlier = error_;
  close();
  if (auto error = open(path)) error_ = std::move(error);
  // A write failure of what was written before the rewind is kept.
  if (earlier) error_ = earlier;
}

std::optional<std::string> OutputFile::flush() {
  if (fd_ >= 0) drain();
  return error_;
}

std::optional<std::string> OutputFile::close() {
  if (fd_ >= 0) {
    drain();
    // Nothing was written: the old file is emptied.
    if (oldFirst_ >= 0 && ::ftruncate(fd_, 0) != 0) fail("write", errno);
    oldFirst_ = -1;
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
  Replacing opened;
  if (append) {
    opened.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  } else {
    opened = openReplacing(path);
  }
  const int fd = opened.fd;
  if (fd < 0) return "cannot write file " + path + ": " + std::strerror(errno);
  const bool ok = cutOldFile(fd, opened.oldFirst, bytes.empty() ? '\0' : bytes[0]) &&
                  writeAll(fd, bytes.data(), bytes.size());
  const int writeErr = errno;
  const bool closed = ::close(fd) == 0;
  if (!ok) return "cannot write file " + path + ": " + std::strerror(writeErr);
  if (!closed) return "cannot write file " + path + ": " + std::strerror(errno);
  return std::nullopt;
}

std::optional<std::string> replaceFileAtomically(const std::string& path, const std::string& contents) {
  // Each writer takes a temporary name of its own beside the target (the
  // process, a count and the clock), so the rename stays on one filesystem and
  // two runs never clobber each other. It is created as any new file is, under
  // the process's umask, and takes the permissions of the file it replaces.
  static std::atomic<unsigned> serial{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    temp = path + "." + std::to_string(::getpid()) + "." + std::to_string(serial++) + "." +
           std::to_string(static_cast<unsigned long long>(tick) % 1000000u);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return "cannot write file " + path + ": " + std::strerror(errno);
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) && ::fchmod(fd, old.st_mode & 07777) != 0) {
    // The new file keeps the permissions it was created with.
  }
  bool ok = writeAll(fd, contents.data(), contents.size());
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    std::remove(temp.c_str());
    return "cannot write file " + path + ": " + std::strerror(err);
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    err = errno;
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
  // A longer file (written by hand) is first cut to the new length, so that
  // a run stopped in between leaves the old first line, not the new one
  // followed by the rest of the old file.
  if (static_cast<off_t>(contents.size()) < st.st_size && ::ftruncate(fd, static_cast<off_t>(contents.size())) != 0) {
    return "cannot update file " + path + ": " + std::strerror(errno);
  }
  // A few bytes in the first block of the file: written at once, in place.
  ssize_t put;
  do {
    put = ::pwrite(fd, contents.data(), contents.size(), 0);
  } while (put < 0 && errno == EINTR);
  if (put != static_cast<ssize_t>(contents.size())) {
    return "cannot update file " + path + ": " + std::strerror(put < 0 ? errno : ENOSPC);
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
