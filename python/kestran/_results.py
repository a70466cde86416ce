"""What a study returns: its status, messages, summary rows, hydrographs and
storms, in the output units of the run (named in each object's ``units``)."""

from __future__ import annotations

import enum
import pickle
from dataclasses import dataclass, field
from pathlib import Path
from typing import Any, Dict, List, Optional, Tuple

import numpy as np
import pandas as pd

_UNITS = {1: "imperial", 2: "metric"}

# The columns of the summary rows, in the order of the data frame.
_SUMMARY_COLUMNS = ("run", "command", "label", "marker", "id", "nhyd", "name", "area", "peak", "peak_hours",
                    "peak_date", "volume", "coefficient")


def units_name(code: int) -> Optional[str]:
    """1 -> "imperial", 2 -> "metric"; None when no output units were set."""
    return _UNITS.get(code)


class Severity(enum.IntEnum):
    """Severity of a message: an error ends the run."""

    NOTE = 0
    WARNING = 1
    ERROR = 2


@dataclass(frozen=True)
class Message:
    """A numbered message as written to the messages log."""

    run: int
    command: int  # command counter within the run, 0 before the first command
    number: int
    severity: Severity
    lines: Tuple[str, ...]

    @property
    def text(self) -> str:
        """The message lines, trailing blanks removed."""
        return "\n".join(line.rstrip() for line in self.lines)


@dataclass(eq=False)
class Hydrograph:
    """A hydrograph a command stored in a slot.

    ``flows`` are the ordinates with the baseflow (as hydrograph files list
    them), ``runoff`` the same without it; ordinate ``i`` is at
    ``start_hours + i * dt_hours`` on the run clock.
    """

    run: int
    command: int
    label: str
    id: int
    nhyd: int
    name: str
    dt_hours: float
    area: float
    base: float
    start_hours: float
    runoff: np.ndarray = field(repr=False)
    peak: float  # with baseflow, as on the summary line
    peak_hours: float
    volume: float  # runoff depth, in or mm, as on the summary line
    units: Optional[str]
    date: int = 0  # YYYYMMDD of the storm in force (day 0 of the run clock), 0 = none
    produced: bool = True  # False: an input whose summary line the command repeats

    @property
    def reference(self) -> Any:
        """NHYD, or the name when the hydrograph has one instead."""
        return self.nhyd if self.nhyd != 0 else self.name

    @property
    def dt_minutes(self) -> float:
        # In single precision, as the engine converts: 10 minutes read 10.0.
        return float(np.float32(self.dt_hours) * np.float32(60.0))

    @property
    def flows(self) -> np.ndarray:
        # The baseflow is added in single precision, as the engine adds it.
        return (self.runoff + np.float32(self.base)).astype(np.float64)

    @property
    def times(self) -> np.ndarray:
        """Time of each ordinate on the run clock, hours."""
        return self.start_hours + self.dt_hours * np.arange(len(self.runoff))

    def to_frame(self) -> pd.DataFrame:
        """The flows indexed by their time in hours."""
        frame = pd.DataFrame({"flow": self.flows, "runoff": self.runoff.astype(np.float64)},
                             index=pd.Index(self.times, name="hours"))
        frame.attrs["units"] = self.units
        return frame


@dataclass(eq=False)
class Storm:
    """The storm in force when a runoff command ran."""

    run: int
    command: int
    title: str
    date: int  # YYYYMMDD, 0 = none
    dt_hours: float
    intensities: np.ndarray = field(repr=False)  # in/hr or mm/hr
    depth: float  # in or mm
    units: Optional[str]

    @property
    def dt_minutes(self) -> float:
        # In single precision, as the engine converts: 10 minutes read 10.0.
        return float(np.float32(self.dt_hours) * np.float32(60.0))

    @property
    def times(self) -> np.ndarray:
        """Start of each step from the start of the storm, hours."""
        return self.dt_hours * np.arange(len(self.intensities))

    def to_frame(self) -> pd.DataFrame:
        frame = pd.DataFrame({"intensity": self.intensities}, index=pd.Index(self.times, name="hours"))
        frame.attrs["units"] = self.units
        return frame


