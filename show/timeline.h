// OrvShowTimeline: a whole run of the show on a given clock, worked out
// without drawing: which scene each frame draws and with which ticks.
//
// The run is the show loop's own: the same OrvTimer arithmetic, the same
// schedule limits, the timer reset on the frame a scene leaves. Frame i reads
// the clock at frameMs(i), so the capture's fixed step, the timedemo's tick
// clock and made-up clocks in tests all give their exact runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "show/show.h"

class OrvShowTimeline {
public:
    using FrameClock = std::function<uint32_t(int64_t frame)>;

    OrvShowTimeline(const std::vector<OrvScheduleEntry>& entries, FrameClock frameMs);

    // Frames the whole run draws.
    int64_t Frames() const { return static_cast<int64_t>(frames.size()); }
    size_t SceneOf(int64_t frame) const { return frames[static_cast<size_t>(frame)].scene; }
    int32_t TicksOf(int64_t frame) const { return frames[static_cast<size_t>(frame)].ticks; }
    uint32_t MillisecondsOf(int64_t frame) const { return clock(frame); }
    // Clock reading at which the scene of `frame` began (its timer's reset).
    uint32_t SceneStartOf(int64_t frame) const { return sceneStart[SceneOf(frame)]; }

    // The first frame scene `scene` draws; Frames() when it draws none.
    int64_t FirstFrameOf(size_t scene) const;
    // The first frame whose clock reading is at least `ms`; Frames() past the end.
    int64_t FirstFrameAt(uint32_t ms) const;
    // How many frames scene `scene` draws before `frame`.
    int64_t FramesOfSceneBefore(size_t scene, int64_t frame) const;

private:
    struct Frame {
        size_t scene;
        int32_t ticks;
    };
    std::vector<Frame> frames;
    std::vector<uint32_t> sceneStart;
    FrameClock clock;
};

// The show's own times, the same in every message whatever clock a run draws
// on: those of the run that draws every tick once (frame i is tick i), in
// milliseconds rounded to the nearest. A run on another clock has its frames
// within a frame of these.
struct OrvShowTimes {
    std::vector<int64_t> sceneStartMs;  // where each scene's first frame falls
    int64_t lengthMs = 0;               // where the frame after the last would fall
};
OrvShowTimes OrvShowTimesOf(const std::vector<OrvScheduleEntry>& entries);

// The show's clock for a run that draws every tick once: frame i at the first
// millisecond at which i ticks have passed.
uint32_t OrvTickClockMilliseconds(int64_t frame);

// "50.167 s": milliseconds as seconds with three decimals.
std::string OrvSecondsText(int64_t ms);

// "1 frame", "2 frames".
std::string OrvFramesText(int64_t frames);

// Brings a freshly started show to the point just before `frame` of the run
// `timeline` describes, without presenting anything: draws the setup frames
// (those within its setupTicks) and the last frame of every scene already
// passed (then its leave step), and of the scene of `frame` its setup frames
// and the frame just before `frame`, each once and in the full run's order, so
// the GL state the scenes hand on is what a full run leaves; rewinds each
// scene's own frame-to-frame state to what the full run has; makes the show's
// current entry that of `frame`.
// Each of these frames is cleared first, as the show loop does; the caller
// clears again before presenting. Returns the clock reading at which the
// current scene began, for the caller's timer.
uint32_t OrvReachFrame(OrvShow& show, const OrvShowTimeline& timeline, int64_t frame);
