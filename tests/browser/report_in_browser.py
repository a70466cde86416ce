"""The run report of the example study in a real browser: headless Chromium
driven over the DevTools protocol on a pipe (no network port, no package
beyond Debian's). The page must load without console errors, hold one
figure per hydrograph and one summary-table row per summary line of the
summary output, and its screenshot must not be blank.

Usage: report_in_browser.py PROGRAM_DIR OUT_DIR (the screenshot stays in
OUT_DIR as an artefact). Fails, never skips, when Chromium is missing."""

import base64
import io
import json
import os
import select
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BROWSERS = ("chromium", "chromium-browser")


class Browser:
    """Chromium with the DevTools protocol on file descriptors 3 (commands
    in) and 4 (replies and events out), messages ended by a NUL byte."""

    def __init__(self, exe: str, profile: Path) -> None:
        to_browser, self._write = os.pipe()
        self._read, from_browser = os.pipe()
        args = [exe, "--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--remote-debugging-pipe", "--no-first-run", "--no-default-browser-check",
                "--disable-extensions", "--disable-background-networking", "--hide-scrollbars",
                f"--user-data-dir={profile}", "--window-size=1000,1400", "about:blank"]

        def wire() -> None:  # in the child: the pipe ends on fds 3 and 4
            os.dup2(to_browser, 3)
            os.dup2(from_browser, 4)

        self.proc = subprocess.Popen(args, pass_fds=(3, 4), preexec_fn=wire, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.PIPE)
        os.close(to_browser)
        os.close(from_browser)
        self._buffer = b""
        self._next = 0
        self.events: list = []

    def _message(self, deadline: float) -> dict:
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._read], [], [], left)[0]:
                raise TimeoutError("no answer from the browser")
            chunk = os.read(self._read, 1 << 16)
            if not chunk:
                raise RuntimeError("the browser closed the pipe: " + self.proc.stderr.read().decode(errors="replace"))
            self._buffer += chunk
        text, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(text)

    def send(self, method: str, session: str = "", timeout: float = 30.0, **params) -> dict:
        self._next += 1
        message = {"id": self._next, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._write, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._message(deadline)
            if reply.get("id") == self._next:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.events.append(reply)

    def wait_for(self, method: str, timeout: float = 30.0) -> dict:
        deadline = time.monotonic() + timeout
        for i, e in enumerate(self.events):
            if e.get("method") == method:
                return self.events.pop(i)
        while True:
            event = self._message(deadline)
            if event.get("method") == method:
                return event
            self.events.append(event)

    def close(self) -> None:
        try:
            self.send("Browser.close", timeout=5.0)
        except Exception:  # already gone
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def summary_lines(path: Path) -> int:
    """Summary lines of a .sum file: the ID:NHYD colon in column 27 after a
    two-digit slot."""
    return sum(1 for line in path.read_text(encoding="latin-1").splitlines()
               if len(line) >= 79 and line[26] == ":" and line[24:26].isdigit())


def console_errors(events: list) -> list:
    errors = []
    for e in events:
        p = e.get("params", {})
        if e.get("method") == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert"):
            errors.append(str(p.get("args")))
        elif e.get("method") == "Runtime.exceptionThrown":
            errors.append(str(p.get("exceptionDetails")))
        elif e.get("method") == "Log.entryAdded" and p.get("entry", {}).get("level") == "error":
            errors.append(p["entry"].get("text", ""))
    return errors


def not_blank(png: bytes) -> bool:
    """More than one colour in quantity: a page that drew nothing is a
    single colour (white, or black for a crashed renderer)."""
    from PIL import Image
    image = Image.open(io.BytesIO(png)).convert("RGB")
    colours = image.getcolors(maxcolors=1 << 20) or []
    common = max(count for count, _ in colours) if colours else image.width * image.height
    return len(colours) > 8 and common < 0.98 * image.width * image.height


def main() -> int:
    program_dir, out = Path(sys.argv[1]), Path(sys.argv[2])
    exe = next((shutil.which(b) for b in BROWSERS if shutil.which(b)), None)
    if exe is None:
        print("FAIL: Chromium is not installed (scripts/setup.sh installs the Debian package chromium)")
        return 1
    # The study runs on a copy of the examples: SAVE HYD writes beside its input.
    shutil.rmtree(out, ignore_errors=True)
    shutil.copytree(ROOT / "examples", out / "study",
                    ignore=shutil.ignore_patterns("kestran.CNT", "*.out", "*.sum", "*.LOG", "*.sbo", "storage_study"))
    report = out / "report.html"
    env = {**os.environ, "PYTHONPATH": str(program_dir)}
    made = subprocess.run([sys.executable, "-m", "kestran", "report", str(out / "study" / "example.dat"), "-o",
                           str(report)], env=env, capture_output=True, text=True, timeout=120)
    if made.returncode != 0:
        print("FAIL: the report was not written:", made.stdout, made.stderr)
        return 1
    sys.path.insert(0, str(program_dir))
    import kestran
    # Inputs a routing command repeats on its summary lines are drawn once,
    # by the command that made them.
    made = kestran.run(out / "study" / "example.dat", out / "count").hydrographs
    hydrographs = sum(1 for h in made if getattr(h, "produced", True))
    expected_rows = summary_lines(out / "report_files" / "example.sum")

    browser = Browser(exe, out / "profile")
    try:
        target = browser.send("Target.createTarget", url="about:blank")["targetId"]
        session = browser.send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            browser.send(f"{domain}.enable", session)
        browser.send("Page.navigate", session, url=report.resolve().as_uri())
        browser.wait_for("Page.loadEventFired")

        def count(selector: str) -> int:
            found = browser.send("Runtime.evaluate", session, returnByValue=True,
                                 expression=f"document.querySelectorAll('{selector}').length")
            return int(found["result"]["value"])

        figures = count("figure.hydrograph svg polyline.flow")
        rows = count("table.summary tbody tr")
        shot = base64.b64decode(browser.send("Page.captureScreenshot", session, format="png")["data"])
        errors = console_errors(browser.events)
    finally:
        browser.close()
    (out / "report.png").write_bytes(shot)
    checks = [
        (not errors, f"console errors: {errors}"),
        (hydrographs > 0 and figures == hydrographs, f"{figures} figures for {hydrographs} hydrographs"),
        (expected_rows > 0 and rows == expected_rows, f"{rows} table rows for {expected_rows} summary lines"),
        (not_blank(shot), f"blank screenshot {out / 'report.png'}"),
    ]
    failed = [text for ok, text in checks if not ok]
    for text in failed:
        print("FAIL:", text)
    print(f"report {report}: {figures} figures, {rows} rows, screenshot {out / 'report.png'}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
