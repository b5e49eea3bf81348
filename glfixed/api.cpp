// The gl and glu calls of glfixed/include: the fixed-function state, the
// matrix stacks, immediate mode and display lists. Drawing goes through
// backend.cpp.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "glfixed/backend.h"
#include "glfixed/glfixed.h"
#include "glfixed/matrix.h"

using orvgl::Matrix;

namespace {

using Color = std::array<float, 4>;

struct Material {
    Color ambient{0.2f, 0.2f, 0.2f, 1.0f};
    Color diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    Color specular{0.0f, 0.0f, 0.0f, 1.0f};
    Color emission{0.0f, 0.0f, 0.0f, 1.0f};
    float shininess = 0.0f;
};

// The state glPushAttrib saves, grouped as its mask bits name it.
struct Attributes {
    // GL_CURRENT_BIT
    Color color{1, 1, 1, 1};
    std::array<float, 3> normal{0, 0, 1};
    Color texCoord{0, 0, 0, 1};
    // GL_LIGHTING_BIT (with the lighting enables)
    bool lighting = false, light0 = false, colorMaterial = false;
    Color lightAmbient{0, 0, 0, 1}, lightDiffuse{1, 1, 1, 1}, lightSpecular{1, 1, 1, 1};
    Color lightPosition{0, 0, 1, 0};  // eye coordinates
    Color modelAmbient{0.2f, 0.2f, 0.2f, 1.0f};
    Material front, back;
    GLenum colorMaterialFace = GL_FRONT_AND_BACK;
    GLenum colorMaterialMode = GL_AMBIENT_AND_DIFFUSE;
    // GL_TEXTURE_BIT (with the texture enables)
    bool texture2D = false, texGenS = false, texGenT = false;
    GLenum texGenModeS = 0x2400, texGenModeT = 0x2400;  // GL_EYE_LINEAR
    GLenum envMode = GL_MODULATE;
    Color envColor{0, 0, 0, 0};
    // GL_TRANSFORM_BIT
    GLenum matrixMode = GL_MODELVIEW;
    bool normalize = false;
    // GL_DEPTH_BUFFER_BIT, GL_STENCIL_BUFFER_BIT, GL_COLOR_BUFFER_BIT,
    // GL_POLYGON_BIT, GL_VIEWPORT_BIT and the texture binding
    orvgl::RasterState raster;
};

struct PushedAttributes {
    GLbitfield mask;
    Attributes saved;
};

struct ClientState {
    GLint packAlignment = 4;
    GLint unpackAlignment = 4;
    orvgl::ArrayLayout arrays;
};

struct PushedClient {
    GLbitfield mask;
    ClientState saved;
};

struct TextureInfo {
    bool hasImage = false;
    bool hasAlpha = false;
    GLint minFilter = 0x2702;  // GL_NEAREST_MIPMAP_LINEAR: no image is complete without mipmaps
};

using Command = std::function<void()>;

struct Layer {
    Attributes a;
    ClientState client;
    std::vector<PushedAttributes> attribStack;
    std::vector<PushedClient> clientStack;
    std::vector<Matrix> modelview{orvgl::Identity()};
    std::vector<Matrix> projection{orvgl::Identity()};
    std::map<GLuint, TextureInfo> textures;
    // Immediate mode.
    bool inBegin = false;
    GLenum primitive = 0;
    std::vector<orvgl::Vertex> vertices;
    // Display lists.
    std::map<GLuint, std::vector<Command>> lists;
    GLuint nextList = 1;
    GLuint compiling = 0;
    bool executeWhileCompiling = false;
    std::vector<Command> recording;
    int replaying = 0;  // depth of glCallList being run
    GLenum error = GL_NO_ERROR;
};

Layer g;

constexpr size_t kModelviewDepth = 32;
constexpr size_t kProjectionDepth = 4;
constexpr int kListNesting = 64;

void SetError(GLenum e)
{
    if (g.error == GL_NO_ERROR)
        g.error = e;
}

// Records a command into the list being compiled; true when it is not to be
// executed now as well.
bool Record(Command command)
{
    if (g.compiling == 0 || g.replaying > 0)
        return false;
    g.recording.push_back(std::move(command));
    return !g.executeWhileCompiling;
}

std::vector<Matrix>& CurrentStack()
{
    return g.a.matrixMode == GL_PROJECTION ? g.projection : g.modelview;
}

Matrix& Top() { return CurrentStack().back(); }

Material* FaceMaterials(GLenum face, Material** second)
{
    *second = face == GL_FRONT_AND_BACK ? &g.a.back : nullptr;
    return face == GL_BACK ? &g.a.back : &g.a.front;
}

unsigned TrackedBits()
{
    if (!g.a.colorMaterial)
        return 0;
    switch (g.a.colorMaterialMode) {
    case GL_AMBIENT: return orvgl::kAmbient;
    case GL_DIFFUSE: return orvgl::kDiffuse;
    case GL_SPECULAR: return orvgl::kSpecular;
    case GL_EMISSION: return orvgl::kEmission;
    case GL_AMBIENT_AND_DIFFUSE: return orvgl::kAmbient | orvgl::kDiffuse;
    default: return 0;
    }
}

void SetMaterial(Material& m, unsigned bits, const Color& value)
{
    if (bits & orvgl::kAmbient)
        m.ambient = value;
    if (bits & orvgl::kDiffuse)
        m.diffuse = value;
    if (bits & orvgl::kSpecular)
        m.specular = value;
    if (bits & orvgl::kEmission)
        m.emission = value;
}

// With colour material on, the tracked material colours follow the current colour.
void TrackColor()
{
    const unsigned bits = TrackedBits();
    if (bits == 0)
        return;
    Material* second = nullptr;
    Material* first = FaceMaterials(g.a.colorMaterialFace, &second);
    SetMaterial(*first, bits, g.a.color);
    if (second)
        SetMaterial(*second, bits, g.a.color);
}

orvgl::ShadeState Shade()
{
    orvgl::ShadeState s;
    const Matrix& mv = g.modelview.back();
    const Matrix mvp = orvgl::Multiply(g.projection.back(), mv);
    std::memcpy(s.mvp, mvp.m, sizeof s.mvp);
    std::memcpy(s.modelview, mv.m, sizeof s.modelview);
    orvgl::NormalMatrix(mv, s.normalMatrix);
    const Attributes& a = g.a;
    s.lighting = a.lighting;
    s.light0 = a.light0;
    std::copy(a.lightPosition.begin(), a.lightPosition.end(), s.lightPosition);
    std::copy(a.lightAmbient.begin(), a.lightAmbient.end(), s.lightAmbient);
    std::copy(a.lightDiffuse.begin(), a.lightDiffuse.end(), s.lightDiffuse);
    std::copy(a.lightSpecular.begin(), a.lightSpecular.end(), s.lightSpecular);
    std::copy(a.modelAmbient.begin(), a.modelAmbient.end(), s.modelAmbient);
    std::copy(a.front.ambient.begin(), a.front.ambient.end(), s.ambient);
    std::copy(a.front.diffuse.begin(), a.front.diffuse.end(), s.diffuse);
    std::copy(a.front.specular.begin(), a.front.specular.end(), s.specular);
    std::copy(a.front.emission.begin(), a.front.emission.end(), s.emission);
    s.shininess = a.front.shininess;
    const bool front = a.colorMaterialFace == GL_FRONT || a.colorMaterialFace == GL_FRONT_AND_BACK;
    s.colorMaterial = front ? TrackedBits() : 0;
    const auto texture = g.textures.find(a.raster.texture);
    const bool complete = texture != g.textures.end() && texture->second.hasImage &&
                          (texture->second.minFilter == GL_NEAREST || texture->second.minFilter == GL_LINEAR);
    s.texturing = a.texture2D && complete;
    s.textureHasAlpha = complete && texture->second.hasAlpha;
    s.sphereS = a.texGenS && a.texGenModeS == GL_SPHERE_MAP;
    s.sphereT = a.texGenT && a.texGenModeT == GL_SPHERE_MAP;
    s.envMode = a.envMode;
    std::copy(a.envColor.begin(), a.envColor.end(), s.envColor);
    return s;
}

orvgl::Vertex CurrentVertex(float x, float y, float z, float w)
{
    orvgl::Vertex v;
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.position[3] = w;
    std::copy(g.a.normal.begin(), g.a.normal.end(), v.normal);
    std::copy(g.a.texCoord.begin(), g.a.texCoord.end(), v.texCoord);
    std::copy(g.a.color.begin(), g.a.color.end(), v.color);
    return v;
}

// Draws what glBegin/glEnd gathered. Quads are split (0,1,3), (1,2,3) as Mesa
// splits them: the diagonal decides where the rasteriser puts edge pixels.
void DrawGathered()
{
    std::vector<orvgl::Vertex>& v = g.vertices;
    GLenum mode = g.primitive;
    if (mode == GL_QUADS) {
        std::vector<orvgl::Vertex> triangles;
        triangles.reserve(v.size() / 4 * 6);
        for (size_t q = 0; q + 3 < v.size(); q += 4)
            for (size_t corner : {0, 1, 3, 1, 2, 3})
                triangles.push_back(v[q + corner]);
        v.swap(triangles);
        mode = GL_TRIANGLES;
    } else if (mode == GL_POLYGON) {
        mode = GL_TRIANGLE_FAN;
    }
    orvgl::BackendDrawVertices(g.a.raster, Shade(), mode, v.data(), v.size());
    v.clear();
}

bool* EnableFlag(GLenum cap)
{
    Attributes& a = g.a;
    switch (cap) {
    case GL_LIGHTING: return &a.lighting;
    case GL_LIGHT0: return &a.light0;
    case GL_COLOR_MATERIAL: return &a.colorMaterial;
    case GL_CULL_FACE: return &a.raster.cullFace;
    case GL_DEPTH_TEST: return &a.raster.depthTest;
    case GL_BLEND: return &a.raster.blend;
    case GL_STENCIL_TEST: return &a.raster.stencilTest;
    case GL_TEXTURE_2D: return &a.texture2D;
    case GL_TEXTURE_GEN_S: return &a.texGenS;
    case GL_TEXTURE_GEN_T: return &a.texGenT;
    case GL_NORMALIZE: return &a.normalize;
    default: return nullptr;
    }
}

void SetEnable(GLenum cap, bool on)
{
    if (cap == GL_MULTISAMPLE || cap == GL_DITHER)
        return;  // OpenGL ES has them always on: the context decides
    bool* flag = EnableFlag(cap);
    if (!flag) {
        SetError(GL_INVALID_ENUM);
        return;
    }
    const bool was = *flag;
    *flag = on;
    if (cap == GL_COLOR_MATERIAL && on && !was)
        TrackColor();
}

void SetColor(float r, float gr, float b, float al)
{
    g.a.color = {r, gr, b, al};
    TrackColor();
}

Color Copy4(const GLfloat* v) { return {v[0], v[1], v[2], v[3]}; }

void ApplyMaterial(GLenum face, GLenum pname, const Color& value)
{
    // Colour material owns the colours it tracks while it is on.
    unsigned bits = 0;
    switch (pname) {
    case GL_AMBIENT: bits = orvgl::kAmbient; break;
    case GL_DIFFUSE: bits = orvgl::kDiffuse; break;
    case GL_SPECULAR: bits = orvgl::kSpecular; break;
    case GL_EMISSION: bits = orvgl::kEmission; break;
    case GL_AMBIENT_AND_DIFFUSE: bits = orvgl::kAmbient | orvgl::kDiffuse; break;
    case GL_SHININESS: break;
    default: SetError(GL_INVALID_ENUM); return;
    }
    Material* second = nullptr;
    Material* first = FaceMaterials(face, &second);
    for (Material* m : {first, second}) {
        if (!m)
            continue;
        if (pname == GL_SHININESS) {
            m->shininess = std::clamp(value[0], 0.0f, 128.0f);
            continue;
        }
        unsigned set = bits;
        const bool trackedFace = g.a.colorMaterialFace == GL_FRONT_AND_BACK ||
                                 (m == &g.a.front) == (g.a.colorMaterialFace == GL_FRONT);
        if (trackedFace)
            set &= ~TrackedBits();
        SetMaterial(*m, set, value);
    }
}

void RunList(GLuint list)
{
    const auto it = g.lists.find(list);
    if (it == g.lists.end() || g.replaying >= kListNesting)
        return;
    ++g.replaying;
    // A copy: a command may delete or redefine lists while this one runs.
    const std::vector<Command> commands = it->second;
    for (const Command& c : commands)
        c();
    --g.replaying;
}

void RestoreAttributes(const PushedAttributes& p)
{
    const GLbitfield m = p.mask;
    const Attributes& s = p.saved;
    Attributes& a = g.a;
    if (m & GL_CURRENT_BIT) {
        a.color = s.color;
        a.normal = s.normal;
        a.texCoord = s.texCoord;
    }
    if (m & (GL_ENABLE_BIT | GL_LIGHTING_BIT)) {
        a.lighting = s.lighting;
        a.light0 = s.light0;
        a.colorMaterial = s.colorMaterial;
    }
    if (m & GL_LIGHTING_BIT) {
        a.lightAmbient = s.lightAmbient;
        a.lightDiffuse = s.lightDiffuse;
        a.lightSpecular = s.lightSpecular;
        a.lightPosition = s.lightPosition;
        a.modelAmbient = s.modelAmbient;
        a.front = s.front;
        a.back = s.back;
        a.colorMaterialFace = s.colorMaterialFace;
        a.colorMaterialMode = s.colorMaterialMode;
    }
    if (m & (GL_ENABLE_BIT | GL_TEXTURE_BIT)) {
        a.texture2D = s.texture2D;
        a.texGenS = s.texGenS;
        a.texGenT = s.texGenT;
    }
    if (m & GL_TEXTURE_BIT) {
        a.texGenModeS = s.texGenModeS;
        a.texGenModeT = s.texGenModeT;
        a.envMode = s.envMode;
        a.envColor = s.envColor;
        a.raster.texture = s.raster.texture;
    }
    if (m & (GL_ENABLE_BIT | GL_TRANSFORM_BIT))
        a.normalize = s.normalize;
    if (m & GL_TRANSFORM_BIT)
        a.matrixMode = s.matrixMode;
    orvgl::RasterState& r = a.raster;
    const orvgl::RasterState& sr = s.raster;
    if (m & (GL_ENABLE_BIT | GL_POLYGON_BIT))
        r.cullFace = sr.cullFace;
    if (m & GL_POLYGON_BIT) {
        r.cullMode = sr.cullMode;
        r.frontFace = sr.frontFace;
    }
    if (m & (GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT))
        r.depthTest = sr.depthTest;
    if (m & GL_DEPTH_BUFFER_BIT) {
        r.depthFunc = sr.depthFunc;
        r.depthMask = sr.depthMask;
        r.clearDepth = sr.clearDepth;
    }
    if (m & (GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT))
        r.blend = sr.blend;
    if (m & GL_COLOR_BUFFER_BIT) {
        r.blendSrc = sr.blendSrc;
        r.blendDst = sr.blendDst;
        std::copy(sr.colorMask, sr.colorMask + 4, r.colorMask);
        std::copy(sr.clearColor, sr.clearColor + 4, r.clearColor);
    }
    if (m & (GL_ENABLE_BIT | GL_STENCIL_BUFFER_BIT))
        r.stencilTest = sr.stencilTest;
    if (m & GL_STENCIL_BUFFER_BIT) {
        r.stencilFunc = sr.stencilFunc;
        r.stencilRef = sr.stencilRef;
        r.stencilValueMask = sr.stencilValueMask;
        r.stencilWriteMask = sr.stencilWriteMask;
        r.stencilFail = sr.stencilFail;
        r.stencilZFail = sr.stencilZFail;
        r.stencilZPass = sr.stencilZPass;
        r.clearStencil = sr.clearStencil;
    }
    if (m & GL_VIEWPORT_BIT)
        std::copy(sr.viewport, sr.viewport + 4, r.viewport);
}

// The classic GLU's normalisation: float components, the length taken in double.
void NormalizeFloat(float v[3])
{
    const float r = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
    if (r == 0.0f)
        return;
    v[0] /= r;
    v[1] /= r;
    v[2] /= r;
}

void Cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

bool OrvGlFixedInit(std::string* why)
{
    g = Layer{};
    if (!orvgl::BackendInit(why))
        return false;
    orvgl::BackendViewport(g.a.raster.viewport);
    return true;
}

void OrvGlFixedResync() { orvgl::BackendResync(); }

void OrvGlFixedRelease()
{
    orvgl::BackendRelease();
    g = Layer{};
}

void glEnable(GLenum cap)
{
    if (Record([=] { glEnable(cap); }))
        return;
    SetEnable(cap, true);
}

void glDisable(GLenum cap)
{
    if (Record([=] { glDisable(cap); }))
        return;
    SetEnable(cap, false);
}

GLboolean glIsEnabled(GLenum cap)
{
    if (cap == GL_MULTISAMPLE || cap == GL_DITHER)
        return GL_TRUE;
    const bool* flag = EnableFlag(cap);
    return flag && *flag ? GL_TRUE : GL_FALSE;
}

GLenum glGetError()
{
    GLenum e = g.error;
    g.error = GL_NO_ERROR;
    if (e == GL_NO_ERROR)
        e = orvgl::BackendGetError();
    return e;
}

void glFinish() { orvgl::BackendFinish(); }

void glFlush() { orvgl::BackendFlush(); }

const GLubyte* glGetString(GLenum name) { return orvgl::BackendGetString(name); }

void glGetIntegerv(GLenum pname, GLint* params)
{
    switch (pname) {
    case GL_PACK_ALIGNMENT: *params = g.client.packAlignment; return;
    case GL_UNPACK_ALIGNMENT: *params = g.client.unpackAlignment; return;
    case GL_MATRIX_MODE: *params = static_cast<GLint>(g.a.matrixMode); return;
    case GL_VIEWPORT: std::copy(g.a.raster.viewport, g.a.raster.viewport + 4, params); return;
    default: orvgl::BackendGetIntegerv(pname, params);
    }
}

void glGetFloatv(GLenum pname, GLfloat* params)
{
    switch (pname) {
    case GL_MODELVIEW_MATRIX: std::memcpy(params, g.modelview.back().m, sizeof(float) * 16); return;
    case GL_PROJECTION_MATRIX: std::memcpy(params, g.projection.back().m, sizeof(float) * 16); return;
    case GL_VIEWPORT:
        for (int i = 0; i < 4; ++i)
            params[i] = static_cast<GLfloat>(g.a.raster.viewport[i]);
        return;
    default: {
        GLint value = 0;
        orvgl::BackendGetIntegerv(pname, &value);
        *params = static_cast<GLfloat>(value);
    }
    }
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    if (Record([=] { glViewport(x, y, width, height); }))
        return;
    const GLint v[4] = {x, y, width, height};
    std::copy(v, v + 4, g.a.raster.viewport);
}

void glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha)
{
    if (Record([=] { glClearColor(red, green, blue, alpha); }))
        return;
    const float c[4] = {std::clamp(red, 0.0f, 1.0f), std::clamp(green, 0.0f, 1.0f), std::clamp(blue, 0.0f, 1.0f),
                        std::clamp(alpha, 0.0f, 1.0f)};
    std::copy(c, c + 4, g.a.raster.clearColor);
}

