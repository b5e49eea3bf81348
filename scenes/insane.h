// Insane: a spinning knot mirrored in a translucent floor through the stencil buffer.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class OlvarLoad3DS;
class OlvarObject;
class OlvarMaterial;

class Insane {
public:
    // Loads "insane.3ds" and its texture, compiles the lists and sets the show-wide
    // blend function and sphere-map generation; needs a current GL context.
    Insane();
    ~Insane();

    Insane(const Insane&) = delete;
    Insane& operator=(const Insane&) = delete;

    // Draws one frame, `ticks` (30 per second) since the scene began.
    void Draw(int32_t ticks);

    const OlvarMaterial* Texture() const { return texture; }

private:
    void CompileMirrorList();
    void CompileFloorList();
    void CompileMaterialList();
    void DrawKnot();

    OlvarLoad3DS* loader = nullptr;
    OlvarMaterial* texture = nullptr;
    OlvarObject* mesh = nullptr;
    GLuint mirrorList = 0;
    GLuint floorList = 0;
    GLuint materialList = 0;
};
