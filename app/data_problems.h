// What the program says about its data files: one line on stderr for each
// file that is missing, unreadable, damaged or cannot be decoded, naming what
// the show will lack, and one line for a data directory that holds none of
// the show's files. The show goes on in every case.
#pragma once

#include <string>

// Says so in one line and returns false when `dir` holds none of the show's
// data files; otherwise installs the handler that reports each file's problem
// once (and returns true).
bool OrvWatchDataFiles(const std::string& dir, const char* program);

// Sends the reader's trace to standard output only where it belongs: always
// with --verbose (`trace` 1), never with --quiet (0), and otherwise only when
// standard output is a file or pipe rather than a terminal.
void OrvRouteTrace(int trace);
