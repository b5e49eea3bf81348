// A page draws only on its canvas: there is no offscreen context here, and
// the timedemo runs on the canvas instead.
#include "framework/offscreen.h"

struct OrvOffscreen::Platform {};

OrvOffscreen::OrvOffscreen(int w, int h) : platform(std::make_unique<Platform>()), width(w), height(h)
{
    error = "a browser page draws only on its canvas";
}

OrvOffscreen::~OrvOffscreen() = default;

int OrvOffscreen::Multisample(int) { return 0; }

bool OrvOffscreen::MakeCurrent() { return false; }

void OrvOffscreen::ReadRGB(unsigned char*) const {}
