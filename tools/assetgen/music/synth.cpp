#include "tools/assetgen/music/synth.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace assetgen::synth {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kBlock = 32;  // frames between spectrum updates in additive synthesis

enum class Wave { kSaw, kSquare, kSine };

// One oscillator of an additive voice: `cycles` whole periods per table length.
struct Osc {
    Wave wave;
    int cycles;
    int phase;  // table index offset
    double gain;
};

// Amplitude factor for a partial at `hz`, `t` seconds into the sample.
using Filter = std::function<double(double hz, double t)>;

// Amplitude of harmonic h of a unit waveform.
double HarmonicGain(Wave w, int h)
{
    switch (w) {
    case Wave::kSaw:
        return (h % 2 ? 2.0 : -2.0) / (kPi * h);
    case Wave::kSquare:
        return h % 2 ? 4.0 / (kPi * h) : 0.0;
    case Wave::kSine:
        return h == 1 ? 1.0 : 0.0;
    }
    return 0.0;
}

// Magnitude of a two-pole resonant lowpass followed by a Butterworth two-pole.
double Lowpass(double hz, double cutoff, double q)
{
    const double r = hz / cutoff;
    const double resonant = 1.0 / std::sqrt((1 - r * r) * (1 - r * r) + (r / q) * (r / q));
    return resonant / std::sqrt(1 + r * r * r * r);
}

// Sums band-limited harmonics (up to `max_hz`) of the oscillators over a sine
// table of `table` entries, so every partial repeats exactly after `table` frames.
std::vector<double> Additive(int frames, int table, const std::vector<Osc>& oscs, double max_hz,
                             const Filter& filter)
{
    std::vector<double> sine(table);
    for (int i = 0; i < table; ++i)
        sine[i] = std::sin(2 * kPi * i / table);
    std::vector<double> out(frames, 0.0);
    std::vector<double> amp;
    for (const Osc& o : oscs) {
        const double f0 = static_cast<double>(o.cycles) * kRate / table;
        const int harmonics = std::max(1, static_cast<int>(max_hz / f0));
        amp.assign(harmonics + 1, 0.0);
        for (int start = 0; start < frames; start += kBlock) {
            const double t = static_cast<double>(start) / kRate;
            for (int h = 1; h <= harmonics; ++h)
                amp[h] = o.gain * HarmonicGain(o.wave, h) * filter(h * f0, t);
            const int end = std::min(frames, start + kBlock);
            for (int n = start; n < end; ++n) {
                const int64_t base = (static_cast<int64_t>(o.cycles) * n + o.phase) % table;
                double s = 0;
                int64_t idx = 0;
                for (int h = 1; h <= harmonics; ++h) {
                    idx += base;
                    if (idx >= table)
                        idx -= table;
                    s += amp[h] * sine[idx];
                }
                out[n] += s;
            }
        }
    }
    return out;
}

// Raised-cosine fade over the last `seconds` so one-shots end at zero.
void FadeTail(std::vector<double>* s, double seconds)
{
    const int n = std::min(static_cast<int>(s->size()), static_cast<int>(seconds * kRate));
    for (int i = 0; i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(kPi * i / n);
        (*s)[s->size() - 1 - i] *= w;
    }
}

// Short linear rise so one-shots start without a step.
void FadeIn(std::vector<double>* s, int frames)
{
    for (int i = 0; i < frames && i < static_cast<int>(s->size()); ++i)
        (*s)[i] *= static_cast<double>(i) / frames;
}

// One-pole highpass with the given corner frequency, at `rate`.
void Highpass(std::vector<double>* s, double hz, double rate = kRate)
{
    const double a = std::exp(-2 * kPi * hz / rate);
    double prev_in = 0, prev_out = 0;
    for (double& v : *s) {
        const double y = a * (prev_out + v - prev_in);
        prev_in = v;
        prev_out = y;
        v = y;
    }
}

// Inharmonic square-wave cluster that gives cymbals their metallic ring.
double Metal(double t)
{
    static const double kHz[6] = {349.0, 517.5, 628.3, 888.6, 918.0, 1360.0};
    double s = 0;
    for (double hz : kHz)
        s += std::fmod(t * hz, 1.0) < 0.5 ? 1.0 : -1.0;
    return s / 6.0;
}

