// Dual drainage: the split at the inlet capacity with and without storage,
// the drain-back, the overflow counts, the area shares, and the volume that
// the two outputs keep between them.
#include "hydrograph/dual_drainage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "hydrograph/context_fixture.h"
#include "model/limits.h"

namespace {

// The test catchment: 5 acres, ten-minute steps (600 s), 26 cfs in all.
model::Hydrograph total(const std::vector<float>& q, float base = 0.0f) {
  model::Hydrograph h;
  h.resize(static_cast<int>(q.size()));
  for (std::size_t i = 0; i < q.size(); ++i) h.Q[i + 1] = q[i];
  h.NPTS = static_cast<int>(q.size());
  h.DT = 10.0f / 60.0f;
  h.DA = 5.0f;
  h.BASE = base;
  const float sum = std::accumulate(q.begin(), q.end(), 0.0f);
  h.RV = sum * h.DT / (h.DA * 1.00833f);
  h.QPEAK = q.empty() ? 0.0f : *std::max_element(q.begin(), q.end());
  return h;
}

const std::vector<float> kStorm = {0, 2, 6, 10, 6, 2, 0};

hydrograph::DualValues inlets(float cinlet, int ninlet, float storage) {
  hydrograph::DualValues v;
  v.cinlet = cinlet;
  v.ninlet = ninlet;
  v.tmjsto = storage;
  return v;
}

std::vector<float> ordinates(const model::Hydrograph& h) {
  return std::vector<float>(h.Q.begin() + 1, h.Q.begin() + 1 + h.NPTS);
}

TEST(DualDrainage, SplitCases) {
  struct Case {
    const char* what;
    float storage;
    std::vector<float> minor, major;
    int events, steps;
    float maxStorage, majorTpeak, minorTpeak;
  };
  const float third = 1000.0f / 600.0f;
  const Case cases[] = {
      // The minor system is the total cut at 3 cfs, the major the excess.
      {"no storage", 0.0f, {0, 2, 3, 3, 3, 2, 0}, {0, 0, 3, 7, 3, 0, 0}, 1, 3, 0.0f, 0.5f, 2.0f / 6.0f},
      // 7800 cubic feet fit: no overflow; the inlets drain the storage over
      // four more steps (600, 1800, 1800, 1800, 1800 cubic feet).
      {"storage fits the peak", 20000.0f, {0, 2, 3, 3, 3, 3, 3, 3, 3, 3}, {0}, 0, 0, 7800.0f, 0.0f, 2.0f / 6.0f},
      // 5000 cubic feet: 1000 and then 1800 cubic feet overflow.
      {"storage overflows",
       5000.0f,
       {0, 2, 3, 3, 3, 3, 3, 3, 800.0f / 600.0f},
       {0, 0, 0, third, 3, 0, 0, 0, 0},
       1,
       2,
       5000.0f,
       4.0f / 6.0f,
       2.0f / 6.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const hydrograph::DualResult r = hydrograph::splitDualDrainage(total(kStorm), inlets(1.5f, 2, c.storage), 1.0);
    EXPECT_EQ(r.capacity, 3.0);
    EXPECT_FALSE(r.dry);
    const std::vector<float> minor = ordinates(r.minor), major = ordinates(r.major);
    ASSERT_EQ(minor.size(), c.minor.size());
    ASSERT_EQ(major.size(), c.major.size());
    for (std::size_t i = 0; i < minor.size(); ++i) EXPECT_NEAR(minor[i], c.minor[i], 1e-4) << "minor " << i + 1;
    for (std::size_t i = 0; i < major.size(); ++i) EXPECT_NEAR(major[i], c.major[i], 1e-4) << "major " << i + 1;
    EXPECT_EQ(r.overflowEvents, c.events);
    EXPECT_EQ(r.overflowSteps, c.steps);
    EXPECT_EQ(r.maxStorage, c.maxStorage);
    EXPECT_EQ(r.storageLeft, 0.0f);
    // Peak times on the run clock (TZERO 1 h); a dry output has none.
    EXPECT_NEAR(r.major.TPEAK, c.majorTpeak == 0.0f ? 0.0f : 1.0f + c.majorTpeak, 1e-5);
    EXPECT_NEAR(r.minor.TPEAK, 1.0f + c.minorTpeak, 1e-5);
    // Each output with a volume carries the total's depth over its share of the area.
    for (const model::Hydrograph* h : {&r.major, &r.minor}) {
      if (h->RV > 0.0f) {
        EXPECT_NEAR(h->RV, total(kStorm).RV, 1e-5);
      }
    }
  }
}

// Whenever the storage is empty at the end, the two outputs hold the
// total's volume between them: as ordinates and as depth over area.
TEST(DualDrainage, OutputsKeepTheTotalVolume) {
  const std::vector<std::vector<float>> storms = {kStorm, {0.5f, 1.25f, 7.75f, 3.3f, 0.1f}, {4, 4, 4}};
  for (const auto& storm : storms) {
    for (const auto& v : {inlets(1.5f, 2, 0.0f), inlets(0.4f, 3, 2500.0f), inlets(1.0f, 1, 1.0e6f),
                          inlets(0.0f, 5, 0.0f), inlets(20.0f, 1, 0.0f)}) {
      const model::Hydrograph t = total(storm);
      const hydrograph::DualResult r = hydrograph::splitDualDrainage(t, v, 0.0);
      SCOPED_TRACE(testing::Message() << "capacity " << r.capacity << " storage " << v.tmjsto);
      ASSERT_EQ(r.storageLeft, 0.0f);
      const std::vector<float> minor = ordinates(r.minor), major = ordinates(r.major);
      const float sum = std::accumulate(storm.begin(), storm.end(), 0.0f);
      EXPECT_NEAR(std::accumulate(minor.begin(), minor.end(), 0.0f) + std::accumulate(major.begin(), major.end(), 0.0f),
                  sum, 1e-4f * sum);
      EXPECT_NEAR(r.major.DA + r.minor.DA, t.DA, 1e-5f);
      EXPECT_NEAR(r.major.RV * r.major.DA + r.minor.RV * r.minor.DA, t.RV * t.DA, 1e-4f * t.RV * t.DA);
    }
  }
}

TEST(DualDrainage, StorageThatNeverEmptiesAndDryTotal) {
  // No inlets: everything goes to storage or overflow, and the 1000 cubic
  // feet left can never drain; the steps stop at the longest hydrograph.
  const model::Hydrograph t = total(kStorm);
  const hydrograph::DualResult r = hydrograph::splitDualDrainage(t, inlets(1.5f, 0, 1000.0f), 0.0);
  EXPECT_EQ(r.storageLeft, 1000.0f);
  EXPECT_EQ(r.major.NPTS, model::kMaxOrdinates);
  // The minor system carries nothing: one ordinate, no volume; it keeps the
  // area of the volume left in storage (1000 of 15600 cubic feet).
  EXPECT_EQ(r.minor.NPTS, 1);
  EXPECT_EQ(r.minor.RV, 0.0f);
  EXPECT_NEAR(r.major.DA, 5.0f * 14600.0f / 15600.0f, 1e-4);
  EXPECT_NEAR(r.minor.DA, 5.0f * 1000.0f / 15600.0f, 1e-4);
  EXPECT_NEAR(r.major.RV, t.RV, 1e-5);

  // A total without volume is not split: the major system loses its area,
  // the minor keeps the area and the baseflow.
  const hydrograph::DualResult dry =
      hydrograph::splitDualDrainage(total({0, 0, 0}, 0.75f), inlets(1.5f, 2, 100.0f), 0.0);
  EXPECT_TRUE(dry.dry);
  EXPECT_EQ(dry.major.DA, 0.0f);
  EXPECT_EQ(dry.minor.DA, 5.0f);
  EXPECT_EQ(dry.minor.BASE, 0.75f);
  EXPECT_EQ(dry.major.BASE, 0.0f);
  EXPECT_EQ(dry.minor.NPTS, 3);
  EXPECT_EQ(dry.major.RV + dry.minor.RV + dry.major.QPEAK + dry.minor.QPEAK, 0.0f);
}

TEST(DualDrainage, ValuesOfBothCommands) {
  struct Case {
    const char* line;
    bool older;
    int idMajor, nhydMajor, idMinor, nhydMinor;
    const char* nameMajor;
    const char* nameMinor;
    float tmjsto;
  };
  const Case cases[] = {
      {"COMPUTE DUALHYD     1 0.5 4 2 \"STREET\" 3 \"PIPES\" 300\n", false, 2, 0, 3, 0, "STREET", "PIPES", 300.0f},
      {"COMPUTE DUALHYD     1 0.5 4 2 22 3 \"PIPES\" 0\n", false, 2, 22, 3, 0, "", "PIPES", 0.0f},
      {"COMPUTE DUHYD       1 12 0.5 4 2 3\n", true, 2, 12, 3, 100012, "", "", 0.0f},
      {"COMPUTE DUHYD       1 \"ROAD\" 0.5 4 2 3\n", true, 2, 0, 3, 100000, "ROAD", "", 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    hydtest::Harness h;
    h.command(std::string(c.line) + "FINISH\n");
    const hydrograph::DualValues v = c.older ? hydrograph::readDuhydValues(h.ctx.cmd, h.ctx.units)
                                             : hydrograph::readDualhydValues(h.ctx.cmd, h.ctx.units);
    EXPECT_EQ(v.idTotal, 1);
    EXPECT_EQ(v.cinlet, 0.5f);
    EXPECT_EQ(v.ninlet, 4);
    EXPECT_EQ(v.idMajor, c.idMajor);
    EXPECT_EQ(v.nhydMajor, c.nhydMajor);
    EXPECT_EQ(v.idMinor, c.idMinor);
    EXPECT_EQ(v.nhydMinor, c.nhydMinor);
    if (c.nhydMajor == 0) {
      EXPECT_EQ(v.nameMajor, hydtest::pad(c.nameMajor, 10));
    }
    if (c.nhydMinor == 0) {
      EXPECT_EQ(v.nameMinor, hydtest::pad(c.nameMinor, 10));
    }
    EXPECT_EQ(v.tmjsto, c.tmjsto);
  }
}

// A total with baseflow split into its own slot: the baseflow stays with the
// minor system (notes and message 182), and the split works on the total as it
// was before the minor system replaced it.
TEST(DualDrainage, BaseflowAndOutputIntoTheTotalsSlot) {
  hydtest::Harness h;
  model::Hydrograph t = total({1, 5, 2}, 0.5f);
  t.DT = 5.0f / 60.0f;
  t.RV = 8.0f * t.DT / (t.DA * 1.00833f);
  t.NHYD = 7;
  h.ctx.store[1] = t;
  h.ctx.run.label = "COMPUTE DUALHYD";
  h.command("COMPUTE DUALHYD     1 1.5 2 2 20 1 10\n"
            "                    0\nFINISH\n");
  hydrograph::computeDualhyd(h.ctx);

  EXPECT_EQ(ordinates(h.ctx.store[1]), (std::vector<float>{1, 3, 2}));
  EXPECT_EQ(ordinates(h.ctx.store[2]), (std::vector<float>{0, 2, 0}));
  EXPECT_EQ(h.ctx.store[1].BASE, 0.5f);
  EXPECT_EQ(h.ctx.store[2].BASE, 0.0f);
  const auto& out = h.detailed.lines;
  ASSERT_GE(out.size(), 5u);
  const std::vector<std::string> tail(out.end() - 5, out.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{"     NOTE:  PEAK FLOWS DO NOT INCLUDE BASEFLOWS IF ANY.",
                                      "     ACTUAL TOTAL PEAK FLOW: PEAK (   5.000) + BASE ( 0.500) =   5.500  (cfs)",
                                      "     & MINOR SYS. PEAK FLOW: PEAK (   3.000) + BASE ( 0.500) =   3.500  (cfs)",
                                      " ", hydtest::pad("      *** WARNING: Baseflow was left in minor system.", 76)}));
  // The total's summary line shows the total (peak plus baseflow), not the
  // minor system that now holds its slot; the warning marks every line.
  ASSERT_EQ(h.summary.lines.size(), 3u);
  EXPECT_EQ(h.summary.lines[0].substr(0, 53), "  *  COMPUTE DUALHYD    01:         7     5.00    5.5");
  EXPECT_EQ(h.summary.lines[2].substr(0, 53), "  *     Minor System \\  01:        10     3.75    3.5");
}

// The command on the test catchment (slot 1) into slots 2 and 3: the street
// and the pipes hold the inflow's volume between them, with volume and area
// never below 0; inlets or a storage below 0 (which would create water) are
// refused with message 980 and leave both outputs as they were.
TEST(DualDrainage, CommandKeepsTheInflowVolumeOrRefuses) {
  struct Row {
    const char* values; // CINLET and NINLET (cfs, count); TMJSTO (cubic feet) follows
    bool refused;
    bool drains; // the inlets take some flow, so a storage empties in the end
  };
  const Row rows[] = {
      {"1.5 2", false, true},  {"0 2", false, false},    {"1.5 0", false, false}, {"20 1", false, true},
      {"0.4 3", false, true},  {"-1 2", true, false},    {"1.5 -2", true, false}, {"-1 -2", true, false},
      {"-0.001 1", true, false}, {"0 -1", true, false},
  };
  const char* storages[] = {"0", "2500", "-100"};
  for (const Row& row : rows) {
    for (const char* storage : storages) {
      const bool refused = row.refused || storage[0] == '-';
      const std::string line = std::string("COMPUTE DUALHYD     1 ") + row.values + " 2 22 3 33 " + storage + "\n";
      SCOPED_TRACE(line);
      hydtest::Harness h;
      h.ctx.store[1] = total(kStorm);
      h.ctx.run.label = "COMPUTE DUALHYD";
      h.command(line + "FINISH\n");
      hydrograph::computeDualhyd(h.ctx);
      if (refused) {
        EXPECT_EQ(h.ctx.run.severity, model::Severity::Error);
        ASSERT_FALSE(h.log.lines.empty());
        EXPECT_EQ(h.log.lines[1].substr(0, 40), "      *** ERROR: Inlet capacity, number ");
        EXPECT_EQ(h.ctx.store[2].NPTS + h.ctx.store[3].NPTS, 0);
        continue;
      }
      EXPECT_NE(h.ctx.run.severity, model::Severity::Error);
      const model::Hydrograph &major = h.ctx.store[2], &minor = h.ctx.store[3];
      const std::vector<float> qMajor = ordinates(major), qMinor = ordinates(minor);
      const float inflow = std::accumulate(kStorm.begin(), kStorm.end(), 0.0f);
      const float outflow = std::accumulate(qMajor.begin(), qMajor.end(), 0.0f) +
                            std::accumulate(qMinor.begin(), qMinor.end(), 0.0f);
      const bool stored = storage[0] != '0' && !row.drains;
      if (stored) {
        // Without inlets what fits the storage stays there: the outputs hold
        // the rest, never more.
        EXPECT_LT(outflow, inflow);
        continue;
      }
      EXPECT_NEAR(outflow, inflow, 1e-4f * inflow);
      for (const model::Hydrograph* o : {&major, &minor}) {
        EXPECT_GE(o->DA, 0.0f);
        EXPECT_GE(o->RV, 0.0f);
        EXPECT_LE(o->QPEAK, 10.0f); // never above the total's peak
        for (float q : ordinates(*o)) EXPECT_GE(q, 0.0f);
      }
      EXPECT_NEAR(major.DA + minor.DA, 5.0f, 1e-4f);
      EXPECT_NEAR(major.RV * major.DA + minor.RV * minor.DA, total(kStorm).RV * 5.0f, 1e-4f * total(kStorm).RV * 5.0f);
    }
  }
}

} // namespace
