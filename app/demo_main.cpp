#include "app/demo_main.h"

#include <GL/gl.h>

#include "app/scene_set.h"
#include "framework/music.h"
#include "framework/window.h"

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

int64_t OrvRunShow(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks)
{
    int64_t frames = 0;
    while (!hooks.quitRequested() && !show.Ended()) {
        hooks.beginFrame();
        int32_t ticks = timer.Elapsed();
        if (show.Step(ticks))
            timer.Reset();
        hooks.endFrame();
        ++frames;
    }
    return frames;
}

int64_t OrvRunShowLooping(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks,
                          const std::function<void()>& again)
{
    int64_t frames = 0;
    for (;;) {
        const int64_t pass = OrvRunShow(show, timer, hooks);
        frames += pass;
        if (!again || pass == 0 || !show.Ended() || hooks.quitRequested())
            return frames;
        again();
        show.Restart();
        timer.Reset();
    }
}

OrvViewport OrvFourThirdsViewport(int width, int height)
{
    if (static_cast<int64_t>(width) * 3 > static_cast<int64_t>(height) * 4) {
        const int w = height * 4 / 3;
        return {(width - w) / 2, 0, w, height};
    }
    const int h = width * 3 / 4;
    return {0, (height - h) / 2, width, h};
}

OrvShowStartState::OrvShowStartState()
{
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
}

OrvShowStartState::~OrvShowStartState()
{
    glPopClientAttrib();
    glPopAttrib();
}

void OrvShowStartState::Restore()
{
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(modelview);
    glPopClientAttrib();
    glPopAttrib();
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
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
    OrvWindow* window = new OrvWindow("Portable Orv test");
    OrvTimer* timer = new OrvTimer(30);
    OrvMusic* music = options.music ? new OrvMusic("Tuvari.xm") : nullptr;
    if (options.desktop)
        window->CreateDesktop(options.bits);
    else
        window->Create(640, 480, options.bits, options.window ? 0 : 1);

    OrvSceneSet* scenes = new OrvSceneSet;
    OrvSceneSet::SetGlobalState();
    OrvShow show(scenes->Schedule());
    DesktopViewport viewport(*window);
    OrvShowStartState* start = options.loop ? new OrvShowStartState : nullptr;
    timer->Reset();

    OrvFrameHooks hooks{
        [window] { return window->QuitRequested(); },
        [&options, &viewport] {
            // The bars outside the 4:3 viewport are cleared too: glClear ignores the viewport.
            if (options.desktop)
                viewport.Follow();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        },
        [window] { window->Swap(); },
    };
    std::function<void()> again;
    if (options.loop) {
        again = [start, music, &viewport] {
            start->Restore();
            viewport.Forget();
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
    return 1;
}
