// The textures as files: valid 24-bit bitmaps our texture reader loads, stored
// red first and bottom row first, with real contrast; and the whole data set is
// the same from run to run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "generated.h"
#include "render/material.h"
#include "support/gl_context.h"
#include "tools/assetgen/textures.h"
#include "tools/assetgen/writer_bmp.h"

namespace {

const char* const kTextures[] = {"cola.bmp", "tunneli.bmp", "Sunset.bmp", "Benedeti.bmp", "Travertn.bmp",
                                 "Sponge2.bmp", "vesi.bmp", "insane.bmp", "Stoned02.bmp", "Groove1.bmp",
                                 "Crisscro.bmp", "Stoned00.bmp", "Stoned12.bmp", "womb.bmp"};

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; --k)
        v = (v << 8) | b[at + k];
    return v;
}

bool PowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

TEST(TextureFiles, EveryTextureIsAnUncompressed24BitPowerOfTwoBitmap)
{
    for (const char* name : kTextures) {
        SCOPED_TRACE(name);
        const auto b = assettest::ReadFile(assettest::GeneratedDir() + "/" + name);
        ASSERT_GE(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(Le(b, 2, 4), b.size());
        EXPECT_EQ(Le(b, 10, 4), 54u);
        EXPECT_EQ(Le(b, 14, 4), 40u);
        const uint32_t w = Le(b, 18, 4), h = Le(b, 22, 4);
        EXPECT_TRUE(PowerOfTwo(w) && PowerOfTwo(h)) << w << "x" << h;
        EXPECT_EQ(Le(b, 26, 2), 1u);
        EXPECT_EQ(Le(b, 28, 2), 24u);
        EXPECT_EQ(Le(b, 30, 4), 0u);
        EXPECT_EQ(b.size(), 54u + w * h * 3);
    }
}

TEST(TextureFiles, PixelsAreStoredRedFirstFromTheBottomRowUp)
{
    assetgen::Image image(4, 2);
    image.At(0, 1) = {1.0f, 0.5f, 0.0f};  // bottom-left as drawn
    image.At(3, 0) = {0.0f, 0.0f, 1.0f};  // top-right
    const auto b = assetgen::BuildBMP(image);
    ASSERT_EQ(b.size(), 54u + 4 * 2 * 3);
    EXPECT_EQ(b[54], 255);
    EXPECT_EQ(b[55], 128);
    EXPECT_EQ(b[56], 0);
    EXPECT_EQ(b[54 + 12 + 9 + 2], 255);
}

class TextureReader : public GLTest {};

TEST_F(TextureReader, ShowReaderLoadsEveryTextureAsWritten)
{
    for (const char* name : kTextures) {
        SCOPED_TRACE(name);
        const std::string path = assettest::GeneratedDir() + "/" + name;
        OlvarMaterial material(path.c_str());
        const auto b = assettest::ReadFile(path);
        ASSERT_EQ(material.Width(), 256);
        ASSERT_EQ(material.Height(), 256);
        ASSERT_NE(material.Pixels(), nullptr);
        EXPECT_EQ(0, std::memcmp(material.Pixels(), b.data() + 54, 256 * 256 * 3));
    }
}

TEST(TextureFiles, EveryTextureHasContrast)
{
    for (const auto& [name, image] : assetgen::MakeTextures()) {
        SCOPED_TRACE(name);
        double sum = 0, sum2 = 0;
        for (const auto& c : image.pixels) {
            const double l = 0.3 * std::clamp(c.r, 0.0f, 1.0f) + 0.59 * std::clamp(c.g, 0.0f, 1.0f) +
                             0.11 * std::clamp(c.b, 0.0f, 1.0f);
            sum += l;
            sum2 += l * l;
        }
        const double n = static_cast<double>(image.pixels.size());
        const double mean = sum / n, deviation = std::sqrt(std::max(0.0, sum2 / n - mean * mean));
        EXPECT_GT(mean, 0.12);
        EXPECT_LT(mean, 0.9);
        EXPECT_GT(deviation, 0.07);
    }
}

TEST(DataSet, TwoRunsWriteIdenticalBytes)
{
    const std::string a = assettest::GenerateInto("first"), b = assettest::GenerateInto("second");
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(a)) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        const auto first = assettest::ReadFile(entry.path().string());
        EXPECT_FALSE(first.empty());
        EXPECT_TRUE(first == assettest::ReadFile(b + "/" + name));
        ++files;
    }
    EXPECT_EQ(files, 19);
}

}  // namespace
