// The XM writer against an independent reading of the bytes it produces.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tools/assetgen/music/song.h"
#include "tools/assetgen/music/synth.h"
#include "tools/assetgen/music/xm_writer.h"

namespace {

using namespace assetgen;

// What a reader finds in a file, decoded straight from the bytes.
struct ReadBack {
    int orders = 0, channels = 0, patterns = 0, instruments = 0, speed = 0, bpm = 0, flags = 0;
    std::vector<uint8_t> order_table;
    std::vector<std::vector<xm::Cell>> cells;  // per pattern, unpacked
    std::vector<std::string> names;
    std::vector<std::vector<int16_t>> pcm;  // per instrument, delta-decoded
    std::vector<uint8_t> sample_type;
};

class Cursor {
public:
    explicit Cursor(const std::vector<uint8_t>& b) : b_(b) {}
    uint32_t U8() { return at_ < b_.size() ? b_[at_++] : (fail_ = true, 0); }
    uint32_t U16() { const uint32_t lo = U8(); return lo | U8() << 8; }
    uint32_t U32() { const uint32_t lo = U16(); return lo | U16() << 16; }
    std::string Text(size_t n)
    {
        std::string s;
        for (size_t i = 0; i < n; ++i)
            s.push_back(static_cast<char>(U8()));
        return s.substr(0, s.find('\0'));
    }
    void Skip(size_t n) { at_ += n; }
    size_t at() const { return at_; }
    void Seek(size_t at) { at_ = at; }
    bool failed() const { return fail_ || at_ > b_.size(); }

private:
    const std::vector<uint8_t>& b_;
    size_t at_ = 0;
    bool fail_ = false;
};

std::vector<xm::Cell> Unpack(Cursor* c, size_t packed_size, int rows, int channels)
{
    std::vector<xm::Cell> cells;
    const size_t end = c->at() + packed_size;
    while (c->at() < end && !c->failed()) {
        xm::Cell cell;
        const uint32_t first = c->U8();
        const uint32_t flags = first & 0x80 ? first : 0x1F;
        uint8_t* fields[5] = {&cell.note, &cell.instrument, &cell.volume, &cell.effect, &cell.param};
        for (int f = 0; f < 5; ++f) {
            if (!(flags & (1u << f)))
                continue;
            *fields[f] = static_cast<uint8_t>(f == 0 && !(first & 0x80) ? first : c->U8());
        }
        cells.push_back(cell);
    }
    EXPECT_EQ(cells.size(), static_cast<size_t>(rows * channels));
    return cells;
}

ReadBack Read(const std::vector<uint8_t>& bytes)
{
    ReadBack r;
    Cursor c(bytes);
    EXPECT_EQ(c.Text(17), "Extended Module: ");
    c.Skip(20);
    EXPECT_EQ(c.U8(), 0x1Au);
    c.Skip(20);
    EXPECT_EQ(c.U16(), 0x0104u);
    const size_t header_end = c.at() + c.U32();
    r.orders = c.U16();
    c.U16();
    r.channels = c.U16();
    r.patterns = c.U16();
    r.instruments = c.U16();
    r.flags = c.U16();
    r.speed = c.U16();
    r.bpm = c.U16();
    for (int i = 0; i < r.orders; ++i)
        r.order_table.push_back(static_cast<uint8_t>(c.U8()));
    c.Seek(header_end);
    for (int p = 0; p < r.patterns; ++p) {
        const size_t start = c.at();
        const uint32_t length = c.U32();
        c.U8();
        const int rows = c.U16();
        const uint32_t packed = c.U16();
        c.Seek(start + length);
        r.cells.push_back(Unpack(&c, packed, rows, r.channels));
    }
    for (int i = 0; i < r.instruments; ++i) {
        const size_t start = c.at();
        const uint32_t size = c.U32();
        r.names.push_back(c.Text(22));
        c.U8();
        EXPECT_EQ(c.U16(), 1u);
        c.Seek(start + size);
        const uint32_t length = c.U32();
        c.Skip(8);
        c.Skip(2);
        r.sample_type.push_back(static_cast<uint8_t>(c.U8()));
        c.Skip(3 + 22);
        std::vector<int16_t> pcm;
        uint16_t acc = 0;
        for (uint32_t n = 0; n < length / 2; ++n) {
            acc = static_cast<uint16_t>(acc + c.U16());
            pcm.push_back(static_cast<int16_t>(acc));
        }
        r.pcm.push_back(std::move(pcm));
    }
    EXPECT_FALSE(c.failed());
    EXPECT_EQ(c.at(), bytes.size()) << "bytes left after the last sample";
    return r;
}

const xm::Module& Song()
{
    static const xm::Module m = song::Compose();
    return m;
}

TEST(XmWriter, PackedPatternsDecodeToTheComposedCells)
{
    const ReadBack r = Read(xm::WriteXm(Song()));
    EXPECT_EQ(r.channels, song::kChannels);
    EXPECT_EQ(r.speed, song::kSpeed);
    EXPECT_EQ(r.bpm, song::kBpm);
    EXPECT_EQ(r.flags & 1, 1) << "linear frequency table expected by the sample tuning";
    EXPECT_EQ(r.order_table, Song().orders);
    ASSERT_EQ(r.cells.size(), Song().patterns.size());
    for (size_t p = 0; p < r.cells.size(); ++p)
        EXPECT_TRUE(r.cells[p] == Song().patterns[p].cells) << "pattern " << p;
    // The song opens on an A minor pad: A-3 on the first pad channel, instrument 6.
    const xm::Cell& pad = r.cells[r.order_table[0]][5];
    EXPECT_EQ(pad.note, 46);
    EXPECT_EQ(pad.instrument, 6);
}

TEST(XmWriter, SampleDeltasDecodeToTheSynthesisedPcm)
{
    const ReadBack r = Read(xm::WriteXm(Song()));
    ASSERT_EQ(r.pcm.size(), Song().instruments.size());
    for (size_t i = 0; i < r.pcm.size(); ++i) {
        EXPECT_EQ(r.names[i], song::InstrumentNames()[i]);
        EXPECT_EQ(r.sample_type[i] & 0x10, 0x10) << "16-bit flag on " << r.names[i];
        EXPECT_TRUE(r.pcm[i] == Song().instruments[i].sample.pcm) << r.names[i];
    }
    EXPECT_TRUE(r.pcm[0] == synth::Kick().pcm);
}

TEST(XmWriter, FullCellsStoredUnpackedAndEmptyCellsAsOneByte)
{
    xm::Pattern p{2, {xm::Cell{49, 1, 0x40, 0x0C, 0x20}, xm::Cell{}, xm::Cell{97}, xm::Cell{0, 0, 0, 0x10, 0}}};
    const std::vector<uint8_t> packed = xm::PackPattern(p, 2);
    const std::vector<uint8_t> expected = {49, 1, 0x40, 0x0C, 0x20, 0x80, 0x81, 97, 0x88, 0x10};
    EXPECT_EQ(packed, expected);
}

TEST(XmWriter, RefusesModulesItCannotStore)
{
    xm::Module m;
    m.channels = 2;
    m.patterns.push_back({1, std::vector<xm::Cell>(2)});
    m.orders = {0};
    m.instruments.resize(1);
    m.instruments[0].sample.pcm.assign(100, 0);
    ASSERT_FALSE(xm::WriteXm(m).empty());

    xm::Module bad = m;
    bad.orders = {1};
    EXPECT_TRUE(xm::WriteXm(bad).empty()) << "order naming a missing pattern";
    bad = m;
    bad.instruments[0].sample.loop_start = 90;
    bad.instruments[0].sample.loop_length = 20;
    EXPECT_TRUE(xm::WriteXm(bad).empty()) << "loop past the sample's end";
    bad = m;
    for (uint16_t x = 0; x < 13; ++x)
        bad.instruments[0].volume_envelope.points.push_back({x, 64});
    EXPECT_TRUE(xm::WriteXm(bad).empty()) << "13 envelope points";
    bad = m;
    bad.instruments[0].panning_envelope.points = {{10, 32}, {5, 32}};
    EXPECT_TRUE(xm::WriteXm(bad).empty()) << "envelope going back in time";
    bad = m;
    bad.patterns[0].cells.pop_back();
    EXPECT_TRUE(xm::WriteXm(bad).empty()) << "pattern short of cells";
}

TEST(XmWriter, TuningSplitsSemitonesIntoRelativeNoteAndFinetune)
{
    xm::Sample s;
    xm::TuneRate(8363, &s);
    EXPECT_EQ(s.relative_note, 0);
    EXPECT_EQ(s.finetune, 0);
    xm::TuneRate(44100, &s);  // 28.784 semitones up
    EXPECT_EQ(s.relative_note, 29);
    EXPECT_EQ(s.finetune, -28);
    xm::TuneSample(261.6255653 / 8363 / 2, &s);  // an octave low on C-4: shift up 12
    EXPECT_EQ(s.relative_note, 12);
    EXPECT_EQ(s.finetune, 0);
}

}  // namespace
