#include "app/timedemo.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/capture.h"
#include "app/live_window.h"
#include "app/options.h"
#include "framework/offscreen.h"
#include "framework/stop_signals.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "show/run_loop.h"
#include "show/scene_set.h"
#include "show/show.h"
#include "show/show_constants.h"
#include "show/timeline.h"
#include "show/viewport.h"

namespace {

constexpr size_t kMaxScenes = 8;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Frame times of one scene in drawing order, in storage reserved before the show
// starts so that the loop allocates nothing.
struct SceneTimes {
    const char* name = "";
    std::vector<double> ms;

    void Add(double frameMs) { ms.push_back(frameMs); }
};

// The show clock in milliseconds for the frame-th frame of a scene that began at `start`:
// the first reading whose truncated tick count is `frame`, so every tick is drawn once.
uint32_t TickClock(uint32_t start, int64_t frame)
{
    return start + static_cast<uint32_t>((frame * 1000 + OrvTicksPerSecond - 1) / OrvTicksPerSecond);
}

double Fps(size_t frames, double ms) { return ms > 0 ? frames * 1000.0 / ms : 0; }

// One scene's line: its frame times, its frame rate and that rate over the first scene's.
void PrintScene(const char* label, const OrvFrameSummary& s, double fps, double referenceFps,
                const char* reference)
{
    std::printf("timedemo: %-9s %6zu %s  first %7.3f ms  mean %7.3f ms  p99 %7.3f ms  "
                "worst %7.3f ms  %7.1f fps  %5.2f x %s\n",
                label, s.frames, s.frames == 1 ? "frame " : "frames", s.firstMs, s.meanMs, s.p99Ms, s.worstMs, fps,
                referenceFps > 0 ? fps / referenceFps : 0.0, reference);
}

// Plays the schedule once on the tick clock; `present` ends each frame (swap or
// nothing) and `quit` ends the run early. Prints the per-scene table.
int Play(OrvShow& show, const std::function<void()>& present, const std::function<bool()>& quit, int64_t limit,
         const OrvShowTimeline& timeline, int64_t first)
{
    std::array<SceneTimes, kMaxScenes> scenes{};
    const std::vector<OrvScheduleEntry>& entries = show.Entries();
    for (size_t i = 0; i < entries.size() && i < kMaxScenes; ++i) {
        scenes[i].name = entries[i].name;
        // Ticks 0 to the limit and the one past it, with room to spare.
        scenes[i].ms.reserve(static_cast<size_t>(entries[i].limit > 0 ? entries[i].limit : 0) + 16);
    }

    // --start: entered where the tick-by-tick run is at frame `first`.
    const Clock::time_point reaching = Clock::now();
    uint32_t sceneStart = first > 0 ? OrvReachFrame(show, timeline, first) : 0;
    if (first > 0) {
        glFinish();
        std::printf("timedemo: entered at frame %lld (%s) in %.1f ms\n", static_cast<long long>(first),
                    show.Ended() ? "the end" : show.Entries()[show.Position()].name,
                    Milliseconds(Clock::now() - reaching));
    }
    uint32_t now = sceneStart;
    size_t drawing = show.Position();
    int64_t frameInScene = first > 0 && !show.Ended() ? first - timeline.FirstFrameOf(drawing) : 0;
    Clock::time_point frameBegin;
    OrvTimer timer(OrvTicksPerSecond, [&now] { return now; });
    timer.Reset();

    int64_t drawn = 0;
    OrvFrameHooks hooks;
    hooks.quitRequested = [&] { return quit() || (limit >= 0 && drawn >= limit); };
    hooks.beginFrame = [&] {
        if (show.Position() != drawing) {
            drawing = show.Position();
            sceneStart = now;
            frameInScene = 0;
        }
        now = TickClock(sceneStart, frameInScene++);
        frameBegin = Clock::now();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    };
    hooks.endFrame = [&] {
        present();
        glFinish();
        ++drawn;
        if (drawing < kMaxScenes)
            scenes[drawing].Add(Milliseconds(Clock::now() - frameBegin));
    };

    const Clock::time_point begin = Clock::now();
    const int64_t frames = OrvRunShow(show, timer, hooks);
    const double wallMs = Milliseconds(Clock::now() - begin);

    const size_t count = entries.size() < kMaxScenes ? entries.size() : kMaxScenes;
    std::array<OrvFrameSummary, kMaxScenes> summaries{};
    std::array<double, kMaxScenes> fps{};
    double totalMs = 0, worstMs = 0;
    for (size_t i = 0; i < count; ++i) {
        summaries[i] = OrvSummariseFrames(scenes[i].ms.data(), scenes[i].ms.size());
        fps[i] = Fps(summaries[i].frames, summaries[i].meanMs * summaries[i].frames);
        totalMs += summaries[i].meanMs * summaries[i].frames;
        worstMs = summaries[i].worstMs > worstMs ? summaries[i].worstMs : worstMs;
    }
    const char* reference = count > 0 ? scenes[0].name : "";
    for (size_t i = 0; i < count; ++i)
        PrintScene(scenes[i].name, summaries[i], fps[i], fps[0], reference);
    std::printf("timedemo: %-9s %6lld %s  mean %7.3f ms  worst %7.3f ms after scene starts  "
                "%7.1f fps\n",
                "show", static_cast<long long>(frames), frames == 1 ? "frame " : "frames",
                frames > 0 ? totalMs / frames : 0.0, worstMs, Fps(static_cast<size_t>(frames), wallMs));
    if (quit()) {
        std::printf("timedemo: stopped early by a quit request\n");
        return 1;
    }
    return 0;
}

// Builds the scenes in the current context, reports the load time and plays the show.
int LoadAndPlay(Clock::time_point start, const std::function<void()>& present,
                const std::function<bool()>& quit, int width, int height, const OrvOptions& options)
{
    const Clock::time_point contextReady = Clock::now();
    OrvSceneSet scenes;
    OrvSceneSet::SetGlobalState();
    const OrvViewport view = OrvFourThirdsViewport(width, height);
    glViewport(view.x, view.y, view.width, view.height);
    glFinish();
    const Clock::time_point loaded = Clock::now();
    std::printf("timedemo: %s, %dx%d\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)), width,
                height);
    std::printf("timedemo: context %.1f ms, scenes loaded in %.1f ms\n", Milliseconds(contextReady - start),
                Milliseconds(loaded - contextReady));
    std::fflush(stdout);
    OrvShow show(scenes.Schedule());
    // --start, --end and --frames on the run that draws every tick once.
    const OrvShowTimeline timeline(show.Entries(), OrvTickClockMilliseconds);
    const int64_t first = OrvFrameOf(options.start, timeline, 0);
    const int64_t end = std::max(first, OrvFrameOf(options.end, timeline, timeline.Frames()));
    int64_t limit = options.frames;
    if (options.end.Given())
        limit = limit >= 0 ? std::min(limit, end - first) : end - first;
    const int code = Play(show, present, quit, limit, timeline, first);
    std::fflush(stdout);
    return code;
}

}  // namespace

