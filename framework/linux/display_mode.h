// OrvDisplayMode: a temporary XRandR mode switch of the primary output.
//
// Switch changes only the CRTC that drives the primary output (position,
// rotation and outputs kept) to a mode of the requested size, preferring the
// requested refresh rate; Restore puts back exactly the mode saved before. The
// saved mode is plain server-side ids, so any connection to the same server can
// restore it, also one opened after the original connection has died.
//
// While a switch is in force a small guardian process (forked by Switch)
// holds a copy of the saved mode and restores it as soon as this process ends
// without having done so: after SIGKILL, a crash or an abort, the desktop gets
// its mode back within moments. Restore dismisses the guardian.
//
// Threads: use from one thread at a time, each with its own connection.
#pragma once

#include <string>
#include <vector>

struct _XDisplay;

// One display mode as the choice needs it.
struct OrvModeCandidate {
    unsigned long id;
    unsigned width;
    unsigned height;
    double refresh;     // Hz; 0 when the timings are unknown
    bool interlaced;
};

// Index of the non-interlaced mode of width x height whose refresh is closest
// to `refresh` (an exact match wins); -1 when no mode has that size.
int OrvPickMode(const std::vector<OrvModeCandidate>& modes, unsigned width, unsigned height,
                double refresh);

class OrvDisplayMode {
public:
    // Switches the primary output to width x height near `refresh` Hz. False
    // (with Error() saying why) leaves the display as it was.
    bool Switch(struct _XDisplay* display, int width, int height, double refresh);

    // Puts the saved mode back; does nothing unless Switch changed the mode.
    void Restore(struct _XDisplay* display);

    // Opens a fresh connection to the same server and restores through it.
    void RestoreElsewhere();

    bool Switched() const { return switched; }
    // Top-left corner of the switched output on the screen.
    int X() const { return crtcX; }
    int Y() const { return crtcY; }
    const std::string& Error() const { return error; }

    // The guardian process that restores the mode if this process dies
    // without doing so; -1 while no switch is in force.
    int Guardian() const { return guardian; }

private:
    static constexpr char kGuardianDone = 'd';

    bool Fail(const std::string& why);
    void StartGuardian();
    [[noreturn]] void GuardianMain(int fromOwner);
    void DismissGuardian();

    bool switched = false;
    std::string displayName;
    unsigned long crtc = 0;
    unsigned long savedMode = 0;
    int crtcX = 0;
    int crtcY = 0;
    unsigned short rotation = 1;
    std::vector<unsigned long> outputs;
    std::string error;
    int guardian = -1;
    int guardianPipe = -1;
};
