#pragma once

#include "tone/SoundService.h"

#include <memory>

// The program's sound output: a stream of the desktop's sound server when one answers at
// start-up (PulseAudio, or PipeWire through pipewire-pulse), whose short latency makes every
// restart of a tone heard as designed; ALSA's "default" PCM on a system without one.
std::unique_ptr<tone::SoundService> OpenSoundOutput();
