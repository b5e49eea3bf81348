#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <vector>

#include "support/gl_context.h"

using OffscreenTest = GLTest;

TEST_F(OffscreenTest, ContextHasDepthAndStencilAndClearsToColour)
{
    GLint stencil = 0, depth = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    glGetIntegerv(GL_DEPTH_BITS, &depth);
    EXPECT_GE(stencil, 1);
    EXPECT_GE(depth, 16);

    glClearColor(1.0f, 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    gl->ReadRGB(rgb.data());
    EXPECT_EQ(rgb[0], 255);
    EXPECT_NEAR(rgb[1], 128, 1);
    EXPECT_EQ(rgb[2], 0);
}

TEST_F(OffscreenTest, ReadRGBReturnsTopRowFirst)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, kHeight - 1, kWidth, 1);  // GL's top row
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    std::vector<unsigned char> rgb(kWidth * kHeight * 3);
    gl->ReadRGB(rgb.data());
    EXPECT_EQ(rgb[0], 255);
    EXPECT_EQ(rgb[(kHeight - 1) * kWidth * 3], 0);
}

namespace {

// A white triangle with a slanted edge on black, read back: the number of grey pixels.
int GreysAlongASlantedEdge(OrvOffscreen& gl)
{
    glViewport(0, 0, gl.Width(), gl.Height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glBegin(GL_TRIANGLES);
    glVertex2f(-0.9f, -0.9f);
    glVertex2f(0.9f, -0.7f);
    glVertex2f(-0.6f, 0.9f);
    glEnd();
    std::vector<unsigned char> rgb(size_t(gl.Width()) * gl.Height() * 3);
    gl.ReadRGB(rgb.data());
    int greys = 0;
    for (unsigned char v : rgb)
        greys += v != 0 && v != 255;
    return greys;
}

}  // namespace

TEST_F(OffscreenTest, MultisamplingGreysTheEdgesOnlyWhenAskedAndReadsAfterTheResolve)
{
    GLint buffers = -1;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
    EXPECT_EQ(buffers, 0) << "the context must start single-sampled";
    EXPECT_EQ(GreysAlongASlantedEdge(*gl), 0);

    const int samples = gl->Multisample(4);
    if (samples == 0)
        GTEST_SKIP() << "this driver offers no multisampling";
    EXPECT_LE(samples, 4);
    glGetIntegerv(GL_SAMPLE_BUFFERS, &buffers);
    EXPECT_EQ(buffers, 1);
    GLint stencil = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencil);
    EXPECT_GE(stencil, 1);
    const int first = GreysAlongASlantedEdge(*gl);
    EXPECT_GT(first, 100) << "no blended pixels along the edges";
    // Reading resolves into the pbuffer and goes back to the samples: the next frame is the same.
    EXPECT_EQ(GreysAlongASlantedEdge(*gl), first);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
