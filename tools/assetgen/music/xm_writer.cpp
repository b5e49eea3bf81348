#include "tools/assetgen/music/xm_writer.h"

#include <algorithm>
#include <cmath>

namespace assetgen::xm {
namespace {

constexpr int kMaxChannels = 32;
constexpr int kMaxPatterns = 256;
constexpr int kMaxOrders = 256;
constexpr int kMaxEnvelopePoints = 12;
constexpr uint32_t kHeaderSize = 276;      // from the size field to the end of the order table
constexpr uint32_t kInstrumentSize = 263;  // instrument header as FastTracker 2 writes it
constexpr uint32_t kSampleHeaderSize = 40;
constexpr double kBaseRate = 8363.0;       // frames per second of an untuned sample on C-4
constexpr double kC4Hz = 261.6255653005986;

// Little-endian byte sink.
class Bytes {
public:
    void U8(uint32_t v) { out_.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) { U8(v & 0xFF); U8(v >> 8); }
    void U32(uint32_t v) { U16(v & 0xFFFF); U16(v >> 16); }
    // A fixed-width text field, cut or padded with `pad`.
    void Text(const std::string& s, size_t width, char pad = '\0')
    {
        for (size_t i = 0; i < width; ++i)
            U8(static_cast<uint8_t>(i < s.size() ? s[i] : pad));
    }
    void Append(const std::vector<uint8_t>& v) { out_.insert(out_.end(), v.begin(), v.end()); }
    void Zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    std::vector<uint8_t> Take() { return std::move(out_); }

private:
    std::vector<uint8_t> out_;
};

bool EnvelopeValid(const Envelope& e)
{
    const int n = static_cast<int>(e.points.size());
    if (n > kMaxEnvelopePoints || e.sustain >= n || e.loop_start >= n || e.loop_end >= n)
        return false;
    if ((e.loop_start < 0) != (e.loop_end < 0) || e.loop_start > e.loop_end)
        return false;
    for (int i = 1; i < n; ++i)
        if (e.points[i].x <= e.points[i - 1].x)
            return false;
    return std::all_of(e.points.begin(), e.points.end(), [](const EnvelopePoint& p) { return p.y <= 64; });
}

bool ModuleValid(const Module& m)
{
    if (m.channels < 1 || m.channels > kMaxChannels || m.patterns.empty() ||
        m.patterns.size() > kMaxPatterns || m.orders.empty() || m.orders.size() > kMaxOrders ||
        m.instruments.size() > 128 || m.restart_position >= static_cast<int>(m.orders.size()))
        return false;
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size())
            return false;
    for (const Pattern& p : m.patterns)
        if (p.rows < 1 || p.rows > 256 || p.cells.size() != static_cast<size_t>(p.rows * m.channels))
            return false;
    for (const Instrument& ins : m.instruments) {
        const Sample& s = ins.sample;
        if (s.loop_length > 0 && uint64_t{s.loop_start} + s.loop_length > s.pcm.size())
            return false;
        if (s.volume > 64 || !EnvelopeValid(ins.volume_envelope) || !EnvelopeValid(ins.panning_envelope))
            return false;
    }
    return true;
}

void WriteHeader(const Module& m, Bytes* b)
{
    b->Text("Extended Module: ", 17);
    b->Text(m.name, 20, ' ');
    b->U8(0x1A);
    b->Text("FastTracker v2.00", 20, ' ');
    b->U16(0x0104);
    b->U32(kHeaderSize);
    b->U16(static_cast<uint32_t>(m.orders.size()));
    b->U16(m.restart_position);
    b->U16(m.channels);
    b->U16(static_cast<uint32_t>(m.patterns.size()));
    b->U16(static_cast<uint32_t>(m.instruments.size()));
    b->U16(1);  // linear frequency table
    b->U16(m.speed);
    b->U16(m.bpm);
    for (int i = 0; i < kMaxOrders; ++i)
        b->U8(i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);
}

void WritePattern(const Pattern& p, int channels, Bytes* b)
{
    const std::vector<uint8_t> packed = PackPattern(p, channels);
    b->U32(9);  // pattern header length
    b->U8(0);   // packing type
    b->U16(p.rows);
    b->U16(static_cast<uint32_t>(packed.size()));
    b->Append(packed);
}

// The 12 points of an envelope field, unused points zero.
void WriteEnvelopePoints(const Envelope& e, Bytes* b)
{
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        const bool used = i < static_cast<int>(e.points.size());
        b->U16(used ? e.points[i].x : 0);
        b->U16(used ? e.points[i].y : 0);
    }
}

// Envelope type bits: 1 on, 2 sustain, 4 loop.
uint8_t EnvelopeFlags(const Envelope& e)
{
    if (!e.enabled())
        return 0;
    return static_cast<uint8_t>(1 | (e.sustain >= 0 ? 2 : 0) | (e.loop_start >= 0 ? 4 : 0));
}

