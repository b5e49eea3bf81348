"""Headless chromium driven through the DevTools protocol over a pipe.

Plain Python, no packages: chromium is started with --remote-debugging-pipe,
reads the protocol's NUL-terminated JSON messages on its fd 3 and writes on its
fd 4. WebGL 2 comes from SwiftShader through ANGLE.

    with Browser() as browser:
        page = browser.open("http://127.0.0.1:8000/index.html?nosound")
        page.wait_for("window.orvFrames > 0")
        page.key(" ")
        print(page.errors)            # console errors and uncaught exceptions

A file server for a directory: serve(directory) -> (url, server).
"""
import functools
import http.server
import json
import os
import queue
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM_FLAGS = [
    "--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
    "--no-first-run", "--no-default-browser-check", "--disable-extensions", "--mute-audio",
    "--remote-debugging-pipe",
]


class ProtocolError(RuntimeError):
    pass


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    return None


class Browser:
    def __init__(self, extra_flags=(), chromium=None):
        self.profile = tempfile.mkdtemp(prefix="orv-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()

        def give_fds():
            # Through fresh numbers first: either pipe end may itself be 3 or 4.
            read_end, write_end = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(read_end, 3)
            os.dup2(write_end, 4)

        self.process = subprocess.Popen(
            [chromium or find_chromium(), *CHROMIUM_FLAGS, "--user-data-dir=" + self.profile,
             *extra_flags, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=give_fds, pass_fds=(3, 4))
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._next_id = 0
        self._lock = threading.Lock()
        self._replies = {}
        self._reply_ready = threading.Condition(self._lock)
        self._listeners = []  # (session id, callback(method, params))
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        buffer = b""
        while True:
            try:
                chunk = os.read(self._from_browser, 65536)
            except OSError:
                chunk = b""
            if not chunk:
                with self._lock:
                    self._replies[None] = "closed"
                    self._reply_ready.notify_all()
                return
            buffer += chunk
            while b"\0" in buffer:
                raw, buffer = buffer.split(b"\0", 1)
                message = json.loads(raw)
                if "id" in message:
                    with self._lock:
                        self._replies[message["id"]] = message
                        self._reply_ready.notify_all()
                else:
                    for session, callback in list(self._listeners):
                        if session == message.get("sessionId"):
                            callback(message["method"], message.get("params", {}))

    def send(self, method, params=None, session=None, timeout=60):
        with self._lock:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        with self._lock:
            while ident not in self._replies:
                if None in self._replies:
                    raise ProtocolError("chromium closed the pipe")
                left = deadline - time.monotonic()
                if left <= 0:
                    raise ProtocolError(method + ": no answer in %d s" % timeout)
                self._reply_ready.wait(left)
            reply = self._replies.pop(ident)
        if "error" in reply:
            raise ProtocolError("%s: %s" % (method, reply["error"].get("message")))
        return reply.get("result", {})

    def listen(self, session, callback):
        self._listeners.append((session, callback))

    def open(self, url):
        """A new tab showing `url`, with its console watched from the start."""
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        page = Page(self, session)
        page.navigate(url)
        return page

    def close(self):
        try:
            self.send("Browser.close", timeout=10)
        except (ProtocolError, OSError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Page:
    def __init__(self, browser, session):
        self.browser = browser
        self.session = session
        self.console = []   # (type, text) of every console call
        self.errors = []    # console errors and uncaught exceptions, as text
        self.events = queue.Queue()
        browser.listen(session, self._event)
        self.send("Runtime.enable")
        self.send("Page.enable")
        self.send("Log.enable")

    def _event(self, method, params):
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params.get("args", []))
            self.console.append((params["type"], text))
            if params["type"] in ("error", "assert"):
                self.errors.append(text)
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.errors.append(details.get("exception", {}).get("description", details.get("text", "")))
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"])
        self.events.put((method, params))

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def navigate(self, url):
        self.send("Page.navigate", {"url": url})

    def evaluate(self, expression, timeout=60):
        """The value of a JavaScript expression (promises awaited)."""
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True}, timeout=timeout)
        if "exceptionDetails" in result:
            raise ProtocolError("%s: %s" % (expression, result["exceptionDetails"].get("text")))
        return result["result"].get("value")

    def wait_for(self, expression, timeout=60, poll=0.05):
        """Waits until `expression` is true in the page; returns its value."""
        deadline = time.monotonic() + timeout
        while True:
            # A page busy in a long call answers only when it returns.
            value = self.evaluate(expression, timeout=max(1, deadline - time.monotonic()))
            if value:
                return value
            if time.monotonic() > deadline:
                raise ProtocolError("still false after %d s: %s" % (timeout, expression))
            time.sleep(poll)

    KEYS = {" ": ("Space", 32), "ArrowRight": ("ArrowRight", 39), "ArrowLeft": ("ArrowLeft", 37),
            "Home": ("Home", 36), "Escape": ("Escape", 27), "F12": ("F12", 123), "f": ("KeyF", 70)}

    def key(self, key):
        """Presses and releases `key` (a DOM key name) as the keyboard would."""
        code, keycode = self.KEYS[key]
        for kind in ("keyDown", "keyUp"):
            params = {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": keycode,
                      "nativeVirtualKeyCode": keycode}
            if kind == "keyDown" and len(key) == 1:
                params["text"] = key
            self.send("Input.dispatchKeyEvent", params)


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".wasm": "application/wasm",
                      ".js": "text/javascript"}

    def log_message(self, *args):
        pass


def serve(directory):
    """Serves `directory` on 127.0.0.1 on a free port; returns (base URL, server)."""
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(_QuietHandler, directory=directory))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return "http://127.0.0.1:%d/" % server.server_address[1], server
