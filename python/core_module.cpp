// kestran._core: one study run through the library, its results handed to
// Python as plain values (numbers, strings, numpy arrays) that pickle as they
// are, so results travel between the workers of a cluster unchanged. The
// engine runs with the interpreter lock released: studies on Python threads
// go side by side.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "kestran.h"
#include "results/csv_export.h"

namespace py = pybind11;

namespace {

using Clock = std::tuple<int, int, int, int, int, int>;

py::array_t<float> floats(const std::vector<float>& v) {
  py::array_t<float> a(static_cast<py::ssize_t>(v.size()));
  std::copy(v.begin(), v.end(), a.mutable_data());
  return a;
}

py::list messages(const kestran::RunResult& r) {
  py::list out;
  for (const model::MessageRecord& m : r.messages) {
    out.append(py::make_tuple(m.run, m.command, m.number, static_cast<int>(m.severity), m.lines));
  }
  return out;
}

// The summary rows by column: a data frame is made from them in one step.
py::dict summary(const kestran::RunResult& r) {
  py::list run, command, label, marker, id, nhyd, name, area, peak, hours, date, volume, coefficient;
  for (const model::SummaryRecord& s : r.summary) {
    run.append(s.run);
    command.append(s.command);
    label.append(s.label);
    marker.append(s.marker);
    id.append(s.id);
    nhyd.append(s.nhyd);
    name.append(s.name);
    area.append(s.area);
    peak.append(s.peak);
    hours.append(s.peakHours);
    date.append(s.dateLabel);
    volume.append(s.volume);
    coefficient.append(s.coefficient ? py::object(py::float_(*s.coefficient)) : py::object(py::none()));
  }
  py::dict d;
  d["run"] = run;
  d["command"] = command;
  d["label"] = label;
  d["marker"] = marker;
  d["id"] = id;
  d["nhyd"] = nhyd;
  d["name"] = name;
  d["area"] = area;
  d["peak"] = peak;
  d["peak_hours"] = hours;
  d["peak_date"] = date;
  d["volume"] = volume;
  d["coefficient"] = coefficient;
  return d;
}

py::list hydrographs(const kestran::RunResult& r) {
  py::list out;
  for (const model::HydrographRecord& h : r.hydrographs) {
    py::dict d;
    d["run"] = h.run;
    d["command"] = h.command;
    d["label"] = h.label;
    d["id"] = h.id;
    d["nhyd"] = h.nhyd;
    d["name"] = h.name;
    d["dt_hours"] = h.dtHours;
    d["area"] = h.area;
    d["base"] = h.base;
    d["start_hours"] = h.startHours;
    d["runoff"] = floats(h.flows);
    d["peak"] = h.peak;
    d["peak_hours"] = h.peakHours;
    d["volume"] = h.volume;
    d["date"] = h.date;
    d["produced"] = h.produced;
    out.append(d);
  }
  return out;
}

py::list storms(const kestran::RunResult& r) {
  py::list out;
  for (const model::StormRecord& s : r.storms) {
    py::dict d;
    d["run"] = s.run;
    d["command"] = s.command;
    d["title"] = s.title;
    d["date"] = s.date;
    d["dt_hours"] = s.dtHours;
    d["intensities"] = floats(s.intensities);
    d["depth"] = s.depth;
    out.append(d);
  }
  return out;
}

py::list ledger(const kestran::RunResult& r) {
  py::list out;
  for (const model::LedgerRecord& l : r.ledger) {
    py::dict d;
    d["run"] = l.run;
    d["command"] = l.command;
    d["label"] = l.label;
    d["id"] = l.id;
    d["nhyd"] = l.nhyd;
    d["name"] = l.name;
    d["sources"] = l.sources;
    d["volume_in"] = l.volumeIn;
    d["volume_out"] = l.volumeOut;
    py::dict losses;
    losses["initial_abstraction"] = l.initialAbstraction;
    losses["infiltration"] = l.infiltration;
    losses["depression_storage"] = l.depressionStorage;
    losses["evaporation"] = l.evaporation;
    d["losses"] = losses;
    d["stored"] = l.stored;
    d["sent"] = l.sent;
    d["error_percent"] = l.errorPercent;
    d["flagged"] = l.flagged;
    d["reason"] = l.reason;
    out.append(d);
  }
  return out;
}

py::list balance(const kestran::RunResult& r) {
  py::list out;
  for (const results::CatchmentBalance& c : r.balance) {
    py::dict d;
    d["run"] = c.run;
    d["command"] = c.command;
    d["label"] = c.label;
    d["id"] = c.id;
    d["nhyd"] = c.nhyd;
    d["name"] = c.name;
    d["rainfall"] = c.rainfall;
    d["losses"] = c.losses;
    d["stored"] = c.stored;
    d["runoff"] = c.runoff;
    d["at_outlets"] = c.atOutlets;
    d["on_the_way"] = c.onTheWay;
    d["path"] = c.path;
    out.append(d);
  }
  return out;
}

template <typename T> T item(const py::handle& d, const char* key) { return d[key].cast<T>(); }

// A run's results rebuilt from the values run() returned, for the one CSV
// writer: the summary rows by column, then the records one by one.
void summaryFrom(const py::dict& raw, kestran::RunResult& r) {
  const py::dict rows = raw["summary"];
  const auto column = [&](const char* key) { return rows[key].cast<py::list>(); };
  const py::list run = column("run");
  for (std::size_t k = 0; k < run.size(); ++k) {
    model::SummaryRecord s;
    s.run = column("run")[k].cast<int>();
    s.command = column("command")[k].cast<int>();
    s.label = column("label")[k].cast<std::string>();
    s.marker = column("marker")[k].cast<std::string>();
    s.id = column("id")[k].cast<int>();
    s.nhyd = column("nhyd")[k].cast<int>();
    s.name = column("name")[k].cast<std::string>();
    s.area = column("area")[k].cast<float>();
    s.peak = column("peak")[k].cast<float>();
    s.peakHours = column("peak_hours")[k].cast<float>();
    s.dateLabel = column("peak_date")[k].cast<std::string>();
    s.volume = column("volume")[k].cast<float>();
    const py::object c = column("coefficient")[k];
    if (!c.is_none()) s.coefficient = c.cast<float>();
    r.summary.push_back(std::move(s));
  }
}

void hydrographsFrom(const py::dict& raw, kestran::RunResult& r) {
  for (const py::handle h : raw["hydrographs"].cast<py::list>()) {
    model::HydrographRecord x;
    x.run = item<int>(h, "run");
    x.command = item<int>(h, "command");
    x.label = item<std::string>(h, "label");
    x.id = item<int>(h, "id");
    x.nhyd = item<int>(h, "nhyd");
    x.name = item<std::string>(h, "name");
    x.dtHours = item<float>(h, "dt_hours");
    x.area = item<float>(h, "area");
    x.base = item<float>(h, "base");
    x.startHours = item<double>(h, "start_hours");
    x.flows = item<std::vector<float>>(h, "runoff");
    x.peak = item<float>(h, "peak");
    x.peakHours = item<float>(h, "peak_hours");
    x.volume = item<float>(h, "volume");
    x.date = item<int>(h, "date");
    x.produced = item<bool>(h, "produced");
    r.hydrographs.push_back(std::move(x));
  }
}

void ledgerFrom(const py::dict& raw, kestran::RunResult& r) {
  for (const py::handle l : raw["ledger"].cast<py::list>()) {
    model::LedgerRecord x;
    x.run = item<int>(l, "run");
    x.command = item<int>(l, "command");
    x.label = item<std::string>(l, "label");
    x.id = item<int>(l, "id");
    x.nhyd = item<int>(l, "nhyd");
    x.name = item<std::string>(l, "name");
    x.sources = item<std::vector<int>>(l, "sources");
    x.volumeIn = item<double>(l, "volume_in");
    x.volumeOut = item<double>(l, "volume_out");
    const py::handle losses = l["losses"];
    x.initialAbstraction = item<double>(losses, "initial_abstraction");
    x.infiltration = item<double>(losses, "infiltration");
    x.depressionStorage = item<double>(losses, "depression_storage");
    x.evaporation = item<double>(losses, "evaporation");
    x.stored = item<double>(l, "stored");
    x.sent = item<double>(l, "sent");
    x.errorPercent = item<double>(l, "error_percent");
    x.flagged = item<bool>(l, "flagged");
    x.reason = item<std::string>(l, "reason");
    r.ledger.push_back(std::move(x));
  }
  for (const py::handle b : raw["balance"].cast<py::list>()) {
    results::CatchmentBalance c;
    c.run = item<int>(b, "run");
    c.command = item<int>(b, "command");
    c.label = item<std::string>(b, "label");
    c.id = item<int>(b, "id");
    c.nhyd = item<int>(b, "nhyd");
    c.name = item<std::string>(b, "name");
    c.rainfall = item<double>(b, "rainfall");
    c.losses = item<double>(b, "losses");
    c.stored = item<double>(b, "stored");
    c.runoff = item<double>(b, "runoff");
    c.atOutlets = item<double>(b, "at_outlets");
    c.onTheWay = item<double>(b, "on_the_way");
    c.path = item<std::vector<int>>(b, "path");
    r.balance.push_back(std::move(c));
  }
}

std::vector<std::string> writeCsv(const std::string& directory, const std::string& stem, const py::dict& raw) {
  kestran::RunResult r;
  r.units = item<int>(raw, "units");
  summaryFrom(raw, r);
  hydrographsFrom(raw, r);
  ledgerFrom(raw, r);
  std::vector<std::string> paths;
  for (const auto& p : results::writeCsv(r, directory, stem)) paths.push_back(p.string());
  return paths;
}

py::dict runStudy(const std::string& input, const std::string& text, const std::string& baseDir,
                  const std::string& workDir, const std::optional<std::string>& projectDir,
                  const std::optional<std::string>& rainfallDir, const std::optional<Clock>& clock,
                  bool withHydrographs, bool allowOutsidePaths) {
  kestran::RunOptions o;
  o.input = input;
  o.text = text;
  o.baseDir = baseDir;
  o.workDir = workDir;
  o.allowOutsidePaths = allowOutsidePaths;
  if (projectDir) o.projectDir = *projectDir;
  if (rainfallDir) o.rainfallDir = *rainfallDir;
  if (clock) {
    const auto& [year, month, day, hour, minute, second] = *clock;
    o.clock = platform::DateTime{year, month, day, hour, minute, second};
  }
  kestran::RunResult r;
  {
    py::gil_scoped_release free;
    r = kestran::run(o);
  }
  py::dict d;
  d["status"] = r.status;
  d["units"] = r.units;
  d["workdir"] = r.workDir.string();
  d["detailed_output"] = r.detailedOutput.string();
  d["summary_output"] = r.summaryOutput.string();
  d["messages"] = messages(r);
  d["summary"] = summary(r);
  d["hydrographs"] = withHydrographs ? hydrographs(r) : py::list();
  d["storms"] = storms(r);
  d["files"] = r.files;
  d["ledger"] = ledger(r);
  d["balance"] = balance(r);
  return d;
}

// The program itself, its windows on this process's standard output and error.
int consoleMain(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int status = 0;
  {
    py::gil_scoped_release free;
    status = kestran::consoleMain(static_cast<int>(args.size()), argv.data());
    std::fflush(stdout);
    std::fflush(stderr);
  }
  return status;
}

} // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The KESTRAN engine: one study per call, results as plain values.";
  py::register_exception<kestran::RunError>(m, "StartError", PyExc_OSError);
  m.def("run", &runStudy, py::arg("input"), py::arg("text"), py::arg("base_dir"), py::arg("workdir"),
        py::arg("project_dir"), py::arg("rainfall_dir"), py::arg("clock"), py::arg("hydrographs"),
        py::arg("allow_outside_paths") = false);
  m.def("console_main", &consoleMain, py::arg("argv"));
  m.def("write_csv", &writeCsv, py::arg("directory"), py::arg("stem"), py::arg("raw"));
}
