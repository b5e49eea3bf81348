// Malformed images: each must stop its bad span with one "Error! " line, keep
// what was read before, and never let a getter reach outside the image (the
// ASan/UBSan build of these tests checks the latter). Also replays the fuzz
// regression inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/scenefile/load_util.h"

namespace {

// Selects every name the loader holds and runs every getter with storage sized
// from its count; a count whose data could not lie inside the image is a fault.
void ExerciseAll(OlvarLoad3DS& loader, size_t imageSize)
{
    std::vector<std::string> names = {"absent"};
    for (int i = 0; i < loader.ObjectCount(); ++i)
        if (loader.ObjectName(i))
            names.emplace_back(loader.ObjectName(i));
    for (int i = 0; i < loader.NodeCount(); ++i)
        if (loader.NodeName(i))
            names.emplace_back(loader.NodeName(i));
    for (const std::string& name : names) {
        for (bool parentKeys : {true, false}) {
            testing::internal::CaptureStdout();
            loader.Find(name.c_str(), parentKeys);
            testing::internal::GetCapturedStdout();
            int32_t v = 0, f = 0, t = 0, p = 0, r = 0;
            loader.GetVertexCount(v);
            loader.GetFaceCount(f);
            loader.GetTexCoordCount(t);
            loader.GetPositionKeyCount(p);
            loader.GetRotationKeyCount(r);
            ASSERT_LE(12 * size_t(v), imageSize);
            ASSERT_LE(8 * size_t(f), imageSize);
            ASSERT_LE(8 * size_t(t), imageSize);
            ASSERT_LE(18 * size_t(p), imageSize);
            ASSERT_LE(22 * size_t(r), imageSize);
            std::vector<float> floats(16 * size_t(std::max({v, f, t, p, r, 1})));
            std::vector<uint16_t> faces(3 * size_t(f) + 1);
            std::vector<int32_t> frames(size_t(std::max(p, r)) + 1);
            loader.GetVertices(floats.data(), true);
            loader.GetFaces(faces.data());
            loader.GetTexCoords(floats.data());
            loader.GetPositionKeys(floats.data(), frames.data());
            loader.GetRotationKeys(floats.data(), frames.data());
            int32_t start, end;
            loader.GetFrameRange(start, end);
            loader.GetPivot(floats.data());
            loader.GetLocalMatrix(floats.data());
        }
    }
}

class Malformed : public testing::Test {
protected:
    // Loads `bytes`, checks it ends cleanly with `errors` error lines and
    // exercises every getter; the loader stays for further checks.
    void Load(const std::vector<uint8_t>& bytes, int errors)
    {
        loaded = LoadBytes(bytes);
        EXPECT_EQ(Occurrences(loaded.trace, "Error! "), errors) << loaded.trace;
        ExerciseAll(*loaded.loader, bytes.size());
    }
    int32_t VertexCountOf(const char* name)
    {
        testing::internal::CaptureStdout();
        loaded.loader->Find(name, true);
        testing::internal::GetCapturedStdout();
        int32_t n = -1;
        loaded.loader->GetVertexCount(n);
        return n;
    }

    Loaded loaded;
};

std::string Numbered(std::string prefix, int i)
{
    prefix += std::to_string(i);
    return prefix;
}

void Box(ChunkBuilder& b, const std::string& name)
{
    b.Open(chunk::OBJECT).Str(name).Open(chunk::TRIMESH).Vertices({1, 2, 3}).Close().Close();
}

TEST_F(Malformed, ShortChunkLengthStopsTheSpanInsteadOfLooping)
{
    for (uint32_t length : {0u, 1u, 5u}) {
        Load(EditorFile([&](ChunkBuilder& b) {
            Box(b, "Before");
            b.RawChunk(kUnknownChunk, length, {0, 0, 0, 0, 0, 0, 0, 0});
            Box(b, "After");
        }), 1);
        EXPECT_EQ(loaded.loader->ObjectCount(), 1);
        EXPECT_EQ(VertexCountOf("Before"), 1);
    }
}

TEST_F(Malformed, ChildPastItsParentStopsOnlyThatParent)
{
    Load(EditorFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT).Str("Broken").Open(chunk::TRIMESH).RawChunk(chunk::VERTEX_LIST, 500, {1, 0}).Close().Close();
        Box(b, "After");
    }), 1);
    EXPECT_NE(loaded.trace.find("Error! Chunk ID: 16656 at offset"), std::string::npos);
    EXPECT_EQ(loaded.loader->ObjectCount(), 2);
    EXPECT_EQ(VertexCountOf("After"), 1);
    EXPECT_EQ(VertexCountOf("Broken"), 0);
}

