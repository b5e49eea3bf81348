// The tunnel: a ribbed, lobed tube lofted along a wandering path, flown through.
#include <algorithm>
#include <cmath>

#include "tools/assetgen/path.h"
#include "tools/assetgen/scenes.h"
#include "tools/assetgen/visibility.h"

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

// Where the rings go along the centre line: four across each rib, 5 and 14 units either
// side of its crest, and none on the smooth stretch between ribs, where the slow bends
// of the path need no more. The rib's own shape is flat again about 20 units from its
// crest; rings either side of the crest rather than on it put the steepest slope on the
// rib's flanks, which the chrome shows as a dark rim. The sampling repeats with the ribs,
// so every rib has the same outline.
std::vector<float> RingPositions(float from, float to)
{
    static const float kOffsets[] = {5, 14, kRibSpacing - 14, kRibSpacing - 5};
    std::vector<float> rings;
    for (float rib = std::floor(from / kRibSpacing) * kRibSpacing; rib < to; rib += kRibSpacing)
        for (float offset : kOffsets)
            if (rib + offset >= from && rib + offset < to)
                rings.push_back(rib + offset);
    rings.push_back(to);
    return rings;
}

// The point of the wall at arc length s and angle a around the centre line.
Vec3 WallPoint(const SmoothPath& path, float s, float a)
{
    const Vec3 t = path.Direction(s);
    const Vec3 n = Normalize(Vec3{0, 0, 1} - t * t.z);
    const Vec3 b = Cross(t, n);
    return path.At(s) + (n * std::cos(a) + b * std::sin(a)) * WallRadius(s, a);
}

Mesh MakeTube(const SmoothPath& path, const std::vector<View>& views)
{
    // The far end shows down the tube from the last frames; the start, behind the first
    // eye, goes with the other faces no frame shows.
    const std::vector<float> rings = RingPositions(0, path.Length());
    const int rows = static_cast<int>(rings.size()) - 1;
    const int around = 20;  // four samples across each of the five lobes
    auto ring = [&](float v) { return rings[static_cast<size_t>(std::lround(v * rows))]; };
    auto position = [&](float u, float v) { return WallPoint(path, ring(v), 2 * kPi * u); };
    auto uv = [&](float u, float v) { return Vec2{u * 3.0f, ring(v) / 220.0f}; };
    Mesh m = MakeGrid(around, rows, position, uv, true);
    DropUnseenFaces(m, views);
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
    auto eyeAt = [&](int f) { return kEyeStart + kSpeed * static_cast<float>(f); };
    scene.cameras.push_back(MakeCamera(
        "Camera01", "Camera01", kTunneliFrames, [&](int f) { return path.At(eyeAt(f)); },
        [&](int f) { return path.At(eyeAt(f) + kLookAhead); }));
    scene.meshes.push_back(MakeTube(path, CameraViews(scene.cameras[0])));
    return scene;
}

}  // namespace assetgen
