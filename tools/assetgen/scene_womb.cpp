// The womb: a geodesic sphere with soft folds, seen from its centre.
#include <cmath>

#include "tools/assetgen/scenes.h"

namespace assetgen {
namespace {

// Radial scale of the folded wall for a unit direction: a few slow, interfering waves.
float Folds(Vec3 d)
{
    const float a = std::sin(3.1f * d.x + 1.3f) * std::sin(2.7f * d.y - 0.4f);
    const float b = std::sin(4.3f * d.z + 2.1f * d.x + 0.7f);
    const float c = std::sin(7.0f * d.y + 5.0f * d.z) * std::sin(6.0f * d.x - 3.0f * d.z);
    return 1.0f + 0.10f * a + 0.07f * b + 0.05f * c;
}

}  // namespace

SceneDef MakeWomb()
{
    SceneDef scene;
    scene.name = "womb";
    scene.lastFrame = 840;
    scene.materials.push_back({"Flesh", {0.3f, 0.1f, 0.1f}, {0.9f, 0.4f, 0.35f}, {1, 0.9f, 0.8f}, "womb.bmp"});
    Mesh sphere = MakeGeoSphere(4, 320, Folds);
    sphere.name = "GeoSphere0";
    sphere.material = "Flesh";
    sphere.origin = {0, 0, 0};
    scene.meshes.push_back(sphere);
    return scene;
}

}  // namespace assetgen
