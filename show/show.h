// OrvShow: the show schedule as a state machine, free of any window or clock.
//
// Each entry draws one scene for the ticks since that scene began and leaves
// after the first frame drawn with ticks above its limit. The caller reads the
// clock, calls Step once per frame and resets its clock when Step says the
// scene changed, so a test can drive the schedule with made-up ticks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

struct OrvScheduleEntry {
    const char* name;                    // scene class name, for traces and progress
    std::function<void(int32_t)> draw;   // draws one frame for the given ticks
    int32_t limit;                       // leaves after a frame whose ticks exceed this
    std::function<void()> leave;         // extra step when the scene leaves; may be empty
    // Sets what the scene carries from frame to frame to what it is after that
    // many frames drawn (for entering the show in the middle); may be empty.
    std::function<void(int64_t)> rewind = {};
    // The frames the scene draws with fewer ticks than this set GL state that its
    // later frames keep without setting it again (for entering the show in the middle).
    int32_t setupTicks = 0;
};

class OrvShow {
public:
    explicit OrvShow(std::vector<OrvScheduleEntry> entries) : entries(std::move(entries)) {}

    // True once the last entry has run out.
    bool Ended() const { return position >= entries.size(); }
    size_t Position() const { return position; }
    const std::vector<OrvScheduleEntry>& Entries() const { return entries; }

    // Draws the current scene for `ticks`; when ticks exceed its limit, moves to
    // the next entry, runs the leave step and returns true (reset the clock).
    bool Step(int32_t ticks);

    // Back to the first entry (for a looping show).
    void Restart() { position = 0; }

    // Makes `index` the current entry (for entering the show in the middle).
    void MoveTo(size_t index) { position = index; }

private:
    std::vector<OrvScheduleEntry> entries;
    size_t position = 0;
};
