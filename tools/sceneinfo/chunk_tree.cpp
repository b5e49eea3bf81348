#include "tools/sceneinfo/chunk_tree.h"

#include <string>

#include "scenefile/chunk_cursor.h"
#include "scenefile/chunk_ids.h"

namespace {

// Deeper than any well-formed file and shallow enough for any stack.
constexpr int kMaxDepth = 32;

struct TreeWalk {
    const uint8_t* image;
    uint32_t size;
    FILE* out;
    bool sound = true;
    std::string first;  // the first problem, with its offset

    void Problem(uint32_t at, int depth, const std::string& what)
    {
        std::fprintf(out, "%10u  %*s!! %s\n", at, 2 * depth, "", what.c_str());
        if (sound)
            first = "at offset " + std::to_string(at) + ": " + what;
        sound = false;
    }

    // The 0-terminated name at the start of a chunk's data, or empty when it
    // has no terminator; `length` gets its size with the terminator.
    std::string Name(uint32_t data, uint32_t end, uint32_t& length) const
    {
        ChunkCursor c(image, size, data, end);
        length = c.MeasureString();
        return length ? std::string(c.Chars()) : std::string();
    }

    uint32_t Count16(uint32_t data, uint32_t end) const
    {
        ChunkCursor c(image, size, data, end);
        uint16_t n = 0;
        return c.U16(n) ? n : 0;
    }

    // Where a chunk's nested chunks start, or `end` when it holds none that
    // this walk knows of; `detail` gets what is worth printing of its data.
    uint32_t Children(uint16_t id, uint32_t data, uint32_t end, std::string& detail) const
    {
        uint32_t nameLength = 0;
        switch (id) {
        case chunk::MAIN: case chunk::EDITOR: case chunk::TRIMESH: case chunk::KEYFRAMER:
        case chunk::MATERIAL: case chunk::MATERIAL_AMBIENT: case chunk::MATERIAL_DIFFUSE:
        case chunk::MATERIAL_SPECULAR: case chunk::MATERIAL_TEXTURE:
        case chunk::AMBIENT_NODE: case chunk::OBJECT_NODE: case chunk::CAMERA_NODE:
        case chunk::CAMERA_TARGET_NODE: case chunk::LIGHT_NODE: case chunk::LIGHT_TARGET_NODE:
        case chunk::SPOTLIGHT_NODE:
            return data;
        case chunk::OBJECT: {
            const std::string name = Name(data, end, nameLength);
            detail = nameLength ? " \"" + name + "\"" : " (name without terminator)";
            return nameLength ? data + nameLength : end;
        }
        case chunk::NODE_HEADER: case chunk::MATERIAL_NAME: case chunk::MATERIAL_MAP_NAME: {
            const std::string name = Name(data, end, nameLength);
            detail = nameLength ? " \"" + name + "\"" : " (name without terminator)";
            return end;
        }
        case chunk::VERTEX_LIST: case chunk::MAPPING_COORDINATES:
            detail = " count " + std::to_string(Count16(data, end));
            return end;
        case chunk::FACE_LIST: {
            const uint32_t n = Count16(data, end);
            detail = " count " + std::to_string(n);
            const uint64_t after = uint64_t(data) + 2 + 8 * uint64_t(n);
            return after <= end ? static_cast<uint32_t>(after) : end;
        }
        case chunk::LIGHT:
            return end - data >= 12 ? data + 12 : end;
        case chunk::CAMERA:
            return end - data >= 32 ? data + 32 : end;
        default:
            return end;
        }
    }

    // The sibling chunks in [at, end), each with its nested chunks.
    void Walk(uint32_t at, uint32_t end, int depth)
    {
        while (at < end) {
            ChunkCursor c(image, size, at, end);
            uint16_t id = 0;
            uint32_t length = 0;
            if (!c.U16(id) || !c.U32(length)) {
                Problem(at, depth, std::to_string(end - at) +
                                       " bytes are too short for a chunk header; the tree stops making sense here");
                return;
            }
            if (length < chunk::kHeaderSize) {
                Problem(at, depth, "chunk 0x" + Hex(id) + " claims length " + std::to_string(length) +
                                       ", shorter than its header; the tree stops making sense here");
                return;
            }
            const bool cut = length > end - at;
            const uint32_t data = at + chunk::kHeaderSize, next = cut ? end : at + length;
            std::string detail;
            const uint32_t children = Children(id, data, next, detail);
            const char* name = chunk::Name(id);
            std::fprintf(out, "%10u  %*s0x%04X %s  length %u%s\n", at, 2 * depth, "", id, name ? name : "?", length,
                         detail.c_str());
            if (cut)
                Problem(at, depth + 1, "only " + std::to_string(end - at) +
                                           " bytes are left of its parent; the tree stops making sense here, "
                                           "what fits is shown");
            if (children < next) {
                if (depth + 1 >= kMaxDepth)
                    Problem(children, depth + 1, "nesting deeper than " + std::to_string(kMaxDepth) + " levels is not shown");
                else
                    Walk(children, next, depth + 1);
            }
            at = next;
        }
    }

    static std::string Hex(uint16_t id)
    {
        char s[8];
        std::snprintf(s, sizeof s, "%04X", id);
        return s;
    }
};

}  // namespace

bool PrintChunkTree(const uint8_t* image, size_t size, FILE* out, std::string* firstProblem)
{
    std::fprintf(out, "    offset  chunk\n");
    if (size > UINT32_MAX) {
        const std::string what = std::to_string(size) + " bytes is more than a chunk length can cover";
        std::fprintf(out, "!! %s\n", what.c_str());
        if (firstProblem)
            *firstProblem = what;
        return false;
    }
    TreeWalk walk{image, static_cast<uint32_t>(size), out, true, {}};
    walk.Walk(0, walk.size, 0);
    if (firstProblem)
        *firstProblem = walk.first;
    return walk.sound;
}
