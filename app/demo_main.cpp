#include "app/demo_main.h"

#include <GL/gl.h>

#include <cstdint>
#include <functional>
#include <utility>

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

struct OrvLiveShowParts {
    const OrvOptions options;
    OrvWindow* window;
    // The show clock stops while the show is held (Space); never held, it is the monotonic clock.
    OrvShowClock* clock;
    OrvTimer* timer;
    OrvMusic* music;
    OrvSceneSet* scenes = nullptr;
    OrvShow* show = nullptr;
    DesktopViewport* viewport = nullptr;
    // Kept for --loop and for moving back within the show; it saves state and changes none.
    OrvShowStartState* start = nullptr;
    OrvLiveNavigation* navigation = nullptr;
    OrvFrameHooks hooks;
    OrvShowSteps* steps = nullptr;
    int64_t frames = 0;

    explicit OrvLiveShowParts(const OrvOptions& options)
        : options(options),
          window(new OrvWindow(OrvWindowTitle)),
          clock(new OrvShowClock),
          timer(new OrvTimer(OrvTicksPerSecond, [clock = clock] { return clock->Now(); })),
          music(options.music ? new OrvMusic("Tuvari.xm", options.audioDevice, options.volume) : nullptr)
    {
    }
};

OrvLiveShow::OrvLiveShow(const OrvOptions& options, bool held, bool wait) : parts(new OrvLiveShowParts(options))
{
    OrvLiveShowParts& p = *parts;
    OrvOpenLiveWindow(*p.window, p.options, 1);

    p.scenes = new OrvSceneSet;
    OrvSceneSet::SetGlobalState();
    p.show = new OrvShow(p.scenes->Schedule());
    p.viewport = new DesktopViewport(*p.window);
    p.start = new OrvShowStartState;
    p.timer->Reset();
    DesktopViewport* viewport = p.viewport;
    p.navigation = new OrvLiveNavigation(*p.show, *p.timer, *p.clock, p.music, *p.start, *p.window,
                                         [viewport] { viewport->Forget(); },
                                         p.options.startDir.empty() ? "." : p.options.startDir);
    p.navigation->EnterAt(p.options.start);
    if (held)
        p.navigation->Hold();

    // --frames N ends the show after N frames, as a quit would; so does --end.
    const size_t endScene = p.options.end.scene >= 0 ? static_cast<size_t>(p.options.end.scene) : SIZE_MAX;
    p.hooks = OrvFrameHooks{
        [&p, endScene] {
            return p.window->QuitRequested() || (p.options.frames >= 0 && p.frames >= p.options.frames) ||
                   (p.show->Position() >= endScene && !p.show->Ended()) ||
                   (p.options.end.ms >= 0 && p.navigation->ShowTime() >= p.options.end.ms);
        },
        [&p] {
            p.navigation->BeginFrame();
            // The bars outside the 4:3 viewport are cleared too: glClear ignores the viewport.
            if (p.options.desktop)
                p.viewport->Follow();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        },
        [&p] {
            p.navigation->EndFrame();
            p.window->Swap();
            ++p.frames;
        },
    };
    // Without waiting, a held show draws nothing and gives control back.
    std::function<bool()> heldNow;
    if (!wait)
        heldNow = [&p] { return p.navigation->Held(); };
    std::function<void()> again;
    if (p.options.loop) {
        again = [&p] {
            p.start->Restore();
            p.viewport->Forget();
            p.navigation->StartedOver();
            if (p.music)
                p.music->Restart();
        };
    }
    p.steps = new OrvShowSteps(*p.show, *p.timer, p.hooks, std::move(again), std::move(heldNow));
}

bool OrvLiveShow::Step() { return parts->steps->Step(); }

int64_t OrvLiveShow::Frames() const { return parts->steps->Frames(); }

const char* OrvLiveShow::Scene() const
{
    const OrvShow& show = *parts->show;
    return show.Ended() ? "" : show.Entries()[show.Position()].name;
}

OrvLiveShow::~OrvLiveShow()
{
    OrvLiveShowParts* p = parts;
    delete p->steps;
    delete p->navigation;
    delete p->viewport;
    // The scenes delete GL objects, so they go while the context is still current.
    delete p->start;
    delete p->show;
    delete p->scenes;
    delete p->window;
    delete p->music;
    delete p->timer;
    delete p->clock;
    delete p;
}

int DemoMain(const OrvOptions& options)
{
    OrvLiveShow live(options);
    while (live.Step()) {
    }
    return 1;
}
