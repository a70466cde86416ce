"""One study: the call's arguments checked and turned into the engine's
options. A call that cannot start raises here, before the engine runs."""

from __future__ import annotations

import datetime as _dt
import errno
import os
from pathlib import Path
from typing import Optional, Tuple, Union

from . import _core
from ._results import Run

PathLike = Union[str, "os.PathLike[str]"]
ClockLike = Union[str, _dt.datetime, _dt.date]


def _path_option(name: str, value: Optional[PathLike]) -> Optional[str]:
    if value is None:
        return None
    if not isinstance(value, (str, os.PathLike)):
        raise TypeError(f"{name} must be a path, not {type(value).__name__}")
    path = Path(value).expanduser()
    if not path.exists():
        raise FileNotFoundError(errno.ENOENT, f"{name}: no such directory", str(path))
    if not path.is_dir():
        raise NotADirectoryError(errno.ENOTDIR, f"{name} is not a directory", str(path))
    return os.path.abspath(path)


def _clock(value: Optional[ClockLike]) -> Optional[Tuple[int, int, int, int, int, int]]:
    if value is None:
        return None
    if isinstance(value, str):
        try:
            value = _dt.datetime.strptime(value.strip(), "%Y-%m-%d %H:%M:%S")
        except ValueError:
            raise ValueError(f"clock must read \"YYYY-MM-DD hh:mm:ss\", not {value!r}") from None
    if isinstance(value, _dt.datetime):
        return (value.year, value.month, value.day, value.hour, value.minute, value.second)
    if isinstance(value, _dt.date):
        return (value.year, value.month, value.day, 0, 0, 0)
    raise TypeError(f"clock must be a datetime or \"YYYY-MM-DD hh:mm:ss\", not {type(value).__name__}")


def _input(value: PathLike) -> Tuple[str, str]:
    """(file, text): a str with a line break is the command text, any other
    str or path names the input file, which must exist."""
    if isinstance(value, str) and "\n" in value:
        if not value.strip():
            raise ValueError("the command text is empty")
        return "", value
    if not isinstance(value, (str, os.PathLike)):
        raise TypeError(f"input must be a path or the command text, not {type(value).__name__}")
    path = Path(value).expanduser()
    if str(value) == "":
        raise ValueError("input is empty: give an input file or the command text")
    if not path.exists():
        raise FileNotFoundError(errno.ENOENT, "input file not found", str(path))
    if path.is_dir():
        raise IsADirectoryError(errno.EISDIR, "input is a directory, not a command file", str(path))
    if not path.is_file():
        raise OSError(errno.EINVAL, "input is not a regular file", str(path))
    return str(path), ""


def _workdir(value: Optional[PathLike]) -> str:
    if value is None:
        return ""  # the engine makes a new directory under the temporary directory
    if not isinstance(value, (str, os.PathLike)):
        raise TypeError(f"workdir must be a path, not {type(value).__name__}")
    path = Path(value).expanduser()
    if path.exists():
        if not path.is_dir():
            raise NotADirectoryError(errno.ENOTDIR, "the work directory is a file", str(path))
        if not os.access(path, os.W_OK | os.X_OK):
            raise PermissionError(errno.EACCES, "the work directory cannot be written", str(path))
    return str(path)


def run(input: PathLike, workdir: Optional[PathLike] = None, *, base_dir: Optional[PathLike] = None,
        project_dir: Optional[PathLike] = None, rainfall_dir: Optional[PathLike] = None,
        clock: Optional[ClockLike] = None, hydrographs: bool = True, allow_outside_paths: bool = False) -> Run:
    """Runs one study and returns its results.

    ``input`` is a command input file, or the command text itself (a str
    with a line break). Every output and side file goes to ``workdir``
    (made when missing; default: a new temporary directory). ``base_dir`` is
    where the data files of a command text are (default: the work
    directory); ``project_dir`` and ``rainfall_dir`` override where names
    without a drive are looked for; ``clock`` ("YYYY-MM-DD hh:mm:ss" or a
    datetime) fixes the date and time the outputs print.

    Every file the run writes stays inside ``workdir`` and the project
    directory (where SAVE HYD files go): a file name in the study that leads
    out of them (``../``, an absolute path, a drive, a link pointing out) is
    refused with message 996 and the run ends on that error (``ok`` False).
    ``allow_outside_paths=True`` lets such names write where they lead, as
    the program on the command line does. Data files are read wherever the
    study names them.

    A run that ends on an error returns normally with ``ok`` False. A call
    that cannot start raises: FileNotFoundError (missing input or
    directory), NotADirectoryError (a work directory that is a file),
    OSError (a work directory that cannot be made or written), TypeError or
    ValueError (bad options).
    """
    file, text = _input(input)
    base = _path_option("base_dir", base_dir)
    project = _path_option("project_dir", project_dir)
    rainfall = _path_option("rainfall_dir", rainfall_dir)
    if file and base is not None:
        # For an input file the base directory stands in for both.
        project = base if project is None else project
        rainfall = base if rainfall is None else rainfall
    if not isinstance(allow_outside_paths, bool):
        raise TypeError(f"allow_outside_paths must be True or False, not {type(allow_outside_paths).__name__}")
    raw = _core.run(file, text, base or "", _workdir(workdir), project, rainfall, _clock(clock), bool(hydrographs),
                    allow_outside_paths)
    return Run(raw)
