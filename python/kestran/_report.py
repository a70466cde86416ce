"""The run report: one self-contained HTML page (inline CSS and SVG, no
script, nothing fetched) with the run header, the summary table, the
messages linked to their commands, one figure per hydrograph with its
hyetograph, the water balance when the run has one, and links to the
outputs and CSV files."""

from __future__ import annotations

import math
import os
from html import escape
from pathlib import Path
from typing import Any, Dict, List, Optional, Sequence, Union
from urllib.parse import quote

from ._header import RunHeader, read_header
from ._ledger import ledger_section
from ._results import Hydrograph, Message, Run, Severity
from ._svg import clock, figure_svg, produced, storm_for, unit

PathLike = Union[str, "os.PathLike[str]"]

CSS = """
body{font:14px/1.4 system-ui,sans-serif;margin:1.5em auto;max-width:60em;padding:0 1em;color:#222}
h1{font-size:1.5em;margin:.2em 0}h2{font-size:1.2em;border-bottom:1px solid #ccc;margin-top:1.6em}
table{border-collapse:collapse;font:12px/1.3 ui-monospace,monospace}
th,td{border:1px solid #ddd;padding:2px 6px;text-align:right;white-space:nowrap}
th{background:#f2f2f2;text-align:center;white-space:normal}.scroll{overflow-x:auto}td.t{text-align:left}
tr:target,li:target{background:#fff3b0}
dl.header{display:grid;grid-template-columns:max-content auto;gap:0 1em}dl.header dt{font-weight:bold}
ul.messages{list-style:none;padding:0}ul.messages li{border-left:5px solid;padding:3px 8px;margin:4px 0}
pre{margin:0;font:12px/1.3 ui-monospace,monospace;white-space:pre-wrap}
li.note{border-color:#3a7bd5;background:#eef4fc}li.warning{border-color:#d99a00;background:#fdf6e3}
li.error{border-color:#c62828;background:#fdecea}td.error{color:#c62828;font-weight:bold}
figure{margin:1em 0}figure svg{width:100%;height:auto;display:block;border:1px solid #eee}
figcaption{font-size:.9em;color:#555}
svg text{font:11px sans-serif;fill:#333}svg text.title{font-size:13px;font-weight:bold}
svg text.axis{font-size:12px}svg .rain{fill:#2a6fb0}svg .plot{fill:#fff;stroke:#999}
svg .grid{stroke:#e6e6e6}svg .flow{fill:none;stroke:#c0392b;stroke-width:1.5}
svg .hyetograph{fill:#5b9bd5;fill-opacity:.7}svg circle.peak{fill:#c0392b}svg text.peak{font-weight:bold}
svg .node{fill:#f7f7f7;stroke:#777}svg .edge{stroke:#5b9bd5;fill:none;stroke-width:1.5}
svg .flagged{fill:#fdecea;stroke:#c62828}svg .ledger-node text{font-size:10px}
"""

_SEVERITY = {Severity.NOTE: "note", Severity.WARNING: "warning", Severity.ERROR: "error"}


def tag(run: int, command: int) -> str:
    """RUN:COMMAND as the outputs print it."""
    return f"{run:03d}:{command:04d}"


def _link(target: Path, base: Path) -> str:
    """A link to a file: relative to the report's folder when it can be."""
    try:
        return quote(os.path.relpath(target.resolve(), base).replace(os.sep, "/"))
    except ValueError:  # another drive
        return target.resolve().as_uri()


def _number(value: Any, digits: int) -> str:
    if value is None or (isinstance(value, float) and not math.isfinite(value)):
        return "n/a"
    return f"{value:.{digits}f}"


def _to(target: Optional[str], text: str) -> str:
    return f'<a href="#{target}">{text}</a>' if target else text


def _latest(made: List[tuple], command: int) -> Optional[str]:
    """The figure of the last hydrograph made in a slot up to a command."""
    found = [fig for at, fig in made if at <= command]
    return found[-1] if found else None


def reference(row: Any) -> str:
    return str(row.nhyd) if row.nhyd else row.name


