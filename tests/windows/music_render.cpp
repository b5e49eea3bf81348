// music-render MODULE SECONDS OUT.wav OUT.f32: the show's soundtrack as both
// platforms make it, for comparing builds byte for byte.
//   OUT.wav  the capture's WAV (OrvWriteMusicWav: looping, 16-bit, 48 kHz);
//   OUT.f32  what the live player hands the sound card: its own fill path
//            (OrvMusic::Render) on the module opened and set looping as the
//            player does, buffer after buffer of SDL's size, at full volume.
// Exit status 0 when both files were written from a module that loaded.
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/music.h"
#include "framework/music_wav.h"

namespace {

void QuietLog(const char*, void*) {}

bool WriteFloat(const std::string& modulePath, int64_t frames, const std::string& outPath)
{
    std::string why;
    openmpt_module* mod = OrvOpenModule(modulePath, &why, QuietLog, nullptr);
    if (!mod) {
        std::fprintf(stderr, "music-render: %s: %s\n", modulePath.c_str(), why.c_str());
        return false;
    }
    openmpt_module_set_repeat_count(mod, -1);
    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    bool ok = out != nullptr;
    std::vector<float> buffer(2 * OrvMusic::kBufferFrames);
    for (int64_t at = 0; ok && at < frames; at += OrvMusic::kBufferFrames) {
        OrvMusic::Render(mod, 1.0f, reinterpret_cast<uint8_t*>(buffer.data()),
                         static_cast<int>(buffer.size() * sizeof(float)));
        const size_t keep = 2 * static_cast<size_t>(std::min<int64_t>(OrvMusic::kBufferFrames, frames - at));
        ok = std::fwrite(buffer.data(), sizeof(float), keep, out) == keep;
    }
    if (out && std::fclose(out) != 0)
        ok = false;
    openmpt_module_destroy(mod);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: music-render MODULE SECONDS OUT.wav OUT.f32\n");
        return 2;
    }
    const int64_t frames = std::atoll(argv[2]) * OrvMusicWavRate;
    std::string error, moduleError;
    bool loaded = false;
    if (!OrvWriteMusicWav(argv[1], argv[3], frames, &error, &loaded, &moduleError) || !loaded) {
        std::fprintf(stderr, "music-render: %s%s\n", error.c_str(), moduleError.c_str());
        return 1;
    }
    return WriteFloat(argv[1], frames, argv[4]) ? 0 : 1;
}
