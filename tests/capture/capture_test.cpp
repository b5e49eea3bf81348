// The offscreen capture: frames, timing, output files and failures.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

#include "app/capture.h"
#include "app/options.h"
#include "framework/ffmpeg_pipe.h"
#include "framework/offscreen.h"
#include "show/show_constants.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {

// The frame on which Intro first reads more than 120 ticks at `fps`: the show
// clock at i * 1000 / fps ms, ticks from the timer's 32-bit arithmetic at 30/s.
int64_t IntroLastFrame(int fps)
{
    for (int64_t i = 0;; ++i) {
        const uint32_t ms = static_cast<uint32_t>(i * 1000 / fps);
        const int32_t ticks = static_cast<int32_t>(ms * 30u) / 1000;
        if (ticks > 120)
            return i;
    }
}

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command line; returns its exit status (-1 when it did not exit).
int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Share of pixels in an RGB frame that are not black.
double LitShare(const unsigned char* rgb, int pixels)
{
    int lit = 0;
    for (int i = 0; i < pixels; ++i)
        lit += rgb[3 * i] > 8 || rgb[3 * i + 1] > 8 || rgb[3 * i + 2] > 8;
    return static_cast<double>(lit) / pixels;
}

// PNG width and height from the IHDR chunk.
std::pair<int, int> PngSize(const fs::path& path)
{
    const std::string b = ReadAll(path);
    if (b.size() < 24 || b.compare(1, 3, "PNG") != 0)
        return {0, 0};
    const auto be = [&b](size_t at) {
        return (uint8_t(b[at]) << 24) | (uint8_t(b[at + 1]) << 16) | (uint8_t(b[at + 2]) << 8) | uint8_t(b[at + 3]);
    };
    return {static_cast<int>(be(16)), static_cast<int>(be(20))};
}

// Waits up to `seconds` for `condition`; true once it holds.
bool WaitUntil(const std::function<bool()>& condition, int seconds = 60)
{
    for (int i = 0; i < seconds * 50; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// The parts' working directory inside a PNG target, once its first part has `frames` frames.
bool PartsRendered(const fs::path& target, int frames);
std::string FrameFile(int index);

// True while process group `group` has a member that still runs (a zombie
// waiting for init to collect it does not count).
bool GroupAlive(pid_t group)
{
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        if (e.path().filename().string().find_first_not_of("0123456789") != std::string::npos)
            continue;  // not a process
        const std::string stat = ReadAll(e.path() / "stat");
        const size_t name = stat.rfind(')');
        if (name == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(name + 1));
        char state = 0;
        long parent = 0, pgrp = 0;
        if (fields >> state >> parent >> pgrp && pgrp == group && state != 'Z')
            return true;
    }
    return false;
}

// Kills the process groups it was given when it goes: a check that fails
// half-way leaves nothing of the test running.
struct GroupsKilledAtEnd {
    std::vector<pid_t> groups;
    ~GroupsKilledAtEnd()
    {
        for (const pid_t g : groups)
            if (g > 0)
                kill(-g, SIGKILL);
    }
};

std::vector<std::string> Names(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* file : {"Tuvari.xm", "tunneli.3ds", "tunneli.bmp"})
            ASSERT_TRUE(fs::exists(fs::path(ORV_DATA_DIR) / file))
                << "the show's data set is missing from " ORV_DATA_DIR " (build the data target)";
        char pattern[] = "/tmp/orv-capture-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        home = fs::current_path();
        fs::current_path(ORV_DATA_DIR);
    }
    void TearDown() override
    {
        fs::current_path(home);
        fs::remove_all(dir);
    }

    OrvOptions Options(const std::string& out, int64_t frames, int width, int height, int fps = 30) const
    {
        OrvOptions o;
        o.capture = (dir / out).string();
        o.frames = frames;
        o.width = width;
        o.height = height;
        o.fps = {fps, 1};
        return o;
    }

    // Runs the capture program with `args`; its stderr is kept in `err`.
    int Run(const std::string& args, const std::string& prefix = "")
    {
        return Shell(prefix + " " ORV_CAPTURE_RUN " --data " ORV_DATA_DIR " " + args + " >/dev/null 2>" +
                     (dir / "err").string());
    }
    std::string Err() const { return ReadAll(dir / "err"); }

    fs::path dir;
    fs::path home;
};

}  // namespace

TEST_F(CaptureTest, SceneChangesOnTheFrameIntroFirstPasses120)
{
    EXPECT_EQ(IntroLastFrame(30), 122);  // 4066 ms: the first frame at or after 4034 ms
    for (int fps : {30, 24}) {
        const int64_t last = IntroLastFrame(fps);
        OrvCapture capture(Options("frames" + std::to_string(fps), last + 3, 64, 48, fps));
        std::map<int64_t, double> lit;
        capture.onFrame = [&lit](int64_t i, const unsigned char* rgb) { lit[i] = LitShare(rgb, 64 * 48); };
        ASSERT_EQ(capture.Run(), 0);
        ASSERT_EQ(capture.SceneStarts().size(), 2u) << "fps " << fps;
        EXPECT_EQ(capture.SceneStarts()[0].scene, "Intro");
        EXPECT_EQ(capture.SceneStarts()[0].frame, 0);
        EXPECT_EQ(capture.SceneStarts()[1].scene, "Tunneli");
        EXPECT_EQ(capture.SceneStarts()[1].frame, last + 1) << "fps " << fps;
        EXPECT_EQ(capture.FramesWritten(), last + 3);
        EXPECT_GT(lit[0], 0.3) << "Intro's first frame is (nearly) black";
        EXPECT_GT(lit[last + 2], 0.3) << "Tunneli's second frame is (nearly) black";
    }
}

