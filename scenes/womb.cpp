#include "scenes/womb.h"

#include <GL/gl.h>

#include <cmath>

#include "render/material.h"
#include "render/object.h"
#include "scenefile/loader3ds.h"

namespace {

// Colour material on the front diffuse colour and sphere-map generation for S and T.
void SetWombState()
{
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_DIFFUSE);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

}  // namespace

Womb::Womb()
{
    loader = new OlvarLoad3DS("womb.3ds");
    mesh = new OlvarObject(loader, "GeoSphere0", false);
    delete loader;
    loader = nullptr;
    texture = new OlvarMaterial("womb.bmp");
    SetWombState();
}

Womb::~Womb()
{
    delete mesh;
    delete texture;
}

void Womb::Draw(int32_t ticks)
{
    if (ticks < kSetupTicks)
        SetWombState();
    texture->Bind();
    glLoadIdentity();
    const float zAngle = 2.0f * static_cast<float>(ticks);
    const float xAngle = 1.5f * static_cast<float>(ticks - 90);
    glRotatef(zAngle, 0, 0, 1);
    glRotatef(xAngle, 1, 0, 0);

    const double phase = 0.5 * ticks;
    const GLfloat light[4] = {static_cast<GLfloat>(50.0 * std::cos(phase)),
                              static_cast<GLfloat>(50.0 * std::sin(phase)), 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, light);

    const double blue = 0.25 * std::sin(phase);
    const double green = 0.3 * random.Next() / WombRandom::kMax;
    const double red = 0.5 * std::cos(phase) + 0.5;
    glColor3f(static_cast<GLfloat>(red), static_cast<GLfloat>(green), static_cast<GLfloat>(blue));

    mesh->Transform();
    mesh->Render();
}
