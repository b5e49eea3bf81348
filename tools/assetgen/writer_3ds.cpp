#include "tools/assetgen/writer_3ds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace assetgen {
namespace {

enum : uint16_t {
    kMain = 0x4D4D, kVersion = 0x0002, kEditor = 0x3D3D, kMeshVersion = 0x3D3E,
    kMasterScale = 0x0100, kColourF = 0x0010, kColour24 = 0x0011, kPercent = 0x0030,
    kMaterial = 0xAFFF, kMatName = 0xA000, kMatAmbient = 0xA010, kMatDiffuse = 0xA020,
    kMatSpecular = 0xA030, kMatTexture = 0xA200, kMatMapName = 0xA300,
    kObject = 0x4000, kTrimesh = 0x4100, kVertexList = 0x4110, kFaceList = 0x4120,
    kFaceMaterial = 0x4130, kMappingCoords = 0x4140, kSmoothing = 0x4150, kLocalSystem = 0x4160,
    kLight = 0x4600, kSpotlight = 0x4610, kCamera = 0x4700,
    kKeyframer = 0xB000, kObjectNode = 0xB002, kCameraNode = 0xB003, kCameraTargetNode = 0xB004,
    kLightTargetNode = 0xB006, kSpotlightNode = 0xB007, kFrameRange = 0xB008, kKeyframerHeader = 0xB00A,
    kNodeHeader = 0xB010, kPivot = 0xB013, kPositionTrack = 0xB020, kRotationTrack = 0xB021,
    kScaleTrack = 0xB022, kFovTrack = 0xB023, kRollTrack = 0xB024, kHierarchyPosition = 0xB030,
};

// Little-endian chunk writer; Open() leaves a length that the matching Close() fills in.
class ChunkWriter {
public:
    void Open(uint16_t id)
    {
        U16(id);
        open.push_back(bytes.size());
        U32(0);
    }
    void Close()
    {
        const size_t at = open.back();
        open.pop_back();
        const uint32_t length = static_cast<uint32_t>(bytes.size() - (at - 2));
        for (int k = 0; k < 4; ++k)
            bytes[at + k] = static_cast<uint8_t>(length >> (8 * k));
    }
    void U8(uint8_t v) { bytes.push_back(v); }
    void U16(uint16_t v) { U8(v & 0xFF); U8(v >> 8); }
    void U32(uint32_t v) { U16(v & 0xFFFF); U16(v >> 16); }
    void F32(float f)
    {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        U32(v);
    }
    void Vec(Vec3 v) { F32(v.x); F32(v.y); F32(v.z); }
    void Str(const std::string& s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        U8(0);
    }
    std::vector<uint8_t> bytes;

private:
    std::vector<size_t> open;
};

uint8_t ColourByte(float c)
{
    const float clamped = c < 0 ? 0 : (c > 1 ? 1 : c);
    return static_cast<uint8_t>(clamped * 255.0f + 0.5f);
}

void WriteColour24(ChunkWriter& w, uint16_t id, Vec3 c)
{
    w.Open(id);
    w.Open(kColour24);
    w.U8(ColourByte(c.x));
    w.U8(ColourByte(c.y));
    w.U8(ColourByte(c.z));
    w.Close();
    w.Close();
}

void WriteMaterial(ChunkWriter& w, const MaterialDef& m)
{
    w.Open(kMaterial);
    w.Open(kMatName);
    w.Str(m.name);
    w.Close();
    WriteColour24(w, kMatAmbient, m.ambient);
    WriteColour24(w, kMatDiffuse, m.diffuse);
    WriteColour24(w, kMatSpecular, m.specular);
    if (!m.texture.empty()) {
        w.Open(kMatTexture);
        w.Open(kPercent);
        w.U16(100);
        w.Close();
        w.Open(kMatMapName);
        w.Str(m.texture);
        w.Close();
        w.Close();
    }
    w.Close();
}

void WriteFaces(ChunkWriter& w, const Mesh& m)
{
    w.Open(kFaceList);
    w.U16(static_cast<uint16_t>(m.faces.size()));
    for (const Face& f : m.faces) {
        w.U16(f.a);
        w.U16(f.b);
        w.U16(f.c);
        w.U16(0x0007);  // all three edges visible
    }
    if (!m.material.empty()) {
        w.Open(kFaceMaterial);
        w.Str(m.material);
        w.U16(static_cast<uint16_t>(m.faces.size()));
        for (size_t i = 0; i < m.faces.size(); ++i)
            w.U16(static_cast<uint16_t>(i));
        w.Close();
    }
    w.Open(kSmoothing);
    for (const Face& f : m.faces)
        w.U32(f.smoothing);
    w.Close();
    w.Close();
}

void WriteMesh(ChunkWriter& w, const Mesh& m)
{
    w.Open(kObject);
    w.Str(m.name);
    w.Open(kTrimesh);
    w.Open(kVertexList);
    w.U16(static_cast<uint16_t>(m.vertices.size()));
    for (const Vec3& v : m.vertices)
        w.Vec(v);
    w.Close();
    w.Open(kMappingCoords);
    w.U16(static_cast<uint16_t>(m.uvs.size()));
    for (const Vec2& uv : m.uvs) {
        w.F32(uv.u);
        w.F32(uv.v);
    }
    w.Close();
    w.Open(kLocalSystem);
    w.Vec({1, 0, 0});
    w.Vec({0, 1, 0});
    w.Vec({0, 0, 1});
    w.Vec(m.origin);
    w.Close();
    WriteFaces(w, m);
    w.Close();
    w.Close();
}

void WriteCameraObject(ChunkWriter& w, const CameraDef& c)
{
    w.Open(kObject);
    w.Str(c.name);
    w.Open(kCamera);
    w.Vec(c.eyeKeys.front());
    w.Vec(c.targetKeys.front());
    w.F32(0.0f);  // bank angle
    w.F32(c.lens);
    w.Close();
    w.Close();
}

void WriteSpotlightObject(ChunkWriter& w, const SpotlightDef& s)
{
    w.Open(kObject);
    w.Str(s.name);
    w.Open(kLight);
    w.Vec(s.positionKeys.front());
    w.Open(kColourF);
    w.Vec(s.colour);
    w.Close();
    w.Open(kSpotlight);
    w.Vec(s.targetKeys.front());
    w.F32(s.hotspot);
    w.F32(s.falloff);
    w.Close();
    w.Close();
    w.Close();
}

// Track header (flags, 8 unused bytes, key count) shared by every track kind.
void TrackHeader(ChunkWriter& w, uint16_t id, size_t keys)
{
    w.Open(id);
    w.U16(0);
    w.U32(0);
    w.U32(0);
    w.U32(static_cast<uint32_t>(keys));
}

void PositionTrack(ChunkWriter& w, const std::vector<Vec3>& keys)
{
    TrackHeader(w, kPositionTrack, keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        w.U32(static_cast<uint32_t>(i));
        w.U16(0);
        w.Vec(keys[i]);
    }
    w.Close();
}

// A one-key track of `floats` values at frame 0.
void ConstantTrack(ChunkWriter& w, uint16_t id, std::initializer_list<float> values)
{
    TrackHeader(w, id, 1);
    w.U32(0);
    w.U16(0);
    for (float v : values)
        w.F32(v);
    w.Close();
}

void NodeStart(ChunkWriter& w, uint16_t id, int16_t hierarchy, const std::string& name)
{
    w.Open(id);
    w.Open(kHierarchyPosition);
    w.U16(static_cast<uint16_t>(hierarchy));
    w.Close();
    w.Open(kNodeHeader);
    w.Str(name);
    w.U16(0);
    w.U16(0);
    w.U16(0xFFFF);  // no parent
    w.Close();
}

void WriteMeshNode(ChunkWriter& w, const Mesh& m, int16_t hierarchy)
{
    NodeStart(w, kObjectNode, hierarchy, m.name);
    w.Open(kPivot);
    w.Vec({0, 0, 0});
    w.Close();
    PositionTrack(w, {m.origin});
    ConstantTrack(w, kRotationTrack, {0, 0, 0, 1});
    ConstantTrack(w, kScaleTrack, {1, 1, 1});
    w.Close();
}

void WriteCameraNodes(ChunkWriter& w, const CameraDef& c, int16_t& hierarchy)
{
    NodeStart(w, kCameraNode, hierarchy++, c.name);
    PositionTrack(w, c.eyeKeys);
    ConstantTrack(w, kFovTrack, {2400.0f / c.lens});
    ConstantTrack(w, kRollTrack, {0});
    w.Close();
    NodeStart(w, kCameraTargetNode, hierarchy++, c.targetNodeName);
    PositionTrack(w, c.targetKeys);
    w.Close();
}

void WriteSpotlightNodes(ChunkWriter& w, const SpotlightDef& s, int16_t& hierarchy)
{
    NodeStart(w, kSpotlightNode, hierarchy++, s.name);
    PositionTrack(w, s.positionKeys);
    w.Close();
    NodeStart(w, kLightTargetNode, hierarchy++, s.name);
    PositionTrack(w, s.targetKeys);
    w.Close();
}

void WriteKeyframer(ChunkWriter& w, const SceneDef& scene)
{
    w.Open(kKeyframer);
    w.Open(kFrameRange);
    w.U32(scene.firstFrame);
    w.U32(scene.lastFrame);
    w.Close();
    w.Open(kKeyframerHeader);
    w.U16(5);
    w.Str(scene.name);
    w.U32(scene.lastFrame);
    w.Close();
    int16_t hierarchy = 0;
    for (const Mesh& m : scene.meshes)
        WriteMeshNode(w, m, hierarchy++);
    for (const CameraDef& c : scene.cameras)
        WriteCameraNodes(w, c, hierarchy);
    for (const SpotlightDef& s : scene.spotlights)
        WriteSpotlightNodes(w, s, hierarchy);
    w.Close();
}

}  // namespace

std::vector<uint8_t> Build3DS(const SceneDef& scene)
{
    ChunkWriter w;
    w.Open(kMain);
    w.Open(kVersion);
    w.U32(3);
    w.Close();
    w.Open(kEditor);
    w.Open(kMeshVersion);
    w.U32(3);
    w.Close();
    for (const MaterialDef& m : scene.materials)
        WriteMaterial(w, m);
    w.Open(kMasterScale);
    w.F32(1.0f);
    w.Close();
    for (const Mesh& m : scene.meshes)
        WriteMesh(w, m);
    for (const CameraDef& c : scene.cameras)
        WriteCameraObject(w, c);
    for (const SpotlightDef& s : scene.spotlights)
        WriteSpotlightObject(w, s);
    w.Close();
    WriteKeyframer(w, scene);
    w.Close();
    return w.bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const bool closed = std::fclose(f) == 0;
    if (!ok || !closed)
        std::fprintf(stderr, "assetgen: short write to %s\n", path.c_str());
    return ok && closed;
}

}  // namespace assetgen
