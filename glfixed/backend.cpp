#include "glfixed/backend.h"

#include <GLES3/gl3.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace orvgl {

namespace {

// Desktop OpenGL's per-vertex fixed function: one light, colour material,
// sphere-map generation. The order of the operations follows the programs
// Mesa generates for the same state, so results agree to the rounding.
const char* const kVertexShader = R"(#version 300 es
precision highp float;
precision highp int;
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aTexCoord;
layout(location = 3) in vec4 aColor;
uniform mat4 uMvp;
uniform mat4 uModelview;
uniform mat3 uNormalMatrix;
uniform bool uLighting;
uniform bool uLight0;
uniform vec4 uLightPosition;
uniform vec3 uLightAmbient;
uniform vec3 uLightDiffuse;
uniform vec3 uLightSpecular;
uniform vec3 uModelAmbient;
uniform vec4 uAmbient;
uniform vec4 uDiffuse;
uniform vec4 uSpecular;
uniform vec4 uEmission;
uniform float uShininess;
uniform int uColorMaterial;
uniform bool uSphereS;
uniform bool uSphereT;
out vec4 vColor;
out vec2 vTexCoord;

vec4 Material(int bit, vec4 value)
{
    return (uColorMaterial & bit) != 0 ? aColor : value;
}

void main()
{
    gl_Position = uMvp * aPosition;
    vec4 eye = uModelview * aPosition;
    vec3 normal = uNormalMatrix * aNormal;
    if (uLighting) {
        vec4 ambient = Material(1, uAmbient);
        vec4 diffuse = Material(2, uDiffuse);
        vec4 specular = Material(4, uSpecular);
        vec4 emission = Material(8, uEmission);
        vec3 color = emission.rgb + ambient.rgb * uModelAmbient;
        if (uLight0) {
            vec3 toLight;
            if (uLightPosition.w != 0.0) {
                toLight = uLightPosition.xyz - eye.xyz;
                toLight = toLight * inversesqrt(dot(toLight, toLight));
            } else {
                toLight = normalize(uLightPosition.xyz);
            }
            float nDotL = dot(normal, toLight);
            float lit = max(nDotL, 0.0);
            float shine = 0.0;
            if (nDotL > 0.0) {
                if (uShininess == 0.0) {
                    shine = 1.0;
                } else {
                    vec3 halfway = toLight + vec3(0.0, 0.0, 1.0);
                    halfway = halfway * inversesqrt(dot(halfway, halfway));
                    shine = pow(max(dot(normal, halfway), 0.0), clamp(uShininess, -128.0, 128.0));
                }
            }
            color = uLightAmbient * ambient.rgb + color;
            color = lit * (uLightDiffuse * diffuse.rgb) + color;
            color = shine * (uLightSpecular * specular.rgb) + color;
        }
        vColor = vec4(clamp(color, 0.0, 1.0), clamp(diffuse.a, 0.0, 1.0));
    } else {
        vColor = clamp(aColor, 0.0, 1.0);
    }
    vec2 texCoord = aTexCoord.xy;
    if (uSphereS || uSphereT) {
        vec3 u = eye.xyz * inversesqrt(dot(eye.xyz, eye.xyz));
        float twoNu = dot(normal, u);
        twoNu = twoNu + twoNu;
        vec3 r = -twoNu * normal + u;
        vec3 m = r + vec3(0.0, 0.0, 1.0);
        float halfInvM = inversesqrt(dot(m, m)) * 0.5;
        vec2 sphere = r.xy * halfInvM + 0.5;
        if (uSphereS)
            texCoord.x = sphere.x;
        if (uSphereT)
            texCoord.y = sphere.y;
    }
    vTexCoord = texCoord;
}
)";

// The texture environment of texture unit 0.
const char* const kFragmentShader = R"(#version 300 es
precision highp float;
precision highp int;
in vec4 vColor;
in vec2 vTexCoord;
uniform bool uTexturing;
uniform int uEnvMode;
uniform vec4 uEnvColor;
uniform bool uTextureHasAlpha;
uniform sampler2D uTexture;
out vec4 fragColor;

