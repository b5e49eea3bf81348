#include "framework/gl_current.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

void* OrvCurrentGLContext()
{
    return wglGetCurrentContext();
}
