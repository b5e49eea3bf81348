// 24-bit uncompressed .bmp files and the RGB image they are made from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct Colour {
    float r = 0, g = 0, b = 0;
};

inline Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Colour operator*(Colour a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Colour Mix(Colour a, Colour b, float t) { return a * (1 - t) + b * t; }

// An RGB picture, row 0 at the top as it is drawn; channels 0..1.
struct Image {
    Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    Colour& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Colour& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    int width, height;
    std::vector<Colour> pixels;
};

// The .bmp file image: 14-byte file header, 40-byte info header, pixel rows from
// the bottom of the picture up. Each pixel is stored red, green, blue, because the
// show hands the stored bytes to GL as RGB unchanged. Width must make rows 4-byte aligned.
std::vector<uint8_t> BuildBMP(const Image& image);

}  // namespace assetgen
