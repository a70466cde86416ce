"""The run report and the plots: thinning that keeps every peak, the page's
content against the program's summary lines, the water-balance section from
a hand-made ledger, a 12-year record's report, and the matplotlib figures."""

import io
import re
import subprocess
import sys
import time
from html.parser import HTMLParser
from pathlib import Path

import numpy as np
import pytest

import kestran
from conftest import CLOCK, EXAMPLES, study
from kestran._ledger import diagram, layout, volume
from kestran._report import render
from kestran._svg import figure_svg
from kestran._thin import column_max, min_max

ERROR_STUDY = (" 1\nSTART               TZERO=[0], METOUT=[1], NSTORM=[0], NRUN=[1]\n"
               "STORE HYD           ID=[11]\nFINISH\n")


class Page(HTMLParser):
    """Elements of a page as (tag, attributes, enclosing classes) with the
    text of each element id."""

    def __init__(self, text):
        super().__init__()
        self.elements, self.stack, self.text = [], [], {}
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.elements.append((tag, a, [c for _, c in self.stack]))
        if tag not in ("br", "meta", "circle", "line", "rect", "path", "polyline"):
            self.stack.append((tag, a.get("class", "")))

    def handle_endtag(self, tag):
        while self.stack and self.stack.pop()[0] != tag:
            pass

    def find(self, tag, cls=None, inside=None):
        return [a for t, a, up in self.elements
                if t == tag and (cls is None or cls in a.get("class", "").split()) and (inside is None or inside in up)]


def example(tmp_path):
    """The example study; its SAVE HYD file goes to tmp_path, not beside it."""
    return kestran.run(EXAMPLES / "example.dat", tmp_path / "work", project_dir=tmp_path, rainfall_dir=EXAMPLES,
                       clock=CLOCK)


def mark_inputs(run):
    """Marks the inputs a routing command repeats (labels ending "->") as not
    produced, where the package does not mark them itself."""
    for h in run.hydrographs:
        if not hasattr(h, "produced"):
            h.produced = not h.label.endswith("->")
    return sum(h.produced for h in run.hydrographs)


def sum_lines(path):
    """(label, peak) of each summary line of a .sum file, by its columns."""
    return [(line[5:24].strip(), line[46:55].strip()) for line in path.read_text().splitlines()
            if len(line) >= 79 and line[26:27] == ":" and line[24:26].isdigit()]


@pytest.mark.parametrize("y, columns, kept_x, kept_y", [
    # Few points: all kept.
    ([0, 5, 1, 1], 2, [0, 1, 2, 3], [0, 5, 1, 1]),
    # Two columns over x 0..9 (edges at 0 and 4.5): lowest and highest of
    # each, in time order, plus both ends.
    ([0, 5, 1, 1, 7, 2, 0, 3, 3, 0], 2, [0, 4, 6, 7, 9], [0, 7, 0, 3, 0]),
    # Equal highs: the first is kept.
    ([1, 4, 4, 1, 1, 1, 1, 1, 1, 2], 2, [0, 1, 5, 9], [1, 4, 1, 2]),
])
def test_thinning_keeps_each_columns_extremes(y, columns, kept_x, kept_y):
    x, yy = min_max(np.arange(len(y), dtype=float), np.array(y, dtype=float), columns)
    assert x.tolist() == kept_x and yy.tolist() == kept_y


def test_thinning_a_long_series_loses_no_peak():
    rng = np.random.default_rng(7)
    x = np.arange(105_120) * 1.0
    y = rng.gamma(0.3, 1.0, len(x))
    y[[17, 50_000, 105_000]] = [60.0, 90.0, 75.0]
    tx, ty = min_max(x, y, 700)
    assert len(tx) <= 2 * 700 + 2 and np.all(np.diff(tx) > 0)
    assert set(zip(tx.tolist(), ty.tolist())) <= set(zip(x.tolist(), y.tolist()))  # points of the series
    for at in (17, 50_000, 105_000):
        assert (x[at], y[at]) in zip(tx, ty)
    starts, heights, width = column_max(x, y, 1.0, 700)
    assert len(starts) <= 700 and heights.max() == 90.0 and width == pytest.approx(105_120 / 700)
    assert column_max(x[:5], y[:5], 1.0, 700)[1].tolist() == y[:5].tolist()


