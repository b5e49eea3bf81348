// Synthesis of the soundtrack's instrument samples.
//
// Every sample is computed from formulas and a seeded generator, so it is the
// same on every run. Pitched samples are built additively from band-limited
// harmonics whose cycle counts fit their loop exactly, which makes the loops
// seamless; each comes back tuned so that note C-4 plays middle C.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/assetgen/music/xm_writer.h"

namespace assetgen::synth {

// Frames per second the samples are computed at (the riser uses half).
constexpr int kRate = 44100;

// A small xorshift generator: the same sequence for the same seed everywhere.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Uniform in [-1, 1).
    double Bipolar() { return static_cast<double>(Next()) / 2147483648.0 - 1.0; }

private:
    uint32_t state_;
};

// Scales a signal to `peak` of full scale and rounds it to 16 bits.
std::vector<int16_t> ToPcm(const std::vector<double>& signal, double peak);

// Drums and effects: one-shot samples that play at their own rate on C-4.
xm::Sample Kick();
xm::Sample Snare();
xm::Sample ClosedHat();
xm::Sample OpenHat();
xm::Sample Crash();
xm::Sample Riser();  // a noise sweep two bars long at 128 beats per minute

// Pitched instruments, tuned to the notes they are played on.
xm::Sample Bass();   // resonant filter snap, then a looped steady tone
xm::Sample Pad();    // seven detuned saws, looped
xm::Sample Pluck();  // short filtered saw pair for the arpeggio, one-shot
xm::Sample Lead();   // five detuned saws and a square, looped

}  // namespace assetgen::synth
