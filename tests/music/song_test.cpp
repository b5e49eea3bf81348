// The soundtrack as libopenmpt loads and plays it: structure, length, levels.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <libopenmpt/libopenmpt.hpp>
#include <sstream>

#include "tools/assetgen/assets.h"
#include "tools/assetgen/music/render_wav.h"
#include "tools/assetgen/music/song.h"
#include "tools/assetgen/music/synth.h"

namespace {

using namespace assetgen;
using music::kRenderRate;

const xm::Module& Song()
{
    static const xm::Module m = song::Compose();
    return m;
}

const std::vector<uint8_t>& SongBytes()
{
    static const std::vector<uint8_t> b = xm::WriteXm(Song());
    return b;
}

// The whole song played once, rendered a single time for all checks.
const music::Render& Played()
{
    static const music::Render r = music::RenderModule(SongBytes(), 0);
    return r;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t Frame(double seconds) { return static_cast<size_t>(seconds * kRenderRate); }

// RMS of the song between two times.
double Rms(double from, double to)
{
    return music::MeasureLevels(Played().stereo, Frame(from), Frame(to) - Frame(from)).rms;
}

// Start and end in seconds of the named section.
std::pair<double, double> SectionTimes(const std::string& name)
{
    for (const song::Section& s : song::Sections())
        if (s.name == name)
            return {s.first_position * song::kPositionSeconds,
                    (s.first_position + s.positions) * song::kPositionSeconds};
    ADD_FAILURE() << "no section " << name;
    return {0, 0};
}

TEST(Soundtrack, LoadsInLibopenmptWithAnEmptyLog)
{
    std::ostringstream log;
    openmpt::module mod(SongBytes(), log);
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(mod.get_metadata("type"), "xm");
    EXPECT_EQ(mod.get_num_channels(), song::kChannels);
    EXPECT_GE(mod.get_num_channels(), 8);
    EXPECT_EQ(mod.get_num_orders(), 18);
    EXPECT_EQ(mod.get_num_patterns(), static_cast<int>(Song().patterns.size()));
    EXPECT_EQ(mod.get_instrument_names(), song::InstrumentNames());
    EXPECT_NEAR(mod.get_duration_seconds(), 135.0, 2.0);
    EXPECT_EQ(log.str(), "") << "messages while querying";
}

TEST(Soundtrack, SectionsCoverTheSongInOrder)
{
    int next = 0;
    for (const song::Section& s : song::Sections()) {
        EXPECT_EQ(s.first_position, next) << s.name;
        next += s.positions;
    }
    EXPECT_EQ(next, static_cast<int>(Song().orders.size()));
}

TEST(Soundtrack, WriteMusicIsByteForByteRepeatable)
{
    const auto base = std::filesystem::path(ORV_BINARY_DIR) / "music_test_out";
    for (const char* run : {"a", "b"}) {
        std::filesystem::create_directories(base / run);
        ASSERT_TRUE(WriteMusic((base / run).string()));
    }
    const std::vector<uint8_t> a = ReadFile((base / "a" / "Tuvari.xm").string());
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == ReadFile((base / "b" / "Tuvari.xm").string()));
    EXPECT_TRUE(a == SongBytes());
    std::filesystem::remove_all(base);
}

TEST(Soundtrack, PlaysWithoutLogMessagesOrClipping)
{
    const music::Render& r = Played();
    ASSERT_TRUE(r.ok) << r.log;
    EXPECT_EQ(r.log, "");
    EXPECT_NEAR(static_cast<double>(r.frames()) / kRenderRate, 135.0, 2.0);
    EXPECT_LT(r.levels.peak, 0.71) << "less than 3 dB of headroom";
    EXPECT_GT(r.levels.peak, 0.25) << "mixed far too quietly";
}

TEST(Soundtrack, NeverSilentForTwoSecondsAfterTheOpening)
{
    const double length = static_cast<double>(Played().frames()) / kRenderRate;
    for (double t = 0.5; t + 2.0 <= length; t += 0.5)
        EXPECT_GT(Rms(t, t + 2.0), 0.003) << "silence (below -50 dBFS) from " << t << " s";
}

TEST(Soundtrack, BreakdownQuieterThanMainParts)
{
    const auto [b0, b1] = SectionTimes("breakdown");
    const double breakdown = Rms(b0, b1);
    for (const char* part : {"main A", "main B", "climax"}) {
        const auto [m0, m1] = SectionTimes(part);
        EXPECT_GT(Rms(m0, m1), 2.0 * breakdown) << part;
    }
    const auto [i0, i1] = SectionTimes("intro");
    EXPECT_LT(Rms(i0, i1), breakdown) << "the intro should open softer still";
}

// Low band (below about 100 Hz) RMS of the mono sum between two times.
double LowBandRms(double from, double to)
{
    const std::vector<float>& s = Played().stereo;
    const double a = std::exp(-2 * std::numbers::pi * 100.0 / kRenderRate);
    double y1 = 0, y2 = 0, sum = 0;
    const size_t first = Frame(from), last = Frame(to);
    for (size_t i = first; i < last; ++i) {
        y1 = (1 - a) * 0.5 * (s[2 * i] + s[2 * i + 1]) + a * y1;
        y2 = (1 - a) * y1 + a * y2;
        sum += y2 * y2;
    }
    return std::sqrt(sum / static_cast<double>(last - first));
}

TEST(Soundtrack, KickCarriesTheLowEndOfMainPartsNotTheBreakdown)
{
    const auto [b0, b1] = SectionTimes("breakdown");
    const double breakdown = LowBandRms(b0, b1 - 0.5);
    for (const char* part : {"build", "main A", "main B", "climax"}) {
        const auto [m0, m1] = SectionTimes(part);
        EXPECT_GT(LowBandRms(m0, m1), 4.0 * breakdown) << part;
    }
}

TEST(Soundtrack, StereoIsSpreadButCentred)
{
    const std::vector<float>& s = Played().stereo;
    double mid = 0, side = 0, left = 0, right = 0;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        mid += (s[i] + s[i + 1]) * (s[i] + s[i + 1]);
        side += (s[i] - s[i + 1]) * (s[i] - s[i + 1]);
        left += s[i] * s[i];
        right += s[i + 1] * s[i + 1];
    }
    EXPECT_GT(side, mid * 1e-3) << "practically mono";
    EXPECT_LT(side, mid * 0.25) << "too wide";
    EXPECT_NEAR(10 * std::log10(left / right), 0.0, 1.0) << "leaning to one side";
}

