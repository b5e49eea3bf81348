// xm2wav IN.xm OUT.wav [--seconds N] [--block S]
// Renders a module with libopenmpt to a 16-bit 48 kHz stereo WAV and prints its
// length and levels; with --block, the levels of every S seconds as well.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/assetgen/music/render_wav.h"

namespace {

int Usage(const char* self)
{
    std::fprintf(stderr, "usage: %s IN.xm OUT.wav [--seconds N] [--block S]\n", self);
    return 2;
}

void PrintBlocks(const assetgen::music::Render& r, double block)
{
    using assetgen::music::Decibels;
    const size_t step = static_cast<size_t>(block * assetgen::music::kRenderRate);
    for (size_t first = 0; first < r.frames(); first += step) {
        const auto l = assetgen::music::MeasureLevels(r.stereo, first, step);
        std::printf("%7.2f s  peak %7.2f dBFS  rms %7.2f dBFS\n",
                    static_cast<double>(first) / assetgen::music::kRenderRate, Decibels(l.peak),
                    Decibels(l.rms));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage(argv[0]);
    double seconds = 0, block = 0;
    for (int i = 3; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--seconds")
            seconds = std::atof(argv[i + 1]);
        else if (flag == "--block")
            block = std::atof(argv[i + 1]);
        else
            return Usage(argv[0]);
    }
    const auto r = assetgen::music::RenderFileToWav(argv[1], argv[2], seconds);
    std::fputs(r.log.c_str(), stderr);
    if (!r.ok)
        return 1;
    std::printf("song %.3f s, rendered %.3f s, peak %.2f dBFS, rms %.2f dBFS\n", r.song_seconds,
                static_cast<double>(r.frames()) / assetgen::music::kRenderRate,
                assetgen::music::Decibels(r.levels.peak), assetgen::music::Decibels(r.levels.rms));
    if (block > 0)
        PrintBlocks(r, block);
    return 0;
}
