#pragma once

#include "tone/SoundService.h"

#include <memory>

// The program's sound output, chosen on the playback thread when the first tone needs it,
// so that the window never waits for the sound server: a stream of the desktop's sound
// server (PulseAudio, or PipeWire through pipewire-pulse) unless none is there, whose
// replaceable buffer makes every restart of a tone heard as designed at little cost; ALSA's
// "default" PCM on a system without a server.
std::unique_ptr<tone::SoundService> OpenSoundOutput();
