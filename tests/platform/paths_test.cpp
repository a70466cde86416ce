// Where a write lands: ".." steps, absolute names and links count where they
// lead, so a run confined to its folders cannot be led out of them.
#include "platform/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"

namespace fs = std::filesystem;

namespace {

TEST(WritePaths, InsideTheFoldersWhereverTheNameLeads) {
  support::TempDir root(support::scratchRoot() / ("kestran-paths" + std::to_string(::getpid())));
  const fs::path t = root.path();
  fs::create_directories(t / "work" / "sub");
  fs::create_directories(t / "outside");
  fs::create_directory_symlink(t / "outside", t / "work" / "out-dir");
  fs::create_symlink(t / "outside" / "f", t / "work" / "out-file");      // dangling: opening creates it outside
  fs::create_symlink("out-file", t / "work" / "chain");                  // a link to the link above
  fs::create_symlink("sub/g", t / "work" / "in-file");                   // relative, stays inside
  fs::create_symlink("loop", t / "work" / "loop");                       // never resolves
  fs::create_directory_symlink(t / "work", t / "work-link");             // the folder itself under a link
  fs::create_symlink("../../outside/h", t / "work" / "sub" / "up-file"); // relative, climbs out
  const std::string w = (t / "work").string();
  const std::string o = (t / "outside").string();
  const struct {
    std::string path;
    std::vector<std::string> folders;
    bool inside;
  } cases[] = {
      {w + "/a.HYD", {w}, true},
      {w + "/sub/a.HYD", {w + "/"}, true},
      {w + "/sub/../a.HYD", {w}, true},
      {w + "/in-file", {w}, true},
      {(t / "work-link" / "a.HYD").string(), {w}, true},
      {w + "/a.HYD", {(t / "work-link").string()}, true},
      {w + "/a.HYD", {w + "/sub/.."}, true},
      {o + "/a.HYD", {w, o}, true},
      {w + "/../outside/a.HYD", {w}, false},
      {w + "/sub/../../a.HYD", {w}, false},
      {o + "/a.HYD", {w}, false},
      {w + "/out-dir/a.HYD", {w}, false},
      {w + "/out-file", {w}, false},
      {w + "/chain", {w}, false},
      {w + "/sub/up-file", {w}, false},
      {w + "/loop", {w}, false},
      {w + "/C:/../../a.HYD", {w}, false}, // a drive folder that is not there climbs out all the same
      {w, {w}, false},                     // the folder itself is no file inside it
      {w + "/..", {w}, false},
      {w + "/a.HYD", {}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::writesInside(c.path, c.folders), c.inside) << c.path;
  }
  // Nothing was made by looking.
  EXPECT_TRUE(fs::is_empty(t / "outside"));
}

} // namespace
