#include "render/object.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "scenefile/loader.h"
#include "scenefile/reporting.h"

namespace {

const char kTexCoordWarning[] = "WARNING! Number of vertices differ from number of texcoords\n";
const char kBoundsWarning[] = "WARNING! Vertex out of bounds.\n";
const float kUp[3] = {0.0f, 1.0f, 0.0f};

// The mesh builder's warnings go with the reader's trace.
void Warn(const char* text)
{
    if (FILE* trace = OlvarTraceStream())
        std::fputs(text, trace);
}

// A count from the loader; a negative one means none.
int32_t Count(int32_t count) { return count > 0 ? count : 0; }

// The unnormalised normal (p1 - p0) x (p2 - p0), so a face weighs by its area.
void FaceNormal(const float* p0, const float* p1, const float* p2, float* n)
{
    const float ax = p1[0] - p0[0], ay = p1[1] - p0[1], az = p1[2] - p0[2];
    const float bx = p2[0] - p0[0], by = p2[1] - p0[1], bz = p2[2] - p0[2];
    n[0] = ay * bz - az * by;
    n[1] = az * bx - ax * bz;
    n[2] = ax * by - ay * bx;
}

// Adds a face normal to each distinct, in-range corner of the face, so a face
// naming a vertex twice counts once for it.
void AddToCorners(const uint16_t* face, int32_t vertexCount, const float* n, float* sums,
                  float* counts)
{
    for (int k = 0; k < 3; ++k) {
        const uint16_t v = face[k];
        if (v >= vertexCount || (k > 0 && face[0] == v) || (k > 1 && face[1] == v))
            continue;
        sums[3 * v] += n[0];
        sums[3 * v + 1] += n[1];
        sums[3 * v + 2] += n[2];
        counts[v] += 1.0f;
    }
}

// The unit average of a vertex's summed face normals; straight up for a vertex
// in no face or whose sum has no usable length.
void FinishNormal(const float* sum, float count, float* out)
{
    const float* n = kUp;
    float average[3];
    if (count != 0.0f) {
        for (int i = 0; i < 3; ++i)
            average[i] = sum[i] / count;
        const float length = std::sqrt(average[0] * average[0] + average[1] * average[1] +
                                       average[2] * average[2]);
        if (length > 0.0f && std::isfinite(length)) {
            for (float& a : average)
                a /= length;
            n = average;
        }
    }
    out[0] = n[0];
    out[1] = n[1];
    out[2] = n[2];
}

}  // namespace

OlvarObject::OlvarObject(OlvarLoader* loader, const char* name, bool relative)
{
    if (!loader || !name || !loader->Find(name, true))
        return;
    found = true;

    loader->GetVertexCount(vertexCount);
    vertexCount = Count(vertexCount);
    std::vector<float> vertices(size_t(vertexCount) * 3);
    loader->GetVertices(vertices.data(), relative);
    if (relative) {
        float matrix[12];
        loader->GetLocalMatrix(matrix);
        SetPosition(matrix[9], matrix[10], matrix[11]);
    }
    loader->GetFaceCount(faceCount);
    faceCount = Count(faceCount);
    std::vector<uint16_t> faces(size_t(faceCount) * 3);
    loader->GetFaces(faces.data());
    int32_t texCoordCount = 0;
    loader->GetTexCoordCount(texCoordCount);
    texCoordCount = Count(texCoordCount);
    std::vector<float> texCoords(size_t(texCoordCount) * 2);
    loader->GetTexCoords(texCoords.data());

    if (vertexCount != texCoordCount)
        Warn(kTexCoordWarning);
    float* normals = CalcNormals(vertices.data(), vertexCount, faces.data(), faceCount);
    PackVertices(vertices.data(), normals, texCoords.data(), texCoordCount);
    delete[] normals;
    PackIndices(faces.data());
}

OlvarObject::~OlvarObject()
{
    delete[] vertexArray;
    delete[] indexArray;
}

