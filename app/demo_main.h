// DemoMain: the program's spine. Reads the command line, opens the window with
// its GL context, starts the music, builds the six scenes and runs the show.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/options.h"
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

// Plays the show like OrvRunShow; when `again` is set and the show runs out,
// calls it, starts the show over from its first scene with the timer reset and
// plays on, until a quit is asked for. Returns the number of frames drawn.
int64_t OrvRunShowLooping(OrvShow& show, OrvTimer& timer, const OrvFrameHooks& hooks,
                          const std::function<void()>& again);

// A rectangle of the window, in GL's window coordinates.
struct OrvViewport {
    int x, y, width, height;
};

// The largest centred 4:3 rectangle in a width x height picture.
OrvViewport OrvFourThirdsViewport(int width, int height);

// The GL state the show starts from, kept on the attribute stacks (one level
// each) and the matrices, so that every pass of a looping show starts from the
// state the first pass found. Needs a current GL context for its whole life.
class OrvShowStartState {
public:
    OrvShowStartState();
    ~OrvShowStartState();

    OrvShowStartState(const OrvShowStartState&) = delete;
    OrvShowStartState& operator=(const OrvShowStartState&) = delete;

    // Puts the saved state back and keeps it saved for the next time.
    void Restore();

private:
    float projection[16];
    float modelview[16];
};

// The whole program for one command-line tail, full screen; returns the exit code, 1.
int DemoMain(const char* commandLineTail);

// The live show as the options ask for it: --window, --desktop and --loop, the
// music and colour depth of the scanned words. Returns the exit code, 1.
int DemoMain(const OrvOptions& options);
