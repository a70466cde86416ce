"""kestran.run against the program's own files, batches against serial
runs, and calls that cannot start."""

import os
import pickle
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

import numpy as np
import pandas as pd
import pytest

import kestran
from conftest import CLOCK, EXAMPLES, study

STUDIES = {
    "example, metric": (EXAMPLES / "example.dat").read_text(),
    "sweep, metric": study(70, 1.0),
    "sweep, imperial with baseflow": study(85, 1.4, metout=1, dwf=0.05),
}


def sum_rows(path):
    """The summary lines of a .sum file, split by their fixed columns."""
    rows = []
    for line in path.read_text().splitlines():
        if len(line) >= 79 and line[26:27] == ":" and line[24:26].isdigit():
            rows.append((line[1:5].strip(), line[5:24].rstrip(), int(line[24:26]), line[27:37].strip(),
                         line[37:46], line[46:55], line[56:71], line[71:79], line[79:84]))
    return rows


def frame_rows(frame):
    return [(r.marker, r.label, r.id, str(r.nhyd) if r.nhyd else r.name, f"{r.area:9.2f}", f"{r.peak:9.3f}",
             r.peak_date, f"{r.volume:8.2f}", "  n/a" if np.isnan(r.coefficient) else f"{r.coefficient:5.3f}")
            for r in frame.itertuples()]


@pytest.mark.parametrize("text", STUDIES.values(), ids=STUDIES.keys())
def test_summary_rows_are_the_program_summary_lines(program, tmp_path, text):
    expected = sum_rows(program(text) / "study.sum")
    run = kestran.run(text, tmp_path / "work", rainfall_dir=EXAMPLES, clock=CLOCK)
    assert run.ok and len(expected) >= 2
    assert frame_rows(run.summary) == expected
    assert all(f.startswith(str(run.workdir)) for f in run.files)  # nothing written beside the data


@pytest.mark.parametrize("text", [STUDIES["sweep, metric"], STUDIES["sweep, imperial with baseflow"]])
def test_hydrograph_is_the_saved_hydrograph_file(program, tmp_path, text):
    lines = (program(text) / "URBAN.HYD").read_text().splitlines()
    saved = np.array([float(v) for v in lines[4:-1]])
    run = kestran.run(text, tmp_path / "work", clock=CLOCK)
    urban = next(h for h in run.hydrographs if h.nhyd == 202)
    assert urban.dt_minutes == float(lines[2]) and urban.area == pytest.approx(float(lines[3]), abs=5e-5)
    # SAVE HYD cuts the dry tail (ordinates of at most 0.0003528 cfs) before writing.
    n = len(saved)
    np.testing.assert_allclose(urban.flows[:n], saved, rtol=0, atol=5e-7 + 1e-6 * saved.max())
    assert n > 20 and np.all(urban.runoff[n:] <= 0.0003528) and urban.runoff[n - 1] > 0
    assert urban.peak == pytest.approx(urban.flows.max(), rel=1e-6)
    assert urban.times[np.argmax(urban.flows)] == pytest.approx(urban.peak_hours, abs=1e-4)
    assert urban.to_frame()["flow"].tolist() == urban.flows.tolist()
    assert run.units == ("imperial" if "METOUT=[1]" in text else "metric") == urban.units
    assert (urban.base > 0) == ("DWF=[0.05]" in text)
    assert run.storm.title == "CHICAGO STORM" and run.storm.depth > 0


def test_a_run_ending_on_an_error_returns_its_messages(tmp_path):
    text = " 1\nSTART               TZERO=[0], METOUT=[1], NSTORM=[0], NRUN=[1]\nSTORE HYD           ID=[11]\nFINISH\n"
    run = kestran.run(text, tmp_path)
    assert not run.ok and run.status == 1
    assert run.messages[-1].severity == kestran.Severity.ERROR and run.messages[-1].command == 2
    assert str(run.summary_output) in run.files


def test_module_runs_like_the_program(program, tmp_path):
    text = STUDIES["sweep, metric"]
    expected = (program(text) / "study.sum").read_text()
    (tmp_path / "study.dat").write_text(text)
    package = str(Path(kestran.__file__).resolve().parents[1])
    env = {**os.environ, "KESTRAN_FIXED_CLOCK": CLOCK, "PYTHONPATH": package}
    done = subprocess.run([sys.executable, "-m", "kestran", "study.dat"], cwd=tmp_path, env=env, capture_output=True,
                          text=True)
    assert done.returncode == 0 and "COMPUTE NASHYD" in done.stdout
    assert (tmp_path / "study.sum").read_text() == expected
    (tmp_path / "bad.dat").write_text(" 1\nSTART               TZERO=[0], METOUT=[1], NSTORM=[0], NRUN=[1]\n"
                                      "STORE HYD           ID=[11]\nFINISH\n")
    done = subprocess.run([sys.executable, "-m", "kestran", "bad.dat"], cwd=tmp_path, env=env, capture_output=True,
                          text=True)
    assert done.returncode == 1 and "ERROR" in done.stderr


