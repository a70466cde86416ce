"""Thinning long series to what a screen can show: a 12-year hourly record
has some 105,000 ordinates for a figure some 800 pixels wide. Each pixel
column keeps its lowest and its highest ordinate, in time order, so every
peak (and every trough) is drawn at its true height and time."""

from __future__ import annotations

from typing import Tuple

import numpy as np


def _columns(x: np.ndarray, columns: int) -> np.ndarray:
    """Index of the first point of each non-empty pixel column (x ascending)."""
    span = float(x[-1] - x[0])
    if span <= 0.0:
        return np.array([0])
    edges = x[0] + span * np.arange(columns) / columns
    starts = np.unique(np.searchsorted(x, edges, side="left"))
    return starts[starts < len(x)]


def _first_where(mask: np.ndarray, starts: np.ndarray) -> np.ndarray:
    """Per column, the index of its first point where mask holds (one
    exists in every column)."""
    hits = np.flatnonzero(mask)
    column = np.searchsorted(starts, hits, side="right") - 1
    _, first = np.unique(column, return_index=True)
    return hits[first]


def min_max(x: np.ndarray, y: np.ndarray, columns: int) -> Tuple[np.ndarray, np.ndarray]:
    """The points of (x, y) kept for a figure `columns` pixels wide: all of
    them when there are few, else the lowest and highest of each column."""
    x = np.asarray(x, dtype=np.float64)
    y = np.asarray(y, dtype=np.float64)
    if len(x) <= 2 * max(columns, 1):
        return x, y
    starts = _columns(x, columns)
    counts = np.diff(np.append(starts, len(x)))
    low = _first_where(y == np.repeat(np.minimum.reduceat(y, starts), counts), starts)
    high = _first_where(y == np.repeat(np.maximum.reduceat(y, starts), counts), starts)
    keep = np.unique(np.concatenate([low, high, [0, len(x) - 1]]))
    return x[keep], y[keep]


def column_max(x: np.ndarray, y: np.ndarray, width: float, columns: int) -> Tuple[np.ndarray, np.ndarray, float]:
    """Bars of a hyetograph for a figure `columns` pixels wide: each bar of
    the given width as it is when there are few, else one bar per column
    holding the most intense step that falls in it. Returns the bar starts,
    heights and the common bar width."""
    x = np.asarray(x, dtype=np.float64)
    y = np.asarray(y, dtype=np.float64)
    if len(x) <= max(columns, 1):
        return x, y, width
    starts = _columns(x, columns)
    span = float(x[-1] + width - x[0])
    return x[starts], np.maximum.reduceat(y, starts), span / columns
