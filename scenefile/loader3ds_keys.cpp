// The keyframe getters: tracks decoded from the image on each call.
#include "scenefile/loader3ds.h"

#include <GL/gl.h>

#include <bit>
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
    return cursor.Skip(4u * static_cast<uint32_t>(std::popcount(static_cast<unsigned>(flags & 0x1F))));
}

// Reads the angle and axis of a rotation key and multiplies the current
// matrix by that rotation: degrees, about the negated axis.
void MultiplyRotation(ChunkCursor& cursor)
{
    float angle = 0, x = 0, y = 0, z = 0;
    cursor.F32(angle);
    cursor.F32(x);
    cursor.F32(y);
    cursor.F32(z);
    glRotatef(static_cast<float>(angle * 180.0 / kPi), -x, -y, -z);
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

ImageSpan OlvarLoad3DS::SelectedTrack(const ImageSpan* table) const
{
    if (selectedNode < 0 || selectedNode >= kMaxNodes)
        return ImageSpan{};
    return table[selectedNode];
}

bool OlvarLoad3DS::GetPositionKeyCount(int32_t& count) const
{
    return ReportCount(TrackKeyCount(SelectedTrack(positionTracks), kPositionPayload), count);
}

bool OlvarLoad3DS::GetPositionKeys(float* positions, int32_t* frames) const
{
    const ImageSpan track = SelectedTrack(positionTracks);
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
    return ReportCount(TrackKeyCount(SelectedTrack(rotationTracks), kRotationPayload), count);
}

// Running product of the rotations, built on the model-view stack: the own
// node's first key first when its parent's keys are in use, then each key.
bool OlvarLoad3DS::GetRotationKeys(float* matrices, int32_t* frames) const
{
    const ImageSpan track = SelectedTrack(rotationTracks);
    const int64_t n = TrackKeyCount(track, kRotationPayload);
    if (n < 0)
        return false;
    glPushMatrix();
    glLoadIdentity();
    if (ownNode >= 0 && ownNode < kMaxNodes && TrackKeyCount(rotationTracks[ownNode], kRotationPayload) > 0) {
        ChunkCursor own = Cursor(rotationTracks[ownNode]);
        uint32_t frame = 0;
        own.Skip(kTrackCountAt + 4);
        ReadKeyHead(own, frame);
        MultiplyRotation(own);
    }
    ChunkCursor cursor = Cursor(track);
    cursor.Skip(kTrackCountAt + 4);
    for (int64_t i = 0; i < n; ++i) {
        uint32_t frame = 0;
        ReadKeyHead(cursor, frame);
        frames[i] = static_cast<int32_t>(frame);
        MultiplyRotation(cursor);
        glGetFloatv(GL_MODELVIEW_MATRIX, matrices + 16 * i);
    }
    glPopMatrix();
    return true;
}

bool OlvarLoad3DS::GetFrameRange(int32_t& start, int32_t& end) const
{
    if (selectedNode < 0 || selectedNode >= kMaxNodes) {
        start = end = 0;
        return false;
    }
    start = rangeStarts[selectedNode];
    end = rangeEnds[selectedNode];
    return true;
}

bool OlvarLoad3DS::GetPivot(float* pivot) const
{
    if (selectedNode < 0 || selectedNode >= kMaxNodes || !pivots[selectedNode].Present())
        return false;
    ChunkCursor cursor = Cursor(pivots[selectedNode]);
    float p[3];
    if (!cursor.F32(p[0]) || !cursor.F32(p[1]) || !cursor.F32(p[2]))
        return false;
    std::memcpy(pivot, p, sizeof p);
    return true;
}
