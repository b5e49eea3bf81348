#include "app/timedemo.h"

#include <GL/gl.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "app/live_window.h"
#include "app/options.h"
#include "framework/offscreen.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "show/run_loop.h"
#include "show/scene_set.h"
#include "show/show.h"
#include "show/show_constants.h"
#include "show/viewport.h"

namespace {

constexpr size_t kMaxScenes = 8;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Frame times of one scene, kept in fixed storage so that the loop allocates nothing.
struct SceneTimes {
    const char* name = "";
    int64_t frames = 0;
    double totalMs = 0;
    double worstMs = 0;

    void Add(double ms)
    {
        ++frames;
        totalMs += ms;
        if (ms > worstMs)
            worstMs = ms;
    }
};

// The show clock in milliseconds for the frame-th frame of a scene that began at `start`:
// the first reading whose truncated tick count is `frame`, so every tick is drawn once.
uint32_t TickClock(uint32_t start, int64_t frame)
{
    return start + static_cast<uint32_t>((frame * 1000 + OrvTicksPerSecond - 1) / OrvTicksPerSecond);
}

void PrintLine(const char* label, int64_t frames, double totalMs, double worstMs, double wallMs)
{
    const double mean = frames > 0 ? totalMs / frames : 0;
    const double fps = wallMs > 0 ? frames * 1000.0 / wallMs : 0;
    std::printf("timedemo: %-9s %6lld frames  mean %7.3f ms  worst %8.3f ms  %8.1f fps\n", label,
                static_cast<long long>(frames), mean, worstMs, fps);
}

// Plays the schedule once on the tick clock; `present` ends each frame (swap or
// nothing) and `quit` ends the run early. Prints the per-scene table.
int Play(OrvShow& show, const std::function<void()>& present, const std::function<bool()>& quit)
{
    std::array<SceneTimes, kMaxScenes> scenes{};
    const std::vector<OrvScheduleEntry>& entries = show.Entries();
    for (size_t i = 0; i < entries.size() && i < kMaxScenes; ++i)
        scenes[i].name = entries[i].name;

    uint32_t now = 0;
    uint32_t sceneStart = 0;
    int64_t frameInScene = 0;
    size_t drawing = 0;
    Clock::time_point frameBegin;
    OrvTimer timer(OrvTicksPerSecond, [&now] { return now; });
    timer.Reset();

    OrvFrameHooks hooks;
    hooks.quitRequested = quit;
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
        if (drawing < kMaxScenes)
            scenes[drawing].Add(Milliseconds(Clock::now() - frameBegin));
    };

    const Clock::time_point begin = Clock::now();
    const int64_t frames = OrvRunShow(show, timer, hooks);
    const double wallMs = Milliseconds(Clock::now() - begin);

    double totalMs = 0, worstMs = 0;
    for (size_t i = 0; i < entries.size() && i < kMaxScenes; ++i) {
        const SceneTimes& s = scenes[i];
        PrintLine(s.name, s.frames, s.totalMs, s.worstMs, s.totalMs);
        totalMs += s.totalMs;
        worstMs = s.worstMs > worstMs ? s.worstMs : worstMs;
    }
    PrintLine("show", frames, totalMs, worstMs, wallMs);
    if (!show.Ended()) {
        std::printf("timedemo: stopped early by a quit request\n");
        return 1;
    }
    return 0;
}

// Builds the scenes in the current context, reports the load time and plays the show.
int LoadAndPlay(Clock::time_point start, const std::function<void()>& present,
                const std::function<bool()>& quit, int width, int height)
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
    const int code = Play(show, present, quit);
    std::fflush(stdout);
    return code;
}

}  // namespace

int OrvRunTimedemo(const OrvOptions& options)
{
    const Clock::time_point start = Clock::now();
    constexpr int kWidth = 640, kHeight = 480;
    if (options.offscreen) {
        // --size as for the capture; 640x480 unless given.
        OrvOffscreen gl(options.width, options.height);
        if (!gl.Ok()) {
            std::fprintf(stderr, "orvdemo: timedemo: no offscreen OpenGL context: %s\n", gl.Error().c_str());
            return 1;
        }
        return LoadAndPlay(start, [] {}, [] { return false; }, options.width, options.height);
    }
    // The window goes after the scenes, which delete their GL objects while its context is current.
    std::unique_ptr<OrvWindow> window = std::make_unique<OrvWindow>(OrvWindowTitle);
    OrvOpenLiveWindow(*window, options);
    OrvWindow* w = window.get();
    const int width = options.desktop ? w->Width() : kWidth;
    const int height = options.desktop ? w->Height() : kHeight;
    return LoadAndPlay(start, [w] { w->Swap(); }, [w] { return w->QuitRequested(); }, width, height);
}
