// OrvOffscreen on WGL. A hidden window of its own (never shown) lends its
// device context to a first GL context, through which the pictures' surface is
// made at the requested size, independent of the screen:
//  - a pbuffer (WGL_ARB_pbuffer) when the driver offers one: a surface of the
//    window system as on Linux, where the driver lays the rows out the same
//    way, so the same GL calls give the same pixels;
//  - else a framebuffer object, which a few drivers rasterise with the rows
//    the other way up (edges and shading may differ by a level from the other
//    surface kind).
#include "framework/offscreen.h"

#include "framework/gl_framebuffer.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <GL/gl.h>
#include <GL/wglext.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

const wchar_t kClassName[] = L"OrvOffscreenContext";

// Registers the hidden windows' class once per process.
bool RegisterWindowClass()
{
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClassName;
        return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

OrvGLFramebuffers::Proc Lookup(const char* name)
{
    const PROC p = wglGetProcAddress(name);
    // Some drivers answer 1, 2, 3 or -1 instead of null for a call they lack.
    const auto value = reinterpret_cast<intptr_t>(p);
    if (value >= -1 && value <= 3)
        return nullptr;
    return reinterpret_cast<OrvGLFramebuffers::Proc>(p);
}

template <typename F>
F Wgl(const char* name)
{
    return reinterpret_cast<F>(Lookup(name));
}

}  // namespace

// The window and its context; the pbuffer, its device context and the context
// drawing into it; or the framebuffer object drawn into when there is no pbuffer.
struct OrvOffscreen::Platform {
    bool MakePbuffer(int width, int height);

    HWND window = nullptr;
    HDC windowDc = nullptr;
    HGLRC windowContext = nullptr;
    HPBUFFERARB pbuffer = nullptr;
    HDC pbufferDc = nullptr;
    HGLRC pbufferContext = nullptr;
    PFNWGLRELEASEPBUFFERDCARBPROC releasePbufferDc = nullptr;
    PFNWGLDESTROYPBUFFERARBPROC destroyPbuffer = nullptr;

    HDC dc = nullptr;         // what the pictures are drawn with: the pbuffer's,
    HGLRC context = nullptr;  // else the window's
    OrvGLFramebuffers fb;
    unsigned target = 0;  // the framebuffer object standing in for a pbuffer
    unsigned targetBuffers[2] = {0, 0};
};

// With the window's context current: a double-buffered pbuffer (RGBA8, depth
// 24, stencil 8) and a context of its own, current.
bool OrvOffscreen::Platform::MakePbuffer(int width, int height)
{
    const auto choose = Wgl<PFNWGLCHOOSEPIXELFORMATARBPROC>("wglChoosePixelFormatARB");
    const auto create = Wgl<PFNWGLCREATEPBUFFERARBPROC>("wglCreatePbufferARB");
    const auto getDc = Wgl<PFNWGLGETPBUFFERDCARBPROC>("wglGetPbufferDCARB");
    releasePbufferDc = Wgl<PFNWGLRELEASEPBUFFERDCARBPROC>("wglReleasePbufferDCARB");
    destroyPbuffer = Wgl<PFNWGLDESTROYPBUFFERARBPROC>("wglDestroyPbufferARB");
    if (!choose || !create || !getDc || !releasePbufferDc || !destroyPbuffer)
        return false;
    const int attribs[] = {
        WGL_DRAW_TO_PBUFFER_ARB, GL_TRUE, WGL_SUPPORT_OPENGL_ARB, GL_TRUE,
        WGL_PIXEL_TYPE_ARB, WGL_TYPE_RGBA_ARB, WGL_DOUBLE_BUFFER_ARB, GL_TRUE,
        WGL_RED_BITS_ARB, 8, WGL_GREEN_BITS_ARB, 8, WGL_BLUE_BITS_ARB, 8, WGL_ALPHA_BITS_ARB, 8,
        WGL_DEPTH_BITS_ARB, 24, WGL_STENCIL_BITS_ARB, 8,
        0};
    int format = 0;
    UINT found = 0;
    if (!choose(windowDc, attribs, nullptr, 1, &format, &found) || found < 1)
        return false;
    const int none[] = {0};
    pbuffer = create(windowDc, format, width, height, none);
    if (!pbuffer)
        return false;
    pbufferDc = getDc(pbuffer);
    if (pbufferDc)
        pbufferContext = wglCreateContext(pbufferDc);
    if (!pbufferContext || !wglMakeCurrent(pbufferDc, pbufferContext))
        return false;
    dc = pbufferDc;
    context = pbufferContext;
    return true;
}

