// The stop signals' self-pipe, for code on Linux that sleeps in poll().
#pragma once

// Readable once a stop signal has come; -1 before OrvStopSignals::Install.
int OrvStopSignalsWakeFd();
