#include "framework/music_wav.h"

#include "framework/files.h"
#include "framework/music.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerFrame = kChannels * 2;
constexpr size_t kChunkFrames = 4096;

// Swallows libopenmpt's log lines so a capture prints only its own progress.
void QuietLog(const char*, void*) {}

// Loads a whole module file with looping on; null (with `why`) when it cannot be read, decoded or played.
openmpt_module* OpenLooping(const std::string& path, std::string* why)
{
    openmpt_module* mod = OrvOpenModule(path, why, QuietLog, nullptr);
    if (mod)
        openmpt_module_set_repeat_count(mod, -1);
    return mod;
}

void PutLE(std::vector<unsigned char>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// The 44-byte RIFF header of a 16-bit stereo PCM file with `dataBytes` of samples.
std::vector<unsigned char> WavHeader(uint32_t dataBytes)
{
    std::vector<unsigned char> h;
    const auto tag = [&h](const char* t) {
        for (int i = 0; i < 4; ++i)
            h.push_back(static_cast<unsigned char>(t[i]));
    };
    tag("RIFF");
    PutLE(h, 36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    PutLE(h, 16, 4);
    PutLE(h, 1, 2);
    PutLE(h, kChannels, 2);
    PutLE(h, OrvMusicWavRate, 4);
    PutLE(h, OrvMusicWavRate * kBytesPerFrame, 4);
    PutLE(h, kBytesPerFrame, 2);
    PutLE(h, 16, 2);
    tag("data");
    PutLE(h, dataBytes, 4);
    return h;
}

// Fills `count` frames from the module (silence where it has nothing more to
// give). Rendered as float and rounded here, without libopenmpt's random dither,
// so the same module always gives the same bytes.
void Render(openmpt_module* mod, std::vector<float>& mix, std::vector<int16_t>& pcm, size_t count)
{
    mix.assign(count * kChannels, 0.0f);
    size_t done = 0;
    while (mod && done < count) {
        const size_t got = openmpt_module_read_interleaved_float_stereo(mod, OrvMusicWavRate, count - done,
                                                                        mix.data() + done * kChannels);
        if (got == 0)
            break;
        done += got;
    }
    pcm.resize(mix.size());
    for (size_t i = 0; i < mix.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(std::clamp(mix[i], -1.0f, 1.0f) * 32767.0f));
}

bool WriteAll(std::FILE* f, const void* data, size_t bytes) { return std::fwrite(data, 1, bytes, f) == bytes; }

bool Fail(std::string* error, const std::string& what)
{
    if (error)
        *error = what;
    return false;
}

}  // namespace

bool OrvWriteMusicWav(const std::string& modulePath, const std::string& wavPath, int64_t sampleFrames,
                      std::string* error, bool* loaded, std::string* moduleError, int64_t skipFrames)
{
    const int64_t dataBytes = sampleFrames * kBytesPerFrame;
    if (sampleFrames < 0 || dataBytes > 0xFFFFFFFFLL - 36)
        return Fail(error, "music too long for a WAV file");
    std::FILE* f = OrvOpenFile(wavPath, "wb");
    if (!f)
        return Fail(error, wavPath + ": " + std::strerror(errno));
    std::string why;
    openmpt_module* mod = OpenLooping(modulePath, &why);
    if (loaded)
        *loaded = mod != nullptr;
    if (moduleError)
        *moduleError = why;
    // Rendered in blocks that start at whole multiples of kChunkFrames from the
    // module's start, whatever the skip: libopenmpt's output depends slightly on
    // how it is read, and a capture from the middle must match a full one.
    std::vector<float> mix;
    std::vector<int16_t> pcm;
    const int64_t skip = mod ? skipFrames : 0;
    const std::vector<unsigned char> header = WavHeader(static_cast<uint32_t>(dataBytes));
    bool ok = WriteAll(f, header.data(), header.size());
    for (int64_t at = 0; ok && at < skip + sampleFrames;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(kChunkFrames, skip + sampleFrames - at));
        Render(mod, mix, pcm, n);
        const int64_t drop = std::max<int64_t>(0, skip - at);
        if (drop < static_cast<int64_t>(n))
            ok = WriteAll(f, pcm.data() + drop * kChannels, (n - drop) * kBytesPerFrame);
        at += static_cast<int64_t>(n);
    }
    const int writeErrno = errno;
    if (mod)
        openmpt_module_destroy(mod);
    if (std::fclose(f) != 0 && ok)
        return Fail(error, wavPath + ": " + std::strerror(errno));
    if (!ok)
        return Fail(error, wavPath + ": " + std::strerror(writeErrno));
    return true;
}

bool OrvCutMusicWav(const std::string& wavPath, int64_t sampleFrames, std::string* error)
{
    std::FILE* f = OrvOpenFile(wavPath, "r+b");
    if (!f)
        return Fail(error, wavPath + ": " + std::strerror(errno));
    const int64_t dataBytes = sampleFrames * kBytesPerFrame;
    const std::vector<unsigned char> header = WavHeader(static_cast<uint32_t>(dataBytes));
    const auto length = static_cast<std::uintmax_t>(header.size() + dataBytes);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(OrvPath(wavPath), ec);
    std::string why;
    if (ec)
        why = ec.message();
    else if (sampleFrames < 0 || size < length)
        why = "holds less music than asked for";
    else if (!WriteAll(f, header.data(), header.size()) || std::fflush(f) != 0)
        why = std::strerror(errno);
    if (std::fclose(f) != 0 && why.empty())
        why = std::strerror(errno);
    if (why.empty())
        std::filesystem::resize_file(OrvPath(wavPath), length, ec);
    if (why.empty() && ec)
        why = ec.message();
    return why.empty() || Fail(error, wavPath + ": " + why);
}
