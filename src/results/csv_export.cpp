// CSV files of a run's results, and the water balance as a table.
#include "results/csv_export.h"

#include "platform/platform.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <set>
#include <system_error>

namespace results {

namespace fs = std::filesystem;

namespace {

struct UnitNames {
  const char* area;
  const char* flow;
  const char* depth;
};

UnitNames unitNames(int units) {
  if (units == 1) return {"ac", "cfs", "in"};
  return {"ha", "m3/s", "mm"};
}

std::string line(const std::vector<std::string>& fields) {
  std::string s;
  for (std::size_t k = 0; k < fields.size(); ++k) {
    if (k > 0) s += ',';
    s += csvField(fields[k]);
  }
  return s + "\r\n";
}

std::string integer(long long v) { return std::to_string(v); }

// The date and time `hours` after midnight of YYYYMMDD, to the nearest second.
std::string dateTime(int yyyymmdd, double hours) {
  using namespace std::chrono;
  const year_month_day day0{year{yyyymmdd / 10000}, month{static_cast<unsigned>(yyyymmdd / 100 % 100)},
                            std::chrono::day{static_cast<unsigned>(yyyymmdd % 100)}};
  // Beyond a million years either way there is no calendar date to give.
  if (!day0.ok() || !std::isfinite(hours) || std::fabs(hours) > 8.0e9) return "";
  const long long seconds = std::llround(hours * 3600.0);
  const sys_seconds t = sys_days(day0) + std::chrono::seconds(seconds);
  const sys_days d = floor<days>(t);
  const year_month_day ymd(d);
  const hh_mm_ss<std::chrono::seconds> time(t - d);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

class Writer {
public:
  explicit Writer(const fs::path& dir) : dir_(dir) {}
  // Each file is written beside its old one and renamed over it: a CSV file
  // has no end mark, and one cut short by a stopped run would read as a
  // finished table of fewer rows. Either the old file or the whole new one
  // stands at the path.
  void write(const std::string& name, const std::string& text) {
    const fs::path path = dir_ / name;
    if (auto error = platform::replaceFileAtomically(path.string(), text)) throw kestran::RunError(*error);
    written.push_back(path);
  }
  std::vector<fs::path> written;

private:
  fs::path dir_;
};

std::string hydrographCsv(const model::HydrographRecord& h, const UnitNames& u) {
  std::vector<std::string> head{"time (hours)"};
  if (h.date != 0) head.emplace_back("date-time");
  head.push_back(std::string("flow (") + u.flow + ")");
  std::string text = line(head);
  text.reserve(text.size() + h.flows.size() * 40);
  for (std::size_t k = 0; k < h.flows.size(); ++k) {
    const double t = h.startHours + static_cast<double>(k) * h.dtHours;
    std::vector<std::string> row{csvNumber(t)};
    if (h.date != 0) row.push_back(dateTime(h.date, t));
    // Ordinates with the baseflow, as hydrograph files list them.
    row.push_back(csvNumber(h.flows[k] + h.base));
    text += line(row);
  }
  return text;
}

std::string summaryCsv(const kestran::RunResult& r, const UnitNames& u) {
  std::string text =
      line({"run", "command", "label", "marker", "id", "nhyd", "name", std::string("area (") + u.area + ")",
            std::string("peak (") + u.flow + ")", "peak time (hours)", "peak date",
            std::string("volume (") + u.depth + ")", "runoff coefficient"});
  for (const model::SummaryRecord& s : r.summary) {
    text += line({integer(s.run), integer(s.command), s.label, s.marker, integer(s.id), integer(s.nhyd), s.name,
                  csvNumber(s.area), csvNumber(s.peak), csvNumber(s.peakHours), s.dateLabel, csvNumber(s.volume),
                  s.coefficient ? csvNumber(*s.coefficient) : std::string()});
  }
  return text;
}

std::string sourcesText(const std::vector<int>& sources) {
  std::string s;
  for (int c : sources) {
    if (!s.empty()) s += ' ';
    s += std::to_string(c);
  }
  return s;
}

std::string ledgerCsv(const kestran::RunResult& r) {
  std::string text =
      line({"run", "command", "label", "id", "nhyd", "name", "sources", "volume in (m3)", "volume out (m3)",
            "initial abstraction (m3)", "infiltration (m3)", "depression storage (m3)", "evaporation (m3)",
            "stored (m3)", "sent (m3)", "error (%)", "flagged", "reason"});
  for (const model::LedgerRecord& l : r.ledger) {
    text +=
        line({integer(l.run), integer(l.command), l.label, integer(l.id), integer(l.nhyd), l.name,
              sourcesText(l.sources), csvNumber(l.volumeIn), csvNumber(l.volumeOut), csvNumber(l.initialAbstraction),
              csvNumber(l.infiltration), csvNumber(l.depressionStorage), csvNumber(l.evaporation), csvNumber(l.stored),
              csvNumber(l.sent), csvNumber(l.errorPercent), l.flagged ? "yes" : "no", l.reason});
  }
  return text;
}

std::string balanceCsv(const kestran::RunResult& r) {
  std::string text = line({"run", "command", "label", "id", "nhyd", "name", "rainfall (m3)", "losses (m3)",
                           "stored (m3)", "runoff (m3)", "at outlets (m3)", "on the way (m3)", "path"});
  for (const CatchmentBalance& c : r.balance) {
    text += line({integer(c.run), integer(c.command), c.label, integer(c.id), integer(c.nhyd), c.name,
                  csvNumber(c.rainfall), csvNumber(c.losses), csvNumber(c.stored), csvNumber(c.runoff),
                  csvNumber(c.atOutlets), csvNumber(c.onTheWay), sourcesText(c.path)});
  }
  return text;
}

} // namespace

std::string csvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string s = "\"";
  for (char c : text) {
    if (c == '"') s += '"';
    s += c;
  }
  return s + "\"";
}

std::string csvNumber(double value) {
  if (!std::isfinite(value)) return "";
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

std::string hydrographFileName(std::string_view stem, const model::HydrographRecord& h) {
  char head[48];
  std::snprintf(head, sizeof head, "_r%02d_c%04d_", h.run, h.command);
  std::string ref;
  if (h.nhyd != 0) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", h.nhyd);
    ref = digits;
  } else {
    for (char c : h.name) {
      const bool plain =
          (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
      ref += plain ? c : '_';
    }
    if (ref.empty()) ref = "unnamed";
  }
  return std::string(stem) + head + ref;
}

std::vector<fs::path> writeCsv(const kestran::RunResult& r, const fs::path& dir, std::string_view stem) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir, ec)) throw kestran::RunError("cannot make the CSV directory " + dir.string());
  const UnitNames u = unitNames(r.units);
  Writer w(dir);
  std::set<std::string> names;
  for (const model::HydrographRecord& h : r.hydrographs) {
    if (!h.produced) continue;
    // Two hydrographs of one command with one reference keep apart by slot,
    // then by a counter (run sets of a batch each number their runs from 1).
    const std::string base = hydrographFileName(stem, h);
    std::string name = base + ".csv";
    for (int k = 2; names.count(name) != 0; ++k) {
      name = base;
      name += "_id";
      name += std::to_string(h.id);
      if (k > 2) {
        name += '_';
        name += std::to_string(k - 1);
      }
      name += ".csv";
    }
    names.insert(name);
    w.write(name, hydrographCsv(h, u));
  }
  w.write("summary.csv", summaryCsv(r, u));
  w.write("ledger.csv", ledgerCsv(r));
  w.write("balance.csv", balanceCsv(r));
  return w.written;
}

