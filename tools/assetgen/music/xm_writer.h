// A small writer for FastTracker 2 extended modules (.xm, format version 1.04).
//
// The caller fills an XmModule in memory; WriteXm turns it into the file's bytes:
// the header with its order table, each pattern packed, then each instrument with
// its envelopes and one 16-bit sample stored as deltas. Every instrument here has
// exactly one sample, mapped to all 96 notes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen::xm {

// Note numbers as stored in a pattern: 1 is C-0, 49 is C-4, 96 is B-7.
constexpr uint8_t kNoteC4 = 49;
constexpr uint8_t kNoteOff = 97;

// Volume column commands (the column holds the command plus a 4-bit value).
constexpr uint8_t kVolSet = 0x10;   // 0x10..0x50: set volume 0..64
constexpr uint8_t kVolPan = 0xC0;   // 0xC0..0xCF: set panning

// Effect numbers in the effect column.
constexpr uint8_t kFxPanning = 0x08;       // 8xx set panning
constexpr uint8_t kFxGlobalVolume = 0x10;  // Gxx set global volume 0..64

// One cell of a pattern; zero everywhere means an empty cell.
struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;  // 1-based, 0 = none
    uint8_t volume = 0;      // volume column byte, 0 = none
    uint8_t effect = 0;
    uint8_t param = 0;

    bool operator==(const Cell&) const = default;
};

// A pattern of `rows` rows, cells stored row by row (`channels` cells per row).
struct Pattern {
    int rows = 64;
    std::vector<Cell> cells;

    bool operator==(const Pattern&) const = default;
};

// An envelope point: x in ticks from the note start, y 0..64.
struct EnvelopePoint {
    uint16_t x = 0;
    uint16_t y = 0;
};

// Up to 12 points; a sustain point holds the envelope until key-off.
struct Envelope {
    std::vector<EnvelopePoint> points;
    int sustain = -1;     // point index, or -1 for none
    int loop_start = -1;  // point indices of a loop, or -1 for none
    int loop_end = -1;

    bool enabled() const { return !points.empty(); }
};

// A 16-bit mono sample with its playback settings.
struct Sample {
    std::vector<int16_t> pcm;
    uint32_t loop_start = 0;   // in sample frames
    uint32_t loop_length = 0;  // in sample frames, 0 = no loop
    uint8_t volume = 64;       // 0..64
    int8_t finetune = 0;       // 1/128 semitone
    int8_t relative_note = 0;  // semitones added to every note
    uint8_t panning = 128;     // 0 left .. 255 right
};

struct Instrument {
    std::string name;  // at most 22 characters are stored
    Sample sample;
    Envelope volume_envelope;
    Envelope panning_envelope;
    uint16_t fadeout = 0;  // volume decrease per tick after key-off, of 32768
    uint8_t vibrato_type = 0;
    uint8_t vibrato_sweep = 0;
    uint8_t vibrato_depth = 0;
    uint8_t vibrato_rate = 0;
};

struct Module {
    std::string name;  // at most 20 characters are stored
    int channels = 8;
    int speed = 6;  // ticks per row
    int bpm = 125;
    int restart_position = 0;
    std::vector<uint8_t> orders;  // pattern index per song position
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// The packed form of one pattern's cells: each cell either a flag byte (bit 7 set,
// bits 0-4 say which of note, instrument, volume, effect, parameter follow) and the
// present fields, or all five bytes when that is not longer.
std::vector<uint8_t> PackPattern(const Pattern& pattern, int channels);

// The whole module file. Returns an empty vector when the module cannot be stored
// (too many channels, patterns, orders or envelope points, a pattern of the wrong
// size, a loop outside its sample).
std::vector<uint8_t> WriteXm(const Module& module);

// Signed relative note and finetune that make a sample whose pitch is
// `cycles_per_frame` (cycles of its waveform per sample frame) sound at the
// true pitch of every note under the linear frequency table.
void TuneSample(double cycles_per_frame, Sample* sample);

// Relative note and finetune that play a sample at `frames_per_second` on C-4.
void TuneRate(double frames_per_second, Sample* sample);

}  // namespace assetgen::xm
