// Tunneli: one scene of the show.
#pragma once

#include <cstdint>

class Tunneli {
public:
    // Loads and prepares everything; needs a current GL context.
    Tunneli();
    ~Tunneli();

    Tunneli(const Tunneli&) = delete;
    Tunneli& operator=(const Tunneli&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);
};