@pytest.mark.parametrize("runoff", [[], [0.0, 0.0, 0.0], [0.0, np.nan, 2.0, np.inf], [0.5, -0.5, 0.0]],
                         ids=["empty", "dry", "not finite", "below zero"])
def test_figures_of_odd_hydrographs_hold_only_numbers(runoff):
    h = kestran.Hydrograph(1, 2, "STORE HYD", 1, 101, "", 0.25, 1.0, 0.0, 6.0, np.array(runoff, dtype=np.float32),
                           2.0, 6.5, 1.0, "metric")
    storm = kestran.Storm(1, 2, "S", 0, 0.5, np.array([1.0, np.nan]), 1.0, "metric")
    for svg in (figure_svg(h, None, "t", "p"), figure_svg(h, storm, "t", "p")):
        numbers = re.findall(r'(?:points|d|x|y|cx|cy|width|height)="([^"]*)"', svg)
        assert numbers and not re.search(r"nan|inf", " ".join(numbers), re.I)
        assert Page(svg).find("polyline", "flow") or not runoff


STUDIES = {
    # The example's 800 m channel is long against its inflow's rise: a note.
    "example, metric, warnings": (EXAMPLES / "example.dat", "m³/s", {"warning", "note"}),
    "imperial": (study(85, 1.4, metout=1, dwf=0.05), "ft³/s", {"warning"}),
    "ends on an error": (ERROR_STUDY, "ft³/s", {"error"}),
}


@pytest.mark.parametrize("source, flow_unit, severity", STUDIES.values(), ids=STUDIES.keys())
def test_report_holds_the_run(tmp_path, source, flow_unit, severity):
    run = kestran.run(source, tmp_path / "work", rainfall_dir=EXAMPLES, project_dir=tmp_path, clock=CLOCK)
    made = mark_inputs(run)
    path = kestran.report(run, tmp_path / "out" / "report.html")
    text = path.read_text()
    page = Page(text)
    # Self-contained: nothing fetched, nothing run.
    assert not page.find("script") and not page.find("link") and not page.find("img")
    assert not re.search(r'(src|href)="(https?:)?//', text)
    assert f"{CLOCK[:10]} {CLOCK[11:]}" in text and "000001" in text
    # One row per summary line of the program's own summary output.
    lines = sum_lines(run.summary_output)
    rows = page.find("tr", inside="summary")
    assert len(rows) - 1 == len(lines) == len(run.summary)  # the heading row
    body = text.split('class="summary"')[1].split("</table>")[0].split("<tbody>")[1]
    assert [p for _, p in lines] == [re.findall(r"<td[^>]*>(.*?)</td>", row)[6] for row in body.split("</tr>")[:-1]]
    # One figure per hydrograph a command made, each with its flow line and
    # marked peak; each summary line links to the figure of its hydrograph.
    figures = page.find("figure", "hydrograph")
    assert len(figures) == made == len(page.find("polyline", "flow")) == len(page.find("circle", "peak"))
    assert len([a for a in page.find("a", inside="summary") if a["href"].startswith("#hyd-")]) == len(lines)
    for h in run.hydrographs:
        assert f"Peak {h.peak:.3f} {flow_unit}" in text
    assert (len(page.find("path", "hyetograph")) > 0) == (len(run.storms) > 0)
    # Messages coloured by severity, each linked to a place on the page.
    ids = {a["id"] for _, a, _ in page.elements if "id" in a}
    items = page.find("li", inside="messages")
    assert len(items) == len(run.messages) > 0
    assert {i["class"] for i in items} == severity
    assert [i["class"] for i in items] == [m.severity.name.lower() for m in run.messages]
    assert all(a["href"][1:] in ids for a in page.find("a") if a["href"].startswith("#"))
    files = [a["href"] for a in page.find("a", inside="files")]
    assert all((path.parent / f).is_file() for f in files) and len(files) >= 2


