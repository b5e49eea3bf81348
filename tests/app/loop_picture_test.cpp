// A looping show's second pass, drawn by the real scenes offscreen, against its first.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "show/run_loop.h"
#include "show/show_constants.h"
#include "show/start_state.h"
#include "show/scene_set.h"
#include "framework/offscreen.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int64_t kSampleEvery = 150;

struct Sample {
    std::string scene;
    std::vector<unsigned char> rgb;
};

// Plays the show twice in a row on a clock of 34 ms per frame and keeps every
// kSampleEvery-th frame of each pass, with the start state put back between passes
// as the live show does. (Without it the second Intro comes out red through
// Insane's blend texture mode and Womb's last colour.)
std::vector<std::map<int64_t, Sample>> TwoPasses()
{
    OrvOffscreen gl(kWidth, kHeight);
    EXPECT_TRUE(gl.Ok()) << gl.Error();
    std::vector<std::map<int64_t, Sample>> passes(1);
    OrvSceneSet scenes;
    OrvSceneSet::SetGlobalState();
    OrvShow show(scenes.Schedule());
    OrvShowStartState start;
    uint32_t now = 0;
    OrvTimer timer(OrvTicksPerSecond, [&now] { return now; });
    timer.Reset();
    int64_t frame = 0;
    std::string scene;
    OrvFrameHooks hooks{
        [&] { return passes.size() > 2; },
        [&] {
            scene = show.Entries()[show.Position()].name;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        },
        [&] {
            if (frame % kSampleEvery == 0) {
                Sample& s = passes.back()[frame];
                s.scene = scene;
                s.rgb.resize(kWidth * kHeight * 3);
                gl.ReadRGB(s.rgb.data());
            }
            ++frame;
            now += 34;
        },
    };
    OrvRunShowLooping(show, timer, hooks, [&] {
        start.Restore();
        passes.emplace_back();
        frame = 0;
    });
    passes.pop_back();  // the third pass was stopped before its first frame
    return passes;
}

// Sampled frames of the second pass that differ from the first, with the scene; Womb's
// random flicker is left out.
std::vector<std::string> Differences(const std::vector<std::map<int64_t, Sample>>& passes)
{
    std::vector<std::string> differ;
    for (const auto& [frame, first] : passes[0]) {
        const auto second = passes[1].find(frame);
        if (second == passes[1].end() || first.scene == "Womb")
            continue;
        if (first.rgb != second->second.rgb)
            differ.push_back(first.scene + " frame " + std::to_string(frame));
    }
    return differ;
}

class LoopPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = getcwd(nullptr, 0);
        ASSERT_EQ(chdir(ORV_DATA_DIR), 0) << "the show's data set is missing (build the data target)";
    }
    void TearDown() override
    {
        if (home && chdir(home) != 0)
            ADD_FAILURE() << "cannot return to " << home;
        std::free(home);
    }
    char* home = nullptr;
};

}  // namespace

TEST_F(LoopPicture, SecondPassDrawsTheFirstPassesPictures)
{
    const std::vector<std::map<int64_t, Sample>> passes = TwoPasses();
    ASSERT_EQ(passes.size(), 2u);
    ASSERT_GT(passes[0].size(), 20u);
    EXPECT_EQ(passes[0].size(), passes[1].size());
    const std::vector<std::string> differ = Differences(passes);
    EXPECT_TRUE(differ.empty()) << differ.size() << " differ, first: " << differ.front();
}
