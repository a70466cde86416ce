"""The water balance in the run report: the ledger as a table (where each
cubic metre went, command by command) and a flow diagram of the commands,
each drawn from the commands whose hydrographs came in, the volumes on the
links; and, where the run gives it, each catchment's water from its storm to
the outlets. Volumes are cubic metres whatever the run's output units."""

from __future__ import annotations

import math
from html import escape
from typing import Any, Dict, List, Mapping, Sequence, Tuple

LOSSES = (("initial_abstraction", "Initial abstraction"), ("infiltration", "Infiltration"),
          ("depression_storage", "Depression storage"), ("evaporation", "Evaporation"))
BOX_W, BOX_H, GAP_X, GAP_Y, PAD = 190, 66, 46, 14, 12


def volume(value: Any) -> str:
    """m³ to print: whole cubic metres from 1000 up, one decimal below."""
    try:
        v = float(value)
    except (TypeError, ValueError):
        return ""
    if not math.isfinite(v):
        return "n/a"
    text = f"{v:,.0f}" if abs(v) >= 1000.0 else f"{v:,.1f}"
    return "0.0" if text == "-0.0" else text  # a rounding remainder has no sign


def _tag(entry: Mapping[str, Any]) -> str:
    return f"{int(entry.get('run', 0)):03d}:{int(entry.get('command', 0)):04d}"


def _reference(entry: Mapping[str, Any]) -> str:
    return str(entry.get("nhyd") or entry.get("name") or "")


def _table(ledger: Sequence[Mapping[str, Any]]) -> str:
    head = ("<tr><th>RUN:COMMAND</th><th>Command</th><th>ID</th><th>NHYD</th><th>From</th><th>In</th><th>Out</th>"
            + "".join(f"<th>{name}</th>" for _, name in LOSSES)
            + "<th>Stored</th><th>Sent</th><th>Error %</th><th>Flag</th></tr>")
    rows = []
    for e in ledger:
        losses = e.get("losses") or e  # nested by kind, or the kinds as fields of their own
        sources = ", ".join(f"{int(e.get('run', 0)):03d}:{int(s):04d}" for s in e.get("sources") or []) or "-"
        error = e.get("error_percent")
        flagged = bool(e.get("flagged"))
        flag = escape(str(e.get("reason") or "continuity error over 1 %")) if flagged else ""
        rows.append(f'<tr class="{"flagged" if flagged else ""}"><td class="t">{_tag(e)}</td>'
                    f'<td class="t">{escape(str(e.get("label", "")))}</td><td>{int(e.get("id", 0)):02d}</td>'
                    f'<td class="t">{escape(_reference(e))}</td><td class="t">{sources}</td>'
                    f'<td>{volume(e.get("volume_in"))}</td><td>{volume(e.get("volume_out"))}</td>'
                    + "".join(f"<td>{volume(losses.get(kind, 0.0))}</td>" for kind, _ in LOSSES)
                    + f'<td>{volume(e.get("stored"))}</td><td>{volume(e.get("sent"))}</td>'
                    f'<td class="{"error" if flagged else ""}">{_percent(error)}</td><td class="t">{flag}</td></tr>')
    return (f'<div class="scroll"><table class="ledger"><thead>{head}</thead>'
            f'<tbody>{"".join(rows)}</tbody></table></div>'
            '<p>Volumes in m³. From: the commands whose hydrographs came in ("-": rainfall, or a hydrograph '
            'typed in or read). Error: (in - out - losses - stored - sent) as a share of what came in.</p>')


def _percent(value: Any) -> str:
    try:
        v = float(value)
    except (TypeError, ValueError):
        return ""
    text = f"{v:.2f}" if math.isfinite(v) else "n/a"
    return "0.00" if text == "-0.00" else text


def layout(ledger: Sequence[Mapping[str, Any]]) -> Tuple[List[Tuple[int, int]], List[Tuple[int, int]]]:
    """Each entry's (column, row) and the links (source entry, entry). An
    entry's column is one past the deepest of its sources; a source is the
    latest earlier entry of the same run with that command number."""
    where: Dict[Tuple[int, int], int] = {}
    places: List[Tuple[int, int]] = []
    links: List[Tuple[int, int]] = []
    rows_used: Dict[int, int] = {}
    for i, e in enumerate(ledger):
        run = int(e.get("run", 0))
        column = 0
        for s in e.get("sources") or []:
            j = where.get((run, int(s)))
            if j is not None:
                links.append((j, i))
                column = max(column, places[j][0] + 1)
        row = rows_used.get(column, 0)
        rows_used[column] = row + 1
        places.append((column, row))
        where[(run, int(e.get("command", 0)))] = i
    return places, links


