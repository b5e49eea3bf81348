// The render objects over real third-party scene files and the generated textures.
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
#include "support/gl_context.h"

namespace {

const char* const kFixtures[] = {"TargetCameraAnim.3ds", "CameraRollAnimWithChildObject.3ds",
                                 "RotatingCube.3DS", "test1.3ds", "cubes_with_alpha.3DS"};

// The fixture read into memory and loaded with its trace silenced.
std::unique_ptr<OlvarLoad3DS> LoadFixture(const char* file)
{
    std::ifstream in(std::string(ORV_FIXTURES_DIR) + "/" + file, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(bytes.empty()) << file;
    return LoadImage(bytes);
}

// Vertex normals by the plain method: for each vertex, scan every face.
std::vector<float> ScannedNormals(const std::vector<float>& v, const std::vector<uint16_t>& f)
{
    const int vertexCount = int(v.size() / 3), faceCount = int(f.size() / 3);
    std::vector<float> faceNormals(f.size());
    const float* last[3] = {&v[0], &v[0], &v[0]};
    for (int i = 0; i < faceCount; ++i) {
        for (int k = 0; k < 3; ++k)
            if (f[3 * i + k] < vertexCount)
                last[k] = &v[3 * f[3 * i + k]];
        const float a[3] = {last[1][0] - last[0][0], last[1][1] - last[0][1], last[1][2] - last[0][2]};
        const float b[3] = {last[2][0] - last[0][0], last[2][1] - last[0][1], last[2][2] - last[0][2]};
        faceNormals[3 * i] = a[1] * b[2] - a[2] * b[1];
        faceNormals[3 * i + 1] = a[2] * b[0] - a[0] * b[2];
        faceNormals[3 * i + 2] = a[0] * b[1] - a[1] * b[0];
    }
    std::vector<float> normals;
    for (int j = 0; j < vertexCount; ++j) {
        float sum[3] = {0, 0, 0}, count = 0;
        for (int i = 0; i < faceCount; ++i) {
            if (f[3 * i] != j && f[3 * i + 1] != j && f[3 * i + 2] != j)
                continue;
            for (int c = 0; c < 3; ++c)
                sum[c] += faceNormals[3 * i + c];
            count += 1;
        }
        float n[3] = {0, 1, 0};
        if (count != 0) {
            const float avg[3] = {sum[0] / count, sum[1] / count, sum[2] / count};
            const float len = std::sqrt(avg[0] * avg[0] + avg[1] * avg[1] + avg[2] * avg[2]);
            if (len > 0 && std::isfinite(len))
                for (int c = 0; c < 3; ++c)
                    n[c] = avg[c] / len;
        }
        normals.insert(normals.end(), n, n + 3);
    }
    return normals;
}

bool SameBits(const std::vector<float>& a, const float* b)
{
    return std::memcmp(a.data(), b, a.size() * sizeof(float)) == 0;
}

// A latitude-longitude sphere: many faces meet at each vertex, and at the poles.
void Sphere(int rings, int segments, std::vector<float>& v, std::vector<uint16_t>& f)
{
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const float th = 3.14159265f * r / rings, ph = 6.2831853f * s / segments;
            v.insert(v.end(), {std::sin(th) * std::cos(ph), std::cos(th), std::sin(th) * std::sin(ph)});
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const uint16_t a = r * segments + s, b = r * segments + (s + 1) % segments;
            const uint16_t c = a + segments, d = b + segments;
            f.insert(f.end(), {a, c, b, b, c, d});
        }
}

}  // namespace

TEST(FixtureObjects, OnePassNormalsMatchThePlainScanBitForBit)
{
    int meshes = 0;
    for (const char* file : kFixtures) {
        auto loader = LoadFixture(file);
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
            EXPECT_TRUE(SameBits(ScannedNormals(v, f), normals)) << file << " " << name;
            delete[] normals;
            ++meshes;
        }
    }
    EXPECT_EQ(meshes, 18);  // every mesh of the five files

    std::vector<float> v;
    std::vector<uint16_t> f;
    Sphere(24, 32, v, f);
    for (uint16_t i = 40; i < 400; i += 7)  // faces naming a vertex twice count once for it
        f.insert(f.end(), {i, uint16_t(i + 1), i});
    float* normals = OlvarObject::CalcNormals(v.data(), int(v.size() / 3), f.data(), int(f.size() / 3));
    EXPECT_TRUE(SameBits(ScannedNormals(v, f), normals));
    delete[] normals;
}

TEST(FixtureObjects, EveryMeshBuildsCleanly)
{
    for (const char* file : kFixtures) {
        auto loader = LoadFixture(file);
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
    auto camera = LoadFixture("TargetCameraAnim.3ds");
    OlvarKeyframer eye(camera.get(), "Camera01", true);
    OlvarKeyframer target(camera.get(), "Camera01.target", true);
    ASSERT_EQ(eye.KeyCount(), 4);
    ASSERT_EQ(target.KeyCount(), 3);
    EXPECT_FLOAT_EQ(eye.GetPosition(45)[2], 85.41813659667969f);
    EXPECT_FLOAT_EQ(eye.GetPosition(1000)[2], -90.26817321777344f);
    EXPECT_FLOAT_EQ(target.GetPosition(61)[0], 100.41004943847656f);

    auto child = LoadFixture("CameraRollAnimWithChildObject.3ds");
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
