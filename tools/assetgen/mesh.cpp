#include "tools/assetgen/mesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>
#include <vector>

namespace assetgen {

uint16_t Mesh::AddVertex(Vec3 p, Vec2 uv)
{
    vertices.push_back(p);
    uvs.push_back(uv);
    return static_cast<uint16_t>(vertices.size() - 1);
}

void Mesh::AddTriangle(int a, int b, int c, uint32_t smoothing)
{
    faces.push_back({static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint16_t>(c),
                     smoothing});
}

void Mesh::AddQuad(int a, int b, int c, int d, uint32_t smoothing)
{
    AddTriangle(a, b, c, smoothing);
    AddTriangle(a, c, d, smoothing);
}

void Mesh::Append(const Mesh& other)
{
    const int base = static_cast<int>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
    for (const Face& f : other.faces)
        AddTriangle(base + f.a, base + f.b, base + f.c, f.smoothing);
}

void Mesh::FlipFaces()
{
    for (Face& f : faces)
        std::swap(f.b, f.c);
}

void Mesh::Translate(Vec3 offset)
{
    for (Vec3& v : vertices)
        v = v + offset;
    origin = origin + offset;
}

void Mesh::CentreOrigin()
{
    origin = 0.5f * (BoundsMin() + BoundsMax());
}

Vec3 Mesh::BoundsMin() const
{
    Vec3 lo{1e30f, 1e30f, 1e30f};
    for (const Vec3& v : vertices)
        lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
    return lo;
}

Vec3 Mesh::BoundsMax() const
{
    Vec3 hi{-1e30f, -1e30f, -1e30f};
    for (const Vec3& v : vertices)
        hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
    return hi;
}

Mesh MakeGrid(int cols, int rows, const std::function<Vec3(float, float)>& position,
              const std::function<Vec2(float, float)>& uv, bool flip, uint32_t smoothing)
{
    Mesh m;
    for (int j = 0; j <= rows; ++j)
        for (int i = 0; i <= cols; ++i) {
            const float u = static_cast<float>(i) / cols, v = static_cast<float>(j) / rows;
            m.AddVertex(position(u, v), uv(u, v));
        }
    const int stride = cols + 1;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < cols; ++i) {
            const int a = j * stride + i;
            m.AddQuad(a, a + 1, a + 1 + stride, a + stride, smoothing);
        }
    if (flip)
        m.FlipFaces();
    return m;
}

Mesh MakePlane(Vec3 corner, Vec3 e1, Vec3 e2, float step, float tile, uint32_t smoothing)
{
    const int n1 = std::max(1, static_cast<int>(std::ceil(Length(e1) / step)));
    const int n2 = std::max(1, static_cast<int>(std::ceil(Length(e2) / step)));
    const Vec3 a1 = Normalize(e1), a2 = Normalize(e2);
    auto position = [&](float u, float v) { return corner + e1 * u + e2 * v; };
    auto uv = [&](float u, float v) {
        const Vec3 p = position(u, v);
        return Vec2{Dot(p, a1) / tile, Dot(p, a2) / tile};
    };
    return MakeGrid(n1, n2, position, uv, false, smoothing);
}

Mesh MakeBox(Vec3 lo, Vec3 hi, float step, float tile, bool inward)
{
    Mesh m;
    const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
    m.Append(MakePlane({hi.x, lo.y, lo.z}, {0, dy, 0}, {0, 0, dz}, step, tile, 1));
    m.Append(MakePlane({lo.x, hi.y, lo.z}, {0, -dy, 0}, {0, 0, dz}, step, tile, 2));
    m.Append(MakePlane({hi.x, hi.y, lo.z}, {-dx, 0, 0}, {0, 0, dz}, step, tile, 4));
    m.Append(MakePlane({lo.x, lo.y, lo.z}, {dx, 0, 0}, {0, 0, dz}, step, tile, 8));
    m.Append(MakePlane({lo.x, lo.y, hi.z}, {dx, 0, 0}, {0, dy, 0}, step, tile, 16));
    m.Append(MakePlane({lo.x, lo.y, lo.z}, {0, dy, 0}, {dx, 0, 0}, step, tile, 32));
    if (inward)
        m.FlipFaces();
    m.origin = 0.5f * (lo + hi);
    return m;
}

