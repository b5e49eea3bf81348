// Insane: one scene of the show.
#pragma once

#include <cstdint>

class Insane {
public:
    // Loads and prepares everything; needs a current GL context.
    Insane();
    ~Insane();

    Insane(const Insane&) = delete;
    Insane& operator=(const Insane&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);
};
