// Automatic hydrograph files and SUMMARY.sbo, checked byte for byte.
#include "hydrograph/auto_save.h"

#include <gtest/gtest.h>

#include "hydrograph/context_fixture.h"

namespace {

using hydtest::Harness;
using hydtest::pad;

std::string bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s.push_back(static_cast<char>(v));
  return s;
}

void fillSlot(Harness& h, int id) {
  model::Hydrograph& s = h.ctx.store[id];
  s.NHYD = 0;
  s.HYDNAME = pad("SITE-7", 10);
  s.DT = 5.0f / 60.0f;
  s.DA = 10.0f;
  s.resize(3);
  s.Q = {0.0f, 1.0f, 2.0f, 0.5f};
  s.NPTS = 3;
  s.QPEAK = 2.0f;
  s.BASE = 0.5f;
  s.TPEAK = 1.5f;
  s.RV = 0.5f;
}

TEST(SummaryRecordFile, HeaderAndRecordBytes) {
  Harness h;
  h.ctx.storm.title = "DESIGN STORM";
  h.ctx.run.label = "STORE HYD";
  hydrograph::createSummaryRecordFile(h.ctx);
  const std::string path = h.path("SUMMARY.sbo");
  ASSERT_EQ(support::fileText(path), pad(h.dir.prefix(), 90));

  fillSlot(h, 3);
  hydrograph::writeAutomaticFile(h.ctx, 3);
  const std::string all = support::fileText(path);
  ASSERT_EQ(all.size(), 90u + 162u);
  const std::string r = all.substr(90);
  EXPECT_EQ(r.substr(0, 4), bytes({0xE9, 0x03, 0x00, 0x00})); // METOUT 1 x 1000 + NRUN 1
  EXPECT_EQ(r.substr(4, 90), pad("DESIGN STORM", 90));
  EXPECT_EQ(r.substr(94, 19), pad("STORE HYD", 19));
  EXPECT_EQ(r.substr(113, 4), bytes({3, 0, 0, 0}));
  EXPECT_EQ(r.substr(117, 10), pad("SITE-7", 10));
  EXPECT_EQ(r.substr(127, 4), bytes({0x00, 0x00, 0xA0, 0x40})); // 5.0 minutes
  EXPECT_EQ(r.substr(131, 4), bytes({0x00, 0x00, 0x20, 0x41})); // 10.0 acres
  EXPECT_EQ(r.substr(135, 4), bytes({0x00, 0x00, 0x20, 0x40})); // peak 2.0 + base 0.5
  EXPECT_EQ(r.substr(139, 15), "No_date    1:30");
  EXPECT_EQ(r.substr(154, 4), bytes({0x00, 0x00, 0x00, 0x3F})); // 0.5 inches
  EXPECT_EQ(r.substr(158, 4), bytes({3, 0, 0, 0}));

  // A second record is appended behind the first.
  h.ctx.run.NRUN = 2;
  h.ctx.units.METOUT = 2;
  hydrograph::writeAutomaticFile(h.ctx, 3);
  const std::string both = support::fileText(path);
  ASSERT_EQ(both.size(), 90u + 2 * 162u);
  EXPECT_EQ(both.substr(252, 4), bytes({0xD2, 0x07, 0x00, 0x00})); // 2 x 1000 + 2

  // A new run recreates the file with its header alone.
  hydrograph::createSummaryRecordFile(h.ctx);
  EXPECT_EQ(support::fileText(path).size(), 90u);
}

TEST(AutomaticFile, LayoutWithoutBaseflow) {
  Harness h;
  h.ctx.storm.title = "DESIGN STORM";
  hydrograph::createSummaryRecordFile(h.ctx);
  fillSlot(h, 3);
  hydrograph::writeAutomaticFile(h.ctx, 3);
  const std::string path = h.path("SITE-7.001");
  const std::vector<std::string> expected = {
      " 1", pad("DESIGN STORM", 60), "     5.00", "     10.0000", ".10000E+01", ".20000E+01", ".50000E+00", " -1.0"};
  EXPECT_EQ(support::readLines(path), expected);
  EXPECT_EQ(h.detailed.lines, (std::vector<std::string>{"  IN SVHYD=1, HYDFILE= " + pad(path, 80)}));
}

TEST(AutomaticFile, Names) {
  struct Case {
    const char* hydname;
    int nhyd;
    int nrun;
    const char* file;
  };
  const Case cases[] = {
      {"SITE-7", 0, 1, "SITE-7.001"},    {"LONGNAME12", 0, 1, "LONGNAME.001"}, // the first eight characters
      {"AB CD", 0, 1, "AB CD.001"},                                            // an inner blank stays
      {"", 123, 2, "H-000123.002"},                                            // numeric slots: "H-" and six digits
      {"OLDNAME", 7, 1, "H-000007.001"}, // a numeric reference wins over a held name
  };
  for (const Case& c : cases) {
    Harness h;
    h.ctx.run.NRUN = c.nrun;
    h.ctx.store[1].NHYD = c.nhyd;
    h.ctx.store[1].HYDNAME = pad(c.hydname, 10);
    EXPECT_EQ(hydrograph::automaticFilePath(h.ctx, 1), h.path(c.file)) << c.hydname;
  }
}

TEST(AutomaticFile, UnwritableDirectoryIsAWarning) {
  Harness h;
  h.ctx.dirs.project = h.dir.prefix() + "missing/";
  fillSlot(h, 1);
  hydrograph::writeAutomaticFile(h.ctx, 1);
  EXPECT_EQ(h.ctx.run.severity, model::Severity::Warning);
  EXPECT_TRUE(support::contains(h.warnings.lines, "*** WARNING: Automatic hydrograph file cannot be written:"));
  EXPECT_TRUE(support::contains(h.warnings.lines, "missing/"));
}

} // namespace
