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
#include <filesystem>
#include <string>
#include <system_error>

int OrvProgram(int argc, char** argv)
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