void main()
{
    vec4 c = vColor;
    if (uTexturing) {
        vec4 t = texture(uTexture, vTexCoord);
        if (uEnvMode == 0x2100) {         // GL_MODULATE
            c = c * t;
        } else if (uEnvMode == 0x0BE2) {  // GL_BLEND
            c = vec4(mix(c.rgb, uEnvColor.rgb, t.rgb), c.a * t.a);
        } else if (uEnvMode == 0x1E01) {  // GL_REPLACE
            c = uTextureHasAlpha ? t : vec4(t.rgb, c.a);
        } else if (uEnvMode == 0x2101) {  // GL_DECAL
            c.rgb = uTextureHasAlpha ? mix(c.rgb, t.rgb, t.a) : t.rgb;
        }
    }
    fragColor = c;
}
)";

enum Uniform {
    uMvp, uModelview, uNormalMatrix, uLighting, uLight0, uLightPosition, uLightAmbient, uLightDiffuse,
    uLightSpecular, uModelAmbient, uAmbient, uDiffuse, uSpecular, uEmission, uShininess, uColorMaterial,
    uSphereS, uSphereT, uTexturing, uEnvMode, uEnvColor, uTextureHasAlpha, uTexture, kUniformCount
};

const char* const kUniformNames[kUniformCount] = {
    "uMvp", "uModelview", "uNormalMatrix", "uLighting", "uLight0", "uLightPosition", "uLightAmbient",
    "uLightDiffuse", "uLightSpecular", "uModelAmbient", "uAmbient", "uDiffuse", "uSpecular", "uEmission",
    "uShininess", "uColorMaterial", "uSphereS", "uSphereT", "uTexturing", "uEnvMode", "uEnvColor",
    "uTextureHasAlpha", "uTexture"};

enum Attribute : GLuint { kPosition = 0, kNormal = 1, kTexCoord = 2, kColor = 3 };

struct Backend {
    GLuint program = 0;
    GLint uniforms[kUniformCount] = {};
    GLuint vao = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    // Bound while a draw does not texture, so the sampler always has a
    // complete texture (WebGL warns about a draw without one).
    GLuint blank = 0;
    RasterState applied;  // what OpenGL ES has now
    bool ready = false;
};

Backend b;

GLuint Compile(GLenum kind, const char* source, std::string* why)
{
    GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok)
        return shader;
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    if (why)
        *why = std::string(kind == GL_VERTEX_SHADER ? "vertex" : "fragment") + " shader: " + log.c_str();
    glDeleteShader(shader);
    return 0;
}

