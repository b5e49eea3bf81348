// The reader composes rotation keys on the CPU. Here the same keys go through
// Mesa's glRotatef on the model-view stack, and every element of every
// accumulated matrix must agree within 1e-5, on every generated scene file and
// on every file of the external corpus (when there is one). The keys are read
// by a small walk of the test's own, not through the reader.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scenefile/chunk_cursor.h"
#include "scenefile/chunk_ids.h"
#include "scenefile/loader3ds.h"
#include "support/corpus.h"
#include "support/gl_context.h"

namespace {

struct RawNode {
    std::string name;
    int16_t parent = 0;
    int16_t position = 0;
    bool hasTrack = false;
    std::vector<std::array<float, 4>> keys;  // angle in radians, axis x, y, z
};

using Bytes = std::vector<uint8_t>;

bool IsNode(uint16_t id)
{
    return id == chunk::OBJECT_NODE || id == chunk::CAMERA_NODE || id == chunk::CAMERA_TARGET_NODE ||
           id == chunk::LIGHT_TARGET_NODE || id == chunk::SPOTLIGHT_NODE;
}

void ReadRotationTrack(const Bytes& image, uint32_t begin, uint32_t end, RawNode& node)
{
    ChunkCursor c(image.data(), uint32_t(image.size()), begin, end);
    uint32_t count = 0;
    if (!c.Skip(10) || !c.U32(count))
        return;
    node.hasTrack = true;
    node.keys.clear();
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t frame = 0;
        uint16_t flags = 0;
        std::array<float, 4> key{};
        if (!c.U32(frame) || !c.U16(flags) || !c.Skip(4u * std::popcount(unsigned(flags & 0x1F))) ||
            !c.F32(key[0]) || !c.F32(key[1]) || !c.F32(key[2]) || !c.F32(key[3]))
            return;
        node.keys.push_back(key);
    }
}

// Name, parent, hierarchy position and rotation keys of every keyframe node.
void CollectNodes(const Bytes& image, uint32_t at, uint32_t end, std::vector<RawNode>& nodes, RawNode* node,
                  uint16_t nodeId)
{
    while (end - at >= chunk::kHeaderSize) {
        ChunkCursor c(image.data(), uint32_t(image.size()), at, end);
        uint16_t id = 0;
        uint32_t length = 0;
        c.U16(id);
        c.U32(length);
        if (length < chunk::kHeaderSize || length > end - at)
            return;
        const uint32_t data = at + chunk::kHeaderSize, next = at + length;
        if (id == chunk::KEYFRAMER) {
            CollectNodes(image, data, next, nodes, nullptr, 0);
        } else if (IsNode(id)) {
            RawNode fresh;
            CollectNodes(image, data, next, nodes, &fresh, id);
            nodes.push_back(fresh);
        } else if (node && id == chunk::NODE_HEADER) {
            const uint32_t nameLength = c.MeasureString();
            node->name = c.Chars();
            if (nodeId == chunk::CAMERA_TARGET_NODE || nodeId == chunk::LIGHT_TARGET_NODE)
                node->name += ".target";
            c.Skip(nameLength + 4);
            c.I16(node->parent);
        } else if (node && id == chunk::HIERARCHY_POSITION) {
            c.I16(node->position);
        } else if (node && id == chunk::ROTATION_TRACK) {
            ReadRotationTrack(image, data, next, *node);
        }
        at = next;
    }
}

// The accumulated matrices Mesa's matrix stack gives for the keys.
std::vector<float> MesaMatrices(const RawNode* own, const RawNode& selected)
{
    auto rotate = [](const std::array<float, 4>& k) {
        glRotatef(static_cast<float>(k[0] * 180.0 / 3.14159265358979323846), -k[1], -k[2], -k[3]);
    };
    std::vector<float> out(16 * selected.keys.size());
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    if (own && !own->keys.empty())
        rotate(own->keys.front());
    for (size_t i = 0; i < selected.keys.size(); ++i) {
        rotate(selected.keys[i]);
        glGetFloatv(GL_MODELVIEW_MATRIX, &out[16 * i]);
    }
    glPopMatrix();
    return out;
}

class RotationAgainstMesa : public GLTest {
protected:
    // Every node name, with and without its parent's keys: the selection the
    // node rules give, its keys through Mesa, and the reader's matrices.
    void CompareFile(const std::filesystem::path& path)
    {
        SCOPED_TRACE(path.string());
        std::ifstream in(path, std::ios::binary);
        const Bytes image{std::istreambuf_iterator<char>(in), {}};
        ASSERT_FALSE(image.empty());
        std::vector<RawNode> nodes;
        CollectNodes(image, chunk::kHeaderSize, uint32_t(image.size()), nodes, nullptr, 0);
        OlvarLoad3DS loader(image.data(), image.size(), nullptr);
        ASSERT_EQ(loader.NodeCount(), int(nodes.size()));
        for (const RawNode& named : nodes)
            for (bool parentKeys : {false, true})
                CompareSelection(loader, nodes, named.name, parentKeys);
        ++files;
    }

    void CompareSelection(OlvarLoad3DS& loader, const std::vector<RawNode>& nodes, const std::string& name,
                          bool parentKeys)
    {
        const RawNode *selected = nullptr, *own = nullptr;
        for (const RawNode& i : nodes) {
            if (i.name != name)
                continue;
            if (i.parent != -1 && parentKeys) {
                for (const RawNode& j : nodes)
                    if (j.position == i.parent)
                        selected = &j, own = &i;
            } else {
                selected = &i, own = nullptr;
            }
        }
        if (!selected || !selected->hasTrack)
            return;
        loader.Find(name.c_str(), parentKeys);
        int32_t n = -1;
        ASSERT_TRUE(loader.GetRotationKeyCount(n)) << name;
        ASSERT_EQ(n, int32_t(selected->keys.size())) << name;
        std::vector<float> ours(16 * size_t(n) + 1);
        std::vector<int32_t> frames(size_t(n) + 1);
        ASSERT_TRUE(loader.GetRotationKeys(ours.data(), frames.data()));
        const std::vector<float> mesa = MesaMatrices(own, *selected);
        for (size_t e = 0; e < mesa.size(); ++e) {
            const double diff = std::fabs(double(ours[e]) - double(mesa[e]));
            largest = std::max(largest, diff);
            ASSERT_LE(diff, 1e-5) << name << (parentKeys ? " (parent keys)" : "") << " key " << e / 16
                                  << " element " << e % 16;
        }
        matrices += n;
    }

    void TearDown() override
    {
        std::printf("%d files, %d matrices; largest difference from Mesa: %.3g\n", files, matrices, largest);
        GLTest::TearDown();
    }

    int files = 0;
    int matrices = 0;
    double largest = 0;
};

TEST_F(RotationAgainstMesa, GeneratedSceneFiles)
{
    const auto files = SceneFilesIn(ORV_DATA_DIR);
    ASSERT_FALSE(files.empty()) << "no generated scene files in " ORV_DATA_DIR " (build the data target)";
    for (const auto& path : files)
        CompareFile(path);
}

TEST_F(RotationAgainstMesa, CorpusFiles)
{
    ORV_CORPUS_OR_SKIP(dir);
    const auto files = SceneFilesIn(dir);
    ASSERT_FALSE(files.empty()) << "no .3ds files in " << dir;
    for (const auto& path : files)
        CompareFile(path);
    EXPECT_GT(matrices, 0);
}

}  // namespace
