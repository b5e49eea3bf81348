#include "show/viewport.h"

#include <cstdint>

OrvViewport OrvFourThirdsViewport(int width, int height)
{
    if (static_cast<int64_t>(width) * 3 > static_cast<int64_t>(height) * 4) {
        const int w = height * 4 / 3;
        return {(width - w) / 2, 0, w, height};
    }
    const int h = width * 3 / 4;
    return {0, (height - h) / 2, width, h};
}
