// The command line: options taken out, everything else scanned letter by letter.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <vector>

#include "app/capture.h"
#include "app/options.h"
#include "show/viewport.h"

namespace {

OrvOptions Parse(std::initializer_list<const char*> args, const char* program = "orvdemo")
{
    std::vector<const char*> argv{program};
    argv.insert(argv.end(), args);
    return OrvParseOptions(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

TEST(Options, LeftoverWordsKeepTheirOldMeaning)
{
    const OrvOptions windowed = Parse({"--window", "s"});
    EXPECT_TRUE(windowed.window);
    EXPECT_FALSE(windowed.music);
    EXPECT_EQ(windowed.tail, "s");

    const OrvOptions nosound = Parse({"--nosound"});
    EXPECT_EQ(nosound.tail, "");
    EXPECT_FALSE(nosound.music);
    EXPECT_TRUE(nosound.error.empty());
    EXPECT_FALSE(Parse({"nosound"}).music);

    EXPECT_TRUE(Parse({"S"}).music);
    EXPECT_EQ(Parse({"16"}).bits, 24);
    EXPECT_EQ(Parse({"24"}).bits, 32);
    EXPECT_EQ(Parse({"a", "--loop", "b", "1"}).tail, "a b 1");
    EXPECT_TRUE(Parse({}).music);
    EXPECT_EQ(Parse({}).bits, 32);
}

TEST(Options, OptionWordsAndValuesAreNotScanned)
{
    const OrvOptions data = Parse({"--data", "show1"});
    EXPECT_EQ(data.dataDir, "show1");
    EXPECT_EQ(data.bits, 32);
    EXPECT_TRUE(data.music);
    EXPECT_EQ(data.tail, "");

    const OrvOptions capture = Parse({"--capture=shows/s1.mp4", "--desktop", "--loop", "--fps", "60"});
    EXPECT_EQ(capture.capture, "shows/s1.mp4");
    EXPECT_TRUE(capture.desktop && capture.loop);
    EXPECT_EQ(capture.fps.num, 60);
    EXPECT_EQ(capture.fps.den, 1);
    EXPECT_TRUE(capture.music);
    EXPECT_EQ(capture.bits, 32);

    EXPECT_TRUE(Parse({}, "/opt/s1/orvdemo").music);
    EXPECT_EQ(Parse({}, "/opt/s1/orvdemo").bits, 32);
}

TEST(Options, SizeFpsAndFramesAreRead)
{
    const OrvOptions o = Parse({"--size", "320x240", "--frames=12", "--timedemo", "--offscreen"});
    EXPECT_TRUE(o.error.empty()) << o.error;
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 240);
    EXPECT_EQ(o.frames, 12);
    EXPECT_TRUE(o.timedemo && o.offscreen);
    const OrvOptions defaults = Parse({});
    EXPECT_EQ(defaults.width, 640);
    EXPECT_EQ(defaults.height, 480);
    EXPECT_EQ(defaults.fps.Text(), "30");
    EXPECT_EQ(defaults.frames, -1);
}

TEST(Options, BadValuesAreErrorsNamingTheOption)
{
    const std::vector<std::pair<std::vector<const char*>, const char*>> cases = {
        {{"--size", "0x10"}, "--size"},      {{"--size", "abc"}, "--size"},
        {{"--size", "320x"}, "--size"},      {{"--size", "-320x240"}, "--size"},
        {{"--size", "99999x240"}, "--size"}, {{"--fps", "0"}, "--fps"},
        {{"--fps", "abc"}, "--fps"},         {{"--fps", "-5"}, "--fps"},
        {{"--frames", "0"}, "--frames"},     {{"--data"}, "--data"},
        {{"--capture="}, "--capture"},       {{"--window", "--desktop"}, "--desktop"},
        {{"--capture", "a.mp4", "--size", "321x240"}, "even"},
        {{"--capture", "--frames", "5"}, "--capture needs a value"},
        {{"--samples", "3"}, "--samples"},   {{"--samples", "16"}, "--samples"},
        {{"--capture", "f/", "--supersample", "5"}, "--supersample"},
        {{"--supersample", "2"}, "--capture OUT"},
        {{"--capture", "f/", "--size", "4096x3072", "--supersample", "3"}, "--supersample 3"},
        {{"--vsync", "yes"}, "--vsync"},
    };
    for (const auto& [args, word] : cases) {
        std::vector<const char*> argv{"orvdemo"};
        argv.insert(argv.end(), args.begin(), args.end());
        const OrvOptions o = OrvParseOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_NE(o.error.find(word), std::string::npos) << args[0] << " gave '" << o.error << "'";
    }
    EXPECT_TRUE(Parse({"--capture", "frames", "--size", "321x241"}).error.empty());
}

TEST(Options, OnlyVideoSuffixesMakeAVideo)
{
    EXPECT_TRUE(OrvIsVideoTarget("show.mp4"));
    EXPECT_TRUE(OrvIsVideoTarget("/tmp/SHOW.MKV"));
    EXPECT_TRUE(OrvIsVideoTarget("a.b/show.webm"));
    EXPECT_FALSE(OrvIsVideoTarget("frames"));
    EXPECT_FALSE(OrvIsVideoTarget("out.mp4/frames"));
    EXPECT_TRUE(OrvIsVideoTarget("show.avi"));
    EXPECT_FALSE(OrvIsVideoTarget("show.png"));
}

TEST(Options, UsageNamesEveryOption)
{
    const std::string usage = OrvUsage("orvdemo");
    for (const char* name : {"--help", "--version", "--window", "--desktop", "--loop", "--data", "--capture",
                             "--fps", "--size", "--frames", "--timedemo", "--offscreen", "--samples", "--supersample",
                             "--vsync"})
        EXPECT_NE(usage.find(name), std::string::npos) << name;
}

TEST(CaptureGeometry, ViewportKeepsFourThirdsCentred)
{
    const OrvViewport full = OrvFourThirdsViewport(640, 480);
    EXPECT_EQ(full.x, 0);
    EXPECT_EQ(full.y, 0);
    EXPECT_EQ(full.width, 640);
    EXPECT_EQ(full.height, 480);
    const OrvViewport wide = OrvFourThirdsViewport(1280, 720);
    EXPECT_EQ(wide.x, 160);
    EXPECT_EQ(wide.width, 960);
    EXPECT_EQ(wide.height, 720);
    const OrvViewport tall = OrvFourThirdsViewport(640, 600);
    EXPECT_EQ(tall.y, 60);
    EXPECT_EQ(tall.height, 480);
}

TEST(Options, StartUpResolvesTheCaptureBeforeChangingToTheDataDirectory)
{
    const std::filesystem::path home = std::filesystem::current_path();
    char pattern[] = "/tmp/orv-options-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    OrvOptions o = Parse({"--data", pattern, "--capture", "out.mp4"});
    int code = -1;
    EXPECT_TRUE(OrvStartUp(o, "orvdemo", &code));
    const std::filesystem::path now = std::filesystem::current_path();
    std::filesystem::current_path(home);
    std::filesystem::remove(pattern);
    EXPECT_EQ(now, std::filesystem::path(pattern));
    EXPECT_EQ(o.capture, (home / "out.mp4").string());

    // Started in a directory that has since gone, a relative name has nothing
    // to be resolved against: it must not land in the data directory.
    ASSERT_EQ(mkdir(pattern, 0700), 0);
    const std::filesystem::path gone = std::filesystem::path(pattern) / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);
    OrvOptions lost = Parse({"--data", pattern, "--capture", "out.mp4"});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(OrvStartUp(lost, "orvdemo", &code));
    const std::string err = testing::internal::GetCapturedStderr();
    std::filesystem::current_path(home);
    EXPECT_EQ(code, OrvOptionsExitCode);
    EXPECT_NE(err.find("cannot find --capture out.mp4: the working directory is gone"), std::string::npos) << err;
    EXPECT_TRUE(std::filesystem::is_empty(pattern));

    // An absolute target, but no --data: the data would be looked for in the gone directory.
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);
    OrvOptions noData = Parse({"--capture", (std::filesystem::path(pattern) / "x.mp4").c_str()});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(OrvStartUp(noData, "orvdemo", &code));
    const std::string noDataErr = testing::internal::GetCapturedStderr();
    std::filesystem::current_path(home);
    EXPECT_EQ(code, OrvOptionsExitCode);
    EXPECT_NE(noDataErr.find("cannot find the show's data: the working directory is gone"), std::string::npos)
        << noDataErr;
    EXPECT_TRUE(std::filesystem::is_empty(pattern));
    std::filesystem::remove(pattern);
}

