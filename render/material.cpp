#include "render/material.h"

#include <EGL/egl.h>
#include <GL/glx.h>

#include <cstdio>
#include <new>

namespace {

constexpr long kHeaderSize = 54;

// The GL context current on this thread (GLX for the show, EGL offscreen), or null.
void* CurrentContext()
{
    if (GLXContext glx = glXGetCurrentContext())
        return glx;
    EGLContext egl = eglGetCurrentContext();
    return egl == EGL_NO_CONTEXT ? nullptr : egl;
}

int32_t ReadI32(const uint8_t* p)
{
    return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                uint32_t(p[3]) << 24);
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Bytes in one stored row: three per pixel, padded to a multiple of four as the
// format stores them and as GL's default unpack alignment expects them.
uint64_t RowBytes(int32_t width) { return (uint64_t(width) * 3 + 3) & ~uint64_t(3); }

// The largest texture side GL takes; without a current context only the file size limits.
int64_t MaxTextureSide()
{
    if (!CurrentContext())
        return INT32_MAX;
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? side : INT32_MAX;
}

// Size of an open file in bytes, or -1.
long FileSize(FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    return std::ftell(file);
}

// The pixel block size for a header, or 0 when the header is unusable or the
// block is larger than what follows the header in a file of `fileSize` bytes.
uint64_t PixelBytes(const uint8_t* header, long fileSize, int32_t& width, int32_t& height)
{
    width = ReadI32(header + 18);
    height = ReadI32(header + 22);
    if (ReadU16(header + 26) != 1 || ReadU16(header + 28) != 24)
        return 0;
    const int64_t maxSide = MaxTextureSide();
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide)
        return 0;
    const uint64_t bytes = RowBytes(width) * uint64_t(height);
    return bytes <= uint64_t(fileSize - kHeaderSize) ? bytes : 0;
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
    owner = CurrentContext();
}

OlvarMaterial::~OlvarMaterial()
{
    delete[] pixels;
    if (texture != 0 && owner != nullptr && CurrentContext() == owner)
        glDeleteTextures(1, &texture);
}

bool OlvarMaterial::LoadBMP(const char* fileName)
{
    FILE* file = fileName ? std::fopen(fileName, "rb") : nullptr;
    if (!file)
        return false;
    const bool ok = ReadImage(file);
    std::fclose(file);
    return ok;
}

// Reads header and pixel block; width, height and pixels change only on success.
bool OlvarMaterial::ReadImage(FILE* file)
{
    uint8_t header[kHeaderSize];
    const long fileSize = FileSize(file);
    if (fileSize < kHeaderSize || std::fseek(file, 0, SEEK_SET) != 0 ||
        std::fread(header, 1, sizeof header, file) != sizeof header)
        return false;
    int32_t w = 0, h = 0;
    const uint64_t bytes = PixelBytes(header, fileSize, w, h);
    if (bytes == 0)
        return false;
    uint8_t* block = new (std::nothrow) uint8_t[bytes];
    if (!block)
        return false;
    if (std::fread(block, 1, bytes, file) != bytes) {
        delete[] block;
        return false;
    }
    delete[] pixels;
    pixels = block;
    width = w;
    height = h;
    return true;
}

void OlvarMaterial::Bind() { glBindTexture(GL_TEXTURE_2D, texture); }