@pytest.mark.parametrize("args, status, written", [
    (["study.dat", "-o", "r/report.html"], 0, "r/report_files/study.sum"),
    (["bad.dat"], 1, "report_files/bad.sum"),  # a run ending on an error still has its report
    (["none.dat"], 2, None),
])
def test_cli_writes_the_report_beside_the_outputs(tmp_path, args, status, written):
    (tmp_path / "study.dat").write_text(study(70, 1.0))
    (tmp_path / "bad.dat").write_text(ERROR_STUDY)
    package = str(Path(kestran.__file__).resolve().parents[1])
    done = subprocess.run([sys.executable, "-m", "kestran", "report", *args], cwd=tmp_path, capture_output=True,
                          text=True, env={"PYTHONPATH": package})
    assert done.returncode == status, done.stderr
    assert written is None or (tmp_path / written).is_file() and (tmp_path / written).parent.with_name(
        "report.html").is_file()
    assert written is not None or "input file not found" in done.stderr


# A pond fed by the sum of a rural and an urban catchment, by hand: the pond
# keeps 200 m3, spills nothing and loses 100 m3 it cannot account for (a cut):
# 100 / 6495.7 = 1.54 %, over the 1 % that flags a command.
LEDGER = [
    dict(run=1, command=3, label="COMPUTE NASHYD", id=3, nhyd=0, name="RURAL", sources=[], volume_in=20000.0,
         volume_out=2940.0, losses={"initial_abstraction": 4000.0, "infiltration": 13060.0}, stored=0.0, sent=0.0,
         error_percent=0.0, flagged=False, reason=""),
    dict(run=1, command=4, label="DESIGN STANDHYD", id=4, nhyd=0, name="URBAN", sources=[], volume_in=6000.0,
         volume_out=3555.7, losses={"depression_storage": 444.3, "infiltration": 2000.0}, stored=0.0, sent=0.0,
         error_percent=0.0, flagged=False, reason=""),
    dict(run=1, command=5, label="ADD HYD", id=5, nhyd=505, name="", sources=[3, 4], volume_in=6495.7,
         volume_out=6495.7, losses={}, stored=0.0, sent=0.0, error_percent=0.0, flagged=False, reason=""),
    dict(run=1, command=6, label="ROUTE RESERVOIR ->", id=6, nhyd=0, name="POND", sources=[5], volume_in=6495.7,
         volume_out=6195.7, losses={}, stored=200.0, sent=0.0, error_percent=1.54, flagged=True,
         reason="cut at the maximum number of ordinates"),
]


# The two catchments of LEDGER followed to the outlet: their water goes
# 005 -> 006; of the 6495.7 m3 the pond received, 2940 / 6495.7 came from the
# rural catchment, so it carries 45.26 % of the 300 m3 the pond kept or lost.
BALANCE = [
    dict(run=1, command=3, label="COMPUTE NASHYD", id=3, nhyd=0, name="RURAL", rainfall=20000.0, losses=17060.0,
         stored=0.0, runoff=2940.0, at_outlets=2804.2, on_the_way=135.8, path=[5, 6]),
    dict(run=1, command=4, label="DESIGN STANDHYD", id=4, nhyd=0, name="URBAN", rainfall=6000.0, losses=2444.3,
         stored=0.0, runoff=3555.7, at_outlets=3391.5, on_the_way=164.2, path=[5, 6]),
]