void SetEnabled(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

// Puts `want` into OpenGL ES, calling only what differs from the last time.
void Apply(const RasterState& want, bool force = false)
{
    RasterState& have = b.applied;
    if (force || want.cullFace != have.cullFace)
        SetEnabled(GL_CULL_FACE, want.cullFace);
    if (force || want.cullMode != have.cullMode)
        glCullFace(want.cullMode);
    if (force || want.frontFace != have.frontFace)
        glFrontFace(want.frontFace);
    if (force || want.depthTest != have.depthTest)
        SetEnabled(GL_DEPTH_TEST, want.depthTest);
    if (force || want.depthFunc != have.depthFunc)
        glDepthFunc(want.depthFunc);
    if (force || want.depthMask != have.depthMask)
        glDepthMask(want.depthMask ? GL_TRUE : GL_FALSE);
    if (force || want.blend != have.blend)
        SetEnabled(GL_BLEND, want.blend);
    if (force || want.blendSrc != have.blendSrc || want.blendDst != have.blendDst)
        glBlendFunc(want.blendSrc, want.blendDst);
    if (force || want.stencilTest != have.stencilTest)
        SetEnabled(GL_STENCIL_TEST, want.stencilTest);
    if (force || want.stencilFunc != have.stencilFunc || want.stencilRef != have.stencilRef ||
        want.stencilValueMask != have.stencilValueMask)
        glStencilFunc(want.stencilFunc, want.stencilRef, want.stencilValueMask);
    if (force || want.stencilWriteMask != have.stencilWriteMask)
        glStencilMask(want.stencilWriteMask);
    if (force || want.stencilFail != have.stencilFail || want.stencilZFail != have.stencilZFail ||
        want.stencilZPass != have.stencilZPass)
        glStencilOp(want.stencilFail, want.stencilZFail, want.stencilZPass);
    if (force || !std::equal(want.colorMask, want.colorMask + 4, have.colorMask))
        glColorMask(want.colorMask[0], want.colorMask[1], want.colorMask[2], want.colorMask[3]);
    if (force || !std::equal(want.clearColor, want.clearColor + 4, have.clearColor))
        glClearColor(want.clearColor[0], want.clearColor[1], want.clearColor[2], want.clearColor[3]);
    if (force || want.clearDepth != have.clearDepth)
        glClearDepthf(want.clearDepth);
    if (force || want.clearStencil != have.clearStencil)
        glClearStencil(want.clearStencil);
    if (force || !std::equal(want.viewport, want.viewport + 4, have.viewport))
        glViewport(want.viewport[0], want.viewport[1], want.viewport[2], want.viewport[3]);
    if (force || want.texture != have.texture)
        glBindTexture(GL_TEXTURE_2D, want.texture);
    have = want;
}

// The draw's raster state: the blank texture in place of one it does not sample.
RasterState ForDraw(const RasterState& raster, const ShadeState& shade)
{
    RasterState r = raster;
    if (!shade.texturing)
        r.texture = b.blank;
    return r;
}

void SetUniforms(const ShadeState& s)
{
    const GLint* u = b.uniforms;
    glUniformMatrix4fv(u[uMvp], 1, GL_FALSE, s.mvp);
    glUniformMatrix4fv(u[uModelview], 1, GL_FALSE, s.modelview);
    glUniformMatrix3fv(u[uNormalMatrix], 1, GL_FALSE, s.normalMatrix);
    glUniform1i(u[uLighting], s.lighting);
    glUniform1i(u[uLight0], s.light0);
    glUniform4fv(u[uLightPosition], 1, s.lightPosition);
    glUniform3fv(u[uLightAmbient], 1, s.lightAmbient);
    glUniform3fv(u[uLightDiffuse], 1, s.lightDiffuse);
    glUniform3fv(u[uLightSpecular], 1, s.lightSpecular);
    glUniform3fv(u[uModelAmbient], 1, s.modelAmbient);
    glUniform4fv(u[uAmbient], 1, s.ambient);
    glUniform4fv(u[uDiffuse], 1, s.diffuse);
    glUniform4fv(u[uSpecular], 1, s.specular);
    glUniform4fv(u[uEmission], 1, s.emission);
    glUniform1f(u[uShininess], s.shininess);
    glUniform1i(u[uColorMaterial], static_cast<GLint>(s.colorMaterial));
    glUniform1i(u[uSphereS], s.sphereS);
    glUniform1i(u[uSphereT], s.sphereT);
    glUniform1i(u[uTexturing], s.texturing);
    glUniform1i(u[uEnvMode], static_cast<GLint>(s.envMode));
    glUniform4fv(u[uEnvColor], 1, s.envColor);
    glUniform1i(u[uTextureHasAlpha], s.textureHasAlpha);
}

// An attribute from the bound array buffer, or its current value when off.
void Attribute(GLuint index, int size, int stride, int offset, const float* current)
{
    if (size > 0) {
        glEnableVertexAttribArray(index);
        glVertexAttribPointer(index, size, GL_FLOAT, GL_FALSE, stride,
                              reinterpret_cast<const void*>(static_cast<uintptr_t>(offset)));
    } else {
        glDisableVertexAttribArray(index);
        glVertexAttrib4fv(index, current);
    }
}

}  // namespace

