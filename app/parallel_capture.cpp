#include "app/parallel_capture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/capture.h"
#include "app/capture_sink.h"
#include "app/options.h"
#include "framework/ffmpeg_pipe.h"
#include "framework/png_image.h"
#include "framework/stop_signals.h"
#include "show/scene_set.h"
#include "show/timeline.h"

namespace fs = std::filesystem;

namespace {

// One range of the capture and the process rendering it.
struct Part {
    int64_t first;   // the full run's frame it starts with
    int64_t frames;
    fs::path dir;    // its PNG frames
    fs::path log;    // its stderr
    pid_t pid = -1;
    int status = 0;
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "orvdemo: capture failed: %s\n", message.c_str());
    return 1;
}

// Show milliseconds as --start takes them: seconds with three decimals.
std::string Seconds(uint32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", ms / 1000, ms % 1000);
    return text;
}

// Starts this program on one part: PNG frames, no music, no trace.
bool StartPart(Part& part, const OrvOptions& o, uint32_t startMs, std::string* error)
{
    std::error_code ec;
    const std::string self = fs::read_symlink("/proc/self/exe", ec).string();
    std::vector<std::string> args = {
        self, "--data", fs::current_path().string(), "--capture", part.dir.string() + "/", "--start", Seconds(startMs),
        "--frames", std::to_string(part.frames), "--size", std::to_string(o.width) + "x" + std::to_string(o.height),
        "--fps", o.fps.Text(), "--nosound", "--quiet"};
    // The parts draw their pictures as the whole capture would.
    if (o.samples)
        args.insert(args.end(), {"--samples", std::to_string(o.samples)});
    if (o.supersample > 1)
        args.insert(args.end(), {"--supersample", std::to_string(o.supersample)});
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, part.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int rc = OrvSpawn(args, &actions, nullptr, &part.pid);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        part.pid = -1;
        *error = "cannot start a capture process: " + std::string(std::strerror(rc));
    }
    return rc == 0;
}

// Ends every part still running and waits for it.
void StopParts(std::vector<Part>& parts)
{
    for (Part& p : parts)
        if (p.pid > 0)
            kill(p.pid, SIGTERM);
    for (Part& p : parts)
        if (p.pid > 0) {
            waitpid(p.pid, nullptr, 0);
            p.pid = -1;
        }
}

// The last line a part wrote on stderr, for a failure message.
std::string LastLine(const fs::path& log)
{
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty() && line.find("capture: ") != 0)
            last = line;
    return last;
}

// Removes the working directory of the parts whatever way the capture ends.
struct TempDir {
    fs::path path;
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

}  // namespace

int OrvRunParallelCapture(const OrvOptions& options)
{
    OrvStopSignals::Install();
    OrvStopSignals::Clear();
    const OrvFrameRate fps = options.fps;
    const OrvShowTimeline timeline(OrvSceneSet::Plan(), [fps](int64_t i) { return OrvCaptureMilliseconds(i, fps); });
    const int64_t first = OrvFrameOf(options.start, timeline, 0);
    const int64_t end = std::max(first, OrvFrameOf(options.end, timeline, timeline.Frames()));
    const int64_t total = options.frames >= 0 ? std::min(end - first, options.frames) : end - first;
    const int jobs = static_cast<int>(std::clamp<int64_t>(options.jobs, 1, std::max<int64_t>(total, 1)));

    std::string out = options.capture;
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    TempDir temp{out + ".jobs-" + std::to_string(getpid())};
    std::error_code ec;
    fs::create_directories(temp.path, ec);
    if (ec)
        return Fail("cannot create " + temp.path.string() + ": " + ec.message());
    std::unique_ptr<OrvFrameSink> sink = OrvMakeFrameSink(options);
    std::string error;
    if (!sink->Check(&error))
        return Fail(error);

    // Render the parts, all at once.
    std::vector<Part> parts;
    for (int k = 0; k < jobs; ++k) {
        const int64_t a = first + total * k / jobs, b = first + total * (k + 1) / jobs;
        parts.push_back({a, b - a, temp.path / ("part-" + std::to_string(k)), temp.path / ("part-" + std::to_string(k) + ".log")});
    }
    for (Part& p : parts)
        if (!StartPart(p, options, OrvCaptureMilliseconds(p.first, fps), &error)) {
            StopParts(parts);
            return Fail(error);
        }
    const auto begin = std::chrono::steady_clock::now();
    std::fprintf(stderr, "capture: %d processes rendering %lld frames\n", jobs, static_cast<long long>(total));
    for (size_t running = parts.size(); running > 0;) {
        if (const int sig = OrvStopSignals::Pending()) {
            StopParts(parts);
            std::fprintf(stderr, "orvdemo: capture interrupted by a signal while rendering; nothing written to %s\n",
                         options.capture.c_str());
            return 128 + sig;
        }
        running = 0;
        for (Part& p : parts) {
            if (p.pid <= 0)
                continue;
            if (waitpid(p.pid, &p.status, WNOHANG) != p.pid) {
                ++running;
                continue;
            }
            p.pid = -1;
            if (!WIFEXITED(p.status) || WEXITSTATUS(p.status) != 0) {
                StopParts(parts);
                return Fail("the process rendering frames " + std::to_string(p.first) + " on failed: " + LastLine(p.log));
            }
        }
        if (running > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const double rendered = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    // Join: every part's frames in order. PNG frames are already what a PNG
    // capture holds: they only move and take their place in the numbering. A
    // video gets them through the sink a single capture uses, in one encode.
    if (!sink->Open(total, OrvCaptureMilliseconds(first, fps), &error))
        return Fail(error);
    const bool video = OrvIsVideoTarget(options.capture);
    OrvIgnoreSigpipe ignoreSigpipe;
    std::vector<unsigned char> rgb;
    int64_t written = 0;
    for (const Part& p : parts) {
        for (int64_t j = 0; j < p.frames; ++j) {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(j));
            if (!video) {
                char final[32];
                std::snprintf(final, sizeof final, "/frame_%06lld.png", static_cast<long long>(written));
                if (std::rename((p.dir / name).c_str(), (out + final).c_str()) != 0)
                    return Fail("cannot move a frame into " + out + ": " + std::strerror(errno) + "; " +
                                sink->LeftBehind(written));
                ++written;
                continue;
            }
            int width = 0, height = 0;
            if (!ReadPNG((p.dir / name).string(), &rgb, &width, &height, &error))
                return Fail(error);
            if (width != options.width || height != options.height)
                return Fail((p.dir / name).string() + " has the wrong size");
            if (!sink->Write(written, rgb.data(), &error)) {
                if (const int sig = OrvStopSignals::Pending()) {
                    std::fprintf(stderr, "orvdemo: capture interrupted by a signal while joining; %s\n",
                                 sink->LeftBehind(written).c_str());
                    return 128 + sig;
                }
                return Fail(error + "; " + sink->LeftBehind(written));
            }
            ++written;
        }
    }
    if (!sink->Close(false, &error))
        return Fail(error + "; " + sink->LeftBehind(written));
    const double all = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    std::fprintf(stderr, "orvdemo: wrote %s (%lld frames, %.2f s of show, %.1f s to render in %d processes, %.1f s in all)\n",
                 sink->Path().c_str(), static_cast<long long>(written), static_cast<double>(written) / fps.PerSecond(),
                 rendered, jobs, all);
    return 0;
}