// Highpassed noise plus metal with an exponential decay: hats and crash.
std::vector<double> Cymbal(uint32_t seed, double seconds, double decay, double metal, double corner)
{
    Rng rng(seed);
    std::vector<double> s(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        s[i] = (rng.Bipolar() + metal * Metal(t)) * std::exp(-t / decay);
    }
    Highpass(&s, corner);
    Highpass(&s, corner);
    FadeIn(&s, 8);
    FadeTail(&s, seconds * 0.3);
    return s;
}

xm::Sample OneShot(const std::vector<double>& signal, double peak, double rate = kRate)
{
    xm::Sample s;
    s.pcm = ToPcm(signal, peak);
    xm::TuneRate(rate, &s);
    return s;
}

// A pitched sample whose table of `table` frames holds `cycles` periods of its
// fundamental; frames from `loop_start` to the end form the loop (none if < 0).
xm::Sample Pitched(const std::vector<double>& signal, int table, int cycles, int loop_start)
{
    xm::Sample s;
    s.pcm = ToPcm(signal, 0.9);
    if (loop_start >= 0) {
        s.loop_start = static_cast<uint32_t>(loop_start);
        s.loop_length = static_cast<uint32_t>(signal.size() - loop_start);
    }
    xm::TuneSample(static_cast<double>(cycles) / table, &s);
    return s;
}

}  // namespace

std::vector<int16_t> ToPcm(const std::vector<double>& signal, double peak)
{
    double max = 0;
    for (double v : signal)
        max = std::max(max, std::fabs(v));
    const double scale = max > 0 ? peak * 32767.0 / max : 0.0;
    std::vector<int16_t> pcm(signal.size());
    for (size_t i = 0; i < signal.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(signal[i] * scale));
    return pcm;
}

xm::Sample Kick()
{
    Rng rng(0x4B1C);
    std::vector<double> s(static_cast<size_t>(0.42 * kRate));
    double phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hz = 47 + 140 * std::exp(-t / 0.028) + 260 * std::exp(-t / 0.004);
        phase += 2 * kPi * hz / kRate;
        const double body = std::sin(phase) * std::exp(-t / 0.26);
        const double click = rng.Bipolar() * 0.35 * std::exp(-t / 0.0015);
        s[i] = std::tanh(1.8 * (body + click)) / std::tanh(1.8);
    }
    FadeTail(&s, 0.04);
    return OneShot(s, 0.95);
}

// Noise level of a clap: three quick bursts, then a decaying body and a faint
// room tail.
double ClapEnvelope(double t)
{
    double bursts = 0;
    for (double at : {0.0, 0.009, 0.018})
        if (t >= at)
            bursts += std::exp(-(t - at) / 0.004);
    return 0.6 * bursts + std::exp(-t / 0.09) + 0.12 * std::exp(-t / 0.3);
}

xm::Sample Snare()
{
    Rng rng(0x5A4E);
    std::vector<double> noise(static_cast<size_t>(0.6 * kRate));
    for (double& v : noise)
        v = rng.Bipolar();
    Highpass(&noise, 900);
    std::vector<double> s(noise.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double tone = 0.55 * std::sin(2 * kPi * 185 * t) * std::exp(-t / 0.05) +
                            0.3 * std::sin(2 * kPi * 330 * t) * std::exp(-t / 0.03);
        s[i] = tone + 0.9 * noise[i] * ClapEnvelope(t);
    }
    FadeIn(&s, 16);
    FadeTail(&s, 0.15);
    return OneShot(s, 0.9);
}

xm::Sample ClosedHat()
{
    return OneShot(Cymbal(0x4A7C, 0.09, 0.022, 0.6, 7000), 0.9);
}

xm::Sample OpenHat()
{
    return OneShot(Cymbal(0x09E4, 0.42, 0.15, 0.6, 6500), 0.9);
}

