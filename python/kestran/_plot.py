"""Hydrograph plots with matplotlib. Figures are made without pyplot, so
they need no display and leave pyplot's state alone: save them with
``fig.savefig("q.png")`` (Agg), or show them in a notebook."""

from __future__ import annotations

from typing import Any, List, Union

import numpy as np

from ._header import read_header
from ._results import Hydrograph, Run
from ._svg import FLOW_SHARE, RAIN_SHARE, clock, origin, produced, storm_for, unit

Which = Union[Hydrograph, int, str]


def find(run: Run, which: Which) -> Hydrograph:
    """A hydrograph of the run: the object itself, or its reference (NHYD
    number or name); when several commands made one with the reference,
    the last one."""
    if isinstance(which, Hydrograph):
        return which
    if isinstance(which, bool) or not isinstance(which, (int, str)):
        raise TypeError(f"which must be a Hydrograph, an NHYD number or a name, not {type(which).__name__}")
    key = which.strip() if isinstance(which, str) else which
    found = [h for h in produced(run.hydrographs)
             if h.reference == key or (isinstance(key, str) and str(h.reference) == key)]
    if not found:
        known = ", ".join(dict.fromkeys(str(h.reference) for h in run.hydrographs)) or "none"
        raise KeyError(f"no hydrograph {which!r} in this run (hydrographs: {known})")
    return found[-1]


def _new_axes(ax: Any, size: tuple) -> Any:
    if ax is not None:
        return ax
    from matplotlib.figure import Figure
    return Figure(figsize=size, layout="constrained").add_subplot()


def plot(run: Run, which: Which, ax: Any = None) -> Any:
    """Flow against time with the peak marked and labelled, the storm's
    hyetograph as bars hanging from the top on a second axis. Returns the
    matplotlib Figure."""
    h = find(run, which)
    ax = _new_axes(ax, (9, 4.5))
    flow, depth = unit(h.units, "flow"), unit(h.units, "intensity")
    storm = storm_for(h, run.storms)
    start = origin(h, storm)

    def when(hours: np.ndarray) -> np.ndarray:
        """Run clock hours as dates when the storm has one."""
        if start is None:
            return hours
        return np.datetime64(start, "ms") + np.round(np.asarray(hours) * 3.6e6).astype("timedelta64[ms]")

    times = when(h.times)
    ax.plot(times, h.flows, color="#c0392b", linewidth=1.2, label=f"{h.reference} (ID {h.id:02d})")
    if len(h.flows):
        at = int(np.argmax(h.flows))
        ax.plot([times[at]], [h.flows[at]], "o", color="#c0392b")
        ax.annotate(f"Peak {h.peak:.3f} {flow}\nat {clock(h.peak_hours)} h",
                    (times[at], h.flows[at]), xytext=(8, 4), textcoords="offset points", fontweight="bold")
    peak = float(np.max(h.flows)) if len(h.flows) else 0.0
    ax.set_ylim(0.0, (peak / (FLOW_SHARE if storm is not None else 0.9)) or 1.0)
    if storm is not None and len(storm.intensities):
        rain = ax.twinx()
        width = storm.dt_hours / 24.0 if start is not None else storm.dt_hours  # dates count in days
        rain.bar(when(h.start_hours + storm.times), storm.intensities, width=width, align="edge",
                 color="#5b9bd5", alpha=0.7, label=storm.title or "storm")
        rain.set_ylim(max(float(np.max(storm.intensities)), 1e-6) / RAIN_SHARE, 0.0)  # bars hang from the top
        rain.set_ylabel(f"Rainfall intensity ({depth})")
    ax.set_xlabel("Time on the run clock (h)" if start is None else "Date and time")
    ax.set_ylabel(f"Flow ({flow})")
    title = read_header(run.summary_output).title
    ax.set_title(f"{title}\n{h.run:03d}:{h.command:04d} {' '.join(h.label.split())} {h.reference}")
    ax.grid(True, color="#e6e6e6")
    return ax.figure


def plot_summary(run: Run, ax: Any = None) -> Any:
    """The peaks of all the run's hydrographs side by side, one bar each in
    the order the commands made them (an input a command repeats is not
    drawn again). Returns the matplotlib Figure."""
    hydrographs: List[Hydrograph] = produced(run.hydrographs)
    ax = _new_axes(ax, (9, max(2.5, 0.3 * len(hydrographs) + 1.2)))
    names = [f"{h.run:03d}:{h.command:04d} {' '.join(h.label.split())} {h.reference}" for h in hydrographs]
    peaks = [h.peak for h in hydrographs]
    at = np.arange(len(peaks))
    ax.barh(at, peaks, color="#c0392b")
    ax.set_yticks(at, names)
    ax.invert_yaxis()
    for y, p in zip(at, peaks):
        ax.annotate(f"{p:.3f}", (p, y), xytext=(3, 0), textcoords="offset points", va="center")
    ax.set_xlim(0.0, max(peaks, default=0.0) * 1.15 or 1.0)  # room for the labels
    ax.set_xlabel(f"Peak flow ({unit(run.units, 'flow')})")
    ax.set_title(f"{read_header(run.summary_output).title}: peak flows")
    return ax.figure

