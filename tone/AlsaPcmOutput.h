#pragma once

#include "LoopRenderer.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <span>
#include <string>

typedef struct _snd_pcm snd_pcm_t;

namespace tone {

// An ALSA playback PCM opened for interleaved stereo 16-bit little-endian frames at one
// sample rate, with a short buffer so that what is written is heard soon. Not thread-safe:
// the playback thread creates, uses and destroys it, and no other thread touches ALSA.
class AlsaPcmOutput
{
public:
    // The buffer the device is asked for, and the periods it is split into. Desktop sound
    // servers reached through ALSA grant buffers of seconds unless asked for less.
    static constexpr std::chrono::microseconds kRequestedBufferTime{40'000};
    static constexpr std::chrono::microseconds kRequestedPeriodTime{10'000};

    // Opens and configures the PCM `deviceName` for `sampleRate` frames per second. On
    // failure returns nothing and sets `error` to ALSA's negative error code.
    static std::unique_ptr<AlsaPcmOutput> Open(const std::string& deviceName, unsigned sampleRate,
                                               int& error);

    AlsaPcmOutput(const AlsaPcmOutput&) = delete;
    AlsaPcmOutput& operator=(const AlsaPcmOutput&) = delete;
    // Discards whatever is still queued and closes the PCM.
    ~AlsaPcmOutput();

    unsigned sampleRate() const { return sampleRate_; }
    // The frames between two wake-ups of the writer, as the device granted them.
    std::size_t periodFrames() const { return periodFrames_; }

    // Writes all of `frames`, blocking while the device's buffer is full. Recovers from
    // underruns and from suspend on its own. Returns 0, or ALSA's negative error code when the
    // PCM can no longer be used (the device is gone, for instance) and must be reopened.
    int write(std::span<const StereoFrame> frames);

    // Throws away the frames queued but not yet played, so that what is written next is
    // heard at once. Returns 0 or ALSA's negative error code.
    int discardQueued();

private:
    AlsaPcmOutput(snd_pcm_t* pcm, unsigned sampleRate, std::size_t periodFrames)
        : pcm_(pcm), sampleRate_(sampleRate), periodFrames_(periodFrames)
    {
    }

    snd_pcm_t* pcm_;
    unsigned sampleRate_;
    std::size_t periodFrames_;
};

} // namespace tone
