#include "app/capture_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "framework/ffmpeg_pipe.h"
#include "framework/files.h"
#include "framework/music_wav.h"
#include "framework/png_image.h"
#include "framework/process.h"

namespace fs = std::filesystem;

namespace {

// Stereo sample frames of music that cover `frames` video frames (rounded up).
int64_t MusicFrames(int64_t frames, const OrvFrameRate& fps)
{
    return (frames * OrvMusicWavRate * fps.den + fps.num - 1) / fps.num;
}

bool Fail(std::string* error, const std::string& message)
{
    *error = message;
    return false;
}

// Writes the music WAV for the capture, warning when the module is not there.
bool WriteMusic(const std::string& path, int64_t frames, const OrvFrameRate& fps, uint32_t startMs,
                std::string* error)
{
    bool loaded = false;
    std::string why;
    const int64_t skip = static_cast<int64_t>(startMs) * OrvMusicWavRate / 1000;
    if (!OrvWriteMusicWav(OrvShowModule, path, MusicFrames(frames, fps), error, &loaded, &why, skip))
        return false;
    std::error_code ec;
    const fs::path here = fs::current_path(ec);
    if (!loaded)
        std::fprintf(stderr, "orvdemo: %s: %s; the music track is silent\n", OrvPathText(here / OrvShowModule).c_str(),
                     why.c_str());
    return true;
}

// Moves a finished temporary file into place; the temporary goes either way.
bool RenameInto(const std::string& from, const std::string& to, std::string* error)
{
    const bool moved = OrvRenameOver(from, to);
    const int code = errno;
    if (!moved)
        OrvRemoveFile(from);
    OrvSweep::Drop(OrvSweep::Kind::File, from);
    return moved || Fail(error, "cannot write " + to + ": " + std::strerror(code));
}

// Creates `path` exclusively and closes it: proves the directory is writable
// (errno says why not).
bool Touch(const std::string& path)
{
    std::FILE* file = OrvCreateNewFile(path);
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

// A temporary file: listed with the sweeper before it is made, so that it goes
// however the capture ends; RenameInto or Discard takes it back.
bool MakeTemporary(const std::string& path)
{
    OrvSweep::Add(OrvSweep::Kind::File, path);
    if (Touch(path))
        return true;
    const int code = errno;
    OrvSweep::Drop(OrvSweep::Kind::File, path);
    errno = code;
    return false;
}

void Discard(const std::string& path)
{
    OrvRemoveFile(path);
    OrvSweep::Drop(OrvSweep::Kind::File, path);
}

// `path` without trailing separators (a root stays whole).
std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && OrvIsPathSeparator(path.back()) && path != OrvPathText(OrvPath(path).root_path()))
        path.pop_back();
    return path;
}

// `path` from the working directory when it is relative (as it is only when
// no program start resolved it); as it is when that directory is gone.
std::string Absolute(const std::string& path)
{
    std::error_code ec;
    const fs::path full = fs::absolute(OrvPath(path), ec);
    return ec ? path : OrvPathText(full);
}

// What a failed file call says about `path`, without the path it names (the
// message names the file the user knows).
std::string Reason(const std::string& why, const std::string& path)
{
    return why.rfind(path + ": ", 0) == 0 ? why.substr(path.size() + 2) : why;
}

class PngDirectorySink : public OrvFrameSink {
public:
    explicit PngDirectorySink(const OrvOptions& o) : dir(WithoutTrailingSeparators(Absolute(o.capture))), options(o) {}

    // A directory the capture made goes again when it ends holding nothing.
    ~PngDirectorySink() override
    {
        for (auto it = created.rbegin(); it != created.rend(); ++it) {
            std::error_code ec;
            fs::remove(OrvPath(*it), ec);  // only when empty
            OrvSweep::Drop(OrvSweep::Kind::EmptyDirectory, *it);
        }
    }