TEST(Options, StartUpStopsWithTheRightExitCode)
{
    const std::vector<std::pair<std::vector<const char*>, int>> cases = {
        {{"--help"}, 0}, {{"--version"}, 0}, {{"--fps", "0"}, OrvOptionsExitCode},
        {{"--data", "/nonexistent/orv"}, OrvOptionsExitCode}};
    for (const auto& [args, expected] : cases) {
        std::vector<const char*> argv{"orvdemo"};
        argv.insert(argv.end(), args.begin(), args.end());
        OrvOptions o = OrvParseOptions(static_cast<int>(argv.size()), argv.data());
        int code = -1;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_FALSE(OrvStartUp(o, "orvdemo", &code)) << args[0];
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, expected) << args[0];
        EXPECT_EQ(out.empty(), expected != 0) << args[0] << ": help and version go to stdout, errors do not";
        EXPECT_EQ(err.empty(), expected == 0) << args[0] << ": " << err;
    }
}

// A word that starts with '-' is never scanned for letters: a typo must not
// switch the display mode or silence the music behind the user's back.
TEST(Options, WordsStartingWithADashAreOptionsOrErrors)
{
    const std::vector<std::pair<const char*, const char*>> typos = {
        {"--widnow", "did you mean --window?"}, {"--fullscreen", "unknown option '--fullscreen'"},
        {"--bogus", "unknown option '--bogus'"}, {"-v", "unknown option '-v'"}, {"--fsp=30", "did you mean --fps?"}};
    for (const auto& [word, message] : typos) {
        const OrvOptions o = Parse({word});
        EXPECT_NE(o.error.find(message), std::string::npos) << word << " gave '" << o.error << "'";
    }
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_TRUE(Parse({"-V"}).version);
    EXPECT_TRUE(Parse({"-y"}).overwrite);
}

