// OlvarMaterial: one OpenGL texture made from a 24-bit uncompressed .bmp file.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>

class OlvarMaterial {
public:
    // Needs a current GL context. Leaves the new texture bound and GL_TEXTURE_2D enabled.
    // When the file can't be read the texture object gets filters but no image.
    explicit OlvarMaterial(const char* fileName);
    // Deletes the texture only while the context it was made in is current.
    ~OlvarMaterial();

    OlvarMaterial(const OlvarMaterial&) = delete;
    OlvarMaterial& operator=(const OlvarMaterial&) = delete;

    // Reads the file into width, height and pixels; true when the whole image was read.
    // Takes 24-bit files with one plane and a positive height (bottom row first);
    // the pixels come from offset 54, rows padded to four bytes as stored (see
    // render/bmp_image.h, which decodes them). On failure width, height and
    // pixels keep their values.
    bool LoadBMP(const char* fileName);
    // Binds the texture to GL_TEXTURE_2D, and nothing else.
    void Bind();

    GLuint Name() const { return texture; }
    int32_t Width() const { return width; }
    int32_t Height() const { return height; }
    // Rows of Width() * 3 bytes, each padded to a multiple of four; null until loaded.
    const uint8_t* Pixels() const { return pixels; }

private:
    bool TakeImage(const uint8_t* data, size_t size);

    GLuint texture = 0;
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    void* owner = nullptr;  // the GL context the texture was made in
};