void glClearDepth(GLclampd depth)
{
    if (Record([=] { glClearDepth(depth); }))
        return;
    g.a.raster.clearDepth = static_cast<float>(std::clamp(depth, 0.0, 1.0));
}

void glClearStencil(GLint s)
{
    if (Record([=] { glClearStencil(s); }))
        return;
    g.a.raster.clearStencil = s;
}

void glClear(GLbitfield mask)
{
    if (Record([=] { glClear(mask); }))
        return;
    orvgl::BackendClear(g.a.raster, mask);
}

void glColorMask(GLboolean red, GLboolean green, GLboolean blue, GLboolean alpha)
{
    if (Record([=] { glColorMask(red, green, blue, alpha); }))
        return;
    bool* m = g.a.raster.colorMask;
    m[0] = red;
    m[1] = green;
    m[2] = blue;
    m[3] = alpha;
}

void glDepthFunc(GLenum func)
{
    if (Record([=] { glDepthFunc(func); }))
        return;
    g.a.raster.depthFunc = func;
}

void glDepthMask(GLboolean flag)
{
    if (Record([=] { glDepthMask(flag); }))
        return;
    g.a.raster.depthMask = flag;
}

void glBlendFunc(GLenum sfactor, GLenum dfactor)
{
    if (Record([=] { glBlendFunc(sfactor, dfactor); }))
        return;
    g.a.raster.blendSrc = sfactor;
    g.a.raster.blendDst = dfactor;
}

