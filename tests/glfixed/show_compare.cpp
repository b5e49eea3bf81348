// glfixed_show_compare: draws the whole show through the fixed-function layer
// on OpenGL ES 3 and compares every Nth frame with the desktop OpenGL capture
// of the same show (orvdemo --capture DIR/ at the same size).
//
//   glfixed_show_compare DATA_DIR CAPTURE_DIR [--every N] [--limit PERCENT] [--passes N] [--keep DIR]
//
// The show runs frame by frame on the capture's clock (frame i at i * 1000 / 30
// ms), so the scenes hand on the same state and draw the same frames; frames
// not compared are run with rasterising off. With --passes 2 (the default) it
// plays on as a looping live show does, the start state put back between the
// passes, and the second pass is held to the same capture. A pixel is off when a channel
// differs by more than 8 levels. Prints each scene's worst frame and exits 1
// when a frame has more than PERCENT (0.5) % of its pixels off. The figures go
// to standard error (the scene-file reader traces on standard output).
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "framework/png_image.h"
#include "framework/timer.h"
#include "glfixed/glfixed.h"
#include "gles_context.h"
#include "show/run_loop.h"
#include "show/scene_set.h"
#include "show/start_state.h"
#include "show/show.h"
#include "show/show_constants.h"
#include "show/viewport.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr int kFps = 30;
constexpr int kTolerance = 8;

struct SceneFigures {
    int frames = 0;
    double worst = 0.0;  // % of pixels off
    int64_t worstFrame = -1;
    double sum = 0.0;
    double anyDiff = 0.0;  // worst % of pixels that differ at all
    int largest = 0;       // largest difference of a channel, in levels
};

std::string FrameName(const std::string& dir, int64_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
    return dir + "/" + name;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR CAPTURE_DIR [--every N] [--limit PERCENT] [--passes N] [--keep DIR]\n",
                     argv[0]);
        return 2;
    }
    const std::string data = argv[1];
    const std::string capture = argv[2];
    int every = 10;
    int passes = 2;
    double limit = 0.5;
    std::string keep;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--every")
            every = std::max(1, std::atoi(argv[i + 1]));
        else if (name == "--limit")
            limit = std::atof(argv[i + 1]);
        else if (name == "--passes")
            passes = std::max(1, std::atoi(argv[i + 1]));
        else if (name == "--keep")
            keep = argv[i + 1];
    }

    GlesContext context(kWidth, kHeight);
    if (!context.Ok()) {
        std::fprintf(stderr, "skipped: %s\n", context.Error().c_str());
        return 77;
    }
    std::string why;
    if (!OrvGlFixedInit(&why)) {
        std::fprintf(stderr, "glfixed_show_compare: %s\n", why.c_str());
        return 1;
    }
    if (chdir(data.c_str()) != 0) {
        std::fprintf(stderr, "glfixed_show_compare: no data directory %s\n", data.c_str());
        return 1;
    }

    OrvSceneSet scenes;
    OrvSceneSet::SetGlobalState();
    const OrvViewport view = OrvFourThirdsViewport(kWidth, kHeight);
    glViewport(view.x, view.y, view.width, view.height);
    OrvShow show(scenes.Schedule());
    OrvShowStartState start;

    int64_t frame = 0;
    uint32_t now = 0;
    OrvTimer timer(OrvTicksPerSecond, [&now] { return now; });
    timer.Reset();
    std::vector<unsigned char> rows(kWidth * kHeight * 3);
    std::map<std::string, SceneFigures> figures;
    std::vector<std::string> order;
    std::string scene;
    bool failed = false;
    bool missing = false;
    int pass = 0;
    OrvFrameHooks hooks;
    hooks.quitRequested = [&] { return missing || (pass + 1 >= passes && show.Ended()); };
    hooks.beginFrame = [&] {
        scene = show.Entries()[show.Position()].name;
        if (pass > 0)
            scene += " (pass " + std::to_string(pass + 1) + ")";
        now = static_cast<uint32_t>(frame * 1000 / kFps);
        GlesContext::Rasterize(frame % every == 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    };
    hooks.endFrame = [&] {
        const int64_t index = frame++;
        if (index % every != 0)
            return;
        std::vector<unsigned char> want;
        int w = 0, h = 0;
        if (!ReadPNG(FrameName(capture, index), &want, &w, &h, &why) || w != kWidth || h != kHeight) {
            if (index == 0) {
                std::fprintf(stderr, "glfixed_show_compare: no %dx%d capture: %s\n", kWidth, kHeight, why.c_str());
                failed = true;
            }
            missing = true;
            return;
        }
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
        std::vector<unsigned char> got(rows.size());
        for (int y = 0; y < kHeight; ++y)
            std::copy_n(&rows[static_cast<size_t>(kHeight - 1 - y) * kWidth * 3], kWidth * 3,
                        &got[static_cast<size_t>(y) * kWidth * 3]);
        int off = 0, differ = 0, largest = 0;
        std::vector<unsigned char> diff(got.size(), 0);
        for (int p = 0; p < kWidth * kHeight; ++p) {
            int worst = 0;
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(int(got[3 * p + c]) - int(want[3 * p + c])));
            differ += worst > 0;
            largest = std::max(largest, worst);
            if (worst > kTolerance) {
                ++off;
                diff[3 * p] = 255;
            }
        }
        const double percent = 100.0 * off / (kWidth * kHeight);
        if (!figures.count(scene))
            order.push_back(scene);
        SceneFigures& f = figures[scene];
        ++f.frames;
        f.sum += percent;
        f.anyDiff = std::max(f.anyDiff, 100.0 * differ / (kWidth * kHeight));
        f.largest = std::max(f.largest, largest);
        if (percent > f.worst || f.worstFrame < 0) {
            f.worst = percent;
            f.worstFrame = index;
        }
        if (percent > limit)
            failed = true;
        if (!keep.empty() && percent > limit) {
            WritePNG(FrameName(keep, index) + ".layer.png", got.data(), kWidth, kHeight);
            WritePNG(FrameName(keep, index) + ".off.png", diff.data(), kWidth, kHeight);
        }
    };
    int64_t frames = 0;
    OrvRunShowLooping(show, timer, hooks, [&] {
        start.Restore();
        // The flicker starts over too: the capture's colours again.
        for (const OrvScheduleEntry& entry : show.Entries())
            if (entry.rewind)
                entry.rewind(0);
        frames += frame;
        frame = 0;
        now = 0;
        ++pass;
    });
    frames += frame;

    std::fprintf(stderr, "%-17s %7s %12s %8s %10s %12s %8s\n", "scene", "frames", "worst % off", "at frame", "mean % off",
                "worst % != ", "largest");
    for (const std::string& name : order) {
        const SceneFigures& f = figures[name];
        std::fprintf(stderr, "%-17s %7d %12.3f %8lld %10.3f %12.3f %8d\n", name.c_str(), f.frames, f.worst,
                    static_cast<long long>(f.worstFrame), f.sum / f.frames, f.anyDiff, f.largest);
    }
    std::fprintf(stderr, "%s: one frame in %d of %lld in %d pass%s, at most %.2f %% of a frame's pixels off by more than %d levels\n",
                failed ? "FAILED" : "passed", every, static_cast<long long>(frames), pass + 1, pass ? "es" : "", limit,
                kTolerance);
    return failed ? 1 : 0;
}
