#include "show/run_loop.h"

#include <utility>

OrvShowSteps::OrvShowSteps(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks, std::function<void()> again,
                           std::function<bool()> held)
    : show(show), timer(timer), hooks(hooks), again(std::move(again)), held(std::move(held))
{
}

bool OrvShowSteps::Step()
{
    while (!over) {
        if (!hooks.quitRequested() && !show.Ended()) {
            if (held && held())
                return true;
            hooks.beginFrame();
            int32_t ticks = timer.Elapsed();
            if (show.Step(ticks))
                timer.Reset();
            hooks.endFrame();
            ++frames;
            ++framesThisRun;
            return true;
        }
        // A run that drew nothing does not start over: the show would spin.
        if (!again || framesThisRun == 0 || !show.Ended() || hooks.quitRequested()) {
            over = true;
            break;
        }
        again();
        show.Restart();
        timer.Reset();
        framesThisRun = 0;
    }
    return false;
}

int64_t OrvRunShow(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks)
{
    OrvShowSteps steps(show, timer, hooks);
    while (steps.Step()) {
    }
    return steps.Frames();
}

int64_t OrvRunShowLooping(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks,
                          const std::function<void()>& again)
{
    OrvShowSteps steps(show, timer, hooks, again);
    while (steps.Step()) {
    }
    return steps.Frames();
}
