// Placeholder until the scene writer lands.
#include "tools/assetgen/assets.h"
namespace assetgen {
bool WriteScenes(const std::string&) { return true; }
bool WriteTextures(const std::string&) { return true; }
}  // namespace assetgen