TEST_F(Malformed, MainLongerThanTheFileReadsWhatIsThere)
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(chunk::EDITOR);
    Box(b, "Kept");
    b.Close().Open(chunk::KEYFRAMER).Open(chunk::OBJECT_NODE).NodeHeader("Kept", -1).PositionTrack({{0, 1, 2, 3}}).Close().Close();
    b.Close();
    std::vector<uint8_t> bytes = b.Bytes();
    bytes.resize(bytes.size() - 10);
    Load(bytes, 2);
    EXPECT_EQ(loaded.trace.rfind("TESTI: ", 0), 0u);
    EXPECT_NE(loaded.trace.find("Error! MAIN chunk SIZE"), std::string::npos);
    EXPECT_EQ(VertexCountOf("Kept"), 1);
    EXPECT_EQ(loaded.loader->NodeCount(), 0);

    bytes[2] = bytes[3] = bytes[4] = bytes[5] = 0xFF;
    Load(bytes, 2);
    EXPECT_EQ(VertexCountOf("Kept"), 1);

    Load({0x4D, 0x4D, 3, 0, 0, 0, 0x3D, 0x3D}, 1);
    EXPECT_EQ(loaded.trace, "TESTI: 3Error! MAIN chunk SIZE: 3 is shorter than a chunk header.\n");
}

TEST_F(Malformed, TrailingBytesTooShortForAHeader)
{
    Load(EditorFile([](ChunkBuilder& b) {
        Box(b, "Box");
        b.Raw({1, 2, 3, 4});
    }), 1);
    EXPECT_EQ(VertexCountOf("Box"), 1);
}

TEST_F(Malformed, ListCountsBeyondTheirChunkReportNoData)
{
    Load(EditorFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT).Str("Liar").Open(chunk::TRIMESH);
        b.Open(chunk::VERTEX_LIST).U16(100).Vec3(1, 2, 3).Close();
        b.Open(chunk::FACE_LIST).U16(3).U16(0).U16(0).U16(0).U16(0).Close();
        b.Open(chunk::MAPPING_COORDINATES).U16(65535).Close();
        b.Open(chunk::LOCAL_COORDINATE_SYSTEM).Vec3(1, 0, 0).Vec3(0, 1, 0).Vec3(0, 0, 1).F32(1).Close();
        b.Close().Close();
    }), 4);
    EXPECT_EQ(VertexCountOf("Liar"), 0);
    int32_t n = -1;
    EXPECT_FALSE(loaded.loader->GetFaceCount(n));
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(loaded.loader->GetTexCoordCount(n));
    float m[12];
    EXPECT_FALSE(loaded.loader->GetLocalMatrix(m));
    EXPECT_EQ(m[0], 1);
}

TEST_F(Malformed, NamesWithoutTerminatorAreRefused)
{
    Load(EditorFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT).Raw({'A', 'B', 'C'}).Close();
        Box(b, "Next");
    }), 1);
    EXPECT_EQ(loaded.loader->ObjectCount(), 1);
    EXPECT_STREQ(loaded.loader->ObjectName(0), "Next");

    Load(KeyframerFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT_NODE).Open(chunk::NODE_HEADER).Raw({'N', 'o', 'd', 'e'}).Close().Close();
        b.Open(chunk::OBJECT_NODE).Open(chunk::NODE_HEADER).Str("Short").U16(0).Close().Close();
        b.Open(chunk::OBJECT_NODE).NodeHeader("Fine", -1).Close();
    }), 2);
    ASSERT_EQ(loaded.loader->NodeCount(), 3);
    EXPECT_EQ(loaded.loader->NodeName(0), nullptr);
    EXPECT_EQ(loaded.loader->NodeName(1), nullptr);
    EXPECT_STREQ(loaded.loader->NodeName(2), "Fine");
}

