#include <GL/gl.h>
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
