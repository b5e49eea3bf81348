// Small glGet helpers for checking the state a scene leaves behind.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "render/material.h"

using Vec4 = std::array<float, 4>;

inline Vec4 GetVec4(GLenum pname)
{
    Vec4 v{};
    glGetFloatv(pname, v.data());
    return v;
}

inline Vec4 FrontMaterial(GLenum pname)
{
    Vec4 v{};
    glGetMaterialfv(GL_FRONT, pname, v.data());
    return v;
}

inline Vec4 Light0(GLenum pname)
{
    Vec4 v{};
    glGetLightfv(GL_LIGHT0, pname, v.data());
    return v;
}

inline Vec4 TexEnvColour()
{
    Vec4 v{};
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, v.data());
    return v;
}

inline GLint GetInt(GLenum pname)
{
    GLint v = 0;
    glGetIntegerv(pname, &v);
    return v;
}

inline GLint TexEnvMode()
{
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    return mode;
}

inline GLint TexGenMode(GLenum coord)
{
    GLint mode = 0;
    glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &mode);
    return mode;
}

inline GLuint BoundTexture() { return static_cast<GLuint>(GetInt(GL_TEXTURE_BINDING_2D)); }

inline GLuint NameOf(const OlvarMaterial* texture) { return texture ? texture->Name() : 0; }

inline void ExpectVec4Near(const Vec4& actual, const Vec4& expected, float tolerance,
                           const char* what)
{
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(actual[i], expected[i], tolerance) << what << " component " << i;
}
