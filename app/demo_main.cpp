#include "app/demo_main.h"

#include <GL/gl.h>

#include <cstdint>

#include "app/live_navigation.h"
#include "app/live_window.h"
#include "framework/music.h"
#include "framework/window.h"
#include "show/run_loop.h"
#include "show/scene_set.h"
#include "show/show_constants.h"
#include "show/start_state.h"
#include "show/viewport.h"

OrvCommandLine OrvScanCommandLine(const char* tail)
{
    OrvCommandLine result;
    for (const char* c = tail; *c != '\0'; ++c) {
        if (*c == 's')
            result.music = false;
        if (*c == '1')
            result.bits = 24;
    }
    return result;
}

std::string OrvJoinArguments(int argc, char** argv)
{
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            tail += ' ';
        tail += argv[i];
    }
    return tail;
}

int DemoMain(const char* commandLineTail)
{
    OrvOptions options;
    options.tail = commandLineTail;
    const OrvCommandLine scan = OrvScanCommandLine(commandLineTail);
    options.music = scan.music;
    options.bits = scan.bits;
    return DemoMain(options);
}

namespace {

// Keeps the picture at 4:3 in the middle of a desktop window, following its size.
class DesktopViewport {
public:
    explicit DesktopViewport(const OrvWindow& window) : window(window) {}

    void Follow()
    {
        if (window.Width() == width && window.Height() == height)
            return;
        width = window.Width();
        height = window.Height();
        const OrvViewport view = OrvFourThirdsViewport(width, height);
        glViewport(view.x, view.y, view.width, view.height);
    }

    // Makes the next Follow set the viewport again (a state restore may have reset it).
    void Forget() { width = height = -1; }

private:
    const OrvWindow& window;
    int width = -1;
    int height = -1;
};

}  // namespace

int DemoMain(const OrvOptions& options)
{
    OrvWindow* window = new OrvWindow(OrvWindowTitle);
    // The show clock stops while the show is held (Space); never held, it is the monotonic clock.
    OrvShowClock* clock = new OrvShowClock;
    OrvTimer* timer = new OrvTimer(OrvTicksPerSecond, [clock] { return clock->Now(); });
    OrvMusic* music = options.music ? new OrvMusic("Tuvari.xm", options.audioDevice, options.volume) : nullptr;
    OrvOpenLiveWindow(*window, options, 1);

    OrvSceneSet* scenes = new OrvSceneSet;
    OrvSceneSet::SetGlobalState();
    OrvShow show(scenes->Schedule());
    DesktopViewport viewport(*window);
    // Kept for --loop and for moving back within the show; it saves state and changes none.
    OrvShowStartState* start = new OrvShowStartState;
    timer->Reset();
    OrvLiveNavigation navigation(show, *timer, *clock, music, *start, *window, [&viewport] { viewport.Forget(); },
                                 options.startDir.empty() ? "." : options.startDir);
    navigation.EnterAt(options.start);

    // --frames N ends the show after N frames, as a quit would; so does --end.
    int64_t frames = 0;
    const size_t endScene = options.end.scene >= 0 ? static_cast<size_t>(options.end.scene) : SIZE_MAX;
    OrvFrameHooks hooks{
        [window, &options, &frames, &show, endScene, &navigation] {
            return window->QuitRequested() || (options.frames >= 0 && frames >= options.frames) ||
                   (show.Position() >= endScene && !show.Ended()) ||
                   (options.end.ms >= 0 && navigation.ShowTime() >= options.end.ms);
        },
        [&options, &viewport, &navigation] {
            navigation.BeginFrame();
            // The bars outside the 4:3 viewport are cleared too: glClear ignores the viewport.
            if (options.desktop)
                viewport.Follow();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        },
        [window, &frames, &navigation] {
            navigation.EndFrame();
            window->Swap();
            ++frames;
        },
    };
    std::function<void()> again;
    if (options.loop) {
        again = [start, music, &viewport, &navigation] {
            start->Restore();
            viewport.Forget();
            navigation.StartedOver();
            if (music)
                music->Restart();
        };
    }
    OrvRunShowLooping(show, *timer, hooks, again);

    // The scenes delete GL objects, so they go while the context is still current.
    delete start;
    delete scenes;
    delete window;
    delete music;
    delete timer;
    delete clock;
    return 1;
}
