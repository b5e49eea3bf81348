#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "render/object.h"
#include "scene_image.h"
#include "support/gl_context.h"
#include "support/normals.h"

namespace {

// Passes every question on to a real loader and notes which were asked, in order.
class RecordingLoader : public OlvarLoader {
public:
    explicit RecordingLoader(OlvarLoader& inner) : inner(inner) {}
    std::vector<std::string> calls;

    bool Find(const char* name, bool parent) override
    {
        calls.push_back(std::string("Find ") + name + (parent ? " parent" : ""));
        return inner.Find(name, parent);
    }
    bool GetFaceCount(int32_t& c) const override { return Note("GetFaceCount", inner.GetFaceCount(c)); }
    bool GetFaces(uint16_t* f) const override { return Note("GetFaces", inner.GetFaces(f)); }
    bool GetVertexCount(int32_t& c) const override { return Note("GetVertexCount", inner.GetVertexCount(c)); }
    bool GetVertices(float* v, bool relative) const override
    {
        return Note(relative ? "GetVertices relative" : "GetVertices", inner.GetVertices(v, relative));
    }
    bool GetTexCoordCount(int32_t& c) const override { return Note("GetTexCoordCount", inner.GetTexCoordCount(c)); }
    bool GetTexCoords(float* t) const override { return Note("GetTexCoords", inner.GetTexCoords(t)); }
    bool GetPositionKeyCount(int32_t& c) const override { return Note("GetPositionKeyCount", inner.GetPositionKeyCount(c)); }
    bool GetPositionKeys(float* p, int32_t* f) const override { return Note("GetPositionKeys", inner.GetPositionKeys(p, f)); }
    bool GetRotationKeyCount(int32_t& c) const override { return Note("GetRotationKeyCount", inner.GetRotationKeyCount(c)); }
    bool GetRotationKeys(float* m, int32_t* f) const override { return Note("GetRotationKeys", inner.GetRotationKeys(m, f)); }
    bool GetFrameRange(int32_t& s, int32_t& e) const override { return Note("GetFrameRange", inner.GetFrameRange(s, e)); }
    bool GetPivot(float* p) const override { return Note("GetPivot", inner.GetPivot(p)); }
    bool GetLocalOrigin(float* o) const override { return Note("GetLocalOrigin", inner.GetLocalOrigin(o)); }
    bool GetLocalMatrix(float* m) const override { return Note("GetLocalMatrix", inner.GetLocalMatrix(m)); }

private:
    bool Note(const char* call, bool result) const
    {
        const_cast<RecordingLoader*>(this)->calls.push_back(call);
        return result;
    }
    OlvarLoader& inner;
};

MeshSpec Triangle()
{
    MeshSpec mesh;
    mesh.vertices = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    mesh.faces = {0, 1, 2};
    mesh.texCoords = {0, 0, 1, 0, 0, 1};
    return mesh;
}

int Stride(const OlvarObject& object) { return object.Format() == GL_T2F_N3F_V3F ? 8 : 6; }

// The normal stored for vertex i.
std::vector<float> NormalOf(const OlvarObject& object, int i)
{
    const float* n = object.VertexArray() + i * Stride(object) + Stride(object) - 6;
    return {n[0], n[1], n[2]};
}

std::vector<float> PositionOf(const OlvarObject& object, int i)
{
    const float* p = object.VertexArray() + i * Stride(object) + Stride(object) - 3;
    return {p[0], p[1], p[2]};
}

// The WARNING lines of a captured output, in order.
std::vector<std::string> Warnings(const std::string& out)
{
    std::vector<std::string> lines;
    for (size_t at = out.find("WARNING!"); at != std::string::npos; at = out.find("WARNING!", at + 1))
        lines.push_back(out.substr(at, out.find('\n', at) + 1 - at));
    return lines;
}

const std::string kTexWarning = "WARNING! Number of vertices differ from number of texcoords\n";
const std::string kBoundsWarning = "WARNING! Vertex out of bounds.\n";

}  // namespace

TEST(ObjectLoaderOrder, AsksInOrderAndReadsLocalSystemOnlyWhenRelative)
{
    MeshSpec mesh = Triangle();
    auto loader = LoadMesh(mesh);
    RecordingLoader relativeLog(*loader);
    OlvarObject relative(&relativeLog, "Mesh01", true);
    EXPECT_EQ(relativeLog.calls,
              (std::vector<std::string>{"Find Mesh01 parent", "GetVertexCount", "GetVertices relative",
                                        "GetLocalMatrix", "GetFaceCount", "GetFaces",
                                        "GetTexCoordCount", "GetTexCoords"}));
    RecordingLoader absoluteLog(*loader);
    OlvarObject absolute(&absoluteLog, "Mesh01", false);
    EXPECT_EQ(absoluteLog.calls,
              (std::vector<std::string>{"Find Mesh01 parent", "GetVertexCount", "GetVertices",
                                        "GetFaceCount", "GetFaces", "GetTexCoordCount",
                                        "GetTexCoords"}));
}

