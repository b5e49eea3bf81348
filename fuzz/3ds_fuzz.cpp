// Scene-file harness: loads arbitrary bytes, then selects every name the file
// holds (and a few it does not) and runs every getter on each selection.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "scenefile/loader3ds.h"

namespace {

// Calls every getter with storage sized from its count getter.
void QueryAll(const OlvarLoad3DS& loader)
{
    int32_t n = 0;
    loader.GetFaceCount(n);
    std::vector<uint16_t> faces(3 * static_cast<size_t>(n) + 1);
    loader.GetFaces(faces.data());
    loader.GetVertexCount(n);
    std::vector<float> vertices(3 * static_cast<size_t>(n) + 1);
    loader.GetVertices(vertices.data(), false);
    loader.GetVertices(vertices.data(), true);
    loader.GetTexCoordCount(n);
    std::vector<float> uv(2 * static_cast<size_t>(n) + 1);
    loader.GetTexCoords(uv.data());

    loader.GetPositionKeyCount(n);
    std::vector<float> positions(3 * static_cast<size_t>(n) + 1);
    std::vector<int32_t> frames(static_cast<size_t>(n) + 1);
    loader.GetPositionKeys(positions.data(), frames.data());
    loader.GetRotationKeyCount(n);
    std::vector<float> matrices(16 * static_cast<size_t>(n) + 1);
    frames.assign(static_cast<size_t>(n) + 1, 0);
    loader.GetRotationKeys(matrices.data(), frames.data());

    int32_t start = 0, end = 0;
    loader.GetFrameRange(start, end);
    float pivot[3] = {0, 0, 0}, origin[3], local[12];
    loader.GetPivot(pivot);
    loader.GetLocalOrigin(origin);
    loader.GetLocalMatrix(local);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The trace is formatted (so its string arguments are checked) but discarded.
    static FILE* sink = fopen("/dev/null", "w");

    OlvarLoad3DS loader(data, size, sink);
    std::vector<std::string> names = {"", "Box01", "Camera01", "Camera01.target", "not in the file"};
    for (int i = 0; i < loader.ObjectCount(); ++i)
        if (const char* name = loader.ObjectName(i))
            names.emplace_back(name);
    for (int i = 0; i < loader.NodeCount(); ++i)
        if (const char* name = loader.NodeName(i))
            names.emplace_back(name);
    QueryAll(loader);
    for (const std::string& name : names) {
        for (bool useParentKeys : {true, false}) {
            loader.Find(name.c_str(), useParentKeys);
            QueryAll(loader);
        }
    }
    return 0;
}
