// The inspector's chunk tree: indentation by depth, names for known ids, and a
// walk that stops at a chunk that does not fit instead of reading past it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/chunk_builder.h"
#include "support/files.h"
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

// The inspector program on paths that are no readable file: it never waits on
// a FIFO or reads an endless device, says why on stderr and exits 1, in both
// of its modes; loading still shows the reader's own trace line.
TEST(Inspector, PathsThatCannotBeReadGiveTheReasonAndExitOne)
{
    char pattern[] = "/tmp/orv-inspect-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern, fifo = dir + "/fifo", outPath = dir + "/out", errPath = dir + "/err";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {dir + "/missing.3ds", dir, fifo, std::string("/dev/zero")}) {
        for (const bool tree : {false, true}) {
            const std::string args = tree ? " --tree " + path : " " + path + " Box01";
            const int status = std::system(
                (std::string("timeout 5 ") + ORV_INSPECT + args + " >" + outPath + " 2>" + errPath).c_str());
            const std::string what = path + (tree ? " (tree)" : "");
            ASSERT_TRUE(WIFEXITED(status)) << what;
            EXPECT_EQ(WEXITSTATUS(status), 1) << what << " (124: it hung)";
            const std::string err = ReadAll(errPath), said = "olvar-inspect: " + path + ": ";
            EXPECT_EQ(err.compare(0, said.size(), said), 0) << what << ": " << err;
            EXPECT_GT(err.size(), said.size() + 1) << what << ": no reason given";
            EXPECT_EQ(ReadAll(outPath), tree ? "" : "Error! Unable to open file " + path) << what;
        }
    }
    unlink(fifo.c_str());
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    rmdir(dir.c_str());
}

}  // namespace

// A file the reader finds to be no scene file (empty, text, a renamed image)
// gets one verdict in both modes: its reason on stderr and exit 1, and no tree.
TEST(Inspector, NoSceneFileGetsTheSameVerdictWithTheTree)
{
    char pattern[] = "/tmp/orv-inspect-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern, text = dir + "/notes.3ds", empty = dir + "/empty.3ds";
    const std::string outPath = dir + "/out", errPath = dir + "/err";
    std::FILE* file = std::fopen(text.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("a few words of plain text, long enough for a chunk header\n", file);
    std::fclose(file);
    std::fclose(std::fopen(empty.c_str(), "w"));
    for (const std::string& path : {text, empty}) {
        std::string said[2];
        for (const bool tree : {false, true}) {
            const std::string args = tree ? " --tree " + path : " " + path;
            const int status =
                std::system((std::string(ORV_INSPECT) + args + " >" + outPath + " 2>" + errPath).c_str());
            ASSERT_TRUE(WIFEXITED(status)) << path;
            EXPECT_EQ(WEXITSTATUS(status), 1) << path << (tree ? " (tree)" : "");
            said[tree] = ReadAll(errPath);
            if (tree) {
                EXPECT_EQ(ReadAll(outPath), "") << path << ": a tree of no scene file";
            }
        }
        EXPECT_NE(said[0].find("olvar-inspect: " + path + ": not a scene file"), std::string::npos) << said[0];
        EXPECT_EQ(said[1], said[0]);
    }
    std::system(("rm -rf '" + dir + "'").c_str());
}
