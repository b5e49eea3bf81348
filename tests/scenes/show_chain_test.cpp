// The GL state chain from scene to scene, played through the real schedule.
#include <GL/gl.h>
#include <stdlib.h>
#include <unistd.h>

#include <utility>

#include "render/keyframer.h"
#include "scenefile/loader3ds.h"
#include "scenes/insane.h"
#include "scenes/intro.h"
#include "scenes/kaupunki.h"
#include "scenes/scene_helpers.h"
#include "scenes/kylpyla.h"
#include "scenes/tunneli.h"
#include "scenes/womb.h"
#include "show_fixture.h"
#include "gl_state.h"

namespace {

const Vec4 kWhite{1, 1, 1, 1};

// Where a scene file's camera stands at `ticks`, read independently of the scene.
Vec4 CameraAt(const char* file, int32_t ticks)
{
    OlvarLoad3DS loader(file);
    OlvarKeyframer camera(&loader, "Camera01", true);
    const float* p = PositionAt(&camera, ticks);
    return {p[0], p[1], p[2], 1};
}

void ExpectSphereMapOn()
{
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_EQ(TexGenMode(GL_S), GL_SPHERE_MAP);
    EXPECT_EQ(TexGenMode(GL_T), GL_SPHERE_MAP);
}

void ExpectTexGenOff()
{
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
}

// Every scene ends its frame with the matrix stack as it found it and no rejected call.
void ExpectCleanFrame()
{
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(GetInt(GL_MODELVIEW_STACK_DEPTH), 1);
    EXPECT_EQ(GetInt(GL_MATRIX_MODE), GL_MODELVIEW);
}

}  // namespace

