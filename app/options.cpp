#include "app/options.h"

#include "app/demo_main.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifndef ORV_VERSION
#define ORV_VERSION "unknown"
#endif
#ifndef ORV_DATA_FROM_BIN
#define ORV_DATA_FROM_BIN "../share/orvdemo"
#endif

namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;
constexpr int kMaxFps = 240;
constexpr int64_t kMaxFrames = 100000000;

// Reads a plain decimal number (digits only, no sign or blanks) no larger than `max`.
bool ParseCount(const std::string& text, int64_t max, int64_t* value)
{
    if (text.empty() || text.size() > 12)
        return false;
    int64_t v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        v = v * 10 + (c - '0');
    }
    if (v > max)
        return false;
    *value = v;
    return true;
}

// Reads "WxH" with both sides within the limits.
bool ParseSize(const std::string& text, int* width, int* height)
{
    const size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    int64_t w = 0, h = 0;
    if (!ParseCount(text.substr(0, x), kMaxSide, &w) || !ParseCount(text.substr(x + 1), kMaxSide, &h))
        return false;
    if (w < kMinSide || h < kMinSide)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    return true;
}

bool IsFlag(const std::string& arg, OrvOptions& o)
{
    bool* flag = arg == "--help"        ? &o.help
                 : arg == "--version"   ? &o.version
                 : arg == "--window"    ? &o.window
                 : arg == "--desktop"   ? &o.desktop
                 : arg == "--loop"      ? &o.loop
                 : arg == "--timedemo"  ? &o.timedemo
                 : arg == "--offscreen" ? &o.offscreen
                                        : nullptr;
    if (flag)
        *flag = true;
    return flag != nullptr;
}

bool IsValueOption(const std::string& name)
{
    static const char* const names[] = {"--data", "--capture", "--fps", "--size", "--frames"};
    return std::any_of(std::begin(names), std::end(names), [&](const char* n) { return name == n; });
}

// Stores one option value; sets o.error when the value is bad.
void TakeValue(const std::string& name, const std::string& value, OrvOptions& o)
{
    int64_t n = 0;
    if (name == "--data" || name == "--capture") {
        if (value.empty())
            o.error = name + " needs a non-empty value";
        else
            (name == "--data" ? o.dataDir : o.capture) = value;
    } else if (name == "--fps") {
        if (ParseCount(value, kMaxFps, &n) && n >= 1)
            o.fps = static_cast<int>(n);
        else
            o.error = "bad --fps '" + value + "': give a whole number from 1 to " + std::to_string(kMaxFps);
    } else if (name == "--size") {
        if (!ParseSize(value, &o.width, &o.height))
            o.error = "bad --size '" + value + "': give WIDTHxHEIGHT, each from " +
                      std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) + " (e.g. 640x480)";
    } else if (ParseCount(value, kMaxFrames, &n) && n >= 1) {
        o.frames = n;
    } else {
        o.error = "bad --frames '" + value + "': give a whole number of at least 1";
    }
}

// Checks that hold between options once all are read.
void CheckCombination(OrvOptions& o)
{
    if (o.window && o.desktop)
        o.error = "--window and --desktop exclude each other";
    else if (!o.capture.empty() && OrvIsVideoTarget(o.capture) && (o.width % 2 || o.height % 2))
        o.error = "video sizes must be even: --size " + std::to_string(o.width) + "x" +
                  std::to_string(o.height);
}

}  // namespace

OrvOptions OrvParseOptions(int argc, const char* const* argv)
{
    OrvOptions o;
    for (int i = 1; i < argc && o.error.empty(); ++i) {
        const std::string arg = argv[i];
        if (IsFlag(arg, o))
            continue;
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (!IsValueOption(name)) {
            o.tail += (o.tail.empty() ? "" : " ") + arg;
        } else if (eq != std::string::npos) {
            TakeValue(name, arg.substr(eq + 1), o);
        } else if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
            TakeValue(name, argv[++i], o);
        } else {
            // "--capture --frames 5" must not make a file called "--frames".
            o.error = name + " needs a value";
        }
    }
    if (o.error.empty())
        CheckCombination(o);
    const OrvCommandLine scan = OrvScanCommandLine(o.tail.c_str());
    o.music = scan.music;
    o.bits = scan.bits;
    return o;
}

bool OrvIsVideoTarget(const std::string& out)
{
    const size_t dot = out.find_last_of("./");
    if (dot == std::string::npos || out[dot] != '.')
        return false;
    std::string ext = out.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "mp4" || ext == "mkv" || ext == "webm";
}

bool OrvStartUp(OrvOptions& options, const char* program, int* exitCode)
{
    *exitCode = 0;
    if (!options.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, options.error.c_str(), program);
        *exitCode = OrvOptionsExitCode;
        return false;
    }
    if (options.help || options.version) {
        std::fputs((options.help ? OrvUsage(program) : OrvVersion() + "\n").c_str(), stdout);
        return false;
    }
    std::error_code ec;
    const std::filesystem::path capture = std::filesystem::absolute(options.capture, ec);
    if (!options.capture.empty() && !ec)
        options.capture = capture.string();
    if (options.dataDir.empty())
        options.dataDir = OrvInstalledDataDir(std::filesystem::read_symlink("/proc/self/exe", ec).string());
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "%s: cannot use data directory %s: %s\n", program, options.dataDir.c_str(),
                     std::strerror(errno));
        *exitCode = OrvOptionsExitCode;
        return false;
    }
    return true;
}

std::string OrvInstalledDataDir(const std::string& exe)
{
    if (exe.empty())
        return "";
    std::error_code ec;
    const std::filesystem::path dir = std::filesystem::path(exe).parent_path() / ORV_DATA_FROM_BIN;
    if (!std::filesystem::is_directory(dir, ec))
        return "";
    return std::filesystem::weakly_canonical(dir, ec).string();
}

std::string OrvVersion() { return std::string("orvdemo ") + ORV_VERSION; }

std::string OrvUsage(const char* program)
{
    return std::string("Usage: ") + program + " [OPTION]... [WORD]...\n" +
           "Plays a real-time 3D show of six scenes with tracker music, full screen at 640x480.\n"
           "\n"
           "Options:\n"
           "  --help           show this text and exit\n"
           "  --version        show the version and exit\n"
           "  --window         play in a window; the display mode is not changed\n"
           "  --desktop        full screen at the desktop's own resolution, picture kept at 4:3\n"
           "  --loop           start the show again after the last scene, until you quit (live only)\n"
           "  --data DIR       read the show's data files from DIR\n"
           "  --capture OUT    render the show without a window or sound device: OUT ending in\n"
           "                   .mp4, .mkv or .webm is a video with the music (needs ffmpeg),\n"
           "                   any other OUT is a directory of frame_000000.png... and music.wav\n"
           "  --fps N          capture frames per second (default 30)\n"
           "  --size WxH       capture picture size (default 640x480; the picture stays 4:3)\n"
           "  --frames N       stop after N frames\n"
           "  --timedemo       draw every tick of the show as fast as possible and report the\n"
           "                   load time and frame times on stdout\n"
           "  --offscreen      with --timedemo: no window, an offscreen picture of --size\n"
           "\n"
           "Every other word is read letter by letter: a lower-case 's' anywhere turns the music\n"
           "off (s, nosound, --nosound) and a '1' selects 24-bit colour.\n"
           "Keys: Escape ends the show.\n";
}
