// OlvarLoader: what the render layer may ask of a loaded scene file.
//
// A loader holds one file. `Find` selects an object and a keyframe node by
// name; every getter then answers for that selection. Getters return true when
// the data is present and write into storage the caller owns and sized from the
// matching count getter: ask for the count first, then copy.
#pragma once

#include <cstdint>

class OlvarLoader {
public:
    virtual ~OlvarLoader() = default;

    // Selects the object and the keyframe node called `name`. True only when an
    // object matched and a node was selected for it.
    virtual bool Find(const char* name, bool useParentKeys) = 0;

    // Selected object. Faces are three 16-bit corner indices each, vertices and
    // mapping coordinates three and two floats each.
    virtual bool GetFaceCount(int32_t& count) const = 0;
    virtual bool GetFaces(uint16_t* faces) const = 0;
    virtual bool GetVertexCount(int32_t& count) const = 0;
    virtual bool GetVertices(float* vertices, bool relative) const = 0;
    virtual bool GetTexCoordCount(int32_t& count) const = 0;
    virtual bool GetTexCoords(float* texCoords) const = 0;

    // Selected node. Position keys are three floats each; rotation keys are
    // accumulated 4x4 column-major matrices.
    virtual bool GetPositionKeyCount(int32_t& count) const = 0;
    virtual bool GetPositionKeys(float* positions, int32_t* frames) const = 0;
    virtual bool GetRotationKeyCount(int32_t& count) const = 0;
    virtual bool GetRotationKeys(float* matrices, int32_t* frames) const = 0;
    virtual bool GetFrameRange(int32_t& start, int32_t& end) const = 0;
    virtual bool GetPivot(float* pivot) const = 0;

    // Selected object's local coordinate system: origin (3 floats), or the
    // X, Y, Z axes followed by the origin (12 floats).
    virtual bool GetLocalOrigin(float* origin) const = 0;
    virtual bool GetLocalMatrix(float* matrix) const = 0;
};
