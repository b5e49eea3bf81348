// assetgen-texsheet DATA_DIR OUT.png: lays the fourteen generated textures out on
// one 4 x 4 sheet, reading each file's stored bytes as RGB the way the show does,
// so the sheet shows the colours the viewer will see.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "framework/png_image.h"
#include "tools/assetgen/textures.h"

namespace {

constexpr int kCell = 256, kCols = 4;

// Copies a 256 x 256 bitmap's stored rows into a sheet cell, top row first.
bool PasteBitmap(const std::string& path, std::vector<unsigned char>& sheet, int cell, int sheetWidth)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (b.size() != 54u + kCell * kCell * 3)
        return false;
    const int cx = (cell % kCols) * kCell, cy = (cell / kCols) * kCell;
    for (int row = 0; row < kCell; ++row) {
        const unsigned char* src = b.data() + 54 + static_cast<size_t>(row) * kCell * 3;
        unsigned char* dst = sheet.data() + (static_cast<size_t>(cy + kCell - 1 - row) * sheetWidth + cx) * 3;
        std::copy(src, src + kCell * 3, dst);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR OUT.png\n", argv[0]);
        return 2;
    }
    const int width = kCols * kCell, height = 4 * kCell;
    std::vector<unsigned char> sheet(static_cast<size_t>(width) * height * 3, 0);
    int cell = 0;
    for (const auto& texture : assetgen::MakeTextures()) {
        const std::string path = std::string(argv[1]) + "/" + texture.first;
        if (!PasteBitmap(path, sheet, cell++, width))
            std::fprintf(stderr, "assetgen-texsheet: %s is not a 256 x 256 24-bit bitmap\n", path.c_str());
    }
    std::string error;
    if (!WritePNG(argv[2], sheet.data(), width, height, &error)) {
        std::fprintf(stderr, "assetgen-texsheet: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