def test_ledger_section_from_a_hand_made_ledger(tmp_path):
    assert layout(LEDGER) == ([(0, 0), (0, 1), (1, 0), (2, 0)], [(0, 2), (1, 2), (2, 3)])
    assert [volume(v) for v in (6495.7, 444.3, 0.04, -0.0009, float("nan"), None)] == \
        ["6,496", "444.3", "0.0", "0.0", "n/a", ""]
    run = example(tmp_path)
    run.ledger = []  # no ledger: no section
    assert "balance" not in render(run, tmp_path)
    run.ledger, run.balance = LEDGER, BALANCE
    text = render(run, tmp_path)
    page = Page(text)
    rows = page.find("tr", inside="ledger")
    assert len(rows) - 1 == len(LEDGER) and [r.get("class") for r in rows[1:]] == ["", "", "", "flagged"]
    svg = Page(diagram(LEDGER))
    assert len(svg.find("g", "ledger-node")) == 4 and len(svg.find("path", "edge")) == 3
    assert "cut at the maximum number of ordinates" in text
    assert len(page.find("tr", inside="catchments")) - 1 == 2 and text.count("001:0005 &rarr; 001:0006") == 2
    # Each link carries the volume its source sent out.
    assert re.findall(r'class="rain"[^>]*>([^<]*)<', diagram(LEDGER)) == ["2,940", "3,556", "6,496"]


def test_report_of_a_12_year_hourly_record_is_quick_and_small(tmp_path):
    hours = 12 * 8760
    rng = np.random.default_rng(3)
    rain = np.where(rng.random(hours) < 0.05, rng.gamma(0.8, 3.0, hours), 0.0)
    rain[61_000] = 95.0
    (tmp_path / "YEARS.STM").write_text(" 2\ntwelve years\n 60\n %d\n" % hours
                                        + "".join(f"{v:7.3f}\n" for v in rain) + " -1\n")
    text = (" 2\nSTART               TZERO=[2000.01010000], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
            "READ STORM          \"YEARS.STM\"\n"
            "DESIGN STANDHYD     ID=[4], NHYD=[\"URBAN\"], DT=[60], AREA=[12], XIMP=[0.35], TIMP=[0.5], DWF=[0],\n"
            "                    LOSS=[2], CN=[80], SLOPE=[1.5], RAIN=[-1]\nFINISH\n")
    run = kestran.run(text, tmp_path / "work", base_dir=tmp_path)
    assert run.ok and len(run.hydrographs[0].flows) > 100_000
    start = time.perf_counter()
    path = kestran.report(run, tmp_path / "report.html")
    assert time.perf_counter() - start < 5.0 and path.stat().st_size < 2 * 1024 * 1024
    # The highest point drawn is the peak: its pixel row is the line's top.
    points = re.search(r'class="flow" points="([^"]*)"', path.read_text()).group(1)
    ys = [float(p.split(",")[1]) for p in points.split()]
    peak_y = re.search(r'<circle class="peak" cx="[^"]*" cy="([^"]*)"', path.read_text()).group(1)
    assert min(ys) == float(peak_y) and "Peak %.3f" % run.hydrographs[0].peak in path.read_text()
    # The storm is dated 2000-01-01 (the start date): ticks each second January
    # over the 4380 days to 2011-12-30.
    years = re.findall(r'<text class="tick" [^>]*>(\d{4})</text>', path.read_text())
    assert years == ["2000", "2002", "2004", "2006", "2008", "2010"]


PLOTS = {
    # which: (title part, flow axis, rain axis or None, peak text)
    "URBAN": ("DESIGN STANDHYD URBAN", "Flow (m³/s)", "Rainfall intensity (mm/h)", "Peak 1.493 m³/s"),
    "SEWER": ("out<- SEWER", "Flow (m³/s)", "Rainfall intensity (mm/h)", "Peak 0.268 m³/s"),
    101: ("STORE HYD 101", "Flow (m³/s)", None, "Peak 0.800 m³/s"),
}


