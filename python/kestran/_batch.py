"""Batches of studies: on every core with threads (the engine releases the
interpreter lock), or on a Dask distributed cluster, one task per study."""

from __future__ import annotations

import functools
import os
from concurrent.futures import ThreadPoolExecutor, as_completed
from pathlib import Path
from typing import Any, Iterable, List, Optional

from ._results import Run
from ._study import PathLike, run


def _workdirs(count: int, root: Optional[PathLike]) -> List[Optional[str]]:
    """Each study its own work directory, so none shares a run counter,
    messages log or storm file with another."""
    if root is None:
        return [None] * count  # each a new temporary directory
    base = Path(root).expanduser()
    if base.exists() and not base.is_dir():
        raise NotADirectoryError(f"root is not a directory: {base}")
    width = max(5, len(str(count)))
    return [str(base / f"study-{i:0{width}d}") for i in range(count)]


def _bar(total: int, progress: bool) -> Any:
    from tqdm import tqdm
    return tqdm(total=total, disable=not progress, unit="study", desc="kestran")


def run_many(inputs: Iterable[PathLike], workers: Optional[int] = None, client: Any = None,
             progress: bool = True, hydrographs: bool = False, root: Optional[PathLike] = None,
             **options: Any) -> List[Run]:
    """Runs a batch of studies; the results come back in the order of
    ``inputs``, one for every study.

    Each input is a file or a command text, as for :func:`run`, and runs
    in its own work directory: ``root/study-00000``... when ``root`` is
    given, a new temporary directory otherwise. ``options`` go to every
    study. Without ``client`` the studies run on ``workers`` threads (all
    cores by default); with a ``dask.distributed.Client`` each study is one
    task on the cluster (``workers`` is then the cluster's business) and
    kestran must be importable on the workers. Results carry their
    hydrographs only when ``hydrographs`` is True, to keep batches light.

    A study that cannot start (an input that is missing, a work directory
    that cannot be made or written, an option :func:`run` refuses; on a
    cluster also a task that failed or was lost) does not stop the others:
    its result has ``status`` ``Run.NOT_STARTED`` (2), ``ok`` and
    ``started`` False, and ``error`` holding the exception. Only a bad
    batch raises: ``workers`` below 1, a ``root`` that is a file.
    """
    studies = list(inputs)
    dirs = _workdirs(len(studies), root)
    task = functools.partial(_one, hydrographs=hydrographs, **options)
    if client is not None:
        return _on_cluster(client, task, studies, dirs, progress)
    count = workers if workers is not None else (os.cpu_count() or 1)
    if count < 1:
        raise ValueError(f"workers must be at least 1, not {count}")
    with ThreadPoolExecutor(max_workers=count) as pool, _bar(len(studies), progress) as bar:
        futures = [pool.submit(task, study, d) for study, d in zip(studies, dirs)]
        for _ in as_completed(futures):
            bar.update(1)
        return [f.result() for f in futures]


def _one(study: PathLike, workdir: Optional[str], **options: Any) -> Run:
    """One study of a batch: a study that cannot start is a result that says
    why, so that it costs the batch nothing but its own place."""
    try:
        return run(study, workdir, **options)
    except Exception as error:
        return Run.not_started(error, workdir)


def _failure(future: Any) -> BaseException:
    """Why a cluster task gave no result (it failed, was cancelled or lost)."""
    try:
        error = future.exception()
    except BaseException as cancelled:  # a cancelled future raises instead of answering
        return cancelled
    return error if error is not None else RuntimeError(f"the task ended as {future.status}")


def _on_cluster(client: Any, task: Any, studies: list, dirs: list, progress: bool) -> List[Run]:
    from distributed import as_completed as completed
    futures = client.map(task, studies, dirs, pure=False)
    with _bar(len(studies), progress) as bar:
        for _ in completed(futures):
            bar.update(1)
    finished = [f for f in futures if f.status == "finished"]
    try:
        gathered = dict(zip((f.key for f in finished), client.gather(finished)))
    except Exception:
        # A result lost between its end and the gathering: each is fetched
        # alone, so the loss of one costs only that one.
        gathered = {}
        for f in finished:
            try:
                gathered[f.key] = f.result()
            except Exception:
                pass
    return [gathered[f.key] if f.key in gathered else Run.not_started(_failure(f), d) for f, d in zip(futures, dirs)]
