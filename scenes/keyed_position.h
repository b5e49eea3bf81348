// PositionAt: a keyframed node's position, with a fixed fallback for a node without keys.
#pragma once

#include <cstdint>

#include "render/keyframer.h"

// The node's position at `ticks`, or the origin when its track holds no keys,
// so a scene whose file lacks a camera track keeps drawing instead of crashing.
inline const float* PositionAt(const OlvarKeyframer* track, int32_t ticks)
{
    static const float origin[3] = {0.0f, 0.0f, 0.0f};
    const float* position = track->GetPosition(ticks);
    return position ? position : origin;
}