TEST_F(CaptureTest, WholeShowChangesScenesOnTheTimersTicksAndDrawsEveryScene)
{
    // Scene limits of the show, and the frame each scene should begin on when
    // every change resets the clock at the changing frame's time.
    const int32_t limits[] = {120, 540, 840, 840, 840, 840};
    std::vector<int64_t> expected{0};
    uint32_t start = 0;
    int64_t i = 0;
    for (size_t scene = 0; scene < 6; ++i) {
        const uint32_t ms = static_cast<uint32_t>(i * 1000 / 30);
        if (static_cast<int32_t>((ms - start) * 30u) / 1000 > limits[scene]) {
            ++scene;
            start = ms;
            expected.push_back(i + 1);
        }
    }
    OrvOptions options = Options("show", -1, 32, 24);
    options.music = false;
    OrvCapture capture(options);
    std::map<int64_t, double> lit;
    capture.onFrame = [&lit](int64_t f, const unsigned char* rgb) { lit[f] = LitShare(rgb, 32 * 24); };
    ASSERT_EQ(capture.Run(), 0);
    EXPECT_EQ(capture.FramesWritten(), expected.back());
    EXPECT_GT(capture.FramesWritten(), 134 * 30);
    EXPECT_LT(capture.FramesWritten(), 135 * 30);
    const char* names[] = {"Intro", "Tunneli", "Kylpyla", "Insane", "Kaupunki", "Womb"};
    ASSERT_EQ(capture.SceneStarts().size(), 6u);
    for (size_t k = 0; k < 6; ++k) {
        EXPECT_EQ(capture.SceneStarts()[k].scene, names[k]);
        EXPECT_EQ(capture.SceneStarts()[k].frame, expected[k]) << names[k];
        const int64_t sample = (expected[k] + expected[k + 1]) / 2;
        EXPECT_GT(lit[sample], 0.05) << names[k] << " frame " << sample << " is (nearly) black";
    }
}

TEST_F(CaptureTest, PngDirectoryHoldsEveryFrameAtTheAskedSizeAndTheMusic)
{
    ASSERT_EQ(Run("--capture " + (dir / "frames").string() + "/ --frames 4 --size 96x72"), 0) << Err();
    const std::vector<std::string> expected = {"frame_000000.png", "frame_000001.png", "frame_000002.png",
                                               "frame_000003.png", "music.wav"};
    EXPECT_EQ(Names(dir / "frames"), expected);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(PngSize(dir / "frames" / expected[i]), std::make_pair(96, 72)) << expected[i];
    EXPECT_EQ(fs::file_size(dir / "frames/music.wav"), 44u + 4u * (4 * 48000 / 30));
    EXPECT_NE(Err().find("wrote " + (dir / "frames").string()), std::string::npos) << Err();

    // -y over it with fewer, smaller frames and no music: nothing of the earlier
    // capture stays, and files not named like a capture's are left alone.
    std::ofstream(dir / "frames/notes.txt") << "mine";
    std::ofstream(dir / "frames/frame_7.png") << "mine";
    ASSERT_EQ(Run("--capture " + (dir / "frames").string() + "/ --frames 2 --size 32x24 -y s"), 0) << Err();
    EXPECT_EQ(Names(dir / "frames"),
              (std::vector<std::string>{"frame_000000.png", "frame_000001.png", "frame_7.png", "notes.txt"}));
    EXPECT_EQ(PngSize(dir / "frames/frame_000001.png"), std::make_pair(32, 24));
    EXPECT_EQ(ReadAll(dir / "frames/notes.txt"), "mine");
}

TEST_F(CaptureTest, NoMusicWordLeavesOutTheMusic)
{
    ASSERT_EQ(Run("--capture " + (dir / "frames").string() + "/ --frames 1 --size 32x24 nosound"), 0) << Err();
    EXPECT_EQ(Names(dir / "frames"), std::vector<std::string>{"frame_000000.png"});
}

TEST_F(CaptureTest, TwoRunsGiveIdenticalFrames)
{
    // The whole show, so Womb's pseudo-random flicker and every scene's state are covered.
    ASSERT_EQ(Run("--capture " + (dir / "a").string() + "/ --size 32x24"), 0) << Err();
    ASSERT_EQ(Run("--capture " + (dir / "b").string() + "/ --size 32x24"), 0) << Err();
    const std::vector<std::string> names = Names(dir / "a");
    ASSERT_GT(names.size(), 4000u);
    EXPECT_EQ(names, Names(dir / "b"));
    for (const std::string& name : names)
        EXPECT_TRUE(ReadAll(dir / "a" / name) == ReadAll(dir / "b" / name)) << name << " differs";
}

TEST_F(CaptureTest, WideSizeKeepsTheFourThirdsPictureBetweenBlackBars)
{
    const int64_t frames = IntroLastFrame(30) + 3;
    std::map<int64_t, std::vector<unsigned char>> narrow, wide;
    OrvCapture a(Options("narrow", frames, 128, 96));
    a.onFrame = [&](int64_t i, const unsigned char* rgb) { narrow[i].assign(rgb, rgb + 128 * 96 * 3); };
    OrvCapture b(Options("wide", frames, 192, 96));
    b.onFrame = [&](int64_t i, const unsigned char* rgb) { wide[i].assign(rgb, rgb + 192 * 96 * 3); };
    ASSERT_EQ(a.Run(), 0);
    ASSERT_EQ(b.Run(), 0);
    for (int64_t frame : {int64_t{0}, frames - 1}) {
        int barLit = 0, differ = 0;
        for (int y = 0; y < 96; ++y)
            for (int x = 0; x < 192; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int v = wide[frame][(y * 192 + x) * 3 + c];
                    if (x < 32 || x >= 160)
                        barLit += v != 0;
                    else
                        differ += std::abs(v - narrow[frame][(y * 128 + x - 32) * 3 + c]) > 24;
                }
        EXPECT_EQ(barLit, 0) << "frame " << frame << ": the bars are not black";
        EXPECT_LT(differ, 128 * 96 * 3 / 50) << "frame " << frame << ": the picture is not the 4:3 one";
    }
}

