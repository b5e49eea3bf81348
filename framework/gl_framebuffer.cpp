#include "framework/gl_framebuffer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// The entry points, in the order of `calls`.
enum Call {
    kGenFramebuffers, kDeleteFramebuffers, kBindFramebuffer, kGenRenderbuffers, kDeleteRenderbuffers,
    kBindRenderbuffer, kRenderbufferStorageMultisample, kFramebufferRenderbuffer, kCheckFramebufferStatus,
    kBlitFramebuffer, kCallCount
};

const char* const kNames[kCallCount] = {
    "glGenFramebuffers", "glDeleteFramebuffers", "glBindFramebuffer", "glGenRenderbuffers",
    "glDeleteRenderbuffers", "glBindRenderbuffer", "glRenderbufferStorageMultisample",
    "glFramebufferRenderbuffer", "glCheckFramebufferStatus", "glBlitFramebuffer"};

template <typename F>
F As(OrvGLFramebuffers::Proc p)
{
    return reinterpret_cast<F>(p);
}

}  // namespace

#define ORV_GL(call, type) As<type>(calls[call])

bool OrvGLFramebuffers::Load(Lookup lookup)
{
    if (loaded)
        return true;
    static_assert(sizeof calls / sizeof calls[0] == kCallCount);
    for (int i = 0; i < kCallCount; ++i)
        if (!(calls[i] = lookup(kNames[i])))
            return false;
    loaded = true;
    return true;
}

bool OrvGLFramebuffers::Make(int width, int height, int samples, unsigned* framebuffer, unsigned renderbuffers[2])
{
    ORV_GL(kGenRenderbuffers, PFNGLGENRENDERBUFFERSPROC)(2, renderbuffers);
    const auto bindRenderbuffer = ORV_GL(kBindRenderbuffer, PFNGLBINDRENDERBUFFERPROC);
    const auto storage = ORV_GL(kRenderbufferStorageMultisample, PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC);
    bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
    storage(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    bindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
    storage(GL_RENDERBUFFER, samples, GL_DEPTH24_STENCIL8, width, height);
    bindRenderbuffer(GL_RENDERBUFFER, 0);
    ORV_GL(kGenFramebuffers, PFNGLGENFRAMEBUFFERSPROC)(1, framebuffer);
    Bind(*framebuffer);
    const auto attach = ORV_GL(kFramebufferRenderbuffer, PFNGLFRAMEBUFFERRENDERBUFFERPROC);
    attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
    attach(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
    if (ORV_GL(kCheckFramebufferStatus, PFNGLCHECKFRAMEBUFFERSTATUSPROC)(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        Bind(0);
        Delete(framebuffer, renderbuffers);
        return false;
    }
    return true;
}

void OrvGLFramebuffers::Delete(unsigned* framebuffer, unsigned renderbuffers[2])
{
    ORV_GL(kDeleteFramebuffers, PFNGLDELETEFRAMEBUFFERSPROC)(1, framebuffer);
    ORV_GL(kDeleteRenderbuffers, PFNGLDELETERENDERBUFFERSPROC)(2, renderbuffers);
    *framebuffer = 0;
    renderbuffers[0] = renderbuffers[1] = 0;
}

void OrvGLFramebuffers::Bind(unsigned framebuffer)
{
    ORV_GL(kBindFramebuffer, PFNGLBINDFRAMEBUFFERPROC)(GL_FRAMEBUFFER, framebuffer);
}

int OrvGLFramebuffers::Multisample(int wanted, int width, int height, unsigned* framebuffer,
                                   unsigned renderbuffers[2])
{
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    const int use = std::min(wanted, static_cast<int>(most));
    if (use < 2 || !Make(width, height, use, framebuffer, renderbuffers))
        return 0;
    glEnable(GL_MULTISAMPLE);
    return use;
}

void OrvGLFramebuffers::ReadRGB(unsigned multisampled, unsigned target, int width, int height,
                                unsigned char* rgb)
{
    const auto bind = ORV_GL(kBindFramebuffer, PFNGLBINDFRAMEBUFFERPROC);
    const size_t row = static_cast<size_t>(width) * 3;
    std::vector<unsigned char> flipped(row * height);
    if (multisampled) {
        bind(GL_READ_FRAMEBUFFER, multisampled);
        bind(GL_DRAW_FRAMEBUFFER, target);
        ORV_GL(kBlitFramebuffer, PFNGLBLITFRAMEBUFFERPROC)(0, 0, width, height, 0, 0, width, height,
                                                          GL_COLOR_BUFFER_BIT, GL_NEAREST);
        bind(GL_READ_FRAMEBUFFER, target);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, flipped.data());
    for (int y = 0; y < height; ++y)
        std::memcpy(rgb + row * y, flipped.data() + row * (height - 1 - y), row);
    if (multisampled)
        bind(GL_FRAMEBUFFER, multisampled);
}
