// assetgen DIR: writes the show's twenty data files into DIR.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/assetgen/assets.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "assetgen: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    const bool ok = assetgen::WriteScenes(dir) & assetgen::WriteTextures(dir) & assetgen::WriteMusic(dir);
    return ok ? 0 : 1;
}