void glStencilFunc(GLenum func, GLint ref, GLuint mask)
{
    if (Record([=] { glStencilFunc(func, ref, mask); }))
        return;
    g.a.raster.stencilFunc = func;
    g.a.raster.stencilRef = ref;
    g.a.raster.stencilValueMask = mask;
}

void glStencilOp(GLenum fail, GLenum zfail, GLenum zpass)
{
    if (Record([=] { glStencilOp(fail, zfail, zpass); }))
        return;
    g.a.raster.stencilFail = fail;
    g.a.raster.stencilZFail = zfail;
    g.a.raster.stencilZPass = zpass;
}

void glStencilMask(GLuint mask)
{
    if (Record([=] { glStencilMask(mask); }))
        return;
    g.a.raster.stencilWriteMask = mask;
}

void glCullFace(GLenum mode)
{
    if (Record([=] { glCullFace(mode); }))
        return;
    g.a.raster.cullMode = mode;
}

void glFrontFace(GLenum mode)
{
    if (Record([=] { glFrontFace(mode); }))
        return;
    g.a.raster.frontFace = mode;
}

void glMatrixMode(GLenum mode)
{
    if (Record([=] { glMatrixMode(mode); }))
        return;
    if (mode != GL_MODELVIEW && mode != GL_PROJECTION) {
        SetError(GL_INVALID_ENUM);
        return;
    }
    g.a.matrixMode = mode;
}

