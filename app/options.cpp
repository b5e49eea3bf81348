#include "app/options.h"

#include "app/capture.h"
#include "app/demo_main.h"
#include "show/scene_set.h"
#include "show/show_constants.h"
#include "show/timeline.h"
#include "framework/files.h"
#include "framework/process.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <numeric>
#include <utility>
#include <vector>

#ifndef ORV_VERSION
#define ORV_VERSION "unknown"
#endif
#ifndef ORV_DATA_FROM_BIN
#define ORV_DATA_FROM_BIN "../share/orvdemo"
#endif

namespace {

// What separates the parts of a path here: '/', and on Windows also a backslash.
const std::string kSeparators{'/', static_cast<char>(std::filesystem::path::preferred_separator)};
const std::string kDotOrSeparators = '.' + kSeparators;

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

// Reads "30", "29.97" or "60000/1001" as an exact fraction from 1 to kMaxFps frames a second.
bool ParseRate(const std::string& text, OrvFrameRate* rate)
{
    int64_t num = 0, den = 1;
    const size_t slash = text.find('/');
    const size_t dot = text.find('.');
    if (slash != std::string::npos) {
        if (!ParseCount(text.substr(0, slash), 10000000, &num) || !ParseCount(text.substr(slash + 1), 10000000, &den))
            return false;
    } else if (dot != std::string::npos) {
        const std::string whole = text.substr(0, dot), part = text.substr(dot + 1);
        int64_t w = 0, f = 0;
        if (part.empty() || part.size() > 6 || (!whole.empty() && !ParseCount(whole, kMaxFps, &w)) ||
            !ParseCount(part, 999999, &f))
            return false;
        for (size_t i = 0; i < part.size(); ++i)
            den *= 10;
        num = w * den + f;
    } else if (!ParseCount(text, kMaxFps, &num)) {
        return false;
    }
    if (den == 0 || num < den || num > kMaxFps * den)
        return false;
    const int64_t g = std::gcd(num, den);
    *rate = {num / g, den / g};
    return true;
}

// Flags: options that take no value.
bool* FlagOf(const std::string& arg, OrvOptions& o)
{
    return arg == "--help" || arg == "-h"          ? &o.help
           : arg == "--version" || arg == "-V"     ? &o.version
           : arg == "--window"                     ? &o.window
           : arg == "--desktop"                    ? &o.desktop
           : arg == "--loop"                       ? &o.loop
           : arg == "--timedemo"                   ? &o.timedemo
           : arg == "--offscreen"                  ? &o.offscreen
           : arg == "--overwrite" || arg == "-y"   ? &o.overwrite
                                                   : nullptr;
}

const char* const kValueOptions[] = {"--data",         "--capture", "--fps",   "--size", "--frames",
                                     "--audio-device", "--volume",  "--start", "--end",  "--jobs",
                                     "--samples", "--supersample", "--vsync"};
const char* const kFlagOptions[] = {"--help", "--version", "--window", "--desktop", "--loop", "--timedemo",
                                    "--offscreen", "--overwrite", "--nosound", "--verbose", "--quiet"};

bool IsValueOption(const std::string& name)
{
    return std::any_of(std::begin(kValueOptions), std::end(kValueOptions), [&](const char* n) { return name == n; });
}

// Levenshtein distance, for suggesting the option that was meant.
size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// Stores a whole number from `min` to `max`; sets o.error, naming the option, otherwise.
void TakeWhole(const std::string& name, const std::string& value, int min, int max, int* field, OrvOptions& o)
{
    int64_t n = 0;
    if (ParseCount(value, max, &n) && n >= min)
        *field = static_cast<int>(n);
    else
        o.error = "bad " + name + " '" + value + "': give a whole number from " + std::to_string(min) + " to " +
                  std::to_string(max);
}

// Stores one option value; sets o.error when the value is bad.
void TakeValue(const std::string& name, const std::string& value, OrvOptions& o)
{
    int64_t n = 0;
    if (name == "--data" || name == "--capture" || name == "--audio-device") {
        if (value.empty())
            o.error = name + " needs a non-empty value";
        else
            (name == "--data" ? o.dataDir : name == "--capture" ? o.capture : o.audioDevice) = value;
    } else if (name == "--fps") {
        if (!ParseRate(value, &o.fps))
            o.error = "bad --fps '" + value + "': give frames per second from 1 to " + std::to_string(kMaxFps) +
                      ", as a whole number, a decimal (29.97) or a fraction (60000/1001)";
    } else if (name == "--size") {
        if (!ParseSize(value, &o.width, &o.height))
            o.error = "bad --size '" + value + "': give WIDTHxHEIGHT, each from " +
                      std::to_string(kMinSide) + " to " + std::to_string(kMaxSide) + " (e.g. 640x480)";
    } else if (name == "--start" || name == "--end") {
        if (!OrvParseShowPoint(value, name == "--start" ? &o.start : &o.end))
            o.error = "bad " + name + " '" + value +
                      "': give a scene (Intro, Tunneli, Kylpyla, Insane, Kaupunki, Womb, or 1 to 6) "
                      "or a show time in seconds (75.5, 1:15.5)";
    } else if (name == "--jobs") {
        TakeWhole(name, value, 1, 64, &o.jobs, o);
    } else if (name == "--samples") {
        if (value == "2" || value == "4" || value == "8")
            o.samples = std::stoi(value);
        else
            o.error = "bad --samples '" + value + "': give 2, 4 or 8";
    } else if (name == "--supersample") {
        TakeWhole(name, value, 1, 4, &o.supersample, o);
    } else if (name == "--vsync") {
        if (value == "on" || value == "off")
            o.vsync = value == "on" ? 1 : 0;
        else
            o.error = "bad --vsync '" + value + "': give on or off";
    } else if (name == "--volume") {
        TakeWhole(name, value, 0, 100, &o.volume, o);
    } else if (ParseCount(value, kMaxFrames, &n) && n >= 1) {
        o.frames = n;
    } else {
        o.error = "bad --frames '" + value + "': give a whole number of at least 1";
    }
}

// "--start Insane (50.167 s)", "--end 5.000 s", or the show's own start or end.
std::string PointText(const char* option, const OrvShowPoint& point, int64_t ms, const char* otherwise)
{
    if (point.scene >= 0)
        return std::string(option) + " " + OrvSceneNames[point.scene] + " (" + OrvSecondsText(ms) + ")";
    if (point.ms >= 0)
        return std::string(option) + " " + OrvSecondsText(point.ms);
    return std::string(otherwise) + " (" + OrvSecondsText(ms) + ")";
}

// --start and --end must leave at least one frame of the show. The frames are
// those of the run the mode draws: a capture steps its --fps clock, the live
// show and the timedemo the show's tick clock. The times the message gives are
// the show's own, the same in every mode.
std::string RangeProblem(const OrvOptions& o)
{
    if (!o.start.Given() && !o.end.Given())
        return "";
    const bool capture = !o.capture.empty() && !o.timedemo;
    const OrvFrameRate fps = o.fps;
    const OrvShowTimeline timeline(OrvSceneSet::Plan(), [capture, fps](int64_t i) {
        return capture ? OrvCaptureMilliseconds(i, fps) : OrvTickClockMilliseconds(i);
    });
    const int64_t frames = timeline.Frames();
    const int64_t first = OrvFrameOf(o.start, timeline, 0);
    const int64_t end = OrvFrameOf(o.end, timeline, frames);
    if (first < end)
        return "";
    const OrvShowTimes show = OrvShowTimesOf(OrvSceneSet::Plan());
    const auto at = [&](const OrvShowPoint& p, int64_t otherwise) {
        return p.ms >= 0 ? p.ms : p.scene >= 0 ? show.sceneStartMs[static_cast<size_t>(p.scene)] : otherwise;
    };
    const int64_t startMs = at(o.start, 0), endMs = at(o.end, show.lengthMs);
    const std::string from = PointText("--start", o.start, startMs, "the show's start");
    const std::string to = PointText("--end", o.end, endMs, "the show's end");
    const std::string why = first >= frames ? "the start is at or past the end of the show"
                            : startMs < endMs ? (capture ? "no frame at --fps " + fps.Text()
                                                         : "no tick of the show (" +
                                                               std::to_string(OrvTicksPerSecond) + " a second)") +
                                                    " falls between them"
                                              : "the end is not after the start";
    return "nothing to show from " + from + " to " + to + ": " + why + "; the show is " +
           OrvSecondsText(show.lengthMs) + " long";
}

// A video name needs a name before its extension: "dir/.mp4" names no file.
bool NamesAFile(const std::string& out)
{
    const size_t slash = out.find_last_of(kSeparators);
    const size_t dot = out.find_last_of('.');
    return dot != std::string::npos && dot > (slash == std::string::npos ? 0 : slash + 1);
}

// Each option given, by its long name, with the way it was typed ("-y").
using GivenOptions = std::map<std::string, std::string>;

// Options that mean nothing to a mode, and why: given with it they would be
// ignored without a word, so the pair is refused.
struct Excluded {
    const char* option;
    const char* why;
};
constexpr Excluded kNotForCapture[] = {
    {"--loop", "a capture renders the show once"},
    {"--window", "a capture opens no window"},
    {"--desktop", "a capture opens no window"},
    {"--vsync", "a capture waits for no screen"},
    {"--volume", "a capture keeps the music at its own level"},
    {"--audio-device", "a capture plays no sound; the music goes into the capture"},
};
constexpr Excluded kNotForTimedemo[] = {
    {"--fps", "the timedemo draws every tick of the show's own clock"},
    {"--overwrite", "the timedemo writes no file"},
};

// "--capture and --loop exclude each other: ...", naming the option as it was
// typed, or empty when no option in `excluded` was given.
template <size_t N>
std::string ExcludedPair(const char* mode, const Excluded (&excluded)[N], const GivenOptions& given)
{
    for (const Excluded& e : excluded)
        if (const auto typed = given.find(e.option); typed != given.end())
            return std::string(mode) + " and " + typed->second + " exclude each other: " + e.why;
    return "";
}

// Checks that hold between options once all are read.
void CheckCombination(OrvOptions& o, const GivenOptions& given)
{
    if (o.window && o.desktop)
        o.error = "--window and --desktop exclude each other";
    else if (o.timedemo && !o.capture.empty())
        o.error = "--timedemo and --capture exclude each other: the timedemo draws on the show's own clock";
    else if (const std::string pair = !o.capture.empty() ? ExcludedPair("--capture", kNotForCapture, given)
                                      : o.timedemo       ? ExcludedPair("--timedemo", kNotForTimedemo, given)
                                                         : "";
             !pair.empty())
        o.error = pair;
    else if (OrvIsVideoTarget(o.capture) && !NamesAFile(o.capture))
        o.error = "--capture " + o.capture + ": give a file name before the extension (e.g. " +
                  o.capture.substr(0, o.capture.find_last_of('.')) + "show" +
                  o.capture.substr(o.capture.find_last_of('.')) + ")";
    else if (o.jobs > 1 && o.capture.empty())
        o.error = "--jobs splits a capture: give --capture OUT too";
    else if (o.supersample > 1 && o.capture.empty())
        o.error = "--supersample draws a capture larger: give --capture OUT too";
    else if (o.supersample * std::max(o.width, o.height) > kMaxSide)
        o.error = "--supersample " + std::to_string(o.supersample) + " at --size " + std::to_string(o.width) +
                  "x" + std::to_string(o.height) + " draws more than " + std::to_string(kMaxSide) + " pixels across";
    else if (!o.capture.empty() && OrvIsVideoTarget(o.capture) && (o.width % 2 || o.height % 2))
        o.error = "video sizes must be even: --size " + std::to_string(o.width) + "x" +
                  std::to_string(o.height);
    else
        o.error = RangeProblem(o);
}

// One argument that starts with '-': a flag, "--name=value", or "--name value".
void TakeOption(int argc, const char* const* argv, int& i, OrvOptions& o, bool& noSound, GivenOptions& given)
{
    const std::string arg = argv[i];
    if (bool* flag = FlagOf(arg, o)) {
        *flag = true;
        given.emplace(arg == "-y" ? "--overwrite" : arg, arg);
        return;
    }
    if (arg == "--nosound") {
        noSound = true;
        return;
    }
    if (arg == "--verbose" || arg == "--quiet") {
        o.trace = arg == "--verbose";
        return;
    }
    const size_t eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    if (IsValueOption(name)) {
        given.emplace(name, name);
        if (eq != std::string::npos)
            TakeValue(name, arg.substr(eq + 1), o);
        else if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0)
            TakeValue(name, argv[++i], o);
        else
            o.error = name + " needs a value";  // "--capture --frames 5" makes no file "--frames"
        return;
    }
    o.error = "unknown option '" + arg + "'";
    const std::string near = OrvNearestOption(name);
    if (!near.empty())
        o.error += "; did you mean " + near + "?";
}

