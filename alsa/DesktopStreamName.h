#pragma once

#include "playback/StreamIdentity.h"

namespace tone {

// Puts the program's name, icon name and role where the sound servers' ALSA bridges read them
// when a PCM is opened, so that the program's sound shows under them in the desktop's mixer
// instead of as "ALSA plug-in": libpulse takes client properties from PULSE_PROP_OVERRIDE
// (PulseAudio, and PipeWire's PulseAudio server), PipeWire's own ALSA plugin from
// PIPEWIRE_PROPS (its client) and PIPEWIRE_ALSA (its stream). Variables that are set already
// are left alone, so that a user can still choose otherwise. Call before the first PCM is
// opened, while no other thread reads the environment; only the first call acts.
void NameSoundStreamForDesktop(const StreamIdentity& identity);

} // namespace tone
