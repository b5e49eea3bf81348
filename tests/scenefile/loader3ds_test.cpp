// The editor side of the reader: the load trace, the object tables and the
// object getters.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "tests/scenefile/load_util.h"

namespace {

// MAIN(90) { EDITOR { OBJECT "Box01" (78) { TRIMESH { 3 vertices, 1 face } } } }
std::vector<uint8_t> NinetyByteFile()
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(chunk::EDITOR).Open(chunk::OBJECT).Str("Box01").Open(chunk::TRIMESH);
    b.Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0}).Faces({0, 1, 2});
    b.Close().Close().Close().Close();
    return b.Bytes();
}

std::string WriteTempFile(const std::vector<uint8_t>& bytes)
{
    char path[] = "/tmp/scenefile_testXXXXXX";
    const int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(fd);
    return path;
}

TEST(LoadTrace, FileTraceMatchesByteForByteWithTestiOnTheFirstWalkLine)
{
    const auto bytes = NinetyByteFile();
    ASSERT_EQ(bytes.size(), 90u);
    const std::string path = WriteTempFile(bytes);
    testing::internal::CaptureStdout();
    { OlvarLoad3DS loader(path.c_str()); }
    const std::string trace = testing::internal::GetCapturedStdout();
    unlink(path.c_str());
    EXPECT_EQ(trace, "OlvarLoad3DS: Loaded file " + path + ", size 90\n"
                     "TESTI: 90ID: 15677, SIZE: 84, DATASIZE: 0\n"
                     "Found MAIN->EDITOR block.\n"
                     "ID: 16384, SIZE: 78, DATASIZE: 0\n"
                     "- Found OBJECT named Box01, SIZE: 78\n"
                     "Obun nimen PITUUS 6 JASEONE 66\n"
                     "ID: 16640, SIZE: 66, DATASIZE: 0\n"
                     "-- Found TRIMESH block, SIZE: 66\n"
                     "ID: 16656, SIZE: 44, DATASIZE: 16\n"
                     "--- Found VERTEX list, SIZE: 44\n"
                     "ID: 16672, SIZE: 16, DATASIZE: 0\n"
                     "--- Found FACE list, SIZE: 16\n");
}

TEST(LoadTrace, FileFailuresWriteTheirExactTexts)
{
    testing::internal::CaptureStdout();
    {
        OlvarLoad3DS missing("/nonexistent/dir/scene.3ds");
        EXPECT_FALSE(missing.Find("Box01", true));
        printf("next");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error! Unable to open file /nonexistent/dir/scene.3ds" "next");

    const std::string path = WriteTempFile({0x12, 0x34, 6, 0, 0, 0});
    testing::internal::CaptureStdout();
    { OlvarLoad3DS corrupt(path.c_str()); }
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "OlvarLoad3DS: Loaded file " + path + ", size 6\nCorrupt .3DS file.\n");
    unlink(path.c_str());

    for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{}, std::vector<uint8_t>{0x4D, 0x4D, 6, 0}}) {
        Loaded l = LoadBytes(bytes);
        EXPECT_EQ(l.trace, "Corrupt .3DS file.\n");
        EXPECT_EQ(l.loader->ObjectCount(), 0);
    }
}

TEST(LoadTrace, KeyframerIdIsUnsignedAndUnknownTopLevelChunksGetOneLineEach)
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).RawChunk(chunk::VERSION, 10, {3, 0, 0, 0}).Open(chunk::KEYFRAMER).Close().RawChunk(kUnknownChunk, 6).Close();
    Loaded l = LoadBytes(b.Bytes());
    EXPECT_EQ(l.trace, "TESTI: 28ID: 2, SIZE: 10, DATASIZE: 12\n"
                       "ID: 45056, SIZE: 6, DATASIZE: 6\n"
                       "ID: 30583, SIZE: 6, DATASIZE: 0\n");
    EXPECT_EQ(l.loader->ObjectCount(), 0);
    EXPECT_EQ(l.loader->NodeCount(), 0);
}

