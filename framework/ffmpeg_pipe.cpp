// OrvFfmpegPipe: how a child is finished, the same everywhere. Starting it,
// writing to it and watching it are the platform's (framework/<platform>/).
#include "framework/ffmpeg_pipe.h"

#include <chrono>

#include "framework/stop_signals.h"

bool OrvFfmpegPipe::Finish(int timeoutMs, std::string* error)
{
    ClosePipe();
    if (Stalled()) {
        // It stopped reading long ago: it will not finish a file now.
        *error = "ffmpeg stopped reading frames";
        return false;
    }
    if (WaitForChild(timeoutMs, error))
        return ExitedCleanly();
    *error = "ffmpeg did not finish within " + std::to_string(timeoutMs / 1000) + " s";
    return false;
}

bool OrvFfmpegPipe::FinishWhileWorking(const std::string& output, int idleMs, std::string* error)
{
    using Clock = std::chrono::steady_clock;
    ClosePipe();
    if (Stalled()) {
        *error = "ffmpeg stopped reading frames";
        return false;
    }
    // The stop signal that brought us here is spent; another one gives up.
    OrvStopSignals::MarkSeen();
    std::string seen = Activity(output);
    Clock::time_point lastChange = Clock::now();
    for (;;) {
        if (WaitForChild(0, error))
            return ExitedCleanly();
        if (OrvStopSignals::WaitForAnother(100)) {
            *error = "stopped again while ffmpeg was finishing the video";
            return false;
        }
        const std::string now = Activity(output);
        if (now != seen) {
            seen = now;
            lastChange = Clock::now();
        } else if (Clock::now() - lastChange > std::chrono::milliseconds(idleMs)) {
            *error = "ffmpeg did nothing for " + std::to_string(idleMs / 1000) + " s while finishing the video";
            return false;
        }
    }
}