std::string balanceTable(const kestran::RunResult& r) {
  std::string text = "WATER BALANCE (m3; error in % of the volume in)\n";
  char row[512];
  std::snprintf(row, sizeof row, "%3s %4s %-20s %2s %-10s %13s %13s %13s %13s %13s %8s  %s\n", "RUN", "CMD", "COMMAND",
                "ID", "REFERENCE", "IN", "OUT", "LOSSES", "STORED", "SENT", "ERROR%", "FLAG");
  text += row;
  for (const model::LedgerRecord& l : r.ledger) {
    const std::string ref = l.nhyd != 0 ? std::to_string(l.nhyd) : l.name;
    const double lost = l.initialAbstraction + l.infiltration + l.depressionStorage + l.evaporation;
    std::snprintf(row, sizeof row, "%3d %4d %-20.20s %2d %-10.10s %13.3f %13.3f %13.3f %13.3f %13.3f %8.3f  %s\n",
                  l.run, l.command, l.label.c_str(), l.id, ref.c_str(), l.volumeIn, l.volumeOut, lost, l.stored, l.sent,
                  l.errorPercent, l.flagged ? ("** " + l.reason).c_str() : "");
    text += row;
  }
  text += "\nCATCHMENTS TO OUTLETS (m3)\n";
  std::snprintf(row, sizeof row, "%3s %4s %-20s %-10s %13s %13s %13s %13s %13s %13s  %s\n", "RUN", "CMD", "COMMAND",
                "REFERENCE", "RAINFALL", "LOSSES", "STORED", "RUNOFF", "AT OUTLETS", "ON THE WAY", "PATH");
  text += row;
  for (const CatchmentBalance& c : r.balance) {
    const std::string ref = c.nhyd != 0 ? std::to_string(c.nhyd) : c.name;
    std::snprintf(row, sizeof row, "%3d %4d %-20.20s %-10.10s %13.3f %13.3f %13.3f %13.3f %13.3f %13.3f  %s\n", c.run,
                  c.command, c.label.c_str(), ref.c_str(), c.rainfall, c.losses, c.stored, c.runoff, c.atOutlets,
                  c.onTheWay, sourcesText(c.path).c_str());
    text += row;
  }
  return text;
}

} // namespace results
