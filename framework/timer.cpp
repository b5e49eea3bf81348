#include "framework/timer.h"

#include <utility>

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
