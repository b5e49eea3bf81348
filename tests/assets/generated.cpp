#include "generated.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tools/assetgen/assets.h"

namespace assettest {

std::string GenerateInto(const char* tag)
{
    std::string pattern = std::string(::testing::TempDir()) + "/assets_" + tag + "_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back(0);
    const char* dir = mkdtemp(buffer.data());
    if (!dir)
        return "";
    if (!assetgen::WriteScenes(dir) || !assetgen::WriteTextures(dir))
        return "";
    return dir;
}

const std::string& GeneratedDir()
{
    static const std::string dir = GenerateInto("main");
    return dir;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<SceneCase>& SceneCases()
{
    static const std::vector<SceneCase> cases = {{"tunneli.3ds", assetgen::MakeTunneli},
                                                 {"kylpyla.3ds", assetgen::MakeKylpyla},
                                                 {"insane.3ds", assetgen::MakeInsane},
                                                 {"kaupunki.3ds", assetgen::MakeKaupunki},
                                                 {"womb.3ds", assetgen::MakeWomb}};
    return cases;
}

}  // namespace assettest
