#pragma once

#include "ui/ApplicationTitle.h"

namespace tone {

// The name, icon name and role under which this program's sound shows in the desktop's
// mixer (pavucontrol, GNOME's and KDE's sound settings) instead of "ALSA plug-in".
inline constexpr const char* kStreamApplicationName = ui::kApplicationTitle;
inline constexpr const char* kStreamIconName = "parvello";

// Puts the program's name, icon name and the "music" role where the sound servers' ALSA
// bridges read them when a PCM is opened: libpulse takes client properties from
// PULSE_PROP_OVERRIDE (PulseAudio, and PipeWire's PulseAudio server), PipeWire's own ALSA
// plugin from PIPEWIRE_PROPS (its client) and PIPEWIRE_ALSA (its stream). Variables that are set
// already are left alone, so that a user can still choose otherwise. Call before the first
// PCM is opened, while no other thread reads the environment; only the first call acts.
void NameSoundStreamForDesktop();

} // namespace tone
