#include "tools/assetgen/writer_3ds.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "scenefile/chunk_ids.h"
#include "scenefile/chunk_writer.h"

namespace assetgen {
namespace {

// The project's chunk writer, plus the generator's vectors.
class SceneWriter : public ChunkWriter {
public:
    void Vec(assetgen::Vec3 v) { F32(v.x).F32(v.y).F32(v.z); }
};

uint8_t ColourByte(float c)
{
    const float clamped = c < 0 ? 0 : (c > 1 ? 1 : c);
    return static_cast<uint8_t>(clamped * 255.0f + 0.5f);
}

void WriteColour24(SceneWriter& w, uint16_t id, Vec3 c)
{
    w.Open(id);
    w.Open(chunk::COLOUR_24);
    w.U8(ColourByte(c.x));
    w.U8(ColourByte(c.y));
    w.U8(ColourByte(c.z));
    w.Close();
    w.Close();
}

void WriteMaterial(SceneWriter& w, const MaterialDef& m)
{
    w.Open(chunk::MATERIAL);
    w.Open(chunk::MATERIAL_NAME);
    w.Str(m.name);
    w.Close();
    WriteColour24(w, chunk::MATERIAL_AMBIENT, m.ambient);
    WriteColour24(w, chunk::MATERIAL_DIFFUSE, m.diffuse);
    WriteColour24(w, chunk::MATERIAL_SPECULAR, m.specular);
    if (!m.texture.empty()) {
        w.Open(chunk::MATERIAL_TEXTURE);
        w.Open(chunk::PERCENT);
        w.U16(100);
        w.Close();
        w.Open(chunk::MATERIAL_MAP_NAME);
        w.Str(m.texture);
        w.Close();
        w.Close();
    }
    w.Close();
}

void WriteFaces(SceneWriter& w, const Mesh& m)
{
    w.Open(chunk::FACE_LIST);
    w.U16(static_cast<uint16_t>(m.faces.size()));
    for (const Face& f : m.faces) {
        w.U16(f.a);
        w.U16(f.b);
        w.U16(f.c);
        w.U16(0x0007);  // all three edges visible
    }
    if (!m.material.empty()) {
        w.Open(chunk::FACE_MATERIAL);
        w.Str(m.material);
        w.U16(static_cast<uint16_t>(m.faces.size()));
        for (size_t i = 0; i < m.faces.size(); ++i)
            w.U16(static_cast<uint16_t>(i));
        w.Close();
    }
    w.Open(chunk::SMOOTHING_GROUPS);
    for (const Face& f : m.faces)
        w.U32(f.smoothing);
    w.Close();
    w.Close();
}

void WriteMesh(SceneWriter& w, const Mesh& m)
{
    w.Open(chunk::OBJECT);
    w.Str(m.name);
    w.Open(chunk::TRIMESH);
    w.Open(chunk::VERTEX_LIST);
    w.U16(static_cast<uint16_t>(m.vertices.size()));
    for (const Vec3& v : m.vertices)
        w.Vec(v);
    w.Close();
    w.Open(chunk::MAPPING_COORDINATES);
    w.U16(static_cast<uint16_t>(m.uvs.size()));
    for (const Vec2& uv : m.uvs) {
        w.F32(uv.u);
        w.F32(uv.v);
    }
    w.Close();
    w.Open(chunk::LOCAL_COORDINATE_SYSTEM);
    w.Vec({1, 0, 0});
    w.Vec({0, 1, 0});
    w.Vec({0, 0, 1});
    w.Vec(m.origin);
    w.Close();
    WriteFaces(w, m);
    w.Close();
    w.Close();
}

void WriteCameraObject(SceneWriter& w, const CameraDef& c)
{
    w.Open(chunk::OBJECT);
    w.Str(c.name);
    w.Open(chunk::CAMERA);
    w.Vec(c.eyeKeys.front());
    w.Vec(c.targetKeys.front());
    w.F32(0.0f);  // bank angle
    w.F32(c.lens);
    w.Close();
    w.Close();
}

void WriteSpotlightObject(SceneWriter& w, const SpotlightDef& s)
{
    w.Open(chunk::OBJECT);
    w.Str(s.name);
    w.Open(chunk::LIGHT);
    w.Vec(s.positionKeys.front());
    w.Open(chunk::COLOUR_F);
    w.Vec(s.colour);
    w.Close();
    w.Open(chunk::SPOTLIGHT);
    w.Vec(s.targetKeys.front());
    w.F32(s.hotspot);
    w.F32(s.falloff);
    w.Close();
    w.Close();
    w.Close();
}

// Track header (flags, 8 unused bytes, key count) shared by every track kind.
void TrackHeader(SceneWriter& w, uint16_t id, size_t keys)
{
    w.Open(id);
    w.U16(0);
    w.U32(0);
    w.U32(0);
    w.U32(static_cast<uint32_t>(keys));
}

void PositionTrack(SceneWriter& w, const std::vector<Vec3>& keys)
{
    TrackHeader(w, chunk::POSITION_TRACK, keys.size());
    for (size_t i = 0; i < keys.size(); ++i) {
        w.U32(static_cast<uint32_t>(i));
        w.U16(0);
        w.Vec(keys[i]);
    }
    w.Close();
}

// A one-key track of `floats` values at frame 0.
void ConstantTrack(SceneWriter& w, uint16_t id, std::initializer_list<float> values)
{
    TrackHeader(w, id, 1);
    w.U32(0);
    w.U16(0);
    for (float v : values)
        w.F32(v);
    w.Close();
}

void NodeStart(SceneWriter& w, uint16_t id, int16_t hierarchy, const std::string& name)
{
    w.Open(id);
    w.Open(chunk::HIERARCHY_POSITION);
    w.U16(static_cast<uint16_t>(hierarchy));
    w.Close();
    w.Open(chunk::NODE_HEADER);
    w.Str(name);
    w.U16(0);
    w.U16(0);
    w.U16(0xFFFF);  // no parent
    w.Close();
}

void WriteMeshNode(SceneWriter& w, const Mesh& m, int16_t hierarchy)
{
    NodeStart(w, chunk::OBJECT_NODE, hierarchy, m.name);
    w.Open(chunk::PIVOT);
    w.Vec({0, 0, 0});
    w.Close();
    PositionTrack(w, {m.origin});
    ConstantTrack(w, chunk::ROTATION_TRACK, {0, 0, 0, 1});
    ConstantTrack(w, chunk::SCALE_TRACK, {1, 1, 1});
    w.Close();
}

void WriteCameraNodes(SceneWriter& w, const CameraDef& c, int16_t& hierarchy)
{
    NodeStart(w, chunk::CAMERA_NODE, hierarchy++, c.name);
    PositionTrack(w, c.eyeKeys);
    ConstantTrack(w, chunk::FOV_TRACK, {2400.0f / c.lens});
    ConstantTrack(w, chunk::ROLL_TRACK, {0});
    w.Close();
    NodeStart(w, chunk::CAMERA_TARGET_NODE, hierarchy++, c.targetNodeName);
    PositionTrack(w, c.targetKeys);
    w.Close();
}

void WriteSpotlightNodes(SceneWriter& w, const SpotlightDef& s, int16_t& hierarchy)
{
    NodeStart(w, chunk::SPOTLIGHT_NODE, hierarchy++, s.name);
    PositionTrack(w, s.positionKeys);
    w.Close();
    NodeStart(w, chunk::LIGHT_TARGET_NODE, hierarchy++, s.name);
    PositionTrack(w, s.targetKeys);
    w.Close();
}

void WriteKeyframer(SceneWriter& w, const SceneDef& scene)
{
    w.Open(chunk::KEYFRAMER);
    w.Open(chunk::FRAME_RANGE);
    w.U32(scene.firstFrame);
    w.U32(scene.lastFrame);
    w.Close();
    w.Open(chunk::KEYFRAMER_HEADER);
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
    SceneWriter w;
    w.Open(chunk::MAIN);
    w.Open(chunk::VERSION);
    w.U32(3);
    w.Close();
    w.Open(chunk::EDITOR);
    w.Open(chunk::MESH_VERSION);
    w.U32(3);
    w.Close();
    for (const MaterialDef& m : scene.materials)
        WriteMaterial(w, m);
    w.Open(chunk::MASTER_SCALE);
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
    return w.Bytes();
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
