#include "app/capture.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/capture_progress.h"
#include "app/capture_sink.h"
#include "framework/ffmpeg_pipe.h"
#include "framework/offscreen.h"
#include "framework/stop_signals.h"
#include "framework/timer.h"
#include "show/run_loop.h"
#include "show/scene_set.h"
#include "show/show.h"
#include "show/show_constants.h"
#include "show/timeline.h"
#include "show/viewport.h"

int64_t OrvFrameOf(const OrvShowPoint& point, const OrvShowTimeline& timeline, int64_t otherwise)
{
    if (point.scene >= 0)
        return timeline.FirstFrameOf(static_cast<size_t>(point.scene));
    if (point.ms >= 0)
        return timeline.FirstFrameAt(static_cast<uint32_t>(std::min<int64_t>(point.ms, UINT32_MAX)));
    return otherwise;
}

uint32_t OrvCaptureMilliseconds(int64_t index, const OrvFrameRate& fps)
{
    return static_cast<uint32_t>(index * 1000 * fps.den / fps.num);
}

int OrvCapture::Fail(const std::string& message) const
{
    std::fprintf(stderr, "orvdemo: capture failed: %s\n", message.c_str());
    return 1;
}

int OrvCapture::Fail(OrvFrameSink& sink, const std::string& message) const
{
    sink.Abandon();
    std::fprintf(stderr, "orvdemo: capture failed: %s; %s\n", message.c_str(), sink.LeftBehind(written).c_str());
    return 1;
}

int OrvCapture::Run()
{
    starts.clear();
    written = 0;
    OrvStopSignals::Install();
    OrvStopSignals::Clear();
    std::unique_ptr<OrvFrameSink> sink = OrvMakeFrameSink(options);
    std::string error;
    if (!sink->Check(&error))
        return Fail(error);

    // With --supersample K the show is drawn K times larger and averaged down in Render.
    const int k = options.supersample;
    OrvOffscreen gl(options.width * k, options.height * k);
    if (!gl.Ok())
        return Fail("no offscreen OpenGL context: " + gl.Error());
    OrvOffscreenSamples(gl, options.samples);
    OrvSceneSet scenes;
    OrvSceneSet::SetGlobalState();
    const OrvViewport view = OrvFourThirdsViewport(options.width * k, options.height * k);
    glViewport(view.x, view.y, view.width, view.height);
    OrvShow show(scenes.Schedule());
    const OrvFrameRate fps = options.fps;
    const OrvShowTimeline timeline(show.Entries(), [fps](int64_t i) { return OrvCaptureMilliseconds(i, fps); });
    first = OrvFrameOf(options.start, timeline, 0);
    const int64_t end = std::max(first, OrvFrameOf(options.end, timeline, timeline.Frames()));
    const int64_t total = options.frames >= 0 ? std::min(end - first, options.frames) : end - first;
    // Entering in the middle: the earlier scenes' state, drawn where nobody sees it.
    const uint32_t sceneStart = first > 0 ? OrvReachFrame(show, timeline, first) : 0;

    OrvIgnoreSigpipe ignoreSigpipe;
    if (!OrvStopSignals::Pending() && !sink->Open(total, OrvCaptureMilliseconds(first, fps), &error))
        return Fail(*sink, error);
    OrvCaptureProgress progress(total);
    const bool rendered = Render(show, gl, *sink, total, sceneStart, progress, &error);
    if (const int sig = OrvStopSignals::Pending())
        return Interrupted(*sink, sig, progress, "");
    if (!rendered)
        return Fail(*sink, error);
    if (!sink->Close(false, &error)) {
        // A stop signal while ffmpeg finished: a second one, or the first and
        // then an ffmpeg that did nothing more, gave up on it.
        if (const int sig = OrvStopSignals::Pending())
            return Interrupted(*sink, sig, progress, error);
        return Fail(*sink, error);
    }
    std::fprintf(stderr, "orvdemo: wrote %s (%s, %.2f s of show, %.1f s to render)\n",
                 sink->Path().c_str(), OrvFramesText(written).c_str(),
                 static_cast<double>(written) / options.fps.PerSecond(), progress.Seconds());
    return 0;
}

// A stop signal ended the frames early: finish what was made when the sink
// can, and say exactly what is there. Returns 128 + the signal's number.
int OrvCapture::Interrupted(OrvFrameSink& sink, int sig, const OrvCaptureProgress& progress, std::string error)
{
    const bool kept = error.empty() && sink.Close(true, &error);
    const char* name = OrvStopSignals::Name(sig);
    std::fprintf(stderr, "orvdemo: capture interrupted by SIG%s after %lld frame%s; ", name ? name : "?",
                 static_cast<long long>(written), written == 1 ? "" : "s");
    if (!kept && !error.empty())
        std::fprintf(stderr, "%s; ", error.c_str());
    if (kept)
        std::fprintf(stderr, "%s (%.2f s of show, %.1f s to render)\n", sink.Kept(written).c_str(),
                     static_cast<double>(written) / options.fps.PerSecond(), progress.Seconds());
    else
        std::fprintf(stderr, "%s\n", sink.LeftBehind(written).c_str());
    return 128 + sig;
}

// Runs the show loop on the made-up clock, handing each frame to the sink;
// false when a frame could not be written or a stop signal came.
bool OrvCapture::Render(OrvShow& show, OrvOffscreen& gl, OrvFrameSink& sink, int64_t total, uint32_t sceneStart,
                        OrvCaptureProgress& progress, std::string* error)
{
    uint32_t now = sceneStart;
    OrvTimer timer(OrvTicksPerSecond, [&now] { return now; });
    timer.Reset();
    std::vector<unsigned char> rgb(static_cast<size_t>(options.width) * options.height * 3);
    std::vector<unsigned char> large(options.supersample > 1 ? static_cast<size_t>(gl.Width()) * gl.Height() * 3 : 0);
    bool failed = false;
    const char* scene = "";
    OrvFrameHooks hooks;
    hooks.quitRequested = [&] { return OrvStopSignals::Pending() || failed || written >= total; };
    hooks.beginFrame = [&] {
        scene = show.Entries()[show.Position()].name;
        if (starts.empty() || starts.back().scene != scene)
            starts.push_back({scene, written});
        now = OrvCaptureMilliseconds(first + written, options.fps);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    };
    hooks.endFrame = [&] {
        if (large.empty()) {
            gl.ReadRGB(rgb.data());
        } else {
            gl.ReadRGB(large.data());
            OrvBoxShrink(large.data(), options.width, options.height, options.supersample, rgb.data());
        }
        if (onFrame)
            onFrame(written, rgb.data());
        failed = !sink.Write(written, rgb.data(), error);
        if (!failed)
            progress.Update(++written, scene);
    };
    OrvRunShow(show, timer, hooks);
    if (OrvStopSignals::Pending() || failed)
        progress.Break();
    return !OrvStopSignals::Pending() && !failed;
}

void OrvBoxShrink(const unsigned char* large, int width, int height, int k, unsigned char* rgb)
{
    const size_t largeRow = static_cast<size_t>(width) * k * 3;
    const int area = k * k;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int j = 0; j < k; ++j) {
                    const unsigned char* p = large + (static_cast<size_t>(y) * k + j) * largeRow + static_cast<size_t>(x) * k * 3 + c;
                    for (int i = 0; i < k; ++i)
                        sum += p[i * 3];
                }
                rgb[(static_cast<size_t>(y) * width + x) * 3 + c] = static_cast<unsigned char>((sum + area / 2) / area);
            }
}

int OrvRunCapture(const OrvOptions& options)
{
    OrvCapture capture(options);
    return capture.Run();
}