// Fundamental of a signal near `expected` Hz by normalised autocorrelation.
double Pitch(const std::vector<float>& mono, double expected)
{
    const int lo = static_cast<int>(kRenderRate / expected / 1.3);
    const int hi = static_cast<int>(kRenderRate / expected * 1.3);
    const size_t n = mono.size() - hi;
    auto corr = [&](int lag) {
        double xy = 0, xx = 0, yy = 0;
        for (size_t i = 0; i < n; ++i) {
            xy += mono[i] * mono[i + lag];
            xx += mono[i] * mono[i];
            yy += mono[i + lag] * mono[i + lag];
        }
        return xy / std::sqrt(xx * yy + 1e-30);
    };
    int best = lo;
    for (int lag = lo; lag <= hi; ++lag)
        if (corr(lag) > corr(best))
            best = lag;
    const double l = corr(best - 1), c = corr(best), r = corr(best + 1);
    const double shift = 0.5 * (l - r) / (l - 2 * c + r);
    return kRenderRate / (best + shift);
}

// Plays one held note of `sample` on a two-channel module; the mono result.
std::vector<float> PlayNote(const xm::Sample& sample, int note)
{
    xm::Module m;
    m.channels = 2;
    m.patterns.push_back({64, std::vector<xm::Cell>(128)});
    m.patterns[0].cells[0] = xm::Cell{static_cast<uint8_t>(note), 1};
    m.orders = {0};
    m.instruments.resize(1);
    m.instruments[0].sample = sample;
    const music::Render r = music::RenderModule(xm::WriteXm(m), 0.6);
    std::vector<float> mono;
    for (size_t i = Frame(0.15); i < r.frames(); ++i)
        mono.push_back(r.stereo[2 * i] + r.stereo[2 * i + 1]);
    return mono;
}

TEST(Soundtrack, PitchedInstrumentsPlayInTune)
{
    struct Case {
        const char* name;
        xm::Sample sample;
        int note;  // A-2 is 34, A-3 46, A-4 58
        double hz;
    };
    const Case cases[] = {
        {"bass", synth::Bass(), 34, 110.0},
        {"pad", synth::Pad(), 46, 220.0},
        {"pluck", synth::Pluck(), 58, 440.0},
        {"lead", synth::Lead(), 58, 440.0},
        {"lead an octave up", synth::Lead(), 70, 880.0},
    };
    for (const Case& c : cases) {
        const double hz = Pitch(PlayNote(c.sample, c.note), c.hz);
        EXPECT_NEAR(hz / c.hz, 1.0, 0.01) << c.name << " plays " << hz << " Hz";
    }
}

}  // namespace
