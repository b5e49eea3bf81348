#include "render/material.h"

#include "framework/data_file.h"
#include "scenefile/reporting.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "framework/gl_current.h"
#include "render/bmp_image.h"

namespace {

// The largest texture side GL takes; without a current context only the file size limits.
int64_t MaxTextureSide()
{
    if (!OrvCurrentGLContext())
        return INT32_MAX;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? side : INT32_MAX;
}

}  // namespace

OlvarMaterial::OlvarMaterial(const char* fileName)
{
    const bool loaded = LoadBMP(fileName);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    if (loaded)
        glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glEnable(GL_TEXTURE_2D);
    owner = OrvCurrentGLContext();
}

OlvarMaterial::~OlvarMaterial()
{
    delete[] pixels;
    if (texture != 0 && owner != nullptr && OrvCurrentGLContext() == owner)
        glDeleteTextures(1, &texture);
}

bool OlvarMaterial::LoadBMP(const char* fileName)
{
    std::vector<char> bytes;
    std::string why;
    if (!fileName || !OrvReadDataFile(fileName, &bytes, &why)) {
        OlvarReportProblem(fileName ? fileName : "", why.c_str());
        return false;
    }
    if (TakeImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()))
        return true;
    OlvarReportProblem(fileName, "not a 24-bit uncompressed BMP that fits the texture size");
    return false;
}

// Decodes a file's bytes and keeps a copy of the pixel block; width, height
// and pixels change only on success.
bool OlvarMaterial::TakeImage(const uint8_t* data, size_t size)
{
    BmpImage image;
    if (!DecodeBMP(data, size, image, MaxTextureSide()))
        return false;
    uint8_t* block = new (std::nothrow) uint8_t[image.pixelBytes];
    if (!block)
        return false;
    std::copy(image.pixels, image.pixels + image.pixelBytes, block);
    delete[] pixels;
    pixels = block;
    width = image.width;
    height = image.height;
    return true;
}

void OlvarMaterial::Bind() { glBindTexture(GL_TEXTURE_2D, texture); }