TEST_F(CaptureTest, VideoHasTheFramesAndTheMusicOfTheCapturedLength)
{
    if (Shell("command -v ffmpeg >/dev/null && command -v ffprobe >/dev/null") != 0)
        GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_EQ(Run("--capture " + (dir / "show.mp4").string() + " --frames 45 --size 160x120"), 0) << Err();
    // The longest name a file may have: temporary names must not be longer.
    const std::string quiet = std::string(255 - 4, 'q') + ".mkv";
    ASSERT_EQ(Run("--capture " + (dir / quiet).string() + " --frames 15 --size 64x48 s"), 0) << Err();
    const auto probe = [this](const char* file) {
        Shell("ffprobe -v error -show_entries format=duration:stream=codec_type,codec_name,width,height "
              "-of default=noprint_wrappers=1 " + (dir / file).string() + " > " + (dir / "probe").string());
        return ReadAll(dir / "probe");
    };
    const std::string mp4 = probe("show.mp4");
    EXPECT_NE(mp4.find("codec_name=h264\ncodec_type=video\nwidth=160\nheight=120"), std::string::npos) << mp4;
    EXPECT_NE(mp4.find("codec_name=aac\ncodec_type=audio"), std::string::npos) << mp4;
    const size_t at = mp4.find("duration=");
    ASSERT_NE(at, std::string::npos) << mp4;
    EXPECT_NEAR(std::stod(mp4.substr(at + 9)), 1.5, 0.05);
    const std::string mkv = probe(quiet.c_str());
    EXPECT_NE(mkv.find("codec_type=video"), std::string::npos) << mkv;
    EXPECT_EQ(mkv.find("codec_type=audio"), std::string::npos) << "music was off: " << mkv;
    fs::remove(dir / "probe");
    fs::remove(dir / "err");
    EXPECT_EQ(Names(dir), (std::vector<std::string>{quiet, "show.mp4"})) << "temporary files left";
}

TEST_F(CaptureTest, FailuresExitNonZeroAndLeaveNoOutput)
{
    std::ofstream(dir / "file") << "not a directory";
    fs::create_directories(dir / "bin");
    std::ofstream(dir / "bin/ffmpeg") << "#!/bin/sh\n/usr/bin/head -c 1000 >/dev/null\nexit 3\n";
    fs::permissions(dir / "bin/ffmpeg", fs::perms::owner_all);
    fs::create_directories(dir / "bin0");  // an ffmpeg that says it succeeded but makes nothing
    std::ofstream(dir / "bin0/ffmpeg") << "#!/bin/sh\n/usr/bin/cat >/dev/null\nexit 0\n";
    fs::permissions(dir / "bin0/ffmpeg", fs::perms::owner_all);
    const std::string video = (dir / "out/show.mp4").string();
    fs::create_directories(dir / "out");
    struct Case {
        std::string args, prefix, message;
        int code;
    };
    const std::string small = " --size 64x48 --frames ";
    const std::string limit = "trap '' XFSZ; ulimit -f 64;";  // writes past 32 KiB fail like a full disk
    const std::vector<Case> cases = {
        {"--capture " + (dir / "file/show.mp4").string(), "", "cannot write", 1},
        {"--capture " + (dir / "file/frames").string() + "/", "", "cannot create directory", 1},
        {"--capture " + video + small + "3", "PATH=/nonexistent", "ffmpeg not found", 1},
        {"--capture " + video + small + "30", "PATH=" + (dir / "bin").string(), "exited with status 3", 1},
        {"--capture " + video + small + "30", "PATH=" + (dir / "bin0").string(), "wrote nothing", 1},
        {"--capture " + video + small + "60", limit, "File too large", 1},
        {"--capture " + video + " --size 320x240 --frames 90 s", "trap '' XFSZ; ulimit -f 8;", "ffmpeg", 1},
        {"--capture " + (dir / "out/frames").string() + "/" + small + "60", limit, "File too large", 1},
        {"--capture " + (dir / "out/frames").string() + "/ --size 640x480 --frames 3 s", limit, "cannot write", 1},
        {"--capture " + video + " --size 0x10", "", "bad --size", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args, c.prefix), c.code) << c.prefix << " " << c.args << "\n" << Err();
        EXPECT_NE(Err().find(c.message), std::string::npos) << c.args << ": " << Err();
        EXPECT_FALSE(fs::exists(video)) << c.args;
        EXPECT_EQ(Err().find(".part"), std::string::npos) << c.args << ": names a file that is gone: " << Err();
        EXPECT_EQ(Err().find("//"), std::string::npos) << c.args << ": " << Err();
        if (fs::exists(dir / "out/frames")) {
            // A directory the capture made stays only when something is in it.
            EXPECT_FALSE(Names(dir / "out/frames").empty()) << c.args;
            for (const std::string& name : Names(dir / "out/frames"))
                EXPECT_EQ(name.find(".part"), std::string::npos) << name;
            fs::remove_all(dir / "out/frames");
        }
        EXPECT_EQ(Names(dir / "out"), std::vector<std::string>{}) << c.args;
    }
}

// A PNG capture that fills its disk keeps what a stop signal would keep: the
// frames written and music as long as they are; its message names only what
// is there after it ends. A read-only target is named as the directory it is.
// (Both on a small file system of their own, in a private mount namespace.)
TEST_F(CaptureTest, AFullDiskKeepsTheFramesWithTheirMusic)
{
    if (Shell("unshare -rm true 2>/dev/null") != 0)
        GTEST_SKIP() << "no private mount namespace here (unshare -rm fails), so no small file system to fill";
    const fs::path disk = dir / "disk";
    fs::create_directories(disk);
    const auto at = [&](const char* name) { return (dir / name).string(); };
    // Inside: mount, capture, and note what is on the disk before it goes with the namespace.
    const std::string script =
        "mount -t tmpfs -o size=2m tmpfs " + disk.string() + " || exit 90; cd " ORV_DATA_DIR "; "
        ORV_CAPTURE_RUN " --capture " + disk.string() + "/f/ --frames 300 --size 320x240 2>" + at("err") +
        " >/dev/null; echo $? > " + at("code") + "; ls " + disk.string() + "/f > " + at("list") + "; wc -c < " +
        disk.string() + "/f/music.wav > " + at("wav") + "; mount -o remount,ro " + disk.string() + " && "
        ORV_CAPTURE_RUN " --capture " + disk.string() + "/f/ -y --frames 3 --size 64x48 2>" + at("ro") +
        " >/dev/null; echo $? > " + at("rocode");
    if (Shell("unshare -rm sh -c '" + script + "'") == 90)
        GTEST_SKIP() << "cannot mount a tmpfs in a private mount namespace";
    const std::string err = Err();
    ASSERT_EQ(std::atoi(ReadAll(at("code")).c_str()), 1) << err;
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    EXPECT_EQ(err.find(".part"), std::string::npos) << "names a file that is gone: " << err;
    EXPECT_EQ(err.find("//"), std::string::npos) << err;
    std::istringstream list(ReadAll(at("list")));
    std::vector<std::string> names;
    for (std::string name; list >> name;)
        names.push_back(name);
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), "music.wav");
    const size_t frames = names.size() - 1;
    EXPECT_GT(frames, 0u) << err;
    EXPECT_EQ(names[frames - 1], FrameFile(static_cast<int>(frames) - 1));
    EXPECT_NE(err.find("left in " + disk.string() + "/f: " + std::to_string(frames) + " frame"), std::string::npos)
        << err;
    // The music of those frames, not of the 300 asked for.
    EXPECT_EQ(std::stoul(ReadAll(at("wav"))), 44 + 4 * ((frames * 48000 + 29) / 30)) << frames << " frames";
    EXPECT_EQ(std::atoi(ReadAll(at("rocode")).c_str()), 1) << ReadAll(at("ro"));
    EXPECT_NE(ReadAll(at("ro")).find("cannot write in " + disk.string() + "/f: Read-only file system"),
              std::string::npos)
        << ReadAll(at("ro"));
}

