// Intro: the opening still picture, a textured square facing the viewer.
#pragma once

#include <cstdint>

class OlvarMaterial;

class Intro {
public:
    // Loads the picture; needs a current GL context.
    Intro();
    ~Intro();

    Intro(const Intro&) = delete;
    Intro& operator=(const Intro&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);

    const OlvarMaterial* Texture() const { return texture; }

private:
    OlvarMaterial* texture = nullptr;
};
