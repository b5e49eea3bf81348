#include "scenefile/reporting.h"

namespace {

FILE* traceStream = stdout;
OlvarProblemHandler problemHandler = nullptr;

}  // namespace

FILE* OlvarTraceStream() { return traceStream; }

void OlvarSetTraceStream(FILE* stream) { traceStream = stream; }

void OlvarSetProblemHandler(OlvarProblemHandler handler) { problemHandler = handler; }

bool OlvarProblemsHeard() { return problemHandler != nullptr; }

void OlvarReportProblem(const char* fileName, const char* problem)
{
    if (problemHandler)
        problemHandler(fileName, problem);
}
