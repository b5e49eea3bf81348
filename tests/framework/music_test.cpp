#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/music.h"

namespace {

// Little-endian byte writer for the module image.
struct Bytes {
    std::vector<uint8_t> data;
    void U8(int v) { data.push_back(static_cast<uint8_t>(v)); }
    void U16(int v) { U8(v & 0xFF); U8((v >> 8) & 0xFF); }
    void U32(uint32_t v) { U16(v & 0xFFFF); U16(v >> 16); }
    void Text(const std::string& s, size_t width)
    {
        for (size_t i = 0; i < width; ++i)
            U8(i < s.size() ? s[i] : 0);
    }
    void Zeros(size_t n) { data.insert(data.end(), n, 0); }
};

// A one-channel XM: one 16-row pattern (1.92 s) that plays C-4 on row 0 with one
// instrument whose 16-bit sample is a looped 64-point square wave; with
// `keyOff` the note is released on row 1, so only the first 120 ms sound.
std::vector<uint8_t> TinyXM(bool keyOff = false)
{
    Bytes b;
    b.Text("Extended Module: ", 17);
    b.Text("orv test", 20);
    b.U8(0x1A);
    b.Text("orv test writer", 20);
    b.U16(0x0104);
    b.U32(276);      // header size from here: 20 bytes of fields + 256 orders
    b.U16(1);        // song length
    b.U16(0);        // restart position
    b.U16(1);        // channels
    b.U16(1);        // patterns
    b.U16(1);        // instruments
    b.U16(1);        // linear frequency table
    b.U16(6);        // tempo
    b.U16(125);      // BPM
    b.Zeros(256);    // order table: pattern 0

    const int rows = 16;
    b.U32(9);
    b.U8(0);
    b.U16(rows);
    b.U16(3 + (rows - 1) + (keyOff ? 1 : 0));
    b.U8(0x83);      // packed: note and instrument follow
    b.U8(49);        // C-4
    b.U8(1);
    if (keyOff) {
        b.U8(0x81);  // packed: note follows
        b.U8(97);    // key off
    }
    for (int r = keyOff ? 2 : 1; r < rows; ++r)
        b.U8(0x80);  // empty row

    size_t instrumentStart = b.data.size();
    b.U32(263);
    b.Text("square", 22);
    b.U8(0);
    b.U16(1);        // one sample
    b.U32(40);       // sample header size
    b.Zeros(96 + 48 + 48 + 2 + 6 + 2 + 4 + 2);  // keymap, envelopes, their settings, vibrato, fadeout
    b.Zeros(263 - (b.data.size() - instrumentStart));

    const int points = 64;
    b.U32(points * 2);  // length in bytes
    b.U32(0);           // loop start
    b.U32(points * 2);  // loop length
    b.U8(64);           // volume
    b.U8(0);            // finetune
    b.U8(0x10 | 1);     // 16-bit, forward loop
    b.U8(128);          // panning
    b.U8(0);            // relative note
    b.U8(0);
    b.Text("square", 22);
    int16_t previous = 0;
    for (int i = 0; i < points; ++i) {
        int16_t value = i < points / 2 ? 16000 : -16000;
        b.U16(static_cast<uint16_t>(static_cast<int16_t>(value - previous)));
        previous = value;
    }
    return b.data;
}

std::string TempPath(const std::string& name)
{
    return ::testing::TempDir() + "orv_music_" + std::to_string(getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<float> ReadFloats(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> samples(raw.size() / sizeof(float));
    std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
    return samples;
}

// SDL's disk driver, writing what is played to `file`.
void UseDiskAudio(const std::string& file)
{
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
}

}  // namespace

TEST(OrvMusic, TinyModulePlaysNonSilentSamplesThroughTheDevice)
{
    std::string module = TempPath("tiny.xm");
    std::string played = TempPath("played.raw");
    WriteFile(module, TinyXM());
    UseDiskAudio(played);
    ::testing::internal::CaptureStdout();
    {
        OrvMusic music(module.c_str());
        EXPECT_TRUE(music.Playing());
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

    std::vector<float> samples = ReadFloats(played);
    ASSERT_GE(samples.size(), 2u * OrvMusic::kBufferFrames);
    size_t loud = 0;
    float peak = 0;
    for (float s : samples) {
        if (std::fabs(s) > 0.01f)
            ++loud;
        peak = std::max(peak, std::fabs(s));
    }
    EXPECT_GT(loud, samples.size() / 4) << "peak " << peak;
    EXPECT_LE(peak, 1.5f);
    std::remove(module.c_str());
    std::remove(played.c_str());
}

TEST(OrvMusic, RestartPlaysTheModuleFromItsBeginningAgain)
{
    std::string module = TempPath("short.xm");
    std::string played = TempPath("restarted.raw");
    WriteFile(module, TinyXM(true));
    UseDiskAudio(played);
    {
        OrvMusic music(module.c_str());
        ASSERT_TRUE(music.Playing());
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        music.Restart();
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    }
    // Loud stretches of the played stereo frames: the note at the start, and
    // again after the restart, long before the pattern would come round at 1.92 s.
    std::vector<float> samples = ReadFloats(played);
    std::vector<std::pair<size_t, size_t>> loud;
    size_t quiet = 0;
    for (size_t frame = 0; frame < samples.size() / 2; ++frame) {
        if (std::fabs(samples[2 * frame]) <= 0.01f) {
            ++quiet;
            continue;
        }
        if (loud.empty() || quiet > OrvMusic::kSampleRate / 10)
            loud.push_back({frame, frame});
        loud.back().second = frame;
        quiet = 0;
    }
    ASSERT_EQ(loud.size(), 2u) << samples.size() / 2 << " frames played";
    EXPECT_LT(loud[0].first, static_cast<size_t>(OrvMusic::kSampleRate / 10));
    EXPECT_GT(loud[1].first, static_cast<size_t>(OrvMusic::kSampleRate * 3 / 10));
    EXPECT_LT(loud[1].first, static_cast<size_t>(OrvMusic::kSampleRate * 3 / 2));
    std::remove(module.c_str());
    std::remove(played.c_str());
}

// --volume scales what is played; at 100 the samples are libopenmpt's own.
TEST(OrvMusic, VolumeScalesThePlayedSamples)
{
    std::string module = TempPath("volume.xm");
    WriteFile(module, TinyXM());
    float peaks[2] = {0, 0};
    const int volumes[2] = {100, 25};
    for (int i = 0; i < 2; ++i) {
        std::string played = TempPath("volume" + std::to_string(volumes[i]) + ".raw");
        UseDiskAudio(played);
        {
            OrvMusic music(module.c_str(), "", volumes[i]);
            ASSERT_TRUE(music.Playing());
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        for (float sample : ReadFloats(played))
            peaks[i] = std::max(peaks[i], std::fabs(sample));
        std::remove(played.c_str());
    }
    ASSERT_GT(peaks[0], 0.05f);
    EXPECT_NEAR(peaks[1] / peaks[0], 0.25f, 0.01f);
    std::remove(module.c_str());
}

// One way for the music to fail: a module file and the sound driver to use.
struct FailureCase {
    const char* what;
    std::string module;
    const char* driver;
    const char* device;
};

TEST(OrvMusic, EveryFailureIsSilentWithOneLineOnStderrAndNothingOnStdout)
{
    std::string good = TempPath("good.xm");
    std::string broken = TempPath("broken.xm");
    WriteFile(good, TinyXM());
    std::vector<uint8_t> cut = TinyXM();
    cut.resize(70);  // header cut short
    WriteFile(broken, cut);
    // Cut after its pattern, before the instrument and its sample: libopenmpt
    // still decodes it, but it could only ever play silence.
    std::string soundless = TempPath("soundless.xm");
    cut = TinyXM();
    cut.resize(cut.size() - 263 - 40 - 2 * 64);
    WriteFile(soundless, cut);
    const FailureCase cases[] = {
        {"missing file", "/nonexistent/Tuvari.xm", "disk", ""},
        {"unreadable module", broken, "disk", ""},
        {"module without sample data", soundless, "dummy", ""},
        {"no such driver", good, "no-such-driver", ""},
        {"no sound card (ALSA would print its own errors)", good, "alsa", "hw:99,0"},
        {"a named device that is not there", good, "dummy", "named"},
    };
    for (const FailureCase& c : cases) {
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        setenv("SDL_DISKAUDIOFILE", TempPath("unused.raw").c_str(), 1);
        const bool named = std::string(c.device) == "named";
        if (*c.device && !named)
            setenv("AUDIODEV", c.device, 1);
        else
            unsetenv("AUDIODEV");
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        bool playing = true;
        {
            OrvMusic music(c.module.c_str(), named ? "No Such Device" : "");
            playing = music.Playing();
        }
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << c.what;
        EXPECT_FALSE(playing) << c.what;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.what << ": " << err;
    }
    unsetenv("AUDIODEV");
    std::remove(good.c_str());
    std::remove(broken.c_str());
    std::remove(soundless.c_str());
}