bool BackendInit(std::string* why)
{
    BackendRelease();
    GLuint vs = Compile(GL_VERTEX_SHADER, kVertexShader, why);
    if (!vs)
        return false;
    GLuint fs = Compile(GL_FRAGMENT_SHADER, kFragmentShader, why);
    if (!fs) {
        glDeleteShader(vs);
        return false;
    }
    b.program = glCreateProgram();
    glAttachShader(b.program, vs);
    glAttachShader(b.program, fs);
    glLinkProgram(b.program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(b.program, GL_LINK_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        glGetProgramiv(b.program, GL_INFO_LOG_LENGTH, &length);
        std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
        glGetProgramInfoLog(b.program, length, nullptr, log.data());
        if (why)
            *why = std::string("shader program: ") + log.c_str();
        glDeleteProgram(b.program);
        b.program = 0;
        return false;
    }
    for (int i = 0; i < kUniformCount; ++i)
        b.uniforms[i] = glGetUniformLocation(b.program, kUniformNames[i]);
    glUseProgram(b.program);
    glUniform1i(b.uniforms[uTexture], 0);
    glActiveTexture(GL_TEXTURE0);
    glGenVertexArrays(1, &b.vao);
    glBindVertexArray(b.vao);
    glGenBuffers(1, &b.vertexBuffer);
    glGenBuffers(1, &b.indexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, b.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indexBuffer);
    glGenTextures(1, &b.blank);
    glBindTexture(GL_TEXTURE_2D, b.blank);
    const unsigned char white[4] = {255, 255, 255, 255};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    RasterState initial;
    BackendViewport(initial.viewport);
    Apply(initial, true);
    b.ready = true;
    return true;
}

void BackendRelease()
{
    if (!b.ready)
        return;
    glDeleteBuffers(1, &b.vertexBuffer);
    glDeleteBuffers(1, &b.indexBuffer);
    glDeleteVertexArrays(1, &b.vao);
    glDeleteTextures(1, &b.blank);
    glDeleteProgram(b.program);
    b = Backend{};
}

void BackendResync()
{
    if (!b.ready)
        return;
    glUseProgram(b.program);
    glActiveTexture(GL_TEXTURE0);
    glBindVertexArray(b.vao);
    glBindBuffer(GL_ARRAY_BUFFER, b.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, b.indexBuffer);
    Apply(b.applied, true);
}

void BackendClear(const RasterState& raster, unsigned mask)
{
    Apply(raster);
    glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

void BackendDrawVertices(const RasterState& raster, const ShadeState& shade, unsigned mode,
                         const Vertex* vertices, size_t count)
{
    if (count == 0)
        return;
    Apply(ForDraw(raster, shade));
    SetUniforms(shade);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(Vertex)), vertices, GL_STREAM_DRAW);
    const int stride = sizeof(Vertex);
    Attribute(kPosition, 4, stride, offsetof(Vertex, position), nullptr);
    Attribute(kNormal, 3, stride, offsetof(Vertex, normal), nullptr);
    Attribute(kTexCoord, 4, stride, offsetof(Vertex, texCoord), nullptr);
    Attribute(kColor, 4, stride, offsetof(Vertex, color), nullptr);
    glDrawArrays(mode, 0, static_cast<GLsizei>(count));
}

void BackendDrawElements(const RasterState& raster, const ShadeState& shade, unsigned mode,
                         const ArrayLayout& arrays, const Vertex& current, size_t count, unsigned type,
                         const void* indices)
{
    if (count == 0 || arrays.positionSize == 0 || arrays.base == nullptr)
        return;
    size_t indexSize = 4;
    uint32_t highest = 0;
    if (type == GL_UNSIGNED_INT) {
        const uint32_t* i = static_cast<const uint32_t*>(indices);
        highest = *std::max_element(i, i + count);
    } else if (type == GL_UNSIGNED_SHORT) {
        const uint16_t* i = static_cast<const uint16_t*>(indices);
        highest = *std::max_element(i, i + count);
        indexSize = 2;
    } else if (type == GL_UNSIGNED_BYTE) {
        const uint8_t* i = static_cast<const uint8_t*>(indices);
        highest = *std::max_element(i, i + count);
        indexSize = 1;
    } else {
        return;
    }
    Apply(ForDraw(raster, shade));
    SetUniforms(shade);
    const size_t bytes = static_cast<size_t>(highest + 1) * static_cast<size_t>(arrays.stride);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(bytes), arrays.base, GL_STREAM_DRAW);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * indexSize), indices, GL_STREAM_DRAW);
    const float normal[4] = {current.normal[0], current.normal[1], current.normal[2], 0.0f};
    Attribute(kPosition, arrays.positionSize, arrays.stride, arrays.positionOffset, current.position);
    Attribute(kNormal, arrays.normalSize, arrays.stride, arrays.normalOffset, normal);
    Attribute(kTexCoord, arrays.texCoordSize, arrays.stride, arrays.texCoordOffset, current.texCoord);
    Attribute(kColor, arrays.colorSize, arrays.stride, arrays.colorOffset, current.color);
    glDrawElements(mode, static_cast<GLsizei>(count), type, nullptr);
}

