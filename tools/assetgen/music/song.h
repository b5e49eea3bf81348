// "Tuvari.xm": the composition, as an XM module built in memory.
//
// An electro-trance piece in A minor at 128 beats per minute: 18 song positions
// of 64 rows (four bars each), 7.5 seconds apiece, 135 seconds before it loops.
#pragma once

#include <string>
#include <vector>

#include "tools/assetgen/music/xm_writer.h"

namespace assetgen::song {

constexpr int kChannels = 12;
constexpr int kBpm = 128;
constexpr int kSpeed = 6;  // ticks per row: a row is a sixteenth note
constexpr int kRows = 64;

// Seconds one song position (one pattern) lasts.
constexpr double kPositionSeconds = kRows * kSpeed * 2.5 / kBpm;

// A part of the song: its name and the song positions it covers.
struct Section {
    std::string name;
    int first_position;
    int positions;
};

// The sections in playing order; together they cover every song position.
const std::vector<Section>& Sections();

// Instrument names in instrument order (instrument n is element n - 1).
const std::vector<std::string>& InstrumentNames();

// The whole module: patterns, order table and synthesised instruments.
xm::Module Compose();

}  // namespace assetgen::song
