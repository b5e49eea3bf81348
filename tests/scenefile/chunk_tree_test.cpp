// The inspector's chunk tree: indentation by depth, names for known ids, and a
// walk that stops at a chunk that does not fit instead of reading past it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/chunk_builder.h"
#include "tools/sceneinfo/chunk_tree.h"

namespace {

std::string Tree(const std::vector<uint8_t>& image, bool& sound)
{
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    sound = PrintChunkTree(image.data(), image.size(), out);
    std::fclose(out);
    std::string result(text, length);
    std::free(text);
    return result;
}

TEST(ChunkTree, NestedChunksIndentAndAChunkPastItsParentIsCutThere)
{
    ChunkBuilder b;
    b.Open(chunk::MAIN).Open(chunk::EDITOR).Open(chunk::OBJECT).Str("Box01").Open(chunk::TRIMESH);
    b.Vertices({0, 0, 0}).OpenFaces({0, 0, 0}).Open(chunk::SMOOTHING_GROUPS).U32(1).Close().Close();
    b.Close().Close().RawChunk(kUnknownChunk, 1000, {1, 2}).Close().Close();
    bool sound = true;
    const std::string tree = Tree(b.Bytes(), sound);
    EXPECT_FALSE(sound);
    EXPECT_EQ(tree,
              "    offset  chunk\n"
              "         0  0x4D4D MAIN  length 84\n"
              "         6    0x3D3D EDITOR  length 78\n"
              "        12      0x4000 OBJECT  length 64 \"Box01\"\n"
              "        24        0x4100 TRIMESH  length 52\n"
              "        30          0x4110 VERTEX_LIST  length 20 count 1\n"
              "        50          0x4120 FACE_LIST  length 26 count 1\n"
              "        66            0x4150 SMOOTHING_GROUPS  length 10\n"
              "        76      0x7777 ?  length 1000\n"
              "        76        !! only 8 bytes are left of its parent; the tree stops making sense here, "
              "what fits is shown\n");
}

TEST(ChunkTree, NestingIsCutOffInsteadOfExhaustingTheStack)
{
    ChunkBuilder b;
    for (int i = 0; i < 5000; ++i)
        b.Open(chunk::EDITOR);
    for (int i = 0; i < 5000; ++i)
        b.Close();
    bool sound = true;
    const std::string tree = Tree(b.Bytes(), sound);
    EXPECT_FALSE(sound);
    EXPECT_NE(tree.find("!! nesting deeper than 32 levels"), std::string::npos) << tree.substr(0, 2000);
}

}  // namespace
