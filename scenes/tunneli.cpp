#include "scenes/tunneli.h"

#include <GL/glu.h>

#include "render/keyframer.h"
#include "render/material.h"
#include "render/object.h"
#include "scenefile/loader3ds.h"
#include "scenes/scene_helpers.h"

Tunneli::Tunneli()
{
    loader = new OlvarLoad3DS("tunneli.3ds");
    mesh = new OlvarObject(loader, "Loft01", true);
    camera = new OlvarKeyframer(loader, "Camera01", true);
    target = new OlvarKeyframer(loader, "Camera01.target", true);
    delete loader;
    loader = nullptr;
    texture = new OlvarMaterial("tunneli.bmp");
    CompileList();
}

Tunneli::~Tunneli()
{
    delete mesh;
    delete camera;
    delete target;
    delete texture;
    if (list)
        glDeleteLists(list, 1);
}

// The texture with sphere-map coordinates, switched on again every frame.
void Tunneli::CompileList()
{
    list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    texture->Bind();
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEndList();
}

void Tunneli::Draw(int32_t ticks)
{
    glCallList(list);
    LightAndLookThrough(camera, target, ticks);

    DrawPlaced(mesh);
}
