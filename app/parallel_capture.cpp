#include "app/parallel_capture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/capture.h"
#include "app/capture_progress.h"
#include "app/capture_sink.h"
#include "app/options.h"
#include "framework/ffmpeg_pipe.h"
#include "framework/files.h"
#include "framework/png_image.h"
#include "framework/process.h"
#include "framework/stop_signals.h"
#include "show/scene_set.h"
#include "show/timeline.h"

namespace fs = std::filesystem;

namespace {

// One range of the capture and the process rendering it.
struct Part {
    int64_t first = 0;   // the full run's frame it starts with
    int64_t frames = 0;
    fs::path dir;    // its PNG frames
    std::string name;  // the name of `dir` the part is told
    fs::path log;    // its stderr
    OrvProgramCopy process;
    int64_t made = 0;          // frames on disk, in order from its first
    std::streamoff read = 0;   // how much of its log has been looked at
    std::string partial;       // a line of the log not ended yet
    std::string held;          // a line kept back until the next shows it was no error
    std::string failure;       // its "capture failed" message
};

int Fail(const std::string& message)
{
    std::fprintf(stderr, "orvdemo: capture failed: %s\n", message.c_str());
    return 1;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Show milliseconds as --start takes them: seconds with three decimals.
std::string Seconds(uint32_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%03u", ms / 1000, ms % 1000);
    return text;
}

std::string FrameName(int64_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
    return name;
}

// The parts' working directory is on the target's own file system so that
// frames move into a PNG directory by renaming: inside that directory, or
// beside a video. It goes when the capture ends, and also when the capture is
// killed outright (OrvSweptDirectory).

// Starts this program on one part: PNG frames, no music, no trace. The part
// dies with the capture and holds the working directory until it exits.
bool StartPart(Part& part, const OrvOptions& o, uint32_t startMs, const OrvSweptDirectory& work, std::string* error)
{
    std::error_code ec;
    const fs::path data = fs::current_path(ec);
    if (ec) {
        *error = "cannot find the show's data: the working directory is gone (" + ec.message() + ")";
        return false;
    }
    std::vector<std::string> args = {
        "--data", OrvPathText(data), "--capture", part.name + "/", "--start", Seconds(startMs),
        "--frames", std::to_string(part.frames), "--size", std::to_string(o.width) + "x" + std::to_string(o.height),
        "--fps", o.fps.Text(), "--nosound", "--quiet"};
    // The parts draw their pictures as the whole capture would.
    if (o.samples)
        args.insert(args.end(), {"--samples", std::to_string(o.samples)});
    if (o.supersample > 1)
        args.insert(args.end(), {"--supersample", std::to_string(o.supersample)});
    return part.process.Start(args, OrvPathText(part.log), work, error);
}

// Ends every part still running and waits for it.
void StopParts(std::vector<Part>& parts)
{
    for (Part& p : parts)
        p.process.Terminate();
    for (Part& p : parts)
        p.process.Wait();
}

// Counts the frames a part has finished (each appears under its final name
// only when complete, and in order).
void CountMade(Part& p)
{
    std::error_code ec;
    while (p.made < p.frames && fs::exists(p.dir / FrameName(p.made), ec))
        ++p.made;
}

// What the parts write on stderr, passed on once. A part's notices (a damaged
// data file, fewer samples than asked) would otherwise be lost, and N parts
// say the same thing N times. Its progress, its closing line and what start-up
// already said in this process stay in its log; its failure becomes the reason
// the capture gives. A line just before "Try ... --help" is an error, so the
// newest line is held back until the next one (or a clean exit) shows it is none.
class Relay {
public:
    explicit Relay(OrvCaptureProgress*& bar) : bar(bar) {}

    void Read(Part& p)
    {
        std::ifstream in(p.log, std::ios::binary);
        if (!in.seekg(p.read))
            return;
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        p.read += static_cast<std::streamoff>(text.size());
        p.partial += text;
        for (size_t end; (end = p.partial.find('\n')) != std::string::npos;) {
            const std::string line = p.partial.substr(0, end);
            p.partial.erase(0, end + 1);
            Take(p, line);
        }
    }

    // The part ended well: what it held back was a notice.
    void Release(Part& p)
    {
        Say(p.held);
        p.held.clear();
    }

private:
    void Take(Part& p, const std::string& line)
    {
        if (StartsWith(line, "Try '"))
            return;  // the held line was an error: it stays the part's own
        Release(p);
        if (StartsWith(line, "orvdemo: capture failed: ")) {
            if (p.failure.empty())
                p.failure = line.substr(25);
            return;
        }
        if (StartsWith(line, "orvdemo: capture interrupted by ")) {
            // Stopped by a signal meant for it alone.
            if (p.failure.empty())
                p.failure = "stopped by " + line.substr(32, line.find(' ', 32) - 32);
            return;
        }
        if (line.empty() || StartsWith(line, "capture: ") || StartsWith(line, "orvdemo: wrote ") || line.find(" is not 4:3: ") != std::string::npos ||
            line.find("none of the show's data files") != std::string::npos)
            return;
        p.held = line;
    }

    void Say(const std::string& line)
    {
        if (line.empty() || !said.insert(line).second)
            return;
        if (bar)
            bar->Break();
        std::fprintf(stderr, "%s\n", line.c_str());
    }

    OrvCaptureProgress*& bar;
    std::set<std::string> said;
};

// Why a part failed, in its own words where it left any: its "capture failed"
// message, else the line it wrote before giving up, else how it ended. Its
// working directory (`workspace`, by the name the parts were told) is gone by
// the time the user reads this, so a message naming it names `target`'s
// directory instead.
std::string Reason(const Part& p, const std::string& workspace, const fs::path& target)
{
    if (const int sig = p.process.Signal()) {
        const char* name = OrvStopSignals::Name(sig);
        return "killed by signal " + std::to_string(sig) + " (SIG" + (name ? name : "?") + ")";
    }
    std::string why = p.failure;
    // What the part says it left behind goes with its directory.
    for (const char* tail : {"; left in ", "; nothing written to "})
        if (const size_t at = why.rfind(tail); at != std::string::npos && why.find(OrvPathText(workspace), at) != std::string::npos)
            why.erase(at);
    if (why.find(OrvPathText(workspace)) != std::string::npos) {
        const size_t colon = why.rfind(": ");
        why = "cannot write its frames in " + OrvPathText(target) + (colon == std::string::npos ? "" : why.substr(colon));
    }
    if (why.empty() && !p.held.empty())
        why = StartsWith(p.held, "orvdemo: ") ? p.held.substr(9) : p.held;
    if (why.empty())
        why = "exited with status " + std::to_string(p.process.ExitStatus());
    return why;
}

// The number of frames from the capture's first that are all on disk: the
// first part's, then the next part's only when the first is complete, and so on.
int64_t LeadingFrames(const std::vector<Part>& parts)
{
    int64_t n = 0;
    for (const Part& p : parts) {
        n += p.made;
        if (p.made < p.frames)
            break;
    }
    return n;
}

}  // namespace

int OrvRunParallelCapture(const OrvOptions& options)
{
    const OrvFrameRate fps = options.fps;
    const std::vector<OrvScheduleEntry> plan = OrvSceneSet::Plan();
    const OrvShowTimeline timeline(plan, [fps](int64_t i) { return OrvCaptureMilliseconds(i, fps); });
    const int64_t first = OrvFrameOf(options.start, timeline, 0);
    const int64_t end = std::max(first, OrvFrameOf(options.end, timeline, timeline.Frames()));
    const int64_t total = options.frames >= 0 ? std::min(end - first, options.frames) : end - first;
    const int jobs = static_cast<int>(std::clamp<int64_t>(options.jobs, 1, std::max<int64_t>(total, 1)));
    if (jobs < 2)
        return OrvRunCapture(options);

    OrvStopSignals::Install();
    OrvStopSignals::Clear();
    std::unique_ptr<OrvFrameSink> sink = OrvMakeFrameSink(options);
    std::string error;
    if (!sink->Check(&error))
        return Fail(error);
    const bool video = OrvIsVideoTarget(options.capture);
    const fs::path target = OrvPath(sink->Path());
    OrvSweptDirectory work;
    if (!work.Create((video ? target.parent_path() : target) / (".orvdemo-" + std::to_string(OrvProcessId())), &error))
        return Fail(error);

    // Render the parts, all at once.
    std::vector<Part> parts;
    for (int k = 0; k < jobs; ++k) {
        const int64_t a = first + total * k / jobs, b = first + total * (k + 1) / jobs;
        Part& p = parts.emplace_back();
        p.first = a;
        p.frames = b - a;
        p.dir = work.Path() / std::to_string(k);
        p.name = work.NameForCopies() + "/" + std::to_string(k);
        p.log = work.Path() / (std::to_string(k) + ".log");
    }
    for (Part& p : parts)
        if (!StartPart(p, options, OrvCaptureMilliseconds(p.first, fps), work, &error)) {
            StopParts(parts);
            return Fail(error);
        }
    std::fprintf(stderr, "capture: %d processes rendering %s\n", jobs, OrvFramesText(total).c_str());
    OrvCaptureProgress rendering(total);
    OrvCaptureProgress* bar = &rendering;
    Relay relay(bar);
    int sig = 0;
    int64_t shown = 0;
    for (bool running = true; running;) {
        if ((sig = OrvStopSignals::Pending()) != 0)
            break;
        running = false;
        for (Part& p : parts) {
            if (!p.process.Running())
                continue;
            const bool exited = p.process.Ended();
            relay.Read(p);
            CountMade(p);
            if (!exited) {
                running = true;
                continue;
            }
            if (p.process.Succeeded()) {
                relay.Release(p);
                continue;
            }
            // A terminal's Ctrl+C reaches the parts too: one that stopped for it has not failed.
            if (OrvStopSignals::Pending()) {
                running = true;
                break;
            }
            StopParts(parts);
            rendering.Break();
            return Fail("the process rendering frames " + std::to_string(p.first - first) + " to " +
                        std::to_string(p.first - first + p.frames - 1) + " failed: " + Reason(p, work.NameForCopies(), work.Path().parent_path()) + "; " +
                        sink->LeftBehind(0));
        }
        // The bar names the scene of the earliest frame still to come.
        int64_t done = 0, next = -1;
        for (const Part& p : parts) {
            done += p.made;
            if (next < 0 && p.made < p.frames)
                next = p.first + p.made;
        }
        if (done > shown)
            rendering.Update((shown = done), plan[timeline.SceneOf(next < 0 ? first + total - 1 : next)].name);
        if (running)
            OrvStopSignals::Wait(100);
    }
    const double rendered = rendering.Seconds();
    int64_t frames = total;
    if (sig) {
        // Interrupted: the parts keep what they made; the frames from the
        // first on, as far as they run without a gap, are the capture.
        rendering.Break();
        StopParts(parts);
        for (Part& p : parts) {
            relay.Read(p);
            relay.Release(p);
            CountMade(p);
        }
        frames = LeadingFrames(parts);
        OrvStopSignals::Clear();  // a second signal ends the join
    }
    bar = nullptr;

    // Join: the frames in order. PNG frames are already what a PNG capture
    // holds: they only move and take their place in the numbering. A video
    // gets them through the sink a single capture uses, in one encode.
    const char* signalName = sig ? OrvStopSignals::Name(sig) : nullptr;
    if (frames == 0) {
        std::fprintf(stderr, "orvdemo: capture interrupted by SIG%s after 0 frames; %s\n",
                     signalName ? signalName : "?", sink->LeftBehind(0).c_str());
        return 128 + sig;
    }
    if (!sink->Open(frames, OrvCaptureMilliseconds(first, fps), &error))
        return Fail(error + "; " + sink->LeftBehind(0));
    OrvIgnoreSigpipe ignoreSigpipe;
    OrvCaptureProgress encoding(frames);
    std::vector<unsigned char> rgb;
    int64_t written = 0;
    for (const Part& p : parts) {
        for (int64_t j = 0; j < p.frames && written < frames; ++j) {
            const fs::path from = p.dir / FrameName(j);
            if (!video) {
                if (!OrvRenameOver(OrvPathText(from), OrvPathText(target / FrameName(written))))
                    return Fail("cannot move a frame into " + OrvPathText(target) + ": " + std::strerror(errno) + "; " +
                                sink->LeftBehind(written));
                ++written;
                continue;
            }
            if (OrvStopSignals::Pending())
                break;
            int width = 0, height = 0;
            if (!ReadPNG(OrvPathText(from), &rgb, &width, &height, &error))
                return Fail(error + "; " + sink->LeftBehind(written));
            if (width != options.width || height != options.height)
                return Fail(OrvPathText(from.filename()) + " of a part has the wrong size; " + sink->LeftBehind(written));
            if (!sink->Write(written, rgb.data(), &error)) {
                if (OrvStopSignals::Pending())
                    break;
                encoding.Break();
                return Fail(error + "; " + sink->LeftBehind(written));
            }
            encoding.Update(++written, "encoding");
        }
    }
    const int late = OrvStopSignals::Pending();
    if (sig || late) {
        encoding.Break();
        sig = sig ? sig : late;
        signalName = OrvStopSignals::Name(sig);
        const bool kept = written > 0 && sink->Close(late != 0, &error);
        std::fprintf(stderr, "orvdemo: capture interrupted by SIG%s after %lld frame%s; ", signalName ? signalName : "?",
                     static_cast<long long>(written), written == 1 ? "" : "s");
        if (kept)
            std::fprintf(stderr, "%s (%.2f s of show, %.1f s to render in %d processes)\n",
                         sink->Kept(written).c_str(), static_cast<double>(written) / fps.PerSecond(), rendered, jobs);
        else
            std::fprintf(stderr, "%s\n", sink->LeftBehind(written).c_str());
        return 128 + sig;
    }
    if (!sink->Close(false, &error)) {
        // A stop signal while ffmpeg finished: a second one, or the first and
        // then an ffmpeg that did nothing more, gave up on it.
        if ((sig = OrvStopSignals::Pending()) != 0) {
            signalName = OrvStopSignals::Name(sig);
            std::fprintf(stderr, "orvdemo: capture interrupted by SIG%s after %lld frame%s; %s; %s\n",
                         signalName ? signalName : "?", static_cast<long long>(written), written == 1 ? "" : "s",
                         error.c_str(), sink->LeftBehind(written).c_str());
            return 128 + sig;
        }
        return Fail(error + "; " + sink->LeftBehind(written));
    }
    std::fprintf(stderr, "orvdemo: wrote %s (%s, %.2f s of show, %.1f s to render in %d processes, %.1f s in all)\n",
                 sink->Path().c_str(), OrvFramesText(written).c_str(), static_cast<double>(written) / fps.PerSecond(),
                 rendered, jobs, rendering.Seconds());
    return 0;
}
