// The tunnel: a ribbed, lobed tube lofted along a wandering path, flown through.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/path.h"
#include "tools/assetgen/scenes.h"

namespace assetgen {
namespace {

constexpr float kRadius = 70.0f;
constexpr float kRibSpacing = 90.0f;
constexpr float kEyeStart = 200.0f;
constexpr float kSpeed = 8.0f;  // units per frame
constexpr float kLookAhead = 160.0f;

// Control points of the tunnel's centre line: gentle turns, small climbs and dips.
std::vector<Vec3> TunnelControlPoints()
{
    Rng rng(0x7475'6e6e'656cull);
    std::vector<Vec3> points;
    Vec3 p{0, 0, 0};
    float heading = 0;
    for (int i = 0; i < 16; ++i) {
        points.push_back(p);
        heading = std::clamp(heading + rng.Range(-0.7f, 0.7f), -1.1f, 1.1f);
        const float climb = std::clamp(rng.Range(-70.0f, 70.0f) - p.z * 0.4f, -80.0f, 80.0f);
        p = p + Vec3{400 * std::cos(heading), 400 * std::sin(heading), climb};
    }
    return points;
}

// Wall distance from the centre line at arc length s and angle a around it.
float WallRadius(float s, float a)
{
    const float rib = std::pow(0.5f + 0.5f * std::cos(2 * kPi * s / kRibSpacing), 8.0f);
    const float lobes = 0.09f * std::cos(5 * a + s * 0.004f);
    return kRadius * (1.0f + lobes) * (1.0f - 0.13f * rib);
}

Mesh MakeTube(const SmoothPath& path)
{
    const float length = path.Length();
    const int rings = static_cast<int>(length / 7.0f);
    const int around = 28;
    auto position = [&](float u, float v) {
        const float s = v * length;
        const Vec3 t = path.Direction(s);
        const Vec3 n = Normalize(Vec3{0, 0, 1} - t * t.z);
        const Vec3 b = Cross(t, n);
        const float a = 2 * kPi * u;
        return path.At(s) + (n * std::cos(a) + b * std::sin(a)) * WallRadius(s, a);
    };
    auto uv = [&](float u, float v) { return Vec2{u * 3.0f, v * length / 220.0f}; };
    Mesh m = MakeGrid(around, rings, position, uv, true);
    m.name = "Loft01";
    m.material = "Chrome";
    m.origin = path.At(0);
    return m;
}

}  // namespace

SceneDef MakeTunneli()
{
    const SmoothPath path(TunnelControlPoints());
    SceneDef scene;
    scene.name = "tunneli";
    scene.lastFrame = kTunneliFrames;
    scene.materials.push_back({"Chrome", {0.2f, 0.2f, 0.2f}, {1, 1, 1}, {1, 1, 1}, "tunneli.bmp"});
    scene.meshes.push_back(MakeTube(path));
    auto eyeAt = [&](int f) { return kEyeStart + kSpeed * static_cast<float>(f); };
    scene.cameras.push_back(MakeCamera(
        "Camera01", "Camera01", kTunneliFrames, [&](int f) { return path.At(eyeAt(f)); },
        [&](int f) { return path.At(eyeAt(f) + kLookAhead); }));
    return scene;
}

}  // namespace assetgen
