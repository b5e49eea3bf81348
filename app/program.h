// The program as a whole, whatever the platform's entry point: reads the
// options, then runs the timedemo, the capture or the live show.
#pragma once

// argv holds UTF-8 arguments, the program's name first. Returns the exit code.
int OrvProgram(int argc, char** argv);