// A capture target must say what it is, and must not replace what the user
// has unless --overwrite says so.
bool CaptureTargetUsable(const OrvOptions& o, std::string* why)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path out = OrvPath(o.capture);
    if (OrvIsVideoTarget(o.capture) && !OrvIsPathSeparator(o.capture.back())) {
        if (fs::is_directory(out, ec))
            *why = o.capture + " is a directory; give a video file name";
        else if (fs::exists(fs::symlink_status(out, ec)) && !o.overwrite)
            *why = o.capture + " exists; give --overwrite (-y) to replace it";
        return why->empty();
    }
    if (OrvIsFrameDirectoryTarget(o.capture)) {
        if (fs::exists(out, ec) && !fs::is_directory(out, ec))
            *why = o.capture + " exists and is not a directory";
        else if (fs::is_directory(out, ec) && !fs::is_empty(out, ec) && !o.overwrite)
            *why = o.capture + " is not empty; give --overwrite (-y) to write frames into it";
        return why->empty();
    }
    *why = "--capture " + o.capture +
           ": end the name in .mp4, .mkv, .webm, .mov or .avi for a video, or in '/' for a directory of PNG frames";
    return false;
}

}  // namespace

bool OrvParseShowPoint(const std::string& text, OrvShowPoint* point)
{
    *point = {};
    for (int i = 0; i < 6; ++i) {
        const std::string name = OrvSceneNames[i];
        const bool same = name.size() == text.size() &&
                          std::equal(name.begin(), name.end(), text.begin(), [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) ==
                                     std::tolower(static_cast<unsigned char>(b));
                          });
        if (same || text == std::to_string(i + 1)) {
            point->scene = i;
            return true;
        }
    }
    // [M:]S[.fff]: minutes, seconds, up to three decimals.
    int64_t minutes = 0, seconds = 0, millis = 0;
    std::string rest = text;
    const size_t colon = rest.find(':');
    if (colon != std::string::npos) {
        if (!ParseCount(rest.substr(0, colon), 600, &minutes))
            return false;
        rest = rest.substr(colon + 1);
    }
    const size_t dot = rest.find('.');
    const std::string part = dot == std::string::npos ? "" : rest.substr(dot + 1);
    if (!ParseCount(rest.substr(0, dot), colon != std::string::npos ? 59 : 36000, &seconds))
        return false;
    if (dot != std::string::npos) {
        if (part.empty() || part.size() > 3 || !ParseCount(part, 999, &millis))
            return false;
        for (size_t i = part.size(); i < 3; ++i)
            millis *= 10;
    }
    point->ms = (minutes * 60 + seconds) * 1000 + millis;
    return true;
}

