// The show's clock in the browser, in milliseconds. While music plays it is the
// music clock, so the picture follows the sound through holds and skips; with
// no music it is the page's monotonic clock, performance.now().
#include <emscripten.h>

#include <cmath>
#include <cstdint>

#include "framework/timer.h"
#if ORV_WEB_MUSIC
#include "framework/web/music_clock.h"
#endif

uint32_t OrvMonotonicMilliseconds()
{
#if ORV_WEB_MUSIC
    return OrvWebShowClockMilliseconds();
#else
    return static_cast<uint32_t>(static_cast<uint64_t>(std::floor(emscripten_get_now())));
#endif
}
