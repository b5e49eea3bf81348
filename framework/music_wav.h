// OrvWriteMusicWav: the show's music rendered to a WAV file, for the video capture.
//
// The module is rendered by libopenmpt looping forever, as the live player
// plays it, to 16-bit stereo PCM at 48000 Hz; a missing or unreadable module
// gives silence of the same length. libopenmpt's messages are swallowed.
#pragma once

#include <cstdint>
#include <string>

constexpr int32_t OrvMusicWavRate = 48000;

// Writes `sampleFrames` stereo sample frames of `modulePath` to `wavPath`.
// Returns false and sets `error` when the file cannot be written completely;
// The first `skipFrames` sample frames of the module are rendered and dropped,
// so a capture that starts in the middle has exactly the music a full one has.
// `loaded` (when given) tells whether the module could be read, and
// `moduleError` (when given) why not. The module is read as a data file
// (OrvReadDataFile): FIFOs, devices, directories and oversized files give silence.
bool OrvWriteMusicWav(const std::string& modulePath, const std::string& wavPath, int64_t sampleFrames,
                      std::string* error, bool* loaded = nullptr, std::string* moduleError = nullptr,
                      int64_t skipFrames = 0);

// Shortens a WAV file made by OrvWriteMusicWav to its first `sampleFrames`
// stereo sample frames, header included (a capture stopped early keeps only
// the music of the frames it made). False with `error` when the file is not
// that long or cannot be rewritten.
bool OrvCutMusicWav(const std::string& wavPath, int64_t sampleFrames, std::string* error);
