// The page's music clock and the gesture that lets the page make sound.
//
// Browsers start sound only after a gesture: the page's "click to start"
// handler calls Module.orvAudio.start() (or OrvWebAudioStart) from the click
// itself. Until then the music waits, and so does its clock.
#pragma once

#include <cstdint>

// Milliseconds of music heard since the OrvMusic began: stands still until the
// page's sound starts, while the music is held, and while the first samples
// after a Seek are on their way to the speakers; otherwise it runs at the sound
// card's rate. False while no music plays (none made, none loaded, no Web Audio).
bool OrvWebMusicMilliseconds(double* ms);

// The show's clock in the browser: the music clock while music plays, the
// page's clock (performance.now()) otherwise, joined without a jump and never
// going back. With it the picture follows the sound through holds and skips.
uint32_t OrvWebShowClockMilliseconds();

// Resumes the page's AudioContext; call it from a user gesture's handler.
void OrvWebAudioStart();
