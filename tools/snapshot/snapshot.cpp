// orvsnapshot: plays the show offscreen through its real schedule with a
// fixed-step clock and saves chosen frames to PNG, either as a contact sheet
// (one row per scene, evenly spaced frames across the scene) or as single
// full-size pictures.
//
//   orvsnapshot [--data DIR] [--size WxH] [--step TICKS]
//               [--sheet FILE [--cols N] [--cell WxH]] [--frame SCENE:TICK=FILE]...
//               [--crop WxH]
//
// --crop keeps the centre WxH of each single frame (the program's icon is the
// square title picture cut out of a 4:3 frame).

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "show/scene_set.h"
#include "show/show.h"
#include "framework/offscreen.h"
#include "framework/png_image.h"

namespace {

struct Size {
    int width;
    int height;
};

// A frame to keep: the scene's position in the schedule and the first tick at or past `tick`.
struct Capture {
    size_t scene;
    int32_t tick;
    std::string file;  // empty: a cell of the contact sheet
    int cell = -1;
    bool done = false;
};

struct Options {
    std::string data = ".";
    Size size{640, 480};
    Size cell{160, 120};
    Size crop{0, 0};  // 0x0: single frames are saved whole
    int cols = 4;
    int step = 2;
    std::string sheet;
    std::vector<std::string> frames;  // SCENE:TICK=FILE
};

// Parses "WxH"; false on anything else.
bool ParseSize(const char* text, Size& size)
{
    return std::sscanf(text, "%dx%d", &size.width, &size.height) == 2 && size.width > 0 &&
           size.height > 0;
}

void Usage()
{
    std::fprintf(stderr,
                 "usage: orvsnapshot [--data DIR] [--size WxH] [--step TICKS]\n"
                 "                   [--sheet FILE [--cols N] [--cell WxH]] "
                 "[--frame SCENE:TICK=FILE]... [--crop WxH]\n");
}

// Keeps "SCENE:TICK=FILE" with FILE made absolute, since the data directory becomes
// the working directory before any picture is written.
bool AddFrameOption(const std::string& spec, std::vector<std::string>& frames)
{
    const size_t equals = spec.find('=');
    if (equals == std::string::npos || equals + 1 == spec.size())
        return false;
    frames.push_back(spec.substr(0, equals + 1) +
                     std::filesystem::absolute(spec.substr(equals + 1)).string());
    return true;
}

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const char* value = argv[i + 1];
        bool good = true;
        if (arg == "--data")
            o.data = value;
        else if (arg == "--size")
            good = ParseSize(value, o.size);
        else if (arg == "--cell")
            good = ParseSize(value, o.cell);
        else if (arg == "--crop")
            good = ParseSize(value, o.crop);
        else if (arg == "--cols")
            o.cols = std::atoi(value);
        else if (arg == "--step")
            o.step = std::atoi(value);
        else if (arg == "--sheet")
            o.sheet = std::filesystem::absolute(value).string();
        else if (arg == "--frame")
            good = AddFrameOption(value, o.frames);
        else
            good = false;
        if (!good)
            return false;
    }
    const bool cropFits = o.crop.width <= o.size.width && o.crop.height <= o.size.height;
    return argc % 2 == 1 && o.cols > 0 && o.step > 0 && cropFits && (!o.sheet.empty() || !o.frames.empty());
}

// The schedule position of the scene called `name`, or -1.
int SceneIndex(const std::vector<OrvScheduleEntry>& entries, const std::string& name)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (name == entries[i].name)
            return static_cast<int>(i);
    return -1;
}

// Evenly spaced cells over every scene's run, one row per scene.
void AddSheetCaptures(const std::vector<OrvScheduleEntry>& entries, int cols,
                      std::vector<Capture>& captures)
{
    for (size_t s = 0; s < entries.size(); ++s)
        for (int c = 0; c < cols; ++c) {
            const int32_t tick = static_cast<int32_t>((c + 0.5) * entries[s].limit / cols);
            captures.push_back({s, tick, "", static_cast<int>(s) * cols + c});
        }
}

// Parses "SCENE:TICK=FILE" into a capture; false when malformed or the scene is unknown.
bool AddFrameCapture(const std::vector<OrvScheduleEntry>& entries, const std::string& spec,
                     std::vector<Capture>& captures)
{
    const size_t colon = spec.find(':');
    const size_t equals = spec.find('=');
    if (colon == std::string::npos || equals == std::string::npos || equals < colon)
        return false;
    const int scene = SceneIndex(entries, spec.substr(0, colon));
    if (scene < 0)
        return false;
    const int32_t tick = std::atoi(spec.substr(colon + 1, equals - colon - 1).c_str());
    captures.push_back({static_cast<size_t>(scene), tick, spec.substr(equals + 1)});
    return true;
}

