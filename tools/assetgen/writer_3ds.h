// Writes a scene as a .3DS chunk file: editor section (materials, meshes,
// cameras, spotlights) and keyframer section (one node per object).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/geom.h"
#include "tools/assetgen/mesh.h"

namespace assetgen {

struct MaterialDef {
    std::string name;
    Vec3 ambient, diffuse, specular;
    std::string texture;  // file name of the texture map, or empty
};

// A camera object and its two keyframe nodes; `targetNodeName` is the name in the
// target node's header (readers append ".target" to it).
struct CameraDef {
    std::string name;
    std::string targetNodeName;
    float lens = 35.0f;
    std::vector<Vec3> eyeKeys;     // one key per frame from frame 0
    std::vector<Vec3> targetKeys;  // one key per frame from frame 0
};

struct SpotlightDef {
    std::string name;
    Vec3 colour{1, 1, 1};
    float hotspot = 30, falloff = 45;
    std::vector<Vec3> positionKeys;
    std::vector<Vec3> targetKeys;
};

struct SceneDef {
    std::string name;  // short name, written to the keyframer header
    std::vector<MaterialDef> materials;
    std::vector<Mesh> meshes;
    std::vector<CameraDef> cameras;
    std::vector<SpotlightDef> spotlights;
    uint32_t firstFrame = 0, lastFrame = 100;
};

// The file image of `scene`.
std::vector<uint8_t> Build3DS(const SceneDef& scene);

// Writes bytes to `path`; false with a message on stderr when it cannot.
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace assetgen
