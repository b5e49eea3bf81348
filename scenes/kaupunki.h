// Kaupunki: a textured city of boxes and cylinders under the file's animated camera.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class OlvarLoad3DS;
class OlvarObject;
class OlvarMaterial;
class OlvarKeyframer;

class Kaupunki {
public:
    static constexpr int kMeshCount = 19;
    static constexpr int kGroupCount = 5;

    // Loads "kaupunki.3ds" and five textures, compiles the shared material;
    // needs a current GL context.
    Kaupunki();
    ~Kaupunki();

    Kaupunki(const Kaupunki&) = delete;
    Kaupunki& operator=(const Kaupunki&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);

    const OlvarMaterial* Texture(int group) const { return textures[group]; }

private:
    void CompileList();

    OlvarLoad3DS* loader = nullptr;
    OlvarObject* meshes[kMeshCount] = {};
    OlvarKeyframer* camera = nullptr;
    OlvarKeyframer* target = nullptr;
    OlvarMaterial* textures[kGroupCount] = {};
    GLuint list = 0;
};