TEST(ObjectTables, CamerasAndNameOnlyObjectsAreNumberedButHaveNoLists)
{
    Loaded l = LoadBytes(EditorFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT).Str("Camera01").Open(chunk::CAMERA).Vec3(1, 2, 3).Vec3(4, 5, 6).F32(0).F32(45).Close().Close();
        b.Open(chunk::OBJECT).Str("Empty").Close();
    }));
    ASSERT_EQ(l.loader->ObjectCount(), 2);
    EXPECT_STREQ(l.loader->ObjectName(0), "Camera01");
    EXPECT_STREQ(l.loader->ObjectName(1), "Empty");
    EXPECT_NE(l.trace.find("Obun nimen PITUUS 6 JASEONE 0\n"), std::string::npos);
    for (const char* name : {"Camera01", "Empty"}) {
        EXPECT_FALSE(l.loader->Find(name, true)) << "no keyframe node in the file";
        int32_t n = -1;
        EXPECT_FALSE(l.loader->GetVertexCount(n));
        EXPECT_EQ(n, 0);
        EXPECT_FALSE(l.loader->GetFaceCount(n));
        EXPECT_EQ(n, 0);
        EXPECT_FALSE(l.loader->GetTexCoordCount(n));
        EXPECT_EQ(n, 0);
        float v[3] = {7, 7, 7};
        EXPECT_FALSE(l.loader->GetVertices(v, false));
        EXPECT_EQ(v[0], 7);
    }
}

TEST(ObjectTables, DuplicateNamesSelectTheLastWithOneLineEach)
{
    Loaded l = LoadBytes(EditorFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT).Str("Box").Open(chunk::TRIMESH).Vertices({1, 1, 1}).Close().Close();
        b.Open(chunk::OBJECT).Str("Box").Open(chunk::TRIMESH).Vertices({2, 2, 2, 3, 3, 3}).Close().Close();
    }));
    bool found = true;
    EXPECT_EQ(FindTraced(*l.loader, "Box", true, found), "Find(): Found object Box\nFind(): Found object Box\n");
    EXPECT_FALSE(found);
    int32_t n = 0;
    EXPECT_TRUE(l.loader->GetVertexCount(n));
    EXPECT_EQ(n, 2);
    EXPECT_EQ(FindTraced(*l.loader, "box", true, found), "") << "names compare case-sensitively";
    EXPECT_TRUE(l.loader->GetVertexCount(n));
    EXPECT_EQ(n, 2) << "a failed search keeps the selection";
}

TEST(ObjectTables, UnknownSiblingsAndFaceListSubchunksAreSkipped)
{
    Loaded l = LoadBytes(EditorFile([](ChunkBuilder& b) {
        b.RawChunk(chunk::MATERIAL, 10, {1, 2, 3, 4});
        b.Open(chunk::OBJECT).Str("Box").Open(chunk::TRIMESH);
        b.Vertices({0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0});
        b.Open(chunk::VERTEX_FLAGS).U16(4).U16(0).U16(0).U16(0).U16(0).Close();
        b.Open(chunk::FACE_LIST).U16(2).U16(0).U16(1).U16(2).U16(7).U16(2).U16(3).U16(1).U16(7);
        b.Open(chunk::FACE_MATERIAL).Str("Material").U16(1).U16(0).Close();
        b.Open(chunk::SMOOTHING_GROUPS).U32(1).U32(1).Close();
        b.Close();
        b.TexCoords({0, 0, 1, 0, 0, 1, 1, 1});
        b.Close().Close();
    }));
    EXPECT_EQ(Occurrences(l.trace, "ID: 16688"), 0) << "face-list subchunks are not walked";
    EXPECT_EQ(Occurrences(l.trace, "ID: 16720"), 0);
    EXPECT_EQ(Occurrences(l.trace, "ID: 16657, SIZE: 16"), 1);
    l.loader->Find("Box", true);
    int32_t v = 0, f = 0, t = 0;
    EXPECT_TRUE(l.loader->GetVertexCount(v));
    EXPECT_TRUE(l.loader->GetFaceCount(f));
    EXPECT_TRUE(l.loader->GetTexCoordCount(t));
    EXPECT_EQ(v, 4);
    EXPECT_EQ(f, 2);
    EXPECT_EQ(t, 4);
    uint16_t faces[6];
    ASSERT_TRUE(l.loader->GetFaces(faces));
    EXPECT_EQ(std::vector<uint16_t>(faces, faces + 6), (std::vector<uint16_t>{0, 1, 2, 2, 3, 1}));
    float uv[8];
    ASSERT_TRUE(l.loader->GetTexCoords(uv));
    EXPECT_EQ(uv[2], 1);
    EXPECT_EQ(uv[7], 1);
}

