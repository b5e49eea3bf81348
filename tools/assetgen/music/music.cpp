// Writes "Tuvari.xm", the soundtrack, from the composition.
#include <cstdio>

#include "tools/assetgen/assets.h"
#include "tools/assetgen/music/song.h"

namespace assetgen {

bool WriteMusic(const std::string& dir)
{
    const std::string path = dir + "/Tuvari.xm";
    const std::vector<uint8_t> bytes = xm::WriteXm(song::Compose());
    if (bytes.empty()) {
        std::fprintf(stderr, "assetgen: the song cannot be stored as XM\n");
        return false;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace assetgen
