// The keyframe getters: tracks decoded from the image on each call.
#include "scenefile/loader3ds.h"

#include <cmath>
#include <cstring>

namespace {

// Track flags and eight ignored bytes come before the key count.
constexpr uint32_t kTrackCountAt = 10;
constexpr uint32_t kPositionPayload = 12;
constexpr uint32_t kRotationPayload = 16;
constexpr double kPi = 3.14159265358979323846;

// Reads a key's frame and moves past its flags and the optional floats they
// announce (one per bit set among bits 0-4); false when they overrun.
bool ReadKeyHead(ChunkCursor& cursor, uint32_t& frame)
{
    uint16_t flags = 0;
    if (!cursor.U32(frame) || !cursor.U16(flags))
        return false;
    // Bits set in each value of the five low flag bits.
    static constexpr uint8_t kBits[32] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4,
                                          1, 2, 2, 3, 2, 3, 3, 4, 2, 3, 3, 4, 3, 4, 4, 5};
    return cursor.Skip(4u * kBits[flags & 0x1F]);
}

// Column-major 4x4 matrix, as OpenGL lays out its matrices.
using Matrix = float[16];

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

// The rotation by `degrees` about the axis (x, y, z), as glRotatef defines it:
// u u^T (1 - c) + c I + s [u]x for the unit axis u, computed in float.
bool RotationMatrix(float degrees, float x, float y, float z, Matrix r)
{
    if (!UnitAxis(x, y, z))
        return false;
    const double radians = degrees * kPi / 180.0;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const float t = 1.0f - c;
    const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
    const float xs = x * s, ys = y * s, zs = z * s;
    const float m[16] = {
        t * xx + c,  t * xy + zs, t * zx - ys, 0.0f,
        t * xy - zs, t * yy + c,  t * yz + xs, 0.0f,
        t * zx + ys, t * yz - xs, t * zz + c,  0.0f,
        0.0f,        0.0f,        0.0f,        1.0f,
    };
    std::memcpy(r, m, sizeof m);
    return true;
}

// m = m * r: post-multiplication, as the GL matrix stack multiplies.
void MultiplyRight(Matrix m, const Matrix r)
{
    float p[16];
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            p[col * 4 + row] = m[row] * r[col * 4] + m[4 + row] * r[col * 4 + 1] + m[8 + row] * r[col * 4 + 2] +
                               m[12 + row] * r[col * 4 + 3];
    std::memcpy(m, p, sizeof p);
}

// Reads the angle and axis of a rotation key and multiplies `m` on the right
// by that rotation: the angle in degrees (rounded to float), about the
// negated axis.
void MultiplyRotation(ChunkCursor& cursor, Matrix m)
{
    float angle = 0, x = 0, y = 0, z = 0;
    cursor.F32(angle);
    cursor.F32(x);
    cursor.F32(y);
    cursor.F32(z);
    float r[16];
    if (RotationMatrix(static_cast<float>(angle * 180.0 / kPi), -x, -y, -z, r))
        MultiplyRight(m, r);
}

}  // namespace

// Key count of a track whose keys all fit its chunk, or -1 when absent or
// when the header or any key overruns the chunk.
int64_t OlvarLoad3DS::TrackKeyCount(ImageSpan track, uint32_t payload) const
{
    if (!track.Present())
        return -1;
    ChunkCursor cursor = Cursor(track);
    uint32_t count = 0;
    if (!cursor.Skip(kTrackCountAt) || !cursor.U32(count))
        return -1;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t frame = 0;
        if (!ReadKeyHead(cursor, frame) || !cursor.Skip(payload))
            return -1;
    }
    return count;
}

ImageSpan OlvarLoad3DS::SelectedTrack(NodeTrack track) const
{
    if (selectedNode < 0 || selectedNode >= kMaxNodes)
        return ImageSpan{};
    return nodes[selectedNode].*track;
}

bool OlvarLoad3DS::GetPositionKeyCount(int32_t& count) const
{
    return ReportCount(TrackKeyCount(SelectedTrack(&NodeEntry::positionTrack), kPositionPayload), count);
}

bool OlvarLoad3DS::GetPositionKeys(float* positions, int32_t* frames) const
{
    const ImageSpan track = SelectedTrack(&NodeEntry::positionTrack);
    const int64_t n = TrackKeyCount(track, kPositionPayload);
    if (n < 0)
        return false;
    ChunkCursor cursor = Cursor(track);
    cursor.Skip(kTrackCountAt + 4);
    for (int64_t i = 0; i < n; ++i) {
        uint32_t frame = 0;
        ReadKeyHead(cursor, frame);
        frames[i] = static_cast<int32_t>(frame);
        cursor.F32(positions[3 * i]);
        cursor.F32(positions[3 * i + 1]);
        cursor.F32(positions[3 * i + 2]);
    }
    return true;
}

bool OlvarLoad3DS::GetRotationKeyCount(int32_t& count) const
{
    return ReportCount(TrackKeyCount(SelectedTrack(&NodeEntry::rotationTrack), kRotationPayload), count);
}

// Running product of the rotations, from the identity: the own node's first
// key first when its parent's keys are in use, then each key in turn.
bool OlvarLoad3DS::GetRotationKeys(float* matrices, int32_t* frames) const
{
    const ImageSpan track = SelectedTrack(&NodeEntry::rotationTrack);
    const int64_t n = TrackKeyCount(track, kRotationPayload);
    if (n < 0)
        return false;
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (ownNode >= 0 && ownNode < kMaxNodes && TrackKeyCount(nodes[ownNode].rotationTrack, kRotationPayload) > 0) {
        ChunkCursor own = Cursor(nodes[ownNode].rotationTrack);
        uint32_t frame = 0;
        own.Skip(kTrackCountAt + 4);
        ReadKeyHead(own, frame);
        MultiplyRotation(own, m);
    }
    ChunkCursor cursor = Cursor(track);
    cursor.Skip(kTrackCountAt + 4);
    for (int64_t i = 0; i < n; ++i) {
        uint32_t frame = 0;
        ReadKeyHead(cursor, frame);
        frames[i] = static_cast<int32_t>(frame);
        MultiplyRotation(cursor, m);
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