// A module that is a directory or an endless device must give a silent track,
// one line saying why, and a capture that goes on; nothing may be left behind.
// A FIFO as a scene file or texture must not make loading wait for a writer.
TEST_F(CaptureTest, DataFilesThatAreNoRegularFilesAreRefusedAndTheCaptureGoesOn)
{
    const fs::path data = dir / "data";
    fs::create_directories(data);
    for (const auto& e : fs::directory_iterator(ORV_DATA_DIR))
        if (e.path().filename() != "Tuvari.xm" && e.is_regular_file())
            fs::copy_file(e.path(), data / e.path().filename());
    for (const bool device : {false, true}) {
        fs::remove_all(data / "Tuvari.xm");
        if (device)
            fs::create_symlink("/dev/zero", data / "Tuvari.xm");
        else
            fs::create_directory(data / "Tuvari.xm");
        const fs::path out = dir / (device ? "zero" : "dir");
        const int code = Shell("cd " + data.string() + " && timeout 60 " ORV_CAPTURE_RUN " --capture " + out.string() + "/" +
                               " --frames 2 --size 64x48 >/dev/null 2>" + (dir / "err").string());
        EXPECT_EQ(code, 0) << Err();
        EXPECT_NE(Err().find("Tuvari.xm: is a"), std::string::npos) << Err();
        ASSERT_TRUE(fs::exists(out / "music.wav")) << Err();
        EXPECT_EQ(Names(out), (std::vector<std::string>{"frame_000000.png", "frame_000001.png", "music.wav"}));
    }
    // A FIFO in place of a scene file or a texture is refused, not waited on.
    for (const char* name : {"tunneli.3ds", "vesi.bmp"}) {
        fs::remove(data / name);
        ASSERT_EQ(mkfifo((data / name).c_str(), 0600), 0);
    }
    const fs::path out = dir / "fifo";
    EXPECT_EQ(Shell("cd " + data.string() + " && timeout 60 " ORV_CAPTURE_RUN " --capture " + out.string() +
                    "/ --frames 1 --size 64x48 >/dev/null 2>" + (dir / "err").string()),
              0)
        << Err();
    EXPECT_NE(Err().find("tunneli.3ds: is a FIFO"), std::string::npos) << Err();
    EXPECT_NE(Err().find("vesi.bmp: is a FIFO"), std::string::npos) << Err();
}

