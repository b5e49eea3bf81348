// The fourteen textures of the show, painted procedurally.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/assetgen/writer_bmp.h"

namespace assetgen {

// Every texture with its file name, in a fixed order.
std::vector<std::pair<std::string, Image>> MakeTextures();

}  // namespace assetgen