void WriteInstrumentHeader(const Instrument& ins, Bytes* b)
{
    const Envelope& v = ins.volume_envelope;
    const Envelope& p = ins.panning_envelope;
    b->U32(kInstrumentSize);
    b->Text(ins.name, 22);
    b->U8(0);
    b->U16(1);  // one sample
    b->U32(kSampleHeaderSize);
    b->Zeros(96);  // every note plays sample 0
    WriteEnvelopePoints(v, b);
    WriteEnvelopePoints(p, b);
    b->U8(static_cast<uint32_t>(v.points.size()));
    b->U8(static_cast<uint32_t>(p.points.size()));
    b->U8(std::max(v.sustain, 0));
    b->U8(std::max(v.loop_start, 0));
    b->U8(std::max(v.loop_end, 0));
    b->U8(std::max(p.sustain, 0));
    b->U8(std::max(p.loop_start, 0));
    b->U8(std::max(p.loop_end, 0));
    b->U8(EnvelopeFlags(v));
    b->U8(EnvelopeFlags(p));
    b->U8(ins.vibrato_type);
    b->U8(ins.vibrato_sweep);
    b->U8(ins.vibrato_depth);
    b->U8(ins.vibrato_rate);
    b->U16(ins.fadeout);
    b->Zeros(kInstrumentSize - 241);  // reserved
}

void WriteSampleHeader(const Instrument& ins, Bytes* b)
{
    const Sample& s = ins.sample;
    const bool loops = s.loop_length > 0;
    b->U32(static_cast<uint32_t>(s.pcm.size() * 2));  // lengths count bytes
    b->U32(loops ? s.loop_start * 2 : 0);
    b->U32(loops ? s.loop_length * 2 : 0);
    b->U8(s.volume);
    b->U8(static_cast<uint8_t>(s.finetune));
    b->U8(0x10 | (loops ? 1 : 0));  // 16-bit, forward loop
    b->U8(s.panning);
    b->U8(static_cast<uint8_t>(s.relative_note));
    b->U8(0);  // delta coding
    b->Text(ins.name, 22);
}

// Sample data as successive differences, wrapping in 16 bits.
void WriteDeltas(const std::vector<int16_t>& pcm, Bytes* b)
{
    uint16_t old = 0;
    for (int16_t v : pcm) {
        const uint16_t cur = static_cast<uint16_t>(v);
        b->U16(static_cast<uint16_t>(cur - old));
        old = cur;
    }
}

// Splits a pitch offset in semitones into relative note and finetune.
void SetTuning(double semitones, Sample* s)
{
    const long total = std::lround(semitones * 128.0);
    long rel = std::lround(static_cast<double>(total) / 128.0);
    rel = std::clamp(rel, -96L, 95L);
    const long fine = std::clamp(total - rel * 128, -128L, 127L);
    s->relative_note = static_cast<int8_t>(rel);
    s->finetune = static_cast<int8_t>(fine);
}

}  // namespace

std::vector<uint8_t> PackPattern(const Pattern& pattern, int channels)
{
    std::vector<uint8_t> out;
    const size_t count = std::min(pattern.cells.size(), static_cast<size_t>(pattern.rows * channels));
    for (size_t i = 0; i < count; ++i) {
        const Cell& c = pattern.cells[i];
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
        uint8_t flags = 0x80;
        int present = 0;
        for (int f = 0; f < 5; ++f)
            if (fields[f] != 0) {
                flags |= static_cast<uint8_t>(1 << f);
                ++present;
            }
        if (present == 5) {
            out.insert(out.end(), fields, fields + 5);
            continue;
        }
        out.push_back(flags);
        for (int f = 0; f < 5; ++f)
            if (fields[f] != 0)
                out.push_back(fields[f]);
    }
    return out;
}

std::vector<uint8_t> WriteXm(const Module& module)
{
    if (!ModuleValid(module))
        return {};
    Bytes b;
    WriteHeader(module, &b);
    for (const Pattern& p : module.patterns)
        WritePattern(p, module.channels, &b);
    for (const Instrument& ins : module.instruments) {
        WriteInstrumentHeader(ins, &b);
        WriteSampleHeader(ins, &b);
        WriteDeltas(ins.sample.pcm, &b);
    }
    return b.Take();
}

void TuneSample(double cycles_per_frame, Sample* sample)
{
    SetTuning(12.0 * std::log2(kC4Hz / (kBaseRate * cycles_per_frame)), sample);
}

void TuneRate(double frames_per_second, Sample* sample)
{
    SetTuning(12.0 * std::log2(frames_per_second / kBaseRate), sample);
}

}  // namespace assetgen::xm
