// Loading: reading the image and the one walk of its chunk tree.
#include "scenefile/loader3ds.h"

#include <cstdarg>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "framework/data_file.h"
#include "scenefile/chunk_ids.h"
#include "scenefile/reporting.h"

// With the trace off and no one to hear of problems (fuzzing, benchmarks) not even the call is made.
#define TRACE(...) (trace || problemFile ? Trace(__VA_ARGS__) : void())

namespace {

// Well-formed files nest at most five levels; anything far deeper is hostile
// and would otherwise cost one stack frame per six bytes of file.
constexpr int kMaxDepth = 32;

using chunk::kHeaderSize;

}  // namespace

OlvarLoad3DS::OlvarLoad3DS(const char* fileName) : trace(OlvarTraceStream())
{
    if (OlvarProblemsHeard())
        problemFile = fileName ? fileName : "";
    ClearTables();
    ReadFile(fileName ? fileName : "");
    if (image)
        LoadImage();
    if (trace)
        fflush(trace);
    problemFile = nullptr;
}

OlvarLoad3DS::OlvarLoad3DS(const uint8_t* data, size_t size, FILE* trace) : trace(trace)
{
    ClearTables();
    Adopt(data, size);
    if (image)
        LoadImage();
    if (trace)
        fflush(trace);
}

OlvarLoad3DS::~OlvarLoad3DS() = default;

void OlvarLoad3DS::Trace(const char* format, ...) const
{
    va_list args;
    va_start(args, format);
    // The first bounds problem also goes to whoever hears of damaged files, in words.
    if (problemFile && !problemReported && std::strncmp(format, "Error! ", 7) == 0) {
        problemReported = true;
        char text[256];
        va_list copy;
        va_copy(copy, args);
        std::vsnprintf(text, sizeof text, format + 7, copy);
        va_end(copy);
        size_t end = std::strcspn(text, "\n");
        while (end > 0 && text[end - 1] == '.')
            --end;
        text[end] = '\0';
        OlvarReportProblem(problemFile, (std::string("damaged: ") + text).c_str());
    }
    if (trace)
        vfprintf(trace, format, args);
    va_end(args);
}

void OlvarLoad3DS::ClearTables()
{
    objectCount = 0;
    nodeCount = 0;
    objects[0] = ObjectEntry{};
    nodes[0] = NodeEntry{};
}

// Closes the current object and starts the next entry from nothing.
void OlvarLoad3DS::NextObject()
{
    if (objectCount < kMaxObjects && ++objectCount < kMaxObjects)
        objects[objectCount] = ObjectEntry{};
}

void OlvarLoad3DS::NextNode()
{
    if (nodeCount < kMaxNodes && ++nodeCount < kMaxNodes)
        nodes[nodeCount] = NodeEntry{};
}

// Reads the whole file in one read; on failure the loader stays empty. Only a
// regular file is opened for reading (a FIFO or a device would never end).
void OlvarLoad3DS::ReadFile(const char* fileName)
{
    std::vector<char> bytes;
    std::string why;
    if (!OrvReadDataFile(fileName, &bytes, &why)) {
        if (problemFile) {
            problemReported = true;
            OlvarReportProblem(problemFile, why.c_str());
        }
        TRACE("Error! Unable to open file %s", fileName);
        return;
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[bytes.size()]);
    if (!buffer) {
        TRACE("Error! Unable to allocate memory.\n");
        return;
    }
    if (!bytes.empty())
        std::memcpy(buffer.get(), bytes.data(), bytes.size());
    image = std::move(buffer);
    imageSize = static_cast<int32_t>(bytes.size());
    TRACE("OlvarLoad3DS: Loaded file %s, size %d\n", fileName, imageSize);
}

// Tells whoever hears of problems that the file is no scene file at all (rather
// than a damaged one), before any trace line could report it as damaged.
void OlvarLoad3DS::NotASceneFile(const char* why) const
{
    if (!problemFile || problemReported)
        return;
    problemReported = true;
    OlvarReportProblem(problemFile, (std::string("not a scene file (") + why + ")").c_str());
}

