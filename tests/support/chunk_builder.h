// ChunkBuilder: builds .3DS byte images in memory for tests.
//
//   ChunkBuilder b;
//   b.Open(0x4D4D);            // MAIN
//     b.Open(0x3D3D);          // EDITOR
//       b.Open(0x4000); b.Str("Box01"); ... b.Close();
//     b.Close();
//   b.Close();
//   std::vector<uint8_t> image = b.Bytes();
//
// Open() writes a header whose length is patched by the matching Close(), so
// nested chunks get correct lengths. Raw() and the Set*() helpers allow broken
// images (wrong lengths, truncations) for the malformed-input tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class ChunkBuilder {
public:
    ChunkBuilder& Open(uint16_t id)
    {
        U16(id);
        open.push_back(bytes.size());
        U32(0);
        return *this;
    }
    // Closes the innermost open chunk; its length covers its header and all it holds.
    ChunkBuilder& Close()
    {
        const size_t lengthAt = open.back();
        open.pop_back();
        SetU32(lengthAt, static_cast<uint32_t>(bytes.size() - (lengthAt - 2)));
        return *this;
    }
    ChunkBuilder& U8(uint8_t v) { bytes.push_back(v); return *this; }
    ChunkBuilder& U16(uint16_t v) { U8(v & 0xFF); return U8(v >> 8); }
    ChunkBuilder& U32(uint32_t v) { U16(v & 0xFFFF); return U16(v >> 16); }
    ChunkBuilder& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
    ChunkBuilder& F32(float f)
    {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    ChunkBuilder& Vec3(float x, float y, float z) { return F32(x).F32(y).F32(z); }
    // A zero-terminated string.
    ChunkBuilder& Str(const std::string& s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return U8(0);
    }
    ChunkBuilder& Raw(const std::vector<uint8_t>& raw)
    {
        bytes.insert(bytes.end(), raw.begin(), raw.end());
        return *this;
    }
    // A whole chunk with a fixed, possibly wrong, length field and the given data.
    ChunkBuilder& RawChunk(uint16_t id, uint32_t length, const std::vector<uint8_t>& data = {})
    {
        U16(id).U32(length);
        return Raw(data);
    }

    void SetU32(size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    size_t Size() const { return bytes.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes; }

    // Common shapes --------------------------------------------------------

    // VERTEX_LIST with the given xyz triples.
    ChunkBuilder& Vertices(const std::vector<float>& xyz)
    {
        Open(0x4110).U16(static_cast<uint16_t>(xyz.size() / 3));
        for (float f : xyz)
            F32(f);
        return Close();
    }
    // FACE_LIST with the given corner triples and flags word 7.
    ChunkBuilder& Faces(const std::vector<uint16_t>& abc)
    {
        Open(0x4120).U16(static_cast<uint16_t>(abc.size() / 3));
        for (size_t i = 0; i < abc.size(); i += 3)
            U16(abc[i]).U16(abc[i + 1]).U16(abc[i + 2]).U16(7);
        return Close();
    }
    // MAPPING_COORDINATES with the given uv pairs.
    ChunkBuilder& TexCoords(const std::vector<float>& uv)
    {
        Open(0x4140).U16(static_cast<uint16_t>(uv.size() / 2));
        for (float f : uv)
            F32(f);
        return Close();
    }
    // LOCAL_COORDINATE_SYSTEM with identity axes and the given origin.
    ChunkBuilder& LocalSystem(float ox, float oy, float oz)
    {
        Open(0x4160).Vec3(1, 0, 0).Vec3(0, 1, 0).Vec3(0, 0, 1).Vec3(ox, oy, oz);
        return Close();
    }
    // NODE_HEADER with name, flag words 0 and parent.
    ChunkBuilder& NodeHeader(const std::string& name, int16_t parent)
    {
        Open(0xB010).Str(name).U16(0).U16(0).I16(parent);
        return Close();
    }
    // POSITION_TRACK with keys (frame, x, y, z) and key flags 0.
    ChunkBuilder& PositionTrack(const std::vector<std::vector<float>>& keys)
    {
        Open(0xB020).U16(0).U32(0).U32(0).U32(static_cast<uint32_t>(keys.size()));
        for (const auto& k : keys)
            U32(static_cast<uint32_t>(k[0])).U16(0).Vec3(k[1], k[2], k[3]);
        return Close();
    }
    // ROTATION_TRACK with keys (frame, angle in radians, axis x, y, z), flags 0.
    ChunkBuilder& RotationTrack(const std::vector<std::vector<float>>& keys)
    {
        Open(0xB021).U16(0).U32(0).U32(0).U32(static_cast<uint32_t>(keys.size()));
        for (const auto& k : keys)
            U32(static_cast<uint32_t>(k[0])).U16(0).F32(k[1]).Vec3(k[2], k[3], k[4]);
        return Close();
    }

    // Track header (flags, eight ignored bytes) announcing `keys` keys.
    ChunkBuilder& TrackHead(uint32_t keys) { return U16(0).U32(0).U32(0).U32(keys); }
    // Key frame and flags, then one float per flag set among bits 0-4
    // (tension, continuity, bias, ease to, ease from), each 9.5.
    ChunkBuilder& KeyHead(uint32_t frame, uint16_t flags)
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