xm::Sample Crash()
{
    return OneShot(Cymbal(0xC7A5, 2.6, 0.5, 0.45, 3500), 0.9);
}

xm::Sample Riser()
{
    // State-variable bandpass swept exponentially over noise, rising in level,
    // computed at the full rate and stored at half of it.
    constexpr double kSeconds = 3.75;
    Rng rng(0x715E);
    std::vector<double> full(static_cast<size_t>(kSeconds * kRate));
    double low = 0, band = 0;
    for (size_t i = 0; i < full.size(); ++i) {
        const double x = static_cast<double>(i) / full.size();
        const double hz = 350 * std::pow(9000.0 / 350, x);
        const double f = 2 * std::sin(kPi * hz / kRate);
        const double high = rng.Bipolar() - low - 0.5 * band;
        band += f * high;
        low += f * band;
        full[i] = band * std::pow(x, 1.6);
    }
    std::vector<double> s(full.size() / 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = 0.5 * (full[2 * i] + full[2 * i + 1]);
    FadeTail(&s, 0.02);
    return OneShot(s, 0.9, kRate / 2);
}

xm::Sample Bass()
{
    // 110 Hz saw over a 55 Hz square; the filter closes from a bright snap to a
    // steady tone by 0.3 s, where a loop of whole periods takes over.
    constexpr int kTable = kRate / 5;
    constexpr int kLoopStart = 414 * kBlock;
    constexpr double kSettle = 0.3;
    const std::vector<Osc> oscs = {{Wave::kSaw, 22, 0, 1.0}, {Wave::kSquare, 11, 0, 0.45}};
    const double tail = std::exp(-kSettle / 0.07);
    auto filter = [tail](double hz, double t) {
        const double snap = t < kSettle ? (std::exp(-t / 0.07) - tail) / (1 - tail) : 0.0;
        return Lowpass(hz, 380 + 2600 * snap, 2.2);
    };
    const std::vector<double> s = Additive(kLoopStart + kTable, kTable, oscs, 8000, filter);
    return Pitched(s, kTable, 22, kLoopStart);
}

xm::Sample Pad()
{
    constexpr int kTable = kRate;  // one second: detuned voices beat once per second
    Rng rng(0x9AD0);
    std::vector<Osc> oscs;
    for (int d = -3; d <= 3; ++d)
        oscs.push_back({Wave::kSaw, 220 + d, static_cast<int>(rng.Next() % kTable), d == 0 ? 1.0 : 0.75});
    oscs.push_back({Wave::kSine, 110, 0, 0.8});
    auto filter = [](double hz, double) { return Lowpass(hz, 2400, 0.8); };
    return Pitched(Additive(kTable, kTable, oscs, 9000, filter), kTable, 220, 0);
}

xm::Sample Pluck()
{
    constexpr int kTable = kRate;
    const std::vector<Osc> oscs = {{Wave::kSaw, 440, 0, 1.0}, {Wave::kSaw, 442, kTable / 3, 0.7}};
    auto filter = [](double hz, double t) { return Lowpass(hz, 600 + 5200 * std::exp(-t / 0.07), 1.6); };
    std::vector<double> s = Additive(static_cast<int>(0.45 * kRate), kTable, oscs, 11000, filter);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] *= std::exp(-static_cast<double>(i) / kRate / 0.15);
    FadeIn(&s, 40);
    FadeTail(&s, 0.04);
    return Pitched(s, kTable, 440, -1);
}

xm::Sample Lead()
{
    constexpr int kTable = kRate / 2;  // detuned voices beat at multiples of 2 Hz
    std::vector<Osc> oscs;
    for (int d = -2; d <= 2; ++d)
        oscs.push_back({Wave::kSaw, 220 + d, kTable * (d + 2) / 5, d == 0 ? 1.0 : 0.9 - 0.15 * std::abs(d)});
    oscs.push_back({Wave::kSquare, 220, kTable / 7, 0.35});
    auto filter = [](double hz, double) { return Lowpass(hz, 4200, 1.1); };
    return Pitched(Additive(kTable, kTable, oscs, 10000, filter), kTable, 220, 0);
}

}  // namespace assetgen::synth