def sweep():
    return [study(cn, depth) for cn in (60, 75, 90) for depth in (0.8, 1.5)]


def comparable(run, workdir):
    """What must agree between two runs of one study: rows, hydrographs,
    messages and the summary file with the work directory's path removed."""
    text = re.sub(re.escape(str(workdir)), "", run.summary_output.read_text())
    return (run.summary, [h.flows.tolist() for h in run.hydrographs], run.messages, text)


def assert_same(a, b):
    pd.testing.assert_frame_equal(a[0], b[0])
    assert a[1:] == b[1:]


def test_threads_and_a_dask_cluster_give_the_serial_results(tmp_path):
    studies = sweep()
    serial = [kestran.run(s, tmp_path / "serial" / str(i), clock=CLOCK) for i, s in enumerate(studies)]
    threads = kestran.run_many(studies, workers=3, progress=False, hydrographs=True, root=tmp_path / "t", clock=CLOCK)
    distributed = pytest.importorskip("distributed")
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=False, dashboard_address=None) as c, \
            distributed.Client(c) as client:
        dask = kestran.run_many(studies, client=client, progress=False, hydrographs=True, root=tmp_path / "d",
                                clock=CLOCK)
        light = kestran.run_many(studies[:1], client=client, progress=False, root=tmp_path / "l", clock=CLOCK)
    assert len({r.summary["peak"].iloc[0] for r in serial}) == len(studies)  # the studies differ
    for s, t, d in zip(serial, threads, dask):
        assert s.ok and len({s.workdir, t.workdir, d.workdir}) == 3
        assert_same(comparable(t, t.workdir), comparable(s, s.workdir))
        assert_same(comparable(d, d.workdir), comparable(s, s.workdir))
    assert light[0].hydrographs == [] and light[0].summary.equals(serial[0].summary)


@pytest.mark.parametrize("call, error", [
    (lambda d: kestran.run(d / "none.dat"), FileNotFoundError),
    (lambda d: kestran.run(str(d / "none.dat")), FileNotFoundError),
    (lambda d: kestran.run(d), IsADirectoryError),
    (lambda d: kestran.run(EXAMPLES / "example.dat", d / "afile"), NotADirectoryError),
    (lambda d: kestran.run(EXAMPLES / "example.dat", d, clock="yesterday"), ValueError),
    (lambda d: kestran.run(EXAMPLES / "example.dat", d, clock=20260102), TypeError),
    (lambda d: kestran.run(EXAMPLES / "example.dat", d, speed=2), TypeError),
    (lambda d: kestran.run(EXAMPLES / "example.dat", d, project_dir=d / "none"), FileNotFoundError),
    (lambda d: kestran.run(42), TypeError),
    (lambda d: kestran.run(" \n"), ValueError),
    (lambda d: kestran.run_many(["x\n"], workers=0, progress=False), ValueError),
    (lambda d: kestran.run_many(["x\n"], root=d / "afile", progress=False), NotADirectoryError),
    (lambda d: kestran.run(STUDIES["sweep, metric"], d, allow_outside_paths="yes"), TypeError),
])
def test_calls_that_cannot_start_raise(tmp_path, call, error):
    (tmp_path / "afile").write_text("x")
    with pytest.raises(error):
        call(tmp_path)


def test_to_csv_writes_what_the_program_writes(tmp_path):
    text = STUDIES["sweep, imperial with baseflow"]
    folder = tmp_path / "program"
    folder.mkdir()
    (folder / "study.dat").write_text(text)
    exe = str(Path(os.environ.get("KESTRAN_PROGRAM", Path(__file__).resolve().parents[2] / "build" / "kestran"))
              .resolve())
    done = subprocess.run([exe, "--csv", "csv", "--balance", "study.dat"], cwd=folder, capture_output=True,
                          text=True, env={**os.environ, "KESTRAN_FIXED_CLOCK": CLOCK})
    assert done.returncode == 0, done.stderr
    assert "WATER BALANCE" in done.stdout and "CATCHMENTS TO OUTLETS" in done.stdout
    run = kestran.run(text, tmp_path / "work", clock=CLOCK)
    names = sorted(Path(p).name for p in run.to_csv(tmp_path / "out"))
    assert names == sorted(p.name for p in (folder / "csv").iterdir())
    assert {"summary.csv", "ledger.csv", "balance.csv", "study_r01_c0004_RURAL.csv"} <= set(names)
    for name in names:
        assert (tmp_path / "out" / name).read_bytes() == (folder / "csv" / name).read_bytes(), name
    urban = next(r for r in run.ledger if r["label"] == "DESIGN STANDHYD")
    assert set(urban) == {"run", "command", "label", "id", "nhyd", "name", "sources", "volume_in", "volume_out",
                          "losses", "stored", "sent", "error_percent", "flagged", "reason"}
    assert set(urban["losses"]) == {"initial_abstraction", "infiltration", "depression_storage", "evaporation"}
    assert urban["sources"] == [] and not urban["flagged"]
    assert urban["volume_in"] == pytest.approx(urban["volume_out"] + sum(urban["losses"].values()), rel=0.01)


