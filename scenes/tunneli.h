// Tunneli: a sphere-mapped tunnel seen through the camera its scene file animates.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class OlvarLoad3DS;
class OlvarObject;
class OlvarMaterial;
class OlvarKeyframer;

class Tunneli {
public:
    // Loads "tunneli.3ds" and its texture, compiles the texture list; needs a current GL context.
    Tunneli();
    ~Tunneli();

    Tunneli(const Tunneli&) = delete;
    Tunneli& operator=(const Tunneli&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);

    const OlvarMaterial* Texture() const { return texture; }

private:
    void CompileList();

    OlvarLoad3DS* loader = nullptr;
    OlvarObject* mesh = nullptr;
    OlvarMaterial* texture = nullptr;
    OlvarKeyframer* camera = nullptr;
    OlvarKeyframer* target = nullptr;
    GLuint list = 0;
};
