"""``python3 -m kestran [INPUT | --help | --version]``: the program itself,
with its exit status, windows on standard output and standard error.
``python3 -m kestran report INPUT [-o report.html]``: runs the study and
writes its HTML report."""

import argparse
import os
import sys
from pathlib import Path
from typing import List, Optional

from . import _core


def report_main(args: List[str]) -> int:
    """Runs a study into a folder beside the report ("<report>_files": the
    outputs, counter and side files) and writes the report, which links to
    them. Exit status: 0, 1 when the run ended on an error (the report is
    written all the same), 2 when the study could not start."""
    parser = argparse.ArgumentParser(prog="python3 -m kestran report",
                                     description="Runs a study and writes its report as one HTML page.")
    parser.add_argument("input", help="the command input file")
    parser.add_argument("-o", "--output", default="report.html", help="the report (default: report.html)")
    parser.add_argument("--workdir", help="where the run's outputs go (default: <report>_files beside the report)")
    parser.add_argument("--no-csv", action="store_true", help="do not export the hydrographs as CSV files")
    options = parser.parse_args(args)
    from ._report import report
    from ._study import run
    output = Path(options.output)
    workdir = Path(options.workdir) if options.workdir else output.parent / f"{output.stem}_files"
    try:
        # The program's own pin of the date and time, for outputs to compare.
        result = run(options.input, workdir, clock=os.environ.get("KESTRAN_FIXED_CLOCK") or None)
        written = report(result, output, csv=not options.no_csv)
    except (OSError, TypeError, ValueError) as e:
        print(f"kestran report: {e}", file=sys.stderr)
        return 2
    print(f"Report: {written}")
    return 0 if result.ok else 1


def main(argv: Optional[List[str]] = None) -> int:
    args = sys.argv[1:] if argv is None else argv
    if len(args) > 1 and args[0] == "report":
        return report_main(args[1:])
    # Python's buffered text must come out before the engine's lines.
    sys.stdout.flush()
    sys.stderr.flush()
    return _core.console_main(["kestran", *args])


if __name__ == "__main__":
    sys.exit(main())
