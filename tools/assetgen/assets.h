// The show's data set, written by our own generator.
//
// Each writer puts its files into `dir` (which exists) and returns false with a
// message on stderr when a file cannot be written. Output is deterministic:
// the same bytes on every run, from seeded generators only.
#pragma once

#include <string>

namespace assetgen {

// The five .3ds scene files.
bool WriteScenes(const std::string& dir);
// The fourteen .bmp textures.
bool WriteTextures(const std::string& dir);
// "Tuvari.xm", the soundtrack.
bool WriteMusic(const std::string& dir);

}  // namespace assetgen