float* OlvarObject::CalcNormals(const float* vertices, int32_t vertexCount,
                                const uint16_t* faces, int32_t faceCount)
{
    if (vertexCount <= 0)
        return nullptr;
    std::vector<float> sums(size_t(vertexCount) * 3, 0.0f);
    std::vector<float> counts(size_t(vertexCount), 0.0f);
    const float* lastGood[3] = {vertices, vertices, vertices};
    for (int32_t f = 0; f < faceCount; ++f) {
        const uint16_t* face = faces + 3 * size_t(f);
        for (int k = 0; k < 3; ++k) {
            if (face[k] < vertexCount)
                lastGood[k] = vertices + 3 * size_t(face[k]);
            else
                Warn(kBoundsWarning);
        }
        float n[3];
        FaceNormal(lastGood[0], lastGood[1], lastGood[2], n);
        AddToCorners(face, vertexCount, n, sums.data(), counts.data());
    }
    float* normals = new float[size_t(vertexCount) * 3];
    for (int32_t v = 0; v < vertexCount; ++v)
        FinishNormal(&sums[3 * size_t(v)], counts[v], normals + 3 * size_t(v));
    return normals;
}

// Interleaves (s, t,) normal and position per vertex; vertices past the end of
// the mapping coordinates get (0, 0).
void OlvarObject::PackVertices(const float* vertices, const float* normals,
                               const float* texCoords, int32_t texCoordCount)
{
    const bool textured = texCoordCount > 0;
    format = textured ? GL_T2F_N3F_V3F : GL_N3F_V3F;
    const size_t stride = textured ? 8 : 6;
    if (vertexCount == 0)
        return;
    vertexArray = new float[size_t(vertexCount) * stride];
    for (int32_t i = 0; i < vertexCount; ++i) {
        float* record = vertexArray + size_t(i) * stride;
        if (textured) {
            *record++ = i < texCoordCount ? texCoords[2 * size_t(i)] : 0.0f;
            *record++ = i < texCoordCount ? texCoords[2 * size_t(i) + 1] : 0.0f;
        }
        const float* n = normals ? normals + 3 * size_t(i) : kUp;
        const float* p = vertices + 3 * size_t(i);
        for (int c = 0; c < 3; ++c)
            record[c] = n[c];
        for (int c = 0; c < 3; ++c)
            record[3 + c] = p[c];
    }
}

// Widens the corners to 32 bits; a corner past the last vertex becomes vertex 0.
void OlvarObject::PackIndices(const uint16_t* faces)
{
    if (faceCount == 0)
        return;
    const size_t corners = size_t(faceCount) * 3;
    indexArray = new uint32_t[corners];
    for (size_t k = 0; k < corners; ++k) {
        uint32_t index = faces[k];
        if (index >= uint32_t(vertexCount)) {
            Warn(kBoundsWarning);
            index = 0;
        }
        indexArray[k] = index;
    }
}

void OlvarObject::Render()
{
    if (vertexCount == 0 || faceCount == 0)
        return;
    glInterleavedArrays(format, 0, vertexArray);
    glDrawElements(GL_TRIANGLES, faceCount * 3, GL_UNSIGNED_INT, indexArray);
}

void OlvarObject::Transform()
{
    if (!found)
        return;
    glTranslatef(position[0], position[1], position[2]);
    glRotatef(rotation[0], 1.0f, 0.0f, 0.0f);
    glRotatef(rotation[1], 0.0f, 1.0f, 0.0f);
    glRotatef(rotation[2], 0.0f, 0.0f, 1.0f);
}

void OlvarObject::SetPosition(float x, float y, float z)
{
    position[0] = x;
    position[1] = y;
    position[2] = z;
}

void OlvarObject::SetRotation(float x, float y, float z)
{
    rotation[0] = x;
    rotation[1] = y;
    rotation[2] = z;
}
