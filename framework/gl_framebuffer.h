// Framebuffer objects for the offscreen contexts: renderbuffers of colour
// (RGBA8) and depth with stencil (24 + 8), single- or multisampled, and the
// read-back of a picture through them. Plain GL 3.0 / ARB_framebuffer_object
// calls, looked up by name with the platform's own lookup (eglGetProcAddress,
// wglGetProcAddress) once a context is current.
//
// Threads: use on the thread whose context the calls were looked up in.
#pragma once

class OrvGLFramebuffers {
public:
    using Proc = void (*)();
    using Lookup = Proc (*)(const char* name);

    // Looks the entry points up; false when the driver lacks any of them.
    bool Load(Lookup lookup);
    bool Loaded() const { return loaded; }

    // Makes a framebuffer of `samples` samples per pixel (0: one) with its two
    // renderbuffers, leaving it bound; false (and nothing made, framebuffer 0
    // bound) when the driver calls it incomplete.
    bool Make(int width, int height, int samples, unsigned* framebuffer, unsigned renderbuffers[2]);
    void Delete(unsigned* framebuffer, unsigned renderbuffers[2]);
    void Bind(unsigned framebuffer);

    // Draws from now on into a multisampled framebuffer of `wanted` samples,
    // or as many as the driver offers when fewer; returns the count in use, 0
    // when the driver offers no multisampling (nothing changes then).
    int Multisample(int wanted, int width, int height, unsigned* framebuffer, unsigned renderbuffers[2]);

    // Reads the picture as tightly packed RGB rows, top row first: resolves
    // `multisampled` (when not 0) into `target` first, reads `target`, and
    // draws into `multisampled` again after.
    void ReadRGB(unsigned multisampled, unsigned target, int width, int height, unsigned char* rgb);

private:
    bool loaded = false;
    Proc calls[10] = {};
};