// A stop signal during a capture: a video is finished with the frames it has
// and music of their length, a PNG directory says exactly what it holds and
// its music.wav ends with its frames, and an ffmpeg that has stopped reading
// cannot keep the program (or itself) alive.
TEST_F(CaptureTest, StopSignalFinishesWhatWasMadeAndNeverHangsOnAStalledFfmpeg)
{
    const auto startCapture = [&](const std::string& out, const std::string& path, bool music = false) {
        std::vector<std::string> args = {"--capture", out, "--size", "160x120"};
        if (!music)
            args.push_back("s");
        return StartProgram(ORV_CAPTURE_RUN, args, ORV_DATA_DIR, (dir / "err").string(), [path] {
            if (!path.empty())
                setenv("PATH", path.c_str(), 1);
        });
    };
    const auto noTemporaryFiles = [&] {
        for (const std::string& name : Names(dir))
            EXPECT_TRUE(name.find(".orvdemo-") == std::string::npos) << "left behind: " << name;
    };
    // PNG frames, SIGINT: the message counts exactly the frames on disk, and
    // the music is theirs: ceil(frames * 48000 / 30) stereo samples.
    const fs::path frames = dir / "frames";
    pid_t pid = startCapture(frames.string() + "/", "", true);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(frames / "frame_000005.png"); })) << Err();
    kill(pid, SIGINT);
    EXPECT_EQ(WaitExit(pid, 30), 130) << Err();
    const size_t pngs = Names(frames).size() - 1;
    EXPECT_GT(pngs, 0u);
    EXPECT_NE(Err().find(std::to_string(pngs) + " frames"), std::string::npos) << pngs << " on disk: " << Err();
    const std::string wav = ReadAll(frames / "music.wav");
    const size_t samples = (pngs * 48000 + 29) / 30;
    ASSERT_EQ(wav.size(), 44 + 4 * samples) << pngs << " frames";
    const auto le32 = [&wav](size_t at) {
        return uint32_t(uint8_t(wav[at])) | uint32_t(uint8_t(wav[at + 1])) << 8 | uint32_t(uint8_t(wav[at + 2])) << 16 |
               uint32_t(uint8_t(wav[at + 3])) << 24;
    };
    EXPECT_EQ(le32(40), 4 * samples) << "the WAV header's data size";
    EXPECT_EQ(le32(4), 36 + 4 * samples) << "the WAV header's RIFF size";

    // Video, SIGHUP: a finished file under its final name, its music as long
    // as its frames, no temporary files.
    if (OrvFindProgram("ffprobe")) {
        ASSERT_EQ(Shell("command -v ffmpeg > " + (dir / "real").string()), 0);
        const fs::path video = dir / "cut.mp4";
        pid = startCapture(video.string(), "", true);
        // The music is written before the frames; ffmpeg writes its file once frames come.
        ASSERT_TRUE(WaitUntil([&] {
            int written = 0;
            for (const std::string& name : Names(dir))
                written += name.rfind(".orvdemo-", 0) == 0 && fs::file_size(dir / name) > 0;
            return written == 2;
        })) << Err();
        kill(pid, SIGHUP);
        EXPECT_EQ(WaitExit(pid, 60), 129) << Err();
        Shell("ffprobe -v error -show_entries stream=codec_type,duration -of csv=p=0 " + video.string() + " > " +
              (dir / "probe").string());
        std::istringstream probe(ReadAll(dir / "probe"));
        fs::remove(dir / "probe");
        std::map<std::string, double> seconds;
        for (std::string line; std::getline(probe, line);)
            if (const size_t comma = line.find(','); comma != std::string::npos)
                seconds[line.substr(0, comma)] = std::atof(line.c_str() + comma + 1);
        EXPECT_GT(seconds["video"], 0.1) << "no playable video: " << Err();
        EXPECT_NEAR(seconds["audio"], seconds["video"], 0.05) << "the music does not end with the frames";
        noTemporaryFiles();

        // An encoder still at work after the last frame is waited for, however
        // long it takes: this one keeps its output growing for 12 s, then encodes.
        const std::string ffmpeg = ReadAll(dir / "real").substr(0, ReadAll(dir / "real").find('\n'));
        const std::string raw = (dir / "slow/frames.raw").string();
        fs::create_directories(dir / "slow");
        std::ofstream(dir / "slow/ffmpeg") << "#!/bin/sh\neval out=\\${$#}\n/usr/bin/cat > " << raw
                                           << "\nfor i in 1 2 3 4 5 6 7 8 9 10 11 12; do echo . >> \"$out\"; sleep 1; done\n"
                                           << "exec " << ffmpeg << " \"$@\" < " << raw << "\n";
        fs::permissions(dir / "slow/ffmpeg", fs::perms::owner_all);
        const fs::path slow = dir / "slow.mkv";
        pid = startCapture(slow.string(), (dir / "slow").string() + ":" + std::getenv("PATH"));
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(raw) && fs::file_size(raw) >= 160 * 120 * 3; })) << Err();
        kill(pid, SIGINT);
        EXPECT_EQ(WaitExit(pid, 60), 130) << Err();
        EXPECT_TRUE(fs::exists(slow)) << "a working encoder was cut off: " << Err();
        noTemporaryFiles();
    }

    // An ffmpeg that never reads: SIGTERM ends everything well before an
    // ffmpeg doing nothing would be given up on.
    fs::create_directories(dir / "stall");
    std::ofstream(dir / "stall/ffmpeg") << "#!/bin/sh\necho $$ > " << (dir / "stall/pid").string() << "\nexec sleep 600\n";
    fs::permissions(dir / "stall/ffmpeg", fs::perms::owner_all);
    const fs::path stalled = dir / "stalled.mp4";
    pid = startCapture(stalled.string(), (dir / "stall").string() + ":" + std::getenv("PATH"));
    ASSERT_TRUE(WaitUntil([&] { return !ReadAll(dir / "stall/pid").empty(); })) << Err();
    const pid_t ffmpeg = std::atoi(ReadAll(dir / "stall/pid").c_str());
    GroupsKilledAtEnd cleanup{{ffmpeg}};
    const auto signalled = std::chrono::steady_clock::now();
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 30), 143) << Err();
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(OrvFfmpegPipe::kIdleMs - 2000));
    EXPECT_FALSE(GroupAlive(ffmpeg)) << "the stalled ffmpeg outlived the capture";
    EXPECT_FALSE(fs::exists(stalled));
    noTemporaryFiles();
}

// An ffmpeg that takes every frame and then never ends: given up on (and
// ended, with what it started) once it has done nothing for the idle limit,
// or at once at a second stop signal; nothing of the capture stays.
TEST_F(CaptureTest, AnFfmpegThatNeverFinishesIsGivenUpOn)
{
    fs::create_directories(dir / "stuck");
    std::ofstream(dir / "stuck/ffmpeg") << "#!/bin/sh\necho $$ > " << (dir / "stuck/pid").string()
                                         << "\n/usr/bin/cat > /dev/null\necho > " << (dir / "stuck/read").string()
                                         << "\nsleep 600\n";
    fs::permissions(dir / "stuck/ffmpeg", fs::perms::owner_all);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    for (const bool twice : {false, true}) {
        fs::remove(dir / "stuck/pid");
        fs::remove(dir / "stuck/read");
        const pid_t pid = StartProgram(ORV_CAPTURE_RUN, {"--capture", (out / "h.mp4").string(), "--frames", "5", "--size", "64x48"},
                                       ORV_DATA_DIR, (dir / "err").string(), [this] {
                                           setpgid(0, 0);
                                           setenv("PATH", ((dir / "stuck").string() + ":" + std::getenv("PATH")).c_str(), 1);
                                       });
        GroupsKilledAtEnd cleanup{{pid}};
        // Every frame taken: the capture waits for it to finish.
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(dir / "stuck/read"); })) << Err();
        const pid_t ffmpeg = std::atoi(ReadAll(dir / "stuck/pid").c_str());
        cleanup.groups.push_back(ffmpeg);
        const auto start = std::chrono::steady_clock::now();
        if (twice) {
            kill(pid, SIGINT);
            ASSERT_TRUE(WaitUntil([&] { return Err().find("stop again to give up") != std::string::npos; })) << Err();
            kill(pid, SIGINT);
            EXPECT_EQ(WaitExit(pid, 30), 130) << Err();
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(OrvFfmpegPipe::kIdleMs));
            EXPECT_NE(Err().find("interrupted by SIGINT after 5 frames; stopped again while ffmpeg was finishing"),
                      std::string::npos) << Err();
        } else {
            EXPECT_EQ(WaitExit(pid, 60), 1) << Err();
            EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(OrvFfmpegPipe::kIdleMs));
            EXPECT_NE(Err().find("capture failed: ffmpeg did nothing for 10 s"), std::string::npos) << Err();
        }
        EXPECT_FALSE(GroupAlive(ffmpeg)) << "the stuck ffmpeg outlived the capture";
        EXPECT_EQ(Names(out), std::vector<std::string>{}) << Err();
    }
}

