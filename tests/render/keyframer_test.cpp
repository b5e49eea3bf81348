#include <gtest/gtest.h>

#include <vector>

#include "render/keyframer.h"
#include "scene_image.h"

namespace {

// Keys at the given frames; key i sits at (i, 10 * i, frame).
NodeSpec Track(const char* name, const std::vector<int>& frames, uint16_t chunkId = chunk::OBJECT_NODE)
{
    NodeSpec node{name, chunkId, {}, true};
    for (size_t i = 0; i < frames.size(); ++i)
        node.keys.push_back({float(frames[i]), float(i), 10.0f * i, float(frames[i])});
    return node;
}

// Index of the key GetPosition answers with, or -1 for null.
int KeyAt(const OlvarKeyframer& keyframer, int frame)
{
    const float* key = keyframer.GetPosition(frame);
    return key ? static_cast<int>(key[0]) : -1;
}

std::vector<int> Frames(int first, int last)
{
    std::vector<int> frames;
    for (int f = first; f <= last; ++f)
        frames.push_back(f);
    return frames;
}

}  // namespace

TEST(KeyframerLookup, TakesTheGreatestKeyStrictlyBeforeTheFrame)
{
    auto loader = LoadImage(SceneImage({}, {Track("Every", Frames(0, 100)), Track("Tens", {0, 10, 20}),
                                            Track("Single", {0})}));
    OlvarKeyframer every(loader.get(), "Every", true);
    ASSERT_EQ(every.KeyCount(), 101);
    EXPECT_EQ(KeyAt(every, 0), 0);
    EXPECT_EQ(KeyAt(every, 1), 0);
    EXPECT_EQ(KeyAt(every, 50), 49);
    EXPECT_EQ(KeyAt(every, 500), 100);
    EXPECT_EQ(KeyAt(every, -7), 0);

    OlvarKeyframer tens(loader.get(), "Tens", true);
    EXPECT_EQ(KeyAt(tens, 15), 1);
    EXPECT_EQ(KeyAt(tens, 10), 0);
    EXPECT_EQ(KeyAt(tens, 25), 2);
    EXPECT_EQ(KeyAt(tens, 0), 0);

    OlvarKeyframer single(loader.get(), "Single", true);
    for (int frame : {-1, 0, 1, 1000})
        EXPECT_EQ(KeyAt(single, frame), 0) << frame;

    auto unordered = LoadImage(SceneImage({}, {Track("Mixed", {20, 5, 20, 10})}));
    OlvarKeyframer mixed(unordered.get(), "Mixed", true);
    EXPECT_EQ(KeyAt(mixed, 100), 0);  // first of the two keys at 20
    EXPECT_EQ(KeyAt(mixed, 15), 3);
    EXPECT_EQ(KeyAt(mixed, 5), 0);
}

TEST(KeyframerLookup, KeysAreCopiedAndOutliveTheLoader)
{
    auto loader = LoadImage(SceneImage({}, {Track("Camera01", {0, 30}, chunk::CAMERA_NODE),
                                            Track("Camera01", {0, 60}, chunk::CAMERA_TARGET_NODE)}));
    OlvarKeyframer eye(loader.get(), "Camera01", true);
    OlvarKeyframer target(loader.get(), "Camera01.target", true);
    loader.reset();
    ASSERT_NE(eye.GetPosition(100), nullptr);
    EXPECT_EQ(eye.GetPosition(100)[2], 30.0f);
    ASSERT_NE(target.GetPosition(100), nullptr);
    EXPECT_EQ(target.GetPosition(100)[2], 60.0f);
}

TEST(KeyframerLookup, NodeWithoutTrackGivesNull)
{
    NodeSpec bare{"Bare", chunk::OBJECT_NODE, {}, false};
    NodeSpec empty{"Empty", chunk::OBJECT_NODE, {}, true};
    auto loader = LoadImage(SceneImage({}, {bare, empty}));
    OlvarKeyframer none(loader.get(), "Bare", true);
    EXPECT_EQ(none.KeyCount(), 0);
    EXPECT_EQ(none.GetPosition(0), nullptr);
    OlvarKeyframer zero(loader.get(), "Empty", true);
    EXPECT_EQ(zero.GetPosition(10), nullptr);
}

TEST(KeyframerLookup, ChildTakesItsParentsTrackOnlyWhenAsked)
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(chunk::KEYFRAMER);
    b.Open(chunk::OBJECT_NODE).Open(chunk::HIERARCHY_POSITION).I16(5).Close().NodeHeader("Arm", -1);
    b.PositionTrack({{0, 1, 1, 1}, {30, 2, 2, 2}}).Close();
    b.Open(chunk::OBJECT_NODE).Open(chunk::HIERARCHY_POSITION).I16(6).Close().NodeHeader("Hand", 5);
    b.PositionTrack({{0, 7, 7, 7}}).Close();
    b.Close().Close();
    auto loader = LoadImage(b.Bytes());
    OlvarKeyframer parents(loader.get(), "Hand", true);
    ASSERT_EQ(parents.KeyCount(), 2);
    EXPECT_EQ(parents.GetPosition(100)[0], 2.0f);
    OlvarKeyframer own(loader.get(), "Hand", false);
    ASSERT_EQ(own.KeyCount(), 1);
    EXPECT_EQ(own.GetPosition(100)[0], 7.0f);
}