TEST(ObjectLoaderOrder, UnknownNameStopsAfterFindAndLeavesObjectEmpty)
{
    auto loader = LoadMesh(Triangle());
    RecordingLoader log(*loader);
    OlvarObject missing(&log, "NoSuchMesh", true);
    EXPECT_EQ(log.calls, std::vector<std::string>{"Find NoSuchMesh parent"});
    EXPECT_EQ(missing.VertexCount(), 0);
    EXPECT_EQ(missing.FaceCount(), 0);
    EXPECT_EQ(missing.VertexArray(), nullptr);
    EXPECT_EQ(missing.IndexArray(), nullptr);
}

TEST(ObjectNormals, SingleTriangleFacesPlusZ)
{
    auto loader = LoadMesh(Triangle());
    OlvarObject object(loader.get(), "Mesh01", false);
    ASSERT_EQ(object.VertexCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(NormalOf(object, i), (std::vector<float>{0, 0, 1})) << i;
}

TEST(ObjectNormals, CoplanarPairSharesThePlaneUnitNormal)
{
    MeshSpec mesh;
    mesh.vertices = {0, 0, 0, 1, 0, 0, 1, 1, 1, 0, 1, 1};  // plane z = y
    mesh.faces = {0, 1, 2, 0, 2, 3};
    mesh.texCoords = {0, 0, 1, 0, 1, 1, 0, 1};
    auto loader = LoadMesh(mesh);
    OlvarObject object(loader.get(), "Mesh01", false);
    ASSERT_EQ(object.VertexCount(), 4);
    const float h = 1.0f / std::sqrt(2.0f);
    for (int i = 0; i < 4; ++i) {
        const std::vector<float> n = NormalOf(object, i);
        EXPECT_NEAR(n[0], 0.0f, 1e-6f);
        EXPECT_NEAR(n[1], -h, 1e-6f);
        EXPECT_NEAR(n[2], h, 1e-6f);
    }
}

TEST(ObjectNormals, StrayVertexDoesNotFlattenTheOthers)
{
    MeshSpec mesh = Triangle();
    mesh.vertices.insert(mesh.vertices.end(), {5, 5, 5});
    mesh.texCoords.insert(mesh.texCoords.end(), {1, 1});
    auto loader = LoadMesh(mesh);
    OlvarObject object(loader.get(), "Mesh01", false);
    ASSERT_EQ(object.VertexCount(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(NormalOf(object, i), (std::vector<float>{0, 0, 1})) << i;
    EXPECT_EQ(NormalOf(object, 3), (std::vector<float>{0, 1, 0}));
}

TEST(ObjectNormals, DegenerateFacesGiveUpNotNaN)
{
    const float vertices[] = {0, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0, 0};
    const uint16_t faces[] = {0, 1, 2, 3, 3, 3};
    float* normals = OlvarObject::CalcNormals(vertices, 4, faces, 2);
    ASSERT_NE(normals, nullptr);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(normals[3 * i], 0.0f) << i;
        EXPECT_EQ(normals[3 * i + 1], 1.0f) << i;
        EXPECT_EQ(normals[3 * i + 2], 0.0f) << i;
    }
    delete[] normals;
    EXPECT_EQ(OlvarObject::CalcNormals(vertices, 0, faces, 0), nullptr);
}

// A latitude-longitude sphere read through the loader: many faces meet at each
// vertex and at the poles, and some faces name a vertex twice.
TEST(ObjectNormals, SphereNormalsAreTheAreaWeightedAverageOfTheirFaces)
{
    MeshSpec mesh;
    const int rings = 24, segments = 32;
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const float th = 3.14159265f * r / rings, ph = 6.2831853f * s / segments;
            mesh.vertices.insert(mesh.vertices.end(),
                                 {std::sin(th) * std::cos(ph), std::cos(th), std::sin(th) * std::sin(ph)});
        }
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const uint16_t a = r * segments + s, b = r * segments + (s + 1) % segments;
            const uint16_t c = a + segments, d = b + segments;
            mesh.faces.insert(mesh.faces.end(), {a, c, b, b, c, d});
        }
    for (uint16_t i = 40; i < 400; i += 7)
        mesh.faces.insert(mesh.faces.end(), {i, uint16_t(i + 1), i});
    auto loader = LoadMesh(mesh);
    OlvarObject object(loader.get(), mesh.name.c_str(), true);
    std::vector<float> normals;
    for (int i = 0; i < object.VertexCount(); ++i) {
        const std::vector<float> n = NormalOf(object, i);
        normals.insert(normals.end(), n.begin(), n.end());
    }
    ASSERT_EQ(normals.size(), mesh.vertices.size());
    ExpectNormalsNear(normals.data(), ReferenceNormals(mesh.vertices, mesh.faces), "sphere");
}

