#include "scenes/intro.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "render/material.h"

namespace {

// The square's two triangles: texture coordinate (s, t), then position (x, y, z).
struct IntroCorner {
    float s, t;
    float x, y, z;
};

constexpr IntroCorner kSquare[6] = {
    {0, 1, -5, 5, 5}, {1, 1, 5, 5, 5},   {1, 0, 5, -5, 5},
    {1, 0, 5, -5, 5}, {0, 0, -5, -5, 5}, {0, 1, -5, 5, 5},
};

}  // namespace

Intro::Intro() { texture = new OlvarMaterial("cola.bmp"); }

Intro::~Intro() { delete texture; }

void Intro::Draw(int32_t ticks)
{
    if (ticks < kSetupTicks) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    glLoadIdentity();
    gluLookAt(0, 0, 20, 0, 0, 0, 0, 1, 0);
    texture->Bind();

    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glBegin(GL_TRIANGLES);
    glNormal3f(0, 0, -1);
    for (const IntroCorner& c : kSquare) {
        glTexCoord2f(c.s, c.t);
        glVertex3f(c.x, c.y, c.z);
    }
    glEnd();
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}
