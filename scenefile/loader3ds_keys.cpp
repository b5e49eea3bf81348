// The keyframe getters: tracks decoded from the image on each call.
#include "scenefile/loader3ds.h"

#include <cmath>
#include <cstring>

namespace {

// Track flags and eight ignored bytes come before the key count.
constexpr uint32_t kTrackCountAt = 10;
constexpr double kPi = 3.14159265358979323846;
// The optional floats a key's flags announce: one per bit set among bits 0-4.
constexpr uint8_t kFlagFloats[32] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
                                     1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5};

uint32_t LittleU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

float LittleF32(const uint8_t* p)
{
    const uint32_t u = LittleU32(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

// Steps through the keys of a track that the walk found whole (see
// TrackKeyCount), so its reads need no bounds checks. Each key: frame (4
// bytes), flags (2), one float per flag bit 0-4, then `payload` bytes.
class KeyWalk {
public:
    KeyWalk(const uint8_t* trackData, uint32_t payload) : key(trackData + kTrackCountAt + 4), payload(payload) {}

    // The next key's frame; `values` gets where its payload starts.
    int32_t Next(const uint8_t*& values)
    {
        const uint32_t frame = LittleU32(key);
        values = key + 6;
        if (const uint8_t flags = key[4] & 0x1F)  // rare: keeps the next key's address off the load
            values += 4 * kFlagFloats[flags];
        key = values + payload;
        return static_cast<int32_t>(frame);
    }

private:
    const uint8_t* key;
    uint32_t payload;
};

// The unit axis of a rotation, or false when the axis is too short to have a
// direction (such a rotation contributes nothing). An axis along x, y or z
// keeps its exact unit direction, however short it is.
bool UnitAxis(float& x, float& y, float& z)
{
    const int zeros = (x == 0.0f) + (y == 0.0f) + (z == 0.0f);
    if (zeros == 2) {
        x = x == 0.0f ? 0.0f : (x < 0.0f ? -1.0f : 1.0f);
        y = y == 0.0f ? 0.0f : (y < 0.0f ? -1.0f : 1.0f);
        z = z == 0.0f ? 0.0f : (z < 0.0f ? -1.0f : 1.0f);
        return true;
    }
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 1.0e-4f)
        return false;
    x /= length;
    y /= length;
    z /= length;
    return true;
}

// The upper 3x3 block of a rotation matrix, column-major; the rest of a
// rotation's 4x4 matrix is 0, 0, 0, 1.
struct Rotation {
    float e[9];
};

// The rotation by `degrees` about the axis (x, y, z), as glRotatef defines it:
// u u^T (1 - c) + c I + s [u]x for the unit axis u, computed in float; false
// when the axis has no direction.
bool RotationMatrix(float degrees, float x, float y, float z, Rotation& r)
{
    if (!UnitAxis(x, y, z))
        return false;
    const double radians = degrees * kPi / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const float t = 1.0f - c;
    const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
    const float xs = x * s, ys = y * s, zs = z * s;
    r = Rotation{{
        t * xx + c,  t * xy + zs, t * zx - ys,
        t * xy - zs, t * yy + c,  t * yz + xs,
        t * zx + ys, t * yz - xs, t * zz + c,
    }};
    return true;
}

// m = m * r for a 4x4 column-major m, as the GL matrix stack multiplies
// (post-multiplication). Each row of m changes on its own, and only in its
// first three columns.
void MultiplyRight(float* m, const Rotation& r)
{
    for (int row = 0; row < 3; ++row) {
        const float a = m[row], b = m[4 + row], c = m[8 + row];
        m[row] = a * r.e[0] + b * r.e[1] + c * r.e[2];
        m[4 + row] = a * r.e[3] + b * r.e[4] + c * r.e[5];
        m[8 + row] = a * r.e[6] + b * r.e[7] + c * r.e[8];
    }
}

// Multiplies `m` on the right by the rotation of a key whose values (angle in
// radians, axis x, y, z) start at `values`: the angle in degrees (rounded to
// float), about the negated axis.
void MultiplyRotation(const uint8_t* values, float* m)
{
    const float angle = LittleF32(values);
    Rotation r;
    if (RotationMatrix(static_cast<float>(angle * 180.0 / kPi), -LittleF32(values + 4), -LittleF32(values + 8),
                       -LittleF32(values + 12), r))
        MultiplyRight(m, r);
}

}  // namespace