// A fan closing a ring of vertices around `centre`, wound to face `outward`.
static void AddCap(Mesh& m, const std::vector<int>& ring, Vec3 centre, Vec2 centreUV, Vec3 outward)
{
    const int c = m.AddVertex(centre, centreUV);
    for (size_t k = 0; k + 1 < ring.size(); ++k) {
        int a = ring[k], b = ring[k + 1];
        const Vec3 n = Cross(m.vertices[a] - centre, m.vertices[b] - centre);
        if (Dot(n, outward) < 0)
            std::swap(a, b);
        m.AddTriangle(c, a, b, 2);
    }
}

Mesh MakeLathe(Vec3 base, const std::vector<Vec2>& profile, int segments, float tile,
               bool capTop, bool capBottom)
{
    const int rows = static_cast<int>(profile.size()) - 1;
    auto sample = [&](float v) { return profile[static_cast<size_t>(std::lround(v * rows))]; };
    float maxRadius = 0;
    for (const Vec2& p : profile)
        maxRadius = std::max(maxRadius, p.u);
    auto position = [&](float u, float v) {
        const Vec2 rz = sample(v);
        const float a = 2 * kPi * u;
        return base + Vec3{rz.u * std::cos(a), rz.u * std::sin(a), rz.v};
    };
    auto uv = [&](float u, float v) {
        return Vec2{u * 2 * kPi * maxRadius / tile, sample(v).v / tile};
    };
    Mesh m = MakeGrid(segments, rows, position, uv, false);
    const int stride = segments + 1;
    auto capRing = [&](int row, bool top) {
        std::vector<int> ring;
        for (int i = 0; i <= segments; ++i) {
            const Vec3 p = m.vertices[row * stride + i];
            ring.push_back(m.AddVertex(p, {(p.x - base.x) / tile, (p.y - base.y) / tile}));
        }
        const Vec3 centre = base + Vec3{0, 0, profile[row].v};
        AddCap(m, ring, centre, {0, 0}, {0, 0, top ? 1.0f : -1.0f});
    };
    if (capTop)
        capRing(rows, true);
    if (capBottom)
        capRing(0, false);
    m.origin = base;
    return m;
}

