"""Studies per second: event studies (a sweep over curve numbers and storm
depths) one at a time, on threads and on a Dask LocalCluster of two workers.

    PYTHONPATH=build/python /usr/bin/python3 bench/batch_bench.py [--studies 1000]
"""

from __future__ import annotations

import argparse
import logging
import os
import tempfile
import time
from typing import Callable, List

import kestran
from kestran import _core


def study(cn: float, depth_factor: float) -> str:
    """A Chicago storm scaled by `depth_factor` over a rural catchment of
    curve number `cn`."""
    return (
        " 2\n"
        "START               TZERO=[2011.09150600], METOUT=[2], NSTORM=[0], NRUN=[1]\n"
        "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[10], OPTION=[1]\n"
        "                    A=[1000], B=[6], C=[0.8]\n"
        f"MODIFY STORM        ICASEms=[1], NSHIFT=[0], RFACT=[{depth_factor:.3f}]\n"
        f"COMPUTE NASHYD      ID=[1], NHYD=[101], DT=[5], AREA=[40], PRINT=[0,0], CN=[{cn:.1f}], IA=[-1],\n"
        "                    N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
        "FINISH\n")


def sweep(count: int) -> List[str]:
    cns = [50 + 45 * i / 39 for i in range(40)]
    factors = [0.5 + 1.5 * j / 24 for j in range(25)]
    return [study(cn, f) for cn in cns for f in factors][:count]


def timed(label: str, count: int, work: Callable[[], object]) -> float:
    start = time.perf_counter()
    work()
    seconds = time.perf_counter() - start
    print(f"{label:<40} {count / seconds:9.1f} studies/s   ({1000 * seconds / count:.3f} ms each)")
    return seconds


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--studies", type=int, default=1000)
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1, help="threads")
    args = parser.parse_args()
    studies = sweep(args.studies)
    n = len(studies)
    print(f"{n} event studies, {os.cpu_count()} cores")
    with tempfile.TemporaryDirectory(prefix="kestran-bench-") as root:
        # The engine's own call and the package's call, interleaved study by
        # study so that the machine's drift falls on both alike.
        engine = package = 0.0
        for i, s in enumerate(studies):
            start = time.perf_counter()
            _core.run("", s, "", f"{root}/e{i}", None, None, None, False)
            middle = time.perf_counter()
            kestran.run(s, f"{root}/s{i}", hydrographs=False)
            engine += middle - start
            package += time.perf_counter() - middle
        for label, seconds in (("engine call alone, one at a time", engine), ("kestran.run, one at a time", package)):
            print(f"{label:<40} {n / seconds:9.1f} studies/s   ({1000 * seconds / n:.3f} ms each)")
        timed(f"run_many, {args.workers} threads", n,
              lambda: kestran.run_many(studies, workers=args.workers, progress=False, root=f"{root}/t"))
        from distributed import Client, LocalCluster
        with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                          dashboard_address=None, silence_logs=logging.CRITICAL) as cluster, Client(cluster) as client:
            timed("run_many, Dask LocalCluster (2 workers)", n,
                  lambda: kestran.run_many(studies, client=client, progress=False, root=f"{root}/d"))
        print(f"package overhead per study: {1000 * (package - engine) / n:.3f} ms")


if __name__ == "__main__":
    main()
