#include "tools/assetgen/visibility.h"

#include <cmath>
#include <cstdint>

namespace assetgen {
namespace {

// How much wider and taller than the picture a corner may lie and still count as inside.
constexpr float kPictureMargin = 1.05f;

// Bits of the sides of the (widened) view volume a point lies beyond.
enum : uint8_t { kLeft = 1, kRight = 2, kBelow = 4, kAbove = 8, kNear = 16, kFar = 32 };

struct Basis {
    Vec3 eye, side, up, forward;
};

// The frame gluLookAt builds for the view, with Z up.
Basis LookAt(const View& v)
{
    Basis b;
    b.eye = v.eye;
    b.forward = Normalize(v.target - v.eye);
    b.side = Normalize(Cross(b.forward, Vec3{0, 0, 1}));
    b.up = Cross(b.side, b.forward);
    return b;
}

uint8_t Outcode(const Basis& b, const Lens& lens, float cotX, float cotY, Vec3 p)
{
    const Vec3 d = p - b.eye;
    const float depth = Dot(d, b.forward);
    const float x = Dot(d, b.side) * cotX, y = Dot(d, b.up) * cotY;
    uint8_t code = 0;
    if (x < -depth)
        code |= kLeft;
    if (x > depth)
        code |= kRight;
    if (y < -depth)
        code |= kBelow;
    if (y > depth)
        code |= kAbove;
    if (depth < 0.5f * lens.zNear)
        code |= kNear;
    if (depth > 1.01f * lens.zFar)
        code |= kFar;
    return code;
}

// Front side toward the eye, counting a face seen edge-on as shown.
bool FacesEye(Vec3 eye, Vec3 a, Vec3 b, Vec3 c)
{
    const Vec3 n = Cross(b - a, c - a);
    const Vec3 toEye = eye - a;
    return Dot(n, toEye) > -1e-4f * Length(n) * Length(toEye);
}

}  // namespace

std::vector<View> CameraViews(const CameraDef& camera)
{
    std::vector<View> views;
    for (size_t f = 0; f < camera.eyeKeys.size() && f < camera.targetKeys.size(); ++f)
        views.push_back({camera.eyeKeys[f], camera.targetKeys[f]});
    return views;
}

size_t DropUnseenFaces(Mesh& mesh, const std::vector<View>& views, const Lens& lens)
{
    const float cotY = 1.0f / std::tan(0.5f * lens.fovY * kPi / 180.0f) / kPictureMargin;
    const float cotX = cotY / lens.aspect;
    std::vector<bool> seen(mesh.faces.size(), false);
    std::vector<uint8_t> codes(mesh.vertices.size());
    for (const View& view : views) {
        const Basis b = LookAt(view);
        for (size_t i = 0; i < mesh.vertices.size(); ++i)
            codes[i] = Outcode(b, lens, cotX, cotY, mesh.vertices[i]);
        for (size_t k = 0; k < mesh.faces.size(); ++k) {
            const Face& f = mesh.faces[k];
            if (seen[k] || (codes[f.a] & codes[f.b] & codes[f.c]) != 0)
                continue;
            seen[k] = FacesEye(view.eye, mesh.vertices[f.a], mesh.vertices[f.b], mesh.vertices[f.c]);
        }
    }
    // A vertex some kept face uses keeps every face around it, so its normal stays.
    std::vector<bool> nearSeen(mesh.vertices.size(), false);
    for (size_t k = 0; k < mesh.faces.size(); ++k)
        if (seen[k])
            for (uint16_t v : {mesh.faces[k].a, mesh.faces[k].b, mesh.faces[k].c})
                nearSeen[v] = true;
    std::vector<Face> kept;
    for (const Face& f : mesh.faces)
        if (nearSeen[f.a] || nearSeen[f.b] || nearSeen[f.c])
            kept.push_back(f);
    // A mesh no frame shows keeps one face, so the scene still finds it and draws it as before.
    if (kept.empty() && !mesh.faces.empty())
        kept.push_back(mesh.faces.front());
    const size_t dropped = mesh.faces.size() - kept.size();

    std::vector<int> newIndex(mesh.vertices.size(), -1);
    for (const Face& f : kept)
        for (uint16_t v : {f.a, f.b, f.c})
            newIndex[v] = 0;
    Mesh compact;
    for (size_t i = 0; i < mesh.vertices.size(); ++i)
        if (newIndex[i] == 0)
            newIndex[i] = compact.AddVertex(mesh.vertices[i], mesh.uvs[i]);
    for (const Face& f : kept)
        compact.AddTriangle(newIndex[f.a], newIndex[f.b], newIndex[f.c], f.smoothing);
    mesh.vertices = std::move(compact.vertices);
    mesh.uvs = std::move(compact.uvs);
    mesh.faces = std::move(compact.faces);
    return dropped;
}

}  // namespace assetgen
