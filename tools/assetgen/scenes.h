// The five scene files of the show, built in memory before they are written.
#pragma once

#include "tools/assetgen/writer_3ds.h"

namespace assetgen {

// Frames the keyframed scenes run (keys are written for frames 0..N).
constexpr int kTunneliFrames = 540;
constexpr int kKylpylaFrames = 840;
constexpr int kKaupunkiFrames = 840;

// "tunneli.3ds": the tube "Loft01" and the camera flying through it.
SceneDef MakeTunneli();
// "kylpyla.3ds": the bathing hall with pillars, pool, fish, water, camera and spotlight.
SceneDef MakeKylpyla();
// "insane.3ds": the torus knot "Knot01" around its own origin.
SceneDef MakeInsane();
// "kaupunki.3ds": the city of boxes and two towers, with the street-level camera.
SceneDef MakeKaupunki();
// "womb.3ds": the inward-facing, folded geosphere "GeoSphere0".
SceneDef MakeWomb();

// Keys for a camera that follows `eye(frame)` and `target(frame)` for frames 0..frames.
template <typename Eye, typename Target>
CameraDef MakeCamera(const std::string& name, const std::string& targetNode, int frames, Eye eye,
                     Target target)
{
    CameraDef c;
    c.name = name;
    c.targetNodeName = targetNode;
    for (int f = 0; f <= frames; ++f) {
        c.eyeKeys.push_back(eye(f));
        c.targetKeys.push_back(target(f));
    }
    return c;
}

}  // namespace assetgen
