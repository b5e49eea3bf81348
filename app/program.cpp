#include "app/program.h"

#include "app/capture.h"
#include "app/data_problems.h"
#include "app/demo_main.h"
#include "app/options.h"
#include "app/parallel_capture.h"
#include "app/timedemo.h"
#include "framework/files.h"
#include "framework/music.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

namespace {

int RunProgram(int argc, char** argv)
{
    OrvOptions options = OrvParseOptions(argc, argv);
    int exitCode = 0;
    if (!OrvStartUp(options, "orvdemo", &exitCode))
        return exitCode;
    if (options.audioDevice == "list") {
        for (const std::string& name : OrvMusic::ListDevices())
            std::printf("%s\n", name.c_str());
        return 0;
    }
    OrvRouteTrace(options.trace);
    std::error_code ec;
    OrvWatchDataFiles(OrvPathText(std::filesystem::current_path(ec)), "orvdemo");
    if (options.timedemo)
        return OrvRunTimedemo(options);
    if (!options.capture.empty())
        return options.jobs > 1 ? OrvRunParallelCapture(options) : OrvRunCapture(options);
    return DemoMain(options);
}

// What the user is told of a failure nothing below expected.
void SayGivingUp(const char* what)
{
    std::fflush(stdout);
    std::fprintf(stderr, "orvdemo: %s; giving up\n", what);
}

}  // namespace

int OrvProgram(int argc, char** argv)
{
    // Whatever escapes the modes ends here, once the stack has unwound: the
    // objects on the way have let go of what they held (a capture's temporary
    // files and its child processes); the display mode's guardian puts the
    // mode back when the process ends.
    try {
        return RunProgram(argc, argv);
    } catch (const std::bad_alloc&) {
        SayGivingUp("out of memory");
    } catch (const std::exception& e) {
        SayGivingUp(e.what());
    } catch (...) {
        SayGivingUp("unexpected failure");
    }
    return OrvProgramFailed;
}
