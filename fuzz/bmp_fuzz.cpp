// Texture-file harness: arbitrary bytes through the .bmp decoder that
// OlvarMaterial::LoadBMP uses. A decoded image must describe a pixel block
// that lies wholly inside the bytes, and decoding is a pure function of them.
#include <cstddef>
#include <cstdint>

#include "render/bmp_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BmpImage image;
    if (!DecodeBMP(data, size, image)) {
        if (image.pixels || image.width || image.height)
            __builtin_trap();  // a refused file leaves the image untouched
        return 0;
    }
    const uint64_t bytes = BmpImage::RowBytes(image.width) * uint64_t(image.height);
    if (image.width <= 0 || image.height <= 0 || image.pixelBytes != bytes ||
        image.pixels != data + BmpImage::kPixelOffset || bytes + BmpImage::kPixelOffset > size)
        __builtin_trap();
    volatile uint8_t last = image.pixels[bytes - 1];
    (void)last;
    // A smaller side limit refuses exactly the images with a larger side.
    BmpImage limited;
    const int64_t limit = image.width > 1 ? image.width - 1 : 1;
    if (DecodeBMP(data, size, limited, limit) != (image.width <= limit && image.height <= limit))
        __builtin_trap();
    return 0;
}
