// The run list and the completion of file names.
#include "run/run_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CompleteName, ProjectDirectoryAndTwelveCharacters) {
  struct Case {
    std::string dir, name, shown, path;
  } cases[] = {
      {"C:\\PROJ\\", "RUN1.DAT", "C:\\PROJ\\RUN1.DAT", "C:\\PROJ\\RUN1.DAT"},
      {"/proj/", "A_LONG_NAME_OF_A_FILE.DAT", "/proj/A_LONG_NAME_", "/proj/A_LONG_NAME_"},
      {"/proj/   ", "RUN1.DAT    ", "/proj/RUN1.DAT", "/proj/RUN1.DAT"},
      {"/proj/", "D:\\OTHER\\RUN1.DAT", "D:\\OTHER\\RUN1.DAT", "D:\\OTHER\\RUN1.DAT"},
      {"", "run.dat", "run.dat", "run.dat"},
  };
  for (const Case& c : cases) {
    const run::CompletedName n = run::completeName(c.dir, c.name);
    EXPECT_EQ(n.shown, c.shown) << c.name;
    EXPECT_EQ(n.path, c.path) << c.name;
  }
}

TEST(CompleteName, DeepDirectoryIsCutOnlyWherePrinted) {
  const std::string dir = "/" + std::string(80, 'p') + "/";
  const run::CompletedName n = run::completeName(dir, "RUN1.DAT");
  EXPECT_EQ(n.path, dir + "RUN1.DAT");
  EXPECT_EQ(n.shown, n.path.substr(0, 60));
}

TEST(RunList, FirstSetOnlyWithoutBatch) {
  const run::RunList list =
      run::parseRunList({"/proj/", "/rain/"}, {"heading", "RUN1.DAT", "RUN1.OUT", "RUN1.SUM", "comment one", "",
                                               "comment three", "heading 2", "RUN2.DAT"});
  EXPECT_EQ(list.errorNumber, 0);
  EXPECT_FALSE(list.batch);
  EXPECT_EQ(list.projectDir, "/proj/");
  EXPECT_EQ(list.rainfallDir, "/rain/");
  ASSERT_EQ(list.sets.size(), 1u);
  EXPECT_EQ(list.sets[0].paths[0], "/proj/RUN1.DAT");
  EXPECT_EQ(list.sets[0].paths[1], "/proj/RUN1.OUT");
  EXPECT_EQ(list.sets[0].paths[2], "/proj/RUN1.SUM");
  EXPECT_EQ(list.sets[0].comments[0], "comment one" + std::string(68, ' '));
  EXPECT_EQ(list.sets[0].comments[1], std::string(79, ' '));
}

TEST(RunList, BatchRunsEverySetUpToFinish) {
  const run::RunList list =
      run::parseRunList({"/p/", "/r/"}, {"$BATCH RUN", "first", "A.DAT", "A.OUT", "A.SUM", "", "", "", "second",
                                         "B.DAT", "B.OUT", "B.SUM", "x", "y", "z", "third", "finish", "C.OUT"});
  EXPECT_EQ(list.errorNumber, 0);
  EXPECT_TRUE(list.batch);
  ASSERT_EQ(list.sets.size(), 2u);
  EXPECT_EQ(list.sets[1].shown[0], "/p/B.DAT");
  EXPECT_EQ(list.sets[1].comments[2][0], 'z');
}

TEST(RunList, FinishAsTheFirstInputMakesNoRun) {
  const run::RunList list = run::parseRunList({"/p/", "/r/"}, {"h", "FINISH"});
  EXPECT_EQ(list.errorNumber, 0);
  EXPECT_TRUE(list.sets.empty());
}

TEST(RunList, CommentLinesAreCutAtSixty) {
  const run::RunList list = run::parseRunList({"/p/", "/r/"}, {"h", "A", "B", "C", std::string(75, 'c')});
  EXPECT_EQ(list.sets[0].comments[0], std::string(60, 'c') + std::string(19, ' '));
}

TEST(RunList, ProblemsAreNamed) {
  struct Case {
    std::vector<std::string> dir, runs;
    int error;
    std::size_t sets;
  } cases[] = {
      {{"/p/"}, {"h", "A", "B", "C"}, 902, 0},
      {{"/p/", "/r/"}, {}, 904, 0},
      {{"/p/", "/r/"}, {"h"}, 904, 0},
      {{"/p/", "/r/"}, {"h", "A", "B"}, 908, 0},
      {{"/p/", "/r/"}, {"$BATCH RUN", "h", "A", "B", "C", "", "", ""}, 904, 1},
      {{"/p/", "/r/"}, {"$BATCH RUN", "h", "A", "B", "C", "", "", "", "h2", "D"}, 908, 1},
  };
  for (const Case& c : cases) {
    const run::RunList list = run::parseRunList(c.dir, c.runs);
    EXPECT_EQ(list.errorNumber, c.error);
    EXPECT_EQ(list.sets.size(), c.sets);
  }
}

TEST(RunList, DirectoriesAreReadAsNinetyColumns) {
  const std::string deep = "/" + std::string(100, 'd');
  const run::RunList list = run::parseRunList({deep, "/r/  "}, {"h", "FINISH"});
  EXPECT_EQ(list.projectDir, deep.substr(0, 90));
  EXPECT_EQ(list.rainfallDir, "/r/");
}

TEST(SingleInput, OutputsBesideTheInput) {
  struct Case {
    std::string input, dir, out, sum;
  } cases[] = {
      {"example.dat", "./", "example.out", "example.sum"},
      {"studies/site.dat", "studies/", "studies/site.out", "studies/site.sum"},
      {"/abs/a.b.dat", "/abs/", "/abs/a.b.out", "/abs/a.b.sum"},
  };
  for (const Case& c : cases) {
    const run::RunList list = run::singleInput(c.input);
    ASSERT_EQ(list.sets.size(), 1u);
    EXPECT_EQ(list.projectDir, c.dir);
    EXPECT_EQ(list.rainfallDir, c.dir);
    EXPECT_EQ(list.sets[0].paths[0], c.input);
    EXPECT_EQ(list.sets[0].paths[1], c.out);
    EXPECT_EQ(list.sets[0].paths[2], c.sum);
    EXPECT_EQ(list.sets[0].comments[0], std::string(79, ' '));
  }
}

} // namespace
