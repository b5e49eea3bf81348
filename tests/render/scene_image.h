// .3DS images for the render tests, built with the chunk builder and read back
// through the real reader.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scenefile/loader3ds.h"
#include "support/chunk_builder.h"

// One mesh object; empty lists are left out of the image.
struct MeshSpec {
    std::string name = "Mesh01";
    std::vector<float> vertices;
    std::vector<uint16_t> faces;
    std::vector<float> texCoords;
    bool hasOrigin = false;
    float origin[3] = {0, 0, 0};
};

// One keyframe node with a position track of (frame, x, y, z) keys.
struct NodeSpec {
    std::string name;
    uint16_t chunkId = chunk::OBJECT_NODE;
    std::vector<std::vector<float>> keys;
    bool hasTrack = true;
};

inline void AddMesh(ChunkBuilder& b, const MeshSpec& mesh)
{
    b.Open(chunk::OBJECT).Str(mesh.name).Open(chunk::TRIMESH);
    if (!mesh.vertices.empty())
        b.Vertices(mesh.vertices);
    if (!mesh.texCoords.empty())
        b.TexCoords(mesh.texCoords);
    if (mesh.hasOrigin)
        b.LocalSystem(mesh.origin[0], mesh.origin[1], mesh.origin[2]);
    if (!mesh.faces.empty())
        b.Faces(mesh.faces);
    b.Close().Close();
}

inline void AddNode(ChunkBuilder& b, const NodeSpec& node)
{
    b.Open(node.chunkId).NodeHeader(node.name, -1);
    if (node.hasTrack)
        b.PositionTrack(node.keys);
    b.Close();
}

// A whole file: the meshes, then a keyframer section with one node per mesh
// (so the mesh builder's Find succeeds) followed by the extra nodes.
inline std::vector<uint8_t> SceneImage(const std::vector<MeshSpec>& meshes,
                                       const std::vector<NodeSpec>& extraNodes = {})
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(chunk::EDITOR);
    for (const MeshSpec& mesh : meshes)
        AddMesh(b, mesh);
    b.Close().Open(chunk::KEYFRAMER);
    for (const MeshSpec& mesh : meshes)
        AddNode(b, NodeSpec{mesh.name, chunk::OBJECT_NODE, {{0, 0, 0, 0}}, true});
    for (const NodeSpec& node : extraNodes)
        AddNode(b, node);
    b.Close().Close();
    return b.Bytes();
}

// Reads the image with the real reader, its trace silenced.
inline std::unique_ptr<OlvarLoad3DS> LoadImage(const std::vector<uint8_t>& image)
{
    return std::make_unique<OlvarLoad3DS>(image.data(), image.size(), nullptr);
}

inline std::unique_ptr<OlvarLoad3DS> LoadMesh(const MeshSpec& mesh)
{
    return LoadImage(SceneImage({mesh}));
}
