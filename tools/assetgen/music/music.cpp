// Placeholder until the music writer lands.
#include "tools/assetgen/assets.h"
namespace assetgen {
bool WriteMusic(const std::string&) { return true; }
}  // namespace assetgen
