// What a page has of the process around a program: no signals to stop it
// (closing the tab ends it outright) and no program file.
#include "framework/process.h"
#include "framework/stop_signals.h"

void OrvStopSignals::Install() {}

int OrvStopSignals::Pending() { return 0; }

std::string OrvThisProgram() { return {}; }
