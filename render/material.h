// OlvarMaterial: one OpenGL texture made from a 24-bit uncompressed .bmp file.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class OlvarMaterial {
public:
    // Needs a current GL context. Leaves the new texture bound and GL_TEXTURE_2D enabled.
    explicit OlvarMaterial(const char* fileName);
    ~OlvarMaterial();

    OlvarMaterial(const OlvarMaterial&) = delete;
    OlvarMaterial& operator=(const OlvarMaterial&) = delete;

    // Reads the file into width, height and pixels; true when the whole image was read.
    bool LoadBMP(const char* fileName);
    // Binds the texture to GL_TEXTURE_2D, and nothing else.
    void Bind();

    GLuint Name() const { return texture; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    const uint8_t* Pixels() const { return pixels; }

private:
    GLuint texture = 0;
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};
