"""The run header of a study as data: the date, time and run counter the
outputs print, the three file names and the user comments, read back from
the fixed layout of the summary output."""

from __future__ import annotations

import re
from dataclasses import dataclass, field
from pathlib import Path
from typing import List, Optional

_CLOCK = re.compile(r"^ \*\s+DATE: (\d{4}-\d\d-\d\d)\s+TIME: (\d\d:\d\d:\d\d)\s+RUN COUNTER: (\d{6})\s+\*$")
_FILE = re.compile(r"^ \* (Input  |Output |Summary) filename: (.{0,58})\*$")
_COMMENT = re.compile(r"^ \* ([1-3]):(.{74})\*$")


@dataclass(frozen=True)
class RunHeader:
    """What the header box of the outputs holds; empty texts when the
    summary output is missing or was cut short."""

    date: str = ""  # YYYY-MM-DD
    time: str = ""  # hh:mm:ss
    counter: str = ""  # six digits, as printed
    input: str = ""
    output: str = ""
    summary: str = ""
    comments: List[str] = field(default_factory=list)

    @property
    def title(self) -> str:
        """A one-line title: the input file's name and the first user comment."""
        return " - ".join(t for t in (Path(self.input).name if self.input else "", *self.comments[:1]) if t) \
            or "KESTRAN run"


def read_header(path: Optional[Path]) -> RunHeader:
    """The first header box of an output file (the study's header is
    written once, before its first run)."""
    if path is None or not path.is_file():
        return RunHeader()
    found = {"date": "", "time": "", "counter": "", "input": "", "output": "", "summary": ""}
    comments: List[str] = []
    names = {"Input  ": "input", "Output ": "output", "Summary": "summary"}
    with path.open(encoding="latin-1") as text:
        for number, line in enumerate(text):
            line = line.rstrip("\n")
            if (m := _CLOCK.match(line)) and not found["date"]:
                found["date"], found["time"], found["counter"] = m.groups()
            elif (m := _FILE.match(line)) and not found[names[m.group(1)]]:
                found[names[m.group(1)]] = m.group(2).strip()
            elif (m := _COMMENT.match(line)) and found["date"] and len(comments) < 3:
                # A blank comment line is printed as a row of underscores.
                comment = m.group(2).rstrip()
                comments.append("" if set(comment) == {"_"} else comment)
            if len(comments) == 3 or number > 80:  # the header ends well before
                break
    return RunHeader(comments=[c for c in comments if c], **found)
