#!/usr/bin/env python3
"""Opens the HTML report of every example map in headless Chromium, offline and with scripts
switched off, and checks that it loads without a console message of error or warning level,
without a single request beyond the file itself, and without running anything; that every label
lies inside its rectangle as the browser draws it (in the treemaps and in the address bars); that
every rectangle carries its bytes and a title; that the maps whose memory regions are known get
an address bar for program and for data memory; and that a hostile object name stays text.
Takes a screenshot of each page.

Usage: html_in_chromium.py TALLYFOLD-REPORT EXAMPLES-DIR OUT-DIR [--screenshot PNG]
  TALLYFOLD-REPORT  the command-line report, which writes each page with --output
  --screenshot copies the picture of weather-station.map there (the README's picture)

Chromium is driven over its DevTools pipe (--remote-debugging-pipe: JSON messages ending in a
NUL byte on file descriptors 3 and 4), so nothing but the Python standard library is needed.
"""

import base64
import fcntl
import json
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

HOSTILE_NAME = "<img src=x onerror=alert(1)>.obj"
VIEWPORT = {"width": 1100, "height": 960, "deviceScaleFactor": 1, "mobile": False}

# Runs in the page through DevTools (page scripts stay off): what the browser made of it.
INSPECT = r"""(() => {
  const problems = [];
  const rects = [...document.querySelectorAll('svg.treemap rect, svg.addressbar rect')];
  for (const r of rects) {
    const title = r.querySelector(':scope > title');
    if (!r.hasAttribute('data-bytes') || !title || !title.textContent)
      problems.push('a rectangle without data-bytes or title');
  }
  for (const svg of document.querySelectorAll('svg.treemap, svg.addressbar')) {
    const drawn = [...svg.children];
    drawn.forEach((text, at) => {
      if (text.tagName !== 'text') return;
      let owner = at - 1;
      while (owner >= 0 && drawn[owner].tagName !== 'rect') owner--;
      const r = drawn[owner];
      const b = text.getBBox();
      const x = +r.getAttribute('x'), y = +r.getAttribute('y');
      const w = +r.getAttribute('width'), h = +r.getAttribute('height');
      if (b.x < x || b.y < y || b.x + b.width > x + w || b.y + b.height > y + h)
        problems.push('label "' + text.textContent + '" leaves its rectangle');
      // Nothing drawn later (the rectangle's own pieces) may cover it.
      for (const later of drawn.slice(at + 1)) {
        if (later.tagName !== 'rect') continue;
        const lx = +later.getAttribute('x'), ly = +later.getAttribute('y');
        const lw = +later.getAttribute('width'), lh = +later.getAttribute('height');
        if (b.x < lx + lw && lx < b.x + b.width && b.y < ly + lh && ly < b.y + b.height)
          problems.push('label "' + text.textContent + '" is covered');
      }
    });
  }
  return {
    problems,
    treemaps: document.querySelectorAll('svg.treemap').length,
    bars: document.querySelectorAll('svg.addressbar').length,
    rectangles: rects.length,
    labels: document.querySelectorAll('svg.treemap text').length,
    elements: [...new Set([...document.querySelectorAll('*')].map(e => e.localName))].sort(),
    titles: [...document.querySelectorAll('svg.treemap title')].map(t => t.textContent),
    cells: [...document.querySelectorAll('td')].map(td => td.textContent),
  };
})()"""


class Browser:
    def __init__(self, executable, log_path):
        self.profile = tempfile.TemporaryDirectory(prefix="tallyfold-chromium-")
        to_child, self.commands = self._pipe()
        self.replies, from_child = self._pipe()
        flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + self.profile.name, "--remote-debugging-pipe",
                 "about:blank"]
        self.pid = os.posix_spawn(executable, [executable] + flags, os.environ, file_actions=[
            (os.POSIX_SPAWN_OPEN, 1, str(log_path), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644),
            (os.POSIX_SPAWN_DUP2, 1, 2),
            (os.POSIX_SPAWN_DUP2, to_child, 3),
            (os.POSIX_SPAWN_DUP2, from_child, 4),
        ])
        os.close(to_child)
        os.close(from_child)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.call("Target.attachToTarget",
                                 {"targetId": target, "flatten": True})["sessionId"]

    @staticmethod
    def _pipe():
        # Both ends well above 4, so that placing the child's ends on 3 and 4 clobbers nothing.
        ends = []
        for fd in os.pipe():
            ends.append(fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10))
            os.close(fd)
        return ends

    def call(self, method, params=None, session=None, timeout=60):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read(deadline)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]
            if "method" in reply:
                self.events.append(reply)

    def page(self, method, params=None):
        return self.call(method, params, self.session)

    def wait_for(self, event, timeout=60):
        deadline = time.monotonic() + timeout
        while not any(e["method"] == event for e in self.events):
            reply = self._read(deadline)
            if "method" in reply:
                self.events.append(reply)

    def _read(self, deadline):
        while b"\0" not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.replies], [], [], left)[0]:
                raise TimeoutError("Chromium did not answer in time")
            chunk = os.read(self.replies, 1 << 20)
            if not chunk:
                raise RuntimeError("Chromium closed its DevTools pipe")
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def close(self):
        try:
            self.call("Browser.close", timeout=10)
        except (RuntimeError, TimeoutError, OSError):
            os.kill(self.pid, 9)
        os.waitpid(self.pid, 0)
        self.profile.cleanup()


