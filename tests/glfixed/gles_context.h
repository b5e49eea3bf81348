// An OpenGL ES 3 context on Mesa's surfaceless EGL platform, drawing into a
// pbuffer with depth 24 and stencil 8, for drawing through the fixed-function
// layer with no window system.
#pragma once

#include <string>

class GlesContext {
public:
    GlesContext(int width, int height);
    ~GlesContext();
    GlesContext(const GlesContext&) = delete;
    GlesContext& operator=(const GlesContext&) = delete;

    bool Ok() const { return error.empty(); }
    const std::string& Error() const { return error; }

    // Stops or restarts rasterising: with it stopped, state still changes but no
    // pixel is drawn or cleared (frames that are not compared cost little).
    static void Rasterize(bool on);

private:
    void* display = nullptr;
    void* surface = nullptr;
    void* context = nullptr;
    std::string error;
};
