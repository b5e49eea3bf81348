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

struct OrvLiveShowParts;

// The live show one frame at a time, for a caller that owns the loop (a
// browser's animation frame): the constructor opens the window, starts the
// music and builds the scenes; Step draws one frame; the destructor tears it
// all down. DemoMain is this class stepped until the show is over.
class OrvLiveShow {
public:
    // `held` starts the show held on its first frame (as Space would hold it).
    // `wait` makes a held show's Step wait for the next key, as the desktop
    // does; without it Step returns at once, drawing nothing.
    OrvLiveShow(const OrvOptions& options, bool held = false, bool wait = true);
    ~OrvLiveShow();

    OrvLiveShow(const OrvLiveShow&) = delete;
    OrvLiveShow& operator=(const OrvLiveShow&) = delete;

    // Draws the next frame; false once the show is over (its end, --end,
    // --frames or a quit), and from then on.
    bool Step();

    // Frames drawn so far (a held show draws none).
    int64_t Frames() const;

    // The scene the next frame belongs to; empty once the show has ended.
    const char* Scene() const;

private:
    OrvLiveShowParts* parts;
};
