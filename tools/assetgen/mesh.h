// Triangle meshes as the scene files store them, and the shapes the scenes use.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/assetgen/geom.h"

namespace assetgen {

struct Face {
    uint16_t a, b, c;
    uint32_t smoothing;
};

// One mesh object: world-space vertices with one mapping coordinate each,
// counter-clockwise faces (front side is where the normal (b-a)x(c-a) points),
// the local origin written to the local coordinate system and the keyframe node.
struct Mesh {
    std::string name;
    std::string material;
    std::vector<Vec3> vertices;
    std::vector<Vec2> uvs;
    std::vector<Face> faces;
    Vec3 origin;

    uint16_t AddVertex(Vec3 p, Vec2 uv);
    void AddTriangle(int a, int b, int c, uint32_t smoothing = 1);
    // Two triangles a-b-c and a-c-d; the quad runs counter-clockwise seen from its front.
    void AddQuad(int a, int b, int c, int d, uint32_t smoothing = 1);
    void Append(const Mesh& other);
    void FlipFaces();
    void Translate(Vec3 offset);
    // Sets the origin to the middle of the bounding box.
    void CentreOrigin();
    Vec3 BoundsMin() const;
    Vec3 BoundsMax() const;
};

// A surface sampled on a (cols + 1) x (rows + 1) grid; `position` and `uv` get
// (i / cols, j / rows). The front side is where d/du x d/dv points; `flip` turns it.
Mesh MakeGrid(int cols, int rows, const std::function<Vec3(float, float)>& position,
              const std::function<Vec2(float, float)>& uv, bool flip, uint32_t smoothing = 1);

// A flat grid from `corner` along edges e1 and e2 (front side e1 x e2), cut into
// pieces no longer than `step`, mapped in world units: one repeat every `tile` units.
Mesh MakePlane(Vec3 corner, Vec3 e1, Vec3 e2, float step, float tile, uint32_t smoothing = 1);

// An axis-aligned box with every side's vertices of its own (so each side tiles
// cleanly), sides cut into pieces no longer than `step`, planar mapping in world
// units; outward faces, or inward when asked. The origin is the box's centre.
Mesh MakeBox(Vec3 lo, Vec3 hi, float step, float tile, bool inward = false);

// A surface of revolution about the vertical axis through `base`: `profile` gives
// (radius, height) pairs from bottom to top. Mapping is arc length and height over `tile`.
Mesh MakeLathe(Vec3 base, const std::vector<Vec2>& profile, int segments, float tile,
               bool capTop, bool capBottom);

// Icosahedron subdivided `levels` times, radius `radius` around the origin, with
// `bump` giving a radial scale per unit direction. Faces point toward the centre.
Mesh MakeGeoSphere(int levels, float radius, const std::function<float(Vec3)>& bump);

// A long knot: a tube of round cross-section along a closed curve that winds q times
// around a stadium-shaped core while going p times along it. The core lies in the local
// x-z plane, straight for 2 * halfStraight along z with half-circle ends of `endRadius`;
// the curve keeps `smallRadius` from the core, and y is the knot's thickness. Rings of
// `roundSegments` sit where the curve bends: no piece between two rings turns more than
// `maxTurnDegrees` or runs longer than `maxLength`.
Mesh MakeLongKnot(int p, int q, float halfStraight, float endRadius, float smallRadius,
                  float tubeRadius, float maxTurnDegrees, float maxLength, int roundSegments);

// A stylised fish, head at the local origin, body along +x, arched upward.
Mesh MakeFish(float length, float height, float width);

}  // namespace assetgen