void BackendGenTextures(int n, unsigned* names) { glGenTextures(n, names); }

void BackendDeleteTextures(int n, const unsigned* names)
{
    glDeleteTextures(n, names);
    // OpenGL ES falls back to texture 0 when the bound one goes.
    for (int i = 0; i < n; ++i)
        if (names[i] != 0 && names[i] == b.applied.texture)
            b.applied.texture = 0;
}

void BackendTexParameteri(const RasterState& raster, unsigned pname, int param)
{
    Apply(raster);
    glTexParameteri(GL_TEXTURE_2D, pname, param);
}

void BackendTexImage2D(const RasterState& raster, int level, int internalFormat, int width, int height,
                       unsigned format, unsigned type, const void* pixels, int unpackAlignment)
{
    Apply(raster);
    GLint sized = internalFormat;
    if (internalFormat == 3 || internalFormat == GL_RGB)
        sized = GL_RGB8;
    else if (internalFormat == 4 || internalFormat == GL_RGBA)
        sized = GL_RGBA8;
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glTexImage2D(GL_TEXTURE_2D, level, sized, width, height, 0, format, type, pixels);
}

void BackendReadBuffer(unsigned mode)
{
    GLint framebuffer = 0;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &framebuffer);
    if ((mode == GL_BACK || mode == GL_FRONT) && framebuffer != 0)
        mode = GL_COLOR_ATTACHMENT0;
    else if (mode == GL_FRONT)
        mode = GL_BACK;
    glReadBuffer(mode);
}

void BackendReadPixels(int x, int y, int width, int height, unsigned format, unsigned type, void* pixels,
                       int packAlignment)
{
    if (width <= 0 || height <= 0)
        return;
    if (format != GL_RGB || type != GL_UNSIGNED_BYTE) {
        glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
        glReadPixels(x, y, width, height, format, type, pixels);
        return;
    }
    // OpenGL ES reads RGBA bytes; the rows are repacked as RGB at the asked alignment.
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const size_t row = static_cast<size_t>(width) * 3;
    const size_t align = static_cast<size_t>(std::max(packAlignment, 1));
    const size_t pitch = (row + align - 1) / align * align;
    unsigned char* out = static_cast<unsigned char*>(pixels);
    for (int r = 0; r < height; ++r) {
        const unsigned char* in = rgba.data() + static_cast<size_t>(r) * width * 4;
        unsigned char* o = out + static_cast<size_t>(r) * pitch;
        for (int c = 0; c < width; ++c) {
            o[3 * c] = in[4 * c];
            o[3 * c + 1] = in[4 * c + 1];
            o[3 * c + 2] = in[4 * c + 2];
        }
    }
}

void BackendGetIntegerv(unsigned pname, int* params) { glGetIntegerv(pname, params); }

void BackendViewport(int* viewport) { glGetIntegerv(GL_VIEWPORT, viewport); }

void BackendFinish() { glFinish(); }

void BackendFlush() { glFlush(); }

const unsigned char* BackendGetString(unsigned name) { return glGetString(name); }

unsigned BackendGetError() { return glGetError(); }

}  // namespace orvgl
