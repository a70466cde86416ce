// Hydrograph files: what either kind of file holds is read back by the one
// reader, in both unit systems (a round trip through the text).
#include "hydrograph/files.h"

#include <gtest/gtest.h>

#include "hydrograph/context_fixture.h"

namespace {

using hydtest::Harness;

TEST(HydrographFiles, EitherKindReadsBack) {
  struct Case {
    hydrograph::FileKind kind;
    int metout;
    float relative; // the precision of the ordinate field: six decimals, or five digits
  };
  const std::vector<Case> cases{{hydrograph::FileKind::Saved, 1, 1e-6f},
                                {hydrograph::FileKind::Saved, 2, 1e-6f},
                                {hydrograph::FileKind::Automatic, 1, 5e-5f},
                                {hydrograph::FileKind::Automatic, 2, 5e-5f}};
  for (const Case& c : cases) {
    Harness h(1, c.metout);
    model::Hydrograph s;
    s.DT = 10.0f / 60.0f;
    s.DA = 24.7f;
    s.BASE = 0.25f;
    s.Q = {0.0f, 0.0f, 12.5f, 403.75f, 0.003f};
    s.NPTS = 4;
    const std::string path = h.path("trip.hyd");
    platform::OutputFile file;
    ASSERT_FALSE(file.open(path));
    hydrograph::writeHydrographFile(h.ctx, file, s, "round trip", c.kind);
    ASSERT_FALSE(file.close());

    fortran::LineReader::Opened opened = fortran::LineReader::open(path);
    ASSERT_TRUE(opened);
    const hydrograph::FileHydrograph r = hydrograph::readHydrographFile(*opened.reader);
    const bool saved = c.kind == hydrograph::FileKind::Saved;
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(r.endMark);
    EXPECT_EQ(r.comment.substr(0, 10), "round trip");
    EXPECT_FLOAT_EQ(r.dt, s.DT);
    EXPECT_NEAR(r.area, s.DA, 1e-3f);
    ASSERT_EQ(r.q.size(), s.Q.size()) << c.metout;
    for (std::size_t i = 1; i < s.Q.size(); ++i) {
      // SAVE HYD's file holds the baseflow, the automatic file does not.
      const float want = s.Q[i] + (saved ? s.BASE : 0.0f);
      EXPECT_NEAR(r.q[i], want, c.relative * want + 1e-4f) << c.metout << " ordinate " << i;
    }
  }
}

} // namespace
