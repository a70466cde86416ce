"""A hydrograph and its hyetograph as an inline SVG figure: flow against
time on the left axis, the storm's intensities as bars hanging from the top
on a second axis at the right, the peak marked and labelled. Long series
are thinned to the figure's pixel columns without losing their peaks."""

from __future__ import annotations

import datetime as _dt
import math
from dataclasses import dataclass
from html import escape
from typing import List, Optional, Sequence, Tuple

import numpy as np

from ._results import Hydrograph, Storm
from ._thin import column_max, min_max

WIDTH, HEIGHT = 800, 330
LEFT, RIGHT, TOP, BOTTOM = 72, 64, 34, 46
PLOT_W, PLOT_H = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM
# With a hyetograph the flows keep to the lower part of the plot and the bars
# to the upper part, so the two rarely cross.
FLOW_SHARE, RAIN_SHARE = 0.62, 0.34

UNITS = {
    "metric": {"flow": "m³/s", "intensity": "mm/h", "area": "ha", "depth": "mm"},
    "imperial": {"flow": "ft³/s", "intensity": "in/h", "area": "ac", "depth": "in"},
}


def unit(units: Optional[str], kind: str) -> str:
    return UNITS.get(units or "", {}).get(kind, "?")


def nice_step(span: float, count: int = 5) -> float:
    """A round tick step (1, 2 or 5 times a power of ten) giving about
    `count` ticks over `span`."""
    if not span > 0.0 or not math.isfinite(span):
        return 1.0
    raw = span / count
    power = 10.0 ** math.floor(math.log10(raw))
    return next(m * power for m in (1.0, 2.0, 5.0, 10.0) if m * power >= raw)


def ticks(low: float, high: float, count: int = 5) -> List[float]:
    step = nice_step(high - low, count)
    first = math.ceil(low / step - 1e-9) * step
    n = int(math.floor((high - first) / step + 1e-9)) + 1
    return [first + i * step for i in range(max(0, min(n, 50)))]


def finite(values: np.ndarray) -> np.ndarray:
    """Values to draw: one that is not finite would make the figure
    unreadable, so it is drawn as 0."""
    return np.nan_to_num(np.asarray(values, dtype=np.float64), nan=0.0, posinf=0.0, neginf=0.0)


def label(value: float) -> str:
    return f"{value:.6g}"


def clock(hours: float) -> str:
    """Hours on the run clock as h:mm."""
    minutes = int(round(hours * 60.0))
    return f"{minutes // 60}:{minutes % 60:02d}"


@dataclass
class Frame:
    """The mapping of data to pixels."""

    t0: float
    t1: float
    qmin: float
    qmax: float
    imax: float

    def x(self, t: np.ndarray) -> np.ndarray:
        return LEFT + (np.asarray(t) - self.t0) / (self.t1 - self.t0) * PLOT_W

    def yq(self, q: np.ndarray) -> np.ndarray:
        return TOP + PLOT_H - (np.asarray(q) - self.qmin) / (self.qmax - self.qmin) * PLOT_H

    def yi(self, i: np.ndarray) -> np.ndarray:
        return TOP + np.asarray(i) / self.imax * PLOT_H


def _points(x: np.ndarray, y: np.ndarray) -> str:
    return " ".join(f"{a:.1f},{b:.1f}" for a, b in zip(x, y))


def _frame(h: Hydrograph, flows: np.ndarray, storm: Optional[Storm]) -> Frame:
    times = h.times
    t0 = float(times[0]) if len(times) else h.start_hours
    t1 = float(times[-1]) if len(times) > 1 else t0 + max(h.dt_hours, 1e-3)
    peak = float(np.max(flows)) if len(flows) else 0.0
    low = min(0.0, float(np.min(flows))) if len(flows) else 0.0
    imax = 1.0
    if storm is not None and len(storm.intensities):
        t1 = max(t1, h.start_hours + storm.dt_hours * len(storm.intensities))
        imax = max(float(np.max(finite(storm.intensities))), 1e-6) / RAIN_SHARE
    top = low + (peak - low) / (FLOW_SHARE if storm is not None else 0.9)
    return Frame(t0, t1 if t1 > t0 else t0 + 1.0, low, top if top > low else low + 1.0, imax)


