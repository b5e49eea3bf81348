// The knot: a (2, 5) torus knot with a fat round tube, centred on its own origin
// and lying flat in its local x-z plane.
#include "tools/assetgen/scenes.h"

namespace assetgen {

SceneDef MakeInsane()
{
    SceneDef scene;
    scene.name = "insane";
    scene.lastFrame = 840;
    scene.materials.push_back({"Glow", {0.16f, 0.2f, 0.77f}, {0.51f, 0.62f, 0.84f}, {0.9f, 0.9f, 0.9f}, "insane.bmp"});
    // 164 units across, 66 thick; the tube is as fat as the crossings allow
    // (strand centres at least 33 apart), so the five crossings overlap brightly.
    // The knot is at most about 200 pixels across: 240 rings of 14 keep its outline round.
    Mesh knot = MakeTorusKnot(2, 5, 50, 16.5f, 15.5f, 240, 14);
    // The scene turns the knot about its z axis, then about the vertical: lying in x-z,
    // it tips flat twice a turn and then fits under the top of the picture.
    for (Vec3& v : knot.vertices)
        v = {v.x, v.z, -v.y};
    // Stored where the scene shows it, above the mirror floor; the origin is the knot's centre.
    knot.Translate({0, 200, 0});
    knot.name = "Knot01";
    knot.material = "Glow";
    scene.meshes.push_back(knot);
    return scene;
}

}  // namespace assetgen
