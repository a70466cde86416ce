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

py::dict runStudy(const std::string& input, const std::string& text, const std::string& baseDir,
                  const std::string& workDir, const std::optional<std::string>& projectDir,
                  const std::optional<std::string>& rainfallDir, const std::optional<Clock>& clock, bool withHydrographs) {
  kestran::RunOptions o;
  o.input = input;
  o.text = text;
  o.baseDir = baseDir;
  o.workDir = workDir;
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

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The KESTRAN engine: one study per call, results as plain values.";
  py::register_exception<kestran::RunError>(m, "StartError", PyExc_OSError);
  m.def("run", &runStudy, py::arg("input"), py::arg("text"), py::arg("base_dir"), py::arg("workdir"),
        py::arg("project_dir"), py::arg("rainfall_dir"), py::arg("clock"), py::arg("hydrographs"));
  m.def("console_main", &consoleMain, py::arg("argv"));
}
