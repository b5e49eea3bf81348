// WritePNG and ReadPNG: tightly packed RGB rows, top row first, as 8-bit PNG files.
#pragma once

#include <string>
#include <vector>

// Returns false and sets `error` (when given) if the file cannot be written.
bool WritePNG(const std::string& path, const unsigned char* rgb, int width, int height,
              std::string* error = nullptr);

// Reads a PNG as RGB; false with `error` set when it cannot be read.
bool ReadPNG(const std::string& path, std::vector<unsigned char>* rgb, int* width, int* height, std::string* error);
