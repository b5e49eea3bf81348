// Which OpenGL context is current on the calling thread, whichever way it was
// made current: GLX for the show's window, EGL for offscreen drawing.
#pragma once

// The current context as an opaque handle, or null when none is current.
void* OrvCurrentGLContext();