// Killed outright with its whole process group, a capture leaves nothing of
// its own: no temporaries beside a video, no parts' directory, no ffmpeg, and
// no PNG directory it made and had not filled.
TEST_F(CaptureTest, KilledOutrightWithItsGroupItLeavesNothing)
{
    fs::create_directories(dir / "bin");
    // (Its number is written once it has a frame's first byte: the capture knows it by then.)
    std::ofstream(dir / "bin/ffmpeg") << "#!/bin/sh\n/usr/bin/head -c 1 > /dev/null\necho $$ > "
                                      << (dir / "bin/pid").string() << "\n/usr/bin/cat > /dev/null\nsleep 600\n";
    fs::permissions(dir / "bin/ffmpeg", fs::perms::owner_all);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    const auto start = [&](const std::vector<std::string>& args) {
        return StartProgram(ORV_CAPTURE_RUN, args, ORV_DATA_DIR, (dir / "err").string(), [this] {
            setpgid(0, 0);
            setenv("PATH", ((dir / "bin").string() + ":" + std::getenv("PATH")).c_str(), 1);
        });
    };
    // A video: its music and video temporaries, and an ffmpeg of its own.
    pid_t pid = start({"--capture", (out / "v.mp4").string(), "--frames", "3000", "--size", "160x120"});
    GroupsKilledAtEnd cleanup{{pid}};
    ASSERT_TRUE(WaitUntil([&] { return !ReadAll(dir / "bin/pid").empty(); })) << Err();
    const pid_t ffmpeg = std::atoi(ReadAll(dir / "bin/pid").c_str());
    cleanup.groups.push_back(ffmpeg);
    kill(-pid, SIGKILL);
    EXPECT_EQ(WaitExit(pid, 30), 137);
    EXPECT_TRUE(WaitUntil([&] { return Names(out).empty() && !GroupAlive(ffmpeg); }, 10))
        << "left: " << testing::PrintToString(Names(out));
    EXPECT_FALSE(GroupAlive(ffmpeg)) << "ffmpeg outlived the capture";

    // --jobs 2 into a PNG directory it makes: the parts and their frames go, and so does the directory.
    const fs::path frames = out / "new/frames";
    pid = start({"--capture", frames.string() + "/", "--jobs", "2", "--frames", "3000", "--size", "160x120"});
    cleanup.groups.push_back(pid);
    ASSERT_TRUE(WaitUntil([&] { return PartsRendered(frames, 1); })) << Err();
    kill(-pid, SIGKILL);
    EXPECT_EQ(WaitExit(pid, 30), 137);
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(out / "new"); }, 10)) << "left: " << testing::PrintToString(Names(out));
    EXPECT_EQ(Names(out), std::vector<std::string>{});
}

// A capture that starts in the middle draws exactly the frames a full capture
// draws there, and has the same music from that point: starts at scenes'
// beginnings, one inside each of the six scenes (past the first frames, which
// set state the later ones keep), one on a scene boundary, one in the middle of
// a tick, and an end.
TEST_F(CaptureTest, RangeCaptureHasTheFullCapturesFramesAndMusic)
{
    const auto hashes = [&](OrvCapture& capture) {
        std::vector<uint64_t> out;
        capture.onFrame = [&out](int64_t, const unsigned char* rgb) {
            uint64_t h = 1469598103934665603ull;
            for (int i = 0; i < 48 * 36 * 3; ++i)
                h = (h ^ rgb[i]) * 1099511628211ull;
            out.push_back(h);
        };
        EXPECT_EQ(capture.Run(), 0);
        return out;
    };
    OrvCapture full(Options("full", -1, 48, 36, 10));
    const std::vector<uint64_t> all = hashes(full);
    const std::string fullMusic = ReadAll(dir / "full/music.wav");
    ASSERT_GT(all.size(), 1300u);

    struct Range {
        const char* start;
        const char* end;
        int64_t first;  // the full capture's frame the range begins with (frame i at i / 10 s)
    };
    const Range ranges[] = {{"3", "", 0},       {"2.5", "", 25},    {"Tunneli", "", 0},  {"12.3", "", 123},
                            {"kylpyla", "", 0}, {"50.05", "", 501}, {"1:05", "", 650},   {"insane", "Kaupunki", 0},
                            {"100", "", 1000},  {"6", "", 0},       {"110", "", 1100}};
    for (const Range& r : ranges) {
        OrvOptions o = Options(std::string("range-") + r.start, 8, 48, 36, 10);
        ASSERT_TRUE(OrvParseShowPoint(r.start, &o.start));
        if (*r.end) {
            ASSERT_TRUE(OrvParseShowPoint(r.end, &o.end));
        }
        OrvCapture range(o);
        const std::vector<uint64_t> part = hashes(range);
        // A scene start is where the full capture's scene list says it is.
        int64_t first = r.first;
        for (const OrvSceneStart& s : full.SceneStarts())
            if (o.start.scene >= 0 && s.scene == OrvSceneNames[o.start.scene])
                first = s.frame;
        ASSERT_EQ(part.size(), 8u) << r.start;
        for (size_t i = 0; i < part.size(); ++i)
            EXPECT_EQ(part[i], all[first + i]) << "--start " << r.start << ": frame " << i << " differs";

        // The music from the same point, sample for sample after the header.
        const std::string music = ReadAll(dir / (std::string("range-") + r.start) / "music.wav");
        const size_t from = 44 + static_cast<size_t>(first) * 4800 * 4;
        ASSERT_GT(music.size(), 44u);
        size_t same = 44;
        while (same < music.size() && from + same - 44 < fullMusic.size() && music[same] == fullMusic[from + same - 44])
            ++same;
        EXPECT_EQ(same, music.size()) << "--start " << r.start << ": the music differs from the full capture's";
    }
    // --end at a scene stops before its first frame.
    OrvOptions o = Options("to-insane", -1, 48, 36, 10);
    ASSERT_TRUE(OrvParseShowPoint("kylpyla", &o.start));
    ASSERT_TRUE(OrvParseShowPoint("insane", &o.end));
    OrvCapture toInsane(o);
    EXPECT_EQ(static_cast<int64_t>(hashes(toInsane).size()),
              full.SceneStarts()[3].frame - full.SceneStarts()[2].frame);
}

