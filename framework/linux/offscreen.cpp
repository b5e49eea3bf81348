// OrvOffscreen on EGL: Mesa's surfaceless platform with a pbuffer surface.
#include "framework/offscreen.h"

#include "framework/gl_framebuffer.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <string>

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

}  // namespace

// The EGL objects behind the context.
struct OrvOffscreen::Platform {
    EGLDisplay display = nullptr;
    EGLSurface surface = nullptr;
    EGLContext context = nullptr;
    OrvGLFramebuffers fb;  // the multisampled framebuffer's calls
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
        platform->fb.Bind(0);
        platform->fb.Delete(&framebuffer, renderbuffers);
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
    const auto lookup = [](const char* name) {
        return reinterpret_cast<OrvGLFramebuffers::Proc>(eglGetProcAddress(name));
    };
    if (!ok || framebuffer || wanted < 2 || !platform->fb.Load(lookup))
        return samples;
    samples = platform->fb.Multisample(wanted, width, height, &framebuffer, renderbuffers);
    return samples;
}

// The pbuffer is framebuffer 0.
void OrvOffscreen::ReadRGB(unsigned char* rgb) const { platform->fb.ReadRGB(framebuffer, 0, width, height, rgb); }

// Records the failed step with EGL's error code.
bool OrvOffscreen::Fail(const char* step)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", step, eglGetError());
    error = text;
    return false;
}
