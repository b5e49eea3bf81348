#include "framework/web/music_clock.h"

#include <emscripten/emscripten.h>

#include <cmath>

uint32_t OrvWebShowClockMilliseconds()
{
    static bool started = false;
    static bool onMusic = false;
    static double offset = 0.0;  // added to the clock followed now
    static double last = 0.0;
    double music = 0.0;
    const bool heard = OrvWebMusicMilliseconds(&music);
    const double now = heard ? music : emscripten_get_now();
    if (!started || heard != onMusic || now + offset < last)
        offset = (started ? last : 0.0) - now;
    started = true;
    onMusic = heard;
    last = now + offset;
    return static_cast<uint32_t>(static_cast<uint64_t>(std::floor(last)));
}
