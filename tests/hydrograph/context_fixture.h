// A run context for the hydrograph tests: the shared in-memory host with units
// set as START sets them, commands parsed by the real command reader, and a
// scratch project directory for the files.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "hydrograph/producer.h"
#include "support/context_host.h"
#include "support/files.h"
#include "support/text.h"

namespace hydtest {

using support::pad;

// A fresh directory under the system's temporary directory, one per harness.
inline std::filesystem::path scratchPath() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return support::scratchRoot() / ("kestran-hyd-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" +
                                   (info ? info->name() : "x"));
}

struct Harness : support::ContextHost {
  support::TempDir dir{scratchPath()};

  explicit Harness(int metin = 1, int metout = 1) {
    ctx.out.workDir = dir.prefix();
    ctx.dirs.project = dir.prefix();
    startRun(metin, metout);
    ctx.storm.PTOT = 1.0e-6f; // as the main loop guards it
  }

  // Parses the first command of `text` with the command reader, as the main
  // loop would before calling the routine; the rest of `text` stays as input.
  void command(const std::string& text) { ASSERT_EQ(readCommand(text), run::ReaderStatus::Command) << text; }

  // The next line the main loop's reader would see.
  std::string nextInputLine() {
    std::string line;
    if (!input || !input->next(line)) return "<end>";
    return line;
  }

  std::string path(const std::string& name) const { return dir.prefix() + name; }

  // Slot `id` filled as STORE HYD fills it: flows (cfs) at DT hours over `da`
  // acres through the producer path, by the rules of typed hydrographs.
  void store(int id, int nhyd, const std::vector<float>& flows, float dt, float da) {
    hydrograph::Produced p;
    p.nhyd = nhyd;
    p.q.insert(p.q.end(), flows.begin(), flows.end());
    p.dt = dt;
    p.da = da;
    hydrograph::storeProduced(ctx, id, std::move(p));
  }
};

} // namespace hydtest
