// OrvMusic in the browser: libopenmpt (compiled to WebAssembly with the show)
// renders the module on the page's main thread, and framework/web/audio.js
// plays what it renders through Web Audio, scheduled ahead on the audio clock.
//
// The module is read in blocks of kBlockFrames from its start, the reads the
// capture's music.wav is made of, so the page plays the very samples a Linux
// capture writes. audio.js asks for pieces of any length; what a block has
// left over waits for the next piece.
//
// Everything runs on the page's one thread: no locks.
#include "framework/music.h"

#include "framework/web/music_clock.h"

#include <emscripten/emscripten.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr size_t kBlockFrames = 4096;

void QuietLog(const char*, void*) {}

// One module being played: looping, read block by block, handed out planar
// (all left samples, then all right ones) as an AudioBuffer holds them.
class MusicSource {
public:
    MusicSource(openmpt_module* module, float gain) : module(module), gain(gain)
    {
        openmpt_module_set_repeat_count(module, -1);
    }
    ~MusicSource() { openmpt_module_destroy(module); }
    MusicSource(const MusicSource&) = delete;
    MusicSource& operator=(const MusicSource&) = delete;

    // Moves the module to `seconds`; what the current block held is dropped.
    void Seek(double seconds)
    {
        openmpt_module_set_position_seconds(module, seconds);
        blockUsed = blockFrames = 0;
    }

    // The next `frames` frames as left[frames] then right[frames]; silence
    // once the song has ended. Valid until the next call.
    const float* Fill(size_t frames)
    {
        piece.resize(2 * frames);
        for (size_t done = 0; done < frames;) {
            if (blockUsed == blockFrames)
                ReadBlock();
            const size_t n = std::min(frames - done, blockFrames - blockUsed);
            for (size_t i = 0; i < n; ++i) {
                piece[done + i] = block[2 * (blockUsed + i)] * gain;
                piece[frames + done + i] = block[2 * (blockUsed + i) + 1] * gain;
            }
            blockUsed += n;
            done += n;
        }
        return piece.data();
    }

private:
    void ReadBlock()
    {
        block.assign(2 * kBlockFrames, 0.0f);
        size_t done = 0;
        while (done < kBlockFrames) {
            const size_t got = openmpt_module_read_interleaved_float_stereo(
                module, OrvMusic::kSampleRate, kBlockFrames - done, block.data() + 2 * done);
            if (got == 0)
                break;
            done += got;
        }
        blockUsed = 0;
        blockFrames = kBlockFrames;
    }

    openmpt_module* module;
    float gain;
    std::vector<float> block;  // interleaved, as libopenmpt writes it
    size_t blockUsed = 0;
    size_t blockFrames = 0;
    std::vector<float> piece;
};

// The source of each live OrvMusic (the class's own members are the native player's).
std::unordered_map<const OrvMusic*, std::unique_ptr<MusicSource>> sources;

MusicSource* OpenSource(const char* fileName, float gain, std::string* why)
{
    openmpt_module* module = OrvOpenModule(fileName, why, QuietLog, nullptr);
    return module ? new MusicSource(module, gain) : nullptr;
}

}  // namespace

// The calls audio.js makes: a source of its own (the offline render) and the
// pieces it schedules.
extern "C" {

// Room for a path of `bytes` bytes (its terminating zero included), filled by the caller.
EMSCRIPTEN_KEEPALIVE char* orv_music_path_buffer(int bytes)
{
    static std::vector<char> path;
    path.assign(static_cast<size_t>(std::max(bytes, 1)), '\0');
    return path.data();
}

EMSCRIPTEN_KEEPALIVE void* orv_music_source_open(const char* fileName)
{
    std::string why;
    return OpenSource(fileName, 1.0f, &why);
}

EMSCRIPTEN_KEEPALIVE const float* orv_music_source_fill(void* source, int frames)
{
    return static_cast<MusicSource*>(source)->Fill(static_cast<size_t>(std::max(frames, 0)));
}

EMSCRIPTEN_KEEPALIVE void orv_music_source_close(void* source) { delete static_cast<MusicSource*>(source); }

}  // extern "C"

OrvMusic::OrvMusic(const char* fileName, const std::string&, int volume)
    : gain(static_cast<float>(volume < 0 ? 0 : volume > 100 ? 100 : volume) / 100.0f)
{
    std::string why;
    MusicSource* source = OpenSource(fileName, gain, &why);
    if (!source) {
        std::fprintf(stderr, "OrvMusic: %s: %s; playing without music\n", fileName, why.c_str());
        return;
    }
    device = static_cast<uint32_t>(EM_ASM_INT({ return Module['orvAudio'].open($0); }, source));
    if (device == 0) {
        delete source;
        std::fprintf(stderr, "OrvMusic: no sound (this browser has no Web Audio); playing without music\n");
        return;
    }
    sources[this].reset(source);
}

OrvMusic::~OrvMusic()
{
    if (device != 0)
        EM_ASM({ Module['orvAudio'].close($0); }, device);
    device = 0;
    sources.erase(this);
}

void OrvMusic::Restart() { Seek(0.0); }

void OrvMusic::Seek(double seconds)
{
    const auto it = sources.find(this);
    if (it == sources.end())
        return;
    it->second->Seek(seconds);
    EM_ASM({ Module['orvAudio'].restart($0); }, device);
}

void OrvMusic::Pause(bool paused)
{
    if (device != 0)
        EM_ASM({ Module['orvAudio'].pause($0, $1); }, device, paused ? 1 : 0);
}

// The browser plays on the system's default output; there is no list to choose from.
std::vector<std::string> OrvMusic::ListDevices() { return {}; }

bool OrvWebMusicMilliseconds(double* ms)
{
    const double heard = EM_ASM_DOUBLE({ return Module['orvAudio'].heard(); });
    if (heard < 0)
        return false;
    *ms = heard;
    return true;
}

void OrvWebAudioStart()
{
    EM_ASM({ Module['orvAudio'].start(); });
}