void glLoadIdentity()
{
    if (Record([] { glLoadIdentity(); }))
        return;
    Top() = orvgl::Identity();
}

void glLoadMatrixf(const GLfloat* m)
{
    Matrix copy;
    std::memcpy(copy.m, m, sizeof copy.m);
    if (Record([=] {
            Top() = copy;
        }))
        return;
    Top() = copy;
}

void glMultMatrixf(const GLfloat* m)
{
    Matrix copy;
    std::memcpy(copy.m, m, sizeof copy.m);
    if (Record([=] { glMultMatrixf(copy.m); }))
        return;
    Top() = orvgl::Multiply(Top(), copy);
}

void glPushMatrix()
{
    if (Record([] { glPushMatrix(); }))
        return;
    std::vector<Matrix>& stack = CurrentStack();
    if (stack.size() >= (&stack == &g.projection ? kProjectionDepth : kModelviewDepth)) {
        SetError(GL_STACK_OVERFLOW);
        return;
    }
    stack.push_back(stack.back());
}

void glPopMatrix()
{
    if (Record([] { glPopMatrix(); }))
        return;
    std::vector<Matrix>& stack = CurrentStack();
    if (stack.size() <= 1) {
        SetError(GL_STACK_UNDERFLOW);
        return;
    }
    stack.pop_back();
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    if (Record([=] { glTranslatef(x, y, z); }))
        return;
    orvgl::Translate(Top(), x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    if (Record([=] { glRotatef(angle, x, y, z); }))
        return;
    orvgl::Rotate(Top(), angle, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    if (Record([=] { glScalef(x, y, z); }))
        return;
    orvgl::Scale(Top(), x, y, z);
}

void glBegin(GLenum mode)
{
    if (Record([=] { glBegin(mode); }))
        return;
    if (g.inBegin || mode > GL_POLYGON) {
        SetError(g.inBegin ? GL_INVALID_OPERATION : GL_INVALID_ENUM);
        return;
    }
    g.inBegin = true;
    g.primitive = mode;
    g.vertices.clear();
}

void glEnd()
{
    if (Record([] { glEnd(); }))
        return;
    if (!g.inBegin) {
        SetError(GL_INVALID_OPERATION);
        return;
    }
    g.inBegin = false;
    DrawGathered();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (Record([=] { glVertex3f(x, y, z); }))
        return;
    if (g.inBegin)
        g.vertices.push_back(CurrentVertex(x, y, z, 1.0f));
}

void glNormal3f(GLfloat nx, GLfloat ny, GLfloat nz)
{
    if (Record([=] { glNormal3f(nx, ny, nz); }))
        return;
    g.a.normal = {nx, ny, nz};
}

void glTexCoord2f(GLfloat s, GLfloat t)
{
    if (Record([=] { glTexCoord2f(s, t); }))
        return;
    g.a.texCoord = {s, t, 0.0f, 1.0f};
}

void glColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    if (Record([=] { glColor3f(red, green, blue); }))
        return;
    SetColor(red, green, blue, 1.0f);
}

void glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    if (Record([=] { glColor4f(red, green, blue, alpha); }))
        return;
    SetColor(red, green, blue, alpha);
}

