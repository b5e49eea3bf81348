#include "framework/music.h"

#include "framework/audio_system.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Keeps libopenmpt's chatter off stdout and stderr; the last line explains a failed load.
void KeepLastLogLine(const char* message, void* user)
{
    if (message && user)
        *static_cast<std::string*>(user) = message;
}

}  // namespace

OrvMusic::OrvMusic(const char* fileName, const std::string& deviceName, int volume)
    : gain(static_cast<float>(volume < 0 ? 0 : volume > 100 ? 100 : volume) / 100.0f)
{
    if (!Load(fileName))
        return;
    if (!Open(deviceName))
        return;
    SDL_PauseAudioDevice(device, 0);
}

OrvMusic::~OrvMusic()
{
    if (device != 0)
        SDL_CloseAudioDevice(device);
    device = 0;
    if (module)
        openmpt_module_destroy(module);
    module = nullptr;
    if (audioStarted)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void OrvMusic::Restart() { Seek(0.0); }

void OrvMusic::Seek(double seconds)
{
    if (!module)
        return;
    if (device != 0)
        SDL_LockAudioDevice(device);
    openmpt_module_set_position_seconds(module, seconds);
    if (device != 0)
        SDL_UnlockAudioDevice(device);
}

void OrvMusic::Pause(bool paused)
{
    if (device != 0)
        SDL_PauseAudioDevice(device, paused ? 1 : 0);
}

// Reads the module file through libopenmpt with our own log function.
bool OrvMusic::Load(const char* fileName)
{
    std::string why;
    module = OrvOpenModule(fileName, &why, KeepLastLogLine, nullptr);
    if (!module) {
        std::fprintf(stderr, "OrvMusic: %s: %s; playing without music\n", fileName, why.c_str());
        return false;
    }
    openmpt_module_set_repeat_count(module, -1);
    return true;
}

// Starts SDL's audio subsystem alone, without its signal handlers or ALSA's chatter.
static bool StartAudio()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    OrvQuietAudioSystem();
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

std::vector<std::string> OrvMusic::ListDevices()
{
    std::vector<std::string> names;
    if (!StartAudio())
        return names;
    for (int i = 0; i < SDL_GetNumAudioDevices(0); ++i)
        if (const char* name = SDL_GetAudioDeviceName(i, 0))
            names.push_back(name);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return names;
}

// Starts SDL audio and opens the named (or the default) device for 48 kHz stereo float.
bool OrvMusic::Open(const std::string& deviceName)
{
    if (!StartAudio()) {
        std::fprintf(stderr, "OrvMusic: no sound (%s); playing without music\n", SDL_GetError());
        return false;
    }
    audioStarted = true;
    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = Fill;
    want.userdata = this;
    SDL_AudioSpec have{};
    device = SDL_OpenAudioDevice(deviceName.empty() ? nullptr : deviceName.c_str(), 0, &want, &have, 0);
    if (device == 0) {
        if (!deviceName.empty())
            std::fprintf(stderr, "OrvMusic: no sound device '%s' (%s); playing without music\n",
                         deviceName.c_str(), SDL_GetError());
        else
            std::fprintf(stderr, "OrvMusic: no sound device (%s); playing without music\n", SDL_GetError());
        return false;
    }
    return true;
}

// SDL's audio thread.
void OrvMusic::Fill(void* user, uint8_t* stream, int bytes)
{
    const OrvMusic* self = static_cast<const OrvMusic*>(user);
    Render(self->module, self->gain, stream, bytes);
}

void OrvMusic::Render(openmpt_module* module, float gain, uint8_t* stream, int bytes)
{
    float* out = reinterpret_cast<float*>(stream);
    size_t frames = static_cast<size_t>(bytes) / (2 * sizeof(float));
    size_t done = 0;
    while (done < frames) {
        size_t got = openmpt_module_read_interleaved_float_stereo(module, kSampleRate,
                                                                   frames - done, out + 2 * done);
        if (got == 0)
            break;
        done += got;
    }
    std::memset(out + 2 * done, 0, (frames - done) * 2 * sizeof(float));
    if (gain != 1.0f)
        for (size_t i = 0; i < 2 * done; ++i)
            out[i] *= gain;
}