def complaints(events, url):
    """Console messages of error or warning level, requests for anything but the page, dialogs."""
    found = []
    for event in events:
        method, params = event["method"], event.get("params", {})
        if method == "Network.requestWillBeSent" and params["request"]["url"] != url:
            found.append("request: " + params["request"]["url"])
        elif method == "Log.entryAdded" and params["entry"]["level"] in ("error", "warning"):
            found.append("console: " + params["entry"]["text"])
        elif method == "Runtime.consoleAPICalled" and params["type"] in ("error", "warning",
                                                                          "assert"):
            found.append("console: " + json.dumps(params["args"]))
        elif method == "Runtime.exceptionThrown":
            found.append("exception: " + json.dumps(params["exceptionDetails"]))
        elif method == "Page.javascriptDialogOpening":
            found.append("dialog: " + params["message"])
    return found


def check_page(browser, html_path, png_path):
    url = html_path.resolve().as_uri()
    browser.events = []
    browser.page("Page.navigate", {"url": url})
    browser.wait_for("Page.loadEventFired")
    result = browser.page("Runtime.evaluate", {"expression": INSPECT, "returnByValue": True})
    if "exceptionDetails" in result:
        raise RuntimeError("inspection failed: " + json.dumps(result["exceptionDetails"]))
    seen = result["result"]["value"]
    shot = browser.page("Page.captureScreenshot", {"format": "png"})
    png_path.write_bytes(base64.b64decode(shot["data"]))
    problems = complaints(browser.events, url) + seen["problems"]
    if seen["treemaps"] < 1 or seen["rectangles"] < 1 or seen["labels"] < 1:
        problems.append("no treemap drawn: " + json.dumps(seen))
    # Maps whose regions are known: their own -A class ranges, or the part an MPLINK map names.
    if html_path.stem in ("kiln-controller", "weather-station", "mplink-c18-data-logger") \
            and seen["bars"] != 2:
        problems.append("not one address bar for each of program and data memory")
    for element in ("script", "img", "iframe", "object", "embed", "link"):
        if element in seen["elements"]:
            problems.append("the page holds a <" + element + "> element")
    return seen, problems


def main():
    args = sys.argv[1:]
    screenshot = None
    if "--screenshot" in args:
        at = args.index("--screenshot")
        screenshot = Path(args[at + 1])
        del args[at:at + 2]
    if len(args) != 3:
        sys.exit(__doc__)
    tool, examples, out = Path(args[0]), Path(args[1]), Path(args[2])
    out.mkdir(parents=True, exist_ok=True)
    chromium = os.environ.get("CHROMIUM") or shutil.which("chromium")
    if not chromium:
        sys.exit("html_in_chromium: no chromium (scripts/bootstrap installs it)")

    # A map whose object is named like markup that would run a script if it were not text.
    odd = (examples / "odd-names.map").read_bytes()
    hostile_map = out / "hostile-name.map"
    hostile_map.write_bytes(odd.replace(b"C:\\src\\a,b.obj", HOSTILE_NAME.encode()))

    # Every example map but a failed link's, which is an error rather than a report.
    pages = [(m.stem, [m]) for m in sorted(examples.glob("*.map"))
             if b"Linker Error Map File" not in m.read_bytes()]
    pages.append(("hostile-name", [hostile_map]))
    pages.append(("blinky-changes", [examples / "blinky.map", examples / "blinky-v2.map"]))

    failures = 0
    browser = Browser(chromium, out / "chromium.log")
    try:
        for method in ("Page.enable", "Runtime.enable", "Log.enable", "Network.enable"):
            browser.page(method)
        browser.page("Emulation.setScriptExecutionDisabled", {"value": True})
        browser.page("Emulation.setDeviceMetricsOverride", VIEWPORT)
        for name, maps in pages:
            html = out / (name + ".html")
            # Maps are named from the folder above examples/, as a person would type them.
            names = [os.path.relpath(m, examples.parent) for m in maps]
            report = [str(tool.resolve()), "--format", "html", "--device", "map", "--output",
                      str(html.resolve())] + (["--diff"] if len(names) == 2 else []) + names
            # 3: the page is written, and says where the map's own figures disagree.
            if subprocess.run(report, cwd=examples.parent).returncode not in (0, 3):
                sys.exit(f"html_in_chromium: {' '.join(report)} failed")
            seen, problems = check_page(browser, html, out / (name + ".png"))
            if name == "hostile-name":
                if not any(t.startswith(HOSTILE_NAME + "\n") for t in seen["titles"]):
                    problems.append("the hostile name is not shown as text in a title")
                if HOSTILE_NAME not in seen["cells"]:
                    problems.append("the hostile name is not shown as text in the table")
            print(f"{name}: {seen['treemaps']} treemaps, {seen['bars']} address bars, "
                  f"{seen['rectangles']} rectangles, {seen['labels']} labels"
                  + ("" if not problems else ": FAILED"))
            for problem in problems:
                print("  " + problem)
            failures += bool(problems)
    finally:
        browser.close()
    if screenshot:
        shutil.copyfile(out / "weather-station.png", screenshot)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
