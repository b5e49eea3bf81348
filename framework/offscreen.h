// OrvOffscreen: an OpenGL compatibility context with no window.
//
// A drawing surface of the requested size (RGBA8, depth 24, stencil 8) that
// needs no window and no display (on Linux: EGL on Mesa's surfaceless platform
// with a pbuffer), so GL code can run on a machine with no X server: the unit
// tests, the inspector and the video capture use it.
//
// Threads: construct, use and destroy on one thread; the context is current on
// the constructing thread while the object lives (until MakeCurrent elsewhere).
#pragma once

#include <memory>
#include <string>

class OrvOffscreen {
public:
    OrvOffscreen(int width, int height);
    ~OrvOffscreen();

    OrvOffscreen(const OrvOffscreen&) = delete;
    OrvOffscreen& operator=(const OrvOffscreen&) = delete;

    // True when the context exists and is current; Error() says why not.
    bool Ok() const { return ok; }
    const std::string& Error() const { return error; }

    int Width() const { return width; }
    int Height() const { return height; }

    // Draws from now on into a multisampled framebuffer of `samples` samples per
    // pixel (resolved by ReadRGB), or as many as the driver offers when fewer;
    // returns the count in use, 0 when the driver offers no multisampling.
    // Without this call the context draws straight into its pbuffer.
    int Multisample(int samples);
    int Samples() const { return samples; }

    // Makes the context current on the calling thread again.
    bool MakeCurrent();

    // Reads the colour buffer as tightly packed RGB rows, top row first.
    // `rgb` must hold Width() * Height() * 3 bytes.
    void ReadRGB(unsigned char* rgb) const;

private:
    bool Fail(const char* step);

    struct Platform;
    std::unique_ptr<Platform> platform;
    int width;
    int height;
    int samples = 0;
    unsigned int framebuffer = 0;    // the multisampled framebuffer, 0 when none
    unsigned int renderbuffers[2] = {0, 0};  // its colour and depth-stencil storage
    bool ok = false;
    std::string error;
};

// Asks `gl` for `wanted` samples per pixel when `wanted` is 2 or more, saying on
// stderr in one line when the machine offers fewer; returns the count in use.
int OrvOffscreenSamples(OrvOffscreen& gl, int wanted);
