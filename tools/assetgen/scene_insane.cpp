// The knot: a long (2, 5) knot braided around a stadium-shaped core, centred on its
// own origin, lying along its local z axis.
#include "tools/assetgen/scenes.h"

namespace assetgen {

SceneDef MakeInsane()
{
    SceneDef scene;
    scene.name = "insane";
    scene.lastFrame = 840;
    scene.materials.push_back({"Glow", {0.16f, 0.2f, 0.77f}, {0.51f, 0.62f, 0.84f}, {0.9f, 0.9f, 0.9f}, "insane.bmp"});
    // The scene shows the knot 200 units up, turned about its local z axis and then about
    // the vertical, under a camera whose picture ends only 35 to 65 units above the knot's
    // centre. Turning about z moves nothing that lies along z, so the knot is long along z
    // (338 units) and at most 29 units from that axis: it stays under the top of the
    // picture however it turns, clear of its edge on nearly every frame even in a small
    // picture, and whenever its length points away from the camera its far end, down near
    // the floor's middle, shows in the mirror. Longer or thicker, it would touch the top
    // more often; shorter or thinner, it would show less in the mirror.
    // The two strands keep 16 units between centres, more than the tube's 13, and the
    // inner strand turns the core's ends no tighter than the tube's radius.
    // The tube is about 10 to 30 pixels across: rings of 10 keep its outline round, and
    // a ring every 6 degrees of bend (at most 30 units apart) keeps the braid smooth
    // with most rings at the core's ends, few along the gently winding straights.
    Mesh knot = MakeLongKnot(2, 5, 140, 14.5f, 8, 6.5f, 6, 30, 10);
    knot.Translate({0, 200, 0});
    knot.name = "Knot01";
    knot.material = "Glow";
    scene.meshes.push_back(knot);
    return scene;
}

}  // namespace assetgen
