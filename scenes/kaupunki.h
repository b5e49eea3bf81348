// Kaupunki: one scene of the show.
#pragma once

#include <cstdint>

class Kaupunki {
public:
    // Loads and prepares everything; needs a current GL context.
    Kaupunki();
    ~Kaupunki();

    Kaupunki(const Kaupunki&) = delete;
    Kaupunki& operator=(const Kaupunki&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);
};
