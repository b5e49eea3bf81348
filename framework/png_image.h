// WritePNG: saves tightly packed RGB rows, top row first, as an 8-bit PNG file.
#pragma once

#include <string>

// Returns false and sets `error` (when given) if the file cannot be written.
bool WritePNG(const std::string& path, const unsigned char* rgb, int width, int height,
              std::string* error = nullptr);
