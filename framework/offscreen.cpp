#include "framework/offscreen.h"

#include <cstdio>
#include <string>

int OrvOffscreenSamples(OrvOffscreen& gl, int wanted)
{
    if (wanted < 2)
        return 0;
    const int got = gl.Multisample(wanted);
    if (got < wanted)
        std::fprintf(stderr, "orvdemo: %d samples per pixel asked, the machine offers %s\n", wanted,
                     got ? (std::to_string(got) + "; using them").c_str() : "none; edges stay hard");
    return got;
}
