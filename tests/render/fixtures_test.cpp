// The render objects over the third-party scene files of the external corpus
// (skipped without one) and over the generated textures.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "render/keyframer.h"
#include "render/material.h"
#include "render/object.h"
#include "scene_image.h"
#include "support/corpus.h"
#include "support/gl_context.h"
#include "support/normals.h"

namespace {

const char* const kFixtures[] = {"TargetCameraAnim.3ds", "CameraRollAnimWithChildObject.3ds",
                                 "RotatingCube.3DS", "test1.3ds", "cubes_with_alpha.3DS"};

// The corpus directory when it holds every file above, else empty with `why` set.
std::string FixtureDir(std::string& why)
{
    const std::string dir = Corpus3dsDir();
    if (dir.empty()) {
        why = NoCorpusMessage();
        return dir;
    }
    for (const char* file : kFixtures)
        if (!std::filesystem::exists(dir + "/" + file)) {
            why = dir + " has no " + file + "; set ORV_3DS_CORPUS=DIR to a corpus that does";
            return "";
        }
    return dir;
}

#define FIXTURES_OR_SKIP(dir)                \
    std::string why;                         \
    const std::string dir = FixtureDir(why); \
    if (dir.empty())                         \
    GTEST_SKIP() << why

// The fixture read into memory and loaded with its trace silenced.
std::unique_ptr<OlvarLoad3DS> LoadFixture(const std::string& dir, const char* file)
{
    std::ifstream in(dir + "/" + file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << file;
    return LoadImage(bytes);
}

}  // namespace

TEST(FixtureObjects, NormalsAreTheAreaWeightedAverageOfTheirFaces)
{
    FIXTURES_OR_SKIP(dir);
    int meshes = 0;
    for (const char* file : kFixtures) {
        auto loader = LoadFixture(dir, file);
        for (int i = 0; i < loader->ObjectCount(); ++i) {
            const char* name = loader->ObjectName(i);
            int32_t vertexCount = 0, faceCount = 0;
            if (!loader->Find(name, true) || !loader->GetVertexCount(vertexCount) ||
                !loader->GetFaceCount(faceCount))
                continue;
            std::vector<float> v(vertexCount * 3);
            std::vector<uint16_t> f(faceCount * 3);
            loader->GetVertices(v.data(), true);
            loader->GetFaces(f.data());
            float* normals = OlvarObject::CalcNormals(v.data(), vertexCount, f.data(), faceCount);
            ExpectNormalsNear(normals, ReferenceNormals(v, f), std::string(file) + " " + name);
            delete[] normals;
            ++meshes;
        }
    }
    EXPECT_EQ(meshes, 18);  // every mesh of the five files
}

TEST(FixtureObjects, EveryMeshBuildsCleanly)
{
    FIXTURES_OR_SKIP(dir);
    for (const char* file : kFixtures) {
        auto loader = LoadFixture(dir, file);
        for (int i = 0; i < loader->ObjectCount(); ++i) {
            const char* name = loader->ObjectName(i);
            int32_t vertexCount = 0;
            loader->Find(name, true);
            loader->GetVertexCount(vertexCount);
            testing::internal::CaptureStdout();
            OlvarObject object(loader.get(), name, true);
            const std::string out = testing::internal::GetCapturedStdout();
            EXPECT_EQ(out.find("WARNING!"), std::string::npos) << file << " " << name << "\n" << out;
            if (vertexCount == 0)
                continue;
            ASSERT_EQ(object.VertexCount(), vertexCount) << file << " " << name;
            ASSERT_EQ(object.Format(), static_cast<GLenum>(GL_T2F_N3F_V3F)) << file << " " << name;
            for (int k = 0; k < vertexCount; ++k) {
                const float* n = object.VertexArray() + 8 * k + 2;
                EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f) << name << " " << k;
            }
            for (int k = 0; k < object.FaceCount() * 3; ++k)
                EXPECT_LT(object.IndexArray()[k], uint32_t(vertexCount)) << name;
        }
    }
}

TEST(FixtureKeyframers, CameraTargetAndChildTracks)
{
    FIXTURES_OR_SKIP(dir);
    auto camera = LoadFixture(dir, "TargetCameraAnim.3ds");
    OlvarKeyframer eye(camera.get(), "Camera01", true);
    OlvarKeyframer target(camera.get(), "Camera01.target", true);
    ASSERT_EQ(eye.KeyCount(), 4);
    ASSERT_EQ(target.KeyCount(), 3);
    EXPECT_FLOAT_EQ(eye.GetPosition(45)[2], 85.41813659667969f);
    EXPECT_FLOAT_EQ(eye.GetPosition(1000)[2], -90.26817321777344f);
    EXPECT_FLOAT_EQ(target.GetPosition(61)[0], 100.41004943847656f);

    auto child = LoadFixture(dir, "CameraRollAnimWithChildObject.3ds");
    OlvarKeyframer own(child.get(), "Box02", false);
    ASSERT_EQ(own.KeyCount(), 119);
    EXPECT_FLOAT_EQ(own.GetPosition(2)[0], 71.3602523803711f);
    OlvarKeyframer parents(child.get(), "Box02", true);
    ASSERT_EQ(parents.KeyCount(), 1);
    EXPECT_FLOAT_EQ(parents.GetPosition(50)[0], -152.36256408691406f);
}

using FixtureTextures = GLTest;

TEST_F(FixtureTextures, EveryGeneratedTextureLoads)
{
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ORV_DATA_DIR, error))
        if (entry.path().extension() == ".bmp" || entry.path().extension() == ".BMP")
            files.push_back(entry.path());
    if (files.empty())
        GTEST_SKIP() << "no generated textures in " << ORV_DATA_DIR;
    for (const auto& file : files) {
        OlvarMaterial material(file.c_str());
        EXPECT_TRUE(material.Pixels() != nullptr) << file;
        GLint width = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        EXPECT_EQ(width, material.Width()) << file;
        EXPECT_GT(width, 0) << file;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
