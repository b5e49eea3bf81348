#include "scenes/insane.h"

#include <GL/glu.h>

#include <cmath>
#include <initializer_list>
#include <numbers>

#include "render/material.h"
#include "render/object.h"
#include "scenefile/loader3ds.h"

namespace {

const GLfloat kLightPosition[4] = {3, 150, 25, 1};

// The 300 x 300 floor in the plane y = 0, counter-clockwise seen from above, unlit.
void RecordFloor()
{
    glDisable(GL_LIGHTING);
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 0);
    glVertex3f(150, 0, -150);
    glVertex3f(-150, 0, -150);
    glVertex3f(-150, 0, 150);
    glVertex3f(150, 0, 150);
    glEnd();
    glEnable(GL_LIGHTING);
}

// Front material colours, in call order.
void SetFrontMaterial(GLenum pname, GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    const GLfloat rgba[4] = {r, g, b, a};
    glMaterialfv(GL_FRONT, pname, rgba);
}

}  // namespace

Insane::Insane()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    loader = new OlvarLoad3DS("insane.3ds");
    mesh = new OlvarObject(loader, "Knot01", true);
    mesh->SetPosition(0, 200, 0);
    texture = new OlvarMaterial("insane.bmp");
    delete loader;
    loader = nullptr;

    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);

    CompileMirrorList();
    CompileFloorList();
    CompileMaterialList();
}

Insane::~Insane()
{
    delete texture;
    delete mesh;
    for (GLuint list : {mirrorList, floorList, materialList})
        if (list)
            glDeleteLists(list, 1);
}

// Marks the floor in the stencil buffer, then opens the mirrored pass (left open).
void Insane::CompileMirrorList()
{
    mirrorList = glGenLists(1);
    glNewList(mirrorList, GL_COMPILE);
    glDisable(GL_DEPTH_TEST);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_STENCIL_TEST);
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
    glStencilFunc(GL_ALWAYS, 1, 0xFFFFFFFFu);
    RecordFloor();
    glEnable(GL_DEPTH_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glStencilFunc(GL_EQUAL, 1, 0xFFFFFFFFu);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    glPushMatrix();
    glScalef(1, -1, 1);
    glCullFace(GL_FRONT);
    glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
    glEndList();
}

// Closes the mirrored pass and draws the translucent floor over it.
void Insane::CompileFloorList()
{
    floorList = glGenLists(1);
    glNewList(floorList, GL_COMPILE);
    glCullFace(GL_BACK);
    glPopMatrix();
    glDisable(GL_STENCIL_TEST);
    glLightfv(GL_LIGHT0, GL_POSITION, kLightPosition);
    glEnable(GL_BLEND);
    glColor4f(0.7f, 0.5f, 0.5f, 0.3f);
    RecordFloor();
    glDisable(GL_BLEND);
    glEndList();
}

// The knot's material, the blending texture environment and the texture.
void Insane::CompileMaterialList()
{
    materialList = glGenLists(1);
    glNewList(materialList, GL_COMPILE);
    SetFrontMaterial(GL_AMBIENT, 0.16f, 0.2f, 0.77f, 1);
    SetFrontMaterial(GL_DIFFUSE, 0.51f, 0.62f, 0.84f, 1);
    SetFrontMaterial(GL_SPECULAR, 0.9f, 0.9f, 0.9f, 1);
    glMaterialf(GL_FRONT, GL_SHININESS, 60);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
    const GLfloat envColour[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, envColour);
    texture->Bind();
    glEndList();
}

// One translucent, additively blended pass of the knot under the current matrix.
void Insane::DrawKnot()
{
    mesh->Transform();
    glEnable(GL_BLEND);
    glColor4f(0.3f, 1.0f, 0.6f, 0.5f);
    mesh->Render();
    glDisable(GL_BLEND);
}

void Insane::Draw(int32_t ticks)
{
    glCallList(materialList);
    const float spin = static_cast<float>(ticks);
    mesh->SetRotation(0, spin, static_cast<float>(ticks - 100));

    const double t = ticks;
    const double eyeX = 450.0 * std::cos(0.02 * t);
    const double eyeY = 300.0 + 70.0 * std::sin(std::numbers::pi - 0.05 * t);
    const double eyeZ = 450.0 * std::sin(0.02 * t);
    glLoadIdentity();
    gluLookAt(eyeX, eyeY, eyeZ, 0, 50, 0, 0, 1, 0);

    glCallList(mirrorList);
    DrawKnot();
    glCallList(floorList);
    DrawKnot();
}
