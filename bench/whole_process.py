"""Whole-process timing of two studies: a single design-storm event and a
12-year hourly continuous study with routing.

    /usr/bin/python3 bench/whole_process.py [--binary build/kestran]
        [--runs 200] [--keep DIR]

Each study is written to its own scratch folder (the 12-year record of hourly
rainfall is generated there, deterministically, at every call), run once to
warm the file cache, then run --runs times. For every run the child's wall
time, user+sys CPU time and peak resident set (from wait4, the getrusage of
that one child, in the small launcher bench/spawn_runs.c) are taken; the medians and the largest peak are reported.
With --keep DIR the outputs of the last run of each study are copied to DIR,
so that two builds can be compared byte for byte (the date, time and run
counter lines excepted).
"""

from __future__ import annotations

import argparse
import datetime
import os
import random
import shutil
import statistics
import subprocess
import tempfile

EVENT = """\
 2                  Metric input data
START               TZERO=[2011.09150600], METOUT=[2], NSTORM=[0], NRUN=[1]
CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[10], OPTION=[1]
                    A=[1000], B=[6], C=[0.8]
DESIGN STANDHYD     ID=[1], NHYD=["URBAN"], DT=[5], AREA=[12], XIMP=[0.35],
                    TIMP=[0.5], DWF=[0], LOSS=[2], CN=[80], SLOPE=[1.5], RAIN=[-1]
SAVE HYD            ID=[1], PCYC=[1], NAMEmode=[0]
                    Urban runoff of the design storm
FINISH
"""

CONTINUOUS = """\
 2                  Metric input data
START               TZERO=[0], METOUT=[2], NSTORM=[0], NRUN=[1]
READ AES DATA       STN=[0], DATATYPE=[123], START=[2000.0101],
                    END=[2011.1231], "rain.aes"
COMPUTE API         APII=[10], APIK=[0.9]
CONTINUOUS NASHYD   ID=[1], NHYD=["RURAL"], DT=[60], AREA=[100], BASE=[0], CN=[75],
                    IA=[-1], N=[3], TP=[3], IAREC=[6], SMIN=[25], SMAX=[65],
                    SK=[0.1], IET=[12], GW=[-1], RAIN=[-1]
CONTINUOUS STANDHYD ID=[2], NHYD=["URBAN"], DT=[60], AREA=[10], XIMP=[0.3],
                    TIMP=[0.5], DWF=[0], LOSS=[2],
                    CN=[80], IAPER=[0.2], SLPP=[2], LGP=[40], MNP=[0.25], SCP=[0],
                    IAIMP=[0.03], SLPI=[1], LGI=[200], MNI=[0.013], SCI=[0],
                    IARECPER=[6], IARECIMP=[2],
                    SMIN=[25], SMAX=[100], SK=[0.05], IET=[12], RAIN=[-1]
ADD HYD             IDout=[3], NHYD=["SUM"], IDin=[1,2]
ROUTE RESERVOIR     IDout=[4], NHYD=["POND"], IDin=[3], RDT=[60],
                    [OUTFLOW, STORAGE]=[0, 0,  0.5, 2,  1.5, 5,  3, 9,
                    -1, -1], IDovf=[0], NHYDovf=[0]
SAVE HYD            ID=[4], PCYC=[1], NAMEmode=[0]
                    Outlet of the twelve-year study
FINISH
"""


def hourly_records(path: str) -> None:
    """Twelve years (2000-2011) of daily records of hourly rainfall in tenths
    of a millimetre: about one day in eight wet, a few missing hours."""
    rng = random.Random(16)
    day = datetime.date(2000, 1, 1)
    with open(path, "w", encoding="ascii") as f:
        while day.year < 2012:
            wet = rng.random() < 0.12
            hours = []
            for _ in range(24):
                v = rng.randint(1, 40) if wet and rng.random() < 0.4 else 0
                if rng.random() < 0.0005:
                    v = -99999
                hours.append(v)
            f.write("%7d%4d%2d%2d%3d" % (6158355, day.year, day.month, day.day, 123))
            f.write("".join("%6d " % v for v in hours) + "\n")
            day += datetime.timedelta(days=1)


def launcher(root: str) -> str:
    """Builds bench/spawn_runs.c (static when the C library allows it)."""
    source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "spawn_runs.c")
    exe = os.path.join(root, "spawn_runs")
    for flags in (["-static"], []):
        if subprocess.run(["cc", "-O2", *flags, "-o", exe, source]).returncode == 0:
            return exe
    raise SystemExit("cannot build bench/spawn_runs.c")


def timed_runs(spawn: str, binary: str, folder: str, name: str, runs: int):
    out = subprocess.run([spawn, str(runs), binary, name], cwd=folder, check=True,
                         capture_output=True, text=True).stdout.split("\n")
    rows = [list(map(int, line.split())) for line in out if line.strip()]
    if any(r[3] != 0 for r in rows):
        raise SystemExit(f"{name}: a run ended with a non-zero exit status")
    return [r[0] / 1e9 for r in rows], [r[1] / 1e9 for r in rows], [r[2] for r in rows]


def study(spawn: str, binary: str, root: str, name: str, text: str, runs: int, keep: str | None):
    folder = os.path.join(root, name)
    os.makedirs(folder)
    with open(os.path.join(folder, name + ".dat"), "w", encoding="ascii") as f:
        f.write(text)
    if "rain.aes" in text:
        hourly_records(os.path.join(folder, "rain.aes"))
    timed_runs(spawn, binary, folder, name + ".dat", 1)
    walls, cpus, peaks = timed_runs(spawn, binary, folder, name + ".dat", runs)
    if keep:
        out = os.path.join(keep, name)
        os.makedirs(out, exist_ok=True)
        for entry in os.listdir(folder):
            if entry not in ("rain.aes", "kestran.CNT"):
                shutil.copy(os.path.join(folder, entry), out)
    print(f"{name:11s} runs={runs:4d}  wall median {statistics.median(walls) * 1e3:7.2f} ms"
          f"  (min {min(walls) * 1e3:6.2f})  user+sys median {statistics.median(cpus) * 1e3:7.2f} ms"
          f"  peak RSS {max(peaks) / 1024:5.2f} MiB")


def main() -> None:
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", default=os.path.join(here, "..", "build", "kestran"))
    ap.add_argument("--runs", type=int, default=200)
    ap.add_argument("--keep", default=None)
    args = ap.parse_args()
    binary = os.path.abspath(args.binary)
    print(f"load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} cores")
    with tempfile.TemporaryDirectory() as root:
        spawn = launcher(root)
        study(spawn, binary, root, "event", EVENT, args.runs, args.keep)
        study(spawn, binary, root, "continuous", CONTINUOUS, max(args.runs // 4, 5), args.keep)


if __name__ == "__main__":
    main()