// Fractional rates are kept exact: frame i at i * 1000 * den / num ms, with no drift.
TEST(Options, FractionalFrameRatesKeepAnExactClock)
{
    const OrvOptions ntsc = Parse({"--fps", "60000/1001"});
    ASSERT_TRUE(ntsc.error.empty()) << ntsc.error;
    EXPECT_EQ(OrvCaptureMilliseconds(60000, ntsc.fps), 1001000u);
    EXPECT_EQ(OrvCaptureMilliseconds(1, ntsc.fps), 16u);
    const OrvOptions decimal = Parse({"--fps", "29.97"});
    ASSERT_TRUE(decimal.error.empty()) << decimal.error;
    EXPECT_EQ(decimal.fps.Text(), "2997/100");
    EXPECT_EQ(OrvCaptureMilliseconds(2997, decimal.fps), 100000u);
    for (const char* bad : {"0/1", "1/0", "30.", "241", "1e3"})
        EXPECT_FALSE(Parse({"--fps", bad}).error.empty()) << bad;
}

// A capture names what it makes, and never replaces the user's files unasked.
TEST(Options, CaptureTargetMustBeClearAndMustNotReplaceFiles)
{
    const std::filesystem::path home = std::filesystem::current_path();
    char pattern[] = "/tmp/orv-target-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    std::ofstream(dir / "taken.mp4") << "a user's video";
    std::filesystem::create_directories(dir / "full");
    std::ofstream(dir / "full/keep.png") << "a user's picture";
    const auto startUp = [](std::vector<const char*> args) {
        args.insert(args.begin(), "orvdemo");
        OrvOptions o = OrvParseOptions(static_cast<int>(args.size()), args.data());
        int code = -1;
        testing::internal::CaptureStderr();
        OrvStartUp(o, "orvdemo", &code);
        testing::internal::GetCapturedStderr();
        return code;
    };
    const std::string taken = (dir / "taken.mp4").string(), full = (dir / "full").string();
    const std::string plain = (dir / "frames").string(), fresh = (dir / "new.avi").string();
    EXPECT_EQ(startUp({"--capture", taken.c_str()}), OrvOptionsExitCode);
    EXPECT_EQ(startUp({"--capture", full.c_str()}), OrvOptionsExitCode);
    EXPECT_EQ(startUp({"--capture", plain.c_str()}), OrvOptionsExitCode) << "neither a video nor a directory";
    EXPECT_EQ(startUp({"--capture", taken.c_str(), "-y", "--data", pattern}), 0);
    EXPECT_EQ(startUp({"--capture", full.c_str(), "--overwrite", "--data", pattern}), 0);
    EXPECT_EQ(startUp({"--capture", fresh.c_str(), "--data", pattern}), 0);
    std::filesystem::current_path(home);
    std::filesystem::remove_all(dir);
}

