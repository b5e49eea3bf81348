// OrvOffscreen on EGL: Mesa's surfaceless platform with a pbuffer surface.
#include "framework/offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

namespace {

// Opens the surfaceless display when the driver offers it, else the default one.
EGLDisplay OpenDisplay()
{
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    const char* clientExts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (getPlatformDisplay && clientExts && std::strstr(clientExts, "EGL_MESA_platform_surfaceless"))
        return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

// The framebuffer-object entry points, looked up once a context is current.
struct FramebufferCalls {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
    PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer;

    bool Load()
    {
        auto get = [](const char* name) { return eglGetProcAddress(name); };
        genFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(get("glGenFramebuffers"));
        deleteFramebuffers = reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(get("glDeleteFramebuffers"));
        bindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(get("glBindFramebuffer"));
        genRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(get("glGenRenderbuffers"));
        deleteRenderbuffers = reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(get("glDeleteRenderbuffers"));
        bindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(get("glBindRenderbuffer"));
        renderbufferStorageMultisample = reinterpret_cast<PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC>(
            get("glRenderbufferStorageMultisample"));
        framebufferRenderbuffer =
            reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(get("glFramebufferRenderbuffer"));
        checkFramebufferStatus =
            reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(get("glCheckFramebufferStatus"));
        blitFramebuffer = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(get("glBlitFramebuffer"));
        return genFramebuffers && deleteFramebuffers && bindFramebuffer && genRenderbuffers &&
               deleteRenderbuffers && bindRenderbuffer && renderbufferStorageMultisample &&
               framebufferRenderbuffer && checkFramebufferStatus && blitFramebuffer;
    }
};

FramebufferCalls fb;

}  // namespace

// The EGL objects behind the context.
struct OrvOffscreen::Platform {
    EGLDisplay display = nullptr;
    EGLSurface surface = nullptr;
    EGLContext context = nullptr;
};

OrvOffscreen::OrvOffscreen(int w, int h) : platform(std::make_unique<Platform>()), width(w), height(h)
{
    EGLDisplay dpy = OpenDisplay();
    if (dpy == EGL_NO_DISPLAY) {
        Fail("eglGetPlatformDisplay");
        return;
    }
    platform->display = dpy;
    if (!eglInitialize(dpy, nullptr, nullptr)) {
        platform->display = nullptr;
        Fail("eglInitialize");
        return;
    }
    const EGLint configAttribs[] = {
        EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
        EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
        EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
        EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(dpy, configAttribs, &config, 1, &found) || found < 1) {
        Fail("eglChooseConfig");
        return;
    }
    const EGLint surfaceAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    platform->surface = eglCreatePbufferSurface(dpy, config, surfaceAttribs);
    if (platform->surface == EGL_NO_SURFACE) {
        platform->surface = nullptr;
        Fail("eglCreatePbufferSurface");
        return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        Fail("eglBindAPI");
        return;
    }
    platform->context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, nullptr);
    if (platform->context == EGL_NO_CONTEXT) {
        platform->context = nullptr;
        Fail("eglCreateContext");
        return;
    }
    if (!MakeCurrent()) {
        Fail("eglMakeCurrent");
        return;
    }
    glViewport(0, 0, width, height);
    ok = true;
}

OrvOffscreen::~OrvOffscreen()
{
    if (!platform->display)
        return;
    if (framebuffer && MakeCurrent()) {
        fb.bindFramebuffer(GL_FRAMEBUFFER, 0);
        fb.deleteFramebuffers(1, &framebuffer);
        fb.deleteRenderbuffers(2, renderbuffers);
    }
    eglMakeCurrent(platform->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (platform->context)
        eglDestroyContext(platform->display, platform->context);
    if (platform->surface)
        eglDestroySurface(platform->display, platform->surface);
    eglTerminate(platform->display);
}

bool OrvOffscreen::MakeCurrent()
{
    return platform->display && platform->surface && platform->context &&
           eglMakeCurrent(platform->display, platform->surface, platform->surface, platform->context) == EGL_TRUE;
}

int OrvOffscreen::Multisample(int wanted)
{
    if (!ok || framebuffer || wanted < 2 || !fb.Load())
        return samples;
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const int use = std::min(wanted, static_cast<int>(most));
    if (use < 2)
        return 0;
    fb.genRenderbuffers(2, renderbuffers);
    fb.bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
    fb.renderbufferStorageMultisample(GL_RENDERBUFFER, use, GL_RGBA8, width, height);
    fb.bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
    fb.renderbufferStorageMultisample(GL_RENDERBUFFER, use, GL_DEPTH24_STENCIL8, width, height);
    fb.bindRenderbuffer(GL_RENDERBUFFER, 0);
    fb.genFramebuffers(1, &framebuffer);
    fb.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
    fb.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
    if (fb.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        fb.bindFramebuffer(GL_FRAMEBUFFER, 0);
        fb.deleteFramebuffers(1, &framebuffer);
        fb.deleteRenderbuffers(2, renderbuffers);
        framebuffer = 0;
        return 0;
    }
    glEnable(GL_MULTISAMPLE);
    samples = use;
    return samples;
}

void OrvOffscreen::ReadRGB(unsigned char* rgb) const
{
    const size_t row = static_cast<size_t>(width) * 3;
    std::vector<unsigned char> flipped(row * height);
    if (framebuffer) {
        // Resolve the samples into the pbuffer, read it, and draw multisampled again.
        fb.bindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
        fb.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        fb.blitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
        fb.bindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, flipped.data());
    for (int y = 0; y < height; ++y)
        std::memcpy(rgb + row * y, flipped.data() + row * (height - 1 - y), row);
    if (framebuffer)
        fb.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

// Records the failed step with EGL's error code.
bool OrvOffscreen::Fail(const char* step)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", step, eglGetError());
    error = text;
    return false;
}

int OrvOffscreenSamples(OrvOffscreen& gl, int wanted)
{
    if (wanted < 2)
        return 0;
    const int got = gl.Multisample(wanted);
    if (got < wanted)
        std::fprintf(stderr, "orvdemo: %d samples per pixel asked, the machine offers %s\n", wanted,
                     got ? (std::to_string(got) + "; using them").c_str() : "none; edges stay hard");
    return got;
}
