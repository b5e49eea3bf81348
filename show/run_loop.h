// The show loop: one frame per pass, the clock read once per frame, the clock
// reset whenever the schedule moves to its next scene. The platform around it
// (window and swap, offscreen read-back, a made-up clock) comes in as hooks.
//
// A pass is a step (OrvShowSteps::Step draws one frame), so the loop can be a
// plain `while` on the desktop and a callback per animation frame in a browser,
// which gives control back to the page between frames.
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

// The show loop one frame at a time. `again`, when set, runs when the show runs
// out; the show then starts over from its first scene with the timer reset.
// `held`, when set, is tested after quitRequested: true means the show is held
// and the step draws nothing this time (the picture on screen stays).
class OrvShowSteps {
public:
    OrvShowSteps(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks, std::function<void()> again = {},
                 std::function<bool()> held = {});

    // Draws the next frame, or nothing while the show is held; false once the
    // show is over (it ran out without `again`, or a quit was asked for), and
    // from then on.
    bool Step();

    // Frames drawn so far.
    int64_t Frames() const { return frames; }

private:
    OrvShow& show;
    OrvTimer& timer;
    const OrvFrameHooks& hooks;
    std::function<void()> again;
    std::function<bool()> held;
    int64_t frames = 0;
    int64_t framesThisRun = 0;  // since the show last started over
    bool over = false;
};

// Runs the show from its current entry until it ends or a quit is asked for.
// Returns the number of frames drawn.
int64_t OrvRunShow(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks);

// Plays the show like OrvRunShow; when `again` is set and the show runs out,
// calls it, starts the show over from its first scene with the timer reset and
// plays on, until a quit is asked for. Returns the number of frames drawn.
int64_t OrvRunShowLooping(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks,
                          const std::function<void()>& again);