# A batch with studies that cannot start: each of those is a result that says
# why, in its place; the others run as they would alone. (input, the error
# that keeps it from starting or None); the work directory of study 3 is a file.
BATCH = [
    (study(70, 1.0), None),
    ("{d}/none.dat", FileNotFoundError),
    (42, TypeError),
    (study(75, 1.0), NotADirectoryError),
    ("{d}", IsADirectoryError),
    (" \n", ValueError),
    (study(90, 0.8), None),
]


def batch_inputs(d):
    return [Path(i.format(d=d)) if isinstance(i, str) and "{d}" in i else i for i, _ in BATCH]


def check_batch(results, d):
    assert len(results) == len(BATCH)
    for result, (given, error) in zip(results, BATCH):
        if error is None:
            alone = kestran.run(given, d / "alone", clock=CLOCK)
            assert result.ok and result.started and result.error is None
            pd.testing.assert_frame_equal(result.summary, alone.summary)
        else:
            assert isinstance(result.error, error), (given, result.error)
            assert result.status == kestran.Run.NOT_STARTED and not result.ok and not result.started
            assert result.messages == [] and result.files == [] and result.summary.empty
            with pytest.raises(RuntimeError):
                result.to_csv(d / "csv")
            with pytest.raises(RuntimeError):
                kestran.report(result, d / "report.html")
            copy = pickle.loads(pickle.dumps(result))
            assert type(copy.error) is type(result.error) and str(copy.error) == str(result.error)


def make_batch_root(d):
    root = d / "batch"
    root.mkdir()
    (root / "study-00003").write_text("not a directory")
    return root


def test_run_many_returns_every_study_in_order_on_threads(tmp_path):
    root = make_batch_root(tmp_path)
    check_batch(kestran.run_many(batch_inputs(tmp_path), workers=2, progress=False, root=root, clock=CLOCK), tmp_path)


def test_run_many_returns_every_study_in_order_on_a_dask_cluster(tmp_path, monkeypatch):
    distributed = pytest.importorskip("distributed")
    root = make_batch_root(tmp_path)
    with distributed.LocalCluster(n_workers=1, threads_per_worker=2, processes=False, dashboard_address=None) as c, \
            distributed.Client(c) as client:
        results = kestran.run_many(batch_inputs(tmp_path), client=client, progress=False, root=root, clock=CLOCK)
        check_batch(results, tmp_path)
        # A task that fails on the cluster itself, not in the engine, is a
        # result too.
        real = kestran._batch._one

        def failing(study, workdir, **options):
            if study == "lost\n":
                raise RuntimeError("the worker went away")
            return real(study, workdir, **options)
        monkeypatch.setattr(kestran._batch, "_one", failing)
        lost = kestran.run_many([study(70, 1.0), "lost\n"], client=client, progress=False, clock=CLOCK)
    assert lost[0].ok and not lost[1].started and "went away" in str(lost[1].error)


SAVE = ("START               TZERO=[0], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
        "STORE HYD           ID=[1], NHYD=[101], DT=[10], AREA=[12.5]\n"
        "                    0.0  0.15  0.42  0.80  0.65  0.40  0.22  0.10  0.03  0.0  -1\n"
        "SAVE HYD            ID=[1], PCYC=[1], NAMEmode=[-1], \"{name}\", \"kept\"\n"
        "FINISH\n")


@pytest.mark.parametrize("name, where, refused, allow", [
    ("IN.HYD", "project/IN.HYD", False, False),
    ("../ESC.HYD", "ESC.HYD", True, False),
    ("{d}/ABS:.HYD", "ABS:.HYD", True, False),
    ("C:/../../ESC.HYD", "ESC.HYD", True, False),
    ("../ESC.HYD", "ESC.HYD", False, True),
])
def test_library_runs_write_only_in_their_folders(name, where, refused, allow):
    """A file name that leads out of the work and project directories is
    refused (message 996, the run ends on it) unless outside paths are
    allowed; kestran.run and run_many alike."""
    # A short folder: the absolute name must fit the 60 columns of its field.
    tmp_path = Path(tempfile.mkdtemp(prefix="kw", dir="/tmp" if os.path.isdir("/tmp") else None))
    try:
        check_confined(tmp_path, name, where, refused, allow)
    finally:
        shutil.rmtree(tmp_path)


