// The knot: a (2, 3) torus knot with a round tube, centred on its own origin.
#include "tools/assetgen/scenes.h"

namespace assetgen {

SceneDef MakeInsane()
{
    SceneDef scene;
    scene.name = "insane";
    scene.lastFrame = 840;
    scene.materials.push_back({"Glow", {0.16f, 0.2f, 0.77f}, {0.51f, 0.62f, 0.84f}, {0.9f, 0.9f, 0.9f}, "insane.bmp"});
    Mesh knot = MakeTorusKnot(2, 3, 48, 22, 12.5f, 320, 20);
    // Stored where the scene shows it, above the mirror floor; the origin is the knot's centre.
    knot.Translate({0, 200, 0});
    knot.name = "Knot01";
    knot.material = "Glow";
    scene.meshes.push_back(knot);
    return scene;
}

}  // namespace assetgen
