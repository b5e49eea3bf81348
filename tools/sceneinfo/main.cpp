// olvar-inspect FILE [NAME ...]: what the demo makes of a scene file.
//
// Loads FILE as the demo does (its trace appears as the demo prints it), then
// for each NAME calls Find(NAME, true) and prints one line:
//   NAME find=F vertices=V faces=N texcoords=T poskeys=P rotkeys=R range=S..E
// followed, when P > 0, by " first=FRAME:X,Y,Z last=FRAME:X,Y,Z".
#include <cstdio>
#include <vector>

#include "framework/offscreen.h"
#include "scenefile/loader3ds.h"

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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: olvar-inspect FILE [NAME ...]\n");
        return 2;
    }
    // Rotation keys are built on the GL matrix stack, so queries run with a context current.
    OrvOffscreen gl(64, 64);
    OlvarLoad3DS loader(argv[1]);
    for (int i = 2; i < argc; ++i)
        Inspect(loader, argv[i]);
    fflush(stdout);
    return 0;
}