OrvOffscreen::OrvOffscreen(int w, int h) : platform(std::make_unique<Platform>()), width(w), height(h)
{
    Platform& p = *platform;
    if (!RegisterWindowClass()) {
        Fail("RegisterClass");
        return;
    }
    p.window = CreateWindowExW(0, kClassName, L"", WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 1, 1,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!p.window) {
        Fail("CreateWindowEx");
        return;
    }
    p.windowDc = GetDC(p.window);
    if (!p.windowDc) {
        Fail("GetDC");
        return;
    }
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cAlphaBits = 8;
    pfd.cDepthBits = 24;
    pfd.cStencilBits = 8;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(p.windowDc, &pfd);
    if (format == 0 || !SetPixelFormat(p.windowDc, format, &pfd)) {
        Fail("SetPixelFormat");
        return;
    }
    p.windowContext = wglCreateContext(p.windowDc);
    if (!p.windowContext) {
        Fail("wglCreateContext");
        return;
    }
    if (!wglMakeCurrent(p.windowDc, p.windowContext)) {
        Fail("wglMakeCurrent");
        return;
    }
    p.dc = p.windowDc;
    p.context = p.windowContext;
    if (!p.MakePbuffer(width, height)) {
        p.dc = p.windowDc;
        p.context = p.windowContext;
        if (!MakeCurrent()) {
            Fail("wglMakeCurrent");
            return;
        }
        if (!p.fb.Load(Lookup)) {
            error = "the OpenGL driver offers neither pbuffers nor framebuffer objects";
            return;
        }
        if (!p.fb.Make(width, height, 0, &p.target, p.targetBuffers)) {
            error = "the OpenGL driver cannot draw " + std::to_string(width) + "x" + std::to_string(height) +
                    " pictures offscreen";
            return;
        }
    }
    glViewport(0, 0, width, height);
    ok = true;
}

OrvOffscreen::~OrvOffscreen()
{
    Platform& p = *platform;
    if (p.context && MakeCurrent() && p.fb.Loaded()) {
        p.fb.Bind(0);
        if (framebuffer)
            p.fb.Delete(&framebuffer, renderbuffers);
        if (p.target)
            p.fb.Delete(&p.target, p.targetBuffers);
    }
    wglMakeCurrent(nullptr, nullptr);
    if (p.pbufferContext)
        wglDeleteContext(p.pbufferContext);
    if (p.pbufferDc)
        p.releasePbufferDc(p.pbuffer, p.pbufferDc);
    if (p.pbuffer)
        p.destroyPbuffer(p.pbuffer);
    if (p.windowContext)
        wglDeleteContext(p.windowContext);
    if (p.windowDc)
        ReleaseDC(p.window, p.windowDc);
    if (p.window)
        DestroyWindow(p.window);
}

bool OrvOffscreen::MakeCurrent()
{
    return platform->dc && platform->context && wglMakeCurrent(platform->dc, platform->context);
}

int OrvOffscreen::Multisample(int wanted)
{
    if (!ok || framebuffer || wanted < 2 || !platform->fb.Load(Lookup))
        return samples;
    samples = platform->fb.Multisample(wanted, width, height, &framebuffer, renderbuffers);
    if (!samples)
        platform->fb.Bind(platform->target);  // drawing goes on where it went
    return samples;
}

void OrvOffscreen::ReadRGB(unsigned char* rgb) const
{
    platform->fb.ReadRGB(framebuffer, platform->target, width, height, rgb);
}

// Records the failed step with Windows' error code.
bool OrvOffscreen::Fail(const char* step)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (Windows error %lu)", step, GetLastError());
    error = text;
    return false;
}
