#include "tools/assetgen/textures.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "tools/assetgen/assets.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/geom.h"
#include "tools/assetgen/noise.h"
#include "tools/assetgen/writer_3ds.h"

namespace assetgen {
namespace {

constexpr int kSize = 256;

float Fract(float x) { return x - std::floor(x); }
float Smooth(float e0, float e1, float x)
{
    const float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}
Colour Rgb(float r, float g, float b) { return {r, g, b}; }

// Paints every pixel from its centre's (u, v): u to the right, v down, both 0..1.
Image Paint(const std::function<Colour(float, float)>& shade)
{
    Image img(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            img.At(x, y) = shade((x + 0.5f) / kSize, (y + 0.5f) / kSize);
    return img;
}

// Paints a sphere map from an environment: `env` gets the eye-space reflection
// direction (x right, y up, z toward the viewer) that each texel stands for.
Image PaintSphereMap(const std::function<Colour(Vec3)>& env)
{
    return Paint([&](float u, float v) {
        float nx = 2 * u - 1, ny = 1 - 2 * v;
        const float r = std::hypot(nx, ny);
        if (r > 0.999f) {
            nx *= 0.999f / r;
            ny *= 0.999f / r;
        }
        const float r2 = nx * nx + ny * ny;
        const float k = 2 * std::sqrt(1 - r2);
        return env({nx * k, ny * k, 1 - 2 * r2});
    });
}

// Hue, saturation and value (all 0..1) to RGB.
Colour Hsv(float h, float s, float v)
{
    auto channel = [&](float n) {
        const float k = std::fmod(n + h * 6, 6.0f);
        return v - v * s * std::clamp(std::min(k, 4 - k), 0.0f, 1.0f);
    };
    return {channel(5), channel(3), channel(1)};
}

// Writes `text` in the pixel font, `scale` pixels per font pixel, with a dark outline.
void DrawText(Image& img, const char* text, int left, int top, int scale)
{
    const int len = static_cast<int>(std::char_traits<char>::length(text));
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < len; ++i)
            for (int gy = 0; gy < 7; ++gy)
                for (int gx = 0; gx < 5; ++gx) {
                    if (!GlyphPixel(text[i], gx, gy))
                        continue;
                    const int x0 = left + (i * 6 + gx) * scale, y0 = top + gy * scale;
                    const int pad = pass == 0 ? std::max(2, scale / 3) : 0;
                    for (int y = y0 - pad; y < y0 + scale + pad; ++y)
                        for (int x = x0 - pad; x < x0 + scale + pad; ++x) {
                            if (x < 0 || y < 0 || x >= img.width || y >= img.height)
                                continue;
                            if (pass == 0) {
                                img.At(x, y) = Rgb(0.08f, 0.0f, 0.12f);
                                continue;
                            }
                            const float t = static_cast<float>(y - top) / (7 * scale);
                            const float bevel = (x - x0 < scale / 4 || y - y0 < scale / 4) ? 0.15f : 0.0f;
                            Colour c = Mix(Rgb(1.0f, 1.0f, 0.75f), Rgb(1.0f, 0.45f, 0.1f), t);
                            img.At(x, y) = c + Rgb(bevel, bevel, bevel);
                        }
                }
}

// "cola.bmp": the title picture, a striped sun over a neon grid with the name in pixels.
Image Title()
{
    Image img = Paint([](float u, float v) {
        const float horizon = 0.62f;
        if (v < horizon) {
            const float t = v / horizon;
            Colour sky = Mix(Rgb(0.05f, 0.02f, 0.18f), Rgb(0.55f, 0.08f, 0.45f), Smooth(0.0f, 0.75f, t));
            sky = Mix(sky, Rgb(1.0f, 0.55f, 0.15f), Smooth(0.7f, 1.0f, t));
            const float star = Hash2(static_cast<int>(u * 256), static_cast<int>(v * 256), 5);
            if (star > 0.992f && t < 0.5f)
                sky = sky + Rgb(0.7f, 0.7f, 0.8f) * (1 - 2 * t);
            const float dx = u - 0.5f, dy = (v - 0.47f);
            const float d = std::hypot(dx, dy);
            const bool stripe = v > 0.45f && Fract((v - 0.45f) * 40) < 0.25f + (v - 0.45f) * 3;
            if (d < 0.2f && !stripe)
                sky = Mix(Rgb(1.0f, 0.95f, 0.35f), Rgb(1.0f, 0.25f, 0.45f), Smooth(0.3f, 0.6f, v));
            else if (d < 0.3f)
                sky = sky + Rgb(0.35f, 0.12f, 0.08f) * (1 - (d - 0.2f) / 0.1f) * (d < 0.2f ? 0.0f : 1.0f);
            return sky;
        }
        const float depth = (v - horizon) / (1 - horizon);
        const float z = 1.0f / (depth + 0.05f);
        const float gx = (u - 0.5f) * z * 4, gz = z * 2;
        const float line = std::max(Smooth(0.94f, 1.0f, 1 - std::abs(Fract(gx) - 0.5f) * 2),
                                    Smooth(0.9f, 1.0f, 1 - std::abs(Fract(gz) - 0.5f) * 2));
        const Colour floor = Mix(Rgb(0.25f, 0.02f, 0.25f), Rgb(0.03f, 0.0f, 0.08f), Smooth(0.0f, 0.5f, depth));
        return Mix(floor, Rgb(0.2f, 1.0f, 1.0f), line * Smooth(0.0f, 0.25f, depth));
    });
    DrawText(img, "PORTABLE", 32, 26, 4);
    DrawText(img, "ORV", 38, 90, 11);
    return img;
}

// "tunneli.bmp": a chrome environment, sky above a bright horizon, dark floor, lamp rings.
Image Chrome()
{
    return PaintSphereMap([](Vec3 r) {
        const float up = r.y;
        Colour c;
        if (up > 0)
            c = Mix(Rgb(0.85f, 0.92f, 1.0f), Rgb(0.12f, 0.25f, 0.6f), std::pow(up, 0.6f));
        else
            c = Mix(Rgb(0.45f, 0.35f, 0.3f), Rgb(0.05f, 0.04f, 0.05f), std::pow(-up, 0.5f));
        c = c + Rgb(1, 1, 1) * (0.9f * std::exp(-std::abs(up) * 40));
        const float azimuth = std::atan2(r.x, -r.z);
        const float bars = Smooth(0.8f, 0.95f, std::cos(azimuth * 6)) * Smooth(0.15f, 0.35f, std::abs(up));
        c = c + Rgb(0.9f, 0.8f, 0.6f) * bars * 0.8f;
        const float ring = Smooth(0.85f, 1.0f, std::cos(r.z * 18));
        return c + Rgb(0.3f, 0.5f, 0.9f) * ring * 0.5f;
    });
}

// "Sunset.bmp": a low sun over the sea, warm sky, glitter below the sun.
Image Sunset()
{
    const Vec3 sun = Normalize({0.35f, 0.12f, -0.9f});
    return PaintSphereMap([&](Vec3 r) {
        const float glow = std::max(0.0f, Dot(r, sun));
        if (r.y > 0) {
            Colour c = Mix(Rgb(1.0f, 0.6f, 0.2f), Rgb(0.25f, 0.1f, 0.4f), std::pow(r.y, 0.5f));
            const float cloud = Fbm(0.5f + 0.5f * r.x, r.y * 3, 4, 4, 11);
            c = Mix(c, Rgb(0.95f, 0.4f, 0.35f), Smooth(0.55f, 0.75f, cloud) * (1 - r.y));
            c = c + Rgb(1.0f, 0.7f, 0.3f) * std::pow(glow, 12.0f);
            return glow > 0.995f ? Rgb(1.0f, 1.0f, 0.8f) : c;
        }
        Colour sea = Mix(Rgb(0.75f, 0.42f, 0.3f), Rgb(0.1f, 0.12f, 0.3f), std::pow(-r.y, 0.5f));
        const float column = std::exp(-std::pow((r.x / -std::min(r.z, -0.05f) - sun.x / -sun.z) * 5, 2.0f));
        const float glitter = Smooth(0.6f, 0.8f, Fbm(0.5f + 0.5f * r.x, -r.y * 8, 8, 3, 12));
        return sea + Rgb(1.0f, 0.6f, 0.25f) * column * glitter;
    });
}

// "Benedeti.bmp": white marble with soft clouds and grey-green veins; tiles.
Image Marble()
{
    return Paint([](float u, float v) {
        const float cloud = Fbm(u, v, 4, 5, 21);
        const float turb = Fbm(u, v, 3, 5, 22);
        const float vein = std::abs(std::sin(kPi * (2 * u + v + 3.0f * turb)));
        const float fine = std::abs(std::sin(kPi * (3 * u - 2 * v + 5.0f * Fbm(u, v, 5, 4, 23))));
        Colour c = Mix(Rgb(0.96f, 0.94f, 0.9f), Rgb(0.8f, 0.8f, 0.76f), cloud);
        c = Mix(c, Rgb(0.3f, 0.38f, 0.34f), std::pow(1 - vein, 14.0f));
        return Mix(c, Rgb(0.55f, 0.58f, 0.55f), 0.6f * std::pow(1 - fine, 30.0f));
    });
}

// "Travertn.bmp": banded, pitted travertine slabs with light joints; tiles.
Image Travertine()
{
    return Paint([](float u, float v) {
        const float band = 0.5f + 0.5f * std::sin(2 * kPi * (v * 7 + 0.5f * Fbm(u, v, 4, 4, 31)));
        Colour c = Mix(Rgb(0.92f, 0.83f, 0.66f), Rgb(0.78f, 0.66f, 0.48f), band * 0.7f);
        c = c * (0.9f + 0.2f * Fbm(u, v, 16, 3, 32));
        const Cells pit = Worley(u, Fract(v * 3), 12, 33);  // pits drawn out along the bands
        const float pitSize = 0.12f + 0.2f * Hash2(static_cast<int>(pit.id), 0, 34);
        if (Hash2(static_cast<int>(pit.id), 1, 35) > 0.45f && pit.f1 < pitSize)
            c = Mix(c, Rgb(0.45f, 0.36f, 0.25f), Smooth(pitSize, pitSize * 0.5f, pit.f1));
        // One deep pit in the middle of every slab; the pool's basin is mapped into it.
        const float deep = std::hypot((u - 0.5f) / 0.05f, (v - 0.5f) / 0.02f);
        c = Mix(Rgb(0.2f, 0.18f, 0.16f), c, Smooth(0.6f, 1.0f, deep));
        const float joint = std::min(std::min(u, 1 - u), std::min(v, 1 - v));
        return Mix(Rgb(0.97f, 0.95f, 0.9f), c, Smooth(0.004f, 0.012f, joint));
    });
}

// "Sponge2.bmp": red porous stone full of round holes; tiles.
Image Sponge()
{
    return Paint([](float u, float v) {
        const Cells big = Worley(u, v, 9, 41);
        const Cells small = Worley(u, v, 20, 42);
        Colour c = Rgb(0.8f, 0.16f, 0.12f) * (0.8f + 0.35f * Fbm(u, v, 8, 4, 43));
        const float hole = std::max(Smooth(0.36f, 0.26f, big.f1), Smooth(0.3f, 0.2f, small.f1) * 0.8f);
        const float rim = Smooth(0.42f, 0.36f, big.f1) - Smooth(0.36f, 0.3f, big.f1);
        c = c + Rgb(0.25f, 0.12f, 0.08f) * std::max(rim, 0.0f);
        return Mix(c, Rgb(0.22f, 0.02f, 0.02f), hole);
    });
}

// "vesi.bmp": deep water with a bright caustic net and a sky glint.
Image Water()
{
    return Paint([](float u, float v) {
        const Cells cell = Worley(u, v, 7, 51);
        const float caustic = Smooth(0.18f, 0.0f, cell.f2 - cell.f1);
        const float fine = Smooth(0.12f, 0.0f, Worley(u, v, 15, 52).f2 - Worley(u, v, 15, 52).f1);
        Colour c = Mix(Rgb(0.0f, 0.06f, 0.2f), Rgb(0.02f, 0.3f, 0.45f), Fbm(u, v, 3, 4, 53));
        c = c + Rgb(0.45f, 0.75f, 0.95f) * (0.7f * caustic + 0.3f * fine);
        const float glint = std::exp(-(std::pow(u - 0.35f, 2.0f) + std::pow(v - 0.3f, 2.0f)) * 30);
        return c + Rgb(0.9f, 0.95f, 1.0f) * glint;
    });
}

// "insane.bmp": a bright neon sphere map: rainbow rings crossed by rays.
Image Neon()
{
    return Paint([](float u, float v) {
        const float dx = u - 0.5f, dy = v - 0.5f;
        const float r = std::hypot(dx, dy) * 2, a = std::atan2(dy, dx);
        const float rings = 0.5f + 0.5f * std::cos(r * 26);
        const float rays = Smooth(0.6f, 1.0f, std::cos(a * 12 + r * 6));
        Colour c = Hsv(Fract(r * 1.3f + 0.55f), 0.75f, 0.55f + 0.45f * rings);
        c = c + Rgb(1, 1, 1) * (0.45f * rays);
        return c + Rgb(1.0f, 0.9f, 1.0f) * std::exp(-r * r * 12);
    });
}

// "Stoned02.bmp": irregular paving stones in dark mortar; tiles.
Image Paving()
{
    return Paint([](float u, float v) {
        const Cells cell = Worley(u, v, 6, 61);
        const float tone = 0.45f + 0.35f * Hash2(static_cast<int>(cell.id), 2, 62);
        Colour c = Rgb(tone, tone * 0.97f, tone * 0.92f) * (0.8f + 0.35f * Fbm(u, v, 16, 3, 63));
        return Mix(Rgb(0.06f, 0.05f, 0.05f), c, Smooth(0.04f, 0.1f, cell.f2 - cell.f1));
    });
}

// Ashlar courses: `rows` courses of bricks, each brick with its own tone.
Colour Ashlar(float u, float v, int rows, int perRow, Colour base, uint32_t seed)
{
    const float y = v * rows;
    const int row = static_cast<int>(y);
    const float x = u * perRow + (row % 2) * 0.5f;
    const int col = static_cast<int>(std::floor(x)) % perRow;
    const float fx = Fract(x), fy = Fract(y);
    const float tone = 0.7f + 0.5f * Hash2(col, row, seed);
    Colour c = base * (tone * (0.8f + 0.35f * Fbm(u, v, 16, 4, seed + 1)));
    const float edge = std::min(std::min(fx, 1 - fx) * perRow * 0.5f, std::min(fy, 1 - fy) * rows * 0.5f);
    c = c * (0.85f + 0.15f * Smooth(0.0f, 0.06f, edge));
    return Mix(Rgb(0.08f, 0.07f, 0.06f), c, Smooth(0.012f, 0.03f, edge));
}

// "Stoned00.bmp": sandy ashlar wall; tiles.
Image SandstoneWall()
{
    return Paint([](float u, float v) { return Ashlar(u, v, 6, 3, Rgb(0.85f, 0.72f, 0.5f), 71); });
}

// "Stoned12.bmp": grey stone facade with a grid of windows, a few of them lit; tiles.
Image Facade()
{
    return Paint([](float u, float v) {
        Colour c = Ashlar(u, v, 8, 4, Rgb(0.62f, 0.64f, 0.7f), 81);
        // Windows: a 4 x 4 grid per repeat, some lit.
        const float wx = Fract(u * 4), wy = Fract(v * 4);
        const int id = static_cast<int>(u * 4) + 4 * static_cast<int>(v * 4);
        if (wx > 0.25f && wx < 0.75f && wy > 0.2f && wy < 0.75f) {
            const bool frame = wx < 0.29f || wx > 0.71f || wy < 0.24f || wy > 0.71f || std::abs(wx - 0.5f) < 0.02f;
            const bool lit = Hash2(id, 3, 82) > 0.55f;
            const Colour pane = lit ? Rgb(1.0f, 0.85f, 0.45f) * (0.8f + 0.2f * wy) : Rgb(0.03f, 0.04f, 0.08f);
            c = frame ? Rgb(0.9f, 0.9f, 0.88f) : pane;
        }
        return c;
    });
}

// "Groove1.bmp": vertically grooved, brushed metal; tiles.
Image Grooves()
{
    return Paint([](float u, float v) {
        const float groove = std::sin(2 * kPi * u * 12);
        const float brushed = Fbm(u * 1.0f, v, 64, 2, 91) * 0.5f + Fbm(u, v * 0.25f, 128, 1, 92) * 0.5f;
        float tone = 0.5f + 0.4f * groove + 0.25f * (brushed - 0.5f);
        if (Fract(u * 12) > 0.92f)
            tone = 0.05f;
        return Rgb(tone * 0.92f, tone * 0.96f, tone);
    });
}

// "Crisscro.bmp": a diagonal lattice of raised bars over dark holes; tiles.
Image Crisscross()
{
    return Paint([](float u, float v) {
        const float a = Fract(4 * (u + v)), b = Fract(4 * (u - v));
        const float da = std::abs(a - 0.5f), db = std::abs(b - 0.5f);
        const float bar = std::max(Smooth(0.2f, 0.12f, da), Smooth(0.2f, 0.12f, db));
        const float shade = 0.6f + 0.4f * std::cos(std::min(da, db) * kPi * 2.5f);
        const Colour metal = Rgb(0.85f, 0.8f, 0.65f) * shade;
        const Colour hole = Rgb(0.1f, 0.08f, 0.12f) * (0.6f + 0.8f * Fbm(u, v, 8, 3, 101));
        return Mix(hole, metal, bar);
    });
}

// "womb.bmp": warm flesh with dark veins and bright membranes.
Image Flesh()
{
    return Paint([](float u, float v) {
        const float base = Fbm(u, v, 4, 5, 111);
        Colour c = Mix(Rgb(0.55f, 0.06f, 0.08f), Rgb(1.0f, 0.55f, 0.45f), Smooth(0.3f, 0.75f, base));
        const float ridge = 1 - std::abs(2 * Fbm(u, v, 3, 5, 112) - 1);
        c = Mix(c, Rgb(0.18f, 0.0f, 0.05f), Smooth(0.88f, 0.97f, ridge));
        const Cells cell = Worley(u, v, 5, 113);
        c = c + Rgb(0.5f, 0.3f, 0.2f) * Smooth(0.12f, 0.0f, cell.f2 - cell.f1);
        return c * (0.75f + 0.35f * Smooth(0.9f, 0.1f, cell.f1));
    });
}

}  // namespace

std::vector<std::pair<std::string, Image>> MakeTextures()
{
    std::vector<std::pair<std::string, Image>> t;
    t.emplace_back("cola.bmp", Title());
    t.emplace_back("tunneli.bmp", Chrome());
    t.emplace_back("Sunset.bmp", Sunset());
    t.emplace_back("Benedeti.bmp", Marble());
    t.emplace_back("Travertn.bmp", Travertine());
    t.emplace_back("Sponge2.bmp", Sponge());
    t.emplace_back("vesi.bmp", Water());
    t.emplace_back("insane.bmp", Neon());
    t.emplace_back("Stoned02.bmp", Paving());
    t.emplace_back("Groove1.bmp", Grooves());
    t.emplace_back("Crisscro.bmp", Crisscross());
    t.emplace_back("Stoned00.bmp", SandstoneWall());
    t.emplace_back("Stoned12.bmp", Facade());
    t.emplace_back("womb.bmp", Flesh());
    return t;
}

bool WriteTextures(const std::string& dir)
{
    bool ok = true;
    for (const auto& [name, image] : MakeTextures())
        ok = WriteFileBytes(dir + "/" + name, BuildBMP(image)) && ok;
    return ok;
}

}  // namespace assetgen
