// OrvRunParallelCapture: --capture with --jobs N.
//
// The capture's frames are cut into N consecutive ranges; each is rendered by
// a process of its own (this program again, with --start and --frames, to a
// directory of PNG frames: lossless), all at once. The parts are then read
// back in order and handed to the same frame sink a single-process capture
// uses, with the music written once: the video is encoded in one pass, so it
// has no seams, and its frames are exactly the single-process capture's.
//
// The parts work in a hidden directory on the target's own file system, die
// with the capture however it ends, and leave nothing behind. Their notices
// are passed on once; a part that fails is reported in its own words. A stop
// signal keeps what a single capture keeps: the frames from the first on, as
// far as they run without a gap.
//
// Where the cores are busy already (the encoder of a video takes one) the
// processes only share them; it pays where cores are free.
#pragma once

struct OrvOptions;

// Returns the exit code, as OrvRunCapture does.
int OrvRunParallelCapture(const OrvOptions& options);
