"""Shared studies and a runner for the program itself, whose files the
package's results are compared with."""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
CLOCK = "2026-01-02 03:04:05"


def study(cn: float, depth_factor: float, metout: int = 2, dwf: float = 0.0) -> str:
    """A design study: a scaled Chicago storm over a rural and an urban
    catchment, the urban hydrograph saved to "URBAN.HYD"."""
    return (
        " 2\n"
        f"START               TZERO=[2011.09150600], METOUT=[{metout}], NSTORM=[0], NRUN=[1]\n"
        "CHICAGO STORM       IUNITS=[2], TD=[3], R=[0.4], DT=[10], OPTION=[1]\n"
        "                    A=[1000], B=[6], C=[0.8]\n"
        f"MODIFY STORM        ICASEms=[1], NSHIFT=[0], RFACT=[{depth_factor}]\n"
        "COMPUTE NASHYD      ID=[1], NHYD=[\"RURAL\"], DT=[5], AREA=[40], PRINT=[0,0], "
        f"CN=[{cn}], IA=[-1],\n"
        "                    N=[3], TP=[0.8], NRAIN=[0], RAIN=[-1]\n"
        f"DESIGN STANDHYD     ID=[2], NHYD=[202], DT=[5], AREA=[12], XIMP=[0.35], TIMP=[0.5], DWF=[{dwf}],\n"
        f"                    LOSS=[2], CN=[{cn}], SLOPE=[1.5], RAIN=[-1]\n"
        "SAVE HYD            ID=[2], PCYC=[1], NAMEmode=[-1], \"URBAN.HYD\", \"urban runoff\"\n"
        "FINISH\n")


@pytest.fixture
def program(tmp_path):
    """Runs the program on a command text in a folder of its own; returns
    the folder."""
    exe = str(Path(os.environ.get("KESTRAN_PROGRAM", ROOT / "build" / "kestran")).resolve())

    def run(text: str, name: str = "study.dat") -> Path:
        folder = tmp_path / "program"
        # The data files only: a counter left by an earlier run of the
        # examples would change the headers.
        shutil.copytree(EXAMPLES, folder, ignore=shutil.ignore_patterns("kestran.CNT", "*.out", "*.sum", "*.LOG"))
        (folder / name).write_text(text)
        done = subprocess.run([exe, name], cwd=folder, capture_output=True,
                              env={**os.environ, "KESTRAN_FIXED_CLOCK": CLOCK})
        assert done.returncode in (0, 1), done.stderr
        return folder
    return run
