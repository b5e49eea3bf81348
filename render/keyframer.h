// OlvarKeyframer: the position track of one keyframe node, looked up per frame.
#pragma once

#include <cstdint>

class OlvarLoader;

class OlvarKeyframer {
public:
    OlvarKeyframer(OlvarLoader* loader, const char* name, bool useParentKeys);
    ~OlvarKeyframer();

    OlvarKeyframer(const OlvarKeyframer&) = delete;
    OlvarKeyframer& operator=(const OlvarKeyframer&) = delete;

    // The key with the greatest frame strictly below `frame` (the first of equal
    // frames), the first key when none is below, null when there are no keys.
    const float* GetPosition(int32_t frame) const;

    int32_t KeyCount() const { return keyCount; }

private:
    int32_t keyCount = 0;
    int32_t* frames = nullptr;
    float* keys = nullptr;
};
