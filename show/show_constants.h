// The show's fixed numbers: its clock rate and the title its window carries.
#pragma once

#include <cstdint>

// Show ticks per second: every scene's Draw receives ticks of this clock.
constexpr int32_t OrvTicksPerSecond = 30;

// The title of the show's window (and what tests look it up by).
constexpr const char* OrvWindowTitle = "Portable Orv test";

// The scenes in show order, as --start and --end name them (also by number, 1 to 6).
constexpr const char* OrvSceneNames[] = {"Intro", "Tunneli", "Kylpyla", "Insane", "Kaupunki", "Womb"};
