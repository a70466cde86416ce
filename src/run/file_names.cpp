// The completion of file names with their directory.
#include "run/file_names.h"

#include "fortran/text.h"
#include "platform/paths.h"
#include "run/messages.h"

namespace run {

namespace {

constexpr std::size_t kCountedLength = 12;

bool holdsDrive(std::string_view name) { return name.find(':') != std::string_view::npos; }

} // namespace

std::string countedName(std::string_view name, NameLength length) {
  if (holdsDrive(name) || length == NameLength::Whole) return fortran::trimRight(name);
  // Trailing blanks of the name are no part of it (a blank in column 12 would
  // otherwise end up in the file name).
  return fortran::trimRight(name.substr(0, std::min(name.size(), kCountedLength)));
}

std::string completeFileName(std::string_view dir, std::string_view name, NameLength length,
                             std::string_view workDir) {
  if (holdsDrive(name)) {
    std::string whole = countedName(name, length);
    if (whole.empty() || whole.front() == '/') return whole;
    return std::string(workDir) + whole;
  }
  return fortran::trimRight(dir) + countedName(name, length);
}

std::optional<std::string> outsideFolders(const model::RunContext& ctx, const std::string& path) {
  const std::vector<std::string>& folders = ctx.out.writeFolders;
  if (folders.empty() || platform::writesInside(path, folders)) return std::nullopt;
  std::string why = path + " lies outside";
  for (std::size_t k = 0; k < folders.size(); ++k) why += (k == 0 ? " " : " and ") + folders[k];
  return why;
}

bool mayWrite(model::RunContext& ctx, const std::string& path, Destination destination) {
  const std::optional<std::string> why = outsideFolders(ctx, path);
  if (!why) return true;
  issue(ctx, msg::kWriteOutsideFolders, Severity::Error, destination, *why);
  ctx.run.writeRefused = true;
  return false;
}

} // namespace run