TEST(ObjectGetters, RelativeVerticesSubtractTheLocalOriginOnlyWhenThereIsOne)
{
    Loaded l = LoadBytes(EditorFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT).Str("Local").Open(chunk::TRIMESH).Vertices({1.5f, 2, 3, 11, 12, 13});
        b.Open(chunk::LOCAL_COORDINATE_SYSTEM).Vec3(0, 1, 0).Vec3(-1, 0, 0).Vec3(0, 0, 1).Vec3(1, 2, 4).Close();
        b.Close().Close();
        b.Open(chunk::OBJECT).Str("Plain").Open(chunk::TRIMESH).Vertices({1.5f, 2, 3}).Close().Close();
    }));
    EXPECT_NE(l.trace.find("\n54\n"), std::string::npos) << "the local system's length stands alone";
    l.loader->Find("Local", true);
    float v[6];
    ASSERT_TRUE(l.loader->GetVertices(v, true));
    EXPECT_EQ(std::vector<float>(v, v + 6), (std::vector<float>{0.5f, 0, -1, 10, 10, 9}));
    ASSERT_TRUE(l.loader->GetVertices(v, false));
    EXPECT_EQ(v[3], 11);
    float m[12], o[3];
    EXPECT_TRUE(l.loader->GetLocalMatrix(m));
    EXPECT_EQ(std::vector<float>(m, m + 12), (std::vector<float>{0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 2, 4}));
    EXPECT_TRUE(l.loader->GetLocalOrigin(o));
    EXPECT_EQ(o[2], 4);

    l.loader->Find("Plain", true);
    ASSERT_TRUE(l.loader->GetVertices(v, true));
    EXPECT_EQ(std::vector<float>(v, v + 3), (std::vector<float>{1.5f, 2, 3}));
    EXPECT_FALSE(l.loader->GetLocalMatrix(m));
    EXPECT_EQ(std::vector<float>(m, m + 12), (std::vector<float>{1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
    o[0] = o[1] = o[2] = 5;
    EXPECT_FALSE(l.loader->GetLocalOrigin(o));
    EXPECT_EQ(std::vector<float>(o, o + 3), (std::vector<float>{0, 0, 0}));
}

TEST(ObjectGetters, EmptyListCountsAsPresentButCopiesNothing)
{
    Loaded l = LoadBytes(EditorFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT).Str("Zero").Open(chunk::TRIMESH).Vertices({}).Faces({}).TexCoords({}).Close().Close();
    }));
    l.loader->Find("Zero", true);
    int32_t n = -1;
    EXPECT_TRUE(l.loader->GetVertexCount(n));
    EXPECT_EQ(n, 0);
    EXPECT_TRUE(l.loader->GetFaceCount(n));
    EXPECT_TRUE(l.loader->GetTexCoordCount(n));
    float f[3] = {9, 9, 9};
    uint16_t faces[3] = {9, 9, 9};
    EXPECT_FALSE(l.loader->GetVertices(f, true));
    EXPECT_FALSE(l.loader->GetTexCoords(f));
    EXPECT_FALSE(l.loader->GetFaces(faces));
    EXPECT_EQ(f[0], 9);
    EXPECT_EQ(faces[0], 9);
}

TEST(ObjectGetters, NothingIsSelectedBeforeTheFirstMatch)
{
    Loaded l = LoadBytes(NinetyByteFile());
    int32_t n = -1;
    EXPECT_FALSE(l.loader->GetVertexCount(n));
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(l.loader->Find("Nobody", true));
    EXPECT_FALSE(l.loader->GetFaceCount(n));
    l.loader->Find("Box01", true);
    EXPECT_TRUE(l.loader->GetFaceCount(n));
    EXPECT_EQ(n, 1);
}

}  // namespace
