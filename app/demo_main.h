// DemoMain: the program's spine. Reads the command line, opens the window with
// its GL context, starts the music, builds the six scenes and runs the show.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/show.h"
#include "framework/timer.h"

// What the command line asks for.
struct OrvCommandLine {
    bool music = true;   // false when a lower-case 's' appears anywhere
    int32_t bits = 32;   // 24 when a '1' appears anywhere
};

// Scans the command-line tail (the arguments without the program name).
OrvCommandLine OrvScanCommandLine(const char* tail);

// The arguments after the program name, joined with single blanks.
std::string OrvJoinArguments(int argc, char** argv);

// What the show loop does around each frame.
struct OrvFrameHooks {
    std::function<bool()> quitRequested;   // tested at the top of every pass
    std::function<void()> beginFrame;      // before the ticks are read (clears the buffers)
    std::function<void()> endFrame;        // after the scene has drawn (swaps the buffers)
};

// Runs the show from its current entry until it ends or a quit is asked for:
// one frame per pass, ticks read once per frame, the timer reset whenever the
// show moves to its next scene. Returns the number of frames drawn.
int64_t OrvRunShow(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks);

// The whole program for one command-line tail; returns the exit code, 1.
int DemoMain(const char* commandLineTail);
