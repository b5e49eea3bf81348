// ShowTest: an offscreen GL context with the generated data set as working
// directory, and a driver that plays the real schedule with made-up ticks.
#pragma once

#include <GL/gl.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <string>

#include "show/scene_set.h"
#include "show/show.h"
#include "support/gl_context.h"

// The six scenes, built and scheduled as the show's main does.
class ShowDriver {
public:
    ShowDriver() : show((OrvSceneSet::SetGlobalState(), scenes.Schedule())) {}

    // One pass of the show loop: clear, draw the current scene, maybe move on.
    bool Frame(int32_t ticks)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        return show.Step(ticks);
    }

    // Plays the current scene from `from` in steps of `step` ticks until it leaves.
    void RunOut(int32_t from, int32_t step)
    {
        for (int32_t t = from; !Frame(t); t += step) {
        }
    }

    // Runs whole scenes with few frames each until `name` is the current one.
    void SkipTo(const char* name)
    {
        while (!show.Ended() && std::string(show.Entries()[show.Position()].name) != name)
            RunOut(0, 300);
    }

    OrvSceneSet scenes;
    OrvShow show;
};

class ShowTest : public GLTest {
protected:
    void SetUp() override
    {
        GLTest::SetUp();
        char cwd[PATH_MAX];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previousDir = cwd;
        ASSERT_EQ(chdir(DataDir().c_str()), 0) << DataDir();
    }
    void TearDown() override
    {
        driver.reset();
        if (!previousDir.empty()) {
            EXPECT_EQ(chdir(previousDir.c_str()), 0);
        }
        GLTest::TearDown();
    }

    virtual std::string DataDir() { return ORV_DATA_DIR; }

    void Start() { driver = std::make_unique<ShowDriver>(); }

    std::unique_ptr<ShowDriver> driver;
    std::string previousDir;
};
