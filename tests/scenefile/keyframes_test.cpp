// The keyframer side of the reader: node tables, Find's node half with the
// parent-keys rule, and the key getters.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "tests/scenefile/load_util.h"

namespace {

using Mat = std::array<double, 16>;  // column-major, as GL stores it

// The matrix glRotatef(degrees, x, y, z) multiplies by, computed independently.
Mat Rotation(double radians, double x, double y, double z)
{
    const double len = std::sqrt(x * x + y * y + z * z);
    x /= len, y /= len, z /= len;
    const double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
    return {x * x * t + c,     y * x * t + z * s, x * z * t - y * s, 0,
            x * y * t - z * s, y * y * t + c,     y * z * t + x * s, 0,
            x * z * t + y * s, y * z * t - x * s, z * z * t + c,     0,
            0,                 0,                 0,                 1};
}

// Rotation of a stored key (angle, axis): about the negated axis.
Mat KeyRotation(float angle, float x, float y, float z) { return Rotation(angle, -x, -y, -z); }

Mat Multiply(const Mat& a, const Mat& b)
{
    Mat r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                r[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return r;
}

void ExpectMatrix(const float* got, const Mat& want)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(got[i], want[i], 1e-5) << "element " << i;
}

// A node chunk with header, hierarchy position and the tracks `tracks` adds.
template <typename Tracks>
void Node(ChunkBuilder& b, uint16_t id, const char* name, int16_t parent, int16_t position, Tracks tracks)
{
    b.Open(id).Open(chunk::HIERARCHY_POSITION).I16(position).Close().NodeHeader(name, parent);
    tracks(b);
    b.Close();
}

// Parent "Arm" (hierarchy 5) and child "Hand" (parent 5), each with tracks.
std::vector<uint8_t> ParentChildFile()
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(chunk::EDITOR);
    b.Open(chunk::OBJECT).Str("Hand").Open(chunk::TRIMESH).Vertices({0, 0, 0}).Close().Close();
    b.Close().Open(chunk::KEYFRAMER);
    b.Open(chunk::FRAME_RANGE).U32(10).U32(90).Close();
    Node(b, chunk::OBJECT_NODE, "Arm", -1, 5, [](ChunkBuilder& c) {
        c.Open(chunk::PIVOT).Vec3(1, 2, 3).Close();
        c.PositionTrack({{0, 1, 1, 1}, {30, 2, 2, 2}});
        c.RotationTrack({{0, 0.5f, 0, 0, 1}, {30, 0.25f, 1, 0, 0}});
    });
    Node(b, chunk::OBJECT_NODE, "Hand", 5, 6, [](ChunkBuilder& c) {
        c.PositionTrack({{0, 7, 7, 7}});
        c.RotationTrack({{0, 1.0f, 0, 1, 0}, {40, 2.0f, 1, 0, 0}});
    });
    b.Close().Close();
    return b.Bytes();
}

TEST(NodeTables, NodeTraceLinesFollowEachChunk)
{
    Loaded l = LoadBytes(ParentChildFile());
    ASSERT_EQ(l.loader->NodeCount(), 2);
    EXPECT_STREQ(l.loader->NodeName(1), "Hand");
    EXPECT_EQ(Occurrences(l.trace, "(keyframe) MESH found.\n"), 2);
    EXPECT_EQ(Occurrences(l.trace, "(keyframe) Object hierarchy position.\n"), 2);
    EXPECT_EQ(Occurrences(l.trace, "(keyframe) OBJECT parameters found.\n"), 2);
    EXPECT_EQ(Occurrences(l.trace, "(keyframe) Object PIVOT found.\n"), 1);
    EXPECT_EQ(Occurrences(l.trace, "(keyframe) Position track found.\n"), 2);
    EXPECT_EQ(Occurrences(l.trace, "(keyframe) Rotation track found.\n"), 2);
    EXPECT_EQ(Occurrences(l.trace, "ID: 45064, SIZE: 14"), 1) << "frame range has only its ID line";
}

TEST(NodeTables, AmbientAndLightNodeIdsAreSkippedWhole)
{
    Loaded l = LoadBytes(KeyframerFile([](ChunkBuilder& b) {
        b.Open(chunk::AMBIENT_NODE).NodeHeader("$AMBIENT$", -1).PositionTrack({{0, 1, 1, 1}}).Close();
        b.Open(chunk::LIGHT_NODE).NodeHeader("Omni01", -1).Close();
        b.Open(chunk::SPOTLIGHT_NODE).NodeHeader("Spot01", -1).Close();
    }));
    EXPECT_EQ(l.loader->NodeCount(), 1);
    EXPECT_STREQ(l.loader->NodeName(0), "Spot01");
    EXPECT_EQ(Occurrences(l.trace, "(keyframe) OBJECT parameters found.\n"), 1);
}

