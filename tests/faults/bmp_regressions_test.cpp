// Replays the texture files kept from fuzzing (fuzz/regressions/bmp) through
// OlvarMaterial: "valid-*" files must load, "broken-*" files must be refused,
// and whatever loads must describe exactly the image GL received.
#include <GL/gl.h>
#include <sys/stat.h>

#include <string>
#include <vector>

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
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        OlvarMaterial material(path.c_str());
        const bool loaded = material.Pixels() != nullptr;
        if (StartsWith(name, "valid-")) {
            EXPECT_TRUE(loaded);
        }
        if (StartsWith(name, "broken-")) {
            EXPECT_FALSE(loaded);
        }
        if (loaded) {
            const int64_t row = (int64_t(material.Width()) * 3 + 3) / 4 * 4;
            EXPECT_LE(54 + row * material.Height(), st.st_size);
            EXPECT_EQ(LevelZero(GL_TEXTURE_WIDTH), material.Width());
            EXPECT_EQ(LevelZero(GL_TEXTURE_HEIGHT), material.Height());
        } else {
            EXPECT_EQ(LevelZero(GL_TEXTURE_WIDTH), 0);
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}
