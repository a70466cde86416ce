// Following each catchment's water through the ledger.
#include "results/run_balance.h"

#include <map>
#include <set>
#include <utility>

namespace results {

namespace {

using Key = std::pair<int, int>;               // run, command
using Mixture = std::map<std::size_t, double>; // catchment index -> share of a record's water

// Water enters the store only through commands without hydrograph inputs:
// runoff from the storm, typed flows, a hydrograph file.
bool isCatchment(const model::LedgerRecord& r) { return r.inputs.empty(); }

} // namespace

std::vector<CatchmentBalance> runBalance(const std::vector<model::LedgerRecord>& ledger) {
  std::vector<CatchmentBalance> out;
  std::map<Key, std::size_t> byCommand;
  std::vector<Mixture> mixture(ledger.size());
  // Outputs some later command took: (run, producing command, slot).
  std::set<std::tuple<int, int, int>> taken;
  for (std::size_t k = 0; k < ledger.size(); ++k) {
    const model::LedgerRecord& r = ledger[k];
    byCommand[{r.run, r.command}] = k;
    if (isCatchment(r)) {
      CatchmentBalance c;
      c.run = r.run;
      c.command = r.command;
      c.label = r.label;
      c.id = r.id;
      c.nhyd = r.nhyd;
      c.name = r.name;
      c.rainfall = r.volumeIn;
      c.losses = r.initialAbstraction + r.infiltration + r.depressionStorage + r.evaporation;
      c.stored = r.stored;
      c.runoff = r.volumeOut + r.sent;
      mixture[k][out.size()] = 1.0;
      out.push_back(std::move(c));
      continue;
    }
    double received = 0.0;
    for (const model::LedgerFlow& in : r.inputs) received += in.volume;
    if (!(received > 0.0)) continue;
    for (const model::LedgerFlow& in : r.inputs) {
      taken.insert({r.run, in.command, in.slot});
      const auto from = byCommand.find({r.run, in.command});
      if (from == byCommand.end()) continue;
      for (const auto& [c, share] : mixture[from->second]) mixture[k][c] += share * in.volume / received;
    }
  }
  for (std::size_t k = 0; k < ledger.size(); ++k) {
    const model::LedgerRecord& r = ledger[k];
    for (const auto& [c, share] : mixture[k]) {
      if (share > 0.0 && !isCatchment(r)) out[c].path.push_back(r.command);
      for (const model::LedgerFlow& o : r.outputs) {
        if (!taken.count({r.run, r.command, o.slot})) out[c].atOutlets += share * o.volume;
      }
    }
  }
  for (CatchmentBalance& c : out) c.onTheWay = c.runoff - c.atOutlets;
  return out;
}

} // namespace results