class Run:
    """The result of one study. A run that ended on an error is a result
    too: ``ok`` is False and ``messages`` say why.

    In a batch (:func:`kestran.run_many`) a study that could not start at
    all (a missing input, a work directory that cannot be made, a bad
    option) is a result as well: ``status`` is :attr:`NOT_STARTED` (2),
    ``started`` and ``ok`` are False, ``error`` holds the exception that
    :func:`kestran.run` raised for it, and it has no messages, rows,
    hydrographs or files; ``workdir`` is the work directory it was given
    (None for a temporary one never made) and its outputs are None;
    ``to_csv``, ``header`` and :func:`kestran.report` raise RuntimeError.
    """

    #: ``status`` of a study that could not start (0: every run ended
    #: normally, 1: a run ended on an error).
    NOT_STARTED = 2

    def __init__(self, raw: Dict[str, Any], error: Optional[BaseException] = None) -> None:
        self.status: int = raw["status"]
        #: The exception that kept the study from starting; None when it ran.
        self.error: Optional[BaseException] = error
        self.units: Optional[str] = units_name(raw["units"])
        self.workdir: Optional[Path] = Path(raw["workdir"]) if raw["workdir"] else None
        self.detailed_output: Optional[Path] = Path(raw["detailed_output"]) if raw["detailed_output"] else None
        self.summary_output: Optional[Path] = Path(raw["summary_output"]) if raw["summary_output"] else None
        self.files: List[str] = list(raw["files"])
        self.messages: List[Message] = [
            Message(run, command, number, Severity(severity), tuple(lines))
            for run, command, number, severity, lines in raw["messages"]]
        self.hydrographs: List[Hydrograph] = [
            Hydrograph(units=self.units, **{k: v for k, v in h.items()}) for h in raw["hydrographs"]]
        self.storms: List[Storm] = [
            Storm(units=self.units, intensities=s["intensities"].astype(np.float64),
                  **{k: v for k, v in s.items() if k != "intensities"}) for s in raw["storms"]]
        self._rows: Dict[str, list] = raw["summary"]
        self._summary: Optional[pd.DataFrame] = None
        # The water balance of every command that produced or moved a
        # hydrograph (volumes in m3, losses by kind), and of each catchment
        # from its storm to the run's outlets.
        self.ledger: List[Dict[str, Any]] = list(raw.get("ledger", []))
        self.balance: List[Dict[str, Any]] = list(raw.get("balance", []))
        self._hydrograph_values: List[Dict[str, Any]] = list(raw["hydrographs"])
        self._units_code: int = raw["units"]

    @classmethod
    def not_started(cls, error: BaseException, workdir: Optional[str] = None) -> "Run":
        """The result of a study that could not start: ``error`` says why."""
        raw: Dict[str, Any] = {"status": cls.NOT_STARTED, "units": 0, "workdir": workdir or "",
                               "detailed_output": "", "summary_output": "", "files": [], "messages": [],
                               "hydrographs": [], "storms": [], "summary": {c: [] for c in _SUMMARY_COLUMNS},
                               "ledger": [], "balance": []}
        return cls(raw, error)

    @property
    def started(self) -> bool:
        """False for a study of a batch that could not start (see ``error``)."""
        return self.error is None

    @property
    def ok(self) -> bool:
        """True when every run of the study ended normally."""
        return self.status == 0

    def _require_started(self) -> None:
        if self.error is not None:
            raise RuntimeError(f"the study did not start: {self.error!r}") from self.error

    @property
    def storm(self) -> Optional[Storm]:
        """The storm of the last runoff command, None when none ran."""
        return self.storms[-1] if self.storms else None

    @property
    def errors(self) -> List[Message]:
        return [m for m in self.messages if m.severity == Severity.ERROR]

    @property
    def header(self) -> Any:
        """The run header the outputs print (a RunHeader): date, time, run
        counter, file names and user comments."""
        from ._header import read_header
        self._require_started()
        return read_header(self.summary_output)

    def plot(self, which: Any, ax: Any = None) -> Any:
        """A hydrograph (a Hydrograph, or its NHYD number or name) with its
        storm's hyetograph, as a matplotlib Figure."""
        from ._plot import plot
        return plot(self, which, ax)

    def plot_summary(self, ax: Any = None) -> Any:
        """The peaks of all hydrographs compared, as a matplotlib Figure."""
        from ._plot import plot_summary
        return plot_summary(self, ax)

    @property
    def summary(self) -> pd.DataFrame:
        """One row per summary line: area, peak (with baseflow), time of
        peak, runoff volume and coefficient (NaN where the line has none)."""
        if self._summary is None:
            frame = pd.DataFrame(self._rows)
            frame["coefficient"] = frame["coefficient"].astype(np.float64)
            frame.attrs["units"] = self.units
            self._summary = frame
        return self._summary

    def to_csv(self, directory: Any) -> List[str]:
        """Writes one CSV file per hydrograph a command produced, summary.csv,
        ledger.csv and balance.csv into ``directory`` (the writer of
        ``kestran --csv``); returns the paths written. A run made with
        ``hydrographs=False`` writes the tables only."""
        from . import _core
        self._require_started()
        assert self.detailed_output is not None
        raw = {"units": self._units_code, "summary": self._rows, "hydrographs": self._hydrograph_values,
               "ledger": self.ledger, "balance": self.balance}
        return list(_core.write_csv(str(directory), self.detailed_output.stem, raw))

    def __getstate__(self) -> Dict[str, Any]:
        state = dict(self.__dict__)
        state["_summary"] = None  # rebuilt on demand from the rows
        if self.error is not None:
            # The reason travels from a cluster's worker even when the
            # exception itself cannot be pickled.
            try:
                pickle.dumps(self.error)
            except Exception:
                state["error"] = RuntimeError(f"{type(self.error).__name__}: {self.error}")
        return state

    def __repr__(self) -> str:
        if self.error is not None:
            return f"<kestran.Run not started: {self.error!r}>"
        return (f"<kestran.Run status={self.status} units={self.units} rows={len(self._rows['run'])} "
                f"hydrographs={len(self.hydrographs)} workdir='{self.workdir}'>")