    bool Check(std::string* error) override
    {
        std::error_code ec;
        // The directories about to be made, the outermost first.
        for (fs::path p = OrvPath(dir); !p.empty() && !fs::exists(p, ec) && p != p.parent_path(); p = p.parent_path())
            created.insert(created.begin(), OrvPathText(p));
        for (const std::string& d : created)
            OrvSweep::Add(OrvSweep::Kind::EmptyDirectory, d);
        fs::create_directories(OrvPath(dir), ec);
        if (ec)
            return Fail(error, "cannot create directory " + dir + ": " + ec.message());
        const std::string probe = OrvPathText(OrvPath(dir) / ".orvdemo-probe-") + std::to_string(OrvProcessId());
        if (!MakeTemporary(probe))
            return Fail(error, "cannot write in " + dir + ": " + std::strerror(errno));
        Discard(probe);
        return true;
    }

    bool Open(int64_t frames, uint32_t startMs, std::string* error) override
    {
        if (!RemoveEarlierCapture(error))
            return false;
        if (!options.music)
            return true;
        const std::string final = Name("music.wav");
        OrvSweep::Add(OrvSweep::Kind::File, final + ".part");
        if (WriteMusic(final + ".part", frames, options.fps, startMs, error))
            return musicWritten = RenameInto(final + ".part", final, error);
        Discard(final + ".part");
        *error = Reason(*error, final + ".part");
        return Fail(error, "cannot write music.wav in " + dir + ": " + *error);
    }

    bool Write(int64_t index, const unsigned char* rgb, std::string* error) override
    {
        const std::string final = Name(FrameName(index));
        std::string why;
        OrvSweep::Add(OrvSweep::Kind::File, final + ".part");
        if (!WritePNG(final + ".part", rgb, options.width, options.height, &why)) {
            Discard(final + ".part");
            return Fail(error, "cannot write " + FrameName(index) + " in " + dir + ": " + Reason(why, final + ".part"));
        }
        if (!RenameInto(final + ".part", final, error))
            return false;
        made = std::max(made, index + 1);
        return true;
    }

    bool Close(bool interrupted, std::string* error) override
    {
        if (!interrupted || !musicWritten)
            return made > 0 || !interrupted;
        // The music ends where the frames end; without frames there is none.
        const std::string music = Name("music.wav");
        if (made > 0 && OrvCutMusicWav(music, MusicFrames(made, options.fps), error))
            return true;
        OrvRemoveFile(music);
        musicWritten = false;
        return made > 0 ? Fail(error, "the music could not be cut to the frames' length: " + *error) : false;
    }
    std::string Path() const override { return dir; }

    // The frames stay, as after a stop signal; so does music that still fits them.
    void Abandon() override
    {
        std::string ignored;
        if (musicWritten && !Close(true, &ignored)) {
            OrvRemoveFile(Name("music.wav"));
            musicWritten = false;
        }
    }

    std::string Kept(int64_t frames) const override { return dir + " holds " + Contents(frames); }

    std::string LeftBehind(int64_t frames) const override
    {
        if (frames == 0 && !musicWritten && !created.empty())
            return "nothing written; the directory it made (" + created.front() + ") is removed";
        if (frames == 0 && !musicWritten)
            return "nothing written to " + dir;
        return "left in " + dir + ": " + Contents(frames);
    }

private:
    std::string Name(const std::string& file) const { return OrvPathText(OrvPath(dir) / file); }