def check_confined(tmp_path, name, where, refused, allow):
    (tmp_path / "project").mkdir()
    (tmp_path / "work" / "C:").mkdir(parents=True)
    text = " 2\n" + SAVE.format(name=name.format(d=tmp_path))
    calls = [lambda: kestran.run(text, tmp_path / "work", base_dir=tmp_path / "project", allow_outside_paths=allow),
             lambda: kestran.run_many([text], progress=False, root=tmp_path / "batch", base_dir=tmp_path / "project",
                                      allow_outside_paths=allow)[0]]
    for call in calls:
        run = call()
        assert (not run.ok) == refused
        assert any(m.number == 996 and m.severity == kestran.Severity.ERROR for m in run.messages) == refused
        assert (tmp_path / where).exists() != refused
        if refused:
            assert "RUN TERMINATED PREMATURELY" in run.detailed_output.read_text()
        else:
            (tmp_path / where).unlink()


# Hourly storms from 2000-01-01, each a burst at a given hour: one lands on
# 29 February 2004, one years later on 1 November 2006, one on the last day of
# 2008 and one on the first of 2011 (the hours as the calendar counts them).
BURSTS = {"LEAP": 36_492, "NOV": 59_917, "END": 78_911, "NEW": 96_432}


def multi_year_study(folder: Path) -> str:
    """A study of four hourly records of several years, each with one burst,
    and a catchment under each; every hydrograph saved automatically."""
    lines = [" 2", "START               TZERO=[2000.01010000], METOUT=[2], NSTORM=[0], NRUN=[1]",
             "SAVE HYD            CODE=[2], PCYC=[0]"]
    for k, (name, hour) in enumerate(BURSTS.items(), start=1):
        steps = hour + 48
        rain = np.zeros(steps)
        rain[hour - 1:hour + 2] = (10.0, 40.0, 10.0)
        (folder / f"{name}.STM").write_text(f" 2\n{name} record\n 60\n {steps}\n"
                                            + "".join(f"{v:5.1f}\n" for v in rain) + " -1\n")
        lines += [f"READ STORM          \"{name}.STM\"",
                  f"COMPUTE NASHYD      ID=[{k}], NHYD=[\"{name}\"], DT=[60], AREA=[40], PRINT=[0,0], CN=[-0.6],",
                  "                    IA=[2], N=[3], TP=[0.5], NRAIN=[0], RAIN=[-1]"]
    return "\n".join(lines + ["FINISH"]) + "\n"


def sbo_dates(path: Path) -> dict:
    """The peak date label of each record of SUMMARY.sbo, by hydrograph name."""
    data = path.read_bytes()[90:]
    records = [data[k:k + 162] for k in range(0, len(data), 162)]
    return {r[117:127].decode().strip(): r[139:154].decode() for r in records}


def test_peak_dates_years_after_the_start_agree_everywhere(tmp_path):
    """The summary line's peak date of a record of many years is the date the
    CSV gives the peak ordinate, in the summary file, SUMMARY.sbo, Run.summary
    and the report alike."""
    folder = tmp_path / "program"
    folder.mkdir()
    text = multi_year_study(folder)
    run = kestran.run(text, tmp_path / "work", rainfall_dir=folder, clock=CLOCK)
    assert run.ok, [m.text for m in run.messages]
    rows = run.summary[run.summary.label == "COMPUTE NASHYD"]
    assert list(rows.name) == list(BURSTS)
    paths = {Path(p).name: Path(p) for p in run.to_csv(tmp_path / "csv")}
    sbo = sbo_dates(next(Path(f) for f in run.files if Path(f).name == "SUMMARY.sbo"))
    report = kestran.report(run, tmp_path / "report.html").read_text()
    for row in rows.itertuples():
        csv = pd.read_csv(next(p for name, p in paths.items() if name.endswith(f"_{row.name}.csv")))
        peak = csv.iloc[int(csv.iloc[:, 2].values.argmax())]
        when = pd.Timestamp(peak["date-time"])
        label = f"{when.year:4d}.{when.month:02d}{when.day:02d}_{when.hour:2d}:{when.minute:02d}"
        assert row.peak_date == label, row.name
        assert sbo[row.name] == label and label in report
    # The program's summary file prints the same labels.
    (folder / "study.dat").write_text(text)
    exe = str(Path(os.environ.get("KESTRAN_PROGRAM", Path(__file__).resolve().parents[2] / "build" / "kestran"))
              .resolve())
    done = subprocess.run([exe, "study.dat"], cwd=folder, capture_output=True, text=True,
                          env={**os.environ, "KESTRAN_FIXED_CLOCK": CLOCK})
    assert done.returncode == 0, done.stderr
    printed = [r[6] for r in sum_rows(folder / "study.sum") if r[1] == "COMPUTE NASHYD"]
    assert printed == list(rows.peak_date)