// Requests that cannot give a single frame, or name no file, stop before
// anything is made, with a message saying why.
TEST(Options, ImpossibleRequestsStopBeforeAnythingIsMade)
{
    const std::filesystem::path home = std::filesystem::current_path();
    char pattern[] = "/tmp/orv-refuse-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path dir = pattern;
    const std::string video = (dir / "range.mp4").string(), frames = (dir / "frames/").string();
    const std::string noName = (dir / ".mp4").string();
    struct Case {
        std::vector<const char*> args;
        std::vector<const char*> said;
    };
    const Case cases[] = {
        {{"--capture", video.c_str(), "--start", "Insane", "--end", "Tunneli"},
         {"--start Insane (", "--end Tunneli (", "the end is not after the start", "the show is 134.333 s long"}},
        {{"--capture", frames.c_str(), "--start", "200.0"},
         {"--start 200.000 s", "the show's end (134.333 s)", "past the end"}},
        {{"--capture", frames.c_str(), "--end", "0", "--frames", "5"}, {"the show's start (0.000 s)", "--end 0.000 s"}},
        {{"--capture", frames.c_str(), "--fps", "1", "--start", "5.2", "--end", "5.5"},
         {"no frame at --fps 1 falls between them"}},
        {{"--timedemo", "--offscreen", "--start", "5.0", "--end", "5.0"},
         {"--start 5.000 s", "--end 5.000 s", "the show is 134.334 s long"}},
        {{"--window", "--start", "Womb", "--end", "Intro"}, {"--start Womb (", "--end Intro (0.000 s)"}},
        {{"--capture", frames.c_str(), "--fps", "0.5"}, {"bad --fps '0.5'"}},
        {{"--capture", frames.c_str(), "--fps", "1/4294968"}, {"bad --fps '1/4294968'"}},
        {{"--capture", noName.c_str()}, {"give a file name before the extension", "show.mp4"}},
        {{"--capture", ".webm", "--jobs", "2"}, {"give a file name before the extension (e.g. show.webm)"}},
        {{"--timedemo", "--capture", video.c_str()}, {"--timedemo and --capture exclude each other"}},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"orvdemo", "--data", pattern};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        OrvOptions o = OrvParseOptions(static_cast<int>(argv.size()), argv.data());
        int code = -1;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(OrvStartUp(o, "orvdemo", &code)) << c.args[1];
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(code, OrvOptionsExitCode) << c.args[1] << ": " << err;
        for (const char* words : c.said)
            EXPECT_NE(err.find(words), std::string::npos) << "expected '" << words << "' in: " << err;
        EXPECT_EQ(std::filesystem::current_path(), home) << err;
        std::filesystem::current_path(home);
        EXPECT_TRUE(std::filesystem::is_empty(dir)) << err;
    }
    // The same points the other way round, and a range within one scene, are fine.
    EXPECT_TRUE(Parse({"--start", "Tunneli", "--end", "Insane"}).error.empty());
    EXPECT_TRUE(Parse({"--capture", "f/", "--fps", "1", "--start", "5.0", "--end", "5.5"}).error.empty());
    EXPECT_TRUE(Parse({"--timedemo", "--start", "134.3"}).error.empty());
    std::filesystem::remove_all(dir);
}

TEST(Options, InstalledProgramFindsTheDataBesideItsPrefix)
{
    char pattern[] = "/tmp/orv-prefix-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path prefix = pattern;
    std::filesystem::create_directories(prefix / "bin");
    EXPECT_EQ(OrvInstalledDataDir((prefix / "bin/orvdemo").string()), "") << "no data installed yet";
    std::filesystem::create_directories(prefix / "share/orvdemo");
    EXPECT_EQ(OrvInstalledDataDir((prefix / "bin/orvdemo").string()), (prefix / "share/orvdemo").string());
    EXPECT_EQ(OrvInstalledDataDir(""), "");
    std::filesystem::remove_all(prefix);
}
