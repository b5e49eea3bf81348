// The page's monotonic clock, performance.now(), in milliseconds.
#include <emscripten.h>

#include <cmath>
#include <cstdint>

#include "framework/timer.h"

uint32_t OrvMonotonicMilliseconds()
{
    return static_cast<uint32_t>(static_cast<uint64_t>(std::floor(emscripten_get_now())));
}