def origin(h: Hydrograph, storm: Optional[Storm]) -> Optional[_dt.datetime]:
    """Midnight of day 0 of the run clock: the date the hydrograph carries
    (where the package gives one), else its storm's; None without a date."""
    date = getattr(h, "date", 0) or (storm.date if storm is not None else 0)
    try:
        return _dt.datetime.strptime(f"{date:08d}", "%Y%m%d") if date > 0 else None
    except ValueError:
        return None


def _calendar_ticks(first: _dt.datetime, last: _dt.datetime, start: _dt.datetime) -> List[Tuple[float, str]]:
    """Ticks on the first of a month: every 1, 2, 3 or 6 months, or every
    1, 2, 5... years (each January), about six over the span."""
    months = (last.year - first.year) * 12 + last.month - first.month
    step = next((m for m in (1, 2, 3, 6) if months / m <= 7), 12 * int(nice_step(months / 12.0, 6)))
    out = []
    index = first.year * 12 + first.month - 1  # the first month whose first day is within the span
    index += 0 if first == _dt.datetime(first.year, first.month, 1) else 1
    index += (-index) % step
    while len(out) < 60:
        day = _dt.datetime(index // 12, index % 12 + 1, 1)
        if day > last:
            break
        text = day.strftime("%Y") if step >= 12 else day.strftime("%Y-%m")
        out.append(((day - start).total_seconds() / 3600.0, text))
        index += step
    return out


def time_ticks(t0: float, t1: float, start: Optional[_dt.datetime]) -> Tuple[List[Tuple[float, str]], str]:
    """Ticks of the time axis (run clock hours, label) and its title: dates
    and times when the storm has a date, hours otherwise."""
    if start is None:
        return [(t, label(t)) for t in ticks(t0, t1, 8)], "Time on the run clock (h)"
    if t1 - t0 > 60 * 24.0:
        return _calendar_ticks(start + _dt.timedelta(hours=t0), start + _dt.timedelta(hours=t1), start), "Date"
    if t1 - t0 > 72.0:
        days = ticks(t0 / 24.0, t1 / 24.0, 6)
        return [(d * 24.0, (start + _dt.timedelta(days=d)).strftime("%Y-%m-%d")) for d in days], "Date"
    step = next((s for s in (0.25, 0.5, 1.0, 2.0, 3.0, 6.0, 12.0) if (t1 - t0) / s <= 8), 24.0)
    first = math.ceil(t0 / step - 1e-9) * step
    hours = [first + i * step for i in range(int((t1 - first) / step + 1e-9) + 1)]
    return [(t, (start + _dt.timedelta(hours=t)).strftime("%m-%d %H:%M")) for t in hours], \
        f"Date and time (from {start:%Y-%m-%d})"


def _axes(f: Frame, h: Hydrograph, storm: Optional[Storm]) -> List[str]:
    out = [f'<rect class="plot" x="{LEFT}" y="{TOP}" width="{PLOT_W}" height="{PLOT_H}"/>']
    marks, time_title = time_ticks(f.t0, f.t1, origin(h, storm))
    for t, text in marks:
        x = float(f.x(t))
        out.append(f'<line class="grid" x1="{x:.1f}" y1="{TOP}" x2="{x:.1f}" y2="{TOP + PLOT_H}"/>'
                   f'<text class="tick" x="{x:.1f}" y="{TOP + PLOT_H + 14}" text-anchor="middle">{text}</text>')
    share = FLOW_SHARE if storm is not None else 1.0
    for q in ticks(f.qmin, f.qmin + (f.qmax - f.qmin) * share * 1.05, 5):
        y = float(f.yq(q))
        out.append(f'<line class="grid" x1="{LEFT}" y1="{y:.1f}" x2="{LEFT + PLOT_W}" y2="{y:.1f}"/>'
                   f'<text class="tick" x="{LEFT - 5}" y="{y + 4:.1f}" text-anchor="end">{label(q)}</text>')
    out.append(f'<text class="axis" x="{LEFT + PLOT_W / 2:.0f}" y="{HEIGHT - 8}" text-anchor="middle">'
               f'{time_title}</text>')
    out.append(f'<text class="axis" transform="translate(16,{TOP + PLOT_H / 2:.0f}) rotate(-90)" '
               f'text-anchor="middle">Flow ({unit(h.units, "flow")})</text>')
    if storm is not None:
        for i in ticks(0.0, f.imax * RAIN_SHARE * 1.05, 3):
            y = float(f.yi(i))
            out.append(f'<text class="tick rain" x="{LEFT + PLOT_W + 5}" y="{y + 4:.1f}">{label(i)}</text>')
        out.append(f'<text class="axis rain" transform="translate({WIDTH - 14},{TOP + PLOT_H / 2:.0f}) rotate(90)" '
                   f'text-anchor="middle">Rainfall intensity ({unit(h.units, "intensity")})</text>')
    return out


def _hyetograph(f: Frame, h: Hydrograph, storm: Storm) -> str:
    starts = h.start_hours + storm.times
    x, heights, width = column_max(starts, finite(storm.intensities), storm.dt_hours, PLOT_W)
    left, w = f.x(x), max(width / (f.t1 - f.t0) * PLOT_W, 0.5)
    # One path for all bars: a few kilobytes even for a record of years.
    bars = "".join(f"M{a:.1f} {TOP}h{w:.1f}v{b - TOP:.1f}h{-w:.1f}z" for a, b in zip(left, f.yi(heights)) if b > TOP)
    return f'<path class="hyetograph" d="{bars}"/>' if bars else ""


def figure_svg(h: Hydrograph, storm: Optional[Storm], title: str, peak_text: str) -> str:
    """The figure as an <svg> element (no XML prolog: it goes inline)."""
    flows = finite(h.flows)  # below zero (a diversion's remainder) gets room under the axis
    f = _frame(h, flows, storm)
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {WIDTH} {HEIGHT}" role="img" '
             f'aria-label="{escape(title)}">', f'<title>{escape(title)}</title>']
    parts += _axes(f, h, storm)
    if storm is not None and len(storm.intensities):
        parts.append(_hyetograph(f, h, storm))
    if len(flows):
        t, q = min_max(h.times, flows, PLOT_W)
        parts.append(f'<polyline class="flow" points="{_points(f.x(t), f.yq(q))}"/>')
        at = int(np.argmax(flows))
        px, py = float(f.x(h.times[at])), float(f.yq(flows[at]))
        anchor = "end" if px > LEFT + PLOT_W * 0.7 else "start"
        dx = -8 if anchor == "end" else 8
        parts.append(f'<circle class="peak" cx="{px:.1f}" cy="{py:.1f}" r="4"/>'
                     f'<text class="peak" x="{px + dx:.1f}" y="{max(py - 8, TOP + 12):.1f}" '
                     f'text-anchor="{anchor}">{escape(peak_text)}</text>')
    parts.append(f'<text class="title" x="{LEFT}" y="{TOP - 12}">{escape(title)}</text>')
    parts.append("</svg>")
    return "".join(parts)


def produced(hydrographs: Sequence[Hydrograph]) -> List[Hydrograph]:
    """The hydrographs commands produced, without the inputs a routing or
    sum command repeats on its summary lines (where the package marks them)."""
    return [h for h in hydrographs if getattr(h, "produced", True)]


def storm_for(h: Hydrograph, storms: Sequence[Storm]) -> Optional[Storm]:
    """The storm a hydrograph came from: the one its own runoff command
    used, else (for hydrographs made from others) the last storm a runoff
    command of the same run used before it; None when no runoff command ran
    before it."""
    best: Optional[Tuple[int, Storm]] = None
    for s in storms:
        if s.run == h.run and s.command <= h.command and (best is None or s.command >= best[0]):
            best = (s.command, s)
    return best[1] if best else None
