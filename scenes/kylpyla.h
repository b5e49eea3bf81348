// Kylpyla: a room of 21 meshes in five material groups under the file's animated camera.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class OlvarLoad3DS;
class OlvarObject;
class OlvarMaterial;
class OlvarKeyframer;

class Kylpyla {
public:
    static constexpr int kMeshCount = 21;
    static constexpr int kGroupCount = 5;

    // Loads "kylpyla.3ds" and five textures, compiles the material lists;
    // needs a current GL context.
    Kylpyla();
    ~Kylpyla();

    Kylpyla(const Kylpyla&) = delete;
    Kylpyla& operator=(const Kylpyla&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);

    const OlvarMaterial* Texture(int group) const { return textures[group]; }

private:
    void CompileLists();

    OlvarLoad3DS* loader = nullptr;
    OlvarObject* meshes[kMeshCount] = {};
    OlvarKeyframer* camera = nullptr;
    OlvarKeyframer* target = nullptr;
    OlvarKeyframer* spot = nullptr;
    OlvarKeyframer* spotTarget = nullptr;
    OlvarMaterial* textures[kGroupCount] = {};
    GLuint lists[kGroupCount] = {};
};
