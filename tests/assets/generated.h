// The generator's output for the asset tests: written once per test run into a
// temporary directory, plus the in-memory scene descriptions it came from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assetgen/scenes.h"

namespace assettest {

// A fresh directory holding the five scene files and fourteen textures.
const std::string& GeneratedDir();

// Writes the scenes and textures into a new temporary directory and returns it.
std::string GenerateInto(const char* tag);

std::vector<uint8_t> ReadFile(const std::string& path);

struct SceneCase {
    const char* file;
    assetgen::SceneDef (*make)();
};
// The five scene files with the builders that describe them.
const std::vector<SceneCase>& SceneCases();

}  // namespace assettest