// Face normals are added up in single precision in face order, as a scan over
// the faces for each vertex adds them. At vertex 0 the z parts come as +2^25,
// +1, -2^25 (0 in that order, 1 exactly), the y parts as +1, +2^25, -2^25 (0
// in that order, 1 in reverse), and x as 1: only face order leaves (1, 0, 0).
TEST(ObjectNormals, FaceNormalsAreSummedInSinglePrecisionInFaceOrder)
{
    MeshSpec mesh;
    mesh.vertices = {0, 0, 0, 4096, 0, 0, 0, 8192, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 8192};
    mesh.faces = {0, 1, 2, 0, 3, 4, 0, 2, 1, 0, 5, 3, 0, 6, 1, 0, 1, 6, 0, 4, 5};
    auto loader = LoadMesh(mesh);
    OlvarObject object(loader.get(), mesh.name.c_str(), true);
    ASSERT_EQ(object.VertexCount(), 7);
    EXPECT_EQ(NormalOf(object, 0), (std::vector<float>{1, 0, 0}));
}

TEST(ObjectIndices, OutOfRangeCornerWarnsTwiceAndDrawsVertexZero)
{
    MeshSpec mesh = Triangle();
    mesh.faces = {0, 1, 3};
    auto loader = LoadMesh(mesh);
    testing::internal::CaptureStdout();
    OlvarObject object(loader.get(), "Mesh01", false);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(Warnings(out), (std::vector<std::string>{kBoundsWarning, kBoundsWarning}));
    ASSERT_EQ(object.FaceCount(), 1);
    EXPECT_EQ(object.IndexArray()[0], 0u);
    EXPECT_EQ(object.IndexArray()[1], 1u);
    EXPECT_EQ(object.IndexArray()[2], 0u);
    for (int i = 0; i < 3; ++i)
        for (float c : NormalOf(object, i))
            EXPECT_FALSE(std::isnan(c)) << i;
}

TEST(ObjectIndices, BadCornerBorrowsThatCornerFromTheLastGoodFace)
{
    // Face 2's third corner is bad and takes vertex 2 from face 1: face 2 is
    // then (0, 3, 2) with normal -x, which tilts vertex 0 and sets vertex 3.
    const float vertices[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    const uint16_t faces[] = {0, 1, 2, 0, 3, 9};
    testing::internal::CaptureStdout();
    float* normals = OlvarObject::CalcNormals(vertices, 4, faces, 2);
    EXPECT_EQ(Warnings(testing::internal::GetCapturedStdout()),
              std::vector<std::string>{kBoundsWarning});
    ASSERT_NE(normals, nullptr);
    const float h = 1.0f / std::sqrt(2.0f);
    EXPECT_NEAR(normals[0], -h, 1e-6f);
    EXPECT_EQ(normals[1], 0.0f);
    EXPECT_NEAR(normals[2], h, 1e-6f);
    EXPECT_EQ(std::vector<float>(normals + 9, normals + 12), (std::vector<float>{-1, 0, 0}));
    delete[] normals;
}

TEST(ObjectIndices, BadCornerWithNoEarlierGoodOneTakesVertexZero)
{
    // Vertex 0 stands in for the bad first corner, as it does when drawn.
    const float vertices[] = {0, 0, 5, 1, 0, 0, 0, 1, 0};
    const uint16_t faces[] = {9, 1, 2};
    testing::internal::CaptureStdout();
    float* normals = OlvarObject::CalcNormals(vertices, 3, faces, 1);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(normals, nullptr);
    const float len = std::sqrt(51.0f);  // face normal (5, 5, 1)
    EXPECT_NEAR(normals[3], 5 / len, 1e-6f);
    EXPECT_NEAR(normals[4], 5 / len, 1e-6f);
    EXPECT_NEAR(normals[5], 1 / len, 1e-6f);
    EXPECT_EQ(std::vector<float>(normals, normals + 3), (std::vector<float>{0, 1, 0}));
    delete[] normals;
}

TEST(ObjectMapping, NoMappingCoordinatesGiveSixFloatsAndTheWarning)
{
    MeshSpec mesh = Triangle();
    mesh.texCoords.clear();
    auto loader = LoadMesh(mesh);
    testing::internal::CaptureStdout();
    OlvarObject object(loader.get(), "Mesh01", false);
    EXPECT_EQ(Warnings(testing::internal::GetCapturedStdout()), std::vector<std::string>{kTexWarning});
    EXPECT_EQ(object.Format(), static_cast<GLenum>(GL_N3F_V3F));
    const float expected[] = {0, 0, 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 1, 0};
    EXPECT_EQ(std::vector<float>(object.VertexArray(), object.VertexArray() + 18),
              std::vector<float>(std::begin(expected), std::end(expected)));
}

TEST(ObjectMapping, MissingCoordinatesAreZeroAndWarnedBeforeBoundsWarnings)
{
    MeshSpec mesh = Triangle();
    mesh.texCoords = {0.25f, 0.75f};
    mesh.faces = {0, 1, 7};
    auto loader = LoadMesh(mesh);
    testing::internal::CaptureStdout();
    OlvarObject object(loader.get(), "Mesh01", false);
    EXPECT_EQ(Warnings(testing::internal::GetCapturedStdout()),
              (std::vector<std::string>{kTexWarning, kBoundsWarning, kBoundsWarning}));
    ASSERT_EQ(object.Format(), static_cast<GLenum>(GL_T2F_N3F_V3F));
    const float* v = object.VertexArray();
    EXPECT_EQ(v[0], 0.25f);
    EXPECT_EQ(v[1], 0.75f);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(v[8 * i], 0.0f);
        EXPECT_EQ(v[8 * i + 1], 0.0f);
    }
}