std::string OrvFrameRate::Text() const
{
    return den == 1 ? std::to_string(num) : std::to_string(num) + "/" + std::to_string(den);
}

std::string OrvNearestOption(const std::string& word)
{
    std::string best;
    size_t bestDistance = 0;
    const auto consider = [&](const char* option) {
        const size_t d = EditDistance(word, option);
        if (best.empty() || d < bestDistance) {
            best = option;
            bestDistance = d;
        }
    };
    std::for_each(std::begin(kValueOptions), std::end(kValueOptions), consider);
    std::for_each(std::begin(kFlagOptions), std::end(kFlagOptions), consider);
    // Close enough to be a slip of the fingers: a third of the option's letters.
    return bestDistance <= std::max<size_t>(2, best.size() / 3) ? best : "";
}

OrvOptions OrvParseOptions(int argc, const char* const* argv)
{
    OrvOptions o;
    bool noSound = false;
    GivenOptions given;
    for (int i = 1; i < argc && o.error.empty(); ++i) {
        if (argv[i][0] == '-' && argv[i][1] != '\0')
            TakeOption(argc, argv, i, o, noSound, given);
        else
            o.tail.append(o.tail.empty() ? "" : " ").append(argv[i]);
    }
    if (o.error.empty())
        CheckCombination(o, given);
    const OrvCommandLine scan = OrvScanCommandLine(o.tail.c_str());
    o.music = scan.music && !noSound;
    o.bits = scan.bits;
    return o;
}