TEST_F(Malformed, TracksWhoseKeysOverrunAreDropped)
{
    Load(KeyframerFile([](ChunkBuilder& b) {
        b.Open(chunk::OBJECT_NODE).NodeHeader("Runner", -1);
        b.Open(chunk::POSITION_TRACK).TrackHead(1000).KeyHead(0, 0).Vec3(1, 1, 1).KeyHead(1, 0).Vec3(2, 2, 2).Close();
        b.Open(chunk::ROTATION_TRACK).TrackHead(2).KeyHead(0, 0).F32(1).Vec3(0, 0, 1).KeyHead(1, 0x1F).F32(1).Close();
        b.Open(chunk::HIERARCHY_POSITION).U8(1).Close();
        b.Open(chunk::FRAME_RANGE).U32(1).Close();
        b.Open(chunk::PIVOT).Vec3(1, 2, 3).Close();
        b.Close();
        b.Open(chunk::OBJECT_NODE).NodeHeader("Whole", -1).Open(chunk::POSITION_TRACK).TrackHead(0xFFFFFFFF).Close().Close();
    }), 5);
    bool found = false;
    FindTraced(*loaded.loader, "Runner", true, found);
    int32_t n = -1;
    EXPECT_FALSE(loaded.loader->GetPositionKeyCount(n));
    EXPECT_EQ(n, 0);
    EXPECT_FALSE(loaded.loader->GetRotationKeyCount(n));
    float pivot[3];
    EXPECT_TRUE(loaded.loader->GetPivot(pivot)) << "the well-formed pivot after the bad chunks is kept";
}

TEST_F(Malformed, MoreThanAHundredObjectsOrNodesAreIgnored)
{
    Load(EditorFile([](ChunkBuilder& b) {
        for (int i = 0; i < 102; ++i)
            Box(b, Numbered("O", i));
    }), 2);
    EXPECT_EQ(loaded.loader->ObjectCount(), 100);
    EXPECT_EQ(VertexCountOf("O99"), 1);
    EXPECT_EQ(VertexCountOf("O100"), 1) << "O100 is not registered: the selection stays on O99";

    Load(KeyframerFile([](ChunkBuilder& b) {
        for (int i = 0; i < 101; ++i)
            b.Open(chunk::OBJECT_NODE).NodeHeader(Numbered("N", i), -1).Close();
        b.Open(chunk::FRAME_RANGE).U32(1).U32(2).Close();
    }), 2);
    EXPECT_EQ(loaded.loader->NodeCount(), 100);

    // An object nested in the 100th object must not push the count past the tables.
    Load(EditorFile([](ChunkBuilder& b) {
        for (int i = 0; i < 99; ++i)
            Box(b, Numbered("O", i));
        b.Open(chunk::OBJECT).Str("Outer");
        Box(b, "Inner");
        b.Open(chunk::TRIMESH).Vertices({1, 1, 1}).Close();
        b.Close();
    }), 1);
    EXPECT_EQ(loaded.loader->ObjectCount(), 100);
}

TEST_F(Malformed, DeepNestingIsCutOff)
{
    ChunkBuilder b;
    b.Open(chunk::MAIN);
    for (int i = 0; i < 2000; ++i)
        b.Open(chunk::EDITOR);
    Box(b, "Deep");
    for (int i = 0; i < 2001; ++i)
        b.Close();
    Load(b.Bytes(), 1);
    EXPECT_EQ(loaded.loader->ObjectCount(), 0);
}

TEST(FuzzRegressions, EveryStoredInputLoadsAndAnswersInsideTheImage)
{
    const std::filesystem::path dir = std::filesystem::path(ORV_SOURCE_DIR) / "fuzz/regressions/3ds";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        SCOPED_TRACE(entry.path().filename().string());
        OlvarLoad3DS loader(bytes.data(), bytes.size(), nullptr);
        ExerciseAll(loader, bytes.size());
        ++files;
    }
    EXPECT_GT(files, 0);
}

}  // namespace