def test_plots(tmp_path):
    run = example(tmp_path)
    made = mark_inputs(run)
    for which, (title, flow, rain, peak) in PLOTS.items():
        fig = run.plot(which)
        ax, *twin = fig.axes
        assert title in ax.get_title() and "example.dat" in ax.get_title() and ax.get_ylabel() == flow
        assert [a.get_ylabel() for a in twin] == ([rain] if rain else [])
        assert all(a.get_ylim()[0] > a.get_ylim()[1] for a in twin)  # bars hang from the top
        assert [t.get_text().split("\n")[0] for t in ax.texts] == [peak]
    summary = run.plot_summary()
    assert len(summary.axes[0].patches) == made
    png = io.BytesIO()
    summary.savefig(png, format="png")
    assert png.getvalue()[:8] == b"\x89PNG\r\n\x1a\n"
    for which, error in (("NOPE", KeyError), (1.5, TypeError)):
        with pytest.raises(error):
            run.plot(which)


def test_sewer_flow_under_a_recorded_storm_names_that_storm(tmp_path):
    """A design storm's catchment, then a recorded storm read from a file and
    the sewer flow under it: the sewer's storm is the recorded one, in
    Run.storms, the figures' captions and the hyetographs drawn."""
    (tmp_path / "AUG.STM").write_text(" 2\nRecorded August storm\n 15\n 8\n"
                                      + "".join(f"{v:5.1f}\n" for v in (2, 6, 18, 30, 12, 6, 2, 1)) + " -1\n")
    text = (" 2\nSTART               TZERO=[2011.09150600], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
            "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[10], OPTION=[1]\n"
            "                    A=[1000], B=[6], C=[0.8]\n"
            "COMPUTE NASHYD      ID=[1], NHYD=[\"RURAL\"], DT=[5], AREA=[40], PRINT=[0,0], CN=[75], IA=[-1],\n"
            "                    N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
            "READ STORM          \"AUG.STM\"\n"
            "COMPUTE DWF+WWF     ID=[2], NHYD=[\"SEWER\"], DT=[15], AREA=[30], NDAYS=[1],\n"
            "                    POP=[2000], ADFp=[300], PKFp=[0], XAcom=[0], ADFa=[0], PKFa=[0],\n"
            "                    XAgwf=[0], ADFg=[0], GWF=[0], C_DCON=[0.1], AVGLEN=[60],\n"
            "                    C_WEEP=[0.05], K_WEEP=[10], C_SLOW=[0.02], K_SLWi=[12], K_SLWii=[24]\n"
            "FINISH\n")
    run = kestran.run(text, tmp_path / "work", rainfall_dir=tmp_path, clock=CLOCK)
    assert run.ok, [m.text for m in run.messages]
    sewer = [h for h in run.hydrographs if h.label.startswith("COMPUTE DWF+WWF")]
    assert {h.name for h in sewer} == {"DWF", "SEWER"}
    command = sewer[0].command
    assert [(s.command, s.title) for s in run.storms][-1] == (command, "Recorded August storm")
    assert run.storm.title == "Recorded August storm" and run.storms[0].title != run.storm.title
    recorded = run.storm
    assert recorded.dt_minutes == 15 and list(recorded.intensities) == [2, 6, 18, 30, 12, 6, 2, 1]
    assert recorded.depth == pytest.approx(sum(recorded.intensities) * 0.25, rel=1e-6)
    page = kestran.report(run, tmp_path / "report.html").read_text()
    captions = {m.group(1): m.group(2) for m in re.finditer(
        r'<figure class="hydrograph"[^>]*data-command="(\d+)".*?<figcaption>(.*?)</figcaption>', page, re.S)}
    assert "Recorded August storm" in captions[str(command)]
    assert "Recorded August storm" not in captions[str(run.storms[0].command)]
    # Each sewer figure hangs the recorded storm's eight bars from its top.
    for figure in re.findall(r'<figure class="hydrograph"[^>]*data-command="%d".*?</figure>' % command, page, re.S):
        assert "Recorded August storm" in figure and len(Page(figure).find("path", "hyetograph")) == 1
