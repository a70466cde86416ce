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

// Opens `path` for writing as an empty file. A run stopped part-way (killed,
// out of memory, over a file-size limit, a power cut) must never leave the
// start of its output followed by the end of the last run's, which reads as a
// finished run: what stands at the path is the old file whole, nothing, or
// this run's output so far, which lacks the end-of-run block or end mark.
//
// An existing plain file of one name is removed and created afresh with its
// permissions (and its owner, where this process may give it). Emptying it
// in place (O_TRUNC) or writing a new file beside it and renaming that over
// the old one at close would be as safe, but ext4 forces a file emptied, or
// renamed over another, to the disk as it is closed (its guard for data at a
// crash): on a disk mounted with discard that took 1 to 3 ms for each output
// replaced, against under a tenth of a millisecond to remove and create one,
// and a single-event study takes about a millisecond in all. The unwritten
// pages of a removed file are simply dropped, and every block of the new file
// is a new one, so a power cut cannot leave old bytes in it either. A file of
// several names is emptied in
// place, so that all its names go on showing one file; so is a file reached
// through a symbolic link, or in a folder this process may not change.
// Anything not a plain file (a device, a FIFO) is written as it is.
int openEmpty(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return fd;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return fd;
  struct stat named {};
  const bool alone = st.st_nlink == 1 && ::lstat(path.c_str(), &named) == 0 && named.st_ino == st.st_ino &&
                     named.st_dev == st.st_dev;
  if (alone && ::unlink(path.c_str()) == 0) {
    ::close(fd);
    const int fresh = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
    // Another run created the file in the meantime: that one is emptied.
    if (fresh < 0) return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    // The owner first: giving a file away clears its set-id bits.
    if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fresh, st.st_uid, st.st_gid) != 0) {
      // Only the superuser may give a file away: the file is then this process's own.
    }
    // The umask may have taken bits away (or the old file had others): the
    // old permissions are set when they differ, which is seldom.
    struct stat made {};
    if (::fstat(fresh, &made) == 0 && (made.st_mode & 07777) != (st.st_mode & 07777) &&
        ::fchmod(fresh, st.st_mode & 07777) != 0) {
      // The file keeps the permissions it was created with.
    }
    return fresh;
  }
  if (::ftruncate(fd, 0) != 0) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

} // namespace

OutputFile::~OutputFile() { close(); }

std::optional<std::string> OutputFile::open(const std::string& path) {
  close();
  error_.reset();
  const int fd = openEmpty(path);
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

// The file is opened afresh rather than written over from its start, so that
// a run stopped part-way never leaves its text in front of the last run's.
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
  const int fd =
      append ? ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666) : openEmpty(path);
  if (fd < 0) return "cannot write file " + path + ": " + std::strerror(errno);
  const bool ok = writeAll(fd, bytes.data(), bytes.size());
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
