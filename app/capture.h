// OrvCapture: the show rendered offscreen to a video file or a directory of PNG frames.
//
// Frame i is drawn with the show clock at i * 1000 / fps milliseconds (fps an
// exact fraction such as 60000/1001), through
// OrvTimer's arithmetic on a made-up clock and the same OrvShow schedule as the
// live show, so scenes change on the same ticks; the music starts at frame 0.
// Nothing depends on how long a frame takes to render, so two captures of the
// same build give identical frames.
//
// OUT ending in .mp4, .mkv or .webm: frames are piped as raw RGB to the ffmpeg
// program and muxed with the music, rendered to a temporary WAV first; the
// video is written under a temporary name beside OUT and renamed only when
// ffmpeg succeeded. Any other OUT is a directory that gets frame_000000.png...
// and music.wav. The picture keeps the show's 4:3 projection at any size: a
// centred 4:3 viewport with black bars.
//
// Threads: runs on the calling thread, which gets an offscreen GL context.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/options.h"

class OrvCaptureProgress;
class OrvFrameSink;
class OrvOffscreen;
class OrvShow;
class OrvShowTimeline;

struct OrvSceneStart {
    std::string scene;
    int64_t frame;  // index of the first frame the scene drew
};

// The frame of `timeline` that a --start or --end point names: a scene's first
// frame, or the first frame at or after a show time; `otherwise` when not given.
int64_t OrvFrameOf(const OrvShowPoint& point, const OrvShowTimeline& timeline, int64_t otherwise);

// Show-clock milliseconds at which frame `index` is drawn: index * 1000 * den / num,
// in integers, so a fractional rate never drifts.
uint32_t OrvCaptureMilliseconds(int64_t index, const OrvFrameRate& fps);

class OrvCapture {
public:
    explicit OrvCapture(const OrvOptions& options) : options(options) {}

    // Renders and writes everything; returns the exit code (0 on success) after
    // printing the path written or the reason for failing on stderr.
    int Run();

    // Where each scene began during Run.
    const std::vector<OrvSceneStart>& SceneStarts() const { return starts; }
    int64_t FramesWritten() const { return written; }

    // Sees each frame (RGB, top row first) before it is written; for tests.
    std::function<void(int64_t frame, const unsigned char* rgb)> onFrame;

private:
    int Fail(const std::string& message) const;
    int Fail(OrvFrameSink& sink, const std::string& message) const;
    // Reports the end a stop signal brought; `error`, when not empty, says why
    // the sink could not finish (it is not asked again).
    int Interrupted(OrvFrameSink& sink, int sig, const OrvCaptureProgress& progress, std::string error);
    bool Render(OrvShow& show, OrvOffscreen& gl, OrvFrameSink& sink, int64_t total, uint32_t sceneStart,
                OrvCaptureProgress& progress, std::string* error);

    OrvOptions options;
    int64_t first = 0;  // the full run's frame that --start makes the first
    std::vector<OrvSceneStart> starts;
    int64_t written = 0;
};

// The capture as the program runs it for --capture: returns the exit code.
int OrvRunCapture(const OrvOptions& options);

// Averages each k x k block of `large` (tightly packed RGB, width * k by height * k)
// into one pixel of `rgb` (width by height), rounding to nearest.
void OrvBoxShrink(const unsigned char* large, int width, int height, int k, unsigned char* rgb);
