// Intro: one scene of the show.
#pragma once

#include <cstdint>

class Intro {
public:
    // Loads and prepares everything; needs a current GL context.
    Intro();
    ~Intro();

    Intro(const Intro&) = delete;
    Intro& operator=(const Intro&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);
};