// --jobs renders ranges in processes of their own and joins them: the PNG
// frames are the single capture's bit for bit, and the video has the same
// frames (by count, and by PSNR against the single capture's video).
TEST_F(CaptureTest, ParallelCaptureJoinsToTheSingleCapturesFrames)
{
    const std::string common = " --size 64x48 --frames 45 --start Tunneli";
    ASSERT_EQ(Run("--capture " + (dir / "one").string() + "/" + common), 0) << Err();
    // A directory name as long as a name can be: the parts' own names must still fit.
    const fs::path three = dir / std::string(250, 't');
    ASSERT_EQ(Run("--capture " + three.string() + "/ --jobs 3" + common), 0) << Err();
    std::vector<std::string> names = Names(dir / "one");
    ASSERT_EQ(names.size(), 46u);  // and music.wav
    EXPECT_EQ(Names(three), names);
    for (const std::string& name : names)
        EXPECT_EQ(ReadAll(dir / "one" / name), ReadAll(three / name)) << name;
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"err", "one", three.filename().string()}));

    if (!OrvFindProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_EQ(Run("--capture " + (dir / "one.mkv").string() + common), 0) << Err();
    ASSERT_EQ(Run("--capture " + (dir / "two.mkv").string() + " --jobs 2" + common), 0) << Err();
    // PSNR over every frame; "inf" where they are equal.
    const int close = Shell("ffmpeg -nostats -i " + (dir / "one.mkv").string() + " -i " + (dir / "two.mkv").string() +
                            " -lavfi psnr -f null - 2>&1 | grep -Eq 'average:(inf|[5-9][0-9]|[1-9][0-9]{2})'");
    EXPECT_EQ(close, 0) << "the joined video's frames differ from the single capture's";
    const std::string count = "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                              "-of csv=p=0 ";
    EXPECT_EQ(Shell("test \"$(" + count + (dir / "one.mkv").string() + ")\" = 45 && test \"$(" + count +
                    (dir / "two.mkv").string() + ")\" = 45"),
              0);
}

namespace {

// Lines of `text` that contain `part`.
std::vector<std::string> LinesWith(const std::string& text, const std::string& part)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.find(part) != std::string::npos)
            lines.push_back(line);
    return lines;
}

std::string FrameFile(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", index);
    return name;
}

// The parts' working directory inside a PNG target, once its first part has `frames` frames.
bool PartsRendered(const fs::path& target, int frames)
{
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(target, ec))
        if (e.path().filename().string().rfind(".orvdemo-", 0) == 0 &&
            fs::exists(e.path() / "0" / FrameFile(frames)))
            return true;
    return false;
}

}  // namespace

// What the parts of a --jobs capture say reaches the user as a single capture
// says it: each notice once, and a part's failure in its own words (or the
// signal that ended it), naming nothing that is gone by the time it is read.
TEST_F(CaptureTest, ParallelCapturePassesOnWhatItsPartsSay)
{
    const fs::path data = dir / "data";
    fs::create_directories(data);
    for (const auto& e : fs::directory_iterator(ORV_DATA_DIR))
        if (e.is_regular_file())
            fs::copy_file(e.path(), data / e.path().filename());
    fs::resize_file(data / "kylpyla.3ds", 3000);
    fs::resize_file(data / "vesi.bmp", 100);
    const std::string common = " --size 160x120 --frames 12 >/dev/null 2>" + (dir / "err").string();
    ASSERT_EQ(Shell("cd " + data.string() + " && " ORV_CAPTURE_RUN " --capture " + (dir / "one").string() + "/" + common), 0);
    const std::vector<std::string> notices = LinesWith(Err(), "; the bath hall scene");
    ASSERT_EQ(notices.size(), 2u) << Err();
    ASSERT_EQ(Shell("cd " + data.string() + " && " ORV_CAPTURE_RUN " --capture " + (dir / "three").string() +
                    "/ --jobs 3" + common),
              0);
    EXPECT_EQ(LinesWith(Err(), "; the bath hall scene"), notices) << Err();

    // A line break in the target's name splits no part's message into a stray line.
    ASSERT_EQ(Run("--capture '" + (dir / "nl\ndir").string() + "/' --jobs 2 --size 64x48 --frames 6"), 0) << Err();
    EXPECT_EQ(Err().find(".orvdemo-"), std::string::npos) << Err();
    EXPECT_EQ(Names(dir / "nl\ndir").size(), 7u);

    // Files may not grow past 4 KB: every part fails on its first frame.
    const fs::path small = dir / "small";
    EXPECT_EQ(Run("--capture " + small.string() + "/ --jobs 2 --size 160x120 --start Tunneli --frames 40",
                  "trap '' XFSZ; ulimit -f 8;"),
              1);
    EXPECT_NE(Err().find("failed: cannot write its frames in " + small.string() + ": File too large; nothing written"),
              std::string::npos)
        << Err();
    EXPECT_EQ(Err().find(".orvdemo-"), std::string::npos) << Err();

    // A part killed outright.
    const pid_t pid = StartProgram(ORV_CAPTURE_RUN, {"--capture", (dir / "killed").string() + "/", "--jobs", "2",
                                                     "--size", "160x120", "--frames", "3000"},
                                   ORV_DATA_DIR, (dir / "err").string());
    for (int i = 0; i < 300 && !PartsRendered(dir / "killed", 1); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Shell("pkill -KILL -n -P " + std::to_string(pid) + " -f nosound"), 0);
    EXPECT_EQ(WaitExit(pid, 30), 1);
    EXPECT_NE(Err().find("failed: killed by signal 9 (SIGKILL); nothing written"), std::string::npos) << Err();
    // The directories they made are gone again: nothing was left in them.
    EXPECT_FALSE(fs::exists(dir / "killed"));
    EXPECT_FALSE(fs::exists(small));
}

