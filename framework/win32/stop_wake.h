// The stop signals' wake-up event, for code on Windows that sleeps in a wait function.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// A manual-reset event, set once a stop signal has come; null before OrvStopSignals::Install.
HANDLE OrvStopSignalsWakeEvent();
