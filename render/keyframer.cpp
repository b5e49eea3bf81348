#include "render/keyframer.h"

#include "scenefile/loader.h"

OlvarKeyframer::OlvarKeyframer(OlvarLoader* loader, const char* name, bool useParentKeys)
{
    if (!loader || !name)
        return;
    loader->Find(name, useParentKeys);
    int32_t count = 0;
    loader->GetPositionKeyCount(count);
    if (count <= 0)
        return;
    frames = new int32_t[count]();
    keys = new float[size_t(count) * 3]();
    if (!loader->GetPositionKeys(keys, frames)) {
        Clear();
        return;
    }
    keyCount = count;
}

OlvarKeyframer::~OlvarKeyframer() { Clear(); }

// Drops the track, leaving a keyframer with no keys.
void OlvarKeyframer::Clear()
{
    delete[] frames;
    delete[] keys;
    frames = nullptr;
    keys = nullptr;
    keyCount = 0;
}

const float* OlvarKeyframer::GetPosition(int32_t frame) const
{
    if (keyCount == 0)
        return nullptr;
    int32_t chosen = -1;
    for (int32_t i = 0; i < keyCount; ++i) {
        if (frames[i] < frame && (chosen < 0 || frames[i] > frames[chosen]))
            chosen = i;
    }
    return keys + 3 * size_t(chosen < 0 ? 0 : chosen);
}
