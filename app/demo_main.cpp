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

int DemoMain(const char* commandLineTail)
{
    OrvWindow* window = new OrvWindow("Portable Orv test");
    OrvTimer* timer = new OrvTimer(30);
    OrvCommandLine options = OrvScanCommandLine(commandLineTail);
    OrvMusic* music = options.music ? new OrvMusic("Tuvari.xm") : nullptr;
    window->Create(640, 480, options.bits, 1);

    OrvSceneSet* scenes = new OrvSceneSet;
    OrvSceneSet::SetGlobalState();
    OrvShow show(scenes->Schedule());
    timer->Reset();

    OrvFrameHooks hooks{
        [window] { return window->QuitRequested(); },
        [] { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT); },
        [window] { window->Swap(); },
    };
    OrvRunShow(show, *timer, hooks);

    // The scenes delete GL objects, so they go while the context is still current.
    delete scenes;
    delete window;
    delete music;
    delete timer;
    return 1;
}
