#include "framework/timer.h"

#include <time.h>

#include <utility>

uint32_t OrvMonotonicMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

OrvTimer::OrvTimer(int32_t rate, Clock clock) : rate(rate), clock(std::move(clock)) {}

void OrvTimer::Reset()
{
    start = clock();
    last = start;
}

void OrvTimer::ResetTo(uint32_t ms)
{
    last = clock();
    start = last - ms;
}

int32_t OrvTimer::Elapsed()
{
    last = clock();
    // Modulo-2^32 difference and product, each read back as signed.
    int32_t difference = static_cast<int32_t>(last - start);
    int32_t product = static_cast<int32_t>(static_cast<uint32_t>(difference) * static_cast<uint32_t>(rate));
    return product / 1000;
}
