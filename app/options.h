// OrvOptions: the program's command line.
//
// Every argument that starts with '-' is one of the options below or an error
// (exit code 2, naming the nearest known option). Every other word is joined
// with blanks into `tail`, which the show scans character by character as it
// always has: a lower-case 's' anywhere turns the music off ("s", "nosound"),
// a '1' anywhere asks for a 24-bit depth buffer instead of 32 bits.
//
// Value options also accept the "--name=value" form; a value never starts
// with "--". Parsing never exits the process: the caller looks at `error`,
// `help` and `version` and decides (OrvOptionsExitCode gives the exit code for
// a bad command line).
#pragma once

#include <cstdint>
#include <string>

// A frame rate as an exact fraction: frame i is shown at i * den / num seconds.
struct OrvFrameRate {
    int64_t num = 30;
    int64_t den = 1;

    double PerSecond() const { return static_cast<double>(num) / static_cast<double>(den); }
    // "30", "60000/1001": the form ffmpeg takes.
    std::string Text() const;
};

// A point of the show, for --start and --end: a scene (its first frame) or a
// show time.
struct OrvShowPoint {
    int scene = -1;    // 0 to 5 when given as a scene name or number
    int64_t ms = -1;   // show milliseconds when given as a time
    bool Given() const { return scene >= 0 || ms >= 0; }
};

struct OrvOptions {
    bool help = false;        // --help, -h: usage on stdout, exit 0
    bool version = false;     // --version, -V: version on stdout, exit 0
    bool window = false;      // --window: windowed, no display-mode change
    bool desktop = false;     // --desktop: borderless full screen at the desktop's mode
    bool loop = false;        // --loop: start again after the last scene (live show)
    bool timedemo = false;    // --timedemo
    bool offscreen = false;   // --offscreen
    bool overwrite = false;   // --overwrite, -y: a capture may replace an existing file or directory
    int trace = -1;           // --verbose 1, --quiet 0; -1: the trace only when stdout is no terminal
    std::string dataDir;      // --data DIR: change to DIR before loading; empty: stay
    std::string startDir;     // the working directory the program was started in (set by OrvStartUp)
    std::string capture;      // --capture OUT: render to a video file or a PNG directory
    OrvFrameRate fps;         // --fps RATE: capture frames per second (30, 29.97, 60000/1001)
    int width = 640;          // --size WxH: capture picture size
    int height = 480;
    int64_t frames = -1;      // --frames N: stop after N frames; -1: the whole show
    OrvShowPoint start;       // --start WHEN: enter the show there
    OrvShowPoint end;         // --end WHEN: end the show there
    int jobs = 1;             // --jobs N: a capture rendered by N processes, each a range of it
    std::string audioDevice;  // --audio-device NAME: SDL's name of the sound device; empty: default
    int volume = 100;         // --volume 0..100: the live show's music volume
    int samples = 0;          // --samples 2|4|8: multisampled anti-aliasing; 0: off
    int supersample = 1;      // --supersample K: a capture drawn at K times --size, averaged down
    int vsync = -1;           // --vsync on|off: 1 or 0; -1 when not given (the live show waits
                              // for the screen's refresh, the timedemo keeps the driver's setting)

    std::string tail;         // the plain words left for the character scan, joined with blanks
    bool music = true;        // no lower-case 's' in the tail and no --nosound
    int32_t bits = 32;        // OrvScanCommandLine of the tail: 24 when it holds a '1'

    std::string error;        // non-empty when the command line is bad
};

// Exit code for a bad command line.
constexpr int OrvOptionsExitCode = 2;

// Parses argv (argv[0] is the program and is neither taken nor scanned).
OrvOptions OrvParseOptions(int argc, const char* const* argv);

// Parses a page address's query ("start=Kaupunki&loop&nosound", without the
// '?') as the command line: each parameter is the option of its name, "name"
// giving --name and "name=value" giving --name=value, percent escapes and '+'
// decoded. `pause`, which holds the show on its first frame, has no command-line
// form and is taken here (into `*pause`).
OrvOptions OrvParseUrlQuery(const std::string& query, bool* pause);

// True when a capture target names a video file: it ends in an extension
// ffmpeg can mux (.mp4, .mkv, .webm, .mov, .avi, in any case).
bool OrvIsVideoTarget(const std::string& out);

// True when a capture target names a directory of PNG frames: it ends in a
// separator or is an existing directory.
bool OrvIsFrameDirectoryTarget(const std::string& out);

// True for a character that separates the parts of a path: '/', and on
// Windows also a backslash.
bool OrvIsPathSeparator(char c);

// Reads WHEN for --start and --end: a scene name (any case) or number 1 to 6,
// or a show time in seconds ("75.5", "1:15.5"); false when it is neither.
bool OrvParseShowPoint(const std::string& text, OrvShowPoint* point);

// The known option nearest to an unknown `word` (by edit distance), or empty
// when none is close enough to be what was meant.
std::string OrvNearestOption(const std::string& word);

// What every entry point does first: prints the error (exit code 2), the usage
// or the version (exit code 0) and returns false with `exitCode` set; otherwise
// makes --capture absolute (a relative --capture or --data with the working
// directory deleted is a command-line error), changes to --data DIR (without --data: to the
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
