#include "framework/gl_current.h"

#include <emscripten/html5.h>

#include <cstdint>

void* OrvCurrentGLContext()
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(emscripten_webgl_get_current_context()));
}
