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

    // Frames drawn with fewer ticks than this switch sphere-map generation off
    // for the later ones; those do not switch it off again.
    static constexpr int32_t kSetupTicks = 5;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);

    const OlvarMaterial* Texture() const { return texture; }

private:
    OlvarMaterial* texture = nullptr;
};
