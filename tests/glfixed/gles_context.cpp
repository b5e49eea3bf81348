#include "gles_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES3/gl3.h>

#include <cstring>

#ifndef EGL_PLATFORM_SURFACELESS_MESA
#define EGL_PLATFORM_SURFACELESS_MESA 0x31DD
#endif

GlesContext::GlesContext(int width, int height)
{
    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    const char* exts = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    EGLDisplay dpy = getPlatformDisplay && exts && std::strstr(exts, "EGL_MESA_platform_surfaceless")
                         ? getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr)
                         : eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (dpy == EGL_NO_DISPLAY || !eglInitialize(dpy, nullptr, nullptr)) {
        error = "no EGL display";
        return;
    }
    display = dpy;
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8,
                                    EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
                                    EGL_RENDERABLE_TYPE, EGL_OPENGL_ES3_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint found = 0;
    if (!eglChooseConfig(dpy, configAttribs, &config, 1, &found) || found < 1) {
        error = "no EGL config for OpenGL ES 3 with depth 24 and stencil 8";
        return;
    }
    const EGLint surfaceAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(dpy, config, surfaceAttribs);
    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
    if (surface == EGL_NO_SURFACE || !eglBindAPI(EGL_OPENGL_ES_API) ||
        (context = eglCreateContext(dpy, config, EGL_NO_CONTEXT, contextAttribs)) == EGL_NO_CONTEXT ||
        !eglMakeCurrent(dpy, surface, surface, context)) {
        error = "no OpenGL ES 3 context";
        return;
    }
}

GlesContext::~GlesContext()
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

void GlesContext::Rasterize(bool on)
{
    if (on)
        glDisable(GL_RASTERIZER_DISCARD);
    else
        glEnable(GL_RASTERIZER_DISCARD);
}
