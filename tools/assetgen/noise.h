// Tileable procedural noise for the textures: value noise, fractal sums and
// cellular (Worley) distances, all periodic over the unit square.
#pragma once

#include <cstdint>

namespace assetgen {

// A hash of lattice point (x, y) mapped to [0, 1).
float Hash2(int x, int y, uint32_t seed);

// Smooth value noise with `period` lattice cells across the unit square, in [0, 1).
float ValueNoise(float u, float v, int period, uint32_t seed);

// Sum of `octaves` value-noise layers, each twice as fine and half as strong; in [0, 1).
float Fbm(float u, float v, int period, int octaves, uint32_t seed);

// Cellular noise: one jittered feature point per cell of a cells x cells grid.
struct Cells {
    float f1;     // distance to the nearest point, in cell units
    float f2;     // distance to the second nearest
    uint32_t id;  // which cell the nearest point belongs to
};
Cells Worley(float u, float v, int cells, uint32_t seed);

}  // namespace assetgen
