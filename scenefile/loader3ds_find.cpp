// Find and the object getters: decoded from the image on each call.
#include "scenefile/loader3ds.h"

#include <cstring>

bool OlvarLoad3DS::Find(const char* name, bool useParentKeys)
{
    if (!name)
        return false;
    bool matched = false;
    for (int i = 0; i < objectCount; ++i) {
        if (!objectNames[i] || std::strcmp(objectNames[i], name) != 0)
            continue;
        Trace("Find(): Found object %s\n", name);
        selectedObject = i;
        matched = true;
    }
    bool found = false;
    for (int i = 0; i < nodeCount; ++i) {
        if (!nodeNames[i] || std::strcmp(nodeNames[i], name) != 0)
            continue;
        if (nodeParents[i] != -1 && useParentKeys) {
            for (int j = 0; j < nodeCount; ++j) {
                if (hierarchyPositions[j] != nodeParents[i])
                    continue;
                Trace("Find(): Using parent keyframes for object %s\n", name);
                selectedNode = j;
                ownNode = i;
                found = true;
            }
        } else {
            Trace("Find(): Found keyframes for object %s\n", name);
            selectedNode = i;
            ownNode = -1;
            found = true;
        }
    }
    if (trace)
        fflush(trace);
    return matched && found;
}

// Item count of the selected object's list in `table`, or -1 when the object
// has no such list or its items do not all fit the chunk.
int32_t OlvarLoad3DS::ListCount(const ImageSpan* table, uint32_t itemSize) const
{
    if (selectedObject < 0 || selectedObject >= kMaxObjects || !table[selectedObject].Present())
        return -1;
    ChunkCursor cursor = Cursor(table[selectedObject]);
    uint16_t count = 0;
    if (!cursor.U16(count) || cursor.Left() < count * itemSize)
        return -1;
    return count;
}

bool OlvarLoad3DS::GetFaceCount(int32_t& count) const
{
    return ReportCount(ListCount(faceLists, 8), count);
}

bool OlvarLoad3DS::GetFaces(uint16_t* faces) const
{
    const int32_t n = ListCount(faceLists, 8);
    if (n <= 0)
        return false;
    ChunkCursor cursor = Cursor(faceLists[selectedObject]);
    cursor.Skip(2);
    for (int32_t i = 0; i < n; ++i) {
        cursor.U16(faces[3 * i]);
        cursor.U16(faces[3 * i + 1]);
        cursor.U16(faces[3 * i + 2]);
        cursor.Skip(2);
    }
    return true;
}

bool OlvarLoad3DS::GetVertexCount(int32_t& count) const
{
    return ReportCount(ListCount(vertexLists, 12), count);
}

bool OlvarLoad3DS::GetVertices(float* vertices, bool relative) const
{
    const int32_t n = ListCount(vertexLists, 12);
    if (n <= 0)
        return false;
    float origin[3] = {0, 0, 0};
    if (relative)
        ReadOrigin(origin);
    ChunkCursor cursor = Cursor(vertexLists[selectedObject]);
    cursor.Skip(2);
    for (int32_t i = 0; i < 3 * n; ++i) {
        float v = 0;
        cursor.F32(v);
        vertices[i] = v - origin[i % 3];
    }
    return true;
}

bool OlvarLoad3DS::GetTexCoordCount(int32_t& count) const
{
    return ReportCount(ListCount(mappingLists, 8), count);
}

bool OlvarLoad3DS::GetTexCoords(float* texCoords) const
{
    const int32_t n = ListCount(mappingLists, 8);
    if (n <= 0)
        return false;
    ChunkCursor cursor = Cursor(mappingLists[selectedObject]);
    cursor.Skip(2);
    for (int32_t i = 0; i < 2 * n; ++i)
        cursor.F32(texCoords[i]);
    return true;
}

// The origin of the selected object's local system (the last three of its
// twelve floats); false and untouched when it has none.
bool OlvarLoad3DS::ReadOrigin(float* origin) const
{
    if (selectedObject < 0 || selectedObject >= kMaxObjects || !localSystems[selectedObject].Present())
        return false;
    ChunkCursor cursor = Cursor(localSystems[selectedObject]);
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
    bool present = selectedObject >= 0 && selectedObject < kMaxObjects && localSystems[selectedObject].Present();
    if (present) {
        ChunkCursor cursor = Cursor(localSystems[selectedObject]);
        float read[12];
        for (float& f : read)
            present = present && cursor.F32(f);
        if (present)
            std::memcpy(m, read, sizeof m);
    }
    std::memcpy(matrix, m, sizeof m);
    return present;
}
