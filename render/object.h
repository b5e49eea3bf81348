// OlvarObject: one drawable triangle mesh built from a named object of a loader.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class OlvarLoader;

class OlvarObject {
public:
    // Copies the object's vertices, faces and mapping coordinates out of the
    // loader and packs them for glInterleavedArrays/glDrawElements. With
    // `relative` the vertices are taken relative to the object's local origin
    // and the position starts at that origin. Needs no GL context. An object
    // whose name the loader doesn't find stays empty: it draws and places nothing.
    OlvarObject(OlvarLoader* loader, const char* name, bool relative);
    ~OlvarObject();

    OlvarObject(const OlvarObject&) = delete;
    OlvarObject& operator=(const OlvarObject&) = delete;

    // Smooth vertex normals (3 floats per vertex) from the faces; a new[] array
    // owned by the caller, or null when there are no vertices. Each vertex gets
    // the unit average of the area-weighted normals of the faces that use it; a
    // vertex in no face, or whose sum has zero length, gets (0, 1, 0).
    static float* CalcNormals(const float* vertices, int32_t vertexCount,
                              const uint16_t* faces, int32_t faceCount);

    // Draws the mesh with the current GL state.
    void Render();
    // Multiplies the placement onto the current matrix: translate, rotate x, y, z.
    void Transform();
    void SetPosition(float x, float y, float z);
    void SetRotation(float x, float y, float z);

    int32_t VertexCount() const { return vertexCount; }
    int32_t FaceCount() const { return faceCount; }
    GLenum Format() const { return format; }
    const float* VertexArray() const { return vertexArray; }
    const uint32_t* IndexArray() const { return indexArray; }
    const float* Position() const { return position; }
    const float* Rotation() const { return rotation; }

private:
    void PackVertices(const float* vertices, const float* normals, const float* texCoords,
                      int32_t texCoordCount);
    void PackIndices(const uint16_t* faces);

    bool found = false;
    float position[3] = {0, 0, 0};
    float rotation[3] = {0, 0, 0};
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    float* vertexArray = nullptr;
    uint32_t* indexArray = nullptr;
    GLenum format = GL_N3F_V3F;
};
