// The music rendered to WAV for the capture.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "framework/music_wav.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t LE(const std::string& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(b[at + i]);
    return v;
}

// Largest absolute sample among the stereo frames [first, first + count).
int Peak(const std::string& wav, int64_t first, int64_t count)
{
    int peak = 0;
    for (int64_t i = first * 2; i < (first + count) * 2; ++i) {
        int16_t s;
        std::memcpy(&s, wav.data() + 44 + 2 * i, 2);
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    return peak;
}

double ModuleSeconds(const fs::path& path)
{
    const std::string bytes = ReadAll(path);
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!mod)
        return 0;
    const double seconds = openmpt_module_get_duration_seconds(mod);
    openmpt_module_destroy(mod);
    return seconds;
}

const fs::path kWav = fs::temp_directory_path() / ("orv-music-wav-" + std::to_string(getpid()) + ".wav");

}  // namespace

TEST(MusicWav, MissingModuleGivesSilenceOfTheAskedLength)
{
    std::string error;
    bool loaded = true;
    ASSERT_TRUE(OrvWriteMusicWav("/nonexistent/Tuvari.xm", kWav, 4801, &error, &loaded)) << error;
    EXPECT_FALSE(loaded);
    const std::string wav = ReadAll(kWav);
    fs::remove(kWav);
    ASSERT_EQ(wav.size(), 44u + 4801 * 4);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(LE(wav, 4, 4), wav.size() - 8);
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(LE(wav, 20, 2), 1u);       // PCM
    EXPECT_EQ(LE(wav, 22, 2), 2u);       // stereo
    EXPECT_EQ(LE(wav, 24, 4), 48000u);   // rate
    EXPECT_EQ(LE(wav, 28, 4), 192000u);  // bytes per second
    EXPECT_EQ(LE(wav, 34, 2), 16u);      // bits
    EXPECT_EQ(wav.substr(36, 4), "data");
    EXPECT_EQ(LE(wav, 40, 4), 4801u * 4);
    EXPECT_EQ(Peak(wav, 0, 4801), 0);
}

TEST(MusicWav, ModuleKeepsPlayingPastItsEndLikeTheLivePlayer)
{
    const fs::path module = fs::path(ORV_DATA_DIR) / "Tuvari.xm";
    const double seconds = ModuleSeconds(module);
    ASSERT_GT(seconds, 1.0) << module << " is missing or unreadable (build the data target)";
    const int64_t frames = static_cast<int64_t>((seconds + 3) * OrvMusicWavRate);
    std::string error;
    bool loaded = false;
    ASSERT_TRUE(OrvWriteMusicWav(module, kWav, frames, &error, &loaded)) << error;
    EXPECT_TRUE(loaded);
    const std::string wav = ReadAll(kWav);
    fs::remove(kWav);
    ASSERT_EQ(wav.size(), 44u + static_cast<size_t>(frames) * 4);
    EXPECT_GT(Peak(wav, 0, 2 * OrvMusicWavRate), 1000) << "the first two seconds are silent";
    EXPECT_GT(Peak(wav, frames - 2 * OrvMusicWavRate, 2 * OrvMusicWavRate), 1000)
        << "silent after the end of the song: the module did not loop";
}

TEST(MusicWav, UnwritableOrFullDestinationIsAnError)
{
    for (const char* path : {"/nonexistent/music.wav", "/dev/full"}) {
        std::string error;
        EXPECT_FALSE(OrvWriteMusicWav("/nonexistent/Tuvari.xm", path, 48000, &error)) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
}
