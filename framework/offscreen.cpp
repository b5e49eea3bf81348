#include "framework/offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
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

}  // namespace

OrvOffscreen::OrvOffscreen(int w, int h) : width(w), height(h)
{
    EGLDisplay dpy = OpenDisplay();
    if (dpy == EGL_NO_DISPLAY) {
        Fail("eglGetPlatformDisplay");
        return;
    }
    display = dpy;
    if (!eglInitialize(dpy, nullptr, nullptr)) {
        display = nullptr;
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
    surface = eglCreatePbufferSurface(dpy, config, surfaceAttribs);
    if (surface == EGL_NO_SURFACE) {
        surface = nullptr;
        Fail("eglCreatePbufferSurface");
        return;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        Fail("eglBindAPI");
        return;
    }
    context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, nullptr);
    if (context == EGL_NO_CONTEXT) {
        context = nullptr;
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
    if (!display)
        return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context)
        eglDestroyContext(display, context);
    if (surface)
        eglDestroySurface(display, surface);
    eglTerminate(display);
}

bool OrvOffscreen::MakeCurrent()
{
    return display && surface && context &&
           eglMakeCurrent(display, surface, surface, context) == EGL_TRUE;
}

void OrvOffscreen::ReadRGB(unsigned char* rgb) const
{
    const size_t row = static_cast<size_t>(width) * 3;
    std::vector<unsigned char> flipped(row * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, flipped.data());
    for (int y = 0; y < height; ++y)
        std::memcpy(rgb + row * y, flipped.data() + row * (height - 1 - y), row);
}

// Records the failed step with EGL's error code.
bool OrvOffscreen::Fail(const char* step)
{
    char text[96];
    std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04x)", step, eglGetError());
    error = text;
    return false;
}
