// OrvQuietAudioSystem: keeps the system's sound libraries off stderr.
//
// Called once before SDL's audio starts, so a machine without a sound card
// says so in one line of the program's own instead of the libraries' chatter
// (on Linux: ALSA, which prints its own errors when no card exists). Does
// nothing where the sound system is quiet already.
#pragma once

void OrvQuietAudioSystem();
