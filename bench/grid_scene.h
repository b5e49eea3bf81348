// Generated .3DS images for the benchmarks: flat grids of triangles with a
// keyframe node each, and a scan that lists the object names of any image.
#pragma once

#include "scenefile/chunk_ids.h"
#include "scenefile/chunk_writer.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// "Grid00", "Grid01", ...: the name of grid object i.
inline std::string GridName(int i)
{
    return std::string("Grid") + static_cast<char>('0' + i / 10 % 10) + static_cast<char>('0' + i % 10);
}

// Writes one grid object of nx × ny quads (two triangles each) with mapping
// coordinates, a local coordinate system and a smoothing-group list, the way
// modelling tools save meshes.
inline void WriteGridObject(ChunkWriter& b, const std::string& name, int nx, int ny, float z)
{
    b.Open(chunk::OBJECT).Str(name);
    b.Open(chunk::TRIMESH);
    const int columns = nx + 1;
    const int vertexCount = columns * (ny + 1);
    b.Open(chunk::VERTEX_LIST).U16(static_cast<uint16_t>(vertexCount));
    for (int y = 0; y <= ny; ++y)
        for (int x = 0; x <= nx; ++x)
            b.Vec3(static_cast<float>(x), static_cast<float>(y), z + 0.25f * std::sin(0.3f * x + 0.2f * y));
    b.Close();
    b.Open(chunk::MAPPING_COORDINATES).U16(static_cast<uint16_t>(vertexCount));
    for (int y = 0; y <= ny; ++y)
        for (int x = 0; x <= nx; ++x)
            b.F32(static_cast<float>(x) / nx).F32(static_cast<float>(y) / ny);
    b.Close();
    b.LocalSystem(nx * 0.5f, ny * 0.5f, z);
    const int faceCount = 2 * nx * ny;
    b.Open(chunk::FACE_LIST).U16(static_cast<uint16_t>(faceCount));
    for (int y = 0; y < ny; ++y)
        for (int x = 0; x < nx; ++x) {
            const auto a = static_cast<uint16_t>(y * columns + x);
            const auto c = static_cast<uint16_t>(a + columns);
            b.U16(a).U16(a + 1).U16(c + 1).U16(7);
            b.U16(a).U16(c + 1).U16(c).U16(7);
        }
    b.Open(chunk::SMOOTHING_GROUPS);
    for (int i = 0; i < faceCount; ++i)
        b.U32(1);
    b.Close();
    b.Close();  // FACE_LIST
    b.Close();  // TRIMESH
    b.Close();  // OBJECT
}

// Writes an OBJECT_NODE for `name` with a pivot, its hierarchy position and
// position, rotation and scale tracks of `keys` keys each.
inline void WriteObjectNode(ChunkWriter& b, const std::string& name, int16_t position, int keys)
{
    b.Open(chunk::OBJECT_NODE);
    b.Open(chunk::HIERARCHY_POSITION).I16(position).Close();
    b.NodeHeader(name, -1);
    b.Open(chunk::PIVOT).Vec3(0, 0, 0).Close();
    std::vector<std::vector<float>> moves, turns;
    for (int k = 0; k < keys; ++k) {
        moves.push_back({static_cast<float>(k), 0.1f * k, 0.0f, 0.0f});
        turns.push_back({static_cast<float>(k), 0.01f, 0.0f, 0.0f, 1.0f});
    }
    b.PositionTrack(moves);
    b.RotationTrack(turns);
    b.Open(chunk::SCALE_TRACK).U16(0).U32(0).U32(0).U32(1).U32(0).U16(0).Vec3(1, 1, 1).Close();
    b.Close();
}

// A scene image of `objects` grids "Grid00", "Grid01", ... of nx × ny quads
// each, with a frame range and one keyframe node per grid.
inline std::vector<uint8_t> GridScene(int objects, int nx, int ny, int keys = 30)
{
    ChunkWriter b;
    b.Open(chunk::MAIN);
    b.Open(chunk::VERSION).U32(3).Close();
    b.Open(chunk::EDITOR);
    b.Open(chunk::MESH_VERSION).U32(3).Close();
    for (int i = 0; i < objects; ++i)
        WriteGridObject(b, GridName(i), nx, ny, static_cast<float>(i));
    b.Close();
    b.Open(chunk::KEYFRAMER);
    b.Open(chunk::FRAME_RANGE).U32(0).U32(static_cast<uint32_t>(keys)).Close();
    for (int i = 0; i < objects; ++i)
        WriteObjectNode(b, GridName(i), static_cast<int16_t>(i), keys);
    b.Close();
    b.Close();
    return b.Bytes();
}

// Reads a little-endian value of `width` bytes at `at`.
inline uint32_t ReadLE(const std::vector<uint8_t>& image, size_t at, int width)
{
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | image[at + i];
    return v;
}

// Names of the OBJECT chunks inside MAIN → EDITOR, in file order; stops
// quietly at the first chunk that does not fit its parent.
inline std::vector<std::string> ObjectNames(const std::vector<uint8_t>& image)
{
    std::vector<std::string> names;
    auto walk = [&](auto&& self, size_t at, size_t end) -> void {
        while (at + 6 <= end) {
            const uint32_t id = ReadLE(image, at, 2);
            const uint32_t length = ReadLE(image, at + 2, 4);
            if (length < 6 || length > end - at)
                return;
            if (id == chunk::MAIN || id == chunk::EDITOR)
                self(self, at + 6, at + length);
            if (id == chunk::OBJECT) {
                std::string name;
                for (size_t i = at + 6; i < at + length && image[i] != 0; ++i)
                    name += static_cast<char>(image[i]);
                names.push_back(name);
            }
            at += length;
        }
    };
    walk(walk, 0, image.size());
    return names;
}

}  // namespace bench
