"""Shared parts of the browser tests: `zentrik serve` started on a free loopback port with a
configuration of its own in a temporary folder, a headless chromium driven by selenium, and small
waiting and reading helpers."""

import importlib.util
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request

SKIP_EXIT = 77  # ctest's SKIP_RETURN_CODE for these tests
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
PROGRAM = os.environ.get("ZENTRIK_PROGRAM", "zentrik")
OUT_DIR = os.environ.get("ZENTRIK_WEB_OUT", tempfile.gettempdir())
FRAME_WIDTH, FRAME_HEIGHT = 320, 240

# A scene script for the tests: colour zones on the virtual camera's fixed patches and motion
# zones along the cyan square's path (it moves 4 pixels a frame, so a zone stays detected while
# it passes) in layer 1, two zones in layer 2.
TEST_SCRIPT = """\
# zones for the browser tests (the virtual camera's standard scene)
add_color_detection 1, 1, 20, 20, 40, 30, &H0000FF, 50     ' red patch: always there
add_color_detection 1, 2, 260, 20, 40, 30, &HFF0000, 50    ' blue patch: frames 30 to 119
add_motion_detection 1, 6, 200, 52, 40, 32, 5              ' the cyan square rushing past
add_motion_detection 1, 7, 130, 52, 40, 32, 5
add_motion_detection 1, 8, 70, 52, 40, 32, 5
add_motion_detection 1, 9, 10, 52, 40, 32, 5
add_motion_detection 2, 3, 100, 40, 60, 50, 10
add_color_detection 2, 4, 180, 150, 50, 60, &H00FF00, 20
layer = 1
active = True
"""


def require_browser():
    """Ends the test as skipped (exit 77) when chromium, its driver or selenium is absent."""
    missing = [p for p in (CHROMIUM, CHROMEDRIVER) if not os.path.exists(p)]
    if importlib.util.find_spec("selenium") is None:
        missing.append("python3-selenium")
    if missing:
        print("SKIPPED: not installed: " + ", ".join(missing))
        sys.exit(SKIP_EXIT)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_for(condition, timeout=10.0, what="condition", interval=0.05):
    """Polls `condition` until it returns something true and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Server:
    """One `zentrik serve` process over a folder holding its configuration, script and state.
    Requests always go to 127.0.0.1, whatever address the server listens on."""

    def __init__(self, folder, listen_host="127.0.0.1", token=None, script=TEST_SCRIPT):
        self.folder = folder
        self.token = token
        self.port = free_port()
        self.base = "http://127.0.0.1:%d" % self.port
        self.process = None
        self.script_path = os.path.join(folder, "zones.zentrik")
        self.snapshots = os.path.join(folder, "shots")
        if not os.path.exists(self.script_path):
            with open(self.script_path, "w") as f:
                f.write(script)
        lines = ["listen: %s:%d" % (listen_host, self.port), "state: state"]
        if token:
            lines.append('token: "%s"' % token)
        lines += ["cameras:", "  - name: cam1", "    script: zones.zentrik",
                  "    snapshots: shots", "    zones:", "      - {layer: 1, zone: 1, name: red-patch}",
                  "  - name: cam2"]
        self.config = os.path.join(folder, "serve.yaml")
        with open(self.config, "w") as f:
            f.write("\n".join(lines) + "\n")

    def start(self):
        self.log = open(os.path.join(self.folder, "serve.log"), "ab")
        self.process = subprocess.Popen([PROGRAM, "serve", "--config", self.config],
                                        cwd=self.folder, stdout=self.log, stderr=self.log)

        def ready():
            if self.process.poll() is not None:
                raise AssertionError("zentrik serve ended at start:\n" + self.log_text())
            try:
                return self.get("/api/cameras")
            except (OSError, urllib.error.URLError):
                return None

        wait_for(ready, 30, "zentrik serve to answer")
        return self

    def stop(self):
        if not self.process:
            return None
        self.process.send_signal(signal.SIGTERM)
        try:
            code = self.process.wait(15)
        except subprocess.TimeoutExpired:
            self.process.kill()
            code = self.process.wait()
        self.process = None
        self.log.close()
        return code

    def log_text(self):
        with open(os.path.join(self.folder, "serve.log"), "rb") as f:
            return f.read().decode(errors="replace")[-4000:]

    def url(self, path, with_token=True):
        if with_token and self.token:
            path += ("&" if "?" in path else "?") + "token=" + self.token
        return self.base + path

    def request(self, method, path, body=None, with_token=True, headers=None):
        """Returns (status, parsed JSON or raw bytes)."""
        data = None if body is None else json.dumps(body).encode()
        req = urllib.request.Request(self.url(path, with_token), data=data, method=method,
                                     headers=dict(headers or {}))
        if data is not None:
            req.add_header("Content-Type", "application/json")
        try:
            with urllib.request.urlopen(req, timeout=10) as response:
                status, raw, kind = response.status, response.read(), response.headers
        except urllib.error.HTTPError as error:
            status, raw, kind = error.code, error.read(), error.headers
        if "json" in (kind.get("Content-Type") or ""):
            return status, json.loads(raw or b"null")
        return status, raw

    def get(self, path):
        status, data = self.request("GET", path)
        if status != 200:
            raise AssertionError("GET %s: %s %r" % (path, status, data))
        return data

    def camera(self, name="cam1"):
        return self.get("/api/cameras/" + name)


class EventStream:
    """Reads the server's event stream on a thread and keeps the parsed events in order."""

    def __init__(self, server):
        self.events = []
        self.lock = threading.Lock()
        self.response = urllib.request.urlopen(server.url("/api/events"), timeout=30)
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        kind, data = None, []
        try:
            for raw in self.response:
                line = raw.decode().rstrip("\r\n")
                if line.startswith("event:"):
                    kind = line[6:].strip()
                elif line.startswith("data:"):
                    data.append(line[5:].strip())
                elif not line:
                    if kind and data:
                        with self.lock:
                            self.events.append((kind, json.loads("\n".join(data))))
                    kind, data = None, []
        except (OSError, ValueError, AttributeError):
            pass  # closed by close()

    def of_kind(self, kind):
        with self.lock:
            return [data for k, data in self.events if k == kind]

    def close(self):
        try:
            self.response.close()
        except OSError:
            pass


