// WombRandom: the pseudo-random sequence behind Womb's green flicker.
#pragma once

#include <cstdint>

// A linear congruential generator (multiplier 214013, increment 2531011, seed 1)
// that yields bits 16 to 30 of its state: values 0 to 32767, the same sequence on
// every platform, whatever range the C library's rand has.
class WombRandom {
public:
    static constexpr int32_t kMax = 32767;

    int32_t Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFFu);
    }

    // Back to the start of the sequence, then `draws` values on, as if Next had
    // been called that many times.
    void Rewind(int64_t draws)
    {
        state = 1;
        for (int64_t i = 0; i < draws; ++i)
            Next();
    }

private:
    uint32_t state = 1;
};