TEST(FindNodes, ParentKeysAreUsedForChildrenOnlyWhenAsked)
{
    Loaded l = LoadBytes(ParentChildFile());
    bool found = false;
    EXPECT_EQ(FindTraced(*l.loader, "Hand", true, found),
              "Find(): Found object Hand\nFind(): Using parent keyframes for object Hand\n");
    EXPECT_TRUE(found);
    int32_t n = 0, start = -1, end = -1;
    ASSERT_TRUE(l.loader->GetPositionKeyCount(n));
    ASSERT_EQ(n, 2);
    float pos[6];
    int32_t frames[2];
    ASSERT_TRUE(l.loader->GetPositionKeys(pos, frames));
    EXPECT_EQ(frames[1], 30);
    EXPECT_EQ(pos[3], 2);
    EXPECT_TRUE(l.loader->GetFrameRange(start, end));
    EXPECT_EQ(start, 10);
    EXPECT_EQ(end, 90);
    float pivot[3] = {0, 0, 0};
    EXPECT_TRUE(l.loader->GetPivot(pivot));
    EXPECT_EQ(pivot[2], 3);

    EXPECT_EQ(FindTraced(*l.loader, "Hand", false, found),
              "Find(): Found object Hand\nFind(): Found keyframes for object Hand\n");
    EXPECT_TRUE(found);
    ASSERT_TRUE(l.loader->GetPositionKeyCount(n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(l.loader->GetFrameRange(start, end));
    EXPECT_EQ(start, 0) << "the frame range lands on node 0 only";
    EXPECT_EQ(end, 0);
    pivot[0] = pivot[1] = pivot[2] = 4;
    EXPECT_FALSE(l.loader->GetPivot(pivot));
    EXPECT_EQ(pivot[0], 4) << "pivot left unchanged";
}

TEST(FindNodes, ParentPositionMatchingNoNodeSelectsNothing)
{
    Loaded l = LoadBytes(KeyframerFile([](ChunkBuilder& b) {
        Node(b, chunk::OBJECT_NODE, "Orphan", 9, 1, [](ChunkBuilder& c) { c.PositionTrack({{0, 1, 2, 3}}); });
    }));
    bool found = true;
    EXPECT_EQ(FindTraced(*l.loader, "Orphan", true, found), "");
    EXPECT_FALSE(found);
    int32_t n = -1;
    EXPECT_FALSE(l.loader->GetPositionKeyCount(n)) << "no node selected yet";
    EXPECT_EQ(n, 0);
    EXPECT_EQ(FindTraced(*l.loader, "Orphan", false, found), "Find(): Found keyframes for object Orphan\n");
    EXPECT_FALSE(found) << "no object carries the name";
    EXPECT_TRUE(l.loader->GetPositionKeyCount(n));
    EXPECT_EQ(n, 1);
}

TEST(FindNodes, TargetNodesAnswerOnlyToTheirComposedName)
{
    Loaded l = LoadBytes(KeyframerFile([](ChunkBuilder& b) {
        Node(b, chunk::CAMERA_NODE, "Camera01", -1, 0, [](ChunkBuilder& c) { c.PositionTrack({{0, 1, 1, 1}}); });
        Node(b, chunk::CAMERA_TARGET_NODE, "Camera01", -1, 1, [](ChunkBuilder& c) { c.PositionTrack({{0, 2, 2, 2}, {5, 3, 3, 3}}); });
        Node(b, chunk::LIGHT_TARGET_NODE, "Light01", -1, 2, [](ChunkBuilder& c) { c.PositionTrack({{0, 4, 4, 4}}); });
    }));
    EXPECT_STREQ(l.loader->NodeName(1), "Camera01.target");
    bool found = true;
    EXPECT_EQ(FindTraced(*l.loader, "Camera01", true, found), "Find(): Found keyframes for object Camera01\n");
    int32_t n = 0;
    l.loader->GetPositionKeyCount(n);
    EXPECT_EQ(n, 1) << "the plain name finds the camera, not its target";
    EXPECT_EQ(FindTraced(*l.loader, "Camera01.target", true, found),
              "Find(): Found keyframes for object Camera01.target\n");
    EXPECT_FALSE(found);
    float pos[6];
    int32_t frames[2];
    ASSERT_TRUE(l.loader->GetPositionKeys(pos, frames));
    EXPECT_EQ(frames[1], 5);
    EXPECT_EQ(pos[0], 2);
    EXPECT_EQ(FindTraced(*l.loader, "Light01", true, found), "");
    EXPECT_NE(FindTraced(*l.loader, "Light01.target", true, found), "");
}

TEST(KeyGetters, KeyFlagBitsAddOneSkippedFloatEach)
{
    Loaded l = LoadBytes(KeyframerFile([](ChunkBuilder& b) {
        Node(b, chunk::OBJECT_NODE, "Flagged", -1, 0, [](ChunkBuilder& c) {
            c.Open(chunk::POSITION_TRACK).TrackHead(3);
            c.KeyHead(0, 0x11).Vec3(1, 2, 3);
            c.KeyHead(10, 0xFFE0).Vec3(4, 5, 6);
            c.KeyHead(20, 0x1F).Vec3(7, 8, 9);
            c.Close();
            c.Open(chunk::ROTATION_TRACK).TrackHead(2).KeyHead(0, 0x11).F32(1).Vec3(0, 0, 1).KeyHead(8, 0).F32(1).Vec3(0, 0, 1);
            c.Close();
        });
    }));
    EXPECT_EQ(Occurrences(l.trace, "Error!"), 0);
    l.loader->Find("Flagged", true);
    int32_t n = 0;
    ASSERT_TRUE(l.loader->GetPositionKeyCount(n));
    ASSERT_EQ(n, 3);
    float pos[9];
    int32_t frames[3];
    ASSERT_TRUE(l.loader->GetPositionKeys(pos, frames));
    EXPECT_EQ(std::vector<float>(pos, pos + 9), (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(std::vector<int32_t>(frames, frames + 3), (std::vector<int32_t>{0, 10, 20}));
    ASSERT_TRUE(l.loader->GetRotationKeyCount(n));
    EXPECT_EQ(n, 2);
}

TEST(KeyGetters, EmptyTrackIsPresentAndCopiesNothing)
{
    Loaded l = LoadBytes(KeyframerFile([](ChunkBuilder& b) {
        Node(b, chunk::OBJECT_NODE, "Still", -1, 0, [](ChunkBuilder& c) { c.PositionTrack({}); });
    }));
    l.loader->Find("Still", true);
    int32_t n = -1;
    EXPECT_TRUE(l.loader->GetPositionKeyCount(n));
    EXPECT_EQ(n, 0);
    float pos[3] = {6, 6, 6};
    int32_t frame = 6;
    EXPECT_TRUE(l.loader->GetPositionKeys(pos, &frame));
    EXPECT_EQ(pos[0], 6);
    EXPECT_EQ(frame, 6);
    EXPECT_FALSE(l.loader->GetRotationKeyCount(n));
    EXPECT_EQ(n, 0);
}

TEST(RotationKeys, ParentKeysStartFromTheChildsFirstRotation)
{
    Loaded l = LoadBytes(ParentChildFile());
    l.loader->Find("Hand", true);
    int32_t n = 0;
    ASSERT_TRUE(l.loader->GetRotationKeyCount(n));
    ASSERT_EQ(n, 2);
    float m[32];
    int32_t frames[2];
    ASSERT_TRUE(l.loader->GetRotationKeys(m, frames));
    EXPECT_EQ(frames[1], 30);
    const Mat own = KeyRotation(1.0f, 0, 1, 0);
    const Mat first = Multiply(own, KeyRotation(0.5f, 0, 0, 1));
    ExpectMatrix(m, first);
    ExpectMatrix(m + 16, Multiply(first, KeyRotation(0.25f, 1, 0, 0)));

    l.loader->Find("Hand", false);
    ASSERT_TRUE(l.loader->GetRotationKeys(m, frames));
    EXPECT_EQ(frames[1], 40);
    const Mat plain = KeyRotation(1.0f, 0, 1, 0);
    ExpectMatrix(m, plain);
    ExpectMatrix(m + 16, Multiply(plain, KeyRotation(2.0f, 1, 0, 0)));
}

// An axis too short to have a direction contributes the identity, but one
// along x, y or z keeps its direction however short it is.
TEST(RotationKeys, ShortAxisContributesNothingUnlessItLiesAlongXYOrZ)
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(chunk::KEYFRAMER);
    Node(b, chunk::OBJECT_NODE, "Spin", -1, 0, [](ChunkBuilder& c) {
        c.RotationTrack({{0, 0.5f, 0, 0, 1}, {10, 0.7f, 0, 5e-5f, 5e-5f}, {20, 0.25f, 1e-6f, 0, 0}});
    });
    b.Close().Close();
    Loaded l = LoadBytes(b.Bytes());
    l.loader->Find("Spin", false);
    float m[48];
    int32_t frames[3];
    ASSERT_TRUE(l.loader->GetRotationKeys(m, frames));
    const Mat first = KeyRotation(0.5f, 0, 0, 1);
    ExpectMatrix(m, first);
    ExpectMatrix(m + 16, first);
    ExpectMatrix(m + 32, Multiply(first, KeyRotation(0.25f, 1, 0, 0)));
}

}  // namespace
