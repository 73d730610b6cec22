#pragma once

#include "SoundService.h"
#include "ToneState.h"

#include <chrono>
#include <cstdint>

namespace tone {

// A new tone runs muted this long before its volume is set.
inline constexpr std::chrono::milliseconds kToneStartMute{100};

// Starts the tone of the current note: builds its image at the reference pitch into the
// buffer that is not playing, mutes the output, hands the image to the sound service to loop,
// waits kToneStartMute and sets the volume of the slider position (0..65535), compensated
// for loudness by the band of `frequency` while EqualizeEnabled is set. Callers pass the
// CurrentFrequency that holds when they call, so the band is that of the tone built before.
void Tone_Sound(ToneState& state, SoundService& sound, long double frequency, std::int32_t pitch,
                std::int32_t sliderPosition);

// Stops whatever plays; the buffers, PlaybackSlot and the volume stay as they are.
void StopTone(SoundService& sound);

// Sets the output to the uncompensated volume of a slider position and remembers it in
// OutputVolume.
void ApplySliderVolume(ToneState& state, SoundService& sound, std::int32_t sliderPosition);

// Remembers the output's volume in SavedSystemVolume and mutes the output. A volume that
// reads as negative is saved as 0; one that cannot be read leaves SavedSystemVolume as it
// was (0 at start-up, the only time the program captures it), and then a negative value
// there is cleared to 0 all the same.
void CaptureSystemVolume(ToneState& state, SoundService& sound);

// Sets the output back to SavedSystemVolume.
void RestoreSystemVolume(const ToneState& state, SoundService& sound);

// Releases both tone images. Call only after StopTone: the sound service may still be
// reading the image it was given last.
void ReleaseToneBuffers(ToneState& state);

} // namespace tone