namespace {

// "a%20b+c" -> "a b c"; a bad escape stays as it is.
std::string UrlDecode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto hex = [&](size_t at) { return at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at])); };
        if (text[i] == '+')
            out += ' ';
        else if (text[i] == '%' && hex(i + 1) && hex(i + 2)) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else
            out += text[i];
    }
    return out;
}

}  // namespace

OrvOptions OrvParseUrlQuery(const std::string& query, bool* pause)
{
    *pause = false;
    std::vector<std::string> words{"orvdemo"};
    for (size_t at = 0; at <= query.size();) {
        size_t amp = query.find('&', at);
        if (amp == std::string::npos)
            amp = query.size();
        const std::string parameter = UrlDecode(query.substr(at, amp - at));
        at = amp + 1;
        if (parameter.empty())
            continue;
        if (parameter == "pause")
            *pause = true;
        else
            words.push_back("--" + parameter);
    }
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    return OrvParseOptions(static_cast<int>(argv.size()), argv.data());
}

bool OrvIsVideoTarget(const std::string& out)
{
    const size_t dot = out.find_last_of(kDotOrSeparators);
    if (dot == std::string::npos || out[dot] != '.')
        return false;
    std::string ext = out.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "mp4" || ext == "mkv" || ext == "webm" || ext == "mov" || ext == "avi";
}

