// OrvSceneSet: the six scenes of the show, owned together.
//
// Constructs them in the order the show's GL state chain needs (Intro,
// Kaupunki, Insane, Tunneli, Womb, Kylpyla) and destroys them while the GL
// context is still current. Needs a current GL context for its whole life.
#pragma once

#include <vector>

#include "show/show.h"

class Intro;
class Tunneli;
class Kylpyla;
class Insane;
class Kaupunki;
class Womb;

class OrvSceneSet {
public:
    OrvSceneSet();
    ~OrvSceneSet();

    OrvSceneSet(const OrvSceneSet&) = delete;
    OrvSceneSet& operator=(const OrvSceneSet&) = delete;

    // Projection and global GL state, set once after all scenes exist.
    static void SetGlobalState();

    // The show's schedule over these scenes, in show order with its limits
    // (120, 540, 840, 840, 840, 840) and the texture-generation step after Insane.
    std::vector<OrvScheduleEntry> Schedule();

    // The same schedule's names and limits with nothing to draw: enough to
    // work out a run of the show (OrvShowTimeline) without building a scene.
    static std::vector<OrvScheduleEntry> Plan();

    Intro* intro = nullptr;
    Tunneli* tunneli = nullptr;
    Kylpyla* kylpyla = nullptr;
    Insane* insane = nullptr;
    Kaupunki* kaupunki = nullptr;
    Womb* womb = nullptr;
};