void glColor4fv(const GLfloat* v) { glColor4f(v[0], v[1], v[2], v[3]); }

void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer)
{
    // Client state: never compiled into a list.
    orvgl::ArrayLayout a;
    int size = 0;
    auto take = [&size](int components, int* sizeOut, int* offsetOut) {
        *sizeOut = components;
        *offsetOut = size;
        size += components * static_cast<int>(sizeof(float));
    };
    switch (format) {
    case GL_V3F: take(3, &a.positionSize, &a.positionOffset); break;
    case GL_N3F_V3F:
        take(3, &a.normalSize, &a.normalOffset);
        take(3, &a.positionSize, &a.positionOffset);
        break;
    case GL_T2F_V3F:
        take(2, &a.texCoordSize, &a.texCoordOffset);
        take(3, &a.positionSize, &a.positionOffset);
        break;
    case GL_T2F_N3F_V3F:
        take(2, &a.texCoordSize, &a.texCoordOffset);
        take(3, &a.normalSize, &a.normalOffset);
        take(3, &a.positionSize, &a.positionOffset);
        break;
    case GL_C4F_N3F_V3F:
        take(4, &a.colorSize, &a.colorOffset);
        take(3, &a.normalSize, &a.normalOffset);
        take(3, &a.positionSize, &a.positionOffset);
        break;
    case GL_T2F_C4F_N3F_V3F:
        take(2, &a.texCoordSize, &a.texCoordOffset);
        take(4, &a.colorSize, &a.colorOffset);
        take(3, &a.normalSize, &a.normalOffset);
        take(3, &a.positionSize, &a.positionOffset);
        break;
    default: SetError(GL_INVALID_ENUM); return;
    }
    if (stride < 0) {
        SetError(GL_INVALID_VALUE);
        return;
    }
    a.stride = stride == 0 ? size : stride;
    a.base = static_cast<const unsigned char*>(pointer);
    g.client.arrays = a;
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices)
{
    if (count < 0) {
        SetError(GL_INVALID_VALUE);
        return;
    }
    if (g.compiling != 0 && g.replaying == 0) {
        // A list keeps the vertices as they are now, as immediate mode.
        const orvgl::ArrayLayout& a = g.client.arrays;
        std::vector<orvgl::Vertex> gathered;
        for (GLsizei k = 0; k < count && a.base && a.positionSize; ++k) {
            uint32_t i = type == GL_UNSIGNED_INT     ? static_cast<const uint32_t*>(indices)[k]
                         : type == GL_UNSIGNED_SHORT ? static_cast<const uint16_t*>(indices)[k]
                                                     : static_cast<const uint8_t*>(indices)[k];
            const float* f = reinterpret_cast<const float*>(a.base + static_cast<size_t>(i) * a.stride);
            orvgl::Vertex v = CurrentVertex(0, 0, 0, 1);
            auto part = [&f](int size, int offset, float* out) {
                for (int c = 0; c < size; ++c)
                    out[c] = f[offset / 4 + c];
            };
            part(a.positionSize, a.positionOffset, v.position);
            part(a.normalSize, a.normalOffset, v.normal);
            part(a.texCoordSize, a.texCoordOffset, v.texCoord);
            part(a.colorSize, a.colorOffset, v.color);
            gathered.push_back(v);
        }
        const bool only = Record([=] {
            g.vertices = gathered;
            g.primitive = mode;
            DrawGathered();
        });
        if (only)
            return;
    }
    orvgl::Vertex current = CurrentVertex(0, 0, 0, 1);
    orvgl::BackendDrawElements(g.a.raster, Shade(), mode, g.client.arrays, current, static_cast<size_t>(count), type,
                               indices);
}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params)
{
    const Color v = Copy4(params);
    // The position is taken through the modelview matrix of the moment the call runs.
    if (Record([=] { glLightfv(light, pname, v.data()); }))
        return;
    if (light != GL_LIGHT0)
        return;
    switch (pname) {
    case GL_AMBIENT: g.a.lightAmbient = v; break;
    case GL_DIFFUSE: g.a.lightDiffuse = v; break;
    case GL_SPECULAR: g.a.lightSpecular = v; break;
    case GL_POSITION: orvgl::TransformPoint(g.modelview.back(), v.data(), g.a.lightPosition.data()); break;
    default: SetError(GL_INVALID_ENUM);
    }
}

void glMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    if (Record([=] { glMaterialf(face, pname, param); }))
        return;
    if (pname != GL_SHININESS) {
        SetError(GL_INVALID_ENUM);
        return;
    }
    ApplyMaterial(face, pname, {param, 0, 0, 0});
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat* params)
{
    const Color v = pname == GL_SHININESS ? Color{params[0], 0, 0, 0} : Copy4(params);
    if (Record([=] { glMaterialfv(face, pname, v.data()); }))
        return;
    ApplyMaterial(face, pname, v);
}

void glColorMaterial(GLenum face, GLenum mode)
{
    if (Record([=] { glColorMaterial(face, mode); }))
        return;
    g.a.colorMaterialFace = face;
    g.a.colorMaterialMode = mode;
    TrackColor();
}

void glGenTextures(GLsizei n, GLuint* textures)
{
    orvgl::BackendGenTextures(n, textures);
    for (GLsizei i = 0; i < n; ++i)
        g.textures[textures[i]] = TextureInfo{};
}

void glDeleteTextures(GLsizei n, const GLuint* textures)
{
    orvgl::BackendDeleteTextures(n, textures);
    for (GLsizei i = 0; i < n; ++i) {
        g.textures.erase(textures[i]);
        if (textures[i] != 0 && g.a.raster.texture == textures[i])
            g.a.raster.texture = 0;
    }
}