bool OrvIsFrameDirectoryTarget(const std::string& out)
{
    std::error_code ec;
    return !out.empty() && (OrvIsPathSeparator(out.back()) || std::filesystem::is_directory(OrvPath(out), ec));
}

bool OrvIsPathSeparator(char c) { return kSeparators.find(c) != std::string::npos; }

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
    // Relative names mean the directory the program was started in, which must
    // still exist: resolved after the change to the data directory, they would
    // land in the data.
    std::error_code ec;
    options.startDir = OrvPathText(std::filesystem::current_path(ec));
    const std::error_code cwd = ec;
    for (const auto& [option, name] : {std::pair{"--capture", &options.capture}, std::pair{"--data", &options.dataDir}})
        if (cwd && !name->empty() && OrvPath(*name).is_relative()) {
            std::fprintf(stderr, "%s: cannot find %s %s: the working directory is gone (%s)\n", program, option,
                         name->c_str(), cwd.message().c_str());
            *exitCode = OrvOptionsExitCode;
            return false;
        }
    // (Spelled the platform's way: on Windows C:\shows\x.mp4, never C:\shows/x.mp4.)
    if (!options.capture.empty())
        options.capture = OrvPathText((OrvPath(options.startDir) / OrvPath(options.capture)).make_preferred());
    std::string why;
    if (!options.capture.empty() && !CaptureTargetUsable(options, &why)) {
        std::fprintf(stderr, "%s: %s\n", program, why.c_str());
        *exitCode = OrvOptionsExitCode;
        return false;
    }
    if ((!options.capture.empty() || (options.timedemo && options.offscreen)) &&
        int64_t{options.width} * 3 != int64_t{options.height} * 4)
        std::fprintf(stderr, "%s: %dx%d is not 4:3: the picture keeps its shape, %s\n", program, options.width,
                     options.height,
                     int64_t{options.width} * 3 > int64_t{options.height} * 4
                         ? "pillarboxed (black bars left and right)"
                         : "letterboxed (black bars above and below)");
    if (options.dataDir.empty())
        options.dataDir = OrvInstalledDataDir(OrvThisProgram());
    // Without a data directory the data files are looked for where the program
    // was started: a directory that is gone holds none.
    if (options.dataDir.empty() && cwd) {
        std::fprintf(stderr,
                     "%s: cannot look for the show's data files: the working directory is gone (%s); "
                     "give the directory that holds them with --data DIR\n",
                     program, cwd.message().c_str());
        *exitCode = OrvOptionsExitCode;
        return false;
    }
    if (!options.dataDir.empty())
        std::filesystem::current_path(OrvPath(options.dataDir), ec);
    if (!options.dataDir.empty() && ec) {
        std::fprintf(stderr, "%s: cannot use data directory %s: %s\n", program, options.dataDir.c_str(),
                     ec.message().c_str());
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
    const std::filesystem::path dir = OrvPath(exe).parent_path() / ORV_DATA_FROM_BIN;
    if (!std::filesystem::is_directory(dir, ec))
        return "";
    return OrvPathText(std::filesystem::weakly_canonical(dir, ec));
}

