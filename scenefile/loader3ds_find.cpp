// Find and the object getters: decoded from the image on each call.
#include "scenefile/loader3ds.h"

#include <bit>
#include <cstring>

// With the trace off (fuzzing, benchmarks) not even the call is made.
#define TRACE(...) (trace || problemFile ? Trace(__VA_ARGS__) : void())

bool OlvarLoad3DS::Find(const char* name, bool useParentKeys)
{
    if (!name)
        return false;
    bool matched = false;
    for (int i = 0; i < objectCount; ++i) {
        if (!objects[i].name || std::strcmp(objects[i].name, name) != 0)
            continue;
        TRACE("Find(): Found object %s\n", name);
        selectedObject = i;
        matched = true;
    }
    bool found = false;
    for (int i = 0; i < nodeCount; ++i) {
        if (!nodes[i].name || std::strcmp(nodes[i].name, name) != 0)
            continue;
        if (nodes[i].parent != -1 && useParentKeys) {
            for (int j = 0; j < nodeCount; ++j) {
                if (nodes[j].hierarchyPosition != nodes[i].parent)
                    continue;
                TRACE("Find(): Using parent keyframes for object %s\n", name);
                selectedNode = j;
                ownNode = i;
                found = true;
            }
        } else {
            TRACE("Find(): Found keyframes for object %s\n", name);
            selectedNode = i;
            ownNode = -1;
            found = true;
        }
    }
    if (trace)
        fflush(trace);
    return matched && found;
}

namespace {

// Used only on big-endian hosts.
[[maybe_unused]] uint16_t LittleU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Copies `count` little-endian floats from the image: one block copy on a
// little-endian host, assembled byte by byte elsewhere.
void LittleFloats(const uint8_t* from, size_t count, float* to)
{
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(to, from, 4 * count);
    } else {
        for (size_t i = 0; i < count; ++i, from += 4) {
            const uint32_t u = uint32_t(from[0]) | uint32_t(from[1]) << 8 | uint32_t(from[2]) << 16 |
                               uint32_t(from[3]) << 24;
            std::memcpy(to + i, &u, 4);
        }
    }
}

}  // namespace

// The first item of the selected object's `list`; only for a list
// that ListCount has found whole inside the image.
const uint8_t* OlvarLoad3DS::ListItems(ObjectList list) const
{
    return image.get() + (objects[selectedObject].*list).begin + 2;
}

// Item count of the selected object's `list`, or -1 when the object
// has no such list or its items do not all fit the chunk.
int32_t OlvarLoad3DS::ListCount(ObjectList list, uint32_t itemSize) const
{
    if (selectedObject < 0 || selectedObject >= kMaxObjects || !(objects[selectedObject].*list).Present())
        return -1;
    ChunkCursor cursor = Cursor(objects[selectedObject].*list);
    uint16_t count = 0;
    if (!cursor.U16(count) || cursor.Left() < count * itemSize)
        return -1;
    return count;
}

bool OlvarLoad3DS::GetFaceCount(int32_t& count) const
{
    return ReportCount(ListCount(&ObjectEntry::faces, 8), count);
}

bool OlvarLoad3DS::GetFaces(uint16_t* faces) const
{
    const int32_t n = ListCount(&ObjectEntry::faces, 8);
    if (n <= 0)
        return false;
    const uint8_t* face = ListItems(&ObjectEntry::faces);
    if constexpr (std::endian::native == std::endian::little) {
        // Each stored face is three corners and a flags word: copy eight bytes
        // per face, the next face's corners overwriting the flags, and only
        // the three corners of the last one.
        for (int32_t i = 0; i + 1 < n; ++i, face += 8)
            std::memcpy(faces + 3 * i, face, 8);
        std::memcpy(faces + 3 * (n - 1), face, 6);
    } else {
        for (int32_t i = 0; i < n; ++i, face += 8) {
            faces[3 * i] = LittleU16(face);
            faces[3 * i + 1] = LittleU16(face + 2);
            faces[3 * i + 2] = LittleU16(face + 4);
        }
    }
    return true;
}

bool OlvarLoad3DS::GetVertexCount(int32_t& count) const
{
    return ReportCount(ListCount(&ObjectEntry::vertices, 12), count);
}

bool OlvarLoad3DS::GetVertices(float* vertices, bool relative) const
{
    const int32_t n = ListCount(&ObjectEntry::vertices, 12);
    if (n <= 0)
        return false;
    float origin[3] = {0, 0, 0};
    if (relative)
        ReadOrigin(origin);
    LittleFloats(ListItems(&ObjectEntry::vertices), 3 * size_t(n), vertices);
    // Subtracted even when it is zero, so every value goes through the same arithmetic.
    for (int32_t i = 0; i < n; ++i) {
        vertices[3 * i] -= origin[0];
        vertices[3 * i + 1] -= origin[1];
        vertices[3 * i + 2] -= origin[2];
    }
    return true;
}

bool OlvarLoad3DS::GetTexCoordCount(int32_t& count) const
{
    return ReportCount(ListCount(&ObjectEntry::mapping, 8), count);
}

bool OlvarLoad3DS::GetTexCoords(float* texCoords) const
{
    const int32_t n = ListCount(&ObjectEntry::mapping, 8);
    if (n <= 0)
        return false;
    LittleFloats(ListItems(&ObjectEntry::mapping), 2 * size_t(n), texCoords);
    return true;
}

// The origin of the selected object's local system (the last three of its
// twelve floats); false and untouched when it has none.
bool OlvarLoad3DS::ReadOrigin(float* origin) const
{
    if (selectedObject < 0 || selectedObject >= kMaxObjects || !objects[selectedObject].localSystem.Present())
        return false;
    ChunkCursor cursor = Cursor(objects[selectedObject].localSystem);
    float o[3];
    if (!cursor.Skip(36) || !cursor.F32(o[0]) || !cursor.F32(o[1]) || !cursor.F32(o[2]))
        return false;
    std::memcpy(origin, o, sizeof o);
    return true;
}

bool OlvarLoad3DS::GetLocalOrigin(float* origin) const
{
    float o[3] = {0, 0, 0};
    const bool present = ReadOrigin(o);
    std::memcpy(origin, o, sizeof o);
    return present;
}

bool OlvarLoad3DS::GetLocalMatrix(float* matrix) const
{
    float m[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    bool present = selectedObject >= 0 && selectedObject < kMaxObjects && objects[selectedObject].localSystem.Present();
    if (present) {
        ChunkCursor cursor = Cursor(objects[selectedObject].localSystem);
        float read[12];
        for (float& f : read)
            present = present && cursor.F32(f);
        if (present)
            std::memcpy(m, read, sizeof m);
    }
    std::memcpy(matrix, m, sizeof m);
    return present;
}
