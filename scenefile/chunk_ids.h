// The .3DS chunk ids this project reads, writes or names, in one place.
//
// The reader acts on the first group only (every other id is skipped whole
// by its length); the writer, the tests and the inspector use the rest to
// build and describe complete files. Every chunk starts with a 6-byte header:
// a 16-bit id and a 32-bit length counting the header, the chunk's own data
// and every chunk nested in it, both little-endian.
#pragma once

#include <cstdint>

namespace chunk {

inline constexpr uint32_t kHeaderSize = 6;

// What the reader's walk acts on.
inline constexpr uint16_t MAIN = 0x4D4D;
inline constexpr uint16_t EDITOR = 0x3D3D;
inline constexpr uint16_t OBJECT = 0x4000;
inline constexpr uint16_t TRIMESH = 0x4100;
inline constexpr uint16_t VERTEX_LIST = 0x4110;
inline constexpr uint16_t FACE_LIST = 0x4120;
inline constexpr uint16_t MAPPING_COORDINATES = 0x4140;
inline constexpr uint16_t LOCAL_COORDINATE_SYSTEM = 0x4160;
inline constexpr uint16_t KEYFRAMER = 0xB000;
inline constexpr uint16_t OBJECT_NODE = 0xB002;
inline constexpr uint16_t CAMERA_NODE = 0xB003;
inline constexpr uint16_t CAMERA_TARGET_NODE = 0xB004;
inline constexpr uint16_t LIGHT_TARGET_NODE = 0xB006;
inline constexpr uint16_t SPOTLIGHT_NODE = 0xB007;
inline constexpr uint16_t FRAME_RANGE = 0xB008;
inline constexpr uint16_t NODE_HEADER = 0xB010;
inline constexpr uint16_t PIVOT = 0xB013;
inline constexpr uint16_t POSITION_TRACK = 0xB020;
inline constexpr uint16_t ROTATION_TRACK = 0xB021;
inline constexpr uint16_t HIERARCHY_POSITION = 0xB030;

// Written by the generator or met in other tools' files; skipped by the reader.
inline constexpr uint16_t VERSION = 0x0002;
inline constexpr uint16_t COLOUR_F = 0x0010;
inline constexpr uint16_t COLOUR_24 = 0x0011;
inline constexpr uint16_t PERCENT = 0x0030;
inline constexpr uint16_t MASTER_SCALE = 0x0100;
inline constexpr uint16_t MESH_VERSION = 0x3D3E;
inline constexpr uint16_t VERTEX_FLAGS = 0x4111;
inline constexpr uint16_t FACE_MATERIAL = 0x4130;
inline constexpr uint16_t SMOOTHING_GROUPS = 0x4150;
inline constexpr uint16_t LIGHT = 0x4600;
inline constexpr uint16_t SPOTLIGHT = 0x4610;
inline constexpr uint16_t CAMERA = 0x4700;
inline constexpr uint16_t CAMERA_RANGES = 0x4720;
inline constexpr uint16_t MATERIAL_NAME = 0xA000;
inline constexpr uint16_t MATERIAL_AMBIENT = 0xA010;
inline constexpr uint16_t MATERIAL_DIFFUSE = 0xA020;
inline constexpr uint16_t MATERIAL_SPECULAR = 0xA030;
inline constexpr uint16_t MATERIAL_SHININESS = 0xA040;
inline constexpr uint16_t MATERIAL_SHININESS_STRENGTH = 0xA041;
inline constexpr uint16_t MATERIAL_TRANSPARENCY = 0xA050;
inline constexpr uint16_t MATERIAL_TRANSPARENCY_FALLOFF = 0xA052;
inline constexpr uint16_t MATERIAL_REFLECTION_BLUR = 0xA053;
inline constexpr uint16_t MATERIAL_SELF_ILLUMINATION = 0xA084;
inline constexpr uint16_t MATERIAL_WIRE_SIZE = 0xA087;
inline constexpr uint16_t MATERIAL_TRANSPARENCY_FALLOFF_IN = 0xA08A;
inline constexpr uint16_t MATERIAL_SHADING = 0xA100;
inline constexpr uint16_t MATERIAL_TEXTURE = 0xA200;
inline constexpr uint16_t MATERIAL_MAP_NAME = 0xA300;
inline constexpr uint16_t MATERIAL_MAP_TILING = 0xA351;
inline constexpr uint16_t MATERIAL_MAP_BLUR = 0xA353;
inline constexpr uint16_t MATERIAL = 0xAFFF;
inline constexpr uint16_t AMBIENT_NODE = 0xB001;
inline constexpr uint16_t LIGHT_NODE = 0xB005;
inline constexpr uint16_t CURRENT_FRAME = 0xB009;
inline constexpr uint16_t KEYFRAMER_HEADER = 0xB00A;
inline constexpr uint16_t SCALE_TRACK = 0xB022;
inline constexpr uint16_t FOV_TRACK = 0xB023;
inline constexpr uint16_t ROLL_TRACK = 0xB024;

// A short name for a known id ("MAIN", "FACE_LIST", ...), or nullptr.
constexpr const char* Name(uint16_t id)
{
    switch (id) {
    case MAIN: return "MAIN";
    case EDITOR: return "EDITOR";
    case OBJECT: return "OBJECT";
    case TRIMESH: return "TRIMESH";
    case VERTEX_LIST: return "VERTEX_LIST";
    case FACE_LIST: return "FACE_LIST";
    case MAPPING_COORDINATES: return "MAPPING_COORDINATES";
    case LOCAL_COORDINATE_SYSTEM: return "LOCAL_COORDINATE_SYSTEM";
    case KEYFRAMER: return "KEYFRAMER";
    case OBJECT_NODE: return "OBJECT_NODE";
    case CAMERA_NODE: return "CAMERA_NODE";
    case CAMERA_TARGET_NODE: return "CAMERA_TARGET_NODE";
    case LIGHT_TARGET_NODE: return "LIGHT_TARGET_NODE";
    case SPOTLIGHT_NODE: return "SPOTLIGHT_NODE";
    case FRAME_RANGE: return "FRAME_RANGE";
    case NODE_HEADER: return "NODE_HEADER";
    case PIVOT: return "PIVOT";
    case POSITION_TRACK: return "POSITION_TRACK";
    case ROTATION_TRACK: return "ROTATION_TRACK";
    case HIERARCHY_POSITION: return "HIERARCHY_POSITION";
    case VERSION: return "VERSION";
    case COLOUR_F: return "COLOUR_F";
    case COLOUR_24: return "COLOUR_24";
    case PERCENT: return "PERCENT";
    case MASTER_SCALE: return "MASTER_SCALE";
    case MESH_VERSION: return "MESH_VERSION";
    case VERTEX_FLAGS: return "VERTEX_FLAGS";
    case FACE_MATERIAL: return "FACE_MATERIAL";
    case SMOOTHING_GROUPS: return "SMOOTHING_GROUPS";
    case LIGHT: return "LIGHT";
    case SPOTLIGHT: return "SPOTLIGHT";
    case CAMERA: return "CAMERA";
    case MATERIAL_NAME: return "MATERIAL_NAME";
    case MATERIAL_AMBIENT: return "MATERIAL_AMBIENT";
    case MATERIAL_DIFFUSE: return "MATERIAL_DIFFUSE";
    case MATERIAL_SPECULAR: return "MATERIAL_SPECULAR";
    case MATERIAL_TEXTURE: return "MATERIAL_TEXTURE";
    case MATERIAL_MAP_NAME: return "MATERIAL_MAP_NAME";
    case MATERIAL: return "MATERIAL";
    case AMBIENT_NODE: return "AMBIENT_NODE";
    case LIGHT_NODE: return "LIGHT_NODE";
    case KEYFRAMER_HEADER: return "KEYFRAMER_HEADER";
    case SCALE_TRACK: return "SCALE_TRACK";
    case FOV_TRACK: return "FOV_TRACK";
    case ROLL_TRACK: return "ROLL_TRACK";
    case CAMERA_RANGES: return "CAMERA_RANGES";
    case MATERIAL_SHININESS: return "MATERIAL_SHININESS";
    case MATERIAL_SHININESS_STRENGTH: return "MATERIAL_SHININESS_STRENGTH";
    case MATERIAL_TRANSPARENCY: return "MATERIAL_TRANSPARENCY";
    case MATERIAL_TRANSPARENCY_FALLOFF: return "MATERIAL_TRANSPARENCY_FALLOFF";
    case MATERIAL_REFLECTION_BLUR: return "MATERIAL_REFLECTION_BLUR";
    case MATERIAL_WIRE_SIZE: return "MATERIAL_WIRE_SIZE";
    case MATERIAL_TRANSPARENCY_FALLOFF_IN: return "MATERIAL_TRANSPARENCY_FALLOFF_IN";
    case MATERIAL_SELF_ILLUMINATION: return "MATERIAL_SELF_ILLUMINATION";
    case MATERIAL_SHADING: return "MATERIAL_SHADING";
    case MATERIAL_MAP_TILING: return "MATERIAL_MAP_TILING";
    case MATERIAL_MAP_BLUR: return "MATERIAL_MAP_BLUR";
    case CURRENT_FRAME: return "CURRENT_FRAME";
    default: return nullptr;
    }
}

}  // namespace chunk
