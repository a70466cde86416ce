// Resolving where a write lands, with the library's own path arithmetic.
#include "platform/paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

// Links followed before a name is taken for a loop (the system's own limit).
constexpr int kMaxLinks = 40;

// The components of an absolute, normalised path, without the empty one a
// trailing separator leaves.
std::vector<fs::path> components(const fs::path& p) {
  std::vector<fs::path> parts;
  for (const fs::path& part : p)
    if (!part.empty()) parts.push_back(part);
  return parts;
}

fs::path folderAt(const std::string& folder) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(folder.empty() ? fs::path(".") : fs::path(folder), ec);
  if (ec) return {};
  const fs::path real = fs::weakly_canonical(absolute, ec);
  return ec ? fs::path() : real.lexically_normal();
}

} // namespace

std::string writtenAt(const std::string& path) {
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  if (ec || path.empty()) return {};
  for (int links = 0; links <= kMaxLinks; ++links) {
    // The folders as the system walks them (their links resolved, ".." taken
    // after the link before it), then the last name as it stands.
    const fs::path folder = fs::weakly_canonical(p.parent_path(), ec);
    if (ec) return {};
    const fs::path at = folder / p.filename();
    const fs::file_status status = fs::symlink_status(at, ec);
    if (!fs::is_symlink(status)) return at.lexically_normal().string();
    const fs::path target = fs::read_symlink(at, ec);
    if (ec) return {};
    p = target.is_absolute() ? target : folder / target;
  }
  return {};
}

bool writesInside(const std::string& path, const std::vector<std::string>& folders) {
  const std::string at = writtenAt(path);
  if (at.empty()) return false;
  const std::vector<fs::path> file = components(at);
  for (const std::string& folder : folders) {
    const fs::path real = folderAt(folder);
    if (real.empty()) continue;
    const std::vector<fs::path> inside = components(real);
    // Strictly inside: the folder's components, then at least one more.
    if (file.size() > inside.size() && std::equal(inside.begin(), inside.end(), file.begin())) return true;
  }
  return false;
}

} // namespace platform
