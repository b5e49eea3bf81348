// A 5 x 7 pixel font for the title picture.
#pragma once

namespace assetgen {

// Whether pixel (x, y) of glyph `c` is set; x 0..4 left to right, y 0..6 top down.
// Characters without a glyph are blank.
bool GlyphPixel(char c, int x, int y);

}  // namespace assetgen
