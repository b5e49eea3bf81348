// Which OpenGL context is current on the calling thread, whichever way it was
// made current: the show's window's or an offscreen one (on Linux: GLX or EGL).
#pragma once

// The current context as an opaque handle, or null when none is current.
void* OrvCurrentGLContext();