// Key count of a track whose keys all fit its chunk, or -1 when absent or
// when the header or any key overruns the chunk. Runs once per track, while
// loading; the getters trust the count it found.
int64_t OlvarLoad3DS::TrackKeyCount(ImageSpan track, uint32_t payload) const
{
    if (!track.Present())
        return -1;
    ChunkCursor cursor = Cursor(track);
    uint32_t count = 0;
    if (!cursor.Skip(kTrackCountAt) || !cursor.U32(count))
        return -1;
    // Each key: frame (4 bytes), flags (2), one float per flag bit 0-4, payload.
    const uint8_t* key = image.get() + cursor.Offset();
    uint64_t left = cursor.Left();
    for (uint32_t i = 0; i < count; ++i) {
        if (left < 6)
            return -1;
        uint64_t size = 6 + payload;
        if (const uint8_t flags = key[4] & 0x1F)  // rare: keeps the next key's address off the load
            size += 4 * kFlagFloats[flags];
        if (left < size)
            return -1;
        key += size;
        left -= size;
    }
    return count;
}

OlvarLoad3DS::Track OlvarLoad3DS::SelectedTrack(NodeTrack track) const
{
    if (selectedNode < 0 || selectedNode >= kMaxNodes)
        return Track{};
    return nodes[selectedNode].*track;
}

bool OlvarLoad3DS::GetPositionKeyCount(int32_t& count) const
{
    return ReportCount(SelectedTrack(&NodeEntry::positionTrack).KeyCount(), count);
}

bool OlvarLoad3DS::GetPositionKeys(float* positions, int32_t* frames) const
{
    const Track track = SelectedTrack(&NodeEntry::positionTrack);
    const int64_t n = track.KeyCount();
    if (n < 0)
        return false;
    KeyWalk keys(image.get() + track.span.begin, 12);
    for (int64_t i = 0; i < n; ++i) {
        const uint8_t* values;
        frames[i] = keys.Next(values);
        positions[3 * i] = LittleF32(values);
        positions[3 * i + 1] = LittleF32(values + 4);
        positions[3 * i + 2] = LittleF32(values + 8);
    }
    return true;
}

bool OlvarLoad3DS::GetRotationKeyCount(int32_t& count) const
{
    return ReportCount(SelectedTrack(&NodeEntry::rotationTrack).KeyCount(), count);
}

// Running product of the rotations, from the identity: the own node's first
// key first when its parent's keys are in use, then each key in turn.
bool OlvarLoad3DS::GetRotationKeys(float* matrices, int32_t* frames) const
{
    const Track track = SelectedTrack(&NodeEntry::rotationTrack);
    const int64_t n = track.KeyCount();
    if (n < 0)
        return false;
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const uint8_t* values;
    if (ownNode >= 0 && ownNode < kMaxNodes && nodes[ownNode].rotationTrack.KeyCount() > 0) {
        KeyWalk own(image.get() + nodes[ownNode].rotationTrack.span.begin, 16);
        own.Next(values);
        MultiplyRotation(values, m);
    }
    KeyWalk keys(image.get() + track.span.begin, 16);
    for (int64_t i = 0; i < n; ++i) {
        frames[i] = keys.Next(values);
        MultiplyRotation(values, m);
        std::memcpy(matrices + 16 * i, m, sizeof m);
    }
    return true;
}

bool OlvarLoad3DS::GetFrameRange(int32_t& start, int32_t& end) const
{
    if (selectedNode < 0 || selectedNode >= kMaxNodes) {
        start = end = 0;
        return false;
    }
    start = nodes[selectedNode].rangeStart;
    end = nodes[selectedNode].rangeEnd;
    return true;
}

bool OlvarLoad3DS::GetPivot(float* pivot) const
{
    if (selectedNode < 0 || selectedNode >= kMaxNodes || !nodes[selectedNode].pivot.Present())
        return false;
    ChunkCursor cursor = Cursor(nodes[selectedNode].pivot);
    float p[3];
    if (!cursor.F32(p[0]) || !cursor.F32(p[1]) || !cursor.F32(p[2]))
        return false;
    std::memcpy(pivot, p, sizeof p);
    return true;
}