def _header(run: Run, head: RunHeader) -> str:
    status = "ended normally" if run.ok else "ended on an error"
    items = [("Input file", head.input or "?"), ("Date", f"{head.date} {head.time}".strip() or "?"),
             ("Run counter", head.counter or "?"), ("Status", status), ("Output units", run.units or "not set")]
    items += [(f"Comment {i + 1}", c) for i, c in enumerate(head.comments)]
    rows = "".join(f"<dt>{escape(k)}</dt><dd>{escape(v)}</dd>" for k, v in items)
    return f'<h1>KESTRAN run report: {escape(head.input or "study")}</h1><dl class="header">{rows}</dl>'


def _summary(run: Run, anchors: Dict[tuple, str], first_message: Dict[tuple, str]) -> str:
    u = run.units
    head = ("<tr><th>RUN:COMMAND</th><th>Command</th><th></th><th>ID</th><th>NHYD</th>"
            f"<th>AREA ({unit(u, 'area')})</th><th>QPEAK ({unit(u, 'flow')})</th><th>TpeakDate_hh:mm</th>"
            f"<th>R.V. ({unit(u, 'depth')})</th><th>R.C.</th></tr>")
    # Each line's reference links to the figure of its hydrograph: for an
    # input a command repeats, the figure of the command that made it.
    figures: Dict[tuple, List[tuple]] = {}
    for i, h in enumerate(produced(run.hydrographs)):
        figures.setdefault((h.run, h.id), []).append((h.command, f"hyd-{i}"))
    rows = []
    for r in run.summary.itertuples():
        key = (r.run, r.command)
        row_id = ""
        if key not in anchors:
            anchors[key] = f"cmd-{r.run:03d}-{r.command:04d}"
            row_id = f' id="{anchors[key]}"'
        marker = _to(first_message.get(key) if r.marker else None, escape(r.marker))
        rows.append(f'<tr{row_id}><td class="t">{tag(r.run, r.command)}</td><td class="t">{escape(r.label)}</td>'
                    f'<td class="{"error" if r.marker == "**" else "t"}">{marker}</td><td>{r.id:02d}</td>'
                    f'<td class="t">{_to(_latest(figures.get((r.run, r.id), []), r.command), escape(reference(r)))}</td>'
                    f'<td>{_number(r.area, 2)}</td>'
                    f'<td>{_number(r.peak, 3)}</td><td class="t">{escape(r.peak_date)}</td>'
                    f'<td>{_number(r.volume, 2)}</td><td>{_number(r.coefficient, 3)}</td></tr>')
    return (f'<h2 id="summary">Summary</h2><div class="scroll"><table class="summary"><thead>{head}</thead>'
            f'<tbody>{"".join(rows)}</tbody></table></div>')


def _messages(messages: Sequence[Message], anchors: Dict[tuple, str]) -> str:
    if not messages:
        return '<h2 id="messages">Messages</h2><p>None.</p>'
    items = []
    for i, m in enumerate(messages):
        where = _to(anchors.get((m.run, m.command)), tag(m.run, m.command))
        kind = _SEVERITY[m.severity]
        items.append(f'<li id="msg-{i}" class="{kind}" data-number="{m.number}">{where} {kind.upper()} {m.number}'
                     f'<pre>{escape(m.text)}</pre></li>')
    return f'<h2 id="messages">Messages</h2><ul class="messages">{"".join(items)}</ul>'


def _peak_text(h: Hydrograph, run: Run) -> str:
    when = ""
    rows = run.summary
    match = rows[(rows["run"] == h.run) & (rows["command"] == h.command) & (rows["id"] == h.id)]
    if len(match):
        when = " ".join(str(match["peak_date"].iloc[0]).replace("_", " ").split())
    if not when or when.startswith("No"):
        when = f"{clock(h.peak_hours)} h"
    return f"Peak {h.peak:.3f} {unit(h.units, 'flow')} at {when}"


def figure_title(h: Hydrograph, head: RunHeader) -> str:
    label = " ".join(h.label.split())
    return f"{tag(h.run, h.command)} {label} {h.reference} (ID {h.id:02d}) - {Path(head.input).name or 'study'}"


