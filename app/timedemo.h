// OrvRunTimedemo: plays the whole schedule on a fixed-step clock as fast as it
// can draw (every tick drawn once) and reports load time and frame times.
#pragma once

#include <cstddef>

struct OrvOptions;

// What one scene's frame times say about smoothness. The first frame (the scene's
// start-up) is kept apart: the 99th percentile and the worst cover the frames after it,
// the mean covers them all.
struct OrvFrameSummary {
    size_t frames = 0;
    double firstMs = 0;
    double meanMs = 0;
    double p99Ms = 0;    // nearest rank: no more than 1 % of the later frames take longer
    double worstMs = 0;
};

// Summarises `count` frame times in drawing order; reorders `ms` from the second on.
OrvFrameSummary OrvSummariseFrames(double* ms, size_t count);

// --timedemo: in a window, or without one with --offscreen. Returns the exit code.
int OrvRunTimedemo(const OrvOptions& options);
