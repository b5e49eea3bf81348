#include "tools/assetgen/assets.h"
#include "tools/assetgen/scenes.h"

namespace assetgen {

bool WriteScenes(const std::string& dir)
{
    const std::pair<const char*, SceneDef (*)()> files[] = {
        {"tunneli.3ds", MakeTunneli}, {"kylpyla.3ds", MakeKylpyla}, {"insane.3ds", MakeInsane},
        {"kaupunki.3ds", MakeKaupunki}, {"womb.3ds", MakeWomb}};
    bool ok = true;
    for (const auto& [name, make] : files)
        ok = WriteFileBytes(dir + "/" + name, Build3DS(make())) && ok;
    return ok;
}

}  // namespace assetgen