def _figures(run: Run, head: RunHeader, anchors: Dict[tuple, str]) -> str:
    out = []
    for i, h in enumerate(produced(run.hydrographs)):
        storm = storm_for(h, run.storms)
        key = (h.run, h.command)
        fig_id = f"hyd-{i}"
        anchors.setdefault(key, fig_id)
        caption = (f"{escape(figure_title(h, head))}: area {h.area:.2f} {unit(h.units, 'area')}, "
                   f"runoff volume {h.volume:.2f} {unit(h.units, 'depth')}, step {h.dt_minutes:g} min, "
                   f"{len(h.flows)} ordinates")
        if storm is not None:
            caption += f"; storm {escape(storm.title or '(untitled)')}, {storm.depth:.2f} {unit(h.units, 'depth')}"
        out.append(f'<figure class="hydrograph" id="{fig_id}" data-run="{h.run}" data-command="{h.command}" '
                   f'data-id="{h.id}">{figure_svg(h, storm, figure_title(h, head), _peak_text(h, run))}'
                   f"<figcaption>{caption}</figcaption></figure>")
    if not out:
        # A batch result made with hydrographs=False has summary rows but no ordinates.
        out.append("<p>No hydrograph was produced.</p>" if run.summary.empty else
                   "<p>This result carries no hydrographs (run it with hydrographs=True).</p>")
    body = "".join(out)
    return f'<h2 id="hydrographs">Hydrographs</h2>{body}'


def _files(run: Run, base: Path, csv_files: Optional[List[Path]]) -> str:
    links = []
    for name, path in (("Detailed output", run.detailed_output), ("Summary output", run.summary_output)):
        if path.is_file():
            links.append(f'<li>{name}: <a href="{_link(path, base)}">{escape(path.name)}</a></li>')
    if csv_files is None:
        links.append("<li>CSV files: not available in this build.</li>")
    for path in csv_files or []:
        links.append(f'<li>CSV: <a href="{_link(path, base)}">{escape(path.name)}</a></li>')
    return f'<h2 id="files">Files</h2><ul class="files">{"".join(links)}</ul>'


def render(run: Run, base: Path, csv_files: Optional[List[Path]] = None) -> str:
    """The page as text; links are relative to `base`, the report's folder."""
    head = read_header(run.summary_output)
    anchors: Dict[tuple, str] = {}
    first_message: Dict[tuple, str] = {}
    for i, m in enumerate(run.messages):
        first_message.setdefault((m.run, m.command), f"msg-{i}")
    summary = _summary(run, anchors, first_message)
    figures = _figures(run, head, anchors)
    sections = [_header(run, head), summary, _messages(run.messages, anchors), figures,
                ledger_section(getattr(run, "ledger", None), getattr(run, "balance", None)), _files(run, base, csv_files)]
    return ("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
            f"<title>KESTRAN run report: {escape(head.input or 'study')}</title>"
            f"<style>{CSS}</style></head><body>{''.join(sections)}</body></html>\n")


def report(run: Run, path: PathLike, *, csv: bool = True) -> Path:
    """Writes the run's report to `path` and returns it. With `csv` (and a
    package that exports CSV) the run's CSV files go to the folder
    "<report name>_csv" beside it and the report links them."""
    if not isinstance(run, Run):
        raise TypeError(f"run must be a kestran.Run, not {type(run).__name__}")
    run._require_started()  # a study of a batch that never started has no outputs to report
    out = Path(path).expanduser()
    if out.is_dir():
        raise IsADirectoryError(f"the report path is a directory: {out}")
    out.parent.mkdir(parents=True, exist_ok=True)
    csv_files: Optional[List[Path]] = None
    if csv and hasattr(run, "to_csv"):
        folder = out.parent / f"{out.stem}_csv"
        folder.mkdir(exist_ok=True)
        csv_files = [Path(p) for p in run.to_csv(folder)]
    elif not csv:
        csv_files = []
    out.write_text(render(run, out.parent.resolve(), csv_files), encoding="utf-8")
    return out

