// OlvarLoad3DS: reads a .3DS scene file and answers OlvarLoader queries about it.
#pragma once

#include "scenefile/loader.h"

#include <cstddef>
#include <cstdint>

class OlvarLoad3DS : public OlvarLoader {
public:
    // Reads the named file; an unreadable or corrupt file leaves an empty loader.
    explicit OlvarLoad3DS(const char* fileName);
    ~OlvarLoad3DS() override;

    bool Find(const char* name, bool useParentKeys) override;
    bool GetFaceCount(int32_t& count) const override;
    bool GetFaces(uint16_t* faces) const override;
    bool GetVertexCount(int32_t& count) const override;
    bool GetVertices(float* vertices, bool relative) const override;
    bool GetTexCoordCount(int32_t& count) const override;
    bool GetTexCoords(float* texCoords) const override;
    bool GetPositionKeyCount(int32_t& count) const override;
    bool GetPositionKeys(float* positions, int32_t* frames) const override;
    bool GetRotationKeyCount(int32_t& count) const override;
    bool GetRotationKeys(float* matrices, int32_t* frames) const override;
    bool GetFrameRange(int32_t& start, int32_t& end) const override;
    bool GetPivot(float* pivot) const override;
    bool GetLocalOrigin(float* origin) const override;
    bool GetLocalMatrix(float* matrix) const override;
};
