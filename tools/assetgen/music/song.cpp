#include "tools/assetgen/music/song.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <sstream>

#include "tools/assetgen/music/synth.h"

namespace assetgen::song {
namespace {

enum Channel {
    kChKick, kChSnare, kChHat, kChOpenHat, kChBass, kChPad1, kChPad2, kChPad3,
    kChArp, kChLead, kChEcho, kChFx
};

enum Ins { kKick = 1, kSnare, kHat, kOpenHat, kBass, kPad, kArp, kLead, kCrash, kRiser, kInsCount };

// Loudness of each instrument at full velocity (XM volume 0..64): the mix.
constexpr int kLevel[kInsCount] = {0, 60, 48, 26, 28, 46, 22, 26, 44, 30, 34};

constexpr int kBar = 16;  // rows per bar
constexpr uint8_t kFxPorta = 0x03;
constexpr uint8_t kPadGlide = 0x30;

// Pattern note number of a name such as "A4" or "G#3" (C-4 is 49).
int Note(const std::string& name)
{
    static const int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    int n = kSemitone[name[0] - 'A'];
    size_t i = 1;
    if (name[i] == '#') {
        ++n;
        ++i;
    }
    return 12 * (name[i] - '0') + n + 1;
}

struct Chord {
    const char* bass;
    const char* pad[3];
    const char* arp[4];
};

const Chord kAm = {"A2", {"A3", "C4", "E4"}, {"A4", "C5", "E5", "A5"}};
const Chord kF = {"F2", {"A3", "C4", "F4"}, {"F4", "A4", "C5", "F5"}};
const Chord kC = {"C3", {"G3", "C4", "E4"}, {"G4", "C5", "E5", "G5"}};
const Chord kG = {"G2", {"G3", "B3", "D4"}, {"G4", "B4", "D5", "G5"}};
const Chord kE = {"E2", {"G#3", "B3", "E4"}, {"E4", "G#4", "B4", "E5"}};

using Progression = std::vector<const Chord*>;  // one chord per bar
const Progression kMainChords = {&kAm, &kF, &kC, &kG};
const Progression kBreakChords1 = {&kF, &kG, &kAm, &kAm};
const Progression kBreakChords2 = {&kF, &kG, &kC, &kE};
const Progression kOutroChords = {&kAm, &kF, &kG, &kAm};

// Lead phrases, four bars each: "note:rows", "-" rests.
const char* const kHookA =
    "E5:3 A5:3 E5:2 D5:2 C5:2 D5:2 E5:2  C5:3 F5:3 C5:2 A4:4 -:2 C5:2 "
    "E5:3 G5:3 E5:2 D5:2 C5:2 D5:2 G5:2  D5:3 B4:3 G4:2 B4:4 D5:4";
const char* const kHookB =
    "E5:3 A5:3 E5:2 D5:2 C5:2 D5:2 E5:2  F5:3 A5:3 F5:2 E5:2 C5:2 A4:4 "
    "G5:3 E5:3 C5:2 E5:2 G5:2 C6:4  B5:3 G5:3 D5:2 B4:4 -:4";
const char* const kHookC =
    "A5:2 G5:2 E5:2 A5:2 G5:2 E5:2 D5:2 E5:2  F5:2 E5:2 C5:2 F5:2 E5:2 C5:2 A4:2 C5:2 "
    "G5:2 E5:2 C5:2 G5:2 E5:2 C5:2 D5:2 E5:2  D5:3 B4:3 G4:2 D5:3 B4:3 D5:2";
const char* const kBreakLine1 = "A4:8 C5:8 D5:8 B4:8 C5:6 B4:2 A4:8 E4:12 -:4";
const char* const kBreakLine2 = "F5:8 E5:8 D5:8 G5:8 E5:12 C5:4 B4:8 G#4:8";
const char* const kOutroLine = "E5:8 D5:8 C5:16 B4:12 -:4 A4:16";

struct Event {
    int row;
    int note;  // 0 for a rest
    int rows;
};

std::vector<Event> ParsePhrase(const char* text)
{
    std::vector<Event> events;
    std::istringstream in(text);
    std::string token;
    int row = 0;
    while (in >> token) {
        const size_t colon = token.find(':');
        const int rows = std::atoi(token.c_str() + colon + 1);
        const std::string name = token.substr(0, colon);
        events.push_back({row, name == "-" ? 0 : Note(name), rows});
        row += rows;
    }
    return events;
}

// The note two steps below in A minor (G# counts as G): a harmony a third down.
int ThirdBelow(int note)
{
    static const int kScale[7] = {0, 2, 3, 5, 7, 8, 10};  // from A
    const int rel = ((note - Note("A0")) % 12 + 12) % 12;
    int degree = 0;
    while (degree < 6 && kScale[degree + 1] <= rel)
        ++degree;
    const int target = kScale[(degree + 5) % 7];
    return note - (rel - target + 12) % 12;
}

// Volume column byte for an instrument at `velocity` (0..64) of its mix level.
uint8_t Volume(int ins, int velocity)
{
    return static_cast<uint8_t>(xm::kVolSet + (kLevel[ins] * velocity + 32) / 64);
}

// One 64-row pattern being written.
class Builder {
public:
    Builder() : pattern_{kRows, std::vector<xm::Cell>(kRows * kChannels)}
    {
        // Sustained voices stop at a pattern start unless a part plays on.
        for (int ch : {kChBass, kChPad1, kChPad2, kChPad3, kChLead, kChEcho})
            At(0, ch).note = xm::kNoteOff;
    }

