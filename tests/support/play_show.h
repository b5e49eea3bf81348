// Plays a show through the real show loop on a made-up clock, offscreen.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "show/run_loop.h"
#include "show/show_constants.h"
#include "show/show.h"
#include "framework/timer.h"

// Plays the whole schedule through the show loop on a made-up clock that
// advances `stepMs` per frame; returns the frames drawn.
inline int64_t PlayShow(OrvShow& show, uint32_t stepMs)
{
    uint32_t now = 0;
    OrvTimer timer(OrvTicksPerSecond, [&now] { return now; });
    timer.Reset();
    OrvFrameHooks hooks;
    hooks.quitRequested = [] { return false; };
    hooks.beginFrame = [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        now += stepMs;
    };
    hooks.endFrame = [] { glFinish(); };
    return OrvRunShow(show, timer, hooks);
}
