#include "show/scene_set.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "scenes/insane.h"
#include "scenes/intro.h"
#include "scenes/kaupunki.h"
#include "scenes/kylpyla.h"
#include "scenes/tunneli.h"
#include "scenes/womb.h"

OrvSceneSet::OrvSceneSet()
{
    intro = new Intro;
    kaupunki = new Kaupunki;
    insane = new Insane;
    tunneli = new Tunneli;
    womb = new Womb;
    kylpyla = new Kylpyla;
}

OrvSceneSet::~OrvSceneSet()
{
    delete intro;
    delete tunneli;
    delete insane;
    delete womb;
    delete kaupunki;
    delete kylpyla;
}

void OrvSceneSet::SetGlobalState()
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.3333333333333333, 1.0, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(6000.0);
    glClearColor(0, 0, 0, 0);
}

std::vector<OrvScheduleEntry> OrvSceneSet::Schedule()
{
    return {
        {"Intro", [this](int32_t t) { intro->Draw(t); }, 120, {}},
        {"Tunneli", [this](int32_t t) { tunneli->Draw(t); }, 540, {}},
        {"Kylpyla", [this](int32_t t) { kylpyla->Draw(t); }, 840, {}},
        {"Insane", [this](int32_t t) { insane->Draw(t); }, 840,
         [] {
             glDisable(GL_TEXTURE_GEN_S);
             glDisable(GL_TEXTURE_GEN_T);
         }},
        {"Kaupunki", [this](int32_t t) { kaupunki->Draw(t); }, 840, {}},
        {"Womb", [this](int32_t t) { womb->Draw(t); }, 840, {}, [this](int64_t n) { womb->RewindTo(n); }},
    };
}