    xm::Cell& At(int row, int ch) { return pattern_.cells[row * kChannels + ch]; }

    // A note struck with its instrument at `velocity`.
    void Strike(int row, int ch, int note, int ins, int velocity)
    {
        xm::Cell& c = At(row, ch);
        c.note = static_cast<uint8_t>(note);
        c.instrument = static_cast<uint8_t>(ins);
        c.volume = Volume(ins, velocity);
    }

    void Off(int row, int ch) { At(row, ch) = xm::Cell{xm::kNoteOff}; }

    void Effect(int row, int ch, uint8_t effect, uint8_t param)
    {
        At(row, ch).effect = effect;
        At(row, ch).param = param;
    }

    xm::Pattern Take() { return std::move(pattern_); }

private:
    xm::Pattern pattern_;
};

// Four on the floor over rows [from, to).
void Kick(Builder* b, int from = 0, int to = kRows)
{
    for (int r = from; r < to; r += 4)
        b->Strike(r, kChKick, xm::kNoteC4, kKick, 64);
}

// Backbeat on beats two and four of bars [from, to).
void Backbeat(Builder* b, int from_bar, int to_bar)
{
    for (int bar = from_bar; bar < to_bar; ++bar) {
        b->Strike(bar * kBar + 4, kChSnare, xm::kNoteC4, kSnare, 60);
        b->Strike(bar * kBar + 12, kChSnare, xm::kNoteC4, kSnare, 64);
    }
}

// Snare roll rising from eighths to sixteenths over rows [from, to).
void SnareRoll(Builder* b, int from, int to, int v0, int v1)
{
    const int half = (from + to) / 2;
    for (int r = from; r < to; r += r < half ? 2 : 1)
        b->Strike(r, kChSnare, xm::kNoteC4, kSnare, v0 + (v1 - v0) * (r - from) / (to - from));
}

// Closed hats on the sixteenths, or around an open hat on each offbeat.
void Hats(Builder* b, int from, int to, int velocity, bool open)
{
    static const int kAccent[4] = {64, 40, 48, 52};
    for (int r = from; r < to; ++r) {
        if (open && r % 4 == 2)
            b->Strike(r, kChOpenHat, xm::kNoteC4, kOpenHat, velocity);
        else
            b->Strike(r, kChHat, xm::kNoteC4, kHat, velocity * kAccent[r % 4] / 64);
    }
}

// Bass: offbeat eighths while building, a rolling off-kick figure in full parts.
void Bass(Builder* b, const Progression& chords, bool rolling, int to = kRows)
{
    for (int r = 0; r < to; ++r) {
        const int root = Note(chords[r / kBar]->bass);
        const int step = r % 4;
        if (step == 0)
            b->Off(r, kChBass);
        else if (rolling)
            b->Strike(r, kChBass, step == 2 ? root + 12 : root, kBass, step == 2 ? 60 : 52);
        else if (step == 2)
            b->Strike(r, kChBass, root, kBass, 64);
    }
}

// Level through each beat of parts with a kick: ducking under it and swelling
// back, the pumping of sidechain compression.
constexpr int kPadPump[4] = {26, 42, 56, 64};
constexpr int kArpPump[4] = {40, 54, 64, 64};

// Three pad voices: struck at the pattern start when `strike`, else gliding on
// from the chord before; each bar glides to the next chord. Rows before
// `pump_rows` pump with the kick.
void Pads(Builder* b, const Progression& chords, int velocity, bool strike, int pump_rows = 0)
{
    static const int kChannel[3] = {kChPad1, kChPad2, kChPad3};
    static const uint8_t kPan[3] = {0x48, 0x80, 0xB8};
    for (int v = 0; v < 3; ++v) {
        const int ch = kChannel[v];
        for (int bar = 0; bar < 4; ++bar) {
            const int row = bar * kBar;
            const int note = Note(chords[bar]->pad[v]);
            if (bar == 0 && strike) {
                b->Strike(row, ch, note, kPad, velocity);
                b->Effect(row, ch, xm::kFxPanning, kPan[v]);
            } else {
                b->At(row, ch) = xm::Cell{static_cast<uint8_t>(note), 0, Volume(kPad, velocity)};
                b->Effect(row, ch, kFxPorta, kPadGlide);
            }
        }
        for (int r = 0; r < pump_rows; ++r)
            b->At(r, ch).volume = Volume(kPad, velocity * kPadPump[r % 4] / 64);
        if (pump_rows > 0 && pump_rows < kRows)
            b->At(pump_rows, ch).volume = Volume(kPad, velocity);
    }
}

// Sixteenth-note arpeggio over the chord tones in bars [from_bar, 4).
void Arp(Builder* b, const Progression& chords, int velocity, int from_bar = 0, int octave = 0,
         bool pump = false)
{
    static const int kOrder[8] = {0, 1, 2, 3, 1, 2, 3, 2};
    static const int kAccent[8] = {64, 40, 52, 40, 58, 40, 52, 44};
    for (int r = from_bar * kBar; r < kRows; ++r) {
        const int note = Note(chords[r / kBar]->arp[kOrder[r % 8]]) + 12 * octave;
        const int pumped = pump ? velocity * kArpPump[r % 4] / 64 : velocity;
        b->Strike(r, kChArp, note, kArp, pumped * kAccent[r % 8] / 64);
    }
}

enum class Shadow { kNone, kEcho, kHarmony };

// The lead line; its shadow channel either echoes it a dotted eighth later,
// softer and panned across, or doubles it a third below.
void Lead(Builder* b, const char* phrase, int velocity, Shadow shadow)
{
    constexpr int kDelay = 3;
    if (shadow != Shadow::kNone)
        b->At(0, kChEcho) = xm::Cell{};
    for (const Event& e : ParsePhrase(phrase)) {
        if (e.row >= kRows)
            break;
        if (e.note == 0) {
            b->Off(e.row, kChLead);
        } else {
            b->Strike(e.row, kChLead, e.note, kLead, velocity);
        }
        if (shadow == Shadow::kNone)
            continue;
        const int row = shadow == Shadow::kEcho ? e.row + kDelay : e.row;
        if (row >= kRows)
            continue;
        if (e.note == 0) {
            b->Off(row, kChEcho);
        } else if (shadow == Shadow::kEcho) {
            b->Strike(row, kChEcho, e.note, kLead, velocity * 5 / 9);
            b->Effect(row, kChEcho, xm::kFxPanning, 0xC0);
        } else {
            b->Strike(row, kChEcho, ThirdBelow(e.note), kLead, velocity * 2 / 3);
            b->Effect(row, kChEcho, xm::kFxPanning, 0xA8);
        }
    }
}

void Crash(Builder* b, int row = 0) { b->Strike(row, kChFx, xm::kNoteC4, kCrash, 64); }

// The noise sweep filling the second half of a pattern into the next downbeat.
void Riser(Builder* b) { b->Strike(kRows / 2, kChFx, xm::kNoteC4, kRiser, 64); }

// Global volume moved linearly over rows [from, to], one step per row.
void GlobalRamp(Builder* b, int from, int to, int v0, int v1)
{
    for (int r = from; r <= to; ++r)
        b->Effect(r, kChKick, xm::kFxGlobalVolume,
                  static_cast<uint8_t>(v0 + (v1 - v0) * (r - from) / (to - from)));
}

xm::Pattern Intro(int part)
{
    Builder b;
    Pads(&b, kMainChords, 52, part == 0);
    if (part == 0) {
        GlobalRamp(&b, 0, 31, 20, 64);
        Arp(&b, kMainChords, 20, 2);
    } else {
        Arp(&b, kMainChords, 34);
        Hats(&b, 0, 32, 30, false);
        Hats(&b, 32, kRows, 40, true);
        Riser(&b);
    }
    return b.Take();
}

xm::Pattern Build(int part)
{
    Builder b;
    Pads(&b, kMainChords, 44, false, part == 0 ? kRows : kRows - 4);
    Arp(&b, kMainChords, 40, 0, 0, true);
    Hats(&b, 0, kRows, 50, true);
    if (part == 0) {
        Crash(&b);
        Kick(&b);
        Bass(&b, kMainChords, false);
    } else {
        Kick(&b, 0, kRows - 4);
        Bass(&b, kMainChords, false, kRows - 4);
        Backbeat(&b, 0, 2);
        SnareRoll(&b, 32, kRows, 24, 60);
        Riser(&b);
    }
    return b.Take();
}

xm::Pattern Main(const char* hook, bool first, bool climax)
{
    Builder b;
    if (first || climax)
        Crash(&b);
    Kick(&b);
    Backbeat(&b, 0, 4);
    Hats(&b, 0, kRows, 56, true);
    Bass(&b, kMainChords, true);
    Pads(&b, kMainChords, 44, false, kRows);
    Arp(&b, kMainChords, climax ? 36 : 44, 0, climax ? 1 : 0, true);
    Lead(&b, hook, 64, climax ? Shadow::kHarmony : Shadow::kEcho);
    return b.Take();
}

xm::Pattern Breakdown(int part)
{
    Builder b;
    Pads(&b, part == 0 ? kBreakChords1 : kBreakChords2, 64, false);
    Lead(&b, part == 0 ? kBreakLine1 : kBreakLine2, 44, Shadow::kEcho);
    if (part == 0) {
        Crash(&b);
        Arp(&b, kBreakChords1, 22, 2);
    } else {
        Arp(&b, kBreakChords2, 28);
        Hats(&b, 32, kRows, 34, false);
        SnareRoll(&b, 48, kRows, 16, 52);
        Riser(&b);
    }
    return b.Take();
}

xm::Pattern BuildAgain()
{
    Builder b;
    Crash(&b);
    Pads(&b, kMainChords, 44, false, kRows - 4);
    Arp(&b, kMainChords, 40, 0, 0, true);
    Hats(&b, 0, kRows, 50, true);
    Kick(&b, 0, kRows - 4);
    Bass(&b, kMainChords, false, kRows - 4);
    Backbeat(&b, 0, 2);
    SnareRoll(&b, 32, kRows, 28, 64);
    Riser(&b);
    return b.Take();
}

xm::Pattern Outro()
{
    Builder b;
    Crash(&b);
    Kick(&b, 0, 32);
    Hats(&b, 0, 32, 50, true);
    Bass(&b, kOutroChords, true, 32);
    b.Off(32, kChBass);
    Pads(&b, kOutroChords, 48, false, 32);
    Arp(&b, kOutroChords, 34);
    Lead(&b, kOutroLine, 52, Shadow::kEcho);
    GlobalRamp(&b, 16, kRows - 1, 64, 8);
    return b.Take();
}

// Appends a song position, sharing the pattern with an identical earlier one.
void AddPosition(xm::Module* m, xm::Pattern p)
{
    auto it = std::find(m->patterns.begin(), m->patterns.end(), p);
    if (it == m->patterns.end()) {
        m->patterns.push_back(std::move(p));
        it = m->patterns.end() - 1;
    }
    m->orders.push_back(static_cast<uint8_t>(it - m->patterns.begin()));
}

// A main part, one pattern per hook; a crash opens it (each pattern at the climax).
void MainPart(xm::Module* m, std::initializer_list<const char*> hooks, bool climax)
{
    bool first = true;
    for (const char* hook : hooks) {
        AddPosition(m, Main(hook, first, climax));
        first = false;
    }
}

xm::Envelope Env(std::vector<xm::EnvelopePoint> points, int sustain, int loop_start = -1, int loop_end = -1)
{
    return xm::Envelope{std::move(points), sustain, loop_start, loop_end};
}

xm::Instrument MakeInstrument(int ins, xm::Sample sample, uint8_t panning)
{
    xm::Instrument i;
    i.name = InstrumentNames()[ins - 1];
    i.sample = std::move(sample);
    i.sample.volume = static_cast<uint8_t>(kLevel[ins]);
    i.sample.panning = panning;
    return i;
}

std::vector<xm::Instrument> Instruments()
{
    std::vector<xm::Instrument> v;
    v.push_back(MakeInstrument(kKick, synth::Kick(), 0x80));
    v.push_back(MakeInstrument(kSnare, synth::Snare(), 0x78));
    v.push_back(MakeInstrument(kHat, synth::ClosedHat(), 0xA8));
    v.push_back(MakeInstrument(kOpenHat, synth::OpenHat(), 0x98));

    xm::Instrument bass = MakeInstrument(kBass, synth::Bass(), 0x80);
    bass.volume_envelope = Env({{0, 0}, {1, 64}, {10, 50}, {14, 0}}, 2);
    bass.fadeout = 0x1000;
    v.push_back(bass);

    xm::Instrument pad = MakeInstrument(kPad, synth::Pad(), 0x80);
    pad.volume_envelope = Env({{0, 0}, {24, 64}, {84, 0}}, 1);
    pad.panning_envelope = Env({{0, 32}, {48, 40}, {96, 32}, {144, 24}, {192, 32}}, -1, 0, 4);
    pad.fadeout = 0x0400;
    v.push_back(pad);

    xm::Instrument arp = MakeInstrument(kArp, synth::Pluck(), 0x80);
    arp.panning_envelope = Env({{0, 20}, {48, 44}, {96, 20}}, -1, 0, 2);
    v.push_back(arp);

    xm::Instrument lead = MakeInstrument(kLead, synth::Lead(), 0x68);
    lead.volume_envelope = Env({{0, 0}, {2, 64}, {24, 46}, {32, 0}}, 2);
    lead.fadeout = 0x0800;
    lead.vibrato_sweep = 0x30;
    lead.vibrato_depth = 3;
    lead.vibrato_rate = 0x0C;
    v.push_back(lead);

    v.push_back(MakeInstrument(kCrash, synth::Crash(), 0x60));
    xm::Instrument riser = MakeInstrument(kRiser, synth::Riser(), 0x80);
    riser.panning_envelope = Env({{0, 16}, {90, 48}, {180, 16}}, -1, 0, 2);
    v.push_back(riser);
    return v;
}

}  // namespace

const std::vector<Section>& Sections()
{
    static const std::vector<Section> kSections = {
        {"intro", 0, 2},  {"build", 2, 2},   {"main A", 4, 4}, {"breakdown", 8, 2},
        {"build 2", 10, 1}, {"main B", 11, 4}, {"climax", 15, 2}, {"outro", 17, 1},
    };
    return kSections;
}

const std::vector<std::string>& InstrumentNames()
{
    static const std::vector<std::string> kNames = {
        "Kick", "Snare", "Closed hat", "Open hat", "Bass",
        "Saw pad", "Pluck arp", "Supersaw lead", "Crash", "Noise riser",
    };
    return kNames;
}

xm::Module Compose()
{
    xm::Module m;
    m.name = "Tuvari";
    m.channels = kChannels;
    m.speed = kSpeed;
    m.bpm = kBpm;
    for (int part = 0; part < 2; ++part)
        AddPosition(&m, Intro(part));
    for (int part = 0; part < 2; ++part)
        AddPosition(&m, Build(part));
    MainPart(&m, {kHookA, kHookB, kHookA, kHookB}, false);
    for (int part = 0; part < 2; ++part)
        AddPosition(&m, Breakdown(part));
    AddPosition(&m, BuildAgain());
    MainPart(&m, {kHookA, kHookB, kHookC, kHookB}, false);
    MainPart(&m, {kHookC, kHookB}, true);
    AddPosition(&m, Outro());
    m.instruments = Instruments();
    return m;
}

}  // namespace assetgen::song