TEST(ObjectPlacement, RelativeShiftsVerticesByTheLocalOrigin)
{
    MeshSpec mesh = Triangle();
    mesh.hasOrigin = true;
    mesh.origin[0] = 5;
    auto loader = LoadMesh(mesh);
    OlvarObject relative(loader.get(), "Mesh01", true);
    EXPECT_EQ(std::vector<float>(relative.Position(), relative.Position() + 3),
              (std::vector<float>{5, 0, 0}));
    EXPECT_EQ(PositionOf(relative, 1), (std::vector<float>{-4, 0, 0}));

    OlvarObject absolute(loader.get(), "Mesh01", false);
    EXPECT_EQ(std::vector<float>(absolute.Position(), absolute.Position() + 3),
              (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(PositionOf(absolute, 1), (std::vector<float>{1, 0, 0}));
}

using ObjectGLTest = GLTest;

// Column-major product a * b of two 4x4 matrices.
static std::vector<float> Multiply(const std::vector<float>& a, const std::vector<float>& b)
{
    std::vector<float> m(16, 0.0f);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k)
                m[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return m;
}

// Rotation by `degrees` about coordinate axis `axis` (0 x, 1 y, 2 z), column-major.
static std::vector<float> AxisRotation(int axis, float degrees)
{
    const float r = degrees * 3.14159265358979f / 180.0f, c = std::cos(r), s = std::sin(r);
    std::vector<float> m = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const int i = (axis + 1) % 3, j = (axis + 2) % 3;
    m[i * 4 + i] = c;
    m[j * 4 + j] = c;
    m[i * 4 + j] = s;
    m[j * 4 + i] = -s;
    return m;
}

TEST_F(ObjectGLTest, TransformTranslatesThenTurnsAboutXThenYThenZ)
{
    auto loader = LoadMesh(Triangle());
    OlvarObject object(loader.get(), "Mesh01", false);
    object.SetPosition(1, 2, 3);
    object.SetRotation(10, 20, 30);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    object.Transform();
    std::vector<float> got(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, got.data());

    std::vector<float> expected = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};
    for (int axis = 0; axis < 3; ++axis)
        expected = Multiply(expected, AxisRotation(axis, 10.0f * (axis + 1)));
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(got[i], expected[i], 1e-5f) << i;
}

TEST_F(ObjectGLTest, MissingObjectNeitherPlacesNorDraws)
{
    auto loader = LoadMesh(Triangle());
    OlvarObject missing(loader.get(), "NoSuchMesh", true);
    missing.SetPosition(1, 2, 3);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    missing.Transform();
    missing.Render();
    std::vector<float> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    EXPECT_EQ(m, (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ObjectGLTest, RenderDrawsTheMeshWhereItIs)
{
    MeshSpec mesh;  // a square over the left half of the view, no mapping coordinates
    mesh.vertices = {-1, -1, 0, 0, -1, 0, 0, 1, 0, -1, 1, 0};
    mesh.faces = {0, 1, 2, 0, 2, 3};
    auto loader = LoadMesh(mesh);
    OlvarObject object(loader.get(), "Mesh01", false);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    object.Render();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));

    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    gl->ReadRGB(rgb.data());
    auto at = [&](int x, int y) { return rgb[(y * kWidth + x) * 3]; };
    EXPECT_EQ(at(kWidth / 4, kHeight / 2), 255);
    EXPECT_EQ(at(3 * kWidth / 4, kHeight / 2), 0);
}
