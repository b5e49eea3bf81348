// Leaving out faces no frame shows must not change the picture: every face that
// shows its front in view stays, and every vertex it uses keeps its smooth normal.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "tools/assetgen/mesh.h"
#include "tools/assetgen/visibility.h"

namespace {

using assetgen::Mesh;
using assetgen::Vec3;

// A vertex told apart by where it is and its mapping (the seam's copies differ in mapping).
using Key = std::tuple<float, float, float, float, float>;

Key KeyOf(const Mesh& m, int v)
{
    return {m.vertices[v].x, m.vertices[v].y, m.vertices[v].z, m.uvs[v].u, m.uvs[v].v};
}

Vec3 FaceNormal(const Mesh& m, const assetgen::Face& f)
{
    return Cross(m.vertices[f.b] - m.vertices[f.a], m.vertices[f.c] - m.vertices[f.a]);
}

// The area-weighted sum of the faces around each vertex, as the scenes' loader builds it.
std::map<Key, Vec3> NormalSums(const Mesh& m)
{
    std::map<Key, Vec3> sums;
    for (const auto& f : m.faces)
        for (int v : {f.a, f.b, f.c})
            sums[KeyOf(m, v)] = sums[KeyOf(m, v)] + FaceNormal(m, f);
    return sums;
}

std::set<std::tuple<Key, Key, Key>> FaceSet(const Mesh& m)
{
    std::set<std::tuple<Key, Key, Key>> faces;
    for (const auto& f : m.faces)
        faces.insert({KeyOf(m, f.a), KeyOf(m, f.b), KeyOf(m, f.c)});
    return faces;
}

}  // namespace

TEST(DropUnseenFaces, KeepsEveryFaceInViewAndTheNormalsAroundIt)
{
    // A closed column seen from one side, well inside the picture: the far side goes.
    const Mesh column = assetgen::MakeLathe({0, 0, 0}, {{50, 0}, {50, 50}, {50, 100}}, 24, 40, true, true);
    const std::vector<assetgen::View> views = {{{300, 0, 50}, {0, 0, 50}}, {{280, 90, 60}, {0, 0, 40}}};
    Mesh kept = column;
    const size_t dropped = assetgen::DropUnseenFaces(kept, views);
    EXPECT_GT(dropped, column.faces.size() / 4);
    EXPECT_EQ(kept.faces.size(), column.faces.size() - dropped);

    const auto keptFaces = FaceSet(kept);
    const auto before = NormalSums(column), after = NormalSums(kept);
    int shown = 0;
    for (const auto& f : column.faces) {
        bool front = false;
        for (const auto& view : views)
            front = front || Dot(FaceNormal(column, f), view.eye - column.vertices[f.a]) > 0;
        if (!front)
            continue;
        ++shown;
        EXPECT_TRUE(keptFaces.count({KeyOf(column, f.a), KeyOf(column, f.b), KeyOf(column, f.c)}));
        for (int v : {f.a, f.b, f.c}) {
            const Vec3 a = before.at(KeyOf(column, v)), b = after.at(KeyOf(column, v));
            EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z) << "vertex " << v;
        }
    }
    EXPECT_GT(shown, 0);
    std::vector<bool> used(kept.vertices.size(), false);
    for (const auto& f : kept.faces)
        used[f.a] = used[f.b] = used[f.c] = true;
    EXPECT_EQ(std::count(used.begin(), used.end(), false), 0);
    EXPECT_EQ(kept.uvs.size(), kept.vertices.size());

    // Behind every eye: nothing shows, yet the mesh keeps a face to be drawn.
    Mesh behind = column;
    assetgen::DropUnseenFaces(behind, {{{300, 0, 50}, {600, 0, 50}}});
    EXPECT_EQ(behind.faces.size(), 1u);
}
