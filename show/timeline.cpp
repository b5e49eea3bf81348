#include "show/timeline.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "framework/timer.h"
#include "show/run_loop.h"
#include "show/show_constants.h"

OrvShowTimeline::OrvShowTimeline(const std::vector<OrvScheduleEntry>& entries, FrameClock frameMs)
    : sceneStart(entries.size(), 0), clock(std::move(frameMs))
{
    // The show loop itself, over a copy of the schedule that only records.
    size_t current = 0;
    std::vector<OrvScheduleEntry> dry;
    for (size_t i = 0; i < entries.size(); ++i)
        dry.push_back({entries[i].name, [this, i](int32_t t) { frames.push_back({i, t}); }, entries[i].limit, {}});
    OrvShow show(std::move(dry));
    uint32_t now = clock(0);
    OrvTimer timer(OrvTicksPerSecond, [&now] { return now; });
    timer.Reset();
    if (!sceneStart.empty())
        sceneStart[0] = now;
    OrvFrameHooks hooks;
    hooks.quitRequested = [] { return false; };
    hooks.beginFrame = [&] { now = clock(Frames()); };
    hooks.endFrame = [&] {
        if (show.Position() != current && !show.Ended())
            sceneStart[show.Position()] = now;
        current = show.Position();
    };
    OrvRunShow(show, timer, hooks);
}

int64_t OrvShowTimeline::FirstFrameOf(size_t scene) const
{
    const auto it = std::find_if(frames.begin(), frames.end(), [scene](const Frame& f) { return f.scene == scene; });
    return it - frames.begin();
}

int64_t OrvShowTimeline::FirstFrameAt(uint32_t ms) const
{
    int64_t i = 0;
    while (i < Frames() && clock(i) < ms)
        ++i;
    return i;
}

int64_t OrvShowTimeline::FramesOfSceneBefore(size_t scene, int64_t frame) const
{
    return std::count_if(frames.begin(), frames.begin() + std::min(frame, Frames()),
                         [scene](const Frame& f) { return f.scene == scene; });
}

uint32_t OrvTickClockMilliseconds(int64_t frame)
{
    return static_cast<uint32_t>((frame * 1000 + OrvTicksPerSecond - 1) / OrvTicksPerSecond);
}

OrvShowTimes OrvShowTimesOf(const std::vector<OrvScheduleEntry>& entries)
{
    const OrvShowTimeline ticks(entries, OrvTickClockMilliseconds);
    const auto ms = [](int64_t tick) { return (tick * 2000 + OrvTicksPerSecond) / (2 * OrvTicksPerSecond); };
    OrvShowTimes times;
    for (size_t scene = 0; scene < entries.size(); ++scene)
        times.sceneStartMs.push_back(ms(ticks.FirstFrameOf(scene)));
    times.lengthMs = ms(ticks.Frames());
    return times;
}

std::string OrvSecondsText(int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld s", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

std::string OrvFramesText(int64_t frames)
{
    return std::to_string(frames) + (frames == 1 ? " frame" : " frames");
}

uint32_t OrvReachFrame(OrvShow& show, const OrvShowTimeline& timeline, int64_t frame)
{
    const std::vector<OrvScheduleEntry>& entries = show.Entries();
    const size_t target = frame < timeline.Frames() ? timeline.SceneOf(frame) : entries.size();
    const auto unseen = [&](size_t scene, int32_t ticks) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        entries[scene].draw(ticks);
    };
    // The frames of `scene` before `end` whose state outlasts them: its setup frames
    // and the last one. Any frame between them sets nothing the last does not set again.
    const auto replay = [&](size_t scene, int64_t end) {
        for (int64_t f = timeline.FirstFrameOf(scene); f < end && timeline.SceneOf(f) == scene; ++f) {
            const bool last = f + 1 == end || timeline.SceneOf(f + 1) != scene;
            if (last || timeline.TicksOf(f) < entries[scene].setupTicks)
                unseen(scene, timeline.TicksOf(f));
        }
    };
    for (size_t scene = 0; scene < target && scene < entries.size(); ++scene) {
        replay(scene, timeline.Frames());
        if (entries[scene].leave)
            entries[scene].leave();
    }
    if (target < entries.size())
        replay(target, frame);
    // The unseen frames above drew the scenes' own state on too: rewind it to the full run's count.
    for (size_t scene = 0; scene < entries.size(); ++scene)
        if (entries[scene].rewind)
            entries[scene].rewind(timeline.FramesOfSceneBefore(scene, frame));
    show.MoveTo(target);
    return frame < timeline.Frames() ? timeline.SceneStartOf(frame) : 0;
}
