// olvar-inspect FILE [NAME ...]: what the demo makes of a scene file.
// olvar-inspect --tree FILE: the file's chunk tree (see chunk_tree.h).
//
// Loads FILE as the demo does (its trace appears as the demo prints it), then
// for each NAME calls Find(NAME, true) and prints one line:
//   NAME find=F vertices=V faces=N texcoords=T poskeys=P rotkeys=R range=S..E
// followed, when P > 0, by " first=FRAME:X,Y,Z last=FRAME:X,Y,Z".
#include <cstdio>
#include <cstring>
#include <vector>

#include "scenefile/loader3ds.h"
#include "tools/sceneinfo/chunk_tree.h"

namespace {

void PrintKey(const char* label, int32_t frame, const float* xyz)
{
    printf(" %s=%d:%.6g,%.6g,%.6g", label, frame, xyz[0], xyz[1], xyz[2]);
}

void Inspect(OlvarLoad3DS& loader, const char* name)
{
    const bool found = loader.Find(name, true);
    int32_t vertices = 0, faces = 0, texCoords = 0, posKeys = 0, rotKeys = 0, start = 0, end = 0;
    loader.GetVertexCount(vertices);
    loader.GetFaceCount(faces);
    loader.GetTexCoordCount(texCoords);
    loader.GetPositionKeyCount(posKeys);
    loader.GetRotationKeyCount(rotKeys);
    loader.GetFrameRange(start, end);
    printf("%s find=%d vertices=%d faces=%d texcoords=%d poskeys=%d rotkeys=%d range=%d..%d", name, found ? 1 : 0,
           vertices, faces, texCoords, posKeys, rotKeys, start, end);
    if (posKeys > 0) {
        std::vector<float> positions(3 * static_cast<size_t>(posKeys));
        std::vector<int32_t> frames(posKeys);
        loader.GetPositionKeys(positions.data(), frames.data());
        PrintKey("first", frames.front(), &positions[0]);
        PrintKey("last", frames.back(), &positions[3 * (posKeys - 1)]);
    }
    printf("\n");
}

// Prints the chunk tree of a file: 0 when it makes sense throughout, 1 when
// some part does not or the file cannot be read.
int Tree(const char* fileName)
{
    FILE* file = std::fopen(fileName, "rb");
    if (!file) {
        std::fprintf(stderr, "olvar-inspect: cannot open %s\n", fileName);
        return 1;
    }
    std::vector<uint8_t> bytes;
    uint8_t block[65536];
    for (size_t n; (n = std::fread(block, 1, sizeof block, file)) > 0;)
        bytes.insert(bytes.end(), block, block + n);
    const bool readError = std::ferror(file) != 0;
    std::fclose(file);
    if (readError) {
        std::fprintf(stderr, "olvar-inspect: cannot read %s\n", fileName);
        return 1;
    }
    const bool sound = PrintChunkTree(bytes.data(), bytes.size(), stdout);
    std::fflush(stdout);
    return sound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--tree") == 0)
        return Tree(argv[2]);
    if (argc < 2 || argv[1][0] == '-') {
        fprintf(stderr, "usage: olvar-inspect FILE [NAME ...]\n       olvar-inspect --tree FILE\n");
        return 2;
    }
    OlvarLoad3DS loader(argv[1]);
    for (int i = 2; i < argc; ++i)
        Inspect(loader, argv[i]);
    fflush(stdout);
    return 0;
}
