// OrvOptions: the program's command line.
//
// Arguments that are exactly one of the options below (with their values) are
// taken out; every other argument is joined with blanks into `tail`, which the
// show scans character by character as it always has: a lower-case 's'
// anywhere turns the music off, a '1' anywhere selects 24-bit colour. Unknown
// "--" words therefore stay in the tail ("--nosound" still silences the show).
//
// Value options also accept the "--name=value" form. Parsing never exits the
// process: the caller looks at `error`, `help` and `version` and decides
// (OrvOptionsExitCode gives the exit code for a bad command line).
#pragma once

#include <cstdint>
#include <string>

struct OrvOptions {
    bool help = false;        // --help: usage on stdout, exit 0
    bool version = false;     // --version: version on stdout, exit 0
    bool window = false;      // --window: windowed, no display-mode change
    bool desktop = false;     // --desktop: borderless full screen at the desktop's mode
    bool loop = false;        // --loop: start again after the last scene (live show)
    bool timedemo = false;    // --timedemo
    bool offscreen = false;   // --offscreen
    std::string dataDir;      // --data DIR: change to DIR before loading; empty: stay
    std::string capture;      // --capture OUT: render to a video file or a PNG directory
    int fps = 30;             // --fps N: capture frames per second
    int width = 640;          // --size WxH: capture picture size
    int height = 480;
    int64_t frames = -1;      // --frames N: stop after N frames; -1: the whole show

    std::string tail;         // the arguments left for the character scan, joined with blanks
    bool music = true;        // OrvScanCommandLine of the tail: no lower-case 's' in it
    int32_t bits = 32;        // OrvScanCommandLine of the tail: 24 when it holds a '1'

    std::string error;        // non-empty when the command line is bad
};

// Exit code for a bad command line.
constexpr int OrvOptionsExitCode = 2;

// Parses argv (argv[0] is the program and is neither taken nor scanned).
OrvOptions OrvParseOptions(int argc, const char* const* argv);

// True when a capture target names a video file (.mp4, .mkv, .webm) rather than a directory.
bool OrvIsVideoTarget(const std::string& out);

// What every entry point does first: prints the error (exit code 2), the usage
// or the version (exit code 0) and returns false with `exitCode` set; otherwise
// makes --capture absolute, changes to --data DIR (without --data: to the
// installed data directory when the program runs from its install prefix)
// and returns true.
bool OrvStartUp(OrvOptions& options, const char* program, int* exitCode);

// The installed data directory that belongs to the program file `exe`
// (<prefix>/share/orvdemo for <prefix>/bin/orvdemo); empty when there is none.
std::string OrvInstalledDataDir(const std::string& exe);

// The usage text printed by --help.
std::string OrvUsage(const char* program);

// The program's version text printed by --version.
std::string OrvVersion();
