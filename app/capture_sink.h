// OrvFrameSink: where the captured frames and the music go.
//
// Two kinds, picked from OUT by OrvMakeFrameSink: a directory of PNG frames
// with music.wav, or a video file made by the ffmpeg program. A sink never
// leaves a partial file under a final name: each file is written under a
// temporary name and renamed when complete; a sink destroyed before Close
// removes its temporary files. A PNG directory keeps the frames it has
// written, whatever ends the capture, and says so; what an earlier capture
// left there under the same names (frames, music.wav) is removed when the
// capture opens, so the directory holds this capture's frames and nothing
// of an older one's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/options.h"

class OrvFrameSink {
public:
    virtual ~OrvFrameSink() = default;

    // Cheap checks made before the scenes load: the output is writable, the tools exist.
    virtual bool Check(std::string* error) = 0;
    // Writes the music for `frames` frames from show time `startMs` (when music
    // is on) and gets ready for frames.
    virtual bool Open(int64_t frames, uint32_t startMs, std::string* error) = 0;
    // Takes one frame: width * height RGB pixels, top row first.
    virtual bool Write(int64_t index, const unsigned char* rgb, std::string* error) = 0;
    // Completes the output under its final name; `interrupted` when a stop
    // signal ended the frames early: the output then holds the frames Write
    // took, with the music cut to their length, and a video's encoder gets as
    // long as it keeps working (another stop signal ends the wait). An
    // interrupted sink that took no frames keeps nothing and returns false.
    // Without `interrupted`, the capture holds the frames Open was told of.
    virtual bool Close(bool interrupted, std::string* error) = 0;
    // A failure ended the frames early: keeps what a stop signal would keep
    // where that takes no more writing (a PNG directory's frames, with its
    // music cut to their length); a video keeps nothing.
    virtual void Abandon() {}
    // What was written, for the closing message.
    virtual std::string Path() const = 0;
    // What a completed capture of `frames` frames holds, in words.
    virtual std::string Kept(int64_t frames) const = 0;
    // What a capture that could not complete leaves on disk after `frames` frames, in words.
    virtual std::string LeftBehind(int64_t frames) const = 0;
};

// The music module the show plays, looked up in the working directory.
constexpr const char* OrvShowModule = "Tuvari.xm";

std::unique_ptr<OrvFrameSink> OrvMakeFrameSink(const OrvOptions& options);

// Creates an empty file (or, with `directory`, an empty directory) with a
// short name of its own, ".orvdemo-" and six random letters or digits, in the
// directory that holds `target` (a trailing '/' is ignored): a temporary name
// that fits wherever the target's name fits, on the same file system, so it
// can be renamed into place. A file is listed with the sweeper (OrvSweep).
// Returns its path, or "" with `error` set.
std::string OrvMakeTempBeside(const std::string& target, bool directory, std::string* error);
