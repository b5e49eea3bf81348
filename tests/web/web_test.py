#!/usr/bin/env python3
"""The show in a browser page, in headless chromium over the DevTools protocol.

    web_test.py WEB_DIR NATIVE_BUILD

WEB_DIR holds the browser build's page (index.html, orvdemo.js/.wasm/.data);
NATIVE_BUILD the Linux build, whose program captures the frames the page must
match and says what the command line says about a bad option. Checks:
- the page loads and plays with no console error;
- in every scene, the page's picture at ?start=T&pause is the Linux capture's
  frame at T, 640x480 (at most 1 % of pixels off by more than 8 levels);
- Space holds the show and Right skips to the next scene;
- a bad address parameter shows the command line's message on the page.
Exit code 0 when all hold, 1 otherwise.
"""
import base64
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import devtools  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "windows"))
from pngdiff import read_png as read_png_rgb  # noqa: E402

# One moment well inside each scene, in show seconds. Womb's green flicker
# takes the next value of its sequence on every frame drawn, and a capture at
# 30 frames a second draws a scene's frames at other milliseconds than the
# live show's tick-by-tick run: at some moments one more frame lies before
# them. Womb's moment is one at which both have drawn the same count.
MOMENTS = [("Intro", "2.5"), ("Tunneli", "12"), ("Kylpyla", "33"), ("Insane", "60"), ("Kaupunki", "88"),
           ("Womb", "125")]
LEVELS = 8
MOST_OFF = 0.01


def pixels_off(a, b):
    """Share of pixels in which some channel differs by more than LEVELS."""
    off = sum(1 for i in range(0, len(a), 3)
              if max(abs(a[i] - b[i]), abs(a[i + 1] - b[i + 1]), abs(a[i + 2] - b[i + 2])) > LEVELS)
    return off / (len(a) // 3)


# The canvas as RGB rows, top row first, read back in the page.
READ_CANVAS = """(() => {
  const c = document.getElementById('canvas');
  const copy = document.createElement('canvas');
  copy.width = c.width; copy.height = c.height;
  const g = copy.getContext('2d');
  g.drawImage(c, 0, 0);
  const rgba = g.getImageData(0, 0, c.width, c.height).data;
  const rgb = new Uint8Array(c.width * c.height * 3);
  for (let i = 0, j = 0; i < rgba.length; i += 4) { rgb[j++] = rgba[i]; rgb[j++] = rgba[i + 1]; rgb[j++] = rgba[i + 2]; }
  let s = '';
  for (let i = 0; i < rgb.length; i += 0x8000) s += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
  return [c.width, c.height, btoa(s)];
})()"""


class Run:
    def __init__(self):
        self.failures = []

    def check(self, ok, what):
        print(("ok      " if ok else "FAILED  ") + what, flush=True)
        if not ok:
            self.failures.append(what)


def main():
    web_dir, native = sys.argv[1], sys.argv[2]
    program = os.path.join(native, "app", "orvdemo")
    data = os.path.join(native, "data")
    run = Run()
    url, server = devtools.serve(web_dir)
    with tempfile.TemporaryDirectory(prefix="orv-web-test-") as tmp, devtools.Browser() as browser:
        # Loads and plays without a console error.
        page = browser.open(url + "index.html?nosound")
        page.wait_for("window.orvFrames > 10 || window.orvState == 'failed'", timeout=120)
        state = page.evaluate("[window.orvState, window.orvFrames]")
        run.check(state[0] == "playing" and not page.errors,
                  "the page plays with no console error (%s, errors: %s)" % (state, page.errors[:3]))

        # Space holds: no frame is drawn while held (one is, as the hold begins,
        # and a slow frame may still be on its way).
        page.key(" ")
        time.sleep(0.5)
        counts = []
        for _ in range(3):
            counts.append(page.evaluate("window.orvFrames"))
            time.sleep(0.7)
        page.key(" ")
        page.wait_for("window.orvFrames > %d" % counts[-1], timeout=30)
        run.check(counts[1] == counts[2] and counts[2] - counts[0] <= 1,
                  "Space holds the show (frames %s over 1.4 s) and resumes it" % counts)
        # Right goes to the next scene.
        order = [scene for scene, _ in MOMENTS]
        before = page.evaluate("window.orvScene")
        page.key("ArrowRight")
        page.wait_for("window.orvScene != %r" % before, timeout=30)
        after = page.evaluate("window.orvScene")
        run.check(before in order[:-1] and after == order[order.index(before) + 1],
                  "Right skips from %s to %s" % (before, after))
        run.check(not page.errors, "no console error after the keys (%s)" % page.errors[:3])
        page.send("Page.close")

        # The command line's message for a bad parameter, on the page.
        said = subprocess.run([program, "--size=12"], capture_output=True, text=True).stderr.splitlines()[0]
        page = browser.open(url + "index.html?size=12")
        page.wait_for("window.orvState == 'failed'", timeout=60)
        shown = page.evaluate("document.getElementById('message').textContent")
        run.check(shown == said, "a bad parameter shows %r (the command line says %r)" % (shown, said))
        page.send("Page.close")

        # A held moment of every scene against the Linux capture.
        for scene, when in MOMENTS:
            frames = os.path.join(tmp, scene) + "/"
            subprocess.run([program, "--capture", frames, "--start", when, "--frames", "1", "--data", data],
                           check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            width, height, linux = read_png_rgb(os.path.join(frames, "frame_000000.png"))
            page = browser.open(url + "index.html?nosound&pause&start=" + when)
            page.wait_for("window.orvFrames >= 1 || window.orvState == 'failed'", timeout=120)
            time.sleep(0.2)
            w, h, b64 = page.evaluate(READ_CANVAS)
            web = base64.b64decode(b64)
            off = pixels_off(linux, web) if (w, h) == (width, height) else 1.0
            shown = page.evaluate("window.orvScene")
            run.check(shown == scene and off <= MOST_OFF,
                      "%s at %s s: %.3f %% of pixels off by more than %d levels (%dx%d)"
                      % (scene, when, off * 100, LEVELS, w, h))
            if off > MOST_OFF:
                with open(os.path.join(os.environ.get("ORV_WEB_TEST_KEEP", tmp), "web-%s.rgb" % scene), "wb") as f:
                    f.write(web)
            page.send("Page.close")
    server.shutdown()
    if run.failures:
        print("web: %d check(s) failed" % len(run.failures))
        return 1
    print("web: all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
