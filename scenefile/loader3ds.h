// OlvarLoad3DS: reads a .3DS scene file and answers OlvarLoader queries about it.
//
// The whole file is read into one image owned by the loader; one walk of its
// chunk tree records where the editor lists and keyframer chunks lie, and the
// getters decode from the image on demand. While loading, and in Find, the
// loader writes a trace of what it reads (to standard output for files).
//
// Malformed files never make it read outside the image: a chunk that does not
// fit its parent, a name without terminator, a list or track that does not fit
// its chunk, more than 100 objects or nodes, or nesting deeper than 32 levels
// each stop the offending span with one trace line starting "Error! ", and what
// was recorded before stays usable.
//
// Rotation keys are composed on the CPU with the matrices glRotatef defines,
// multiplied as the GL matrix stack multiplies them; the reader needs no
// graphics library and no context.
//
// Threads: construct and query on one thread.
#pragma once

#include "scenefile/chunk_cursor.h"
#include "scenefile/loader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class OlvarLoad3DS : public OlvarLoader {
public:
    static constexpr int kMaxObjects = 100;
    static constexpr int kMaxNodes = 100;

    // Reads the named file; an unreadable or corrupt file leaves an empty loader.
    // The trace goes to OlvarTraceStream(); a file that cannot be read, one
    // that is no scene file (it does not open with a main chunk of at least a
    // header's length), or the first bounds problem found in it, goes to the
    // problem handler.
    explicit OlvarLoad3DS(const char* fileName);
    // Loads a copy of an image already in memory. The trace goes to `trace`;
    // nullptr silences it (for fuzzing and benchmarks).
    OlvarLoad3DS(const uint8_t* data, size_t size, FILE* trace = stdout);
    ~OlvarLoad3DS() override;

    OlvarLoad3DS(const OlvarLoad3DS&) = delete;
    OlvarLoad3DS& operator=(const OlvarLoad3DS&) = delete;

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

    // Read-only view of the tables, for tools: names are nullptr when the
    // object or node has none.
    int ObjectCount() const { return objectCount; }
    const char* ObjectName(int i) const { return i >= 0 && i < objectCount ? objects[i].name : nullptr; }
    int NodeCount() const { return nodeCount; }
    const char* NodeName(int i) const { return i >= 0 && i < nodeCount ? nodes[i].name : nullptr; }

private:
    // What the walk records for one OBJECT chunk: positions in the image.
    // The table entries have no member initialisers: the tables are left
    // unset when the loader is made, and an entry is cleared (ObjectEntry{})
    // when the count reaches it, before anything can be recorded in it.
    struct ObjectEntry {
        const char* name;
        ImageSpan faces;
        ImageSpan vertices;
        ImageSpan mapping;
        ImageSpan localSystem;
    };
    // A key track whose keys were all found inside its chunk, and their count.
    struct Track {
        ImageSpan span;
        uint32_t keys;

        int64_t KeyCount() const { return span.Present() ? int64_t(keys) : -1; }
    };
    // What the walk records for one keyframe node; cleared as ObjectEntry is.
    struct NodeEntry {
        const char* name;
        int16_t parent;
        int16_t hierarchyPosition;
        ImageSpan pivot;
        Track positionTrack;
        Track rotationTrack;
        int32_t rangeStart;
        int32_t rangeEnd;
    };
    using ObjectList = ImageSpan ObjectEntry::*;
    using NodeTrack = Track NodeEntry::*;

    struct Chunk {
        uint16_t id;
        uint32_t start;
        uint32_t length;

        uint32_t Data() const { return start + 6; }
        uint32_t End() const { return start + length; }
        ImageSpan DataSpan() const { return {Data(), End()}; }
    };

    void ReadFile(const char* fileName);
    void Adopt(const uint8_t* data, size_t size);
    void LoadImage();
    void NotASceneFile(const char* why) const;
    void ClearTables();
    void Trace(const char* format, ...) const __attribute__((format(printf, 2, 3)));

    void Walk(uint32_t at, uint32_t span, int depth);
    bool ReadHeader(uint32_t at, uint32_t span, Chunk& chunk);
    void Descend(const Chunk& chunk, uint32_t at, uint32_t span, int depth);
    void Act(const Chunk& chunk, int depth);
    void ActObject(const Chunk& chunk, int depth);
    void ActNode(const Chunk& chunk, int depth);
    void ActNodeHeader(const Chunk& chunk);
    void ActFrameRange(const Chunk& chunk);
    void ActHierarchyPosition(const Chunk& chunk);
    void RecordList(ObjectList list, const Chunk& chunk, uint32_t itemSize);
    void RecordFixed(ImageSpan& slot, const Chunk& chunk, uint32_t size);
    void RecordTrack(NodeTrack track, const Chunk& chunk, uint32_t payload);
    void NextObject();
    void NextNode();
    bool ObjectSlot(const Chunk& chunk);
    bool NodeSlot(const Chunk& chunk);
    void TooShort(const Chunk& chunk);

    ChunkCursor Cursor(ImageSpan span) const;
    int32_t ListCount(ObjectList list, uint32_t itemSize) const;
    const uint8_t* ListItems(ObjectList list) const;
    int64_t TrackKeyCount(ImageSpan track, uint32_t payload) const;
    Track SelectedTrack(NodeTrack track) const;
    // What every count getter reports for a looked-up count (negative: no data).
    static bool ReportCount(int64_t n, int32_t& count)
    {
        count = n < 0 ? 0 : static_cast<int32_t>(n);
        return n >= 0;
    }
    bool ReadOrigin(float* origin) const;

    // The tables: entries up to and including the current count are valid
    // (the one at the count is the object or node being read); each entry is
    // cleared as the count reaches it.
    int32_t objectCount = 0;
    ObjectEntry objects[kMaxObjects];
    std::unique_ptr<uint8_t[]> image;
    int32_t imageSize = 0;
    int32_t selectedObject = -1;

    int32_t nodeCount = 0;
    uint32_t nodeChunkId = 0;
    NodeEntry nodes[kMaxNodes];
    // "<name>.target" names of camera and light target nodes, which the nodes' names point into.
    std::vector<std::unique_ptr<char[]>> composedNames;
    int32_t selectedNode = -1;
    int32_t ownNode = -1;

    FILE* trace;
    const char* problemFile = nullptr;  // the file whose first "Error!" goes to the problem handler
    mutable bool problemReported = false;
};