// Area-averages a full frame into one cell of the sheet.
void PasteCell(const std::vector<unsigned char>& frame, Size size, std::vector<unsigned char>& sheet,
               Size cell, int cols, int index)
{
    const int sheetWidth = cell.width * cols;
    const int ox = (index % cols) * cell.width;
    const int oy = (index / cols) * cell.height;
    for (int y = 0; y < cell.height; ++y)
        for (int x = 0; x < cell.width; ++x) {
            const int x0 = x * size.width / cell.width, x1 = (x + 1) * size.width / cell.width;
            const int y0 = y * size.height / cell.height, y1 = (y + 1) * size.height / cell.height;
            long sum[3] = {0, 0, 0};
            int count = 0;
            for (int sy = y0; sy < std::max(y1, y0 + 1); ++sy)
                for (int sx = x0; sx < std::max(x1, x0 + 1); ++sx, ++count)
                    for (int k = 0; k < 3; ++k)
                        sum[k] += frame[(static_cast<size_t>(sy) * size.width + sx) * 3 + k];
            unsigned char* out = &sheet[(static_cast<size_t>(oy + y) * sheetWidth + ox + x) * 3];
            for (int k = 0; k < 3; ++k)
                out[k] = static_cast<unsigned char>(sum[k] / count);
        }
}

// Saves the current frame for every capture that is due at this scene and tick.
// Writes one frame to PNG, whole or its centre cut to --crop.
bool SaveFrame(const std::string& file, const std::vector<unsigned char>& frame, const Options& o,
               std::string* error)
{
    if (o.crop.width == 0)
        return WritePNG(file, frame.data(), o.size.width, o.size.height, error);
    const int x0 = (o.size.width - o.crop.width) / 2, y0 = (o.size.height - o.crop.height) / 2;
    std::vector<unsigned char> cut(static_cast<size_t>(o.crop.width) * o.crop.height * 3);
    for (int y = 0; y < o.crop.height; ++y)
        std::copy_n(&frame[(static_cast<size_t>(y0 + y) * o.size.width + x0) * 3], o.crop.width * 3,
                    &cut[static_cast<size_t>(y) * o.crop.width * 3]);
    return WritePNG(file, cut.data(), o.crop.width, o.crop.height, error);
}

bool TakeCaptures(OrvOffscreen& gl, size_t scene, int32_t ticks, std::vector<Capture>& captures,
                  const Options& o, std::vector<unsigned char>& sheet)
{
    std::vector<unsigned char> frame;
    for (Capture& c : captures) {
        if (c.done || c.scene != scene || ticks < c.tick)
            continue;
        if (frame.empty()) {
            frame.resize(static_cast<size_t>(o.size.width) * o.size.height * 3);
            gl.ReadRGB(frame.data());
        }
        c.done = true;
        std::string error;
        if (c.cell >= 0)
            PasteCell(frame, o.size, sheet, o.cell, o.cols, c.cell);
        else if (!SaveFrame(c.file, frame, o, &error)) {
            std::fprintf(stderr, "orvsnapshot: %s\n", error.c_str());
            return false;
        }
    }
    return true;
}

// Plays the whole schedule with `step` ticks per frame, as the show loop does.
bool Play(OrvOffscreen& gl, OrvShow& show, std::vector<Capture>& captures, const Options& o,
          std::vector<unsigned char>& sheet)
{
    int32_t ticks = 0;
    while (!show.Ended()) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        const size_t scene = show.Position();
        const bool changed = show.Step(ticks);
        if (!TakeCaptures(gl, scene, ticks, captures, o, sheet))
            return false;
        ticks = changed ? 0 : ticks + o.step;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        Usage();
        return 2;
    }
    OrvOffscreen gl(o.size.width, o.size.height);
    if (!gl.Ok()) {
        std::fprintf(stderr, "orvsnapshot: %s\n", gl.Error().c_str());
        return 1;
    }
    if (chdir(o.data.c_str()) != 0) {
        std::fprintf(stderr, "orvsnapshot: cannot enter %s\n", o.data.c_str());
        return 1;
    }
    bool ok = true;
    {
        OrvSceneSet scenes;
        OrvSceneSet::SetGlobalState();
        OrvShow show(scenes.Schedule());
        std::vector<Capture> captures;
        if (!o.sheet.empty())
            AddSheetCaptures(show.Entries(), o.cols, captures);
        for (const std::string& spec : o.frames)
            if (!AddFrameCapture(show.Entries(), spec, captures)) {
                std::fprintf(stderr, "orvsnapshot: bad frame %s\n", spec.c_str());
                return 2;
            }
        const int rows = static_cast<int>(show.Entries().size());
        std::vector<unsigned char> sheet(
            static_cast<size_t>(o.cell.width) * o.cols * o.cell.height * rows * 3);
        ok = Play(gl, show, captures, o, sheet);
        std::string error;
        if (ok && !o.sheet.empty() &&
            !WritePNG(o.sheet, sheet.data(), o.cell.width * o.cols, o.cell.height * rows, &error)) {
            std::fprintf(stderr, "orvsnapshot: %s\n", error.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
