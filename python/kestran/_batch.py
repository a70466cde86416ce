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
    ``inputs``.

    Each input is a file or a command text, as for :func:`run`, and runs
    in its own work directory: ``root/study-00000``... when ``root`` is
    given, a new temporary directory otherwise. ``options`` go to every
    study. Without ``client`` the studies run on ``workers`` threads (all
    cores by default); with a ``dask.distributed.Client`` each study is one
    task on the cluster (``workers`` is then the cluster's business) and
    kestran must be importable on the workers. Results carry their
    hydrographs only when ``hydrographs`` is True, to keep batches light.
    A study that cannot start raises its exception here.
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
        for done in as_completed(futures):
            bar.update(1)
            if done.exception() is not None:
                for f in futures:
                    f.cancel()
                break
        return [f.result() for f in futures]


def _one(study: PathLike, workdir: Optional[str], **options: Any) -> Run:
    return run(study, workdir, **options)


def _on_cluster(client: Any, task: Any, studies: list, dirs: list, progress: bool) -> List[Run]:
    from distributed import as_completed as completed
    futures = client.map(task, studies, dirs, pure=False)
    with _bar(len(studies), progress) as bar:
        for _ in completed(futures):
            bar.update(1)
    return client.gather(futures)
