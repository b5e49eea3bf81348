// Rendering through libopenmpt and the WAV files made from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/files.h"
#include "tools/assetgen/music/render_wav.h"
#include "tools/assetgen/music/song.h"

namespace {

using namespace assetgen;

uint32_t LE(const std::string& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(b[at + i]);
    return v;
}

const std::string kDir = std::string(ORV_BINARY_DIR) + "/render_wav_test";

TEST(RenderWav, HeaderSizesMatchTheDataAndSamplesClampAtFullScale)
{
    std::filesystem::create_directories(kDir);
    const std::string path = kDir + "/three.wav";
    ASSERT_TRUE(music::WriteWav(path, {0.0f, 1.5f, -1.0f, 0.5f, -2.0f, 0.25f}, 48000));
    const std::string b = ReadAll(path);
    ASSERT_EQ(b.size(), 44u + 12u);
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(LE(b, 4, 4), b.size() - 8);
    EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(LE(b, 20, 2), 1u);  // PCM
    EXPECT_EQ(LE(b, 22, 2), 2u);
    EXPECT_EQ(LE(b, 24, 4), 48000u);
    EXPECT_EQ(LE(b, 28, 4), 48000u * 4);
    EXPECT_EQ(LE(b, 32, 2), 4u);
    EXPECT_EQ(LE(b, 34, 2), 16u);
    EXPECT_EQ(b.substr(36, 4), "data");
    EXPECT_EQ(LE(b, 40, 4), 12u);
    const int16_t expected[6] = {0, 32767, -32767, 16384, -32767, 8192};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(static_cast<int16_t>(LE(b, 44 + 2 * i, 2)), expected[i]) << "sample " << i;
    std::filesystem::remove_all(kDir);
}

TEST(RenderWav, UnreadableOrInvalidModulesFailWithAMessage)
{
    const music::Render missing = music::RenderFileToWav(kDir + "/none.xm", kDir + "/none.wav", 1);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.log.find("none.xm"), std::string::npos) << missing.log;
    EXPECT_FALSE(std::filesystem::exists(kDir + "/none.wav"));

    const music::Render garbage = music::RenderModule(std::vector<uint8_t>(300, 0x5A), 1);
    EXPECT_FALSE(garbage.ok);
    EXPECT_FALSE(garbage.log.empty());
    EXPECT_EQ(garbage.frames(), 0u);
}

TEST(RenderWav, StopsAtTheAskedLengthAndMeasuresIt)
{
    const music::Render r = music::RenderModule(xm::WriteXm(song::Compose()), 2.0);
    ASSERT_TRUE(r.ok) << r.log;
    EXPECT_EQ(r.frames(), 2u * music::kRenderRate);
    EXPECT_GT(r.levels.rms, 0.0);
    EXPECT_GE(r.levels.peak, r.levels.rms);
    const music::Levels second = music::MeasureLevels(r.stereo, music::kRenderRate, music::kRenderRate);
    EXPECT_LE(second.peak, r.levels.peak);
    EXPECT_NEAR(music::Decibels(0.5), -6.02, 0.01);
}

}  // namespace
