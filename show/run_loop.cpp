#include "show/run_loop.h"

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
