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

bool OrvFfmpegPipe::FinishWhileWorking(const std::string& output, int idleMs, std::string* error,
                                       const std::function<void()>& waiting)
{
    using Clock = std::chrono::steady_clock;
    ClosePipe();
    if (Stalled()) {
        *error = "ffmpeg stopped reading frames";
        return false;
    }
    // A stop signal asks for a video with the frames made so far, which is
    // what this wait is for: the first one, whether it brought us here or comes
    // now, is spent; the next one gives up.
    OrvStopSignals::MarkSeen();
    bool asked = OrvStopSignals::Pending() != 0;
    std::string seen = Activity(output);
    Clock::time_point lastChange = Clock::now();
    Clock::time_point askedAt = lastChange;
    bool told = false;
    for (;;) {
        if (WaitForChild(0, error))
            return ExitedCleanly();
        if (asked && !told && Clock::now() - askedAt > std::chrono::seconds(1)) {
            told = true;
            if (waiting)
                waiting();
        }
        if (OrvStopSignals::WaitForAnother(100)) {
            if (asked) {
                *error = "stopped again while ffmpeg was finishing the video";
                return false;
            }
            asked = true;
            askedAt = Clock::now();
            OrvStopSignals::MarkSeen();
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
