// Womb: a sphere-mapped geosphere seen from the origin under two time-driven
// rotations, with a circling light and a pulsing, flickering colour.
#pragma once

#include <cstdint>

#include "scenes/womb_random.h"

class OlvarLoad3DS;
class OlvarObject;
class OlvarMaterial;

class Womb {
public:
    // Loads "womb.3ds" and its texture and switches on colour material and
    // sphere-map generation for the whole show; needs a current GL context.
    Womb();
    ~Womb();

    Womb(const Womb&) = delete;
    Womb& operator=(const Womb&) = delete;

    // Frames drawn with fewer ticks than this switch colour material and
    // sphere-map generation on again for the later ones.
    static constexpr int32_t kSetupTicks = 5;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);

    const OlvarMaterial* Texture() const { return texture; }

    // Puts the flicker's sequence where it is after `frames` frames drawn, so
    // the show can be entered in the middle with the colours a full run has.
    void RewindTo(int64_t frames) { random.Rewind(frames); }

private:
    OlvarLoad3DS* loader = nullptr;
    OlvarObject* mesh = nullptr;
    OlvarMaterial* texture = nullptr;
    // The never-seeded sequence, one draw per frame.
    WombRandom random;
};
