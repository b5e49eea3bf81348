#!/usr/bin/env python3
"""Figures for the browser build, in headless chromium (SwiftShader):

    bench/web_figures.py WEB_DIR

- the download: each file's size, raw and gzipped (gzip -9);
- load to first frame: from the start of the page's own script to the first
  frame drawn, with ?nosound (no click), median of three loads;
- the live page's frame rate in each scene: frames drawn over 5 seconds from
  the scene's start (?nosound&start=SCENE); the browser draws at most once
  per animation frame.
"""
import gzip
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import devtools  # noqa: E402

SCENES = ["Intro", "Tunneli", "Kylpyla", "Insane", "Kaupunki", "Womb"]


def main():
    web = sys.argv[1]
    raw = packed = 0
    for name in ("index.html", "orvdemo.js", "orvdemo.wasm", "orvdemo.data"):
        data = open(os.path.join(web, name), "rb").read()
        z = len(gzip.compress(data, 9))
        raw, packed = raw + len(data), packed + z
        print("%-14s %9d bytes  %9d gzipped" % (name, len(data), z))
    print("%-14s %9d bytes  %9d gzipped" % ("download", raw, packed))
    url, server = devtools.serve(web)
    with devtools.Browser() as browser:
        firsts = []
        for _ in range(3):
            page = browser.open(url + "index.html?nosound")
            firsts.append(page.wait_for("window.orvFirstFrameMs", timeout=120))
            page.send("Page.close")
        print("load to first frame: %.0f ms (median of %s)" % (statistics.median(firsts),
                                                                 ", ".join("%.0f" % f for f in firsts)))
        for scene in SCENES:
            page = browser.open(url + "index.html?nosound&start=" + scene)
            page.wait_for("window.orvFrames >= 1", timeout=120)
            f0, t0 = page.evaluate("[window.orvFrames, performance.now()]")
            time.sleep(5)
            f1, t1, now = page.evaluate("[window.orvFrames, performance.now(), window.orvScene]")
            print("%-9s %6.1f fps (%d frames in %.2f s%s)" % (scene, (f1 - f0) * 1000 / (t1 - t0), f1 - f0,
                                                             (t1 - t0) / 1000,
                                                             "" if now == scene else ", now in " + now))
            page.send("Page.close")
    server.shutdown()


if __name__ == "__main__":
    main()