int OrvRunTimedemo(const OrvOptions& options)
{
    const Clock::time_point start = Clock::now();
    constexpr int kWidth = 640, kHeight = 480;
    if (options.offscreen) {
        // With no window to close, Ctrl+C and the other stop signals end the run
        // early, as they do the windowed one: the table of what was drawn, then exit 1.
        OrvStopSignals::Install();
        // --size as for the capture; 640x480 unless given.
        OrvOffscreen gl(options.width, options.height);
        if (!gl.Ok()) {
            std::fprintf(stderr, "orvdemo: timedemo: no offscreen OpenGL context: %s\n", gl.Error().c_str());
            return 1;
        }
        OrvOffscreenSamples(gl, options.samples);
        return LoadAndPlay(start, [] {}, [] { return OrvStopSignals::Pending() != 0; }, options.width, options.height, options);
    }
    // The window goes after the scenes, which delete their GL objects while its context is current.
    std::unique_ptr<OrvWindow> window = std::make_unique<OrvWindow>(OrvWindowTitle);
    OrvOpenLiveWindow(*window, options, -1);
    OrvWindow* w = window.get();
    const int width = options.desktop ? w->Width() : kWidth;
    const int height = options.desktop ? w->Height() : kHeight;
    return LoadAndPlay(start, [w] { w->Swap(); }, [w] { return w->QuitRequested(); }, width, height, options);
}

OrvFrameSummary OrvSummariseFrames(double* ms, size_t count)
{
    OrvFrameSummary s;
    s.frames = count;
    if (count == 0)
        return s;
    s.firstMs = ms[0];
    double total = 0;
    for (size_t i = 0; i < count; ++i)
        total += ms[i];
    s.meanMs = total / static_cast<double>(count);
    double* later = ms + 1;
    const size_t n = count - 1;
    if (n == 0)
        return s;
    s.worstMs = *std::max_element(later, later + n);
    // Nearest rank: the ceil(0.99 n)-th smallest.
    const size_t rank = (99 * n + 99) / 100;
    std::nth_element(later, later + (rank - 1), later + n);
    s.p99Ms = later[rank - 1];
    return s;
}