Mesh MakeGeoSphere(int levels, float radius, const std::function<float(Vec3)>& bump)
{
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    std::vector<Vec3> dirs = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                              {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (Vec3& d : dirs)
        d = Normalize(d);
    std::vector<std::array<int, 3>> tris = {
        {0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8}, {3, 9, 4}, {3, 4, 2}, {3, 2, 6}, {3, 6, 8},
        {3, 8, 9}, {4, 9, 5}, {2, 4, 11}, {6, 2, 10}, {8, 6, 7}, {9, 8, 1}};
    for (int level = 0; level < levels; ++level) {
        std::map<std::pair<int, int>, int> midpoints;
        auto mid = [&](int a, int b) {
            const auto key = std::minmax(a, b);
            auto it = midpoints.find(key);
            if (it != midpoints.end())
                return it->second;
            dirs.push_back(Normalize(dirs[a] + dirs[b]));
            const int index = static_cast<int>(dirs.size()) - 1;
            midpoints.emplace(key, index);
            return index;
        };
        std::vector<std::array<int, 3>> next;
        for (const auto& f : tris) {
            const int ab = mid(f[0], f[1]), bc = mid(f[1], f[2]), ca = mid(f[2], f[0]);
            next.push_back({f[0], ab, ca});
            next.push_back({f[1], bc, ab});
            next.push_back({f[2], ca, bc});
            next.push_back({ab, bc, ca});
        }
        tris.swap(next);
    }
    Mesh m;
    for (const Vec3& d : dirs) {
        const Vec2 uv{std::atan2(d.y, d.x) / (2 * kPi) + 0.5f, std::acos(std::clamp(d.z, -1.0f, 1.0f)) / kPi};
        m.AddVertex(d * (radius * bump(d)), uv);
    }
    for (const auto& f : tris) {
        const Vec3 n = Cross(dirs[f[1]] - dirs[f[0]], dirs[f[2]] - dirs[f[0]]);
        if (Dot(n, dirs[f[0]]) > 0)
            m.AddTriangle(f[0], f[2], f[1]);
        else
            m.AddTriangle(f[0], f[1], f[2]);
    }
    return m;
}

// Point of the stadium core at `along` (0..1 of its length, by arc length), starting at
// the middle of its +x side and heading +z, with the outward normal in the x-z plane.
static void StadiumPoint(float halfStraight, float endRadius, float along, Vec3& at, Vec3& out)
{
    const float end = kPi * endRadius, length = 4 * halfStraight + 2 * end;
    float d = (along - std::floor(along)) * length;
    const float side[2] = {1, -1};
    for (int half = 0; half < 2; ++half) {
        // Half of one straight side, a half-circle end, half of the other side.
        const float s = side[half];
        if (d < halfStraight) {
            at = {s * endRadius, 0, s * d}, out = {s, 0, 0};
            return;
        }
        d -= halfStraight;
        if (d < end) {
            const float a = d / endRadius + (half ? kPi : 0);
            at = {endRadius * std::cos(a), 0, s * halfStraight + endRadius * std::sin(a)};
            out = {std::cos(a), 0, std::sin(a)};
            return;
        }
        d -= end;
        if (d < halfStraight) {
            at = {-s * endRadius, 0, s * (halfStraight - d)}, out = {-s, 0, 0};
            return;
        }
        d -= halfStraight;
    }
    at = {endRadius, 0, 0}, out = {1, 0, 0};
}

// Turns `v` about the unit axis `axis` by `angle` radians (Rodrigues).
static Vec3 TurnedAbout(Vec3 v, Vec3 axis, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

Mesh MakeLongKnot(int p, int q, float halfStraight, float endRadius, float smallRadius,
                  float tubeRadius, float maxTurnDegrees, float maxLength, int roundSegments)
{
    // The curve and the direction from the core to it, at v in 0..1 around the knot.
    auto curveAt = [&](double v, Vec3* away) {
        Vec3 core, out;
        StadiumPoint(halfStraight, endRadius, static_cast<float>(p * v - std::floor(p * v)), core, out);
        const double a = 2 * std::numbers::pi * q * v;
        const Vec3 dir = out * static_cast<float>(std::cos(a)) + Vec3{0, 1, 0} * static_cast<float>(std::sin(a));
        if (away)
            *away = dir;
        return core + dir * smallRadius;
    };

    // The closed curve finely sampled, with its tangents.
    constexpr int kSamples = 16384;
    std::vector<Vec3> at(kSamples + 1), along(kSamples + 1);
    for (int k = 0; k <= kSamples; ++k) {
        const double v = static_cast<double>(k) / kSamples, h = 0.25 / kSamples;
        at[k] = curveAt(v, nullptr);
        along[k] = Normalize(curveAt(v + h, nullptr) - curveAt(v - h, nullptr));
    }

    // Rings where the curve bends, sparse where the braid runs smooth: each piece turns
    // at most maxTurnDegrees and is at most maxLength long, the pieces spread evenly by
    // whichever of the two limits a stretch reaches first.
    const float maxTurn = maxTurnDegrees * kPi / 180;
    std::vector<double> need(kSamples + 1, 0.0), arc(kSamples + 1, 0.0);
    for (int k = 0; k < kSamples; ++k) {
        const float step = Length(at[k + 1] - at[k]);
        const float turn = std::acos(std::clamp(Dot(along[k], along[k + 1]), -1.0f, 1.0f));
        need[k + 1] = need[k] + std::max(turn / maxTurn, step / maxLength);
        arc[k + 1] = arc[k] + step;
    }
    const int rings = std::max(3, static_cast<int>(std::ceil(need[kSamples])));

    // Each ring's frame carried along the curve without twisting (the ring turns only as
    // the curve does, so neighbouring rings line up however far apart they are), started
    // from the direction away from the core. Carried once round, it comes back turned
    // about the tangent; that turn is spread evenly along the length so the ends meet.
    std::vector<Vec3> normal(kSamples + 1);
    Vec3 away;
    curveAt(0, &away);
    normal[0] = Normalize(away - along[0] * Dot(away, along[0]));
    for (int k = 0; k < kSamples; ++k) {
        const Vec3 axis = Cross(along[k], along[k + 1]);
        const float sine = Length(axis);
        Vec3 n = normal[k];
        if (sine > 1e-7f)
            n = TurnedAbout(n, axis * (1 / sine), std::atan2(sine, Dot(along[k], along[k + 1])));
        normal[k + 1] = Normalize(n - along[k + 1] * Dot(n, along[k + 1]));
    }
    const float closing = std::atan2(Dot(Cross(normal[kSamples], normal[0]), along[0]),
                                     Dot(normal[kSamples], normal[0]));

    Mesh m;
    size_t k = 0;
    for (int j = 0; j < rings; ++j) {
        const double target = need[kSamples] * j / rings;
        while (k + 1 < kSamples && need[k + 1] <= target)
            ++k;
        const Vec3 t = along[k];
        const Vec3 n = TurnedAbout(normal[k], t, closing * static_cast<float>(arc[k] / arc[kSamples]));
        const Vec3 b = Cross(t, n);
        for (int i = 0; i < roundSegments; ++i) {
            const float a = 2 * kPi * i / roundSegments;
            m.AddVertex(at[k] + (n * std::cos(a) + b * std::sin(a)) * tubeRadius,
                        {static_cast<float>(i) / roundSegments, static_cast<float>(12 * arc[k] / arc[kSamples])});
        }
    }
    // The tube closes both ways: no seam of doubled vertices for the smooth normals to show
    // (the mapping coordinates jump across the last column and ring; the scene that draws
    // the knot generates sphere-map coordinates instead).
    for (int j = 0; j < rings; ++j)
        for (int i = 0; i < roundSegments; ++i) {
            const int here = j * roundSegments, next = (j + 1) % rings * roundSegments;
            const int i1 = (i + 1) % roundSegments;
            m.AddQuad(here + i, here + i1, next + i1, next + i);
        }
    return m;
}

// Fish outline along the spine s in 0..1 (head to tail): half-height and
// half-width factors. A full body, a narrow tail stem, a tall thin tail fin.
static Vec2 FishSection(float s)
{
    const float bodyEnd = 0.78f;
    if (s < bodyEnd) {
        const float x = std::pow(s / bodyEnd, 0.8f);
        const float body = std::pow(std::max(0.0f, 4 * x * (1 - x)), 0.45f);
        return {0.08f + 0.92f * body * (1.0f - 0.3f * x), 0.06f + 0.94f * body * (1.0f - 0.45f * x)};
    }
    const float x = (s - bodyEnd) / (1 - bodyEnd);
    return {0.16f + 0.84f * std::pow(x, 1.5f), 0.08f * (1 - 0.5f * x)};
}

Mesh MakeFish(float length, float height, float width)
{
    const float arch = 0.12f * length;
    auto spine = [&](float s) { return Vec3{length * s, 0, arch * std::sin(kPi * s)}; };
    auto position = [&](float u, float v) {
        const Vec3 c = spine(v);
        const Vec3 t = Normalize(spine(std::min(v + 0.01f, 1.0f)) - spine(std::max(v - 0.01f, 0.0f)));
        const Vec3 up = Normalize(Vec3{0, 0, 1} - t * t.z);
        const Vec3 side{0, 1, 0};
        const float a = 2 * kPi * u;
        const Vec2 sec = FishSection(v);
        float h = height * sec.u;
        const float dorsal = std::exp(-std::pow((v - 0.42f) / 0.12f, 2.0f));
        if (std::sin(a) > 0)
            h += height * 0.45f * dorsal * std::pow(std::sin(a), 12.0f);
        return c + side * (width * sec.v * std::cos(a)) + up * (h * std::sin(a));
    };
    auto uv = [&](float u, float v) { return Vec2{u, v * 2}; };
    // 16 around (one sample on the dorsal fin's crest) by 24 along: a fish is at most a
    // few hundred pixels long in the picture.
    const int cols = 16, rows = 24;
    Mesh m = MakeGrid(cols, rows, position, uv, false);
    std::vector<int> head, tail;
    for (int i = 0; i <= cols; ++i) {
        head.push_back(i);
        tail.push_back(rows * (cols + 1) + i);
    }
    AddCap(m, head, spine(0), {0, 0}, {-1, 0, 0});
    AddCap(m, tail, spine(1), {0, 2}, {1, 0, 0});
    return m;
}

}  // namespace assetgen
