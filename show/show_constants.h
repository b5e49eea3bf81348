// The show's fixed numbers: its clock rate and the title its window carries.
#pragma once

#include <cstdint>

// Show ticks per second: every scene's Draw receives ticks of this clock.
constexpr int32_t OrvTicksPerSecond = 30;

// The title of the show's window (and what tests look it up by).
constexpr const char* OrvWindowTitle = "Portable Orv test";
