#include "tools/assetgen/writer_bmp.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

static void Put(std::vector<uint8_t>& out, uint32_t v, int bytes)
{
    for (int k = 0; k < bytes; ++k)
        out.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

static uint8_t Byte(float c)
{
    return static_cast<uint8_t>(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f));
}

std::vector<uint8_t> BuildBMP(const Image& image)
{
    const uint32_t dataSize = static_cast<uint32_t>(image.width) * image.height * 3;
    std::vector<uint8_t> out;
    out.reserve(54 + dataSize);
    out.push_back('B');
    out.push_back('M');
    Put(out, 54 + dataSize, 4);
    Put(out, 0, 4);
    Put(out, 54, 4);
    Put(out, 40, 4);
    Put(out, static_cast<uint32_t>(image.width), 4);
    Put(out, static_cast<uint32_t>(image.height), 4);
    Put(out, 1, 2);
    Put(out, 24, 2);
    Put(out, 0, 4);
    Put(out, dataSize, 4);
    Put(out, 2835, 4);  // 72 dpi
    Put(out, 2835, 4);
    Put(out, 0, 4);
    Put(out, 0, 4);
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) {
            const Colour& c = image.At(x, y);
            out.push_back(Byte(c.r));
            out.push_back(Byte(c.g));
            out.push_back(Byte(c.b));
        }
    return out;
}

}  // namespace assetgen
