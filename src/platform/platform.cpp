// Console windows, the system clock and the plain file layer.
#include "platform/platform.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace platform {

void StreamWindow::line(std::string_view text) {
  // Each line goes out as it is written, so a long run shows its progress.
  std::fwrite(text.data(), 1, text.size(), stream_);
  std::fputc('\n', stream_);
  std::fflush(stream_);
}

DateTime SystemClock::now() const {
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

OutputFile::~OutputFile() { close(); }

std::optional<std::string> OutputFile::open(const std::string& path) {
  close();
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) {
    return "cannot create file " + path + ": " + std::strerror(errno);
  }
  file_ = f;
  path_ = path;
  return std::nullopt;
}

void OutputFile::line(std::string_view text) {
  if (file_ == nullptr) return;
  std::fwrite(text.data(), 1, text.size(), file_);
  std::fputc('\n', file_);
}

void OutputFile::flush() {
  if (file_ != nullptr) std::fflush(file_);
}

void OutputFile::close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

TextFile readTextFile(const std::string& path) {
  TextFile result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    result.error = "cannot open file " + path + ": " + std::strerror(errno);
    return result;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.lines.push_back(std::move(line));
  }
  if (in.bad()) result.error = "cannot read file " + path;
  return result;
}

std::optional<std::string> writeBinaryFile(const std::string& path, const std::string& bytes, bool append) {
  std::FILE* f = std::fopen(path.c_str(), append ? "ab" : "wb");
  if (f == nullptr) return "cannot write file " + path + ": " + std::strerror(errno);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!ok || !closed) return "cannot write file " + path;
  return std::nullopt;
}

std::optional<std::string> replaceFileAtomically(const std::string& path, const std::string& contents) {
  const std::string temp = path + ".tmp";
  if (auto err = writeBinaryFile(temp, contents, false)) return err;
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return "cannot replace file " + path + ": " + std::strerror(errno);
  }
  return std::nullopt;
}

bool fileExists(const std::string& path) {
  std::ifstream in(path);
  return static_cast<bool>(in);
}

}  // namespace platform
