// What the scenes need of their content: well-formed meshes, walls facing the
// viewer, cameras keyed on every frame that move smoothly, stay clear of walls
// and never look straight up or down (the view's up vector is +z).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "generated.h"
#include "tools/assetgen/geom.h"

namespace {

using assetgen::Mesh;
using assetgen::SceneDef;
using assetgen::Vec3;

Vec3 FaceNormal(const Mesh& m, const assetgen::Face& f)
{
    return Cross(m.vertices[f.b] - m.vertices[f.a], m.vertices[f.c] - m.vertices[f.a]);
}

Vec3 Centroid(const Mesh& m, const assetgen::Face& f)
{
    return (m.vertices[f.a] + m.vertices[f.b] + m.vertices[f.c]) * (1.0f / 3);
}

const Mesh& MeshNamed(const SceneDef& s, const std::string& name)
{
    for (const Mesh& m : s.meshes)
        if (m.name == name)
            return m;
    static const Mesh none;
    ADD_FAILURE() << "no mesh " << name;
    return none;
}

TEST(SceneContent, MeshesAreWithinFormatLimitsAndUseEveryVertex)
{
    for (const auto& c : assettest::SceneCases()) {
        const SceneDef scene = c.make();
        std::set<std::string> names;
        for (const Mesh& m : scene.meshes) {
            SCOPED_TRACE(m.name);
            EXPECT_TRUE(names.insert(m.name).second) << "duplicate name";
            ASSERT_FALSE(m.faces.empty());
            EXPECT_LE(m.vertices.size(), 65535u);
            EXPECT_LE(m.faces.size(), 65535u);
            EXPECT_EQ(m.uvs.size(), m.vertices.size());
            std::vector<bool> used(m.vertices.size(), false);
            for (const auto& f : m.faces)
                for (uint16_t i : {f.a, f.b, f.c}) {
                    ASSERT_LT(i, m.vertices.size());
                    used[i] = true;
                }
            EXPECT_EQ(std::count(used.begin(), used.end(), false), 0);
            for (const Vec3& v : m.vertices)
                ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
        }
    }
}

TEST(SceneContent, TunnelWallsFaceItsCentreLine)
{
    const SceneDef scene = assetgen::MakeTunneli();
    const Mesh& tube = MeshNamed(scene, "Loft01");
    const auto& line = scene.cameras.at(0).eyeKeys;
    int checked = 0, outward = 0;
    for (const auto& f : tube.faces) {
        const Vec3 c = Centroid(tube, f);
        float best = 1e30f;
        Vec3 nearest;
        for (const Vec3& p : line)
            if (Length(p - c) < best) {
                best = Length(p - c);
                nearest = p;
            }
        if (best > 90)
            continue;  // beyond the stretch the camera flies
        ++checked;
        if (Dot(FaceNormal(tube, f), nearest - c) <= 0)
            ++outward;
    }
    EXPECT_GT(checked, static_cast<int>(tube.faces.size() / 2));
    EXPECT_EQ(outward, 0);
}

TEST(SceneContent, SphereFacesPointToItsCentre)
{
    const SceneDef scene = assetgen::MakeWomb();
    const Mesh& sphere = MeshNamed(scene, "GeoSphere0");
    EXPECT_GE(sphere.faces.size(), 2000u);
    for (const auto& f : sphere.faces)
        ASSERT_GT(Dot(FaceNormal(sphere, f), Vec3{} - Centroid(sphere, f)), 0);
    const Vec3 lo = sphere.BoundsMin(), hi = sphere.BoundsMax();
    EXPECT_GT(lo.x, -450);
    EXPECT_LT(hi.x, 450);
    EXPECT_LT(std::abs(lo.z + hi.z), 100);
}

TEST(SceneContent, KnotIsCentredOnItsOriginAndSizedForTheMirrorFloor)
{
    const SceneDef scene = assetgen::MakeInsane();
    const Mesh& knot = MeshNamed(scene, "Knot01");
    Vec3 mean;
    float reach = 0, offAxis = 0;
    for (const Vec3& v : knot.vertices) {
        const Vec3 d = v - knot.origin;
        mean = mean + d * (1.0f / knot.vertices.size());
        reach = std::max(reach, Length(d));
        offAxis = std::max(offAxis, std::hypot(d.x, d.y));
    }
    // The scene turns the knot about its origin, first about the local z axis: it must be
    // centred there, and everything but its length must stay near that axis, since the
    // picture ends some 35 units above the knot's centre when the camera is low.
    EXPECT_LT(Length(mean), 5);
    EXPECT_LE(offAxis, 34);
    EXPECT_GE(2 * reach, 250) << "too short to reach into the mirror";
    EXPECT_NEAR(knot.origin.y, 200, 1e-3);
}

// Rotates `v` by `degrees` about the x (0), y (1) or z (2) axis, as glRotatef does.
Vec3 Turned(Vec3 v, float degrees, int axis)
{
    const float a = degrees * assetgen::kPi / 180, c = std::cos(a), s = std::sin(a);
    if (axis == 0)
        return {v.x, c * v.y - s * v.z, s * v.y + c * v.z};
    if (axis == 1)
        return {c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
    return {c * v.x - s * v.y, s * v.x + c * v.y, v.z};
}

TEST(SceneContent, KnotFitsUnderTheTopOfTheFixedCameraPictureOnSomeFrames)
{
    // The scene shows the knot at (0, 200, 0) turned by (0, t, t - 100) degrees from an eye
    // circling at 450 and 230..370 high, looking at (0, 50, 0) with a 45-degree field of view.
    // The knot sits far above the middle of the picture: one standing upright leaves the top
    // on every frame, so it has to tip flat under the top now and then.
    const SceneDef scene = assetgen::MakeInsane();
    const Mesh& knot = MeshNamed(scene, "Knot01");
    const float halfHeight = std::tan(22.5f * assetgen::kPi / 180);
    int inside = 0;
    for (int t = 0; t <= 840; t += 4) {
        const Vec3 eye{450 * std::cos(0.02f * t), 300 + 70 * std::sin(assetgen::kPi - 0.05f * t),
                       450 * std::sin(0.02f * t)};
        const Vec3 ahead = Normalize(Vec3{0, 50, 0} - eye);
        const Vec3 up = Cross(Normalize(Cross(ahead, {0, 1, 0})), ahead);
        float top = -1e9f;
        for (const Vec3& v : knot.vertices) {
            const Vec3 r = Turned(Turned(v - knot.origin, t - 100.0f, 2), float(t), 1) + Vec3{0, 200, 0} - eye;
            top = std::max(top, Dot(r, up) / Dot(r, ahead));
        }
        inside += top < halfHeight;
    }
    EXPECT_GE(inside, 211 / 4) << "of 211 frames";
}

struct CameraCase {
    SceneDef (*make)();
    size_t frames;
};

const CameraCase kCameraScenes[] = {{assetgen::MakeTunneli, 541}, {assetgen::MakeKylpyla, 841},
                                    {assetgen::MakeKaupunki, 841}};

TEST(SceneContent, CamerasAreKeyedOnEveryFrameAndMoveSmoothly)
{
    for (const CameraCase& c : kCameraScenes) {
        const SceneDef scene = c.make();
        SCOPED_TRACE(scene.name);
        ASSERT_EQ(scene.cameras.size(), 1u);
        const auto& cam = scene.cameras[0];
        ASSERT_EQ(cam.eyeKeys.size(), c.frames);
        ASSERT_EQ(cam.targetKeys.size(), c.frames);
        for (size_t f = 0; f < c.frames; ++f) {
            const Vec3 view = cam.targetKeys[f] - cam.eyeKeys[f];
            ASSERT_GT(Length(view), 20) << "frame " << f;
            // At least 25 degrees away from straight up or down.
            ASSERT_LT(std::abs(view.z) / Length(view), std::cos(25 * assetgen::kPi / 180)) << "frame " << f;
            if (f < 2)
                continue;
            const Vec3 v1 = cam.eyeKeys[f] - cam.eyeKeys[f - 1], v0 = cam.eyeKeys[f - 1] - cam.eyeKeys[f - 2];
            ASSERT_LT(Length(v1), 15) << "frame " << f;
            ASSERT_LT(Length(v1 - v0), 0.5f) << "frame " << f;
            const Vec3 t1 = cam.targetKeys[f] - cam.targetKeys[f - 1], t0 = cam.targetKeys[f - 1] - cam.targetKeys[f - 2];
            ASSERT_LT(Length(t1 - t0), 1.0f) << "target, frame " << f;
        }
    }
}

TEST(SceneContent, TunnelCameraKeepsClearOfTheWall)
{
    const SceneDef scene = assetgen::MakeTunneli();
    const Mesh& tube = MeshNamed(scene, "Loft01");
    for (const auto& keys : {scene.cameras[0].eyeKeys, scene.cameras[0].targetKeys})
        for (size_t f = 0; f < keys.size(); f += 3) {
            float nearest = 1e30f;
            for (const Vec3& v : tube.vertices)
                nearest = std::min(nearest, Length(v - keys[f]));
            ASSERT_GT(nearest, 45) << "frame " << f;
        }
}

// Distance from p to the box [lo, hi]; 0 inside.
float BoxDistance(Vec3 p, Vec3 lo, Vec3 hi)
{
    const Vec3 d{std::max({lo.x - p.x, 0.0f, p.x - hi.x}), std::max({lo.y - p.y, 0.0f, p.y - hi.y}),
                 std::max({lo.z - p.z, 0.0f, p.z - hi.z})};
    return Length(d);
}

TEST(SceneContent, CamerasStayOutOfBuildingsPillarsAndFish)
{
    for (auto make : {assetgen::MakeKylpyla, assetgen::MakeKaupunki}) {
        const SceneDef scene = make();
        SCOPED_TRACE(scene.name);
        const auto& eye = scene.cameras[0].eyeKeys;
        for (const Mesh& m : scene.meshes) {
            const bool hall = scene.name == "kylpyla" && m.name == "Box01";
            for (size_t f = 0; f < eye.size(); ++f) {
                const float d = BoxDistance(eye[f], m.BoundsMin(), m.BoundsMax());
                if (hall)
                    ASSERT_EQ(d, 0) << "outside the hall at frame " << f;
                else
                    ASSERT_GT(d, 40) << m.name << " at frame " << f;
            }
        }
        if (scene.name == "kylpyla") {
            const Mesh& hall = MeshNamed(scene, "Box01");
            for (const Vec3& p : eye)
                ASSERT_GT(-BoxDistance(p, hall.BoundsMin() + Vec3{60, 60, 60}, hall.BoundsMax() - Vec3{60, 60, 60}), -1);
        }
    }
}

// Whether the ray from `o` along `d` meets the box [lo, hi].
bool RayMeetsBox(Vec3 o, Vec3 d, Vec3 lo, Vec3 hi)
{
    float near = 0, far = 1e30f;
    const float os[] = {o.x, o.y, o.z}, ds[] = {d.x, d.y, d.z}, los[] = {lo.x, lo.y, lo.z}, his[] = {hi.x, hi.y, hi.z};
    for (int i = 0; i < 3; ++i) {
        if (std::abs(ds[i]) < 1e-9f) {
            if (os[i] < los[i] || os[i] > his[i])
                return false;
            continue;
        }
        const float a = (los[i] - os[i]) / ds[i], b = (his[i] - os[i]) / ds[i];
        near = std::max(near, std::min(a, b));
        far = std::min(far, std::max(a, b));
    }
    return near <= far;
}

TEST(SceneContent, CityCameraKeepsBuildingsInView)
{
    // A drive that looks out past the last buildings shows nothing but paving and black sky.
    const SceneDef scene = assetgen::MakeKaupunki();
    const auto& cam = scene.cameras[0];
    const float halfHeight = std::tan(22.5f * assetgen::kPi / 180), halfWidth = halfHeight * 4 / 3;
    for (size_t f = 0; f < cam.eyeKeys.size(); f += 5) {
        const Vec3 eye = cam.eyeKeys[f], ahead = Normalize(cam.targetKeys[f] - eye);
        const Vec3 right = Normalize(Cross(ahead, {0, 0, 1})), up = Cross(right, ahead);
        int hits = 0, rays = 0;
        for (float y = -0.9f; y < 1; y += 0.2f)
            for (float x = -0.9f; x < 1; x += 0.2f, ++rays) {
                const Vec3 d = ahead + right * (x * halfWidth) + up * (y * halfHeight);
                hits += std::any_of(scene.meshes.begin(), scene.meshes.end(), [&](const Mesh& m) {
                    return m.name != "Box01" && RayMeetsBox(eye, d, m.BoundsMin(), m.BoundsMax());
                });
            }
        ASSERT_GE(hits, rays / 4) << "frame " << f;
    }
}

}  // namespace