TEST_F(ShowTest, ConstructorsSetTheStateTheFirstSceneFinds)
{
    Start();
    ExpectSphereMapOn();
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_EQ(GetInt(GL_COLOR_MATERIAL_FACE), GL_FRONT);
    EXPECT_EQ(GetInt(GL_COLOR_MATERIAL_PARAMETER), GL_DIFFUSE);
    // Colour material is switched on before its face and parameter are chosen, so the
    // default ambient-and-diffuse tracking copies the white current colour into the ambient.
    ExpectVec4Near(FrontMaterial(GL_AMBIENT), kWhite, 0, "front ambient");
    EXPECT_EQ(GetInt(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(GetInt(GL_BLEND_DST), GL_ONE);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    // The last texture made is Kylpyla's water, built last of all.
    EXPECT_EQ(BoundTexture(), NameOf(driver->scenes.kylpyla->Texture(4)));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShowTest, EachSceneLeavesTheStateItsSuccessorFinds)
{
    Start();
    ShowDriver& d = *driver;
    {
        SCOPED_TRACE("Intro");
        d.RunOut(0, 40);
        ExpectTexGenOff();
        EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(BoundTexture(), NameOf(d.scenes.intro->Texture()));
        EXPECT_EQ(TexEnvMode(), GL_MODULATE);
        ExpectVec4Near(GetVec4(GL_CURRENT_COLOR), kWhite, 0, "current colour");
        GLfloat view[16] = {};
        glGetFloatv(GL_MODELVIEW_MATRIX, view);
        EXPECT_FLOAT_EQ(view[14], -20.0f) << "the eye 20 units out on the z axis";
        ExpectCleanFrame();
    }
    {
        SCOPED_TRACE("Tunneli");
        // Its first light goes through the view the Intro left: eye at (0, 0, 20).
        d.Frame(0);
        const Vec4 eye = CameraAt("tunneli.3ds", 0);
        ExpectVec4Near(Light0(GL_POSITION), {eye[0], eye[1], eye[2] - 20, 1}, 1e-3f,
                       "light through the Intro view");
        d.RunOut(1, 90);
        ExpectSphereMapOn();
        EXPECT_EQ(BoundTexture(), NameOf(d.scenes.tunneli->Texture()));
        EXPECT_EQ(TexEnvMode(), GL_MODULATE);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        ExpectVec4Near(GetVec4(GL_CURRENT_COLOR), kWhite, 0, "current colour");
        ExpectCleanFrame();
    }
    {
        SCOPED_TRACE("Kylpyla");
        d.RunOut(0, 120);
        ExpectSphereMapOn();
        EXPECT_TRUE(glIsEnabled(GL_BLEND));
        ExpectVec4Near(GetVec4(GL_CURRENT_COLOR), {0, 0, 1, 0.5f}, 0, "current colour");
        ExpectVec4Near(FrontMaterial(GL_AMBIENT), {0.11f, 0.11f, 0.54f, 1}, 1e-6f, "ambient");
        ExpectVec4Near(FrontMaterial(GL_SPECULAR), {0.89f, 0.9f, 0.9f, 1}, 1e-6f, "specular");
        EXPECT_EQ(BoundTexture(), NameOf(d.scenes.kylpyla->Texture(4)));
        EXPECT_EQ(TexEnvMode(), GL_MODULATE);
        ExpectCleanFrame();
    }
    {
        SCOPED_TRACE("Insane");
        d.RunOut(0, 120);
        EXPECT_EQ(TexEnvMode(), GL_BLEND);
        ExpectVec4Near(TexEnvColour(), {0.5f, 0.5f, 0.5f, 0.5f}, 0, "environment colour");
        EXPECT_FLOAT_EQ(FrontMaterial(GL_SHININESS)[0], 60.0f);
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
        EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
        GLboolean mask[4] = {};
        glGetBooleanv(GL_COLOR_WRITEMASK, mask);
        EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
        ExpectVec4Near(GetVec4(GL_CURRENT_COLOR), {0.3f, 1, 0.6f, 0.5f}, 0, "current colour");
        ExpectTexGenOff();
        EXPECT_EQ(BoundTexture(), NameOf(d.scenes.insane->Texture()));
        // Light 0 keeps OpenGL's default colours for the rest of the show.
        ExpectVec4Near(Light0(GL_DIFFUSE), kWhite, 0, "light diffuse");
        ExpectVec4Near(Light0(GL_AMBIENT), {0, 0, 0, 1}, 0, "light ambient");
        ExpectCleanFrame();
    }
    {
        SCOPED_TRACE("Kaupunki");
        d.RunOut(0, 120);
        EXPECT_EQ(BoundTexture(), NameOf(d.scenes.kaupunki->Texture(4)));
        ExpectVec4Near(FrontMaterial(GL_AMBIENT), {0.1f, 0.1f, 0.1f, 1}, 1e-6f, "ambient");
        ExpectVec4Near(FrontMaterial(GL_SPECULAR), {0.9f, 0.9f, 0.9f, 1}, 1e-6f, "specular");
        EXPECT_FLOAT_EQ(FrontMaterial(GL_SHININESS)[0], 60.0f);
        EXPECT_EQ(TexEnvMode(), GL_BLEND);
        ExpectTexGenOff();
        ExpectCleanFrame();
    }
    {
        SCOPED_TRACE("Womb");
        d.RunOut(0, 120);
        EXPECT_TRUE(d.show.Ended());
        ExpectSphereMapOn();
        EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(GetInt(GL_CULL_FACE_MODE), GL_BACK);
        EXPECT_EQ(BoundTexture(), NameOf(d.scenes.womb->Texture()));
        ExpectCleanFrame();
    }
}

// A working directory without a single data file.
class EmptyDirShowTest : public ShowTest {
protected:
    std::string DataDir() override
    {
        char pattern[] = "/tmp/orv-empty-XXXXXX";
        if (emptyDir.empty() && mkdtemp(pattern))
            emptyDir = pattern;
        return emptyDir;
    }
    void TearDown() override
    {
        ShowTest::TearDown();
        if (!emptyDir.empty())
            rmdir(emptyDir.c_str());
    }
    std::string emptyDir;
};

TEST_F(EmptyDirShowTest, MissingDataFilesLeaveTheShowRunning)
{
    Start();
    ShowDriver& d = *driver;
    for (const OrvScheduleEntry& entry : d.show.Entries()) {
        SCOPED_TRACE(entry.name);
        EXPECT_FALSE(d.Frame(0));
        EXPECT_TRUE(d.Frame(entry.limit + 1));
        ExpectCleanFrame();
    }
    EXPECT_TRUE(d.show.Ended());
}

namespace {

// How many of the first GL names are live display lists and textures.
std::pair<int, int> LiveListsAndTextures()
{
    int lists = 0, textures = 0;
    for (GLuint name = 1; name <= 64; ++name) {
        lists += glIsList(name) == GL_TRUE;
        textures += glIsTexture(name) == GL_TRUE;
    }
    return {lists, textures};
}

}  // namespace

TEST_F(ShowTest, DestroyingTheScenesFreesEveryListAndTexture)
{
    Start();
    driver->RunOut(0, 300);
    // Lists: Tunneli 1, Kylpyla 5, Insane 3, Kaupunki 1; one texture per picture file.
    EXPECT_EQ(LiveListsAndTextures(), std::make_pair(10, 14));
    driver.reset();
    EXPECT_EQ(LiveListsAndTextures(), std::make_pair(0, 0));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

namespace {

// The current modelview matrix applied to a point.
Vec4 ThroughModelview(const Vec4& p)
{
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    Vec4 out{};
    for (int row = 0; row < 4; ++row)
        out[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row] * p[3];
    return out;
}

}  // namespace

TEST_F(ShowTest, KeyframedScenesPlaceTheLightThroughThePreviousFramesView)
{
    Start();
    ShowDriver& d = *driver;
    const struct {
        const char* scene;
        const char* file;
    } keyframed[] = {{"Tunneli", "tunneli.3ds"}, {"Kylpyla", "kylpyla.3ds"},
                     {"Kaupunki", "kaupunki.3ds"}};
    for (const auto& k : keyframed) {
        SCOPED_TRACE(k.scene);
        d.SkipTo(k.scene);
        // First frame through the view the previous scene left, the next through its own.
        for (int32_t tick : {0, 300}) {
            const Vec4 expected = ThroughModelview(CameraAt(k.file, tick));
            d.Frame(tick);
            ExpectVec4Near(Light0(GL_POSITION), expected, 1e-2f, "light 0");
        }
    }
}
