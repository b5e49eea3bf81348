// OrvRunTimedemo: plays the whole schedule on a fixed-step clock as fast as it
// can draw (every tick drawn once) and reports load time and frame times.
#pragma once

struct OrvOptions;

// --timedemo: in a window, or without one with --offscreen. Returns the exit code.
int OrvRunTimedemo(const OrvOptions& options);
