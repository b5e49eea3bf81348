// The city: nine blocks on a paved ground, two buildings per block, two round
// towers in the middle block; the camera drives the streets and climbs out.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/assetgen/path.h"
#include "tools/assetgen/scenes.h"
#include "tools/assetgen/visibility.h"

namespace assetgen {
namespace {

constexpr float kBlockPitch = 420;  // block centre to block centre
constexpr float kBlockHalf = 128;   // half the side of a block; streets are 164 wide
constexpr float kGround = 2000;  // the paving runs on to the horizon
constexpr float kCityReach = 800;  // the streets the camera drives lie within this of the middle
constexpr float kWallTile = 110;
// Where along the drive the view starts turning to the city's middle, and over how much of it.
constexpr float kTurnFrom = 0.55f, kTurnOver = 0.2f;

struct Lot {
    const char* name;
    int bx, by;   // block, -1..1 each way
    int half;     // 0 or 1: which half of the block
    bool alongX;  // the block is split by a line parallel to x
    float height;
};

// Every building's place and height; the names follow the texture groups the scene uses.
const Lot kLots[] = {
    {"Box02", -1, -1, 0, true, 260}, {"Box03", -1, -1, 1, true, 170},
    {"Box04", 0, -1, 0, false, 330}, {"Box05", 0, -1, 1, false, 220},
    {"Box06", 1, -1, 0, true, 410}, {"Box07", 1, -1, 1, true, 150},
    {"Box08", -1, 0, 0, false, 190}, {"Box09", -1, 0, 1, false, 380},
    {"Box11", 1, 0, 0, false, 300}, {"Box12", 1, 0, 1, false, 460},
    {"Box13", -1, 1, 0, true, 350}, {"Box14", -1, 1, 1, true, 240},
    {"Box17", 0, 1, 0, false, 280}, {"Box18", 0, 1, 1, false, 160},
    {"Box19", 1, 1, 0, true, 200}, {"Box20", 1, 1, 1, true, 520},
};

const char* TextureGroupMaterial(const std::string& name)
{
    static const char* const groups[][5] = {
        {"Stoned02", "Box01", "Box04", "Box07", "Box18"},
        {"Groove1", "Box09", "Box12", "Box20", "Cylinder01"},
        {"Crisscro", "Box03", "Box08", "Box17", "Cylinder02"},
        {"Stoned00", "Box05", "Box11", "Box13", ""},
        {"Stoned12", "Box02", "Box14", "Box06", "Box19"}};
    for (const auto& g : groups)
        for (int k = 1; k < 5; ++k)
            if (name == g[k])
                return g[0];
    return "Stoned02";
}

Mesh MakeBuilding(const Lot& lot)
{
    const Vec3 centre{lot.bx * kBlockPitch, lot.by * kBlockPitch, 0};
    const float gap = 10, inset = 8;
    Vec3 lo = centre - Vec3{kBlockHalf - inset, kBlockHalf - inset, 0};
    Vec3 hi = centre + Vec3{kBlockHalf - inset, kBlockHalf - inset, lot.height};
    if (lot.alongX) {
        (lot.half == 0 ? hi.y : lo.y) = centre.y + (lot.half == 0 ? -gap : gap);
    } else {
        (lot.half == 0 ? hi.x : lo.x) = centre.x + (lot.half == 0 ? -gap : gap);
    }
    // One piece per texture tile: the light from the eye falls off slowly across a flat wall.
    Mesh m = MakeBox(lo, hi, kWallTile, kWallTile);
    m.name = lot.name;
    m.material = TextureGroupMaterial(lot.name);
    return m;
}

// The paving: a slab 20 deep whose top is cut finely under the streets the camera drives,
// where the light from the eye falls off quickly, and ever more coarsely toward the
// horizon, where whole pieces shrink to a few pixels.
Mesh MakeGround()
{
    std::vector<float> lines;
    for (float x : {kGround, 1600.0f, 1250.0f, 1000.0f})
        lines.push_back(-x);
    for (float x = -kCityReach; x <= kCityReach; x += 100)
        lines.push_back(x);
    for (float x : {1000.0f, 1250.0f, 1600.0f, kGround})
        lines.push_back(x);
    const int n = static_cast<int>(lines.size()) - 1;
    auto at = [&](float t) { return lines[static_cast<size_t>(std::lround(t * n))]; };
    auto position = [&](float u, float v) { return Vec3{at(u), at(v), 0}; };
    auto uv = [&](float u, float v) { return Vec2{at(u) / (2 * kWallTile), at(v) / (2 * kWallTile)}; };
    // Only the top: no frame shows the slab's sides or underside.
    Mesh m = MakeGrid(n, n, position, uv, false, 16);
    m.origin = {0, 0, -10};
    return m;
}

Mesh MakeTower(const char* name, Vec3 base, float radius, float height)
{
    const std::vector<Vec2> profile = {{radius, 0}, {radius, height * 0.3f}, {radius, height * 0.6f},
                                       {radius * 0.92f, height * 0.62f}, {radius * 0.92f, height}};
    Mesh m = MakeLathe(base, profile, 40, kWallTile, true, false);
    m.name = name;
    m.material = TextureGroupMaterial(name);
    return m;
}

// The drive: along the southern street, north up the western one, east along the
// northern one, south down the eastern one, then up out of its southern end to look
// back over the roofs.
SmoothPath StreetPath()
{
    const float s = kBlockPitch / 2;
    return SmoothPath({{-720, -s, 70}, {-430, -s, 75}, {-s, -s, 85}, {-s, 0, 95}, {-s, s, 105},
                       {0, s, 115}, {s, s, 130}, {s, 0, 150}, {s, -s, 175}, {s, -430, 215},
                       {300, -700, 330}, {470, -790, 470}, {580, -720, 620}});
}

// Heading (about z) and pitch of `v`, radians.
Vec2 Angles(Vec3 v)
{
    return {std::atan2(v.y, v.x), std::atan2(v.z, std::hypot(v.x, v.y))};
}

// `a` moved by whole turns to lie within half a turn of `near`.
float Unwrap(float a, float near)
{
    return a - 2 * kPi * std::round((a - near) / (2 * kPi));
}

CameraDef MakeStreetCamera()
{
    const SmoothPath path = StreetPath();
    const Vec3 centre{0, 0, 120};
    const float turnStart = path.Length() * kTurnFrom, turnLength = path.Length() * kTurnOver;
    auto along = [&](int f) {
        return path.Length() * EaseInOut(static_cast<float>(f) / kKaupunkiFrames, 0.12f);
    };
    auto eye = [&](int f) { return path.At(along(f)); };
    // Looks along the road ahead, slightly down; from the eastern street on it swings
    // round toward the city's middle, heading and pitch eased separately so the
    // view sweeps sideways over the buildings instead of through the sky or ground.
    auto target = [&](int f) {
        const float d = along(f);
        const Vec3 e = eye(f);
        Vec3 ahead = path.At(d + 220) - e;
        ahead.z = std::min(ahead.z, 0.0f) - 25;
        const Vec2 road = Angles(ahead), middle = Angles(centre - e);
        // Always a right turn (clockwise seen from above): west from the eastern street.
        const float turn = Unwrap(middle.u - road.u, -kPi);
        const float w = std::clamp((d - turnStart) / turnLength, 0.0f, 1.0f);
        const float blend = w * w * (3 - 2 * w);
        const float heading = road.u + blend * turn, pitch = road.v + blend * (middle.v - road.v);
        return e + Vec3{std::cos(pitch) * std::cos(heading), std::cos(pitch) * std::sin(heading),
                        std::sin(pitch)} * 250;
    };
    return MakeCamera("Camera01", "Camera01.T", kKaupunkiFrames, eye, target);
}

}  // namespace

SceneDef MakeKaupunki()
{
    SceneDef scene;
    scene.name = "kaupunki";
    scene.lastFrame = kKaupunkiFrames;
    for (const char* texture : {"Stoned02", "Groove1", "Crisscro", "Stoned00", "Stoned12"})
        scene.materials.push_back({texture, {0.1f, 0.1f, 0.1f}, {0.7f, 0.7f, 0.7f}, {0.9f, 0.9f, 0.9f},
                                   std::string(texture) + ".bmp"});
    Mesh ground = MakeGround();
    ground.name = "Box01";
    ground.material = "Stoned02";
    scene.meshes.push_back(ground);
    for (const Lot& lot : kLots)
        scene.meshes.push_back(MakeBuilding(lot));
    scene.meshes.push_back(MakeTower("Cylinder01", {0, -60, 0}, 58, 560));
    scene.meshes.push_back(MakeTower("Cylinder02", {10, 70, 0}, 48, 420));
    scene.cameras.push_back(MakeStreetCamera());
    // Undersides, and walls that face away from every street the camera drives, never show.
    const std::vector<View> views = CameraViews(scene.cameras[0]);
    for (Mesh& m : scene.meshes)
        DropUnseenFaces(m, views);
    return scene;
}

}  // namespace assetgen
