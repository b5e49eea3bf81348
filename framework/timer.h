// OrvTimer: show ticks from a millisecond clock.
//
// Counts ticks (`rate` per second) since the latest Reset. The clock is read as
// a 32-bit millisecond counter and all arithmetic is 32-bit signed, so a wrap of
// the counter between Reset and Elapsed is harmless. The clock can be replaced,
// so tests and the offscreen capture can run the show on made-up time.
//
// Threads: use from one thread; no locking.
#pragma once

#include <cstdint>
#include <functional>

// Milliseconds of the system's monotonic clock, reduced to 32 bits (each
// platform provides it: CLOCK_MONOTONIC on Linux).
uint32_t OrvMonotonicMilliseconds();

class OrvTimer {
public:
    using Clock = std::function<uint32_t()>;

    explicit OrvTimer(int32_t rate, Clock clock = OrvMonotonicMilliseconds);

    // Restarts the count from the clock's current reading.
    void Reset();

    // Restarts the count as if the latest Reset had been `ms` milliseconds ago
    // (for entering the show in the middle of a scene).
    void ResetTo(uint32_t ms);

    // Ticks since the latest Reset: (now - start) * rate / 1000, truncated.
    int32_t Elapsed();

private:
    int32_t rate;
    uint32_t start = 0;
    uint32_t last = 0;
    Clock clock;
};
