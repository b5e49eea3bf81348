// What the show's cameras can see of a mesh that stays where it is, so that faces
// no frame ever shows can be left out of the scene files.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/assetgen/mesh.h"
#include "tools/assetgen/writer_3ds.h"

namespace assetgen {

// The projection the keyframed scenes are seen through: 45 degrees high, 4:3,
// depth from 1 to 10000.
struct Lens {
    float fovY = 45.0f;
    float aspect = 4.0f / 3.0f;
    float zNear = 1.0f;
    float zFar = 10000.0f;
};

// One frame's camera: the eye and the point it looks at, Z up.
struct View {
    Vec3 eye, target;
};

// The camera's view on every keyed frame.
std::vector<View> CameraViews(const CameraDef& camera);

// Keeps the faces of `mesh` that show their front in some view without lying wholly
// beyond one side of the picture (the picture widened a little, so rounding never
// drops a face that shows). An unseen face goes only when each of its corners belongs
// to unseen faces alone: the smooth normals of every vertex kept stay exactly as they
// were, so the picture does not change. Vertices no face uses any more go too; faces
// and vertices keep their order. A mesh no frame shows keeps its first face, so it is
// still there to be drawn. Returns how many faces went.
size_t DropUnseenFaces(Mesh& mesh, const std::vector<View>& views, const Lens& lens = {});

}  // namespace assetgen
