// The program's start-up for --capture, as the entry point runs it, so the
// tests can check exit codes and files of a real process.
#include <cstdio>

#include "app/capture.h"
#include "app/options.h"

int main(int argc, char** argv)
{
    OrvOptions options = OrvParseOptions(argc, argv);
    int code = 0;
    if (!OrvStartUp(options, argv[0], &code))
        return code;
    if (options.capture.empty()) {
        std::fprintf(stderr, "%s: needs --capture OUT\n", argv[0]);
        return OrvOptionsExitCode;
    }
    return OrvRunCapture(options);
}
