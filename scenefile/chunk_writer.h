// ChunkWriter: builds .3DS byte images in memory, little-endian.
//
//   ChunkWriter w;
//   w.Open(chunk::MAIN);
//     w.Open(chunk::EDITOR);
//       w.Open(chunk::OBJECT).Str("Box01"); ... w.Close();
//     w.Close();
//   w.Close();
//   std::vector<uint8_t> image = w.Bytes();
//
// Open() writes a header whose length the matching Close() fills in, so nested
// chunks get correct lengths. Raw(), RawChunk() and SetU32() write whatever
// they are given, for images that are broken on purpose. The scene generator,
// the tests and the benchmarks all write through this one class.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "scenefile/chunk_ids.h"

class ChunkWriter {
public:
    ChunkWriter& Open(uint16_t id)
    {
        U16(id);
        open.push_back(bytes.size());
        return U32(0);
    }
    // Closes the innermost open chunk; its length covers its header and all it holds.
    ChunkWriter& Close()
    {
        const size_t lengthAt = open.back();
        open.pop_back();
        SetU32(lengthAt, static_cast<uint32_t>(bytes.size() - (lengthAt - 2)));
        return *this;
    }
    ChunkWriter& U8(uint8_t v)
    {
        bytes.push_back(v);
        return *this;
    }
    ChunkWriter& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
    ChunkWriter& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    ChunkWriter& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    ChunkWriter& F32(float f)
    {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    ChunkWriter& Vec3(float x, float y, float z) { return F32(x).F32(y).F32(z); }
    // A zero-terminated string.
    ChunkWriter& Str(const std::string& s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return U8(0);
    }
    ChunkWriter& Raw(const std::vector<uint8_t>& raw)
    {
        bytes.insert(bytes.end(), raw.begin(), raw.end());
        return *this;
    }
    // A whole chunk with a fixed, possibly wrong, length field and the given data.
    ChunkWriter& RawChunk(uint16_t id, uint32_t length, const std::vector<uint8_t>& data = {})
    {
        return U16(id).U32(length).Raw(data);
    }
    void SetU32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    size_t Size() const { return bytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes; }

    // Common chunks ----------------------------------------------------------

    // VERTEX_LIST with the given xyz triples.
    ChunkWriter& Vertices(const std::vector<float>& xyz)
    {
        Open(chunk::VERTEX_LIST).U16(static_cast<uint16_t>(xyz.size() / 3));
        for (float f : xyz)
            F32(f);
        return Close();
    }
    // FACE_LIST with the given corner triples and flags word 7 (all edges
    // visible); nested chunks, if any, follow before the caller closes it.
    ChunkWriter& OpenFaces(const std::vector<uint16_t>& abc)
    {
        Open(chunk::FACE_LIST).U16(static_cast<uint16_t>(abc.size() / 3));
        for (size_t i = 0; i + 2 < abc.size(); i += 3)
            U16(abc[i]).U16(abc[i + 1]).U16(abc[i + 2]).U16(7);
        return *this;
    }
    ChunkWriter& Faces(const std::vector<uint16_t>& abc) { return OpenFaces(abc).Close(); }
    // MAPPING_COORDINATES with the given uv pairs.
    ChunkWriter& TexCoords(const std::vector<float>& uv)
    {
        Open(chunk::MAPPING_COORDINATES).U16(static_cast<uint16_t>(uv.size() / 2));
        for (float f : uv)
            F32(f);
        return Close();
    }
    // LOCAL_COORDINATE_SYSTEM with identity axes and the given origin.
    ChunkWriter& LocalSystem(float ox, float oy, float oz)
    {
        Open(chunk::LOCAL_COORDINATE_SYSTEM).Vec3(1, 0, 0).Vec3(0, 1, 0).Vec3(0, 0, 1).Vec3(ox, oy, oz);
        return Close();
    }
    // NODE_HEADER with name, flag words 0 and parent.
    ChunkWriter& NodeHeader(const std::string& name, int16_t parent)
    {
        return Open(chunk::NODE_HEADER).Str(name).U16(0).U16(0).I16(parent).Close();
    }
    // Track header (flags, eight ignored bytes) announcing `keys` keys.
    ChunkWriter& TrackHead(uint32_t keys) { return U16(0).U32(0).U32(0).U32(keys); }
    // POSITION_TRACK with keys (frame, x, y, z) and key flags 0.
    ChunkWriter& PositionTrack(const std::vector<std::vector<float>>& keys)
    {
        Open(chunk::POSITION_TRACK).TrackHead(static_cast<uint32_t>(keys.size()));
        for (const auto& k : keys)
            U32(static_cast<uint32_t>(k[0])).U16(0).Vec3(k[1], k[2], k[3]);
        return Close();
    }
    // ROTATION_TRACK with keys (frame, angle in radians, axis x, y, z), flags 0.
    ChunkWriter& RotationTrack(const std::vector<std::vector<float>>& keys)
    {
        Open(chunk::ROTATION_TRACK).TrackHead(static_cast<uint32_t>(keys.size()));
        for (const auto& k : keys)
            U32(static_cast<uint32_t>(k[0])).U16(0).F32(k[1]).Vec3(k[2], k[3], k[4]);
        return Close();
    }
    // Key frame and flags, then one float per flag set among bits 0-4
    // (tension, continuity, bias, ease to, ease from), each 9.5.
    ChunkWriter& KeyHead(uint32_t frame, uint16_t flags)
    {
        U32(frame).U16(flags);
        for (int bit = 0; bit < 5; ++bit)
            if (flags & (1u << bit))
                F32(9.5f);
        return *this;
    }

private:
    std::vector<uint8_t> bytes;
    std::vector<size_t> open;
};
