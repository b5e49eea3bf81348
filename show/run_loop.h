// The show loop: one frame per pass, the clock read once per frame, the clock
// reset whenever the schedule moves to its next scene. The platform around it
// (window and swap, offscreen read-back, a made-up clock) comes in as hooks.
#pragma once

#include <cstdint>
#include <functional>

#include "framework/timer.h"
#include "show/show.h"

// What the show loop does around each frame.
struct OrvFrameHooks {
    std::function<bool()> quitRequested;   // tested at the top of every pass
    std::function<void()> beginFrame;      // before the ticks are read (clears the buffers)
    std::function<void()> endFrame;        // after the scene has drawn (swaps the buffers)
};

// Runs the show from its current entry until it ends or a quit is asked for.
// Returns the number of frames drawn.
int64_t OrvRunShow(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks);

// Plays the show like OrvRunShow; when `again` is set and the show runs out,
// calls it, starts the show over from its first scene with the timer reset and
// plays on, until a quit is asked for. Returns the number of frames drawn.
int64_t OrvRunShowLooping(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks,
                          const std::function<void()>& again);