std::string OrvVersion() { return std::string("orvdemo ") + ORV_VERSION; }

std::string OrvUsage(const char* program)
{
    return std::string("Usage: ") + program + " [OPTION]... [WORD]...\n" +
           "Plays a real-time 3D show of six scenes with tracker music, full screen at 640x480.\n"
           "\n"
           "Options:\n"
           "  -h, --help           show this text and exit\n"
           "  -V, --version        show the version and exit\n"
           "      --window         play in a window; the display mode is not changed\n"
           "      --desktop        full screen at the desktop's own resolution, picture kept at 4:3\n"
           "      --loop           start the show again after the last scene, until you quit\n"
           "      --nosound        play without music\n"
           "      --audio-device NAME  play the music on this sound device ('list' lists them)\n"
           "      --volume N       music volume of the live show, 0 to 100 (default 100)\n"
           "      --data DIR       read the show's data files from DIR\n"
           "      --verbose        write the scene-file trace to stdout even on a terminal\n"
           "      --quiet          never write the scene-file trace\n"
           "      --capture OUT    render the show without a window or sound device: OUT ending in\n"
           "                       .mp4, .mkv, .webm, .mov or .avi is a video with the music (needs\n"
           "                       ffmpeg); OUT ending in '/' (or an existing directory) gets\n"
           "                       frame_000000.png... and music.wav\n"
           "  -y, --overwrite      let --capture replace an existing file or fill a non-empty directory\n"
           "      --fps RATE       capture frames per second, 1 to 240: 30 (default), 29.97, 60000/1001\n"
           "      --size WxH       capture picture size (default 640x480); a size that is not 4:3\n"
           "                       gets the 4:3 picture with black bars\n"
           "      --frames N       stop after N frames (live show, capture and timedemo)\n"
           "      --start WHEN     enter the show at WHEN: a scene (Intro, Tunneli, Kylpyla, Insane,\n"
           "                       Kaupunki, Womb, or 1 to 6) or a show time (75.5, 1:15.5)\n"
           "      --end WHEN       end the show at WHEN (same forms); a range with no frame is refused\n"
           "      --jobs N         render a capture in N processes, each a part of the show, and\n"
           "                       join them (worth it only where cores are free)\n"
           "      --samples N      smooth edges with N samples per pixel (2, 4 or 8; default off):\n"
           "                       the live show's window, captures and the timedemo; fewer when\n"
           "                       the machine offers fewer\n"
           "      --supersample K  draw a capture at K times --size (1 to 4) and average each KxK\n"
           "                       block down to one pixel\n"
           "      --vsync on|off   the live show waits for the screen's refresh before each new\n"
           "                       frame (default on; without the driver's swap control, on keeps\n"
           "                       to 60 frames a second)\n"
           "      --timedemo       draw every tick of the show as fast as possible and report the\n"
           "                       load time and frame times on stdout\n"
           "      --offscreen      with --timedemo: no window, an offscreen picture of --size\n"
           "\n"
           "Other words are read letter by letter: a lower-case 's' anywhere turns the music off\n"
           "(s, nosound) and a '1' asks for a 24-bit depth buffer instead of 32 bits.\n"
           "Keys: Escape ends the show; Space holds and resumes it; Right and Left go to the next\n"
           "scene and back; Home goes to the start; F12 saves the frame on screen as orvdemo-NNNN.png.\n"
           "Exit status: 1 after the live show ends or is quit; 0 after a capture or timedemo;\n"
           "2 for a bad command line; 128+N when a capture is stopped by signal N.\n";
}
