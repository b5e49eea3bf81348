// WritePNG and ReadPNG: tightly packed RGB rows, top row first, as 8-bit PNG files.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Creates or replaces the file at `path`; a symbolic link there is refused, not
// followed. Returns false and sets `error` (when given) if it cannot be written.
bool WritePNG(const std::string& path, const unsigned char* rgb, int width, int height,
              std::string* error = nullptr);

// Writes to `file`, opened by the caller for binary writing, and closes it;
// `path` names it in the error.
bool WritePNG(std::FILE* file, const std::string& path, const unsigned char* rgb, int width, int height,
              std::string* error = nullptr);

// Reads a PNG as RGB; false with `error` set when it cannot be read.
bool ReadPNG(const std::string& path, std::vector<unsigned char>* rgb, int* width, int* height, std::string* error);
