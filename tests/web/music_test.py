#!/usr/bin/env python3
"""music_test.py [LINUX-BUILD [WASM-PREFIX]]: the music the browser plays equals
the Linux capture's music.wav, sample for sample, over the whole show; and the
music clock the show follows holds still while the music is held and goes on
without a jump when a skip starts the music anew.

The browser side is the page's own player: framework/web/music.cpp with
libopenmpt built for the browser (scripts/web-deps) and framework/web/audio.js,
compiled here with em++ into a page that holds only the player and the module.
In headless chromium the player schedules its pieces into an OfflineAudioContext
exactly as it schedules them live, so what comes out is what Web Audio would
play: a gap, an overlap or a sub-sample start between pieces, swapped channels,
another rate or other reads of the module all change samples. The output is
rounded to 16 bits as the capture rounds it and compared with the music.wav of
`orvdemo --capture` in LINUX-BUILD (default build/).

Exits 0 when every sample is equal, 1 at a difference, 77 (skipped) without
em++, the browser's libopenmpt, chromium or the Linux build with its data set.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)


def skip(why):
    print("music_test: skipped: " + why)
    sys.exit(77)


def fail(why):
    print("music_test: FAILED: " + why)
    sys.exit(1)


def wav_samples(path):
    """The 16-bit samples of a PCM WAV file, after checking its format."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE" or data[36:40] != b"data":
        fail(path + " is not a plain PCM WAV file")
    channels, rate = struct.unpack_from("<HI", data, 22)
    bits = struct.unpack_from("<H", data, 34)[0]
    if (channels, rate, bits) != (2, 48000, 16):
        fail("%s holds %d channels at %d Hz, %d bits" % (path, channels, rate, bits))
    return data[44:44 + struct.unpack_from("<I", data, 40)[0]]


def build_player_page(prefix, module, out):
    """The player alone as a page: out/player.html, .js, .wasm, .data."""
    shutil.copy(module, os.path.join(out, "Tuvari.xm"))
    web = os.path.join(ROOT, "framework", "web")
    sources = [os.path.join(web, "music.cpp"), os.path.join(web, "music_clock.cpp"),
               os.path.join(ROOT, "framework", "music_module.cpp"),
               os.path.join(ROOT, "framework", "linux", "data_file.cpp")]
    env = dict(os.environ, NODE_PATH=os.environ.get("NODE_PATH", "/usr/share/nodejs"))
    command = ["em++", "-std=c++20", "-O2", "-I" + ROOT, "-I" + os.path.join(prefix, "include"), *sources,
               os.path.join(prefix, "lib", "libopenmpt.a"), "-fexceptions", "--pre-js", os.path.join(web, "audio.js"),
               "--no-entry", "-sALLOW_MEMORY_GROWTH=1", "-sFORCE_FILESYSTEM=1",
               "--preload-file", "Tuvari.xm@/Tuvari.xm", "-o", "player.js"]
    result = subprocess.run(command, cwd=out, env=env, capture_output=True, text=True)
    if result.returncode != 0:
        fail("em++ could not build the player:\n" + result.stderr[-3000:])
    with open(os.path.join(out, "player.html"), "w") as f:
        f.write('<!doctype html><meta charset="utf-8"><title>music</title><link rel="icon" href="data:,"><script src="player.js"></script>\n')


# In the page: the player's offline output rounded as the capture rounds it
# (float product, then half away from zero), against music.wav.
COMPARE = """
(async () => {
  const wav = new Int16Array((await (await fetch('music.wav')).arrayBuffer()).slice(44));
  const frames = wav.length / 2;
  const began = performance.now();
  const out = await Module.orvAudio.renderOffline('/Tuvari.xm', frames);
  const seconds = (performance.now() - began) / 1000;
  const round = x => {
    const s = Math.fround(Math.min(Math.max(x, -1), 1) * 32767);
    return Math.sign(s) * Math.floor(Math.abs(s) + 0.5);
  };
  let differ = 0, first = -1, peak = 0, got = null;
  for (let i = 0; i < frames; ++i) {
    const l = round(out.left[i]), r = round(out.right[i]);
    peak = Math.max(peak, Math.abs(wav[2 * i]), Math.abs(wav[2 * i + 1]));
    if (l !== wav[2 * i] || r !== wav[2 * i + 1]) {
      if (first < 0) { first = i; got = [l, r, wav[2 * i], wav[2 * i + 1]]; }
      ++differ;
    }
  }
  return {frames, differ, first, got, peak, seconds};
})()
"""

# In the page: the live player on the page's AudioContext (the autoplay policy
# is off). Each reading of the music clock goes with the page clock's, so a
# slow machine stretches both alike.
CLOCK = """
(async () => {
  const o = Module.orvAudio, sleep = ms => new Promise(r => setTimeout(r, ms));
  const bytes = new TextEncoder().encode('/Tuvari.xm');
  const name = Module._orv_music_path_buffer(bytes.length + 1);
  HEAPU8.set(bytes, name);
  HEAPU8[name + bytes.length] = 0;
  const source = Module._orv_music_source_open(name);
  const id = o.open(source);
  await o.start();
  const read = () => [o.heard(), performance.now()];
  await sleep(800);
  const playing = read();
  o.pause(id, 1);
  await sleep(200);
  const held = read();
  await sleep(500);
  const stillHeld = read();
  o.pause(id, 0);
  await sleep(600);
  const resumed = read();
  o.restart(id);
  const skipped = read();
  await sleep(600);
  const afterSkip = read();
  o.close(id);
  Module._orv_music_source_close(source);
  return {playing, held, stillHeld, resumed, skipped, afterSkip};
})()
"""


