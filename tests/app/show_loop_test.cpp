#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "show/run_loop.h"
#include "show/show_constants.h"

namespace {

struct Draw {
    std::string scene;
    int32_t ticks;
};

// The show's schedule over scenes that only record what they were asked to draw.
// The leave step after Insane records "texgen off" where a scene name would go.
class FakeShow {
public:
    FakeShow() : timer(OrvTicksPerSecond, [this] { return now; }) {}

    std::vector<OrvScheduleEntry> Schedule()
    {
        auto scene = [this](const char* name) { return [this, name](int32_t t) { log.push_back({name, t}); }; };
        return {
            {"Intro", scene("Intro"), 120, {}},
            {"Tunneli", scene("Tunneli"), 540, {}},
            {"Kylpyla", scene("Kylpyla"), 840, {}},
            {"Insane", scene("Insane"), 840, [this] { log.push_back({"texgen off", -1}); }},
            {"Kaupunki", scene("Kaupunki"), 840, {}},
            {"Womb", scene("Womb"), 840, {}},
        };
    }

    // Runs the show; the clock advances by steps[i] ms after frame i (the last step repeats).
    int64_t Run(std::vector<uint32_t> steps, int64_t quitAfterFrames = -1)
    {
        OrvShow show(Schedule());
        timer.Reset();
        OrvFrameHooks hooks{
            [this, quitAfterFrames] { return quitAfterFrames >= 0 && frames >= quitAfterFrames; },
            [this] { ++clears; },
            [this, steps] {
                now += steps[std::min<size_t>(static_cast<size_t>(frames), steps.size() - 1)];
                ++frames;
            },
        };
        int64_t drawn = OrvRunShow(show, timer, hooks);
        ended = show.Ended();
        return drawn;
    }

    // Index of the first draw of `scene` in the log, or -1.
    int First(const std::string& scene) const
    {
        for (size_t i = 0; i < log.size(); ++i)
            if (log[i].scene == scene)
                return static_cast<int>(i);
        return -1;
    }

    uint32_t now = 1000;
    OrvTimer timer;
    std::vector<Draw> log;
    int64_t frames = 0;
    int64_t clears = 0;
    bool ended = false;
};

}  // namespace

TEST(OrvRunShow, IntroDrawsTheFrameWhereItReads121ThenTunneliStartsFromTheReset)
{
    FakeShow show;
    // Frames at 0, 4000, 4034 ms, then one more at the same instant.
    show.Run({4000, 34, 0, 34}, 4);
    ASSERT_EQ(show.log.size(), 4u);
    EXPECT_EQ(show.log[0].scene, "Intro");
    EXPECT_EQ(show.log[1].scene, "Intro");
    EXPECT_EQ(show.log[1].ticks, 120);
    EXPECT_EQ(show.log[2].scene, "Intro");
    EXPECT_EQ(show.log[2].ticks, 121);
    EXPECT_EQ(show.log[3].scene, "Tunneli");
    EXPECT_EQ(show.log[3].ticks, 0);
}

TEST(OrvRunShow, QuitBeforeTheFirstFrameDrawsNothing)
{
    FakeShow show;
    EXPECT_EQ(show.Run({34}, 0), 0);
    EXPECT_TRUE(show.log.empty());
    EXPECT_EQ(show.clears, 0);
    EXPECT_EQ(show.frames, 0);
}

TEST(OrvRunShow, QuitDuringASceneEndsTheShowAtTheNextFrame)
{
    FakeShow show;
    EXPECT_EQ(show.Run({1000}, 10), 10);
    EXPECT_EQ(show.log.size(), 10u);
    EXPECT_FALSE(show.ended);
}

TEST(OrvRunShow, TexgenStepRunsOnceBetweenInsaneAndKaupunki)
{
    FakeShow show;
    show.Run({1000});
    int leave = show.First("texgen off");
    ASSERT_GE(leave, 1);
    EXPECT_EQ(show.log[leave - 1].scene, "Insane");
    EXPECT_GT(show.log[leave - 1].ticks, 840);
    EXPECT_EQ(show.log[leave + 1].scene, "Kaupunki");
    int count = 0;
    for (const Draw& d : show.log)
        count += d.scene == "texgen off";
    EXPECT_EQ(count, 1);
}