def start_browser(width=1400, height=1100):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    profile = tempfile.mkdtemp(prefix="zentrik-chromium-")
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--disable-quic", "--user-data-dir=" + profile,
                 "--window-size=%d,%d" % (width, height), "--force-device-scale-factor=1"):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    driver.zentrik_profile = profile
    return driver


def stop_browser(driver):
    try:
        driver.quit()
    finally:
        shutil.rmtree(driver.zentrik_profile, ignore_errors=True)


def screenshot(driver, name, full_page=False):
    """Saves a PNG of the viewport (or of the whole page) under the build folder."""
    folder = os.path.join(OUT_DIR, "screenshots")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, name + ".png")
    if not full_page:
        driver.save_screenshot(path)
        return path
    size = driver.get_window_size()
    inner = driver.execute_script("return [window.innerHeight, document.body.scrollHeight]")
    driver.set_window_size(size["width"], size["height"] - inner[0] + inner[1])
    time.sleep(0.3)  # pictures scaled to the new layout
    driver.save_screenshot(path)
    driver.set_window_size(size["width"], size["height"])
    return path


def click_at(driver, x, y):
    """A left click at viewport coordinates (CSS pixels)."""
    drag(driver, (x, y), (x, y))


def drag(driver, start, end, steps=4):
    """Presses the left button at `start`, moves to `end` in a few steps and releases it."""
    from selenium.webdriver.common.actions.action_builder import ActionBuilder

    actions = ActionBuilder(driver)
    pointer = actions.pointer_action
    pointer.move_to_location(round(start[0]), round(start[1]))
    pointer.pointer_down()
    for i in range(1, steps + 1):
        pointer.move_to_location(round(start[0] + (end[0] - start[0]) * i / steps),
                                 round(start[1] + (end[1] - start[1]) * i / steps))
    pointer.pointer_up()
    actions.perform()


def frame_point_on_page(driver, element_id, x, y):
    """Viewport coordinates of the centre of frame pixel (x, y) of a picture on the page."""
    rect = driver.execute_script(
        "const r = document.getElementById(arguments[0]).getBoundingClientRect();"
        "return [r.left, r.top, r.width, r.height];", element_id)
    return (rect[0] + (x + 0.5) * rect[2] / FRAME_WIDTH,
            rect[1] + (y + 0.5) * rect[3] / FRAME_HEIGHT)


class BrowserCase(unittest.TestCase):
    """One `zentrik serve` (made with `server_options`) and one browser session for all the
    checks of a class, in a temporary folder."""

    server_options = {}

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="zentrik-web-")
        cls.server = Server(cls.folder, **cls.server_options).start()
        cls.driver = start_browser()

    @classmethod
    def tearDownClass(cls):
        stop_browser(cls.driver)
        code = cls.server.stop()
        shutil.rmtree(cls.folder, ignore_errors=True)
        assert code == 0, "zentrik serve ended with %s" % code

    @classmethod
    def js(cls, script, *args):
        return cls.driver.execute_script(script, *args)


def run_tests(case_class):
    """Runs one TestCase class in definition order; exits with unittest's verdict."""
    require_browser()
    names = [n for n in case_class.__dict__ if n.startswith("test")]
    suite = unittest.TestSuite(case_class(n) for n in names)
    result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)
