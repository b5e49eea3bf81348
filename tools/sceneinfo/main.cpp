// olvar-inspect FILE [NAME ...]: what the demo makes of a scene file.
// olvar-inspect --tree FILE: the file's chunk tree (see chunk_tree.h).
//
// Loads FILE as the demo does (its trace appears as the demo prints it), then
// for each NAME calls Find(NAME, true) and prints one line:
//   NAME find=F vertices=V faces=N texcoords=T poskeys=P rotkeys=R range=S..E
// followed, when P > 0, by " first=FRAME:X,Y,Z last=FRAME:X,Y,Z".
//
// A file that cannot be read (missing, a directory, a FIFO, a device, over the
// data-file size limit) or that is no scene file at all gets one line on
// stderr saying why, and exit status 1; the trace still shows what the reader
// wrote. A damaged scene file is inspected as far as it goes (status 0). With
// --tree the same files get the same reason and status; a tree that stops
// making sense is printed as far as it goes, its first problem on stderr too,
// and status 1.
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/data_file.h"
#include "scenefile/loader3ds.h"
#include "scenefile/reporting.h"
#include "tools/sceneinfo/chunk_tree.h"

namespace {

bool unusable = false;

// Hears of the loaded file's problems: all but damage (which the trace shows) leave nothing to inspect.
void SayWhy(const char* fileName, const char* problem)
{
    if (std::strncmp(problem, "damaged", 7) == 0)
        return;
    std::fflush(stdout);
    std::fprintf(stderr, "olvar-inspect: %s: %s\n", fileName, problem);
    unusable = true;
}

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

// Prints the chunk tree of a file: 0 when it makes sense throughout, 1 with
// the reason on stderr when some part does not. Whether there is a tree to
// print at all is the reader's verdict, as without --tree: a file it cannot
// read (read as the demo reads its data files: regular files up to the size
// limit, never a FIFO or a device) or one that is no scene file gets its
// reason and 1, and no tree.
int Tree(const char* fileName)
{
    OlvarSetTraceStream(nullptr);
    OlvarSetProblemHandler(SayWhy);
    {
        const OlvarLoad3DS verdict(fileName);
    }
    if (unusable)
        return 1;
    std::vector<char> bytes;
    std::string why;
    if (!OrvReadDataFile(fileName, &bytes, &why)) {
        std::fprintf(stderr, "olvar-inspect: %s: %s\n", fileName, why.c_str());
        return 1;
    }
    const bool sound =
        PrintChunkTree(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), stdout, &why);
    std::fflush(stdout);
    if (!sound)
        std::fprintf(stderr, "olvar-inspect: %s: damaged %s\n", fileName, why.c_str());
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
    OlvarSetProblemHandler(SayWhy);
    OlvarLoad3DS loader(argv[1]);
    if (unusable)
        return 1;
    for (int i = 2; i < argc; ++i)
        Inspect(loader, argv[i]);
    fflush(stdout);
    return 0;
}