void glBindTexture(GLenum target, GLuint texture)
{
    if (Record([=] { glBindTexture(target, texture); }))
        return;
    if (target != GL_TEXTURE_2D) {
        SetError(GL_INVALID_ENUM);
        return;
    }
    g.a.raster.texture = texture;
    g.textures.try_emplace(texture);
}

void glTexParameteri(GLenum target, GLenum pname, GLint param)
{
    if (Record([=] { glTexParameteri(target, pname, param); }))
        return;
    if (pname == GL_TEXTURE_MIN_FILTER)
        g.textures[g.a.raster.texture].minFilter = param;
    orvgl::BackendTexParameteri(g.a.raster, pname, param);
}

void glTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels)
{
    if (g.compiling != 0 && g.replaying == 0) {
        // A list keeps its own copy of the pixels.
        std::vector<unsigned char> copy;
        if (pixels && type == GL_UNSIGNED_BYTE) {
            const int components = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 1;
            const size_t row = static_cast<size_t>(width) * components;
            const size_t align = static_cast<size_t>(g.client.unpackAlignment);
            const size_t pitch = (row + align - 1) / align * align;
            copy.assign(static_cast<const unsigned char*>(pixels),
                        static_cast<const unsigned char*>(pixels) + pitch * static_cast<size_t>(height));
        }
        const bool only = Record([=] {
            glTexImage2D(target, level, internalformat, width, height, border, format, type,
                         copy.empty() ? nullptr : copy.data());
        });
        if (only)
            return;
    }
    if (target != GL_TEXTURE_2D || border != 0) {
        SetError(GL_INVALID_VALUE);
        return;
    }
    if (level == 0) {
        TextureInfo& info = g.textures[g.a.raster.texture];
        info.hasImage = width > 0 && height > 0;
        info.hasAlpha = internalformat == 4 || internalformat == GL_RGBA || internalformat == GL_RGBA8;
    }
    orvgl::BackendTexImage2D(g.a.raster, level, internalformat, width, height, format, type, pixels,
                             g.client.unpackAlignment);
}

void glTexEnvi(GLenum target, GLenum pname, GLint param)
{
    if (Record([=] { glTexEnvi(target, pname, param); }))
        return;
    if (target != GL_TEXTURE_ENV || pname != GL_TEXTURE_ENV_MODE) {
        SetError(GL_INVALID_ENUM);
        return;
    }
    g.a.envMode = static_cast<GLenum>(param);
}

void glTexEnvfv(GLenum target, GLenum pname, const GLfloat* params)
{
    if (pname == GL_TEXTURE_ENV_MODE) {
        glTexEnvi(target, pname, static_cast<GLint>(params[0]));
        return;
    }
    const Color v = Copy4(params);
    if (Record([=] { glTexEnvfv(target, pname, v.data()); }))
        return;
    if (target != GL_TEXTURE_ENV || pname != GL_TEXTURE_ENV_COLOR) {
        SetError(GL_INVALID_ENUM);
        return;
    }
    for (int i = 0; i < 4; ++i)
        g.a.envColor[i] = std::clamp(v[i], 0.0f, 1.0f);
}