    // Removes what an earlier capture left here under this capture's names:
    // frame files named as FrameName names them, and music.wav. Nothing else.
    bool RemoveEarlierCapture(std::string* error) const
    {
        std::error_code ec;
        std::vector<fs::path> earlier;
        for (fs::directory_iterator it(OrvPath(dir), ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = OrvPathText(it->path().filename());
            if ((name == "music.wav" || IsFrameName(name)) && !it->is_directory(ec))
                earlier.push_back(it->path());
        }
        if (ec)
            return Fail(error, "cannot read directory " + dir + ": " + ec.message());
        for (const fs::path& path : earlier)
            if (!OrvRemoveFile(OrvPathText(path)) && errno != ENOENT)
                return Fail(error, "cannot remove " + OrvPathText(path) + " of an earlier capture: " + std::strerror(errno));
        return true;
    }

    static bool IsFrameName(const std::string& name)
    {
        const size_t digits = name.size() - std::min(name.size(), sizeof "frame_.png" - 1);
        if (digits < 6 || digits > 18 || name.compare(0, 6, "frame_") != 0)
            return false;
        int64_t index = 0;
        for (size_t i = 6; i < 6 + digits; ++i) {
            if (name[i] < '0' || name[i] > '9')
                return false;
            index = index * 10 + (name[i] - '0');
        }
        return FrameName(index) == name;
    }

    // The frames and music that are in the directory, in words.
    std::string Contents(int64_t frames) const
    {
        std::string text;
        if (frames == 1)
            text = "1 frame (frame_000000.png)";
        else if (frames > 1)
            text = std::to_string(frames) + " frames (frame_000000.png to " + FrameName(frames - 1) + ")";
        else
            text = "no frames";
        return text + (musicWritten ? " and music.wav" : "");
    }

    static std::string FrameName(int64_t index)
    {
        char name[32];
        std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
        return name;
    }

    std::string dir;
    OrvOptions options;
    std::vector<std::string> created;  // directories Check made, the outermost first
    bool musicWritten = false;
    int64_t made = 0;  // frames written
};

// Lower-case extension of a video target (mp4, mkv, webm, mov or avi).
std::string Extension(const std::string& out)
{
    std::string ext = out.substr(out.find_last_of('.') + 1);  // "dir/.mp4" has no extension for fs::path
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// Encoder and container arguments for each kind of video file.
std::vector<std::string> CodecArguments(const std::string& ext, bool music)
{
    std::vector<std::string> a;
    if (ext == "webm")
        a = {"-c:v", "libvpx-vp9", "-crf", "32", "-b:v", "0", "-deadline", "good", "-cpu-used", "4",
             "-row-mt", "1"};
    else
        a = {"-c:v", "libx264", "-preset", "veryfast", "-crf", "20"};
    a.insert(a.end(), {"-pix_fmt", "yuv420p"});
    if (music && (ext == "mp4" || ext == "mov"))
        a.insert(a.end(), {"-c:a", "aac", "-b:a", "192k"});
    if (music && ext == "avi")
        a.insert(a.end(), {"-c:a", "libmp3lame", "-b:a", "192k"});
    if (music && ext == "mkv")
        a.insert(a.end(), {"-c:a", "flac"});
    if (music && ext == "webm")
        a.insert(a.end(), {"-c:a", "libopus", "-b:a", "160k"});
    if (ext == "mp4" || ext == "mov")
        a.insert(a.end(), {"-movflags", "+faststart", "-f", ext});
    else
        a.insert(a.end(), {"-f", ext == "webm" ? "webm" : ext == "avi" ? "avi" : "matroska"});
    return a;
}

class VideoSink : public OrvFrameSink {
public:
    explicit VideoSink(const OrvOptions& o) : out(Absolute(o.capture)), options(o) {}

    ~VideoSink() override
    {
        pipe.reset();
        if (!closed && !videoTemp.empty())
            Discard(videoTemp);
        if (!wavTemp.empty())
            Discard(wavTemp);
    }

    bool Check(std::string* error) override
    {
        if (!OrvFindProgram("ffmpeg"))
            return Fail(error, "ffmpeg not found in PATH: install ffmpeg to make " + out +
                                   ", or capture to a directory of PNG frames instead");
        videoTemp = OrvMakeTempBeside(out, false, error);
        if (videoTemp.empty())
            return false;
        if (options.music) {
            wavTemp = OrvMakeTempBeside(out, false, error);
            return !wavTemp.empty();
        }
        return true;
    }

    bool Open(int64_t frames, uint32_t startMs, std::string* error) override
    {
        if (options.music && !WriteMusic(wavTemp, frames, options.fps, startMs, error))
            return false;
        pipe = std::make_unique<OrvFfmpegPipe>();
        return pipe->Start(Arguments(frames), error);
    }

    bool Write(int64_t, const unsigned char* rgb, std::string* error) override
    {
        if (!pipe->Write(rgb, static_cast<size_t>(options.width) * options.height * 3, error))
            return false;
        ++made;
        return true;
    }

    bool Close(bool interrupted, std::string* error) override
    {
        if (interrupted && made == 0)
            return false;
        // ffmpeg still has frames in its encoder to finish: it gets as long as
        // it keeps working on them.
        const bool finished = pipe->FinishWhileWorking(videoTemp, OrvFfmpegPipe::kIdleMs, error, [] {
            std::fprintf(stderr, "orvdemo: waiting for ffmpeg to finish the video; stop again to give up\n");
        });
        if (!finished || !HasVideo(error))
            return false;
        closed = RenameInto(videoTemp, out, error);
        return closed;
    }

    std::string Path() const override { return out; }
    std::string Kept(int64_t) const override { return "wrote " + out; }
    std::string LeftBehind(int64_t) const override { return "nothing written to " + out; }

private:
    // An ffmpeg that exits 0 may still have made nothing: the file must hold a
    // video stream (asked of ffprobe when it is installed; else it must not be empty).
    bool HasVideo(std::string* error) const
    {
        std::error_code ec;
        if (fs::file_size(OrvPath(videoTemp), ec) == 0 || ec)
            return Fail(error, "ffmpeg reported success but wrote nothing");
        if (!OrvFindProgram("ffprobe"))
            return true;
        std::string streams;
        if (!OrvRunForOutput({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                              "stream=codec_type", "-of", "csv=p=0", videoTemp},
                             &streams, error))
            return false;
        if (streams.find("video") == std::string::npos)
            return Fail(error, "ffmpeg reported success but the file holds no video stream");
        return true;
    }

    // ffmpeg's command line; -xerror makes a failed write of the trailer an exit status too.
    std::vector<std::string> Arguments(int64_t frames) const
    {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(frames) / options.fps.PerSecond());
        std::vector<std::string> a = {
            "ffmpeg", "-hide_banner", "-nostats", "-loglevel", "error", "-xerror", "-y",
            "-f", "rawvideo", "-pix_fmt", "rgb24",
            "-s", std::to_string(options.width) + "x" + std::to_string(options.height),
            "-framerate", options.fps.Text(), "-i", "pipe:0"};
        // -shortest: a capture stopped early has a video shorter than the
        // music rendered for it, and the music ends with the last frame.
        if (options.music)
            a.insert(a.end(), {"-f", "wav", "-i", wavTemp, "-map", "0:v:0", "-map", "1:a:0", "-shortest"});
        a.insert(a.end(), {"-t", seconds});
        const std::vector<std::string> codec = CodecArguments(Extension(out), options.music);
        a.insert(a.end(), codec.begin(), codec.end());
        a.push_back(videoTemp);
        return a;
    }

    std::string out;
    std::string videoTemp;
    std::string wavTemp;
    OrvOptions options;
    std::unique_ptr<OrvFfmpegPipe> pipe;
    bool closed = false;
    int64_t made = 0;  // frames handed to ffmpeg
};

}  // namespace

std::string OrvMakeTempBeside(const std::string& target, bool directory, std::string* error)
{
    std::string t = target;
    while (t.size() > 1 && OrvIsPathSeparator(t.back()))
        t.pop_back();
    const fs::path parent = OrvPath(t).has_parent_path() ? OrvPath(t).parent_path() : fs::path(".");
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    int code = EEXIST;
    for (int attempt = 0; attempt < 100 && code == EEXIST; ++attempt) {
        std::string path = OrvPathText(parent / ".orvdemo-");
        for (int i = 0; i < 6; ++i)
            path += letters[random() % (sizeof letters - 1)];
        if (directory ? OrvMakeDirectory(path) : MakeTemporary(path))
            return path;
        code = errno;
    }
    Fail(error, "cannot write " + target + ": " + std::strerror(code));
    return "";
}

std::unique_ptr<OrvFrameSink> OrvMakeFrameSink(const OrvOptions& options)
{
    if (OrvIsVideoTarget(options.capture))
        return std::make_unique<VideoSink>(options);
    return std::make_unique<PngDirectorySink>(options);
}
