// The layer's OpenGL ES 3 side: what the fixed-function state turns into on
// the GPU. Enum values are desktop OpenGL's, which OpenGL ES shares for every
// one passed here. No GL header is included, so both the layer's gl side and
// its OpenGL ES side can include this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvgl {

// The per-fragment and framebuffer state a draw or a clear runs with.
struct RasterState {
    bool cullFace = false;
    unsigned cullMode = 0x0405;   // GL_BACK
    unsigned frontFace = 0x0901;  // GL_CCW
    bool depthTest = false;
    unsigned depthFunc = 0x0201;  // GL_LESS
    bool depthMask = true;
    bool blend = false;
    unsigned blendSrc = 1, blendDst = 0;  // GL_ONE, GL_ZERO
    bool stencilTest = false;
    unsigned stencilFunc = 0x0207;  // GL_ALWAYS
    int stencilRef = 0;
    unsigned stencilValueMask = ~0u, stencilWriteMask = ~0u;
    unsigned stencilFail = 0x1E00, stencilZFail = 0x1E00, stencilZPass = 0x1E00;  // GL_KEEP
    bool colorMask[4] = {true, true, true, true};
    float clearColor[4] = {0, 0, 0, 0};
    float clearDepth = 1.0f;
    int clearStencil = 0;
    int viewport[4] = {0, 0, 0, 0};
    unsigned texture = 0;  // bound to texture unit 0
};

// What the shaders compute with: transforms, lighting, texturing.
struct ShadeState {
    float mvp[16];
    float modelview[16];
    float normalMatrix[9];
    bool lighting = false;
    bool light0 = false;
    float lightPosition[4];  // eye coordinates
    float lightAmbient[4], lightDiffuse[4], lightSpecular[4];
    float modelAmbient[4];
    float ambient[4], diffuse[4], specular[4], emission[4];  // front material
    float shininess = 0;
    unsigned colorMaterial = 0;  // kAmbient | kDiffuse | ... taken from the vertex colour
    bool texturing = false;      // a complete texture is bound and GL_TEXTURE_2D is on
    bool sphereS = false, sphereT = false;
    unsigned envMode = 0x2100;  // GL_MODULATE
    float envColor[4] = {0, 0, 0, 0};
    bool textureHasAlpha = false;
};

enum MaterialBits : unsigned { kAmbient = 1, kDiffuse = 2, kSpecular = 4, kEmission = 8 };

// One immediate-mode vertex with the current values it was given.
struct Vertex {
    float position[4];
    float normal[3];
    float texCoord[4];
    float color[4];
};

// Client arrays for glDrawElements: one block, each attribute at an offset
// with a component count, or off (then `current` gives its value).
struct ArrayLayout {
    const unsigned char* base = nullptr;
    int stride = 0;
    int positionSize = 0, normalSize = 0, texCoordSize = 0, colorSize = 0;  // 0: off
    int positionOffset = 0, normalOffset = 0, texCoordOffset = 0, colorOffset = 0;
};

bool BackendInit(std::string* why);
void BackendRelease();
// Sets every piece of OpenGL ES state the layer keeps again (after code that
// called OpenGL ES directly).
void BackendResync();
void BackendClear(const RasterState& raster, unsigned mask);
// Triangles, strips, fans, lines or points (no quads).
void BackendDrawVertices(const RasterState& raster, const ShadeState& shade, unsigned mode,
                         const Vertex* vertices, size_t count);
void BackendDrawElements(const RasterState& raster, const ShadeState& shade, unsigned mode,
                         const ArrayLayout& arrays, const Vertex& current, size_t count, unsigned type,
                         const void* indices);
// Passes straight to OpenGL ES (texture calls bind `raster.texture` first).
void BackendGenTextures(int n, unsigned* names);
void BackendDeleteTextures(int n, const unsigned* names);
void BackendTexParameteri(const RasterState& raster, unsigned pname, int param);
void BackendTexImage2D(const RasterState& raster, int level, int internalFormat, int width, int height,
                       unsigned format, unsigned type, const void* pixels, int unpackAlignment);
void BackendReadBuffer(unsigned mode);
void BackendReadPixels(int x, int y, int width, int height, unsigned format, unsigned type, void* pixels,
                       int packAlignment);
void BackendGetIntegerv(unsigned pname, int* params);
void BackendViewport(int* viewport);  // the context's current viewport
void BackendFinish();
void BackendFlush();
const unsigned char* BackendGetString(unsigned name);
unsigned BackendGetError();

}  // namespace orvgl