# ms: the most the music clock may run ahead of the page clock over a resume or
# a new start (Chrome's output restarts a little ahead of where the clock stood).
JUMP = 24


def check_clock(c):
    """The music clock's readings against the page clock's; a list of faults."""
    faults = []

    def ran(a, b):  # music ms and page ms between two readings
        return c[b][0] - c[a][0], c[b][1] - c[a][1]

    if c["playing"][0] < 200:
        faults.append("the music clock read %.0f ms after 800 ms of playing" % c["playing"][0])
    music, page = ran("held", "stillHeld")
    if abs(music) > 1:
        faults.append("held, the music clock moved %.0f ms in %.0f ms" % (music, page))
    music, page = ran("stillHeld", "resumed")
    if not page - 300 < music <= page + JUMP:
        faults.append("resumed, the music clock moved %.0f ms in %.0f ms" % (music, page))
    music, page = ran("resumed", "skipped")
    if abs(music) > JUMP:
        faults.append("a new start moved the music clock %.0f ms at once" % music)
    music, page = ran("skipped", "afterSkip")
    if not page - 300 < music <= page + JUMP:
        faults.append("after a new start, the music clock moved %.0f ms in %.0f ms" % (music, page))
    return faults


def main():
    linux = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    prefix = sys.argv[2] if len(sys.argv) > 2 else subprocess.run(
        [os.path.join(ROOT, "scripts", "web-deps"), "--print-prefix"], capture_output=True, text=True).stdout.strip()
    orvdemo = os.path.join(linux, "app", "orvdemo")
    module = os.path.join(linux, "data", "Tuvari.xm")
    if not (os.access(orvdemo, os.X_OK) and os.path.isfile(module)):
        skip("no orvdemo with its data set in " + linux)
    if not shutil.which("em++"):
        skip("em++ (Debian's emscripten) is not installed")
    if not os.path.isfile(os.path.join(prefix, ".complete")):
        skip("libopenmpt for the browser is not built (scripts/web-deps)")
    try:
        import devtools
    except ImportError:
        skip("tests/web/devtools.py (the DevTools protocol client) is missing")
    if not devtools.find_chromium():
        skip("chromium is not installed")

    tmp = tempfile.mkdtemp(prefix="orv-music-test-")
    try:
        # The whole show's music as a capture writes it, at one small frame a second.
        capture = subprocess.run([orvdemo, "--capture", os.path.join(tmp, "cap") + "/", "--data",
                                  os.path.join(linux, "data"), "--size", "32x24", "--fps", "1"],
                                 capture_output=True, text=True)
        if capture.returncode != 0:
            fail("the Linux capture failed: " + capture.stderr.strip())
        page = os.path.join(tmp, "page")
        os.mkdir(page)
        os.rename(os.path.join(tmp, "cap", "music.wav"), os.path.join(page, "music.wav"))
        expected = len(wav_samples(os.path.join(page, "music.wav"))) // 4
        began = time.monotonic()
        build_player_page(prefix, module, page)
        print("music_test: player page built in %.0f s" % (time.monotonic() - began))

        url, server = devtools.serve(page)
        try:
            with devtools.Browser(["--autoplay-policy=no-user-gesture-required"]) as browser:
                tab = browser.open(url + "player.html")
                tab.wait_for("typeof Module !== 'undefined' && Module.calledRun === true", timeout=120)
                result = tab.evaluate(COMPARE, timeout=900)
                clock = tab.evaluate(CLOCK, timeout=120)
                errors = list(tab.errors)
        finally:
            server.shutdown()
    finally:
        shutil.rmtree(tmp, ignore_errors=True)

    print("music_test: %d frames (%.1f s of music) rendered in the page in %.1f s; %d differ; peak %d"
          % (result["frames"], result["frames"] / 48000, result["seconds"], result["differ"], result["peak"]))
    print("music_test: music clock (music ms, page ms): " +
          ", ".join("%s %.0f %.0f" % (k, v[0], v[1]) for k, v in clock.items()))
    if errors:
        fail("the page reported errors: " + " | ".join(errors))
    if result["frames"] != expected:
        fail("the page read %d frames of music.wav, which holds %d" % (result["frames"], expected))
    # A silent reference would make equality meaningless (the module did not load).
    if result["peak"] < 3277:
        fail("music.wav peaks at %d, below -20 dBFS: the capture wrote no music" % result["peak"])
    if result["differ"]:
        l, r, wl, wr = result["got"]
        fail("%d of %d frames differ; the first at frame %d (%.3f s): page %d %d, music.wav %d %d"
             % (result["differ"], result["frames"], result["first"], result["first"] / 48000, l, r, wl, wr))
    faults = check_clock(clock)
    if faults:
        fail("; ".join(faults))
    print("music_test: passed: the page's music equals music.wav sample for sample; its clock holds and skips")


if __name__ == "__main__":
    main()