void glTexGeni(GLenum coord, GLenum pname, GLint param)
{
    if (Record([=] { glTexGeni(coord, pname, param); }))
        return;
    if (pname != GL_TEXTURE_GEN_MODE) {
        SetError(GL_INVALID_ENUM);
        return;
    }
    if (coord == GL_S)
        g.a.texGenModeS = static_cast<GLenum>(param);
    else if (coord == GL_T)
        g.a.texGenModeT = static_cast<GLenum>(param);
}

GLuint glGenLists(GLsizei range)
{
    if (range <= 0)
        return 0;
    const GLuint first = g.nextList;
    g.nextList += static_cast<GLuint>(range);
    for (GLsizei i = 0; i < range; ++i)
        g.lists[first + static_cast<GLuint>(i)];
    return first;
}

void glDeleteLists(GLuint list, GLsizei range)
{
    for (GLsizei i = 0; i < range; ++i)
        g.lists.erase(list + static_cast<GLuint>(i));
}

GLboolean glIsList(GLuint list) { return g.lists.count(list) ? GL_TRUE : GL_FALSE; }

void glNewList(GLuint list, GLenum mode)
{
    if (list == 0 || (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE)) {
        SetError(list == 0 ? GL_INVALID_VALUE : GL_INVALID_ENUM);
        return;
    }
    if (g.compiling != 0) {
        SetError(GL_INVALID_OPERATION);
        return;
    }
    g.compiling = list;
    g.executeWhileCompiling = mode == GL_COMPILE_AND_EXECUTE;
    g.recording.clear();
}

void glEndList()
{
    if (g.compiling == 0) {
        SetError(GL_INVALID_OPERATION);
        return;
    }
    g.lists[g.compiling] = std::move(g.recording);
    g.recording.clear();
    g.compiling = 0;
}

void glCallList(GLuint list)
{
    if (Record([=] { RunList(list); }))
        return;
    RunList(list);
}

void glPushAttrib(GLbitfield mask)
{
    if (Record([=] { glPushAttrib(mask); }))
        return;
    if (g.attribStack.size() >= 16) {
        SetError(GL_STACK_OVERFLOW);
        return;
    }
    g.attribStack.push_back({mask, g.a});
}

void glPopAttrib()
{
    if (Record([] { glPopAttrib(); }))
        return;
    if (g.attribStack.empty()) {
        SetError(GL_STACK_UNDERFLOW);
        return;
    }
    RestoreAttributes(g.attribStack.back());
    g.attribStack.pop_back();
}

void glPushClientAttrib(GLbitfield mask)
{
    if (g.clientStack.size() >= 16) {
        SetError(GL_STACK_OVERFLOW);
        return;
    }
    g.clientStack.push_back({mask, g.client});
}

void glPopClientAttrib()
{
    if (g.clientStack.empty()) {
        SetError(GL_STACK_UNDERFLOW);
        return;
    }
    const PushedClient& p = g.clientStack.back();
    if (p.mask & GL_CLIENT_PIXEL_STORE_BIT) {
        g.client.packAlignment = p.saved.packAlignment;
        g.client.unpackAlignment = p.saved.unpackAlignment;
    }
    if (p.mask & GL_CLIENT_VERTEX_ARRAY_BIT)
        g.client.arrays = p.saved.arrays;
    g.clientStack.pop_back();
}

void glPixelStorei(GLenum pname, GLint param)
{
    if (param != 1 && param != 2 && param != 4 && param != 8) {
        SetError(GL_INVALID_VALUE);
        return;
    }
    if (pname == GL_PACK_ALIGNMENT)
        g.client.packAlignment = param;
    else if (pname == GL_UNPACK_ALIGNMENT)
        g.client.unpackAlignment = param;
    else
        SetError(GL_INVALID_ENUM);
}

void glReadBuffer(GLenum mode)
{
    if (Record([=] { glReadBuffer(mode); }))
        return;
    orvgl::BackendReadBuffer(mode);
}

void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type, GLvoid* pixels)
{
    orvgl::BackendReadPixels(x, y, width, height, format, type, pixels, g.client.packAlignment);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar)
{
    const double radians = fovy / 2 * 3.14159265358979323846 / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0)
        return;
    const double cotangent = std::cos(radians) / sine;
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / deltaZ;
    m[11] = -1;
    m[14] = -2 * zNear * zFar / deltaZ;
    m[15] = 0;
    GLfloat f[16];
    for (int i = 0; i < 16; ++i)
        f[i] = static_cast<GLfloat>(m[i]);
    glMultMatrixf(f);
}

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ)
{
    float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                        static_cast<float>(centerZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    float side[3];
    NormalizeFloat(forward);
    Cross(forward, up, side);
    NormalizeFloat(side);
    Cross(side, forward, up);
    GLfloat m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    m[0] = side[0];
    m[4] = side[1];
    m[8] = side[2];
    m[1] = up[0];
    m[5] = up[1];
    m[9] = up[2];
    m[2] = -forward[0];
    m[6] = -forward[1];
    m[10] = -forward[2];
    glMultMatrixf(m);
    glTranslatef(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}
