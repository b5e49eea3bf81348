// OrvMusic for a browser build made without the music player (no libopenmpt
// built for the browser): the show plays silently and says so once.
#include <cstdio>

#include "framework/music.h"

OrvMusic::OrvMusic(const char*, const std::string&, int)
{
    std::printf("orvdemo: this build plays no music\n");
}

OrvMusic::~OrvMusic() = default;

void OrvMusic::Restart() {}

void OrvMusic::Seek(double) {}

void OrvMusic::Pause(bool) {}

std::vector<std::string> OrvMusic::ListDevices() { return {}; }
