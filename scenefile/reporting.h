// Where the 3D library's words go.
//
// The trace: the reader's account of each scene file and the mesh builder's
// warnings, written as they always were to standard output unless the program
// sends them elsewhere (or nowhere, with a null stream).
//
// Problems: a data file that is missing or unreadable, a file that is no scene
// file at all, a scene file the reader found damaged (it reported a bounds
// problem; the problem's words then start "damaged"), a texture that could not
// be decoded. The program may install a handler that hears of each, with the file
// name and the problem in words; without one, nothing is said beyond the trace.
//
// Threads: set both before loading; the library reads them from the loading thread.
#pragma once

#include <cstdio>

// The stream the trace goes to (stdout unless set; null: no trace).
FILE* OlvarTraceStream();
void OlvarSetTraceStream(FILE* stream);

// Hears of one problem with one data file.
using OlvarProblemHandler = void (*)(const char* fileName, const char* problem);
void OlvarSetProblemHandler(OlvarProblemHandler handler);
bool OlvarProblemsHeard();

// Tells the installed handler, if any.
void OlvarReportProblem(const char* fileName, const char* problem);
