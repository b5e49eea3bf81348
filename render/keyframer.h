// OlvarKeyframer: the position track of one keyframe node, looked up per frame.
#pragma once

#include <cstddef>
#include <cstdint>

class OlvarLoader;

class OlvarKeyframer {
public:
    // Copies the position track of the node the loader selects for `name`. The
    // loader's answer to Find is not consulted: camera and light targets have a
    // node but no mesh. A name with no node leaves the loader's earlier selection
    // in place, so the keyframer then copies that node's track, if any.
    OlvarKeyframer(OlvarLoader* loader, const char* name, bool useParentKeys);
    ~OlvarKeyframer();

    OlvarKeyframer(const OlvarKeyframer&) = delete;
    OlvarKeyframer& operator=(const OlvarKeyframer&) = delete;

    // The key with the greatest frame strictly below `frame` (the first of equal
    // frames), the first key when none is below, null when there are no keys.
    const float* GetPosition(int32_t frame) const;

    int32_t KeyCount() const { return keyCount; }

private:
    void Clear();

    int32_t keyCount = 0;
    int32_t* frames = nullptr;
    float* keys = nullptr;
};
