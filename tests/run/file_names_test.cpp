// The one rule of file names: a drive (':') makes a full path; any other name
// lies in the directory and only its first 12 characters count (READ HYD's
// whole names are checked with the hydrograph files).
#include "run/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileNameCompletion, DirectoryAndCountedCharacters) {
  using run::NameLength;
  const struct {
    std::string dir, name;
    NameLength length;
    std::string workDir, path;
  } cases[] = {
      {"/rain/  ", "STORM_OF_JULY.STM  ", NameLength::First12, "/work/", "/rain/STORM_OF_JUL"},
      {"/rain/", "C:\\DATA\\A_VERY_LONG_NAME.STM ", NameLength::First12, "", "C:\\DATA\\A_VERY_LONG_NAME.STM"},
      // A drive means nothing here: the name lies in the run's work directory,
      // not in the directory the process stands in; an absolute path stays.
      {"/rain/", "C:\\DATA\\A_VERY_LONG_NAME.STM ", NameLength::First12, "/work/",
       "/work/C:\\DATA\\A_VERY_LONG_NAME.STM"},
      {"/rain/", "/data/x:y.stm", NameLength::First12, "/work/", "/data/x:y.stm"},
      // A blank in column 12 is the end of the name, not part of the file name.
      {"/rain/", "JULY STORMS X.STM", NameLength::First12, "/work/", "/rain/JULY STORMS"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run::completeFileName(c.dir, c.name, c.length, c.workDir), c.path) << c.name;
  }
}

} // namespace
