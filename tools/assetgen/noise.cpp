#include "tools/assetgen/noise.h"

#include <cmath>

namespace assetgen {

static uint32_t Mix(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

static int Wrap(int i, int n) { return ((i % n) + n) % n; }

float Hash2(int x, int y, uint32_t seed)
{
    const uint32_t h = Mix(static_cast<uint32_t>(x) * 0x9E3779B1u ^ Mix(static_cast<uint32_t>(y) + seed * 0x85EBCA77u));
    return static_cast<float>(h >> 8) / 16777216.0f;
}

float ValueNoise(float u, float v, int period, uint32_t seed)
{
    const float x = u * period, y = v * period;
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    float fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto h = [&](int dx, int dy) { return Hash2(Wrap(x0 + dx, period), Wrap(y0 + dy, period), seed); };
    const float top = h(0, 0) + (h(1, 0) - h(0, 0)) * fx;
    const float bottom = h(0, 1) + (h(1, 1) - h(0, 1)) * fx;
    return top + (bottom - top) * fy;
}

float Fbm(float u, float v, int period, int octaves, uint32_t seed)
{
    float sum = 0, weight = 0.5f, total = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * ValueNoise(u, v, period << o, seed + 131u * o);
        total += weight;
        weight *= 0.5f;
    }
    return sum / total;
}

Cells Worley(float u, float v, int cells, uint32_t seed)
{
    const float x = u * cells, y = v * cells;
    const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    Cells best{1e9f, 1e9f, 0};
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int ix = Wrap(cx + dx, cells), iy = Wrap(cy + dy, cells);
            const float px = cx + dx + 0.1f + 0.8f * Hash2(ix, iy, seed);
            const float py = cy + dy + 0.1f + 0.8f * Hash2(ix, iy, seed + 7u);
            const float d = std::hypot(px - x, py - y);
            if (d < best.f1) {
                best.f2 = best.f1;
                best.f1 = d;
                best.id = static_cast<uint32_t>(iy * cells + ix);
            } else if (d < best.f2) {
                best.f2 = d;
            }
        }
    return best;
}

}  // namespace assetgen
