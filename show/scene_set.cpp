#include "show/scene_set.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <iterator>

#include "show/show_constants.h"
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

namespace {

// Each scene's limit in ticks, in show order: it leaves after a frame past it.
constexpr int32_t kLimits[] = {120, 540, 840, 840, 840, 840};

}  // namespace

std::vector<OrvScheduleEntry> OrvSceneSet::Schedule()
{
    return {
        {"Intro", [this](int32_t t) { intro->Draw(t); }, kLimits[0], {}, {}, Intro::kSetupTicks},
        {"Tunneli", [this](int32_t t) { tunneli->Draw(t); }, kLimits[1], {}},
        {"Kylpyla", [this](int32_t t) { kylpyla->Draw(t); }, kLimits[2], {}},
        {"Insane", [this](int32_t t) { insane->Draw(t); }, kLimits[3],
         [] {
             glDisable(GL_TEXTURE_GEN_S);
             glDisable(GL_TEXTURE_GEN_T);
         }},
        {"Kaupunki", [this](int32_t t) { kaupunki->Draw(t); }, kLimits[4], {}},
        {"Womb", [this](int32_t t) { womb->Draw(t); }, kLimits[5], {}, [this](int64_t n) { womb->RewindTo(n); },
         Womb::kSetupTicks},
    };
}

std::vector<OrvScheduleEntry> OrvSceneSet::Plan()
{
    std::vector<OrvScheduleEntry> plan;
    for (size_t i = 0; i < std::size(kLimits); ++i)
        plan.push_back({OrvSceneNames[i], [](int32_t) {}, kLimits[i], {}});
    return plan;
}
