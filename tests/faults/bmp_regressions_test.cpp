// Replays the texture files kept from fuzzing (fuzz/regressions/bmp) through
// the decoder, from their bytes, and through OlvarMaterial, from the file:
// "valid-*" files must decode, "broken-*" files must be refused, the texture
// loads exactly when its bytes decode, and whatever loads must describe
// exactly the image GL received.
#include <GL/gl.h>

#include <string>
#include <vector>

#include "render/bmp_image.h"
#include "render/material.h"
#include "support/files.h"
#include "support/gl_context.h"

namespace {

const std::string kRegressions = ORV_SOURCE_DIR "/fuzz/regressions/bmp";

std::vector<std::string> Inputs() { return DirectoryEntries(kRegressions); }

bool StartsWith(const std::string& s, const char* head) { return s.rfind(head, 0) == 0; }

GLint LevelZero(GLenum what)
{
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
    return value;
}

}  // namespace

class BmpRegressions : public GLTest {};

TEST_F(BmpRegressions, EveryKeptInputLoadsOrIsRefusedCleanly)
{
    const std::vector<std::string> inputs = Inputs();
    ASSERT_GE(inputs.size(), 2u) << kRegressions;
    for (const std::string& name : inputs) {
        SCOPED_TRACE(name);
        const std::string path = kRegressions + "/" + name;
        const std::string bytes = ReadAll(path);
        BmpImage image;
        const bool decoded = DecodeBMP(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
        if (StartsWith(name, "valid-")) {
            EXPECT_TRUE(decoded);
        }
        if (StartsWith(name, "broken-")) {
            EXPECT_FALSE(decoded);
        }
        if (decoded) {
            // A stored row is 24 bits a pixel rounded up to whole 32-bit words,
            // worked out here apart from the decoder's own arithmetic.
            const uint64_t row = (uint64_t(image.width) * 24 + 31) / 32 * 4;
            EXPECT_EQ(image.pixelBytes, row * uint64_t(image.height));
            EXPECT_LE(BmpImage::kPixelOffset + row * uint64_t(image.height), bytes.size());
        }
        OlvarMaterial material(path.c_str());
        const bool loaded = material.Pixels() != nullptr;
        EXPECT_EQ(loaded, decoded);
        if (loaded) {
            EXPECT_EQ(material.Width(), image.width);
            EXPECT_EQ(material.Height(), image.height);
            EXPECT_EQ(LevelZero(GL_TEXTURE_WIDTH), material.Width());
            EXPECT_EQ(LevelZero(GL_TEXTURE_HEIGHT), material.Height());
        } else {
            EXPECT_EQ(LevelZero(GL_TEXTURE_WIDTH), 0);
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}
