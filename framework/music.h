// OrvMusic: one tracker module playing in the background, looping, from
// construction to destruction.
//
// libopenmpt reads and renders the module; SDL2's audio subsystem (and only
// that subsystem) plays it at 48 kHz stereo float.
//
// Threads:
// - The constructor, Restart and the destructor run on the main thread.
// - SDL's own audio thread calls the fill callback, which is the only code that
//   touches the libopenmpt module while the device is open, except Restart,
//   which holds the device's lock while it repositions the module. The destructor
//   closes the device (which waits for the callback to finish) before it
//   destroys the module, so the two threads never use the module at once.
//
// Failure: a missing, unreadable or unplayable module, or no sound device,
// prints one line on stderr saying why and leaves the object silent; nothing
// reaches stdout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct openmpt_module;

// Reads a module file as a data file and decodes it, for the live show and a
// capture alike. Null, with the reason in words in `why`, when the file cannot
// be read, libopenmpt cannot decode it, or it holds no sample data: a module
// cut short before its samples still decodes, but could only ever play silence.
// libopenmpt's log lines go to `log` (with `logUser`), never to stdout or stderr.
openmpt_module* OrvOpenModule(const std::string& path, std::string* why,
                              void (*log)(const char* message, void* user), void* logUser);

class OrvMusic {
public:
    // Plays `fileName` on the default sound device at full volume; `device`
    // names another device (one of ListDevices), `volume` (0 to 100) scales
    // the samples.
    explicit OrvMusic(const char* fileName, const std::string& device = "", int volume = 100);
    ~OrvMusic();

    OrvMusic(const OrvMusic&) = delete;
    OrvMusic& operator=(const OrvMusic&) = delete;

    // True while the module is loaded and the sound device is playing it.
    bool Playing() const { return device != 0; }

    // Plays the module again from its beginning (for a show that starts over).
    void Restart();

    // Moves playback to `seconds` into the module.
    void Seek(double seconds);

    // Holds or resumes playback.
    void Pause(bool paused);

    // SDL's names of the sound devices that can play; empty when there are none.
    static std::vector<std::string> ListDevices();

    static constexpr int kSampleRate = 48000;
    static constexpr int kBufferFrames = 1024;

    // What the audio callback does with each buffer SDL hands it: `bytes` of
    // interleaved stereo float at kSampleRate rendered from `module`, scaled by
    // `gain`, silence once the song has ended.
    static void Render(openmpt_module* module, float gain, uint8_t* stream, int bytes);

private:
    static void Fill(void* user, uint8_t* stream, int bytes);
    bool Load(const char* fileName);
    bool Open(const std::string& deviceName);

    openmpt_module* module = nullptr;
    uint32_t device = 0;          // SDL_AudioDeviceID, 0 when closed
    bool audioStarted = false;    // SDL audio subsystem initialised by us
    float gain = 1.0f;            // read by the fill callback; set before the device starts
};
