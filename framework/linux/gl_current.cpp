#include "framework/gl_current.h"

#include <EGL/egl.h>
#include <GL/glx.h>

void* OrvCurrentGLContext()
{
    if (GLXContext glx = glXGetCurrentContext())
        return glx;
    EGLContext egl = eglGetCurrentContext();
    return egl == EGL_NO_CONTEXT ? nullptr : egl;
}
