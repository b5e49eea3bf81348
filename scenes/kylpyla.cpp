#include "scenes/kylpyla.h"

#include <GL/glu.h>

#include "render/keyframer.h"
#include "render/material.h"
#include "render/object.h"
#include "scenefile/loader3ds.h"
#include "scenes/scene_helpers.h"

namespace {

const char* const kMeshNames[Kylpyla::kMeshCount] = {
    "Box01",      "Box02",      "Box03",      "Cylinder01", "Cylinder02", "Cylinder03",
    "Cylinder04", "Cylinder05", "Cylinder06", "Cylinder07", "Cylinder08", "Cylinder09",
    "Cylinder10", "Cylinder11", "Cylinder12", "Cylinder13", "Fisu1",      "Fisu02",
    "Fisu03",     "Fisu04",     "Cylinder14",
};

const char* const kTextureNames[Kylpyla::kGroupCount] = {
    "Sunset.bmp", "Benedeti.bmp", "Travertn.bmp", "Sponge2.bmp", "vesi.bmp",
};

// What a material list does besides the material colours; Keep leaves the state alone.
enum class Switch { Keep, On, Off };

struct MaterialColour {
    GLenum pname;
    GLfloat rgba[4];
};

// One group's list: sphere-map generation, blending, an optional current colour,
// three front material colours in call order, then its texture.
struct MaterialList {
    Switch sphereMap;
    Switch blend;
    bool setsColour;
    GLfloat colour[4];
    MaterialColour colours[3];
};

const MaterialList kLists[Kylpyla::kGroupCount] = {
    {Switch::On, Switch::Off, false, {},
     {{GL_DIFFUSE, {0.65f, 0.39f, 0.24f, 1}}, {GL_AMBIENT, {0, 0, 0, 1}},
      {GL_SPECULAR, {1, 1, 1, 1}}}},
    {Switch::Off, Switch::Keep, false, {},
     {{GL_AMBIENT, {0.3f, 0.26f, 0.19f, 1}}, {GL_DIFFUSE, {0.69f, 0.59f, 0.44f, 1}},
      {GL_SPECULAR, {0.94f, 0.92f, 0.89f, 1}}}},
    {Switch::Keep, Switch::Keep, false, {},
     {{GL_AMBIENT, {0.49f, 0.44f, 0.31f, 1}}, {GL_DIFFUSE, {0.91f, 0.8f, 0.58f, 1}},
      {GL_SPECULAR, {0.99f, 0.97f, 0.93f, 1}}}},
    {Switch::Keep, Switch::Keep, false, {},
     {{GL_AMBIENT, {0.92f, 0, 0, 1}}, {GL_DIFFUSE, {0.96f, 0.1f, 0.1f, 1}},
      {GL_SPECULAR, {1, 0.19f, 0.1f, 1}}}},
    {Switch::On, Switch::On, true, {0, 0, 1, 0.5f},
     {{GL_AMBIENT, {0.11f, 0.11f, 0.54f, 1}}, {GL_DIFFUSE, {0.11f, 0.11f, 0.15f, 1}},
      {GL_SPECULAR, {0.89f, 0.9f, 0.9f, 1}}}},
};

// Indices into kMeshNames of each group's meshes, in drawing order; -1 ends a group.
const int kGroups[Kylpyla::kGroupCount][14] = {
    {16, 17, 18, 19, -1},
    {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, -1},
    {0, -1},
    {1, 2, -1},
    {20, -1},
};

// Records the texture-generation and blend part of a list.
void RecordSwitches(const MaterialList& list)
{
    if (list.sphereMap == Switch::On) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    } else if (list.sphereMap == Switch::Off) {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
    if (list.blend == Switch::On)
        glEnable(GL_BLEND);
    else if (list.blend == Switch::Off)
        glDisable(GL_BLEND);
}

}  // namespace

Kylpyla::Kylpyla()
{
    loader = new OlvarLoad3DS("kylpyla.3ds");
    for (int i = 0; i < kMeshCount; ++i)
        meshes[i] = new OlvarObject(loader, kMeshNames[i], true);
    camera = new OlvarKeyframer(loader, "Camera01", true);
    target = new OlvarKeyframer(loader, "Camera01.target", true);
    spot = new OlvarKeyframer(loader, "Spot01", true);
    spotTarget = new OlvarKeyframer(loader, "Spot01.target", true);
    delete loader;
    loader = nullptr;
    for (int i = 0; i < kGroupCount; ++i)
        textures[i] = new OlvarMaterial(kTextureNames[i]);
    CompileLists();
}

Kylpyla::~Kylpyla()
{
    for (OlvarObject* mesh : meshes)
        delete mesh;
    delete camera;
    delete target;
    delete spot;
    delete spotTarget;
    for (OlvarMaterial* texture : textures)
        delete texture;
    for (GLuint list : lists)
        if (list)
            glDeleteLists(list, 1);
}

void Kylpyla::CompileLists()
{
    for (int i = 0; i < kGroupCount; ++i) {
        const MaterialList& spec = kLists[i];
        lists[i] = glGenLists(1);
        glNewList(lists[i], GL_COMPILE);
        RecordSwitches(spec);
        if (spec.setsColour)
            glColor4fv(spec.colour);
        for (const MaterialColour& c : spec.colours)
            glMaterialfv(GL_FRONT, c.pname, c.rgba);
        textures[i]->Bind();
        glEndList();
    }
}

void Kylpyla::Draw(int32_t ticks)
{
    LightAndLookThrough(camera, target, ticks);

    for (int g = 0; g < kGroupCount; ++g) {
        glCallList(lists[g]);
        for (const int* m = kGroups[g]; *m >= 0; ++m) {
            DrawPlaced(meshes[*m]);
        }
    }
}