TEST(OrvRunShow, LoopEndsRightAfterWombPasses840)
{
    FakeShow show;
    int64_t frames = show.Run({1000});
    EXPECT_TRUE(show.ended);
    ASSERT_FALSE(show.log.empty());
    EXPECT_EQ(show.log.back().scene, "Womb");
    EXPECT_GT(show.log.back().ticks, 840);
    EXPECT_LE(show.log[show.log.size() - 2].ticks, 840);
    EXPECT_EQ(frames, static_cast<int64_t>(show.log.size()) - 1);  // the texgen entry is no frame
    EXPECT_EQ(show.clears, frames);
}

TEST(OrvRunShow, ShowLasts134204MillisecondsOnAMillisecondClock)
{
    FakeShow show;
    uint32_t start = show.now;
    show.Run({1});
    // 4034 for Intro, 18034 for Tunneli, 28034 for each of the other four; the
    // clock advances once more after the last frame.
    EXPECT_EQ(show.now - start, 4034u + 18034u + 4u * 28034u + 1u);
    EXPECT_EQ(show.log[show.First("Tunneli")].ticks, 0);
    EXPECT_EQ(show.log[show.First("Tunneli") - 1].ticks, 121);
}

TEST(OrvRunShowLooping, IntroDrawsAgainFromTickZeroAfterWombPasses840AndTheRestartRunsOnce)
{
    FakeShow show;
    OrvShow schedule(show.Schedule());
    show.timer.Reset();
    int restarts = 0;
    size_t wombLast = 0;
    OrvFrameHooks hooks{
        [&] { return restarts == 1 && show.log.back().scene == "Tunneli"; },
        [] {},
        [&] { show.now += 100; },
    };
    const int64_t frames = OrvRunShowLooping(schedule, show.timer, hooks, [&] {
        ++restarts;
        wombLast = show.log.size() - 1;
    });
    EXPECT_EQ(restarts, 1);
    ASSERT_GT(wombLast, 0u);
    ASSERT_LT(wombLast + 1, show.log.size());
    EXPECT_EQ(show.log[wombLast].scene, "Womb");
    EXPECT_GT(show.log[wombLast].ticks, 840);
    EXPECT_EQ(show.log[wombLast + 1].scene, "Intro");
    EXPECT_EQ(show.log[wombLast + 1].ticks, 0);
    EXPECT_EQ(show.log.back().scene, "Tunneli");
    EXPECT_FALSE(schedule.Ended());
    EXPECT_EQ(frames, static_cast<int64_t>(show.log.size()) - 1);  // the first pass's texgen entry
}

TEST(OrvRunShowLooping, QuitOnWombsLastFrameEndsTheShowInsteadOfStartingOver)
{
    FakeShow show;
    OrvShow schedule(show.Schedule());
    show.timer.Reset();
    bool quit = false;
    int restarts = 0;
    OrvFrameHooks hooks{
        [&] { return quit; },
        [] {},
        [&] {
            show.now += 1000;
            quit = quit || (show.log.back().scene == "Womb" && show.log.back().ticks > 840);
        },
    };
    OrvRunShowLooping(schedule, show.timer, hooks, [&] { ++restarts; });
    EXPECT_TRUE(schedule.Ended());
    EXPECT_EQ(restarts, 0) << "a quit on the last frame must not start the show again";
    EXPECT_EQ(show.log.back().scene, "Womb");
}

// The browser's step: a held show's step draws nothing and touches neither the
// buffers nor the timer; released, the scene goes on from the held clock.
TEST(OrvShowSteps, AHeldStepDrawsNothingAndTheShowGoesOnWhenReleased)
{
    FakeShow show;
    OrvShow schedule(show.Schedule());
    show.timer.Reset();
    bool held = false;
    int clears = 0;
    OrvFrameHooks hooks{[] { return false; }, [&] { ++clears; }, [&] { show.now += 100; }};
    OrvShowSteps steps(schedule, show.timer, hooks, {}, [&] { return held; });
    ASSERT_TRUE(steps.Step());
    held = true;
    for (int i = 0; i < 3; ++i) {
        show.now += 1000;  // wall time passing while held is the caller's clock's business
        EXPECT_TRUE(steps.Step());
    }
    EXPECT_EQ(show.log.size(), 1u);
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(steps.Frames(), 1);
    held = false;
    ASSERT_TRUE(steps.Step());
    ASSERT_EQ(show.log.size(), 2u);
    EXPECT_EQ(show.log[1].ticks, 3100 * OrvTicksPerSecond / 1000);
    EXPECT_EQ(steps.Frames(), 2);
}
