#include "scenes/kaupunki.h"

#include <GL/glu.h>

#include "render/keyframer.h"
#include "render/material.h"
#include "render/object.h"
#include "scenefile/loader3ds.h"
#include "scenes/scene_helpers.h"

namespace {

const char* const kMeshNames[Kaupunki::kMeshCount] = {
    "Box01", "Box02", "Box03", "Box04", "Box05", "Box06", "Box07",
    "Box08", "Box09", "Box11", "Box12", "Box13", "Box14", "Box17",
    "Box18", "Box19", "Box20", "Cylinder01", "Cylinder02",
};

const char* const kTextureNames[Kaupunki::kGroupCount] = {
    "Stoned02.bmp", "Groove1.bmp", "Crisscro.bmp", "Stoned00.bmp", "Stoned12.bmp",
};

// Indices into kMeshNames of each texture group's meshes, in drawing order; -1 ends a group.
const int kGroups[Kaupunki::kGroupCount][5] = {
    {0, 3, 6, 14, -1},   // Box01, Box04, Box07, Box18
    {8, 10, 16, 17, -1}, // Box09, Box12, Box20, Cylinder01
    {2, 7, 13, 18, -1},  // Box03, Box08, Box17, Cylinder02
    {4, 9, 11, -1},      // Box05, Box11, Box13
    {1, 12, 5, 15, -1},  // Box02, Box14, Box06, Box19
};

}  // namespace

Kaupunki::Kaupunki()
{
    loader = new OlvarLoad3DS("kaupunki.3ds");
    for (int i = 0; i < kMeshCount; ++i)
        meshes[i] = new OlvarObject(loader, kMeshNames[i], true);
    camera = new OlvarKeyframer(loader, "Camera01", true);
    target = new OlvarKeyframer(loader, "Camera01.T.target", true);
    delete loader;
    loader = nullptr;
    for (int i = 0; i < kGroupCount; ++i)
        textures[i] = new OlvarMaterial(kTextureNames[i]);
    CompileList();
}

Kaupunki::~Kaupunki()
{
    for (OlvarObject* mesh : meshes)
        delete mesh;
    delete camera;
    delete target;
    if (list)
        glDeleteLists(list, 1);
    for (OlvarMaterial* texture : textures)
        delete texture;
}

// The one front material every mesh of the city shares.
void Kaupunki::CompileList()
{
    const GLfloat ambient[4] = {0.1f, 0.1f, 0.1f, 1};
    const GLfloat diffuse[4] = {0.7f, 0.7f, 0.7f, 1};
    const GLfloat specular[4] = {0.9f, 0.9f, 0.9f, 1};
    list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glEndList();
}

void Kaupunki::Draw(int32_t ticks)
{
    glCallList(list);
    LightAndLookThrough(camera, target, ticks);

    for (int g = 0; g < kGroupCount; ++g) {
        textures[g]->Bind();
        for (const int* m = kGroups[g]; *m >= 0; ++m) {
            DrawPlaced(meshes[*m]);
        }
    }
}
