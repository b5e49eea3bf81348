// Rendering an XM module to sound through libopenmpt, and writing it as WAV.
//
// The module plays once, with libopenmpt's default mixing (no gain, full stereo
// separation), at 48 kHz stereo. Everything the library logs while loading and
// playing is collected instead of going to stderr. Objects are not shared; call
// from any one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen::music {

constexpr int kRenderRate = 48000;

struct Levels {
    double peak = 0;  // largest absolute sample, 1.0 = full scale
    double rms = 0;   // over both channels
};

struct Render {
    bool ok = false;            // false: the module did not load (the log says why)
    std::string log;            // libopenmpt's messages, empty for a clean module
    double song_seconds = 0;    // the module's own estimate of one pass
    std::vector<float> stereo;  // interleaved left, right at kRenderRate
    Levels levels;              // over the whole render

    size_t frames() const { return stereo.size() / 2; }
};

// Plays `module` (the bytes of a module file) for at most `max_seconds`, or to
// the end of the song when `max_seconds` <= 0.
Render RenderModule(const std::vector<uint8_t>& module, double max_seconds);

// Peak and RMS of frames [first, first + count) of interleaved stereo.
Levels MeasureLevels(const std::vector<float>& stereo, size_t first, size_t count);

// Writes interleaved stereo as a 16-bit PCM WAV file, clamping to full scale.
bool WriteWav(const std::string& path, const std::vector<float>& stereo, int rate);

// Reads `xm_path`, renders it as RenderModule does and writes `wav_path`;
// `ok` is false when the file cannot be read, loaded or written.
Render RenderFileToWav(const std::string& xm_path, const std::string& wav_path, double max_seconds);

// Level in decibels relative to full scale.
double Decibels(double level);

}  // namespace assetgen::music