// Copies a caller's image, as ReadFile would have read it.
void OlvarLoad3DS::Adopt(const uint8_t* data, size_t size)
{
    std::unique_ptr<uint8_t[]> buffer;
    if (size <= static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        buffer.reset(new (std::nothrow) uint8_t[size]);
    if (!buffer) {
        TRACE("Error! Unable to allocate memory.\n");
        return;
    }
    if (size > 0)
        std::memcpy(buffer.get(), data, size);
    image = std::move(buffer);
    imageSize = static_cast<int32_t>(size);
}

// Checks the MAIN chunk and walks its span, cut back to the file when it claims more.
void OlvarLoad3DS::LoadImage()
{
    const uint32_t size = static_cast<uint32_t>(imageSize);
    ChunkCursor header(image.get(), size, 0, kHeaderSize);
    uint16_t id = 0;
    uint32_t mainLength = 0;
    if (!header.U16(id) || !header.U32(mainLength) || id != chunk::MAIN) {
        NotASceneFile(size == 0 ? "it is empty" : "it does not start with a main chunk");
        TRACE("Corrupt .3DS file.\n");
        image.reset();
        imageSize = 0;
        return;
    }
    TRACE("TESTI: %u", mainLength);
    if (mainLength < kHeaderSize) {
        NotASceneFile("its main chunk is shorter than a chunk header");
        TRACE("Error! MAIN chunk SIZE: %u is shorter than a chunk header.\n", mainLength);
        return;
    }
    uint32_t end = mainLength;
    if (mainLength > size) {
        TRACE("Error! MAIN chunk SIZE: %u runs past the end of the file (%u bytes); reading what is there.\n",
              mainLength, size);
        end = size;
    }
    Walk(kHeaderSize, end - kHeaderSize, 0);
}

// Walks the sibling chunks of one span, acting on each in turn.
void OlvarLoad3DS::Walk(uint32_t at, uint32_t span, int depth)
{
    while (span != 0) {
        Chunk chunk;
        if (!ReadHeader(at, span, chunk))
            return;
        span -= chunk.length;
        TRACE("ID: %u, SIZE: %u, DATASIZE: %u\n", chunk.id, chunk.length, span);
        Act(chunk, depth);
        at += chunk.length;
    }
}

// Reads the header of the chunk at `at`; false (with a trace line) when it
// does not fit the `span` bytes left of its parent.
bool OlvarLoad3DS::ReadHeader(uint32_t at, uint32_t span, Chunk& chunk)
{
    ChunkCursor cursor(image.get(), static_cast<uint32_t>(imageSize), at, at + span);
    chunk.start = at;
    if (!cursor.U16(chunk.id) || !cursor.U32(chunk.length)) {
        TRACE("Error! %u bytes at offset %u are too short for a chunk header.\n", span, at);
        return false;
    }
    if (chunk.length < kHeaderSize || chunk.length > span) {
        TRACE("Error! Chunk ID: %u at offset %u, SIZE: %u, does not fit the %u bytes left of its parent.\n",
              chunk.id, at, chunk.length, span);
        return false;
    }
    return true;
}

void OlvarLoad3DS::Descend(const Chunk& chunk, uint32_t at, uint32_t span, int depth)
{
    if (depth + 1 >= kMaxDepth) {
        TRACE("Error! Chunk ID: %u at offset %u is nested too deep; its contents are skipped.\n", chunk.id,
              chunk.start);
        return;
    }
    Walk(at, span, depth + 1);
}

void OlvarLoad3DS::Act(const Chunk& chunk, int depth)
{
    const uint32_t dataSize = chunk.length - kHeaderSize;
    switch (chunk.id) {
    case chunk::EDITOR:
        TRACE("Found MAIN->EDITOR block.\n");
        Descend(chunk, chunk.Data(), dataSize, depth);
        break;
    case chunk::OBJECT:
        ActObject(chunk, depth);
        break;
    case chunk::TRIMESH:
        TRACE("-- Found TRIMESH block, SIZE: %u\n", chunk.length);
        Descend(chunk, chunk.Data(), dataSize, depth);
        break;
    case chunk::VERTEX_LIST:
        TRACE("--- Found VERTEX list, SIZE: %u\n", chunk.length);
        RecordList(&ObjectEntry::vertices, chunk, 12);
        break;
    case chunk::FACE_LIST:
        TRACE("--- Found FACE list, SIZE: %u\n", chunk.length);
        RecordList(&ObjectEntry::faces, chunk, 8);
        break;
    case chunk::MAPPING_COORDINATES:
        TRACE("--- Found MAPPING COORDINATES, SIZE: %u\n", chunk.length);
        RecordList(&ObjectEntry::mapping, chunk, 8);
        break;
    case chunk::LOCAL_COORDINATE_SYSTEM:
        TRACE("%u\n", chunk.length);
        if (ObjectSlot(chunk))
            RecordFixed(objects[objectCount].localSystem, chunk, 48);
        break;
    case chunk::KEYFRAMER:
        Descend(chunk, chunk.Data(), dataSize, depth);
        break;
    case chunk::OBJECT_NODE:
    case chunk::CAMERA_NODE:
    case chunk::CAMERA_TARGET_NODE:
    case chunk::LIGHT_TARGET_NODE:
    case chunk::SPOTLIGHT_NODE:
        ActNode(chunk, depth);
        break;
    case chunk::FRAME_RANGE:
        ActFrameRange(chunk);
        break;
    case chunk::NODE_HEADER:
        ActNodeHeader(chunk);
        break;
    case chunk::PIVOT:
        TRACE("(keyframe) Object PIVOT found.\n");
        if (NodeSlot(chunk))
            RecordFixed(nodes[nodeCount].pivot, chunk, 12);
        break;
    case chunk::POSITION_TRACK:
        TRACE("(keyframe) Position track found.\n");
        RecordTrack(&NodeEntry::positionTrack, chunk, 12);
        break;
    case chunk::ROTATION_TRACK:
        TRACE("(keyframe) Rotation track found.\n");
        RecordTrack(&NodeEntry::rotationTrack, chunk, 16);
        break;
    case chunk::HIERARCHY_POSITION:
        TRACE("(keyframe) Object hierarchy position.\n");
        ActHierarchyPosition(chunk);
        break;
    default:
        break;
    }
}

// Registers an object by name and walks the chunks after the name; its number
// is taken only afterwards, so the lists inside land under it.
void OlvarLoad3DS::ActObject(const Chunk& chunk, int depth)
{
    if (!ObjectSlot(chunk))
        return;
    const ChunkCursor cursor = Cursor(chunk.DataSpan());
    const uint32_t nameLength = cursor.MeasureString();
    if (nameLength == 0) {
        TRACE("Error! Chunk ID: %u at offset %u: its name has no terminating 0.\n", chunk.id, chunk.start);
        return;
    }
    const char* name = cursor.Chars();
    TRACE("- Found OBJECT named %s, SIZE: %u\n", name, chunk.length);
    objects[objectCount].name = name;
    const uint32_t rest = chunk.length - nameLength - kHeaderSize;
    TRACE("Obun nimen PITUUS %d JASEONE %u\n", static_cast<int>(nameLength), rest);
    Descend(chunk, chunk.Data() + nameLength, rest, depth);
    NextObject();
}

// A keyframe node: everything nested in it is stored under its number.
void OlvarLoad3DS::ActNode(const Chunk& chunk, int depth)
{
    if (!NodeSlot(chunk))
        return;
    nodeChunkId = chunk.id;
    TRACE("(keyframe) MESH found.\n");
    Descend(chunk, chunk.Data(), chunk.length - kHeaderSize, depth);
    NextNode();
}

// Name and parent of the current node; target nodes get "<name>.target".
void OlvarLoad3DS::ActNodeHeader(const Chunk& chunk)
{
    if (!NodeSlot(chunk))
        return;
    ChunkCursor cursor = Cursor(chunk.DataSpan());
    const uint32_t nameLength = cursor.MeasureString();
    if (nameLength == 0) {
        TRACE("Error! Chunk ID: %u at offset %u: its name has no terminating 0.\n", chunk.id, chunk.start);
        return;
    }
    const char* name = cursor.Chars();
    int16_t parent = 0;
    if (!cursor.Skip(nameLength + 4) || !cursor.I16(parent)) {
        TooShort(chunk);
        return;
    }
    if (nodeChunkId == chunk::CAMERA_TARGET_NODE || nodeChunkId == chunk::LIGHT_TARGET_NODE) {
        const size_t length = std::strlen(name);
        char* composed = new char[length + 8];
        std::memcpy(composed, name, length);
        std::memcpy(composed + length, ".target", 8);
        composedNames.emplace_back(composed);
        name = composed;
    }
    TRACE("(keyframe) OBJECT parameters found.\n");
    nodes[nodeCount].name = name;
    nodes[nodeCount].parent = parent;
}

void OlvarLoad3DS::ActFrameRange(const Chunk& chunk)
{
    if (!NodeSlot(chunk))
        return;
    ChunkCursor cursor = Cursor(chunk.DataSpan());
    uint32_t start = 0, end = 0;
    if (!cursor.U32(start) || !cursor.U32(end)) {
        TooShort(chunk);
        return;
    }
    nodes[nodeCount].rangeStart = static_cast<int32_t>(start);
    nodes[nodeCount].rangeEnd = static_cast<int32_t>(end);
}

void OlvarLoad3DS::ActHierarchyPosition(const Chunk& chunk)
{
    if (!NodeSlot(chunk))
        return;
    ChunkCursor cursor = Cursor(chunk.DataSpan());
    int16_t position = 0;
    if (!cursor.I16(position)) {
        TooShort(chunk);
        return;
    }
    nodes[nodeCount].hierarchyPosition = position;
}

// Records a counted list for the current object when all its items fit the
// chunk; a list that does not fit leaves the object without that list.
void OlvarLoad3DS::RecordList(ObjectList list, const Chunk& chunk, uint32_t itemSize)
{
    if (!ObjectSlot(chunk))
        return;
    ChunkCursor cursor = Cursor(chunk.DataSpan());
    uint16_t count = 0;
    if (!cursor.U16(count) || !cursor.Skip(count * itemSize)) {
        objects[objectCount].*list = ImageSpan{};
        TooShort(chunk);
        return;
    }
    objects[objectCount].*list = chunk.DataSpan();
}

void OlvarLoad3DS::RecordFixed(ImageSpan& slot, const Chunk& chunk, uint32_t size)
{
    if (chunk.length - kHeaderSize < size) {
        slot = ImageSpan{};
        TooShort(chunk);
        return;
    }
    slot = chunk.DataSpan();
}

// Records a key track for the current node when every key fits the chunk.
void OlvarLoad3DS::RecordTrack(NodeTrack track, const Chunk& chunk, uint32_t payload)
{
    if (!NodeSlot(chunk))
        return;
    const int64_t keys = TrackKeyCount(chunk.DataSpan(), payload);
    if (keys < 0) {
        nodes[nodeCount].*track = Track{};
        TooShort(chunk);
        return;
    }
    nodes[nodeCount].*track = Track{chunk.DataSpan(), static_cast<uint32_t>(keys)};
}

// False (with a trace line) once the object tables are full.
bool OlvarLoad3DS::ObjectSlot(const Chunk& chunk)
{
    if (objectCount < kMaxObjects)
        return true;
    TRACE("Error! Chunk ID: %u at offset %u: more than %d objects, ignored.\n", chunk.id, chunk.start,
          kMaxObjects);
    return false;
}

// False (with a trace line) once the node tables are full.
bool OlvarLoad3DS::NodeSlot(const Chunk& chunk)
{
    if (nodeCount < kMaxNodes)
        return true;
    TRACE("Error! Chunk ID: %u at offset %u: more than %d keyframe nodes, ignored.\n", chunk.id, chunk.start,
          kMaxNodes);
    return false;
}

void OlvarLoad3DS::TooShort(const Chunk& chunk)
{
    TRACE("Error! Chunk ID: %u at offset %u, SIZE: %u, is too short for what it holds; ignored.\n", chunk.id,
          chunk.start, chunk.length);
}

ChunkCursor OlvarLoad3DS::Cursor(ImageSpan span) const
{
    return ChunkCursor(image.get(), static_cast<uint32_t>(imageSize), span);
}
