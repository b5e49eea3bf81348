// DemoMain: the live show. Reads the command line, opens the window with its
// GL context, starts the music, builds the six scenes and runs the show.
#pragma once

#include <cstdint>
#include <string>

#include "app/options.h"

// What the command line asks for.
struct OrvCommandLine {
    bool music = true;   // false when a lower-case 's' appears anywhere
    int32_t bits = 32;   // 24 when a '1' appears anywhere
};

// Scans the command-line tail (the arguments without the program name).
OrvCommandLine OrvScanCommandLine(const char* tail);

// The arguments after the program name, joined with single blanks.
std::string OrvJoinArguments(int argc, char** argv);

// The whole program for one command-line tail, full screen; returns the exit code, 1.
int DemoMain(const char* commandLineTail);

// The live show as the options ask for it: --window, --desktop and --loop, the
// music and colour depth of the scanned words. Returns the exit code, 1.
int DemoMain(const OrvOptions& options);
