// The program as a whole, whatever the platform's entry point: reads the
// options, then runs the timedemo, the capture or the live show.
#pragma once

// Exit code after a failure nothing else handled (an exception that reached the top).
constexpr int OrvProgramFailed = 2;

// argv holds UTF-8 arguments, the program's name first. Returns the exit code;
// no exception leaves it.
int OrvProgram(int argc, char** argv);
