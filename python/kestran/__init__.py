"""KESTRAN, the storm-water hydrology engine, as a Python package.

``kestran.run(input)`` runs one study (a command input file or the command
text) and returns its results as data; ``kestran.run_many(inputs)`` runs a
batch on every core, or on a Dask cluster. ``python3 -m kestran INPUT`` is
the program itself. ``kestran.report(run, path)`` (or ``python3 -m kestran
report INPUT -o report.html``) writes a run's report as one HTML page;
``Run.plot(which)`` and ``Run.plot_summary()`` draw with matplotlib.
"""

from ._batch import run_many
from ._core import StartError
from ._header import RunHeader
from ._report import report
from ._results import Hydrograph, Message, Run, Severity, Storm
from ._study import run

__version__ = "4.05"

__all__ = ["Hydrograph", "Message", "Run", "RunHeader", "Severity", "StartError", "Storm", "report", "run", "run_many",
           "__version__"]