def _box(x: float, y: float, e: Mapping[str, Any]) -> str:
    cls = "node flagged" if e.get("flagged") else "node"
    label = " ".join(str(e.get("label", "")).split())
    lines = [f"{_tag(e)} {label}"[:32], f"{_reference(e)} (ID {int(e.get('id', 0)):02d})",
             f"in {volume(e.get('volume_in'))}  out {volume(e.get('volume_out'))}",
             f"stored {volume(e.get('stored'))}  sent {volume(e.get('sent'))}  "
             f"error {_percent(e.get('error_percent'))} %"]
    texts = "".join(f'<text x="{x + 6:.0f}" y="{y + 14 + 14 * k:.0f}">{escape(t)}</text>' for k, t in enumerate(lines))
    return (f'<g class="ledger-node"><rect class="{cls}" x="{x:.0f}" y="{y:.0f}" width="{BOX_W}" '
            f'height="{BOX_H}" rx="4"/>{texts}</g>')


def diagram(ledger: Sequence[Mapping[str, Any]]) -> str:
    """The flow diagram as an inline <svg>."""
    places, links = layout(ledger)
    columns = 1 + max((c for c, _ in places), default=0)
    rows = 1 + max((r for _, r in places), default=0)
    width, height = PAD * 2 + columns * BOX_W + (columns - 1) * GAP_X, PAD * 2 + rows * (BOX_H + GAP_Y)

    def corner(i: int) -> Tuple[float, float]:
        c, r = places[i]
        return PAD + c * (BOX_W + GAP_X), PAD + r * (BOX_H + GAP_Y)

    parts = [f'<svg class="ledger-diagram" xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {width} {height}" '
             f'style="max-width:{width}px" role="img" aria-label="Flow of volumes between commands">']
    for j, i in links:
        (x0, y0), (x1, y1) = corner(j), corner(i)
        ax, ay, bx, by = x0 + BOX_W, y0 + BOX_H / 2, x1, y1 + BOX_H / 2
        mid = (ax + bx) / 2
        parts.append(f'<path class="edge" d="M{ax:.0f} {ay:.0f}C{mid:.0f} {ay:.0f} {mid:.0f} {by:.0f} '
                     f'{bx:.0f} {by:.0f}"/>'
                     f'<text class="rain" x="{mid:.0f}" y="{(ay + by) / 2 - 3:.0f}" text-anchor="middle">'
                     f'{volume(ledger[j].get("volume_out"))}</text>')
    parts += [_box(*corner(i), e) for i, e in enumerate(ledger)]
    parts.append("</svg>")
    return "".join(parts)


def entries(ledger: Any) -> List[Mapping[str, Any]]:
    """The ledger as a list of mappings, whether it came as one, as a data
    frame or as records with attributes."""
    if ledger is None:
        return []
    if hasattr(ledger, "to_dict"):
        return list(ledger.to_dict("records"))
    return [e if isinstance(e, Mapping) else vars(e) for e in ledger]


def catchments(balance: Sequence[Mapping[str, Any]]) -> str:
    """Each catchment's water from its storm to the outlets, with the chain
    of commands that carried it."""
    keys = ("rainfall", "losses", "stored", "runoff", "at_outlets", "on_the_way")
    head = ("<tr><th>RUN:COMMAND</th><th>Command</th><th>NHYD</th><th>In</th><th>Lost</th><th>Stored</th>"
            "<th>Runoff</th><th>At the outlets</th><th>On the way</th><th>Carried by</th></tr>")
    rows = []
    for c in balance:
        path = " &rarr; ".join(f"{int(c.get('run', 0)):03d}:{int(p):04d}" for p in c.get("path") or []) or "-"
        rows.append(f'<tr><td class="t">{_tag(c)}</td><td class="t">{escape(str(c.get("label", "")))}</td>'
                    f'<td class="t">{escape(_reference(c))}</td>'
                    + "".join(f"<td>{volume(c.get(k))}</td>" for k in keys) + f'<td class="t">{path}</td></tr>')
    return (f'<h3>From each catchment to the outlets (m³)</h3><div class="scroll"><table class="catchments">'
            f'<thead>{head}</thead><tbody>{"".join(rows)}</tbody></table></div>')


def ledger_section(ledger: Any, balance: Any = None) -> str:
    """The water-balance section; empty when the run has no ledger."""
    ledger = entries(ledger)
    if not ledger:
        return ""
    flagged = sum(1 for e in ledger if e.get("flagged"))
    note = f"<p>{flagged} command(s) with a continuity error over 1 %.</p>" if flagged else ""
    balance = entries(balance)
    return (f'<h2 id="balance">Water balance</h2>{note}{_table(ledger)}'
            + (catchments(balance) if balance else "")
            + f'<h3>Flow of volumes (m³)</h3><div class="ledger">{diagram(ledger)}</div>')
