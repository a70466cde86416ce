"""``python3 -m kestran [INPUT | --help | --version]``: the program itself,
with its exit status, windows on standard output and standard error."""

import sys
from typing import List, Optional

from . import _core


def main(argv: Optional[List[str]] = None) -> int:
    args = sys.argv[1:] if argv is None else argv
    # Python's buffered text must come out before the engine's lines.
    sys.stdout.flush()
    sys.stderr.flush()
    return _core.console_main(["kestran", *args])


if __name__ == "__main__":
    sys.exit(main())
