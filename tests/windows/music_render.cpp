// music-render MODULE SECONDS OUT.wav OUT.f32: the show's soundtrack as both
// platforms make it, for comparing builds byte for byte.
//   OUT.wav  the capture's WAV (OrvWriteMusicWav: looping, 16-bit, 48 kHz);
//   OUT.f32  what the live player hands the sound card: interleaved stereo
//            float at 48 kHz, read in blocks of 1024 frames, looping.
// Exit status 0 when both files were written from a module that loaded.
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/data_file.h"
#include "framework/music_wav.h"

namespace {

void QuietLog(const char*, void*) {}

bool WriteFloat(const std::string& modulePath, int64_t frames, const std::string& outPath)
{
    std::vector<char> bytes;
    std::string why;
    if (!OrvReadDataFile(modulePath, &bytes, &why)) {
        std::fprintf(stderr, "music-render: %s: %s\n", modulePath.c_str(), why.c_str());
        return false;
    }
    openmpt_module* mod = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), QuietLog, nullptr,
                                                             openmpt_error_func_ignore, nullptr, nullptr,
                                                             nullptr, nullptr);
    if (!mod)
        return false;
    openmpt_module_set_repeat_count(mod, -1);
    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    bool ok = out != nullptr;
    std::vector<float> block(2 * 1024);
    for (int64_t at = 0; ok && at < frames; at += 1024) {
        const size_t want = static_cast<size_t>(std::min<int64_t>(1024, frames - at));
        const size_t got = openmpt_module_read_interleaved_float_stereo(mod, OrvMusicWavRate, want, block.data());
        ok = got == want && std::fwrite(block.data(), sizeof(float), 2 * got, out) == 2 * got;
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
