// Womb: one scene of the show.
#pragma once

#include <cstdint>

class Womb {
public:
    // Loads and prepares everything; needs a current GL context.
    Womb();
    ~Womb();

    Womb(const Womb&) = delete;
    Womb& operator=(const Womb&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);
};
