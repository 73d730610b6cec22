#include "TonePlayback.h"

#include "ToneImageBuilder.h"
#include "VolumeEncoding.h"

namespace tone {

namespace {

// A fresh, empty buffer for the next image, never the one that plays now. The image handed
// over before that is released here: by now the sound service has moved on from it.
ToneBuffer& PrepareTargetBuffer(ToneState& state)
{
    switch (state.PlaybackSlot) {
    case 1:
        state.ToneBufferB.reset();
        state.ToneBufferB = CreateToneBuffer();
        return *state.ToneBufferB;
    case 2:
        state.ToneBufferA.reset();
        state.ToneBufferA = CreateToneBuffer();
        return *state.ToneBufferA;
    default:
        state.ToneBufferA = CreateToneBuffer();
        state.ToneBufferB = CreateToneBuffer();
        return *state.ToneBufferA;
    }
}

std::span<const std::uint8_t> ImageBytes(const ToneBuffer& buffer)
{
    const QByteArray& bytes = buffer.data();
    return {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

} // namespace

void Tone_Sound(ToneState& state, SoundService& sound, long double frequency, std::int32_t pitch,
                std::int32_t sliderPosition)
{
    BuildToneImage(state, pitch, PrepareTargetBuffer(state));

    state.EffectiveVolumePosition =
        state.EqualizeEnabled ? LoudnessBandPosition(frequency, sliderPosition) : sliderPosition;
    const std::uint32_t volume = PackedVolumeOfPosition(state.EffectiveVolumePosition);

    sound.setVolume(0);
    const bool playB = state.PlaybackSlot == 1;
    state.PlaybackSlot = playB ? 2 : 1;
    sound.playLooped(ImageBytes(playB ? *state.ToneBufferB : *state.ToneBufferA));
    sound.pause(kToneStartMute);
    sound.setVolume(volume);
    state.PreviousFrequency = frequency;
}

void StopTone(SoundService& sound)
{
    sound.stop();
}

void ApplySliderVolume(ToneState& state, SoundService& sound, std::int32_t sliderPosition)
{
    state.OutputVolume = static_cast<std::int32_t>(PackedVolumeOfPosition(sliderPosition));
    sound.setVolume(static_cast<std::uint32_t>(state.OutputVolume));
}

void CaptureSystemVolume(ToneState& state, SoundService& sound)
{
    if (const std::optional<std::uint32_t> volume = sound.volume())
        state.SavedSystemVolume = static_cast<std::int32_t>(*volume);
    sound.setVolume(0);
    // A test of the whole packed value, not a clamp of each channel: 0x7FFFFFFF stays, while
    // any right level of 32768 or more makes the value negative and it is dropped.
    if (state.SavedSystemVolume < 0)
        state.SavedSystemVolume = 0;
}

void RestoreSystemVolume(const ToneState& state, SoundService& sound)
{
    sound.setVolume(static_cast<std::uint32_t>(state.SavedSystemVolume));
}

void ReleaseToneBuffers(ToneState& state)
{
    state.ToneBufferA.reset();
    state.ToneBufferB.reset();
}

} // namespace tone
