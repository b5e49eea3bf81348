#include <GL/gl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "framework/offscreen.h"
#include "render/material.h"
#include "support/gl_context.h"

// Every allocation in this test program goes through here, so a test can see
// the largest block a file made the reader ask for. (GCC takes the malloc/free
// pairs behind the replaced operators for mismatched ones.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
static std::atomic<size_t> largestAllocation{0};

static void NoteAllocation(size_t n)
{
    size_t seen = largestAllocation.load();
    while (n > seen && !largestAllocation.compare_exchange_weak(seen, n)) {
    }
}

void* operator new(size_t n)
{
    NoteAllocation(n);
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    NoteAllocation(n);
    return std::malloc(n ? n : 1);
}
void* operator new[](size_t n, const std::nothrow_t& tag) noexcept { return operator new(n, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

struct BmpSpec {
    int32_t width = 4;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bits = 24;
    uint32_t dataOffset = 54;
    uint32_t compression = 0;
    std::vector<uint8_t> pixels;
    size_t cutAt = SIZE_MAX;  // file length, when shorter than the whole
};

void Put(std::vector<uint8_t>& bytes, size_t at, uint32_t v, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Pixel bytes 10, 20, 30, 40, ... wrapping at 250.
std::vector<uint8_t> Ramp(size_t n)
{
    std::vector<uint8_t> pixels(n);
    for (size_t i = 0; i < n; ++i)
        pixels[i] = static_cast<uint8_t>(10 * (i % 25 + 1));
    return pixels;
}

std::string WriteBmp(const BmpSpec& spec)
{
    std::vector<uint8_t> bytes(54, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put(bytes, 2, static_cast<uint32_t>(54 + spec.pixels.size()), 4);
    Put(bytes, 10, spec.dataOffset, 4);
    Put(bytes, 14, 40, 4);
    Put(bytes, 18, static_cast<uint32_t>(spec.width), 4);
    Put(bytes, 22, static_cast<uint32_t>(spec.height), 4);
    Put(bytes, 26, spec.planes, 2);
    Put(bytes, 28, spec.bits, 2);
    Put(bytes, 30, spec.compression, 4);
    bytes.insert(bytes.end(), spec.pixels.begin(), spec.pixels.end());
    if (spec.cutAt < bytes.size())
        bytes.resize(spec.cutAt);
    static int serial = 0;
    const std::string path = ::testing::TempDir() + "material_test_" + std::to_string(++serial) + ".bmp";
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

GLint BoundTexture()
{
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint LevelWidth(int level)
{
    GLint width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
    return width;
}

// The bound texture's level 0 as tightly packed RGB bytes.
std::vector<uint8_t> ReadTexture(int width, int height)
{
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return rgb;
}

}  // namespace

using MaterialTest = GLTest;

TEST_F(MaterialTest, StoredBytesBecomeTexelsWithoutSwapOrFlip)
{
    BmpSpec spec;
    spec.pixels = Ramp(4 * 2 * 3);
    OlvarMaterial material(WriteBmp(spec).c_str());
    ASSERT_EQ(material.Width(), 4);
    ASSERT_EQ(material.Height(), 2);
    const std::vector<uint8_t> texels = ReadTexture(4, 2);
    EXPECT_EQ(texels[0], 10);  // red
    EXPECT_EQ(texels[1], 20);  // green
    EXPECT_EQ(texels[2], 30);  // blue
    EXPECT_EQ(texels, spec.pixels);  // first stored row is row t = 0
    EXPECT_EQ(std::vector<uint8_t>(material.Pixels(), material.Pixels() + 24), spec.pixels);
}

TEST_F(MaterialTest, LinearFiltersLevelZeroOnlyAndTexturingLeftOn)
{
    BmpSpec spec;
    spec.pixels = Ramp(24);
    OlvarMaterial material(WriteBmp(spec).c_str());
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(material.Name()));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint mag = 0, min = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    EXPECT_EQ(mag, GL_LINEAR);
    EXPECT_EQ(min, GL_LINEAR);
    EXPECT_EQ(LevelWidth(0), 4);
    EXPECT_EQ(LevelWidth(1), 0);
}

TEST_F(MaterialTest, BindSelectsTheTextureAndNothingElse)
{
    BmpSpec spec;
    spec.pixels = Ramp(24);
    const std::string path = WriteBmp(spec);
    OlvarMaterial first(path.c_str());
    OlvarMaterial second(path.c_str());
    EXPECT_NE(first.Name(), second.Name());
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(second.Name()));
    glDisable(GL_TEXTURE_2D);
    first.Bind();
    EXPECT_EQ(BoundTexture(), static_cast<GLint>(first.Name()));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(MaterialTest, PaddedRowsAreReadWithTheirPadding)
{
    BmpSpec spec;  // 2 pixels a row: 6 bytes stored in 8
    spec.width = 2;
    spec.pixels = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    OlvarMaterial material(WriteBmp(spec).c_str());
    ASSERT_EQ(material.Width(), 2);
    EXPECT_EQ(ReadTexture(2, 2), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(MaterialTest, PixelsComeFromOffset54WhateverTheHeaderSays)
{
    BmpSpec spec;
    spec.dataOffset = 138;
    spec.compression = 3;
    spec.pixels = Ramp(24 + 84);
    OlvarMaterial material(WriteBmp(spec).c_str());
    ASSERT_EQ(material.Width(), 4);
    const std::vector<uint8_t> texels = ReadTexture(4, 2);
    EXPECT_EQ(std::vector<uint8_t>(texels.begin(), texels.begin() + 3), (std::vector<uint8_t>{10, 20, 30}));
}

TEST_F(MaterialTest, BadFilesGiveAnEmptyTextureWithoutLargeAllocations)
{
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    ASSERT_GT(maxSide, 0);
    const size_t maxRow = (size_t(maxSide + 1) * 3 + 3) & ~size_t(3);
    struct Case {
        const char* what;
        BmpSpec spec;
    };
    std::vector<Case> cases = {
        {"8-bit", {4, 2, 1, 8, 54, 0, Ramp(24)}},
        {"32-bit", {4, 2, 1, 32, 54, 0, Ramp(32)}},
        {"two planes", {4, 2, 2, 24, 54, 0, Ramp(24)}},
        {"header cut short", {4, 2, 1, 24, 54, 0, {}, 30}},
        {"pixels cut short", {4, 2, 1, 24, 54, 0, Ramp(23)}},
        {"zero width", {0, 2, 1, 24, 54, 0, Ramp(24)}},
        {"negative width", {-4, 2, 1, 24, 54, 0, Ramp(24)}},
        {"negative height", {4, -2, 1, 24, 54, 0, Ramp(24)}},
        {"huge", {65536, 65536, 1, 24, 54, 0, Ramp(24)}},
        {"larger than the file", {maxSide, maxSide, 1, 24, 54, 0, Ramp(24)}},
        {"32-bit size wraps", {0x40000000, 4, 1, 24, 54, 0, Ramp(24)}},
        {"wider than GL takes", {maxSide + 1, 1, 1, 24, 54, 0, Ramp(maxRow)}},
    };
    for (const Case& c : cases) {
        const std::string path = WriteBmp(c.spec);
        largestAllocation = 0;
        OlvarMaterial material(path.c_str());
        // The file itself may be read whole; what its header claims is never allocated.
        EXPECT_LE(largestAllocation.load(), 4096u + 54 + c.spec.pixels.size()) << c.what;
        EXPECT_EQ(material.Width(), 0) << c.what;
        EXPECT_EQ(material.Pixels(), nullptr) << c.what;
        EXPECT_EQ(BoundTexture(), static_cast<GLint>(material.Name())) << c.what;
        EXPECT_EQ(LevelWidth(0), 0) << c.what;
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << c.what;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << c.what;
    }
    OlvarMaterial missing("/nonexistent/texture.bmp");
    EXPECT_EQ(missing.Pixels(), nullptr);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MaterialTest, DeletionTouchesOnlyTheContextThatMadeTheTexture)
{
    BmpSpec spec;
    spec.pixels = Ramp(24);
    const std::string path = WriteBmp(spec);
    auto first = std::make_unique<OlvarMaterial>(path.c_str());
    auto other = std::make_unique<OrvOffscreen>(16, 16);  // now current
    ASSERT_TRUE(other->Ok()) << other->Error();
    auto second = std::make_unique<OlvarMaterial>(path.c_str());
    ASSERT_EQ(first->Name(), second->Name());  // same name, separate objects
    first.reset();
    EXPECT_TRUE(glIsTexture(second->Name()));
    const GLuint name = second->Name();
    second.reset();
    EXPECT_FALSE(glIsTexture(name));

    auto orphan = std::make_unique<OlvarMaterial>(path.c_str());
    other.reset();
    gl.reset();
    orphan.reset();  // no context is current: nothing reaches GL
}
