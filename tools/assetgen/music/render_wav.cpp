#include "tools/assetgen/music/render_wav.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

namespace assetgen::music {
namespace {

constexpr size_t kChunkFrames = 4096;

// Appends `bytes` of a little-endian value.
void PutLE(std::vector<uint8_t>* out, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> WavHeader(size_t frames, int rate)
{
    const uint32_t data = static_cast<uint32_t>(frames * 4);
    std::vector<uint8_t> h;
    for (char c : std::string("RIFF"))
        h.push_back(static_cast<uint8_t>(c));
    PutLE(&h, 36 + data, 4);
    for (char c : std::string("WAVEfmt "))
        h.push_back(static_cast<uint8_t>(c));
    PutLE(&h, 16, 4);
    PutLE(&h, 1, 2);  // PCM
    PutLE(&h, 2, 2);  // stereo
    PutLE(&h, static_cast<uint32_t>(rate), 4);
    PutLE(&h, static_cast<uint32_t>(rate) * 4, 4);
    PutLE(&h, 4, 2);
    PutLE(&h, 16, 2);
    for (char c : std::string("data"))
        h.push_back(static_cast<uint8_t>(c));
    PutLE(&h, data, 4);
    return h;
}

void PlayInto(openmpt::module* mod, double max_seconds, std::vector<float>* stereo)
{
    const size_t limit = max_seconds > 0 ? static_cast<size_t>(max_seconds * kRenderRate) : SIZE_MAX;
    std::vector<float> chunk(kChunkFrames * 2);
    size_t done = 0;
    while (done < limit) {
        const size_t want = std::min(kChunkFrames, limit - done);
        const size_t got = mod->read_interleaved_stereo(kRenderRate, want, chunk.data());
        if (got == 0)
            break;
        stereo->insert(stereo->end(), chunk.begin(), chunk.begin() + got * 2);
        done += got;
    }
}

}  // namespace

Render RenderModule(const std::vector<uint8_t>& module, double max_seconds)
{
    Render r;
    std::ostringstream log;
    try {
        openmpt::module mod(module, log);
        mod.set_repeat_count(0);
        r.song_seconds = mod.get_duration_seconds();
        PlayInto(&mod, max_seconds, &r.stereo);
        r.ok = true;
    } catch (const std::exception& e) {
        log << "error: " << e.what() << '\n';
    }
    r.log = log.str();
    r.levels = MeasureLevels(r.stereo, 0, r.frames());
    return r;
}

Levels MeasureLevels(const std::vector<float>& stereo, size_t first, size_t count)
{
    Levels l;
    const size_t end = std::min(stereo.size(), (first + count) * 2);
    double sum = 0;
    for (size_t i = first * 2; i < end; ++i) {
        l.peak = std::max(l.peak, static_cast<double>(std::fabs(stereo[i])));
        sum += static_cast<double>(stereo[i]) * stereo[i];
    }
    if (end > first * 2)
        l.rms = std::sqrt(sum / static_cast<double>(end - first * 2));
    return l;
}

bool WriteWav(const std::string& path, const std::vector<float>& stereo, int rate)
{
    std::vector<uint8_t> bytes = WavHeader(stereo.size() / 2, rate);
    bytes.reserve(bytes.size() + stereo.size() * 2);
    for (size_t i = 0; i < stereo.size() / 2 * 2; ++i) {
        const float v = std::clamp(stereo[i], -1.0f, 1.0f);
        PutLE(&bytes, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767.0f))), 2);
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

Render RenderFileToWav(const std::string& xm_path, const std::string& wav_path, double max_seconds)
{
    std::ifstream in(xm_path, std::ios::binary);
    if (!in) {
        Render r;
        r.log = "error: cannot read " + xm_path + "\n";
        return r;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Render r = RenderModule(bytes, max_seconds);
    if (r.ok && !WriteWav(wav_path, r.stereo, kRenderRate)) {
        r.ok = false;
        r.log += "error: cannot write " + wav_path + "\n";
    }
    return r;
}

double Decibels(double level)
{
    return level > 0 ? 20.0 * std::log10(level) : -std::numeric_limits<double>::infinity();
}

}  // namespace assetgen::music
