// Kylpyla: one scene of the show.
#pragma once

#include <cstdint>

class Kylpyla {
public:
    // Loads and prepares everything; needs a current GL context.
    Kylpyla();
    ~Kylpyla();

    Kylpyla(const Kylpyla&) = delete;
    Kylpyla& operator=(const Kylpyla&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);
};
