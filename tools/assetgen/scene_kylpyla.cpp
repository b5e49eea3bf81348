// The bathing hall: a round pool in a travertine hall, a ring of marble pillars,
// chrome fish leaping around the fountain column, red sponge-stone benches.
#include <cmath>
#include <cstdio>

#include "tools/assetgen/path.h"
#include "tools/assetgen/scenes.h"
#include "tools/assetgen/visibility.h"

namespace assetgen {
namespace {

constexpr float kHallX = 800, kHallY = 600, kHallZ = 480;
constexpr float kPoolRadius = 240, kPoolDepth = 60;
constexpr float kWaterLevel = -14;
constexpr float kPillarRingX = 690, kPillarRingY = 500;
constexpr float kStoneTile = 160;

// The floor between the hall's rectangle and the pool's rim, one strip per
// outline segment, with the rectangle's corners among the outline points.
Mesh MakeFloor()
{
    std::vector<Vec3> outline;
    const Vec3 corners[4] = {{kHallX, -kHallY, 0}, {kHallX, kHallY, 0}, {-kHallX, kHallY, 0}, {-kHallX, -kHallY, 0}};
    for (int side = 0; side < 4; ++side) {
        const Vec3 a = corners[side], b = corners[(side + 1) % 4];
        const int pieces = static_cast<int>(Length(b - a) / 57.0f);
        for (int k = 0; k < pieces; ++k)
            outline.push_back(Lerp(a, b, static_cast<float>(k) / pieces));
    }
    outline.push_back(outline.front());
    // Six rows from rim to wall: enough for the light from the eye to fall off smoothly.
    const int cols = static_cast<int>(outline.size()) - 1, rows = 6;
    auto position = [&](float u, float v) {
        const Vec3 outer = outline[static_cast<size_t>(std::lround(u * cols))];
        const float a = std::atan2(outer.y, outer.x);
        const Vec3 inner{kPoolRadius * std::cos(a), kPoolRadius * std::sin(a), 0};
        return Lerp(inner, outer, v);
    };
    auto uv = [&](float u, float v) {
        const Vec3 p = position(u, v);
        return Vec2{p.x / kStoneTile, p.y / kStoneTile};
    };
    return MakeGrid(cols, rows, position, uv, true);
}

// Maps the whole basin into the deep pit in the middle of the travertine
// texture, so the water lies over dark stone rather than bright slabs.
void BasinMapping(Mesh& m)
{
    for (size_t i = 0; i < m.vertices.size(); ++i)
        m.uvs[i] = {0.5f + m.vertices[i].x * 2e-5f, 0.5f + m.vertices[i].y * 1e-5f};
}

// "Box01": floor with the pool cut out, the basin, the hall's walls and ceiling.
Mesh MakeHallShell()
{
    Mesh m = MakeFloor();
    Mesh wall = MakeLathe({0, 0, 0}, {{kPoolRadius, -kPoolDepth}, {kPoolRadius, 0}},
                          72, kStoneTile / 2, false, false);
    wall.FlipFaces();
    BasinMapping(wall);
    m.Append(wall);
    std::vector<Vec2> bottomProfile;
    for (int k = 2; k >= 0; --k)
        bottomProfile.push_back({kPoolRadius * k / 2.0f, -kPoolDepth});
    Mesh bottom = MakeLathe({0, 0, 0}, bottomProfile, 72, kStoneTile, false, false);
    BasinMapping(bottom);
    m.Append(bottom);
    // Walls and ceiling are flat and never near the eye: one piece per texture tile.
    const float step = kStoneTile;
    const Vec3 up{0, 0, kHallZ};
    m.Append(MakePlane({kHallX, kHallY, 0}, {0, -2 * kHallY, 0}, up, step, kStoneTile));
    m.Append(MakePlane({-kHallX, -kHallY, 0}, {0, 2 * kHallY, 0}, up, step, kStoneTile));
    m.Append(MakePlane({-kHallX, kHallY, 0}, {2 * kHallX, 0, 0}, up, step, kStoneTile));
    m.Append(MakePlane({kHallX, -kHallY, 0}, {-2 * kHallX, 0, 0}, up, step, kStoneTile));
    m.Append(MakePlane({-kHallX, -kHallY, kHallZ}, {0, 2 * kHallY, 0}, {2 * kHallX, 0, 0}, 200, kStoneTile));
    m.name = "Box01";
    m.material = "Travertine";
    m.origin = {0, 0, 0};
    return m;
}

Mesh MakePillar(int number, float angle)
{
    const std::vector<Vec2> profile = {{36, 0}, {36, 18}, {30, 22}, {27, 30}, {25, 120}, {24, 250},
                                       {22, 380}, {22, 436}, {27, 446}, {34, 460}, {38, 468}, {38, kHallZ}};
    const Vec3 base{kPillarRingX * std::cos(angle), kPillarRingY * std::sin(angle), 0};
    // 16 sides: a pillar is at most about 60 pixels wide in the picture.
    Mesh m = MakeLathe(base, profile, 16, 80, false, false);
    char name[16];
    std::snprintf(name, sizeof name, "Cylinder%02d", number);
    m.name = name;
    m.material = "Marble";
    return m;
}

// "Cylinder13": the fountain column standing in the middle of the pool.
Mesh MakeFountain()
{
    const std::vector<Vec2> profile = {{46, -kPoolDepth}, {40, -40}, {30, 0}, {26, 30}, {34, 42},
                                       {62, 50}, {70, 56}, {64, 60}, {0, 60}};
    Mesh m = MakeLathe({0, 0, 0}, profile, 36, 80, false, false);
    for (size_t i = 0; i < m.vertices.size(); ++i)
        if (m.vertices[i].z > 59.9f)
            m.uvs[i] = {m.vertices[i].x / 80, m.vertices[i].y / 80};
    m.name = "Cylinder13";
    m.material = "Marble";
    return m;
}

// One leaping fish, rotated to swim around the fountain and dipping its head.
Mesh MakeLeapingFish(const char* name, float angle, float height)
{
    Mesh fish = MakeFish(130, 24, 15);
    const float dip = -0.35f, heading = angle + kPi / 2;
    for (Vec3& v : fish.vertices) {
        Vec3 p = v - Vec3{65, 0, 0};
        p = {p.x * std::cos(dip) - p.z * std::sin(dip), p.y, p.x * std::sin(dip) + p.z * std::cos(dip)};
        p = {p.x * std::cos(heading) - p.y * std::sin(heading), p.x * std::sin(heading) + p.y * std::cos(heading), p.z};
        v = p + Vec3{125 * std::cos(angle), 125 * std::sin(angle), height};
    }
    fish.name = name;
    fish.material = "Gold";
    fish.CentreOrigin();
    return fish;
}

// "Cylinder14": the water, a thin disc filling the pool just below the rim.
Mesh MakeWater()
{
    std::vector<Vec2> profile = {{kPoolRadius - 1, kWaterLevel - 10}, {kPoolRadius - 1, kWaterLevel}};
    for (int k = 5; k >= 0; --k)
        profile.push_back({(kPoolRadius - 1) * k / 6.0f, kWaterLevel});
    Mesh m = MakeLathe({0, 0, 0}, profile, 72, 100, false, false);
    m.name = "Cylinder14";
    m.material = "Water";
    return m;
}

Mesh MakeBench(const char* name, float x)
{
    Mesh m = MakeBox({x - 30, -220, 0}, {x + 30, 220, 56}, 40, 90);
    m.name = name;
    m.material = "Sponge";
    return m;
}

CameraDef MakeHallCamera()
{
    auto eye = [](int f) {
        const float t = static_cast<float>(f) / kKylpylaFrames;
        const float a = -1.9f + 3.6f * EaseInOut(t, 0.2f);
        return Vec3{(510 - 30 * std::sin(3 * a)) * std::cos(a), 370 * std::sin(a),
                    190 + 50 * std::sin(2 * kPi * 1.5f * t)};
    };
    auto target = [&](int f) {
        const Vec3 e = eye(f);
        const float t = static_cast<float>(f) / kKylpylaFrames;
        return Vec3{-0.3f * e.x, -0.3f * e.y, 55 + 25 * std::sin(2 * kPi * t)};
    };
    return MakeCamera("Camera01", "Camera01", kKylpylaFrames, eye, target);
}

SpotlightDef MakeSpot()
{
    SpotlightDef s;
    s.name = "Spot01";
    s.colour = {1.0f, 0.92f, 0.8f};
    s.hotspot = 25;
    s.falloff = 50;
    for (int f = 0; f <= kKylpylaFrames; ++f) {
        const float a = 2 * kPi * f / kKylpylaFrames;
        s.positionKeys.push_back({60 * std::cos(a), 60 * std::sin(a), kHallZ - 20});
        s.targetKeys.push_back({40 * std::cos(-2 * a), 40 * std::sin(-2 * a), 0});
    }
    return s;
}

}  // namespace

SceneDef MakeKylpyla()
{
    SceneDef scene;
    scene.name = "kylpyla";
    scene.lastFrame = kKylpylaFrames;
    scene.materials = {
        {"Gold", {0, 0, 0}, {0.65f, 0.39f, 0.24f}, {1, 1, 1}, "Sunset.bmp"},
        {"Marble", {0.3f, 0.26f, 0.19f}, {0.69f, 0.59f, 0.44f}, {0.94f, 0.92f, 0.89f}, "Benedeti.bmp"},
        {"Travertine", {0.49f, 0.44f, 0.31f}, {0.91f, 0.8f, 0.58f}, {0.99f, 0.97f, 0.93f}, "Travertn.bmp"},
        {"Sponge", {0.92f, 0, 0}, {0.96f, 0.1f, 0.1f}, {1, 0.19f, 0.1f}, "Sponge2.bmp"},
        {"Water", {0.11f, 0.11f, 0.54f}, {0.11f, 0.11f, 0.15f}, {0.89f, 0.9f, 0.9f}, "vesi.bmp"}};
    scene.meshes.push_back(MakeHallShell());
    scene.meshes.push_back(MakeBench("Box02", -720));
    scene.meshes.push_back(MakeBench("Box03", 720));
    for (int k = 0; k < 12; ++k)
        scene.meshes.push_back(MakePillar(k + 1, kPi / 12 + k * kPi / 6));
    scene.meshes.push_back(MakeFountain());
    const char* fishNames[4] = {"Fisu1", "Fisu02", "Fisu03", "Fisu04"};
    for (int k = 0; k < 4; ++k)
        scene.meshes.push_back(MakeLeapingFish(fishNames[k], k * kPi / 2, 95 + 20 * (k % 2)));
    scene.meshes.push_back(MakeWater());
    scene.cameras.push_back(MakeHallCamera());
    // The camera circles inside the ring of pillars looking down at the pool: the
    // pillars' outer sides, the ceiling and the far bench never show.
    const std::vector<View> views = CameraViews(scene.cameras[0]);
    for (Mesh& m : scene.meshes)
        DropUnseenFaces(m, views);
    scene.spotlights.push_back(MakeSpot());
    return scene;
}

}  // namespace assetgen