// A --jobs capture stopped by a signal keeps, as a single capture does, the
// frames made from the first on (as far as they run without a gap), as PNG
// frames or a playable video; killed outright, it takes its parts and their
// frames with it.
TEST_F(CaptureTest, ParallelCaptureEndsLikeASingleCapture)
{
    const auto start = [&](const fs::path& out) {
        return StartProgram(ORV_CAPTURE_RUN, {"--capture", out.string(), "--jobs", "2", "--size", "160x120", "--frames", "3000"},
                            ORV_DATA_DIR, (dir / "err").string(), [] { setpgid(0, 0); });
    };
    const auto kept = [&] {
        const size_t at = Err().find("after ");
        return at == std::string::npos ? -1 : std::atoi(Err().c_str() + at + 6);
    };
    const fs::path cut = dir / "cut";
    pid_t pid = start(cut.string() + "/");
    for (int i = 0; i < 300 && !PartsRendered(cut, 10); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 30), 143) << Err();
    const int frames = kept();
    ASSERT_GE(frames, 10) << Err();
    std::vector<std::string> expected;
    for (int i = 0; i < frames; ++i)
        expected.push_back(FrameFile(i));
    expected.push_back("music.wav");
    EXPECT_EQ(Names(cut), expected) << Err();
    EXPECT_EQ(fs::file_size(cut / "music.wav"), 44u + (frames * 48000u + 29) / 30 * 4);

    // Killed outright: no part runs on, no frame stays.
    const fs::path gone = dir / "gone";
    pid = start(gone.string() + "/");
    for (int i = 0; i < 300 && !PartsRendered(gone, 1); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGKILL);
    EXPECT_EQ(WaitExit(pid, 30), 137);
    // The parts are in the capture's process group; the directory it made goes with the frames.
    EXPECT_TRUE(WaitUntil([&] { return !GroupAlive(pid); }, 10)) << "a part outlived the capture";
    EXPECT_TRUE(WaitUntil([&] { return !fs::exists(gone); }, 10));

    if (!OrvFindProgram("ffprobe"))
        GTEST_SKIP() << "ffmpeg is not installed";
    const fs::path video = dir / "cut.mkv";
    pid = start(video);
    for (int i = 0; i < 300 && !PartsRendered(dir, 10); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    kill(pid, SIGINT);
    EXPECT_EQ(WaitExit(pid, 60), 130) << Err();
    EXPECT_EQ(Shell("test \"$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
                    "-of csv=p=0 " + video.string() + ")\" = " + std::to_string(kept())),
              0)
        << Err();
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"cut", "cut.mkv", "err"}));
}

namespace {

// Pixels left black by a plain frame next to a lit one, that a smoothed frame lights:
// the partly covered pixels along the sky line, which only anti-aliasing can colour.
int EdgeBlends(const std::vector<unsigned char>& plain, const std::vector<unsigned char>& smooth, int w, int h)
{
    auto black = [&](const std::vector<unsigned char>& f, int x, int y) {
        const unsigned char* p = &f[(size_t(y) * w + x) * 3];
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    };
    int blends = 0;
    for (int y = 1; y + 1 < h; ++y)
        for (int x = 1; x + 1 < w; ++x)
            if (black(plain, x, y) && !black(smooth, x, y) &&
                (!black(plain, x - 1, y) || !black(plain, x + 1, y) || !black(plain, x, y - 1) ||
                 !black(plain, x, y + 1)))
                ++blends;
    return blends;
}

}  // namespace

TEST_F(CaptureTest, SamplesAndSupersampleSmoothTheEdgesOnlyWhenAsked)
{
    // The city's first frame: buildings against a black sky.
    auto capture = [&](const std::string& name, int width, int height, int samples, int k) {
        OrvOptions o = Options(name, 1, width, height);
        EXPECT_TRUE(OrvParseShowPoint("Kaupunki", &o.start));
        o.samples = samples;
        o.supersample = k;
        std::vector<unsigned char> frame;
        OrvCapture c(o);
        c.onFrame = [&](int64_t, const unsigned char* rgb) { frame.assign(rgb, rgb + width * height * 3); };
        EXPECT_EQ(c.Run(), 0) << name;
        EXPECT_EQ(frame.size(), size_t(width) * height * 3) << name;
        return frame;
    };
    const std::vector<unsigned char> plain = capture("plain", 160, 120, 0, 1);
    const std::vector<unsigned char> multi = capture("multi", 160, 120, 4, 1);
    const std::vector<unsigned char> super = capture("super", 160, 120, 0, 2);
    const std::vector<unsigned char> large = capture("large", 320, 240, 0, 1);
    ASSERT_FALSE(plain.empty());

    bool driverMultisamples = false;
    {
        OrvOffscreen probe(8, 8);
        driverMultisamples = probe.Ok() && probe.Multisample(4) > 0;
    }
    if (driverMultisamples)
        EXPECT_GE(EdgeBlends(plain, multi, 160, 120), 10) << "--samples 4 left the sky line hard";
    else
        EXPECT_TRUE(multi == plain) << "without multisampling on offer --samples must change nothing";
    EXPECT_GE(EdgeBlends(plain, super, 160, 120), 10) << "--supersample 2 left the sky line hard";
    // The supersampled frame is the twice-as-large frame averaged 2x2, exactly.
    std::vector<unsigned char> shrunk(plain.size());
    OrvBoxShrink(large.data(), 160, 120, 2, shrunk.data());
    EXPECT_TRUE(super == shrunk) << "--supersample 2 is not the 2x2 average of the 320x240 frame";
    // Rounding to nearest: a 2x2 block of 0, 0, 1, 2 averages 0.75, which is 1.
    const unsigned char block[12] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 2, 2, 2};
    unsigned char one[3] = {9, 9, 9};
    OrvBoxShrink(block, 1, 1, 2, one);
    EXPECT_EQ(one[0], 1);
}
