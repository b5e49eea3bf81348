#include "render/bmp_image.h"

namespace {

int32_t ReadI32(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

bool DecodeBMP(const uint8_t* data, size_t size, BmpImage& image, int64_t maxSide)
{
    if (!data || size < BmpImage::kPixelOffset)
        return false;
    const int32_t width = ReadI32(data + 18);
    const int32_t height = ReadI32(data + 22);
    if (ReadU16(data + 26) != 1 || ReadU16(data + 28) != 24)
        return false;
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide)
        return false;
    const uint64_t bytes = BmpImage::RowBytes(width) * uint64_t(height);
    if (bytes > uint64_t(size - BmpImage::kPixelOffset))
        return false;
    image.width = width;
    image.height = height;
    image.pixels = data + BmpImage::kPixelOffset;
    image.pixelBytes = bytes;
    return true;
}
