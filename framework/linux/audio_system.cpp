// ALSA, which SDL loads at run time, kept quiet.
#include "framework/audio_system.h"

#include <dlfcn.h>

namespace {

// ALSA's error callback type; variadic like printf.
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt, ...);

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

// SDL loads ALSA at run time, and ALSA prints its own errors on stderr when no
// card exists. Loads it first (and keeps it loaded) to give it a silent handler,
// so a machine without sound says so in one line of ours.
void OrvQuietAudioSystem()
{
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa)
        return;
    using SetHandler = int (*)(AlsaErrorHandler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(IgnoreAlsaError);
}
