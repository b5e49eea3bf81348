// Decoding a 24-bit uncompressed .bmp held in memory: header checks and the
// place of the pixel block. No file and no graphics library; OlvarMaterial
// reads the file, decodes it here and uploads the result.
//
// What is read: width and height (signed 32-bit at offsets 18 and 22), the
// plane count (16-bit at 26, must be 1) and the bit count (16-bit at 28, must
// be 24). Nothing else in the header is looked at; the pixels always start at
// offset 54, rows bottom first, three bytes per pixel as stored, each row
// padded to a multiple of four bytes (which is also GL's unpack alignment).
#pragma once

#include <cstddef>
#include <cstdint>

struct BmpImage {
    static constexpr size_t kPixelOffset = 54;

    int32_t width = 0;
    int32_t height = 0;
    // The pixel block inside the decoded buffer: height rows of RowBytes(width).
    const uint8_t* pixels = nullptr;
    uint64_t pixelBytes = 0;

    // Bytes in one stored row of `width` pixels, padding included.
    static uint64_t RowBytes(int32_t width) { return (uint64_t(width) * 3 + 3) & ~uint64_t(3); }
};

// Decodes `size` bytes at `data`. True when the header describes a 24-bit,
// one-plane image with positive sides of at most `maxSide` pixels whose whole
// pixel block lies inside the data; `image` is then filled, and on false it is
// left as it was. Sizes are computed in 64 bits, so no header can make them wrap.
bool DecodeBMP(const uint8_t* data, size_t size, BmpImage& image, int64_t maxSide = INT32_MAX);
